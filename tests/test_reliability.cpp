// Both programs at the edges of the real system: names that are not plain files or cannot be
// looked up, an empty folder argument, what option O keeps of a replaced file, and a closed
// pipe as standard output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/faults.h"
#include "platform/platform.h"
#include "tests/test_support.h"
#include "util/stream.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

typedef program_run (*program_runner)(const std::vector<std::string> &, const std::string &);

struct program_under_test {
  const char *label;
  program_runner run;
  const char *program;
};

const program_under_test both_programs[] = {
    {"vorax", run_vorax_program, VORAX_PROGRAM},
    {"vorax-legacy", run_legacy_program, VORAX_LEGACY_PROGRAM},
};

struct special_case {
  const char *what;
  std::vector<std::string> args;  // "{dir}" stands for the scratch folder
  int status;
  std::string notice_end;         // the end of standard error (POSIX)
  bool posix_only;
  bool windows_only;
};

std::string in_dir(const std::string &arg, const std::string &dir) {
  std::string out = arg;
  size_t at = out.find("{dir}");
  if (at != std::string::npos) out.replace(at, 5, dir);
  return out;
}

}  // namespace

// Names that are not plain files, or that cannot be looked up: the command's own answer, never a
// hang, and nothing written where it should not be.
TEST(Reliability, SpecialNamesGetTheirOwnAnswers) {
  for (const program_under_test &program : both_programs) {
    scratch_dir dir("special");
    const std::string d = dir.path();
    const std::string sep(1, on_windows() ? '\\' : '/');
    std::string gfx = example_folder(dir);
    ASSERT_EQ(program.run({"V2", gfx, join(d, "train")}, "").status, 0);
    fs::create_directory(join(d, "folder.fz2"));
    write_file(join(join(d, "folder.fz2"), "inside"), text_bytes("x"));
#ifndef _WIN32
    ASSERT_EQ(mkfifo(join(d, "fifo.fz2").c_str(), 0644), 0);
    fs::create_directory_symlink(join(d, "loop"), join(d, "loop"));
#endif
    const std::string no_archive = notice("Error", "No archive file created");
    const special_case cases[] = {
        // An empty folder argument is not the root of the file system.
        {"empty folder, extract", {"X", "", join(d, "train.fz2")}, 1, "", false, false},
        {"empty folder, pack", {"S2", "", join(d, "land")}, 1, "", false, false},
        // An archive that is no regular file is not opened, and nothing waits for a writer.
        {"pipe as archive", {"X", join(d, "out"), join(d, "fifo.fz2")}, 1,
         notice("Error", "Archive file \"" + join(d, "fifo.fz2") + "\" not opened"), true, false},
        {"device as archive", {"X", join(d, "out"), "/dev/zero"}, 1,
         notice("Error", "Archive file \"/dev/zero\" not opened"), true, false},
        // A folder at the archive's name: not created, before anything is written.
        {"folder at the archive's name", {"V2", gfx, join(d, "folder"), "O"}, 2, no_archive, false,
         false},
        // Names that cannot be looked up are not "already there".
        {"archive in a loop of links", {"V2", gfx, join(d, "loop") + "/arc"}, 2, no_archive, true,
         false},
        {"extraction into a loop of links", {"X", join(d, "loop"), join(d, "train.fz2")}, 2,
         notice("Error", "Extracting: rc=4"), true, false},
        {"part too long for the file system",
         {"X", "/" + std::string(256, 'n'), join(d, "train.fz2")}, 2,
         notice("Error", "Extracting: rc=4"), true, false},
        // A device name at the archive's name is a device in every folder: not created, as for
        // any other special file.
        {"NUL at the archive's name", {"V2", gfx, join(d, "NUL"), "O"}, 2, no_archive, false,
         true},
        {"CON at the archive's name", {"V2", gfx, join(d, "con"), "O"}, 2, no_archive, false,
         true},
        {"COM1 at the archive's name", {"V4", gfx, join(d, "COM1"), "O"}, 2, no_archive, false,
         true},
        {"AUX with an extension", {"S2", gfx, join(d, "AUX.gz2"), "O"}, 2, no_archive, false,
         true},
        // Windows refuses wildcards in names: bad arguments, not an existing archive.
        {"wildcard in the archive's name", {"V2", gfx, join(d, "tr*in")}, 2,
         notice("Error", "Packing: rc=5"), false, true},
    };
    for (const special_case &c : cases) {
      if ((c.posix_only && on_windows()) || (c.windows_only && !on_windows())) continue;
      SCOPED_TRACE(std::string(program.label) + ": " + c.what);
      std::vector<std::string> args;
      for (const std::string &arg : c.args) args.push_back(in_dir(arg, d));
      program_run run = program.run(args, "");
      EXPECT_EQ(run.status, c.status);
      if (!c.notice_end.empty()) {
        EXPECT_TRUE(ends_with(run.err, c.notice_end)) << run.err;
      }
    }
    EXPECT_EQ(list_names(join(d, "folder.fz2")), names{"inside"});
    EXPECT_EQ(temporary_files(d), names{});
  }
}

#ifndef _WIN32

// Option O replaces the file and keeps what belongs to it: its permission bits, and a symbolic
// link at the archive's name, whose target is replaced. Extraction never writes through a link.
TEST(Reliability, OptionOKeepsWhatBelongsToTheReplacedFilePosix) {
  for (const program_under_test &program : both_programs) {
    SCOPED_TRACE(program.label);
    scratch_dir dir("keep");
    const std::string d = dir.path();
    std::string gfx = example_folder(dir);
    std::string archive = join(d, "train.fz2");
    write_file(archive, text_bytes("old archive"));
    ASSERT_EQ(chmod(archive.c_str(), 0640), 0);
    ASSERT_EQ(program.run({"V2", gfx, archive, "O"}, "").status, 0);
    struct stat info;
    ASSERT_EQ(stat(archive.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    bytes packed = read_file(archive);
    EXPECT_GT(packed.size(), 8u);

    // A link at the archive's name stays a link; its target gets the new archive.
    std::string target = join(make_folder(dir, "store"), "real.fz2");
    write_file(target, text_bytes("old target"));
    std::string link = join(d, "linked.fz2");
    fs::create_symlink("store/real.fz2", link);
    ASSERT_EQ(program.run({"V2", gfx, link, "O"}, "").status, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read_file(target), packed);

    // Extraction with O replaces a link at an output name with the file, and a replaced file
    // keeps its permission bits.
    std::string out = make_folder(dir, "out");
    write_file(join(d, "elsewhere"), text_bytes("not to be written through"));
    fs::create_symlink(join(d, "elsewhere"), join(out, "12345-03.fz2"));
    write_file(join(out, "12345-04.fz2"), text_bytes("old"));
    ASSERT_EQ(chmod(join(out, "12345-04.fz2").c_str(), 0604), 0);
    ASSERT_EQ(program.run({"X", out, archive, "O"}, "").status, 0);
    EXPECT_FALSE(fs::is_symlink(join(out, "12345-03.fz2")));
    EXPECT_EQ(read_file(join(out, "12345-03.fz2")), text_bytes("AAAAA"));
    EXPECT_EQ(read_file(join(d, "elsewhere")), text_bytes("not to be written through"));
    ASSERT_EQ(stat(join(out, "12345-04.fz2").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
    EXPECT_EQ(read_file(join(out, "12345-04.fz2")), text_bytes("BBB"));
    EXPECT_EQ(temporary_files(d), names{});
  }
}

// Option O follows a symbolic link at the archive's name through as many links as the system
// follows in one path (40); a longer chain, or a loop, is not followed: no archive is created
// and every link stays as it was.
TEST(Reliability, OptionOFollowsChainsOfLinksUpToFortyPosix) {
  for (const program_under_test &program : both_programs) {
    SCOPED_TRACE(program.label);
    scratch_dir dir("chain");
    const std::string d = dir.path();
    std::string gfx = example_folder(dir);
    ASSERT_EQ(program.run({"V2", gfx, join(d, "reference")}, "").status, 0);
    const bytes reference = read_file(join(d, "reference.fz2"));
    for (int links : {40, 41}) {
      SCOPED_TRACE(std::to_string(links) + " links");
      // c<links>-0.fz2 -> c<links>-1.fz2 -> ... -> real<links>.fz2
      const std::string chain = "c" + std::to_string(links) + "-";
      const std::string real = "real" + std::to_string(links) + ".fz2";
      write_file(join(d, real), text_bytes("old target"));
      for (int i = 0; i < links; ++i) {
        std::string target = i + 1 < links ? chain + std::to_string(i + 1) + ".fz2" : real;
        fs::create_symlink(target, join(d, chain + std::to_string(i) + ".fz2"));
      }
      program_run run = program.run({"V2", gfx, join(d, chain + "0"), "O"}, "");
      bool followed = links <= 40;
      EXPECT_EQ(run.status, followed ? 0 : 2) << run.err;
      if (!followed) {
        EXPECT_TRUE(ends_with(run.err, notice("Error", "No archive file created"))) << run.err;
      }
      EXPECT_EQ(read_file(join(d, real)), followed ? reference : text_bytes("old target"));
      for (int i = 0; i < links; ++i) {
        EXPECT_TRUE(fs::is_symlink(join(d, chain + std::to_string(i) + ".fz2"))) << i;
      }
    }
    fs::create_symlink("loop-b.fz2", join(d, "loop-a.fz2"));
    fs::create_symlink("loop-a.fz2", join(d, "loop-b.fz2"));
    program_run run = program.run({"V2", gfx, join(d, "loop-a"), "O"}, "");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(ends_with(run.err, notice("Error", "No archive file created"))) << run.err;
    EXPECT_EQ(fs::read_symlink(join(d, "loop-a.fz2")), fs::path("loop-b.fz2"));
    EXPECT_EQ(fs::read_symlink(join(d, "loop-b.fz2")), fs::path("loop-a.fz2"));
    EXPECT_EQ(temporary_files(d), names{});
  }
}

namespace {

const uid_t NOBODY = 65534;  // the unprivileged user and group that the runs below drop to

// Runs `program` with `args` as user and group `id` (no supplementary groups), its output
// dropped; the exit status, or -1 when it could not be run so.
int run_as_user(uid_t id, const char *program, const std::vector<std::string> &args) {
  std::vector<std::string> argv_text(1, program);
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char *> argv = argument_vector(argv_text);
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_RDWR);
    if (null < 0) _exit(126);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (setgroups(0, nullptr) != 0 || setgid(id) != 0 || setuid(id) != 0) _exit(126);
    setenv("LC_ALL", "C", 1);
    execv(program, argv.data());
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

// Option O gives the file that replaces another its permission bits, the set-user-id and
// set-group-id bits included, together with its owner and group where those can be kept. Only
// root can give a file away: a user who replaces another user's file owns the new one, which
// then keeps no set-user-id bit (it would run as that user), and no set-group-id bit unless the
// group is kept. Both for the archive and for an extracted file.
TEST(Reliability, OptionOKeepsSetIdBitsOnlyWithTheirOwnerPosix) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root: to lay out files of other owners and to run as user " << NOBODY;
  }
  struct set_id_case {
    const char *what;
    uid_t runner;                   // who runs the program: 0 root, or NOBODY
    uid_t owner, group;             // of the file that stands there
    mode_t mode;
    uid_t new_owner, new_group;     // of the file that replaces it
    mode_t new_mode;
  };
  const set_id_case cases[] = {
      {"root replaces another user's file", 0, NOBODY, NOBODY, 06755, NOBODY, NOBODY, 06755},
      {"root replaces its own file", 0, 0, 0, 06750, 0, 0, 06750},
      {"a user replaces its own file", NOBODY, NOBODY, NOBODY, 06755, NOBODY, NOBODY, 06755},
      {"a user replaces root's file", NOBODY, 0, 0, 06755, NOBODY, NOBODY, 0755},
      {"a user replaces root's file of its group", NOBODY, 0, NOBODY, 06755, NOBODY, NOBODY,
       02755},
      {"a user replaces root's file, no set-id bits", NOBODY, 0, 0, 0640, NOBODY, NOBODY, 0640},
  };
  for (const program_under_test &program : both_programs) {
    scratch_dir dir("setid");
    std::string gfx = example_folder(dir);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(program.run({"V2", gfx, dir.file("train")}, "").status, 0);
    const bytes archive = read_file(dir.file("train.fz2"));
    int number = 0;
    for (const set_id_case &c : cases) {
      for (bool extract : {false, true}) {
        SCOPED_TRACE(std::string(program.label) + ": " + c.what + (extract ? ", X" : ", V2"));
        // A folder that the runner may write, with the file that is replaced.
        std::string place = make_folder(dir, "case" + std::to_string(++number));
        ASSERT_EQ(chmod(place.c_str(), 0777), 0);
        std::string file = join(place, extract ? "12345-03.fz2" : "arc.fz2");
        write_file(file, text_bytes("old"));
        ASSERT_EQ(chown(file.c_str(), c.owner, c.group), 0);
        ASSERT_EQ(chmod(file.c_str(), c.mode), 0);  // after chown, which clears set-id bits
        std::vector<std::string> args = {"V2", gfx, join(place, "arc"), "O"};
        if (extract) args = {"X", place, dir.file("train.fz2"), "O"};
        ASSERT_EQ(run_as_user(c.runner, program.program, args), 0);
        EXPECT_EQ(read_file(file), extract ? text_bytes("AAAAA") : archive);
        struct stat info;
        ASSERT_EQ(lstat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, c.new_owner);
        EXPECT_EQ(info.st_gid, c.new_group);
        EXPECT_EQ(info.st_mode & 07777, c.new_mode);
        EXPECT_EQ(temporary_files(place), names{});
      }
    }
  }
}

// With option O a file that another process makes at the name after its lookup, while the new
// file is written, is replaced all the same and lends its permission bits, as a file found at
// the lookup does; a symbolic link made there is replaced by the file, never written through.
// In the fault-injection build also with temporary names instead of files without a name.
TEST(Reliability, OptionOTakesTheAttributesOfAFileMadeMeanwhilePosix) {
  scratch_dir dir("meanwhile");
  write_file(dir.file("elsewhere"), text_bytes("not to be written through"));
  int ways = 1;
#ifdef VORAX_FAULT_INJECTION
  ways = 2;
#endif
  for (int way = 0; way < ways; ++way) {
#ifdef VORAX_FAULT_INJECTION
    fault_use_variant(way && fault_variant_count() > 1 ? 1 : 0);
#endif
    for (bool link : {false, true}) {
      SCOPED_TRACE(std::string(way ? "temporary name, " : "") + (link ? "a link" : "a file"));
      std::string name = dir.file("made" + std::to_string(way) + (link ? "-link" : "-file"));
      stream s = NO_STREAM;
      ASSERT_EQ(open_write_stream(name.c_str(), 1, &s), 0);  // the name is free here
      if (link) {
        fs::create_symlink("elsewhere", name);
      } else {
        write_file(name, text_bytes("theirs"));
        ASSERT_EQ(chmod(name.c_str(), 0604), 0);
      }
      for (char c : std::string("ours")) ASSERT_EQ(write_byte(s, (uint8_t)c), 0);
      ASSERT_EQ(finish_write_stream(s), 0);
      ASSERT_EQ(commit_write_stream(1, 0), 0);
      EXPECT_FALSE(fs::is_symlink(name));
      EXPECT_EQ(read_file(name), text_bytes("ours"));
      struct stat info;
      ASSERT_EQ(stat(name.c_str(), &info), 0);
      if (!link) {
        EXPECT_EQ(info.st_mode & 07777, 0604u);
      }
    }
  }
#ifdef VORAX_FAULT_INJECTION
  fault_use_variant(0);
#endif
  EXPECT_EQ(read_file(dir.file("elsewhere")), text_bytes("not to be written through"));
  EXPECT_EQ(temporary_files(dir.path()), names{});
}

// Standard output is a pipe that nobody reads any more: the command still does its work and
// gives its final notice, as on Windows.
TEST(Reliability, ClosedPipeIsNoReasonToStopPosix) {
  for (const program_under_test &program : both_programs) {
    SCOPED_TRACE(program.label);
    scratch_dir dir("pipe");
    std::string gfx = example_folder(dir);
    std::string err_file = dir.file("err.txt");
    make_folder(dir, "out");
    for (const char *command : {"V2", "X"}) {
      int ends[2];
      ASSERT_EQ(pipe(ends), 0);
      close(ends[0]);  // the reader is gone before the first byte
      pid_t child = fork();
      ASSERT_NE(child, -1);
      if (child == 0) {
        dup2(ends[1], 1);
        int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, 2);
        std::string folder = command[0] == 'X' ? dir.file("out") : gfx;
        execl(program.program, program.program, command, folder.c_str(),
              dir.file("train.fz2").c_str(), (char *)nullptr);
        _exit(127);
      }
      close(ends[1]);
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
      bytes err = read_file(err_file);
      std::string text(err.begin(), err.end());
      EXPECT_NE(text.find(command[0] == 'X' ? "extracted: 2" : "Packed: 2 files"),
                std::string::npos)
          << text;
    }
    EXPECT_EQ(read_file(dir.file("out/12345-04.fz2")), text_bytes("BBB"));
    EXPECT_EQ(temporary_files(dir.path()), names{});
  }
}

// ---------------------------------------------------------------------------------------------
// The surroundings the process starts in: standard descriptors that are closed, and a limit on
// the size of the files it writes.

namespace {

enum { CLOSE_IN = 1, CLOSE_OUT = 2, CLOSE_ERR = 4, CLOSE_ALL = 7 };

// Runs `program` with `args`, in English, with the standard descriptors in `closed` closed and
// the others on /dev/null (input) or on files in `capture` (output, error), and with the size of
// the files it writes limited to `file_limit` bytes (0: no limit).
program_run run_in_surroundings(const char *program, const std::vector<std::string> &args,
                                int closed, long file_limit, const scratch_dir &capture) {
  const std::string out_file = capture.file("out.txt"), err_file = capture.file("err.txt");
  std::remove(out_file.c_str());
  std::remove(err_file.c_str());
  std::vector<std::string> argv_text(1, program);
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char *> argv = argument_vector(argv_text);
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    close(in);
    close(out);
    close(err);
    for (int fd = 0; fd < 3; ++fd) {
      if (closed & (1 << fd)) close(fd);
    }
    if (file_limit > 0) {
      struct rlimit limit = {(rlim_t)file_limit, (rlim_t)file_limit};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    }
    setenv("LC_ALL", "C", 1);
    execv(program, argv.data());
    _exit(127);
  }
  program_run run = {-1, "", ""};
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return run;
  run.status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  bytes out = read_file(out_file), err = read_file(err_file);
  run.out.assign(out.begin(), out.end());
  run.err.assign(err.begin(), err.end());
  return run;
}

// `size` bytes that differ from their neighbours, so that a misplaced byte shows.
bytes patterned(size_t size, unsigned seed) {
  bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = (uint8_t)((i * 31 + seed) % 251);
  return b;
}

// A folder of graphics files that one case packs, and the archive of it made in ordinary
// surroundings.
struct file_set {
  std::string gfx, archive;
  std::vector<std::pair<std::string, bytes>> files;
};

// Lays out a folder `label` of the scratch folder with the files and packs it normally.
void lay_out_set(const program_under_test &program, const scratch_dir &dir,
                 const std::string &label, const std::string &folder_name,
                 const std::vector<size_t> &sizes, file_set *set) {
  set->gfx = make_folder(dir, folder_name);
  for (size_t i = 0; i < sizes.size(); ++i) {
    std::string name = std::to_string(10000 + i) + "-03.fz2";
    set->files.push_back({name, patterned(sizes[i], (unsigned)i)});
    write_file(join(set->gfx, name), set->files.back().second);
  }
  set->archive = dir.file(label + ".fz2");
  ASSERT_EQ(program.run({"V2", set->gfx, dir.file(label)}, "").status, 0);
  ASSERT_EQ(read_file(set->archive).empty(), false);
}

}  // namespace

// Standard descriptors closed at the start, in the combinations that matter, and a limit on the
// size of files: the progress lines never land in the archive or an extracted file, and a file
// that would pass the limit is a write error that leaves nothing behind.
//
// Where standard input and output are both closed, the folder handle takes descriptor 0 and the
// archive would take 1; "many" prints more progress lines than the output buffer holds (long
// paths, sixty files), so that they would be written out while the archive is open. Files from
// 64 KB on are copied inside the system, smaller ones through the program's buffers, and the
// limits below make both kinds of copy fail: "large" lays out a file of 80 KB before one of 20 KB,
// "small" the other way round.
TEST(Reliability, ClosedDescriptorsAndFileSizeLimitPosix) {
  const long KB = 1024;
  enum { LARGE, SMALL, MANY };
  struct surroundings_case {
    const char *what;
    bool extract;
    bool replace;  // an old archive stands at the name and option O is given
    int files;
    int closed;
    long limit;
    int status;
    const char *notice_end;  // the end of standard error, when it is open
  };
  const char *write_error = "Error\nError while writing\n";
  const char *extract_error = "Error\nExtracting: rc=4\n";
  const surroundings_case cases[] = {
      {"pack, input and output closed", false, false, MANY, CLOSE_IN | CLOSE_OUT, 0, 0,
       "Packed: 60 files\n"},
      {"pack, all three closed", false, false, MANY, CLOSE_ALL, 0, 0, ""},
      {"pack, output closed", false, false, MANY, CLOSE_OUT, 0, 0, "Packed: 60 files\n"},
      {"pack, output and error closed", false, false, MANY, CLOSE_OUT | CLOSE_ERR, 0, 0, ""},
      {"pack, error closed", false, false, LARGE, CLOSE_ERR, 0, 0, ""},
      {"extract, input and output closed", true, false, MANY, CLOSE_IN | CLOSE_OUT, 0, 0,
       "extracted: 60  skipped: 0\n"},
      {"extract, all three closed", true, false, MANY, CLOSE_ALL, 0, 0, ""},
      {"pack past the limit in the system's copy", false, false, LARGE, 0, 40 * KB, 2,
       write_error},
      {"pack past the limit in a plain write", false, false, SMALL, 0, 10 * KB, 2, write_error},
      {"pack past the limit at the last write", false, false, LARGE, 0, 96 * KB, 2, write_error},
      {"pack past the limit, old archive replaced", false, true, LARGE, 0, 40 * KB, 2,
       write_error},
      {"pack past the limit, all three closed", false, false, SMALL, CLOSE_ALL, 10 * KB, 2, ""},
      {"extract past the limit in the system's copy", true, false, LARGE, 0, 40 * KB, 2,
       extract_error},
      {"extract past the limit in a plain write", true, false, SMALL, 0, 10 * KB, 2,
       extract_error},
      {"extract past the limit, all three closed", true, false, LARGE, CLOSE_ALL, 40 * KB, 2, ""},
      {"pack within the limit", false, false, LARGE, 0, 200 * KB, 0, "Packed: 2 files\n"},
      {"extract within the limit", true, false, SMALL, 0, 200 * KB, 0,
       "extracted: 2  skipped: 0\n"},
  };
  for (const program_under_test &program : both_programs) {
    scratch_dir dir("surroundings");
    scratch_dir capture("surroundings-capture");
    const std::string d = dir.path();
    file_set sets[3];
    lay_out_set(program, dir, "large", "large-gfx", {80 * KB, 20 * KB}, &sets[LARGE]);
    lay_out_set(program, dir, "small", "small-gfx", {20 * KB, 80 * KB}, &sets[SMALL]);
    // Paths of about 200 characters, within the 260 that names may have.
    size_t name_length = d.size() + 150 + 15 < NAME_BUFFER_SIZE ? 150 : 20;
    lay_out_set(program, dir, "many", std::string(name_length, 'm'), std::vector<size_t>(60, 37),
                &sets[MANY]);

    int number = 0;
    for (const surroundings_case &c : cases) {
      SCOPED_TRACE(std::string(program.label) + ": " + c.what);
      const file_set &set = sets[c.files];
      const std::string place = make_folder(dir, "case" + std::to_string(++number));
      const std::string archive = join(place, "arc.fz2");
      const std::string out = join(place, "out");
      std::vector<std::string> args;
      if (c.extract) {
        fs::create_directory(out);
        args = {"X", out, set.archive};
      } else {
        args = {"V2", set.gfx, join(place, "arc")};
        if (c.replace) {
          write_file(archive, text_bytes("old archive"));
          args.push_back("O");
        }
      }
      program_run run = run_in_surroundings(program.program, args, c.closed, c.limit, capture);
      EXPECT_EQ(run.status, c.status) << run.err;
      if (!(c.closed & CLOSE_ERR)) {
        EXPECT_TRUE(ends_with(run.err, c.notice_end)) << run.err;
      }
      if (!(c.closed & CLOSE_OUT)) {
        EXPECT_NE(run.out.find("XQ Dezo-Reruzer"), std::string::npos) << run.out;
      }
      if (c.extract) {
        // All of it, byte for byte, or nothing: the first file fails in each failing case.
        names expected;
        if (c.status == 0) {
          for (const auto &file : set.files) expected.push_back(file.first);
        }
        EXPECT_EQ(list_names(out), expected);
        if (c.status == 0) {
          for (const auto &file : set.files) {
            EXPECT_EQ(read_file(join(out, file.first)), file.second) << file.first;
          }
        }
      } else if (c.status == 0) {
        EXPECT_EQ(read_file(archive), read_file(set.archive));
      } else if (c.replace) {
        EXPECT_EQ(list_names(place), names{"arc.fz2"});
        EXPECT_EQ(read_file(archive), text_bytes("old archive"));
      } else {
        EXPECT_EQ(list_names(place), names{});
      }
      EXPECT_EQ(temporary_files(place), names{});
    }
  }
}

#endif

#ifdef _WIN32

namespace {

// Runs `program` with `args` and the given standard handles (all three alike), with the process
// creation flags; the exit code, or -1 when it could not be run.
int run_with_handles(const char *program, const std::vector<std::string> &args, HANDLE handles,
                     DWORD flags) {
  std::string line = std::string("\"") + program + "\"";
  for (const std::string &arg : args) line += " \"" + arg + "\"";
  std::vector<char> writable(line.begin(), line.end());
  writable.push_back('\0');
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = handles;
  startup.hStdOutput = handles;
  startup.hStdError = handles;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(program, writable.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  DWORD code = (DWORD)-1;
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return (int)code;
}

}  // namespace

// Without standard handles (started from a service, a window, a scheduler): packing and
// extraction do their work as usual, and nothing that is printed lands in a file. Sixty files
// with long paths print more than the output buffer holds.
TEST(Reliability, NoStandardHandlesWindows) {
  struct handle_case {
    const char *what;
    HANDLE handles;
    DWORD flags;
  };
  const handle_case cases[] = {
      {"null handles", nullptr, 0},
      {"invalid handles", INVALID_HANDLE_VALUE, 0},
      {"no console and null handles", nullptr, DETACHED_PROCESS},
  };
  for (const program_under_test &program : both_programs) {
    scratch_dir dir("handles");
    std::string gfx = make_folder(dir, std::string(150, 'm'));
    std::vector<std::pair<std::string, bytes>> files;
    for (int i = 0; i < 60; ++i) {
      files.push_back({std::to_string(10000 + i) + "-03.fz2", text_bytes(std::to_string(i * i))});
      write_file(join(gfx, files.back().first), files.back().second);
    }
    ASSERT_EQ(program.run({"V2", gfx, dir.file("reference")}, "").status, 0);
    const bytes reference = read_file(dir.file("reference.fz2"));
    int number = 0;
    for (const handle_case &c : cases) {
      SCOPED_TRACE(std::string(program.label) + ": " + c.what);
      const std::string place = make_folder(dir, "case" + std::to_string(++number));
      const std::string out = make_folder(dir, "case" + std::to_string(number) + "\\out");
      EXPECT_EQ(run_with_handles(program.program, {"V2", gfx, join(place, "arc")}, c.handles,
                                 c.flags),
                0);
      EXPECT_EQ(read_file(join(place, "arc.fz2")), reference);
      EXPECT_EQ(run_with_handles(program.program, {"X", out, join(place, "arc.fz2")}, c.handles,
                                 c.flags),
                0);
      ASSERT_EQ(list_names(out).size(), files.size());
      for (const auto &file : files) {
        EXPECT_EQ(read_file(join(out, file.first)), file.second) << file.first;
      }
      EXPECT_EQ(temporary_files(place), names{});
    }
  }
}

#endif

namespace {

// What a run of `program` leaves on standard error as its final notice: vorax is given option Q,
// so it is there on both systems; the legacy program's is a message box on Windows.
std::string final_notice(const program_under_test &program, const std::string &title,
                         const std::string &text) {
  if (program.run == run_vorax_program) return console_bytes(title + "\n" + text + "\n");
  return notice(title, text);
}

// Every regular file below `root` (links followed) with its bytes.
std::map<std::string, bytes> files_below(const std::string &root) {
  std::map<std::string, bytes> found;
  for (const auto &item : fs::recursive_directory_iterator(root)) {
    if (item.is_regular_file()) found[item.path().string()] = read_file(item.path().string());
  }
  return found;
}

enum { VORAX_ONLY = 1, LEGACY_ONLY = 2, BOTH_PROGRAMS = 3 };

// How the archive name of a case reaches one of the collected files.
enum archive_way { BY_NAME, HARD_LINK, SYMBOLIC_LINK };

struct self_replacing_case {
  const char *what;
  int programs;                   // VORAX_ONLY, LEGACY_ONLY or BOTH_PROGRAMS
  std::vector<std::string> args;  // "{dir}" stands for the scratch folder, "/" for its separator
  archive_way way;
  const char *link, *file;        // the link made at the archive's name, and the file it names
  int status;
  const char *title, *text;       // the final notice
  bool extracts;                  // two members are written beside the archive
};

}  // namespace

// A command never replaces what it reads: with option O, extraction passes over the output name
// that is the archive itself ("File already exists", counted as skipped) and extracts the other
// members; packing refuses an archive name that is one of the files it collects, also when a
// link leads there, before anything is written. Without O the name is refused as before.
TEST(Reliability, NeverReplacesWhatItReads) {
  const char *const no_archive = "No archive file created";
  const self_replacing_case cases[] = {
      {"X onto its own archive", BOTH_PROGRAMS, {"X", "{dir}/out", "{dir}/out/10412-01.fz2", "OQ"},
       BY_NAME, nullptr, nullptr, 0, "Done/ready", "Files found: 3  extracted: 2  skipped: 1",
       true},
      {"X simulated onto its own archive", BOTH_PROGRAMS,
       {"X", "{dir}/out", "{dir}/out/10412-01.fz2", "OSQ"}, BY_NAME, nullptr, nullptr, 0,
       "Done/ready", "Files found: 3  extracted: 0  skipped: 3", false},
      {"V onto an input", BOTH_PROGRAMS, {"V2", "{dir}/gfx", "{dir}/gfx/10412-00", "OQ"}, BY_NAME,
       nullptr, nullptr, 2, "Error", no_archive, false},
      {"V onto an input, without O", BOTH_PROGRAMS, {"V2", "{dir}/gfx", "{dir}/gfx/10412-00", "Q"},
       BY_NAME, nullptr, nullptr, 1, "Error",
       "Archive file \"{dir}/gfx/10412-00.fz2\" already exists", false},
      {"S onto an input", BOTH_PROGRAMS, {"S2", "{dir}/land", "{dir}/land/s123-45a", "OQ"},
       BY_NAME, nullptr, nullptr, 2, "Error", no_archive, false},
      {"W onto an input through a hard link", VORAX_ONLY, {"W2", "{dir}/loco", "{dir}/loco", "OQ"},
       HARD_LINK, "{dir}/loco.fz2", "{dir}/loco/loco-01-01.fz2", 2, "Error", no_archive, false},
      {"U onto an input through a hard link", VORAX_ONLY, {"U2", "{dir}/park", "{dir}/park", "OQ"},
       HARD_LINK, "{dir}/park.uz2", "{dir}/park/park-07-00a.gz2", 2, "Error", no_archive, false},
      {"U onto an input through a hard link", LEGACY_ONLY, {"U2", "{dir}/upark", "{dir}/park", "O"},
       HARD_LINK, "{dir}/park.uz2", "{dir}/upark/u07-park.gz2", 2, "Error", no_archive, false},
      {"V onto an input through a symbolic link", BOTH_PROGRAMS,
       {"V2", "{dir}/gfx", "{dir}/train", "OQ"}, SYMBOLIC_LINK, "{dir}/train.fz2",
       "gfx/10413-00.fz2", 2, "Error", no_archive, false},
      {"U onto an input through a symbolic link", VORAX_ONLY,
       {"U2", "{dir}/park", "{dir}/park", "OQ"}, SYMBOLIC_LINK, "{dir}/park.uz2",
       "park/park-05-12b.gz2", 2, "Error", no_archive, false},
  };
  for (const program_under_test &program : both_programs) {
    int this_program = program.run == run_vorax_program ? VORAX_ONLY : LEGACY_ONLY;
    for (const self_replacing_case &c : cases) {
      if ((c.programs & this_program) == 0 || (c.way == SYMBOLIC_LINK && on_windows())) continue;
      SCOPED_TRACE(std::string(program.label) + ": " + c.what);
      scratch_dir dir("self");
      const std::string d = dir.path();
      auto at = [&](const std::string &text) {
        std::string path = in_dir(text, d);
        if (on_windows()) std::replace(path.begin(), path.end(), '/', '\\');
        return path;
      };
      // Vehicle, W, scenery and U files (as each program names them), a folder for each kind.
      std::string gfx = make_folder(dir, "gfx"), out = make_folder(dir, "out");
      write_file(join(gfx, "10412-00.fz2"), text_bytes("first vehicle"));
      write_file(join(gfx, "10412-01.fz2"), text_bytes("second vehicle"));
      write_file(join(gfx, "10413-00.fz2"), text_bytes("third vehicle"));
      std::string loco = make_folder(dir, "loco"), land = make_folder(dir, "land");
      write_file(join(loco, "loco-01-00.fz2"), text_bytes("loco 1"));
      write_file(join(loco, "loco-01-01.fz2"), text_bytes("loco 2"));
      write_file(join(land, "s123-45a.gz2"), text_bytes("scenery 1"));
      write_file(join(land, "t42-7.gz2"), text_bytes("scenery 2"));
      std::string park = make_folder(dir, "park"), upark = make_folder(dir, "upark");
      write_file(join(park, "park-05-12b.gz2"), text_bytes("park 1"));
      write_file(join(park, "park-07-00a.gz2"), text_bytes("park 2"));
      write_file(join(upark, "u05-12b-park.gz2"), text_bytes("legacy park 1"));
      write_file(join(upark, "u07-park.gz2"), text_bytes("legacy park 2"));
      // The archive to extract holds the vehicle folder and stands under the name of its second
      // member in the output folder.
      ASSERT_EQ(program.run({"V2", gfx, join(d, "train")}, "").status, 0);
      fs::rename(join(d, "train.fz2"), join(out, "10412-01.fz2"));
      if (c.way == HARD_LINK) fs::create_hard_link(at(c.file), at(c.link));
      if (c.way == SYMBOLIC_LINK) fs::create_symlink(c.file, at(c.link));

      std::map<std::string, bytes> before = files_below(d);
      std::vector<std::string> args;
      for (const std::string &arg : c.args) args.push_back(at(arg));
      program_run run = program.run(args, "");
      EXPECT_EQ(run.status, c.status);
      EXPECT_EQ(run.err, final_notice(program, c.title, at(c.text))) << run.err;
      EXPECT_EQ(temporary_files(d), names{});
      std::map<std::string, bytes> after = files_below(d);
      if (c.extracts) {
        // Everything that stood there is unchanged, the archive too; the others are extracted.
        for (const auto &file : before) EXPECT_EQ(after[file.first], file.second) << file.first;
        EXPECT_EQ(after[join(out, "10412-00.fz2")], text_bytes("first vehicle"));
        EXPECT_EQ(after[join(out, "10413-00.fz2")], text_bytes("third vehicle"));
        EXPECT_EQ(after.size(), before.size() + 2);
      } else {
        EXPECT_TRUE(before == after) << "a file was written or changed";
      }
      if (c.args[0] == "X") {
        // The archive's line is followed by "File already exists" (the legacy program ends the
        // line with "\r\n").
        std::string line = join(out, "10412-01.fz2") + " Length=14";
        size_t at_line = run.out.find(line);
        ASSERT_NE(at_line, std::string::npos) << run.out;
        size_t next = run.out.find_first_not_of("\r\n", at_line + line.size());
        EXPECT_EQ(run.out.substr(std::min(next, run.out.size()), 19), "File already exists")
            << run.out;
      }
    }
  }
}

// A pack command refuses an archive name with nothing in front of its extension ("out/" becomes
// "out/.fz2", "" becomes ".fz2"), which extraction would refuse: bad arguments, before anything
// is written, also over an archive that stands there with option O.
TEST(Reliability, PackingRefusesAnArchiveWithoutName) {
  // "" and ".fz2" name a file in the current folder; where a faulty program writes it, the test
  // takes it away again.
  bool here_free = !fs::exists(".fz2") && !fs::exists(".gz2");
  for (const program_under_test &program : both_programs) {
    scratch_dir dir("nameless");
    const std::string d = dir.path();
    std::string gfx = example_folder(dir);
    write_file(join(gfx, "s123-45a.gz2"), text_bytes("S"));
    std::string out = make_folder(dir, "out");
    write_file(join(out, ".gz2"), text_bytes("an older archive"));
    struct { const char *command; std::string archive, options, here; } cases[] = {
        {"V2", out + "/", "Q", ""},         {"S2", out + "/", "OQ", ""},
        {"V2", "", "Q", ".fz2"},            {"S2", "", "Q", ".gz2"},
        {"V2", ".fz2", "Q", ".fz2"},        {"V2", join(out, ".fz2"), "Q", ""},
        {"S2", join(out, ".gz2"), "OQ", ""}, {"V4", join(out, ".FZ4"), "Q", ""},
    };
    for (const auto &c : cases) {
      if (!c.here.empty() && !here_free) continue;  // a file there is not ours to touch
      SCOPED_TRACE(std::string(program.label) + ": " + c.command + " \"" + c.archive + "\"");
      std::map<std::string, bytes> before = files_below(d);
      program_run run = program.run({c.command, gfx, c.archive, c.options}, "");
      EXPECT_EQ(run.status, 2);
      EXPECT_EQ(run.err, final_notice(program, "Error", "Packing: rc=5"));
      EXPECT_TRUE(before == files_below(d)) << "a file was written or changed";
      if (!c.here.empty()) {
        EXPECT_FALSE(fs::exists(c.here));
        fs::remove(c.here);
      }
    }
    EXPECT_EQ(temporary_files(d), names{});
  }
}
