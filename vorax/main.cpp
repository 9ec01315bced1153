// vorax: packs the graphics files of one kind and zoom level into an archive, and extracts them.
#include "vorax/vorax.h"

int main(int argc, char **argv) { return run_vorax(argc, argv); }
