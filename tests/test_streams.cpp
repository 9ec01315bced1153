#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pack/entries.h"
#include "platform/faults.h"
#include "tests/test_support.h"
#include "util/stream.h"

#ifndef _WIN32
#include <signal.h>
#endif

namespace fs = std::filesystem;

namespace {

bytes counting_bytes(size_t n) {
  bytes out(n);
  for (size_t i = 0; i < n; ++i) out[i] = (uint8_t)(i * 7 + i / 256);
  return out;
}

// The stopping signals (interrupt, termination, hang-up) that the process holds back at this
// moment, by name; empty when none is held. Windows has no such mask: always empty there.
std::string held_stop_signals(void) {
  std::string held;
#ifndef _WIN32
  sigset_t mask;
  sigemptyset(&mask);
  if (sigprocmask(SIG_BLOCK, nullptr, &mask) != 0) return "unknown";
  if (sigismember(&mask, SIGINT) == 1) held += "INT ";
  if (sigismember(&mask, SIGTERM) == 1) held += "TERM ";
  if (sigismember(&mask, SIGHUP) == 1) held += "HUP ";
#endif
  return held;
}

// Lets the stopping signals through again, as the process had them at its start.
[[maybe_unused]] void release_stop_signals(void) {
#ifndef _WIN32
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGINT);
  sigaddset(&mask, SIGTERM);
  sigaddset(&mask, SIGHUP);
  sigprocmask(SIG_UNBLOCK, &mask, nullptr);
#endif
}

// Both ways of writing a file: without a name where the system has such files, and under a
// temporary name. The fault build can refuse files without a name; elsewhere only the system's
// own way runs.
std::vector<int> ways_to_write(void) {
#ifdef VORAX_FAULT_INJECTION
  return {0, 1};
#else
  return {0};
#endif
}

void refuse_unnamed_files(int refuse) {
#ifdef VORAX_FAULT_INJECTION
  fault_use_variant(refuse && fault_variant_count() > 1 ? 1 : 0);
#else
  (void)refuse;
#endif
}

}  // namespace

TEST(Streams, ReadAcrossBufferEdges) {
  scratch_dir dir("streams-read");
  for (size_t length : {0, 1, 4095, 4096, 4097, 5000, 8192}) {
    write_file(dir.file("f"), counting_bytes(length));
    bytes seen;
    stream s = open_read_stream(dir.file("f").c_str());
    ASSERT_NE(s, NO_STREAM);
    uint8_t byte = 0;
    while (read_byte(s, &byte) == 0) seen.push_back(byte);
    EXPECT_EQ(seen, counting_bytes(length)) << length;
    EXPECT_EQ(close_read_stream(s), 1);  // the failed read closed it already
  }

  write_file(dir.file("n"), hex_bytes("01 02 03 04 05 06 07 61 1A 64"));
  stream s = open_read_stream(dir.file("n").c_str());
  uint32_t v32 = 0;
  uint16_t v16 = 0;
  uint8_t byte = 0;
  EXPECT_TRUE(read_u32(s, &v32) == 0 && v32 == 0x04030201u);
  EXPECT_TRUE(read_u16(s, &v16) == 0 && v16 == 0x0605);
  EXPECT_EQ(skip_to_eof_marker(s), 0);
  EXPECT_TRUE(read_byte(s, &byte) == 0 && byte == 'd');
  EXPECT_EQ(skip_to_eof_marker(s), 2);
  EXPECT_EQ(close_read_stream(s), 1);

#ifdef VORAX_FAULT_INJECTION
  // A close that fails is told, and the stream is closed all the same.
  s = open_read_stream(dir.file("n").c_str());
  fault_plan(FAULT_CLOSE, 1);
  EXPECT_EQ(close_read_stream(s), 1);
  fault_plan(FAULT_CLOSE, 0);
  EXPECT_EQ(fault_open_files(), 0);
  EXPECT_EQ(read_byte(s, &byte), 1);
#endif

  // A value cut short fails and leaves the out value as it was.
  s = open_read_stream(dir.file("n").c_str());
  for (int i = 0; i < 9; ++i) read_byte(s, &byte);
  EXPECT_TRUE(read_u16(s, &v16) == 1 && v16 == 0x0605);
  s = open_read_stream(dir.file("n").c_str());
  for (int i = 0; i < 7; ++i) read_byte(s, &byte);
  EXPECT_TRUE(read_u32(s, &v32) == 1 && v32 == 0x04030201u);
}

TEST(Streams, WriteInFullBlocksBesideTheFinalName) {
  scratch_dir dir("streams-write");
  std::string path = dir.file("archive");
  write_file(path, text_bytes("old"));
  bytes data = counting_bytes(4097);
  stream s = create_write_stream(path.c_str());
  ASSERT_NE(s, NO_STREAM);
  for (size_t i = 0; i < 4096; ++i) write_byte(s, data[i]);
  // A file without a name where the system has them (nothing to see), else a temporary name.
  names temp = temporary_files(dir.path());
  ASSERT_LE(temp.size(), 1u);
  const bool named = temp.size() == 1;
  const std::string temp_path = named ? dir.file(temp[0]) : std::string();
  EXPECT_EQ(list_names(dir.path()).size(), named ? 2u : 1u);
  if (named) {
    EXPECT_EQ(temp[0].size(), std::string("archive").size() + 1);  // ".vx" and 5 digits
    EXPECT_EQ(fs::file_size(temp_path), 0u);  // a full buffer waits for the next byte
  }
  write_byte(s, data[4096]);
  if (named) {
    EXPECT_EQ(fs::file_size(temp_path), 4096u);
  }
  EXPECT_EQ(finish_write_stream(s), 0);
  EXPECT_EQ(temporary_files(dir.path()), temp);  // the whole file still waits under its temporary name
  if (named) {
    EXPECT_EQ(fs::file_size(temp_path), data.size());
  }
  EXPECT_EQ(read_file(path), text_bytes("old"));  // untouched until the commit
  EXPECT_EQ(commit_write_stream(1, 0), 0);
  EXPECT_EQ(read_file(path), data);
  EXPECT_EQ(close_write_stream(s), 1);

  EXPECT_EQ(close_write_stream(create_write_stream(dir.file("empty").c_str())), 0);
  EXPECT_TRUE(fs::exists(dir.file("empty")) && fs::file_size(dir.file("empty")) == 0);

  // Discarded while open or after finishing, or given up for a newer stream: the old file
  // stays and no temporary file remains.
  s = create_write_stream(path.c_str());
  write_byte(s, 'x');
  discard_write_stream();
  EXPECT_EQ(write_byte(s, 'y'), 1);
  EXPECT_EQ(close_write_stream(s), 1);
  s = create_write_stream(path.c_str());
  EXPECT_EQ(finish_write_stream(s), 0);
  discard_write_stream();
  discard_write_stream();
  s = create_write_stream(path.c_str());
  write_byte(s, 'z');
  s = create_write_stream(dir.file("second").c_str());
  EXPECT_EQ(temporary_files(dir.path()).size(), named ? 1u : 0u);
  EXPECT_EQ(close_write_stream(s), 0);
  EXPECT_EQ(read_file(path), data);
  EXPECT_EQ(list_names(dir.path()), (names{"archive", "empty", "second"}));
}

TEST(Streams, RefusalsFileExistsAndBlocks) {
  scratch_dir dir("streams-refuse");
  std::string locked = dir.file("locked");
  write_file(locked, text_bytes("keep"));
  fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write |
                              fs::perms::others_write, fs::perm_options::remove);
  EXPECT_EQ(create_write_stream(locked.c_str()), NO_STREAM);
  EXPECT_EQ(create_write_stream(""), NO_STREAM);
  EXPECT_EQ(create_write_stream(dir.file(std::string(300, 'a')).c_str()), NO_STREAM);
  EXPECT_EQ(create_write_stream(dir.file("no-folder/x").c_str()), NO_STREAM);

  // The move onto the final name fails where a folder stands: 1, and the new file is removed,
  // as after every failed write.
  fs::create_directory(dir.file("folder"));
  write_file(join(dir.file("folder"), "inside"), text_bytes("x"));
  stream s = create_write_stream(dir.file("folder").c_str());
  ASSERT_NE(s, NO_STREAM);
  write_byte(s, 'z');
  EXPECT_EQ(close_write_stream(s), 1);
  EXPECT_EQ(list_names(dir.path()), (names{"locked"}));
  EXPECT_EQ(read_file(locked), text_bytes("keep"));
  fs::permissions(locked, fs::perms::owner_write, fs::perm_options::add);

  EXPECT_EQ(file_exists(locked.c_str()), 1);
  EXPECT_EQ(file_exists(dir.file("gone").c_str()), 0);
  EXPECT_EQ(file_exists(nullptr) + file_exists("") + file_exists(std::string(260, 'a').c_str()), 0);

  EXPECT_TRUE(allocate_block(0) == nullptr && allocate_block(-5) == nullptr);
  void *block = allocate_block(300);
  ASSERT_NE(block, nullptr);
  static_cast<char *>(block)[299] = 1;
  release_block(block);
  release_block(nullptr);
}

// Listed files copied into a write stream: small ones gathered in the write buffer between byte
// traffic, large ones copied in one piece; whatever the mix, the archive holds exactly the bytes
// in their order. A file whose size is not the listed one any more is refused.
TEST(Streams, ListedFilesKeepTheirBytesAndOrder) {
  scratch_dir dir("streams-listed");
  // Small files that overflow the write buffer several times, and large ones in between.
  std::vector<size_t> sizes = {5, 70000, 3};
  for (int i = 0; i < 60; ++i) sizes.push_back(2000 + (size_t)i * 397);
  sizes.push_back(300000);
  sizes.push_back(65535);
  sizes.push_back(65536);
  bytes expected;
  std::vector<std::string> paths;
  for (size_t i = 0; i < sizes.size(); ++i) {
    bytes content = counting_bytes(sizes[i] + i);
    content.resize(sizes[i]);
    paths.push_back(dir.file("f" + std::to_string(i)));
    write_file(paths.back(), content);
    for (int k = 0; k < 4; ++k) expected.push_back((uint8_t)(sizes[i] >> (8 * k)));
    expected.insert(expected.end(), content.begin(), content.end());
  }
  std::string archive = dir.file("archive");
  stream s = create_write_stream(archive.c_str());
  ASSERT_NE(s, NO_STREAM);
  for (size_t i = 0; i < sizes.size(); ++i) {
    ASSERT_EQ(write_u32(s, (uint32_t)sizes[i]), 0);
    ASSERT_EQ(copy_listed_file(paths[i].c_str(), (uint32_t)sizes[i], s), 0) << sizes[i];
  }
  ASSERT_EQ(close_write_stream(s), 0);
  EXPECT_EQ(read_file(archive), expected);

  // Grown, shrunk or gone, small or large, copied or only read: 1, and the stream given up.
  for (size_t size : {(size_t)5, (size_t)70000}) {
    SCOPED_TRACE(size);
    std::string path = dir.file("changing");
    write_file(path, counting_bytes(size));
    EXPECT_EQ(copy_listed_file(path.c_str(), (uint32_t)size, NO_STREAM), 0);
    EXPECT_EQ(copy_listed_file(path.c_str(), (uint32_t)size - 1, NO_STREAM), 1);
    EXPECT_EQ(copy_listed_file(path.c_str(), (uint32_t)size + 1, NO_STREAM), 1);
    for (uint32_t listed : {(uint32_t)size - 1, (uint32_t)size + 1}) {
      s = create_write_stream(dir.file("partial").c_str());
      ASSERT_NE(s, NO_STREAM);
      EXPECT_EQ(copy_listed_file(path.c_str(), listed, s), 1);
      discard_write_stream();
    }
  }
  EXPECT_EQ(copy_listed_file(dir.file("gone").c_str(), 5, NO_STREAM), 1);
  // A write stream that is not open any more takes nothing.
  EXPECT_EQ(copy_listed_file(paths[0].c_str(), 5, s), 2);
  EXPECT_EQ(temporary_files(dir.path()), names{});
  EXPECT_FALSE(fs::exists(dir.file("partial")));
}

// Records of an archive copied out of the read stream: small ones that the read buffer holds
// only in part, one larger than the buffer, large ones copied in one piece, and one dropped;
// the byte traffic after each record goes on where the record ended.
TEST(Streams, RecordsAcrossTheReadBuffer) {
  scratch_dir dir("streams-records");
  std::vector<size_t> sizes;
  for (int i = 0; i < 50; ++i) sizes.push_back(7000 + (size_t)i * 211);
  sizes.push_back(300000);
  sizes.push_back(1);
  sizes.push_back(100000);
  sizes.push_back(0);
  sizes.push_back(262143);
  bytes image;
  std::vector<bytes> contents;
  for (size_t i = 0; i < sizes.size(); ++i) {
    put32(image, (uint32_t)sizes[i]);
    bytes content = counting_bytes(sizes[i] + 3 * i);
    content.resize(sizes[i]);
    image.insert(image.end(), content.begin(), content.end());
    contents.push_back(content);
  }
  std::string archive = dir.file("image");
  write_file(archive, image);
  stream in = open_read_stream(archive.c_str());
  ASSERT_NE(in, NO_STREAM);
  for (size_t i = 0; i < sizes.size(); ++i) {
    uint32_t size = 0;
    ASSERT_EQ(read_u32(in, &size), 0) << i;
    ASSERT_EQ(size, sizes[i]);
    if (i == 7) {
      ASSERT_EQ(copy_stream_bytes(in, NO_STREAM, size), 0);
      continue;
    }
    std::string out = dir.file("out" + std::to_string(i));
    stream s = create_write_stream(out.c_str());
    ASSERT_EQ(copy_stream_bytes(in, s, size), 0) << i;
    ASSERT_EQ(close_write_stream(s), 0);
    EXPECT_EQ(read_file(out), contents[i]) << i;
  }
  uint8_t byte;
  EXPECT_EQ(read_byte(in, &byte), 1);  // the end, and the stream closed by it

  // A record cut short: 1, and the read stream is closed.
  image.resize(image.size() - 10);
  write_file(archive, image);
  in = open_read_stream(archive.c_str());
  uint32_t size = 0;
  for (size_t i = 0; i + 1 < sizes.size(); ++i) {
    ASSERT_EQ(read_u32(in, &size), 0);
    ASSERT_EQ(copy_stream_bytes(in, NO_STREAM, size), 0);
  }
  ASSERT_EQ(read_u32(in, &size), 0);
  stream s = create_write_stream(dir.file("cut").c_str());
  EXPECT_EQ(copy_stream_bytes(in, s, size), 1);
  discard_write_stream();
  EXPECT_EQ(close_read_stream(in), 1);
  EXPECT_FALSE(fs::exists(dir.file("cut")));
}

// open_write_stream looks the name up: without `replace` anything under the name is taken and
// nothing is made; with it a read-only file refuses, a writable one is replaced in the end.
TEST(Streams, OpenWriteStreamAnswersForTheName) {
  scratch_dir dir("streams-open");
  std::string file = dir.file("file");
  write_file(file, text_bytes("old"));
  fs::create_directory(dir.file("folder"));
  std::vector<std::string> taken = {file, dir.file("folder")};
  if (!on_windows()) {
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    taken.push_back(dir.file("dangling"));
  }
  for (const std::string &name : taken) {
    stream s = NO_STREAM;
    EXPECT_EQ(open_write_stream(name.c_str(), 0, &s), 2) << name;
    EXPECT_EQ(s, NO_STREAM);
  }
  stream s = NO_STREAM;
  EXPECT_EQ(open_write_stream("", 0, &s), 1);
  ASSERT_EQ(open_write_stream(dir.file("new").c_str(), 0, &s), 0);
  write_byte(s, 'n');
  ASSERT_EQ(finish_write_stream(s), 0);
  EXPECT_EQ(commit_write_stream(0, 0), 0);
  EXPECT_EQ(read_file(dir.file("new")), text_bytes("n"));

  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(open_write_stream(file.c_str(), 1, &s), 1);
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  ASSERT_EQ(open_write_stream(file.c_str(), 1, &s), 0);
  write_byte(s, 'r');
  ASSERT_EQ(finish_write_stream(s), 0);
  EXPECT_EQ(read_file(file), text_bytes("old"));
  EXPECT_EQ(commit_write_stream(1, 0), 0);
  EXPECT_EQ(read_file(file), text_bytes("r"));
  if (!on_windows()) {
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
  }
  EXPECT_EQ(temporary_files(dir.path()), names{});
}

// The file that the read stream protects is never replaced, under any name that leads to it;
// once the stream is closed, the protection ends with it.
TEST(Streams, TheProtectedReadFileIsNeverReplaced) {
  scratch_dir dir("streams-protect");
  std::string file = dir.file("read"), twin = dir.file("twin"), other = dir.file("other");
  write_file(file, text_bytes("being read"));
  fs::create_hard_link(file, twin);
  write_file(other, text_bytes("other"));
  stream in = open_read_stream(file.c_str());
  ASSERT_NE(in, NO_STREAM);
  EXPECT_EQ(name_is_read_file(file.c_str()), 0);  // not protected yet
  ASSERT_EQ(protect_read_file(in), 0);
  for (const std::string &name : {file, twin}) {
    stream s = NO_STREAM;
    EXPECT_EQ(open_write_stream(name.c_str(), 1, &s), 2) << name;
    EXPECT_EQ(s, NO_STREAM);
    EXPECT_EQ(name_is_read_file(name.c_str()), 1) << name;
  }
  EXPECT_EQ(name_is_read_file(other.c_str()), 0);
  EXPECT_EQ(name_is_read_file(dir.file("none").c_str()), 0);
  stream s = NO_STREAM;
  ASSERT_EQ(open_write_stream(other.c_str(), 1, &s), 0);
  discard_write_stream();
  EXPECT_EQ(close_read_stream(in), 0);
  EXPECT_EQ(name_is_read_file(file.c_str()), 0);
  ASSERT_EQ(open_write_stream(twin.c_str(), 1, &s), 0);
  discard_write_stream();
  EXPECT_EQ(read_file(file), text_bytes("being read"));
  EXPECT_EQ(temporary_files(dir.path()), names{});
}

// Whichever way the file is written and however its commit ends, the stopping signals are let
// through again afterwards: a file created under a temporary name, an unnamed file linked under
// one to replace a file, a move that fails onto a folder, a commit that only takes a free name.
TEST(Streams, StopSignalsAreLetThroughAfterEveryCommit) {
  scratch_dir dir("streams-signals");
  ASSERT_EQ(held_stop_signals(), "");
  for (int temporary : ways_to_write()) {
    SCOPED_TRACE(temporary ? "temporary names" : "the system's own way");
    refuse_unnamed_files(temporary);
#if defined(VORAX_FAULT_INJECTION) && !defined(_WIN32)
    // While a file under a temporary name is created the signals wait, so that a stop finds the
    // new file guarded and removes it.
    if (temporary) {
      static std::string held_at_create;
      held_at_create = "not reached";
      fault_plan_action(FAULT_CREATE, 1, [] { held_at_create = held_stop_signals(); });
      stream t = create_write_stream(dir.file("held").c_str());
      fault_plan(FAULT_OPEN, 0);
      ASSERT_NE(t, NO_STREAM);
      discard_write_stream();
      EXPECT_EQ(held_at_create, "INT TERM HUP ");
    }
#endif
    std::string old = dir.file("old");
    write_file(old, text_bytes("old"));
    stream s = NO_STREAM;
    ASSERT_EQ(open_write_stream(old.c_str(), 1, &s), 0);
    EXPECT_EQ(held_stop_signals(), "") << "after the create";
    write_u16(s, 0x6E65);
    ASSERT_EQ(finish_write_stream(s), 0);
    EXPECT_EQ(commit_write_stream(1, 0), 0);
    EXPECT_EQ(held_stop_signals(), "") << "after replacing a file";
    EXPECT_EQ(read_file(old), text_bytes("en"));

    ASSERT_EQ(open_write_stream(old.c_str(), 1, &s), 0);
    ASSERT_EQ(finish_write_stream(s), 0);
    EXPECT_EQ(commit_write_stream(1, 1), 0);
    EXPECT_EQ(held_stop_signals(), "") << "after replacing a file durably";
    EXPECT_EQ(read_file(old), bytes{});

    ASSERT_EQ(open_write_stream(dir.file("new").c_str(), 0, &s), 0);
    ASSERT_EQ(finish_write_stream(s), 0);
    EXPECT_EQ(commit_write_stream(0, 0), 0);
    EXPECT_EQ(held_stop_signals(), "") << "after taking a free name";

    fs::create_directory(dir.file("folder"));
    s = create_write_stream(dir.file("folder").c_str());
    ASSERT_NE(s, NO_STREAM);
    write_byte(s, 'z');
    EXPECT_EQ(close_write_stream(s), 1);
    EXPECT_EQ(held_stop_signals(), "") << "after a move that failed";
    fs::remove(dir.file("folder"));
    fs::remove(dir.file("new"));
    EXPECT_EQ(temporary_files(dir.path()), names{});
  }
  refuse_unnamed_files(0);
}

// 16- and 32-bit values written at every position around the end of a 4096-byte block reach
// the file byte for byte, little-endian, also when a block is written out between their bytes.
TEST(Streams, ValuesAcrossTheBlockEdge) {
  scratch_dir dir("streams-values");
  std::string path = dir.file("values");
  for (size_t before : {0, 4090, 4091, 4092, 4093, 4094, 4095, 4096, 4097}) {
    SCOPED_TRACE(before);
    bytes expected = counting_bytes(before);
    stream s = create_write_stream(path.c_str());
    ASSERT_NE(s, NO_STREAM);
    for (uint8_t byte : expected) ASSERT_EQ(write_byte(s, byte), 0);
    ASSERT_EQ(write_u32(s, 0x04030201u), 0);
    ASSERT_EQ(write_u16(s, 0x0605), 0);
    ASSERT_EQ(write_u32(s, 0x8A898887u), 0);
    ASSERT_EQ(write_u16(s, 0xFEFD), 0);
    ASSERT_EQ(write_u32(s, 0xFFFFFFFFu), 0);
    ASSERT_EQ(close_write_stream(s), 0);
    bytes tail = hex_bytes("01 02 03 04 05 06 87 88 89 8A FD FE FF FF FF FF");
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(read_file(path), expected);
  }
}

// Small listed files gathered in the write buffer up to its very end: the last file ends one
// byte before the end of the buffer (the byte that tells whether it grew still fits), exactly at
// it or one byte past it, and the values written after it cross the end. The archive holds every
// byte in order. The same last file grown by one byte is refused; the sanitizer build catches a
// byte read or written past the buffer.
TEST(Streams, SmallFilesUpToTheEndOfTheWriteBuffer) {
  scratch_dir dir("streams-bulk-edge");
  const size_t bulk_area = 256 * 1024;
  const size_t filler_size = 60000;  // small: gathered in the buffer
  std::vector<bytes> fillers;
  for (int i = 0; i < 4; ++i) {
    bytes content = counting_bytes(filler_size + (size_t)i);
    content.erase(content.begin(), content.begin() + i);
    fillers.push_back(content);
    write_file(dir.file("filler" + std::to_string(i)), content);
  }
  const size_t before_last = 4 + 4 * filler_size;  // a value, then the four fillers
  std::string archive = dir.file("archive");
  std::string last_path = dir.file("last");
  for (size_t end : {bulk_area - 3, bulk_area - 2, bulk_area - 1, bulk_area, bulk_area + 1}) {
    for (size_t grown : {0, 1}) {
      SCOPED_TRACE(std::to_string(end) + (grown ? ", grown" : ""));
      const size_t last_size = end - before_last;
      bytes last = counting_bytes(last_size + grown + 11);
      last.erase(last.begin(), last.begin() + 11);
      write_file(last_path, last);

      bytes expected = hex_bytes("44 33 22 11");
      stream s = create_write_stream(archive.c_str());
      ASSERT_NE(s, NO_STREAM);
      ASSERT_EQ(write_u32(s, 0x11223344u), 0);
      for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(copy_listed_file(dir.file("filler" + std::to_string(i)).c_str(),
                                   (uint32_t)filler_size, s), 0);
        expected.insert(expected.end(), fillers[i].begin(), fillers[i].end());
      }
      if (grown) {
        EXPECT_EQ(copy_listed_file(last_path.c_str(), (uint32_t)last_size, s), 1);
        discard_write_stream();
        continue;
      }
      ASSERT_EQ(copy_listed_file(last_path.c_str(), (uint32_t)last_size, s), 0);
      expected.insert(expected.end(), last.begin(), last.end());
      // Values and bytes after it, across the end of the buffer, and one more small file.
      ASSERT_EQ(write_u32(s, 0xA4A3A2A1u), 0);
      ASSERT_EQ(write_u16(s, 0xB2B1), 0);
      for (uint8_t byte = 0xC0; byte < 0xC5; ++byte) ASSERT_EQ(write_byte(s, byte), 0);
      bytes tail = hex_bytes("A1 A2 A3 A4 B1 B2 C0 C1 C2 C3 C4");
      expected.insert(expected.end(), tail.begin(), tail.end());
      ASSERT_EQ(copy_listed_file(dir.file("filler0").c_str(), (uint32_t)filler_size, s), 0);
      expected.insert(expected.end(), fillers[0].begin(), fillers[0].end());
      ASSERT_EQ(close_write_stream(s), 0);
      bytes written = read_file(archive);
      ASSERT_EQ(written.size(), expected.size());
      EXPECT_TRUE(written == expected);
    }
  }
  EXPECT_EQ(temporary_files(dir.path()), names{});
}

// A stream that is given up takes nothing more: every operation on it answers 1, as on a handle
// that never was a stream, and touches no file.
TEST(Streams, GivenUpStreamsTakeNothing) {
  scratch_dir dir("streams-given-up");
  struct operation {
    const char *name;
    int (*call)(stream s);
  };
  const operation operations[] = {
      {"write_byte", [](stream s) { return write_byte(s, 1); }},
      {"write_u16", [](stream s) { return write_u16(s, 0x0201); }},
      {"write_u32", [](stream s) { return write_u32(s, 0x04030201u); }},
      {"set_write_stream_time", [](stream s) { return set_write_stream_time(s, IMAGE_STAMP); }},
      {"finish_write_stream", [](stream s) { return finish_write_stream(s); }},
      {"commit_write_stream", [](stream) { return commit_write_stream(1, 0); }},
      {"close_write_stream", [](stream s) { return close_write_stream(s); }},
  };
  std::string path = dir.file("file");
  for (const operation &op : operations) {
    SCOPED_TRACE(op.name);
    stream s = create_write_stream(path.c_str());
    ASSERT_NE(s, NO_STREAM);
    discard_write_stream();
    EXPECT_EQ(op.call(s), 1);
    EXPECT_EQ(op.call(NO_STREAM), 1);
    EXPECT_EQ(list_names(dir.path()), names{});
  }

  // A stream opened while another is open gives the other up: its file goes, its handle is
  // closed, and only the newer file takes its name.
  for (int temporary : ways_to_write()) {
    SCOPED_TRACE(temporary ? "temporary names" : "the system's own way");
    refuse_unnamed_files(temporary);
#ifdef VORAX_FAULT_INJECTION
    const long open_before = fault_open_files();
#endif
    stream older = create_write_stream(dir.file("older").c_str());
    ASSERT_NE(older, NO_STREAM);
    write_byte(older, 'o');
    stream newer = create_write_stream(path.c_str());
    ASSERT_NE(newer, NO_STREAM);
    write_byte(newer, 'n');
    EXPECT_EQ(close_write_stream(newer), 0);
#ifdef VORAX_FAULT_INJECTION
    EXPECT_EQ(fault_open_files(), open_before);
#endif
    EXPECT_EQ(list_names(dir.path()), names{"file"});
    fs::remove(path);
  }
  refuse_unnamed_files(0);
}

// The last-write time set on an open stream is the file's time once it is in place: the bytes
// that wait are written before the time is set, so no later write moves it.
TEST(Streams, LastWriteTimeOutlastsTheCommit) {
  scratch_dir dir("streams-time");
  for (int temporary : ways_to_write()) {
    SCOPED_TRACE(temporary ? "temporary names" : "the system's own way");
    refuse_unnamed_files(temporary);
    for (int durable = 0; durable < 2; ++durable) {
      std::string path = dir.file("timed" + std::to_string(temporary) + std::to_string(durable));
      stream s = NO_STREAM;
      ASSERT_EQ(open_write_stream(path.c_str(), 1, &s), 0);
      ASSERT_EQ(write_u32(s, 0x64636261u), 0);
      ASSERT_EQ(set_write_stream_time(s, IMAGE_STAMP), 0);
      ASSERT_EQ(finish_write_stream(s), 0);
      ASSERT_EQ(commit_write_stream(0, durable), 0);
      EXPECT_EQ(read_file(path), text_bytes("abcd"));
      EXPECT_EQ(stamp_of(path), IMAGE_STAMP);
    }
  }
  refuse_unnamed_files(0);
}

// Temporary names that another run holds are skipped: the next number is tried, and the files
// under the taken names stay as they are. Only where files are written under temporary names.
TEST(Streams, TakenTemporaryNamesAreSkipped) {
#ifndef VORAX_FAULT_INJECTION
  if (!on_windows()) GTEST_SKIP() << "files are written without a name here";
#endif
  scratch_dir dir("streams-taken");
  refuse_unnamed_files(1);
  std::string path = dir.file("target");
  // The number the next stream would take, read off the name that this one got.
  stream s = create_write_stream(path.c_str());
  ASSERT_NE(s, NO_STREAM);
  names temp = temporary_files(dir.path());
  ASSERT_EQ(temp.size(), 1u);
  std::string name = temp[0].substr(temp[0].size() - 5);
  unsigned number = (unsigned)std::stoul(name, nullptr, 16);
  discard_write_stream();
  // That name and the next three are taken now (a run that counted as this one did would try
  // that name again).
  names taken;
  for (unsigned k = 0; k <= 3; ++k) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%05x", (number + k) & 0xFFFFFu);
    taken.push_back(std::string(".vx") + hex);
    write_file(dir.file(taken.back()), text_bytes("another run's"));
  }
  s = create_write_stream(path.c_str());
  ASSERT_NE(s, NO_STREAM);
  write_byte(s, 'n');
  EXPECT_EQ(temporary_files(dir.path()).size(), 5u);
  EXPECT_EQ(close_write_stream(s), 0);
  refuse_unnamed_files(0);
  EXPECT_EQ(read_file(path), text_bytes("n"));
  std::sort(taken.begin(), taken.end());
  EXPECT_EQ(temporary_files(dir.path()), taken);
  for (const std::string &file : taken) {
    EXPECT_EQ(read_file(dir.file(file)), text_bytes("another run's"));
  }
}

// A temporary name that does not fit the name buffer is refused, never cut: in a folder whose
// path leaves no room for it, nothing is created, also when the final name itself fits.
TEST(Streams, TemporaryNamesThatDoNotFitAreRefused) {
#ifndef VORAX_FAULT_INJECTION
  GTEST_SKIP() << "only the fault build can make this system write under temporary names";
#else
  if (on_windows()) GTEST_SKIP() << "Windows refuses such long paths itself";
  scratch_dir dir("streams-long");
  // A folder path of 252 characters: the final name "/a" fits, ".vx" and five digits do not.
  std::string folder = dir.path();
  while (folder.size() < 252) {
    size_t part = std::min<size_t>(100, 252 - folder.size() - 1);
    if (part == 0) part = 1;
    folder = join(folder, std::string(part, 'f'));
    fs::create_directory(folder);
  }
  ASSERT_EQ(folder.size(), 252u);
  std::string path = join(folder, "a");
  refuse_unnamed_files(1);
  stream s = NO_STREAM;
  EXPECT_EQ(open_write_stream(path.c_str(), 1, &s), 1);
  EXPECT_EQ(s, NO_STREAM);
  refuse_unnamed_files(0);
  EXPECT_EQ(list_names(folder), names{});
  EXPECT_EQ(temporary_files(dir.path()), names{});
  // Without a temporary name a free name is taken; a file that stands there cannot be
  // replaced, for the move would need one.
  ASSERT_EQ(open_write_stream(path.c_str(), 1, &s), 0);
  write_byte(s, 'n');
  EXPECT_EQ(close_write_stream(s), 0);
  EXPECT_EQ(read_file(path), text_bytes("n"));
  s = create_write_stream(path.c_str());
  ASSERT_NE(s, NO_STREAM);
  write_byte(s, 'r');
  EXPECT_EQ(close_write_stream(s), 1);
  EXPECT_EQ(read_file(path), text_bytes("n"));
  EXPECT_EQ(temporary_files(dir.path()), names{});
#endif
}

#ifdef VORAX_FAULT_INJECTION
// Every system call of a stream's life failed in turn (once, and from then on), for both ways of
// writing: onto a free name, over a file, over a file made after the stream was opened, plainly
// and durably. The answer is 0 with the new file in place (a close that fails once the file has
// its name loses nothing), 2 when the name was taken meanwhile and nothing may be replaced, or 1;
// whenever it is not 0, the name holds what it held before. No temporary file, no open handle
// and no held signal remain.
TEST(Streams, EveryFailingCallOfAStream) {
  struct situation {
    const char *label;
    bool before;     // a file stands under the name when the stream is opened
    bool meanwhile;  // one is made there after the stream was opened
    int replace;
    int durable;
  };
  const situation situations[] = {
      {"a free name", false, false, 0, 0},
      {"a free name, durably", false, false, 0, 1},
      {"a free name that may be replaced", false, false, 1, 0},
      {"over a file", true, false, 1, 0},
      {"over a file, durably", true, false, 1, 1},
      {"over a file made meanwhile", false, true, 1, 0},
      {"over a file made meanwhile, durably", false, true, 1, 1},
      {"onto a name taken meanwhile", false, true, 0, 0},
  };
  scratch_dir dir("streams-every-call");
  const std::string path = dir.file("target");
  const bytes old_content = text_bytes("old"), new_content = text_bytes("neew");
  for (int temporary : {0, 1}) {
    refuse_unnamed_files(temporary);
    for (const situation &at : situations) {
      // The answer of the whole run; *time_rc the answer of setting the time (-1 when that step
      // was not reached); had_file tells whether a file stood under the name at the commit.
      bool had_file = false;
      auto run = [&](int *time_rc) {
        *time_rc = -1;
        fs::remove(path);
        had_file = at.before;
        if (at.before) write_file(path, old_content);
        stream s = NO_STREAM;
        int rc = open_write_stream(path.c_str(), at.replace, &s);
        EXPECT_EQ(rc == 0, s != NO_STREAM) << "open_write_stream answered " << rc;
        if (rc != 0) return rc;
        if (at.meanwhile) write_file(path, old_content);
        had_file = had_file || at.meanwhile;
        if (write_u32(s, 0x7765656Eu) != 0 ||
            (*time_rc = set_write_stream_time(s, IMAGE_STAMP)) != 0 ||
            finish_write_stream(s) != 0) {
          discard_write_stream();
          return 1;
        }
        return commit_write_stream(at.replace, at.durable);
      };
      const bool taken = at.meanwhile && !at.replace;
      int time_rc = 0;
      fault_plan(FAULT_OPEN, 0);
      ASSERT_EQ(run(&time_rc), taken ? 2 : 0) << at.label;
      long calls[FAULT_KIND_COUNT];
      for (int k = 0; k < FAULT_KIND_COUNT; ++k) calls[k] = fault_calls((fault_kind)k);
      // The data goes to the disk once, before it replaces a file or when asked to, else never.
      EXPECT_EQ(calls[FAULT_FLUSH], (at.durable || (at.replace && had_file)) ? 1 : 0) << at.label;
      for (int k = 0; k < FAULT_KIND_COUNT; ++k) {
        for (int lasting = 0; lasting < 2; ++lasting) {
          for (long n = 1; n <= calls[k]; ++n) {
            SCOPED_TRACE(std::string(temporary ? "temporary names, " : "") + at.label +
                         ": kind " + std::to_string(k) + ", call " + std::to_string(n) +
                         (lasting ? " and later" : ""));
            const long open_before = fault_open_files();
            if (lasting) {
              fault_plan_from((fault_kind)k, n);
            } else {
              fault_plan((fault_kind)k, n);
            }
            const int rc = run(&time_rc);
            fault_plan(FAULT_OPEN, 0);
            if (k == FAULT_SET_TIME) {
              EXPECT_EQ(time_rc, 1);
            }
            EXPECT_EQ(fault_open_files(), open_before) << "handles left open";
            // A failed release of the hold leaves the signals held: that call alone is let off.
            if (k == FAULT_SIGNALS) {
              release_stop_signals();
            } else {
              EXPECT_EQ(held_stop_signals(), "");
            }
            // A temporary name that could not be removed stays; every other run leaves none.
            if (k == FAULT_REMOVE) {
              for (const std::string &name : temporary_files(dir.path())) {
                fs::remove(dir.file(name));
              }
            }
            EXPECT_EQ(temporary_files(dir.path()), names{});
            if (rc == 0) {
              EXPECT_FALSE(taken);
              EXPECT_EQ(read_file(path), new_content);
              EXPECT_EQ(stamp_of(path), IMAGE_STAMP);
            } else {
              EXPECT_TRUE(rc == 1 || (rc == 2 && taken)) << rc;
              if (had_file) {
                EXPECT_EQ(read_file(path), old_content);
              } else {
                EXPECT_FALSE(fs::exists(path));
              }
            }
          }
        }
      }
    }
  }
  refuse_unnamed_files(0);
}
#endif
