// Both programs at the edges of the real system: names that are not plain files or cannot be
// looked up, an empty folder argument, what option O keeps of a replaced file, and a closed
// pipe as standard output.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/test_support.h"

#ifndef _WIN32
#include <fcntl.h>
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

bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}


// A folder "gfx" with two vehicle files that both programs pack.
std::string vehicle_folder(const scratch_dir &dir) {
  std::string gfx = make_folder(dir, "gfx");
  write_file(join(gfx, "12345-03.fz2"), text_bytes("AAAAA"));
  write_file(join(gfx, "12345-04.fz2"), text_bytes("BBB"));
  return gfx;
}

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
    std::string gfx = vehicle_folder(dir);
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
    std::string gfx = vehicle_folder(dir);
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

// Standard output is a pipe that nobody reads any more: the command still does its work and
// gives its final notice, as on Windows.
TEST(Reliability, ClosedPipeIsNoReasonToStopPosix) {
  for (const program_under_test &program : both_programs) {
    SCOPED_TRACE(program.label);
    scratch_dir dir("pipe");
    std::string gfx = vehicle_folder(dir);
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

#endif
