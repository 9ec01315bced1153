// vorax-legacy: the older release of vorax, built from the same tree.
#include "platform/platform.h"
#include "legacy/legacy.h"

int main(int argc, char **argv) {
  plat_take_command_line(&argc, &argv);  // Windows: every name whole, as UTF-8
  return run_vorax_legacy(argc, argv);
}
