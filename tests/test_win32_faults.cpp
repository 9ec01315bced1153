// Every answer of the Windows layer to a failing system call, provoked through the fault plan
// (the Windows build with fault injection, run under Wine): what each error tells the layer,
// the fallbacks it takes, and that no handle stays open.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include <windows.h>

#include "platform/faults.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace {

fault_way way_of(fault_effect effect, DWORD error) {
  fault_way way = {};
  way.effect = effect;
  way.error = (int)error;
  return way;
}
fault_way fails(DWORD error) { return way_of(FAULT_FAILS, error); }
const fault_way SHORT_COUNT = way_of(FAULT_SHORT, 0);
const fault_way NOTHING_MOVED = way_of(FAULT_NOTHING, 0);
const fault_way NO_FAULT = way_of(FAULT_NONE, 0);

// One planned fault: the nth call of a kind, in a way, once or lasting (none when nth is 0).
struct planned {
  fault_kind kind;
  long nth;
  fault_way way;
  int lasting;
};
const planned none = {FAULT_OPEN, 0, NO_FAULT, 0};

// Plans `p` and, counted from the same start, `then`.
void plan(const planned &p, const planned &then = none) {
  fault_plan_way(p.kind, p.nth, p.way, p.lasting);
  fault_plan_also(then.kind, then.nth, then.way, then.lasting);
}
void plan_nothing(void) { fault_plan(FAULT_OPEN, 0); }

std::string trace(const planned &p) {
  return "kind " + std::to_string(p.kind) + " call " + std::to_string(p.nth) + " effect " +
         std::to_string(p.way.effect) + " error " + std::to_string(p.way.error) +
         (p.lasting ? " lasting" : "");
}

}  // namespace

// A lookup opens the name for its attributes alone and asks the handle; what a failure of either
// says decides the answer: nothing there, a name the system cannot hold, or (for any other error)
// a look at the attributes alone, which tells the state but neither the size nor the identity.
TEST(PlatformFaultsWindows, LookUpTellsWhatEachErrorSays) {
  scratch_dir dir("win-fault-lookup");
  const std::string file = dir.file("a.fz2");
  const std::string locked = dir.file("r.fz2");
  const std::string folder = make_folder(dir, "d");
  write_file(file, text_bytes("abc"));
  write_file(locked, text_bytes("abc"));
  ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  struct {
    planned fault, then;
    const std::string *path;
    int state;
    int read_only;
    uint64_t size;
    int known;  // the identity
  } cases[] = {
      {{FAULT_STAT, 1, fails(ERROR_FILE_NOT_FOUND), 0}, none, &file, NAME_FREE, 0, 0, 0},
      {{FAULT_STAT, 1, fails(ERROR_PATH_NOT_FOUND), 0}, none, &file, NAME_FREE, 0, 0, 0},
      {{FAULT_STAT, 1, fails(ERROR_INVALID_NAME), 0}, none, &file, NAME_INVALID, 0, 0, 0},
      {{FAULT_STAT, 1, fails(ERROR_FILENAME_EXCED_RANGE), 0}, none, &file, NAME_INVALID, 0, 0, 0},
      {{FAULT_STAT, 1, fails(ERROR_ACCESS_DENIED), 0}, none, &file, NAME_FILE, 0, 0, 0},
      {{FAULT_STAT, 1, fails(ERROR_SHARING_VIOLATION), 0}, none, &locked, NAME_FILE, 1, 0, 0},
      {{FAULT_STAT, 1, fails(ERROR_SHARING_VIOLATION), 0}, none, &folder, NAME_OTHER, 0, 0, 0},
      {{FAULT_STAT, 1, fails(ERROR_ACCESS_DENIED), 0},
       {FAULT_STAT, 2, fails(ERROR_FILE_NOT_FOUND), 0}, &file, NAME_FREE, 0, 0, 0},
      {{FAULT_STAT, 1, fails(ERROR_ACCESS_DENIED), 1}, none, &file, NAME_UNKNOWN, 0, 0, 0},
      // The handle opened, but it cannot be asked: closed again, and the attributes looked at.
      {{FAULT_STAT, 2, fails(ERROR_ACCESS_DENIED), 0}, none, &locked, NAME_FILE, 1, 0, 0},
      {{FAULT_STAT, 2, fails(ERROR_FILE_NOT_FOUND), 0}, none, &file, NAME_FREE, 0, 0, 0},
      // What the ask said counts, not what the close after it said.
      {{FAULT_STAT, 2, fails(ERROR_FILE_NOT_FOUND), 0},
       {FAULT_CLOSE, 1, fails(ERROR_INVALID_HANDLE), 0}, &file, NAME_FREE, 0, 0, 0},
      // A close that fails after the handle told everything changes nothing.
      {{FAULT_CLOSE, 1, fails(ERROR_INVALID_HANDLE), 0}, none, &file, NAME_FILE, 0, 3, 1},
      {none, none, &locked, NAME_FILE, 1, 3, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(trace(c.fault) + " then " + trace(c.then) + " on " + *c.path);
    long open_before = fault_open_files();
    plan(c.fault, c.then);
    plat_name_facts facts;
    EXPECT_EQ(plat_look_up_file(c.path->c_str(), &facts), c.state);
    plan_nothing();
    EXPECT_EQ(facts.state, c.state);
    EXPECT_EQ(facts.read_only, c.read_only);
    EXPECT_EQ(facts.size, c.size);
    EXPECT_EQ(facts.id.known, c.known);
    EXPECT_EQ(fault_open_files(), open_before);
  }

  // The identities and the read-only attribute are not known when the system cannot be asked.
  plat_file_id id;
  plan({FAULT_STAT, 1, fails(ERROR_ACCESS_DENIED), 0});
  EXPECT_EQ(plat_path_identity(file.c_str(), &id), 1);
  EXPECT_EQ(id.known, 0);
  plan({FAULT_STAT, 2, fails(ERROR_ACCESS_DENIED), 0});
  EXPECT_EQ(plat_path_identity(file.c_str(), &id), 1);
  plan({FAULT_STAT, 1, fails(ERROR_ACCESS_DENIED), 0});
  EXPECT_EQ(plat_is_read_only(locked.c_str()), 0);
  plan_nothing();
  EXPECT_EQ(plat_is_read_only(locked.c_str()), 1);
  plat_file open = plat_open_read(file.c_str());
  ASSERT_NE(open, PLAT_NO_FILE);
  plan({FAULT_STAT, 1, fails(ERROR_ACCESS_DENIED), 0});
  EXPECT_EQ(plat_file_identity(open, &id), 1);
  EXPECT_EQ(id.known, 0);
  plan_nothing();
  EXPECT_EQ(plat_file_identity(open, &id), 0);
  EXPECT_EQ(id.known, 1);
  EXPECT_EQ(plat_close(open), 0);
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Opening asks the handle's type: a handle whose type cannot be told is closed again. A create, a
// close and a flush that fail say so; a failed close has released the handle all the same.
TEST(PlatformFaultsWindows, OpensCreatesClosesAndFlushes) {
  scratch_dir dir("win-fault-open");
  const std::string file = dir.file("a.fz2");
  write_file(file, text_bytes("abc"));
  const planned opens[] = {
      {FAULT_OPEN, 1, fails(ERROR_ACCESS_DENIED), 1},
      {FAULT_OPEN, 1, fails(ERROR_SHARING_VIOLATION), 1},
      {FAULT_STAT, 1, fails(ERROR_INVALID_HANDLE), 1},
  };
  long open_before = fault_open_files();
  for (const planned &p : opens) {
    SCOPED_TRACE(trace(p));
    plan(p);
    EXPECT_EQ(plat_open_read(file.c_str()), PLAT_NO_FILE);
    EXPECT_EQ(plat_open_listed(file.c_str()), PLAT_NO_FILE);
    EXPECT_EQ(fault_calls(p.kind), 2);
    plan_nothing();
    EXPECT_EQ(fault_open_files(), open_before);
  }

  const std::string made = dir.file("new.fz2");
  plan({FAULT_CREATE, 1, fails(ERROR_FILE_EXISTS), 0});
  EXPECT_EQ(plat_create_new(made.c_str()), PLAT_NO_FILE);
  plan_nothing();
  EXPECT_FALSE(fs::exists(made));
  plat_file out = plat_create_new(made.c_str());
  ASSERT_NE(out, PLAT_NO_FILE);
  plan({FAULT_FLUSH, 1, fails(ERROR_WRITE_FAULT), 0});
  EXPECT_EQ(plat_flush(out), 1);
  plan_nothing();
  EXPECT_EQ(plat_flush(out), 0);
  plan({FAULT_CLOSE, 1, fails(ERROR_INVALID_HANDLE), 0});
  EXPECT_EQ(plat_close(out), 1);
  plan_nothing();
  EXPECT_EQ(fault_open_files(), open_before);
  EXPECT_TRUE(fs::remove(made));  // closed: nothing holds it
}

// Reads go on after a short count and tell what arrived before a failure; nothing read is the
// end of the file. Writes go on after a short count; one that moves nothing fails rather than
// spin.
TEST(PlatformFaultsWindows, ReadsAndWritesAnswerEveryCount) {
  scratch_dir dir("win-fault-io");
  const std::string path = dir.file("a.bin");
  const std::string text = "0123456789";
  write_file(path, text_bytes(text));
  struct {
    planned fault, then;
    int rc;
    size_t got;  // of the 10 bytes, asking for 16
  } reads[] = {
      {{FAULT_READ, 1, SHORT_COUNT, 1}, none, 0, 10},
      {{FAULT_READ, 1, fails(ERROR_READ_FAULT), 0}, none, 1, 0},
      {{FAULT_READ, 1, SHORT_COUNT, 0}, {FAULT_READ, 2, fails(ERROR_READ_FAULT), 0}, 1, 8},
      {{FAULT_READ, 1, NOTHING_MOVED, 0}, none, 0, 0},
  };
  for (const auto &c : reads) {
    SCOPED_TRACE(trace(c.fault) + " then " + trace(c.then));
    plat_file file = plat_open_read(path.c_str());
    ASSERT_NE(file, PLAT_NO_FILE);
    char buffer[16];
    size_t got = 99;
    plan(c.fault, c.then);
    EXPECT_EQ(plat_read(file, buffer, sizeof buffer, &got), c.rc);
    plan_nothing();
    EXPECT_EQ(got, c.got);
    EXPECT_EQ(std::string(buffer, got), text.substr(0, got));
    EXPECT_EQ(plat_close(file), 0);
  }
  // One request: a short one is handed on as it came.
  plat_file file = plat_open_read(path.c_str());
  ASSERT_NE(file, PLAT_NO_FILE);
  char buffer[16];
  size_t got = 0;
  plan({FAULT_READ, 1, SHORT_COUNT, 0});
  EXPECT_EQ(plat_read_some(file, buffer, sizeof buffer, &got), 0);
  EXPECT_EQ(got, 8u);
  plan({FAULT_READ, 1, fails(ERROR_READ_FAULT), 0});
  EXPECT_EQ(plat_read_some(file, buffer, sizeof buffer, &got), 1);
  EXPECT_EQ(got, 0u);
  plan_nothing();
  EXPECT_EQ(plat_close(file), 0);

  struct {
    planned fault, then;
    int rc;
  } writes[] = {
      {{FAULT_WRITE, 1, SHORT_COUNT, 1}, none, 0},
      {{FAULT_WRITE, 1, fails(ERROR_DISK_FULL), 0}, none, 1},
      {{FAULT_WRITE, 1, NOTHING_MOVED, 0}, none, 1},
      {{FAULT_WRITE, 1, SHORT_COUNT, 0}, {FAULT_WRITE, 2, fails(ERROR_DISK_FULL), 0}, 1},
  };
  for (const auto &c : writes) {
    SCOPED_TRACE(trace(c.fault) + " then " + trace(c.then));
    std::string out = dir.file("out" + std::to_string(&c - writes));
    plat_file made = plat_create_new(out.c_str());
    ASSERT_NE(made, PLAT_NO_FILE);
    plan(c.fault, c.then);
    EXPECT_EQ(plat_write(made, text.data(), text.size()), c.rc);
    plan_nothing();
    EXPECT_EQ(plat_close(made), 0);
    if (c.rc == 0) {
      EXPECT_EQ(read_file(out), text_bytes(text));
    }
  }
}

// The search: a listing that the system says has ended hands out what it found; one that breaks
// off is reported; a folder that cannot be searched has no match; a search that fails before its
// first match hands none out and leaves no handle open.
TEST(PlatformFaultsWindows, SearchReportsWhatItCannotList) {
  scratch_dir dir("win-fault-search");
  for (const char *name : {"a.fz2", "b.fz2", "c.fz2"}) write_file(dir.file(name), text_bytes(name));
  const std::string pattern = dir.file("*.fz2");
  // "*" finds the folder's own entry "." first, which is passed over.
  const std::string everything = dir.file("*");
  struct {
    planned fault;
    const std::string *pattern;
    int first;    // plat_find_first's answer
    size_t found; // the matches handed out
    int last;     // the answer that ended the search
  } cases[] = {
      {none, &pattern, PLAT_FOUND, 3, PLAT_FOUND_NONE},
      {{FAULT_LIST, 1, fails(ERROR_NO_MORE_FILES), 0}, &pattern, PLAT_FOUND, 1, PLAT_FOUND_NONE},
      {{FAULT_LIST, 1, fails(ERROR_NETNAME_DELETED), 0}, &pattern, PLAT_FOUND, 1,
       PLAT_SEARCH_BROKEN},
      {{FAULT_LIST, 2, fails(ERROR_ACCESS_DENIED), 0}, &pattern, PLAT_FOUND, 2,
       PLAT_SEARCH_BROKEN},
      {{FAULT_LIST, 3, fails(ERROR_NETNAME_DELETED), 0}, &pattern, PLAT_FOUND, 3,
       PLAT_SEARCH_BROKEN},
      {{FAULT_LIST, 1, fails(ERROR_NO_MORE_FILES), 0}, &everything, PLAT_FOUND_NONE, 0, 0},
      {{FAULT_LIST, 1, fails(ERROR_NETNAME_DELETED), 0}, &everything, PLAT_SEARCH_BROKEN, 0, 0},
      {{FAULT_SEARCH, 1, fails(ERROR_ACCESS_DENIED), 0}, &pattern, PLAT_FOUND_NONE, 0, 0},
      {{FAULT_ALLOCATE, 1, fails(ERROR_NOT_ENOUGH_MEMORY), 0}, &pattern, PLAT_SEARCH_NO_MEMORY,
       0, 0},
      {{FAULT_CLOSE, 1, fails(ERROR_INVALID_HANDLE), 0}, &pattern, PLAT_FOUND, 3,
       PLAT_FOUND_NONE},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(trace(c.fault) + " over " + *c.pattern);
    long open_before = fault_open_files();
    plan(c.fault);
    plat_search search = nullptr;
    plat_found_file found;
    int first = plat_find_first(c.pattern->c_str(), &search, &found);
    EXPECT_EQ(first, c.first);
    size_t count = 0;
    if (first == PLAT_FOUND) {
      int more;
      do {
        ++count;
        more = plat_find_next(search, &found);
      } while (more == PLAT_FOUND);
      EXPECT_EQ(more, c.last);
      plat_find_close(search);
    } else {
      EXPECT_EQ(search, nullptr);
    }
    plan_nothing();
    EXPECT_EQ(count, c.found);
    EXPECT_EQ(fault_open_files(), open_before);
  }
}

// Times: a last-write time that cannot be converted to local time is taken as it is; one whose
// calendar cannot be told counts as a late one and is clamped. Setting a time fails when any
// reading of the zone that it needs fails, or the time cannot be set.
TEST(PlatformFaultsWindows, TimesThatCannotBeConverted) {
  scratch_dir dir("win-fault-time");
  const std::string path = dir.file("a.fz2");
  write_file(path, text_bytes("a"));
  ASSERT_TRUE(set_local_time(path, 0x3E4E, 0x53C0));
  ASSERT_EQ(stamp_of(path), 0x3E4E53C0u);
  // The stamp of the time as the system keeps it, not converted to local time.
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(path.c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  WORD universal_date = 0, universal_time = 0;
  ASSERT_TRUE(FileTimeToDosDateTime(&data.ftLastWriteTime, &universal_date, &universal_time));
  const uint32_t universal = (uint32_t)universal_date << 16 | universal_time;
  // The conversions: to a calendar, the rules of its year, to local time by them.
  const struct {
    long nth;
    uint32_t stamp;
    long calls;
  } reads[] = {
      {1, 0xFF9FBF7Du, 1},  // 2107-12-31 23:59:58
      {2, universal, 2},
      {3, universal, 3},
  };
  for (const auto &r : reads) {
    SCOPED_TRACE("local time call " + std::to_string(r.nth));
    plan({FAULT_LOCAL_TIME, r.nth, fails(ERROR_INVALID_PARAMETER), 0});
    EXPECT_EQ(stamp_of(path), r.stamp);
    EXPECT_EQ(fault_calls(FAULT_LOCAL_TIME), r.calls);
  }
  plan_nothing();

  // Every reading of the zone that setting a time needs (a day before, a day after, at the
  // moment) fails it and leaves the file's time as it was.
  ASSERT_TRUE(set_local_time(path, 0x3E4E, 0x53C0));
  const long calls = fault_calls(FAULT_LOCAL_TIME);
  EXPECT_GE(calls, 9);
  for (long nth = 1; nth <= calls; ++nth) {
    plan({FAULT_LOCAL_TIME, nth, fails(ERROR_INVALID_PARAMETER), 0});
    EXPECT_FALSE(set_local_time(path, 0x3E4F, 0x53C0)) << nth;
  }
  plan({FAULT_SET_TIME, 1, fails(ERROR_ACCESS_DENIED), 0});
  EXPECT_FALSE(set_local_time(path, 0x3E4F, 0x53C0));
  plan_nothing();
  EXPECT_EQ(stamp_of(path), 0x3E4E53C0u);
}

// Moving without replacing tells a taken name (in either of the two ways the system tells it)
// apart from a failure, and the file stays where it was; a failed move that replaces, a failed
// removal leave everything as it stood.
TEST(PlatformFaultsWindows, MovesAndRemovals) {
  scratch_dir dir("win-fault-moves");
  const std::string from = dir.file("from"), to = dir.file("to");
  struct {
    planned fault;
    bool to_taken;
    int rc;
  } moves[] = {
      {{FAULT_RENAME_NEW, 1, fails(ERROR_FILE_EXISTS), 0}, false, PLAT_NAME_TAKEN},
      {{FAULT_RENAME_NEW, 1, fails(ERROR_ALREADY_EXISTS), 0}, false, PLAT_NAME_TAKEN},
      {{FAULT_RENAME_NEW, 1, fails(ERROR_ACCESS_DENIED), 0}, false, PLAT_NAMING_FAILED},
      {none, true, PLAT_NAME_TAKEN},
      {none, false, PLAT_NAMED},
  };
  for (const auto &c : moves) {
    SCOPED_TRACE(trace(c.fault) + (c.to_taken ? ", the name taken" : ""));
    fs::remove(from);
    fs::remove(to);
    write_file(from, text_bytes("moved"));
    if (c.to_taken) write_file(to, text_bytes("stays"));
    plan(c.fault);
    EXPECT_EQ(plat_move_file_new(from.c_str(), to.c_str()), c.rc);
    plan_nothing();
    EXPECT_EQ(fs::exists(from), c.rc != PLAT_NAMED);
    EXPECT_EQ(read_file(to), text_bytes(c.to_taken ? "stays" : c.rc == PLAT_NAMED ? "moved" : ""));
  }
  write_file(from, text_bytes("new"));
  plan({FAULT_RENAME, 1, fails(ERROR_ACCESS_DENIED), 0});
  EXPECT_EQ(plat_replace_file(from.c_str(), to.c_str()), 1);
  plan({FAULT_REMOVE, 1, fails(ERROR_ACCESS_DENIED), 0});
  EXPECT_EQ(plat_remove_file(from.c_str()), 1);
  plan_nothing();
  EXPECT_EQ(read_file(from), text_bytes("new"));
  EXPECT_EQ(read_file(to), text_bytes("moved"));
  EXPECT_EQ(plat_replace_file(from.c_str(), to.c_str()), 0);
  EXPECT_EQ(read_file(to), text_bytes("new"));
}

// Memory: a global block whose allocation or lock fails is no block; the heap likewise.
TEST(PlatformFaultsWindows, MemoryThatCannotBeHad) {
  for (long nth : {1, 2}) {
    plan({FAULT_ALLOCATE, nth, fails(ERROR_NOT_ENOUGH_MEMORY), 0});
    EXPECT_EQ(plat_allocate_block(16), nullptr) << nth;
  }
  plan({FAULT_ALLOCATE, 1, fails(ERROR_NOT_ENOUGH_MEMORY), 0});
  EXPECT_EQ(plat_allocate_heap(16), nullptr);
  plan_nothing();
  void *block = plat_allocate_block(16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(fault_calls(FAULT_ALLOCATE), 2);  // allocated, then locked
  plat_release_block(block);
  block = plat_allocate_heap(16);
  ASSERT_NE(block, nullptr);
  plat_release_heap(block);
}
