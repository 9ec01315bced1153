// vorax: packs the graphics files of one kind and zoom level into an archive, and extracts them.
#include "platform/platform.h"
#include "vorax/vorax.h"

int main(int argc, char **argv) {
  plat_take_command_line(&argc, &argv);  // Windows: every name whole, as UTF-8
  return run_vorax(argc, argv);
}
