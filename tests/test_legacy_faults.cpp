// Every system call of every scenario of vorax-legacy failed: packing V2, S2, U2 and over an
// existing archive with option O; extraction of every archive kind it reads, with O and S.
#include <gtest/gtest.h>

#include "legacy/legacy.h"
#include "tests/fault_scenarios.h"

namespace {

const fault_program legacy = {run_vorax_legacy, 0, 0};

}  // namespace

TEST(LegacyFaults, PackV2) {
  run_fault_scenario(packing(legacy, "legacy V2", "V2", "", vehicle_files()));
}

TEST(LegacyFaults, PackS2) {
  run_fault_scenario(packing(legacy, "legacy S2", "S2", "",
                             {{"gfx/s123-45a.gz2", filled(4, 'C'), IMAGE_STAMP},
                              {"gfx/049152-01a.gz2", filled(2, 'D'), OLD_STAMP}}));
}

TEST(LegacyFaults, PackU2) {
  run_fault_scenario(packing(legacy, "legacy U2", "U2", "",
                             {{"gfx/u05-12b-arc.gz2", filled(4, 'C'), IMAGE_STAMP},
                              {"gfx/u07-arc.gz2", filled(2, 'D'), OLD_STAMP}}));
}

TEST(LegacyFaults, PackOverAnExistingArchive) {
  std::vector<seed_file> files = vehicle_files();
  files.push_back({"arc.fz2", text_bytes("an older archive"), OLD_STAMP});
  run_fault_scenario(packing(legacy, "legacy V2 O", "V2", "O", files));
}

TEST(LegacyFaults, ExtractVehicleArchive) {
  run_fault_scenario(extraction(legacy, "legacy X FZX", "arc.fz2", older_vehicle_image()));
}

TEST(LegacyFaults, ExtractSceneryArchive) {
  run_fault_scenario(extraction(legacy, "legacy X GZX", "arc.gz2", scenery_image("GZX")));
}

TEST(LegacyFaults, ExtractBaseNamedSceneryArchive) {
  run_fault_scenario(extraction(legacy, "legacy X UZX", "park.uz2", scenery_image("UZX")));
}

TEST(LegacyFaults, ExtractOverExistingFiles) {
  run_fault_scenario(
      extraction(legacy, "legacy X O", "arc.fz2", older_vehicle_image(), "O", {"12345-03.fz2"}));
}

TEST(LegacyFaults, ExtractSimulated) {
  run_fault_scenario(
      extraction(legacy, "legacy X S", "arc.fz2", older_vehicle_image(), "S", {"12345-03.fz2"}));
}

// The packed folder is opened once: listing and copy reach the one folder, whenever another
// process swaps it for another.
TEST(LegacyFaults, PackedFolderSwappedMeanwhile) {
  run_folder_swaps(packing(legacy, "legacy swap V2", "V2", "", vehicle_files()));
  run_folder_swaps(packing(legacy, "legacy swap U2", "U2", "",
                           {{"gfx/u05-12b-arc.gz2", filled(4, 'C'), IMAGE_STAMP},
                            {"gfx/u07-arc.gz2", filled(2, 'D'), OLD_STAMP}}));
}

// Other processes, signals and memory at the edges of a run.
TEST(LegacyFaults, RacesWithOtherProcesses) { run_race_table(legacy); }
TEST(LegacyFaults, FlushesBeforeReplacing) { run_flush_counts(legacy); }
#ifndef _WIN32
TEST(LegacyFaults, StopSignalsLeaveNothingBehind) { run_stop_signals(legacy); }
TEST(LegacyFaults, FileSizeLimitLeavesNothingBehind) { run_file_size_limit(legacy); }
#endif
