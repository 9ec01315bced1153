// vorax: packs the graphics files of one kind and zoom level into an archive, and extracts them.
#include "driver/driver.h"

int main(int argc, char **argv) { return run_vorax(argc, argv); }
