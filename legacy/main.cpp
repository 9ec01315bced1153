// vorax-legacy: the older release of vorax, built from the same tree.
#include "legacy/legacy.h"

int main(int argc, char **argv) { return run_vorax_legacy(argc, argv); }
