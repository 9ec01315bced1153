// Every system call of every scenario of vorax failed: packing V2, W2, S2, U2, with the options
// I, S and O; extraction of every archive kind, with the options O and S.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorax/vorax.h"
#include "platform/faults.h"
#include "tests/fault_scenarios.h"

namespace {

const fault_program vorax = {run_vorax, 1, 1};

// Files with headers that option I reads: format 0x0385 (front2, side2) and 0x0383 (doors both
// sides).
std::vector<seed_file> info_files(void) {
  bytes header_0385 = hex_bytes("6C 6F 63 6F 1A 00 00 00 00 03 85 12 00 00 05 00 00"
                                "78 00 28 00 1E 00 2C 00");
  bytes header_0383 = hex_bytes("6C 6F 63 6F 1A 00 00 00 00 03 83 07 50 00 20 00 18 00 24 00"
                                "00 18");
  return {{"gfx/12345-03.fz2", header_0385, IMAGE_STAMP},
          {"gfx/12345-04.fz2", header_0383, OLD_STAMP}};
}

std::vector<seed_file> scenery_files(void) {
  return {{"gfx/s123-45a.gz2", filled(4, 'C'), IMAGE_STAMP},
          {"gfx/049152-01a.gz2", filled(2, 'D'), OLD_STAMP}};
}

bytes vehicle_image(void) {
  return archive_image(vehicle_header('2', true),
                       {{{12345, 3}, filled(5, 'A')}, {{12345, 4}, filled(3, 'B')}});
}

}  // namespace

TEST(Faults, PackV2) { run_fault_scenario(packing(vorax, "V2", "V2", "", vehicle_files())); }

TEST(Faults, PackW2) {
  run_fault_scenario(packing(vorax, "W2", "W2", "",
                             {{"gfx/arc-03-12.fz2", filled(4, 'W'), IMAGE_STAMP},
                              {"gfx/arc-01-02.fz2", filled(2, 'X'), OLD_STAMP}}));
}

TEST(Faults, PackS2) { run_fault_scenario(packing(vorax, "S2", "S2", "", scenery_files())); }

TEST(Faults, PackU2) {
  run_fault_scenario(packing(vorax, "U2", "U2", "",
                             {{"gfx/arc-05-12b.gz2", filled(4, 'C'), IMAGE_STAMP},
                              {"gfx/arc-07-01.gz2", filled(2, 'D'), OLD_STAMP}}));
}

TEST(Faults, PackV2WithInfo) {
  run_fault_scenario(packing(vorax, "V2 I", "V2", "I", info_files()));
}

TEST(Faults, PackSimulated) {
  run_fault_scenario(packing(vorax, "V2 S", "V2", "S", vehicle_files()));
}

TEST(Faults, PackOverAnExistingArchive) {
  std::vector<seed_file> files = vehicle_files();
  files.push_back({"arc.fz2", text_bytes("an older archive"), OLD_STAMP});
  run_fault_scenario(packing(vorax, "V2 O", "V2", "O", files));
}

// A graphics file of 64 KiB or more is copied inside the system: every failure of that copy, and
// every answer that makes the copy go through the program instead.
TEST(Faults, PackLargeFile) {
  run_fault_scenario(packing(vorax, "V2 large", "V2", "",
                             {{"gfx/12345-03.fz2", filled(70 * 1024, 'L'), IMAGE_STAMP},
                              {"gfx/12345-04.fz2", filled(3, 'B'), OLD_STAMP}}));
}

TEST(Faults, ExtractLargeFile) {
  run_fault_scenario(extraction(vorax, "X large", "arc.fz2",
                                archive_image(vehicle_header('2', true),
                                              {{{12345, 3}, filled(70 * 1024, 'L')},
                                               {{12345, 4}, filled(3, 'B')}})));
}

TEST(Faults, ExtractCurrentVehicleArchive) {
  run_fault_scenario(extraction(vorax, "X FZX", "arc.fz2", vehicle_image()));
}

TEST(Faults, ExtractOlderVehicleArchive) {
  run_fault_scenario(extraction(vorax, "X FZX older", "arc.fz2", older_vehicle_image()));
}

TEST(Faults, ExtractSceneryArchive) {
  run_fault_scenario(extraction(vorax, "X GZX", "arc.gz2", scenery_image("GZX")));
}

TEST(Faults, ExtractBaseNamedSceneryArchive) {
  run_fault_scenario(extraction(vorax, "X UZX", "park.uz2", scenery_image("UZX")));
}

TEST(Faults, ExtractOverExistingFiles) {
  run_fault_scenario(extraction(vorax, "X O", "arc.fz2", vehicle_image(), "O", {"12345-03.fz2"}));
}

TEST(Faults, ExtractSimulated) {
  run_fault_scenario(extraction(vorax, "X S", "arc.fz2", vehicle_image(), "S", {"12345-03.fz2"}));
}

// Without option O a file that exists stays, whatever fails: also when it cannot be opened.
TEST(Faults, ExtractKeepsExistingFiles) {
  run_fault_scenario(extraction(vorax, "X", "arc.fz2", vehicle_image(), "", {"12345-03.fz2"}));
}

// The packed folder is opened once: listing, option I's reading and the copy all reach the one
// folder, whenever another process swaps it for another.
TEST(Faults, PackedFolderSwappedMeanwhile) {
  run_folder_swaps(packing(vorax, "swap V2", "V2", "", vehicle_files()));
  run_folder_swaps(packing(vorax, "swap V2 I", "V2", "I", info_files()));
  run_folder_swaps(packing(vorax, "swap S2", "S2", "", scenery_files()));
}

// Other processes, signals and memory at the edges of a run.
TEST(Faults, RacesWithOtherProcesses) { run_race_table(vorax); }
TEST(Faults, FlushesBeforeReplacing) { run_flush_counts(vorax); }
#ifndef _WIN32
TEST(Faults, StopSignalsLeaveNothingBehind) { run_stop_signals(vorax); }
TEST(Faults, FileSizeLimitLeavesNothingBehind) { run_file_size_limit(vorax); }
#endif

namespace {

// Runs vorax in-process with its output captured; the calls are counted from here on.
void run_counted(std::vector<std::string> args) {
  args.insert(args.begin(), "vorax");
  std::vector<char *> argv = argument_vector(args);
  fault_plan(FAULT_OPEN, 0);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  run_vorax((int)args.size(), argv.data());
  testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
}

}  // namespace

// What a small file costs: packing opens it and reads it in one request that also tells whether
// it grew, and the small files leave in a few large writes; extraction makes one file, one write,
// one time and one naming for each (POSIX: a file without a name, linked; Windows: a file under a
// temporary name, moved), and reads the archive in large requests. Besides the files, packing
// closes the archive and the folder's listing, extraction the archive twice; on POSIX each run
// closes the folder it kept too, and packing the folder it flushed.
TEST(Faults, SystemCallsPerSmallFile) {
  scratch_dir dir("calls");
  std::string gfx = make_folder(dir, "gfx");
  const int files = 40;
  for (int i = 0; i < files; ++i) {
    write_file(join(gfx, "s" + std::to_string(100 + i) + "-1a.gz2"), filled(3000 + 50 * i, 'S'));
  }
  run_counted({"S2", gfx, dir.file("arc")});
  ASSERT_TRUE(read_file(dir.file("arc.gz2")).size() > 120000u);
  EXPECT_EQ(fault_calls(FAULT_OPEN), files);
  EXPECT_EQ(fault_calls(FAULT_READ), files);
  const int kept = on_windows() ? 0 : 1;
  EXPECT_EQ(fault_calls(FAULT_CLOSE), files + 2 + 2 * kept);
  EXPECT_LE(fault_calls(FAULT_WRITE), 2);
  EXPECT_EQ(fault_calls(FAULT_FLUSH), 1);

  std::string out = make_folder(dir, "out");
  run_counted({"X", out, dir.file("arc.gz2")});
  EXPECT_EQ(list_names(out).size(), (size_t)files);
  EXPECT_EQ(fault_calls(FAULT_OPEN), 2);  // the archive: the driver's test, then for reading
  EXPECT_LE(fault_calls(FAULT_READ), 4);
  EXPECT_EQ(fault_calls(on_windows() ? FAULT_CREATE : FAULT_CREATE_UNNAMED), files);
  EXPECT_EQ(fault_calls(FAULT_WRITE), files);
  EXPECT_EQ(fault_calls(FAULT_SET_TIME), files);
  EXPECT_EQ(fault_calls(on_windows() ? FAULT_RENAME_NEW : FAULT_LINK), files);
  EXPECT_EQ(fault_calls(FAULT_FLUSH), 0);
  EXPECT_EQ(fault_calls(FAULT_CLOSE), files + 2 + kept);
}
