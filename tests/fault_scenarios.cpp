// The fault scenario runner shared by the tests of both programs (see fault_scenarios.h).
#include "tests/fault_scenarios.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "console/catalogue.h"
#include "vorax/vorax.h"
#include "console/output.h"
#include "platform/faults.h"

namespace fs = std::filesystem;

namespace {

const char *const kind_names[FAULT_KIND_COUNT] = {
    "open",     "open folder", "create",       "create unnamed", "read",     "write",
    "copy",     "close",       "stat",         "read link",      "link",     "rename",
    "rename new", "remove",    "flush",        "flush folder",   "owner",    "mode",
    "set time", "local time",  "search",       "list",           "allocate", "convert",
    "signals",  "ask"};

// How a way of failing reads in a trace: "fails with error 13", "short", ...
std::string way_name(const fault_way &way) {
  switch (way.effect) {
    case FAULT_SHORT: return "comes back short";
    case FAULT_NOTHING: return "moves nothing";
    case FAULT_INTERRUPTED: return "is interrupted";
    default: return "fails with error " + std::to_string(way.error);
  }
}

struct file_state {
  bytes content;
  fs::file_time_type time;
};
typedef std::map<std::string, file_state> snapshot;  // by path inside the scratch folder

struct run_result {
  int status;
  std::string err;  // the notices; the final one ends it
};

// What a run may end with. SAME: exactly the clean run's status, notices and files. NOTICE: the
// exit status and the final notice (with `opening`, the notice need only begin the last one: its
// end names something that differs between scenarios). OTHER_ARCHIVE: the clean
// run's status and notices, but the archive may hold other bytes (a time that could not be
// converted is clamped). LEFT_OVER: as SAME, but a temporary file may stay (the system refuses
// to remove anything).
// FEWER_FILES: packing left out a file that the system said had vanished: the done notice for
// one file less, and an archive of other bytes.
enum answer_kind { SAME, NOTICE, OTHER_ARCHIVE, LEFT_OVER, FEWER_FILES };

struct answer {
  answer_kind kind;
  int status;
  std::string notice;
  bool opening = false;
};

// What standard error receives for a notice: the runs here send the notices there on every
// system (on Windows they would be message boxes, which a test cannot read; command_arguments).
std::string shown_notice(const std::string &title, const std::string &text) {
  return title + "\n" + text + "\n";
}

bool is_extraction(const fault_scenario &s) { return s.command[0] == 'X' || s.command[0] == 'x'; }

std::string inside(const std::string &root, const std::string &path) {
  return (fs::path(root) / fs::path(path).make_preferred()).string();
}

// Empties the scratch folder and lays out the scenario's start state again.
void lay_out(const std::string &root, const fault_scenario &s) {
  std::error_code ec;
  for (const auto &item : fs::directory_iterator(root, ec)) fs::remove_all(item.path(), ec);
  fs::create_directories(inside(root, s.directory), ec);
  for (const seed_file &f : s.files) {
    std::string path = inside(root, f.path);
    fs::create_directories(fs::path(path).parent_path(), ec);
    write_file(path, f.content);
    ASSERT_TRUE(set_local_time(path, (uint16_t)(f.stamp >> 16), (uint16_t)f.stamp)) << path;
  }
}

// The whole content of a file in one read of its known size: snapshots are taken after every
// run, and the scenarios with large files make thousands of runs.
bytes whole_file(const fs::path &path) {
  std::error_code ec;
  uintmax_t size = fs::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) return bytes();
  bytes content((size_t)size);
  in.read(reinterpret_cast<char *>(content.data()), (std::streamsize)size);
  content.resize((size_t)in.gcount());
  return content;
}

snapshot take_snapshot(const std::string &root) {
  snapshot shot;
  for (const auto &item : fs::recursive_directory_iterator(root)) {
    if (!item.is_regular_file()) continue;
    std::string name = fs::relative(item.path(), root).generic_string();
    shot[name] = {whole_file(item.path()), fs::last_write_time(item.path())};
  }
  return shot;
}

bool same_file(const file_state &a, const file_state &b, bool with_time) {
  return a.content == b.content && (!with_time || a.time == b.time);
}

// The arguments of a scenario's run. On Windows the notices go to standard error: vorax is given
// option Q, and the legacy program, which has no such option, keeps the quiet notices that are
// set here (it never sets them itself).
std::vector<std::string> command_arguments(const fault_scenario &s, const std::string &root) {
  std::vector<std::string> args = {"vorax", s.command, inside(root, s.directory),
                                   inside(root, s.archive)};
  std::string options = s.options;
  if (on_windows()) {
    if (s.program.quiet_option) options += "Q";
    set_quiet_notices(1);
  }
  if (!options.empty()) args.push_back(options);
  return args;
}

run_result run_once(const fault_scenario &s, const std::string &root) {
  std::vector<std::string> args = command_arguments(s, root);
  std::vector<char *> argv = argument_vector(args);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  run_result run;
  run.status = s.program.entry((int)args.size(), argv.data());
  testing::internal::GetCapturedStdout();
  run.err = testing::internal::GetCapturedStderr();
  return run;
}

// What the clean run of an extraction reported: the entries found, extracted and skipped.
struct extract_counts {
  int found = -1, extracted = 0, skipped = 0;
};

extract_counts counts_of(const std::string &err) {
  extract_counts counts;
  for (int found = 0; found <= 8; ++found) {
    for (int skipped = 0; skipped <= found; ++skipped) {
      final_message done;
      compose_extract_result(0, found, found - skipped, skipped, display_text, &done);
      if (ends_with(err, shown_notice(display_text(done.title), done.text))) {
        counts.found = found;
        counts.extracted = found - skipped;
        counts.skipped = skipped;
      }
    }
  }
  return counts;
}

// The oracle: every result that a call of this kind, failing in this way, may give in this
// scenario. A call that is interrupted or comes back short is answered by the layer, so the run
// is as clean; a failure that only tells the layer to take another way (a fallback) changes
// nothing either.
std::vector<answer> allowed_answers(const fault_scenario &s, const std::string &root,
                                    const extract_counts &clean, fault_kind kind,
                                    const fault_way &way) {
  std::vector<answer> answers;
  auto same = [&] { answers.push_back({SAME, 0, std::string()}); };
  if (way.effect == FAULT_INTERRUPTED || way.effect == FAULT_SHORT) {
    same();
    return answers;
  }
  auto error = [&](const std::string &text) {
    answers.push_back({NOTICE, 2, shown_notice(display_text(MSG_ERROR_TITLE), text)});
  };
  // vorax names the graphics file that failed, or the search; the legacy program shows the bare
  // message.
  auto file_error = [&](uint32_t number) {
    if (!s.program.named_failures) return error(display_text(number));
    for (const seed_file &f : s.files) {
      error(std::string(display_text(number)) + ": \"" + fs::path(f.path).filename().string() +
            "\"");
    }
  };
  // A folder that cannot be listed: vorax names the search. The legacy program shows the bare
  // message, and its vehicle packing "Out of memory" for every failure of a file or the folder.
  const bool legacy_vehicles =
      !s.program.named_failures && (s.command[0] == 'V' || s.command[0] == 'v');
  auto search_error = [&](uint32_t number) {
    if (legacy_vehicles) return error(display_text(MSG_OUT_OF_MEMORY));
    if (!s.program.named_failures) return error(display_text(number));
    answers.push_back({NOTICE, 2,
                       std::string(display_text(MSG_ERROR_TITLE)) + "\n" +
                           display_text(number) + ": \"" + inside(root, s.directory) +
                           path_separator,
                       true});
  };
  // A system that lacks a feature is answered by another way to the same end.
  if (way.meaning == FAULT_LACKING) {
    same();
    return answers;
  }
  const bool lost_name = way.meaning == FAULT_GONE;
  const bool taken = way.meaning == FAULT_TAKEN;

  if (is_extraction(s)) {
    auto rc = [&](int code) { error(display_text(MSG_EXTRACT_RC) + std::to_string(code)); };
    // A name that the system says is taken when the file is moved into place: the file is an
    // existing one, kept, and the run goes on.
    auto kept = [&] {
      for (int skipped = clean.skipped + 1; skipped <= clean.found; ++skipped) {
        final_message done;
        compose_extract_result(0, clean.found, clean.found - skipped, skipped, display_text,
                               &done);
        answers.push_back({NOTICE, 0, shown_notice(display_text(done.title), done.text)});
      }
    };
    switch (kind) {
      case FAULT_OPEN: {
        // The driver's existence test refuses; the worker's open gives 1.
        final_message refusal;
        compose_archive_refusal(MSG_ARCHIVE_NOT_OPENED, inside(root, s.archive).c_str(),
                                display_text, &refusal);
        answers.push_back({NOTICE, 1, shown_notice(display_text(refusal.title), refusal.text)});
        rc(1);
        break;
      }
      case FAULT_STAT: {
        // Also the look at an opened file: it is not read.
        final_message refusal;
        compose_archive_refusal(MSG_ARCHIVE_NOT_OPENED, inside(root, s.archive).c_str(),
                                display_text, &refusal);
        answers.push_back({NOTICE, 1, shown_notice(display_text(refusal.title), refusal.text)});
        rc(1);
        same();
        break;
      }
      // A read past the archive's last record that fails leaves nothing unread.
      case FAULT_READ: rc(2); same(); break;
      case FAULT_COPY: rc(2); rc(4); break;
      // A failed create is retried under another temporary name; a read stream that does not
      // close cleanly has still delivered every byte.
      case FAULT_CREATE:
      case FAULT_CLOSE: same(); rc(4); break;
      case FAULT_LINK:
        if (taken) kept();
        same();  // a link under a temporary name that is taken is followed by the next
        rc(4);
        break;
      // The move of a file from its temporary name onto its own: a name taken meanwhile keeps
      // what stands there, any other failure is a failed write.
      case FAULT_RENAME_NEW:
        if (taken) {
          kept();
        } else {
          rc(4);
        }
        break;
      // The start of a day that cannot be converted is not kept: each time is converted alone.
      case FAULT_LOCAL_TIME: same(); rc(4); break;
      case FAULT_CREATE_UNNAMED:
      case FAULT_WRITE:
      case FAULT_SET_TIME:
      case FAULT_RENAME:
      case FAULT_FLUSH: rc(4); break;
      case FAULT_REMOVE:
        rc(4);
        answers.push_back({LEFT_OVER, 0, std::string()});
        break;
      default: same(); break;
    }
    return answers;
  }

  bool info = s.options.find_first_of("Ii") != std::string::npos;
  int listed = 0;
  for (const seed_file &f : s.files) listed += f.path.rfind("gfx/", 0) == 0;
  // Packing that went on without some of the listed files: the done notice for `count` files.
  auto fewer = [&](int count) {
    char packed[512];
    std::snprintf(packed, sizeof packed, display_text(MSG_PACKED), count);
    answers.push_back(
        {FEWER_FILES, 0, std::string(display_text(MSG_DONE_TITLE)) + "\n" + packed, true});
  };
  switch (kind) {
    case FAULT_SEARCH: error(display_text(MSG_NO_FILE_FOUND)); break;
    case FAULT_LIST:
      // A listing that the system says has ended (Windows): the files found until then are
      // packed, all of them when it ended where it would have.
      if (way.meaning == FAULT_ENDED) {
        same();
        for (int count = 1; count < listed; ++count) fewer(count);
      } else {
        search_error(MSG_READ_ERROR);
      }
      break;
    case FAULT_OPEN_FOLDER:
      // Without read permission the folder is kept as a handle to walk from, and listing it fails
      // as it would by its path; flushing a folder is best effort.
      same();
      error(display_text(MSG_NO_FILE_FOUND));
      break;
    case FAULT_CREATE:
    case FAULT_CREATE_UNNAMED: same(); error(display_text(MSG_NO_ARCHIVE_CREATED)); break;
    case FAULT_OPEN:  // a graphics file while copying, or, with option I, for its header
    case FAULT_READ:
      error(display_text(MSG_WRITE_ERROR));
      // The read after a large file's copy that tells whether it ends there: nothing is the end.
      if (way.effect == FAULT_NOTHING) same();
      if (info) {
        file_error(MSG_READ_ERROR);
        // A header is read through the stream buffer; a read after its whole file that fails
        // leaves nothing unread.
        if (kind == FAULT_READ) same();
      }
      break;
    case FAULT_STAT: {
      // The looks at the archive's name tell nothing that stops the run (or, a name too long,
      // refuse it); with option I a file whose header cannot be opened stops it.
      same();
      if (info) file_error(MSG_READ_ERROR);
      if (way.meaning == FAULT_TOO_LONG) error(display_text(MSG_PACK_RC) + std::string("5"));
      if (on_windows()) {
        // Windows asks the type of every file it opens, a listed one too: a graphics file whose
        // type cannot be told cannot be copied.
        error(display_text(MSG_WRITE_ERROR));
        break;
      }
      // A file that the listing cannot look at stops it.
      search_error(MSG_READ_ERROR);
      if (lost_name) {
        error(display_text(MSG_NO_FILE_FOUND));  // every file vanished
        fewer(listed - 1);
      }
      break;
    }
    case FAULT_CLOSE: same(); error(display_text(MSG_WRITE_ERROR)); break;
    case FAULT_LINK:
      same();  // a link under a temporary name that is taken is followed by the next
      if (taken) error(display_text(MSG_NO_ARCHIVE_CREATED));
      error(display_text(MSG_WRITE_ERROR));
      break;
    case FAULT_RENAME_NEW:
      error(display_text(taken ? MSG_NO_ARCHIVE_CREATED : MSG_WRITE_ERROR));
      break;
    case FAULT_REMOVE:
      error(display_text(MSG_WRITE_ERROR));
      answers.push_back({LEFT_OVER, 0, std::string()});
      break;
    case FAULT_WRITE:
    case FAULT_COPY:
    case FAULT_RENAME:
    case FAULT_FLUSH: error(display_text(MSG_WRITE_ERROR)); break;
    case FAULT_ALLOCATE:
      file_error(MSG_OUT_OF_MEMORY);
      search_error(MSG_OUT_OF_MEMORY);  // the folder's list of names
      break;
    case FAULT_LOCAL_TIME: answers.push_back({OTHER_ARCHIVE, 0, std::string()}); break;
    default: same(); break;
  }
  return answers;
}

// Checks one run with a fault against the oracle and the files of the start and the clean run.
void check_run(const fault_scenario &s, const std::vector<answer> &answers,
               const run_result &clean, const snapshot &start, const snapshot &clean_files,
               const run_result &run, const snapshot &after) {
  bool matched = false, as_clean = false, other_archive = false, left_over = false;
  for (const answer &a : answers) {
    bool match = false;
    switch (a.kind) {
      case SAME:
      case LEFT_OVER:
      case OTHER_ARCHIVE: match = run.status == clean.status && run.err == clean.err; break;
      case NOTICE:
      case FEWER_FILES:
        match = run.status == a.status && (a.opening ? run.err.find(a.notice) != std::string::npos
                                                     : ends_with(run.err, a.notice));
        break;
    }
    if (!match) continue;
    matched = true;
    as_clean |= a.kind != NOTICE && a.kind != FEWER_FILES;
    other_archive |= a.kind == OTHER_ARCHIVE || a.kind == FEWER_FILES;
    left_over |= a.kind == LEFT_OVER;
  }
  EXPECT_TRUE(matched) << "unexpected result: status " << run.status << ", notices:\n" << run.err;

  // Each file must be as the clean run left it when the fault was absorbed; after a failure it
  // must stand as before, or (extraction, entries before the failing one) as the clean run made
  // it. Packed archives carry the time of their run, so only their content is compared.
  bool extraction = is_extraction(s);
  std::set<std::string> paths;
  for (const snapshot *shot : {&start, &clean_files, &after}) {
    for (const auto &item : *shot) paths.insert(item.first);
  }
  for (const std::string &path : paths) {
    bool temporary = fs::path(path).filename().string().rfind(".vx", 0) == 0;
    if (temporary && left_over) continue;
    EXPECT_FALSE(temporary) << "left behind: " << path;
    auto was = start.find(path), done = clean_files.find(path), now = after.find(path);
    bool had = was != start.end(), made = done != clean_files.end(), has = now != after.end();
    bool ok;
    if (other_archive && made && has && !(had && same_file(was->second, done->second, true))) {
      ok = true;  // the archive, which may hold other bytes
    } else if (as_clean) {
      bool untouched = had && made && same_file(was->second, done->second, true);
      ok = has && made && same_file(now->second, done->second, extraction || untouched);
    } else {
      ok = has ? (had && same_file(now->second, was->second, true)) ||
                     (extraction && made && same_file(now->second, done->second, true))
               : !had;
    }
    EXPECT_TRUE(ok) << (!has ? "lost: " : had ? "changed: " : "appeared: ") << path;
  }
}

}  // namespace

fault_scenario packing(const fault_program &program, const char *label, const char *command,
                       const char *options, const std::vector<seed_file> &files) {
  return {label, program, command, "gfx", "arc", options, files};
}

fault_scenario extraction(const fault_program &program, const char *label, const char *archive,
                          const bytes &image, const char *options,
                          const std::vector<std::string> &existing) {
  fault_scenario s = {label, program, "X", "out", archive, options, {{archive, image, OLD_STAMP}}};
  for (const std::string &name : existing) {
    s.files.push_back({"out/" + name, text_bytes("other content"), OLD_STAMP});
  }
  return s;
}

bytes filled(size_t size, char fill) { return bytes(size, (uint8_t)fill); }

std::vector<seed_file> vehicle_files(void) {
  return {{"gfx/12345-03.fz2", filled(5, 'A'), IMAGE_STAMP},
          {"gfx/12345-04.fz2", filled(3, 'B'), OLD_STAMP}};
}

bytes older_vehicle_image(void) {
  return hex_bytes(
      "58 51 20 4B 41 52 56 20 56 65 68 69 63 6C 65 20 67 66 78 20 5A 6F 6F 6D 32 1A 46 5A 58 32"
      "93 03 03 00 0C 00 00 00  94 03 03 00 15 00 00 00  00 00 00 00"
      "93 03 03 00 05 00 00 00 C0 53 4E 3E  41 41 41 41 41"
      "94 03 03 00 03 00 00 00 C0 53 4E 3E  42 42 42");
}

bytes scenery_image(const char *magic) {
  // Keys: number, sub_number, kind_letter, part, part_letter.
  if (magic[0] == 'U') {
    return archive_image(scenery_header(magic, '2'), {{{5, 0, 0, 12, 2}, filled(4, 'C')},
                                                      {{7, 0, 0, 1, 0}, filled(2, 'D')}});
  }
  return archive_image(scenery_header(magic, '2'), {{{123, 45, 0x10001u, 0, 0}, filled(4, 'C')},
                                                    {{49152, 0, 0, 1, 1}, filled(2, 'D')}});
}

namespace {

void run_fault_scenario_once(const fault_scenario &s, const std::string &variant) {
  scratch_dir dir(s.label);
  const std::string root = dir.path();
  lay_out(root, s);
  const snapshot start = take_snapshot(root);

  // The clean run: its result, its files and the number of calls of every kind.
  long open_before = fault_open_files();
  fault_plan(FAULT_OPEN, 0);
  const run_result clean = run_once(s, root);
  long calls[FAULT_KIND_COUNT];
  for (int k = 0; k < FAULT_KIND_COUNT; ++k) calls[k] = fault_calls((fault_kind)k);
  const snapshot clean_files = take_snapshot(root);
  ASSERT_EQ(fault_open_files(), open_before);
  ASSERT_EQ(clean.status, 0);
  ASSERT_NE(clean.err.find(display_text(MSG_DONE_TITLE)), std::string::npos) << clean.err;
  const extract_counts counts = counts_of(clean.err);

  // Each call fails once in every way of its kind; then each call and every later one of its
  // kind in the kind's plain way (a lasting fault). Texts are converted once per process and
  // kept, so a run after the first converts nothing: conversions are failed in the platform's
  // own tests.
  long runs = 0;
  std::string figures;
  for (int k = 0; k < FAULT_KIND_COUNT; ++k) {
    fault_kind kind = (fault_kind)k;
    if (kind == FAULT_CONVERT) continue;
    const fault_way *ways = nullptr;
    int way_count = fault_ways(kind, &ways);
    for (int w = 0; w < way_count; ++w) {
      const std::vector<answer> answers = allowed_answers(s, root, counts, kind, ways[w]);
      for (int lasting = 0; lasting < 2; ++lasting) {
        if (lasting && w > 0) continue;
        for (long n = 1; n <= calls[k]; ++n) {
          SCOPED_TRACE(std::string(s.label) + (variant.empty() ? "" : " (" + variant + ")") +
                       ": " + kind_names[k] + " call " + std::to_string(n) + " of " +
                       std::to_string(calls[k]) + (lasting ? " and every later one " : " ") +
                       way_name(ways[w]));
          lay_out(root, s);
          open_before = fault_open_files();
          fault_plan_way(kind, n, ways[w], lasting);
          const run_result run = run_once(s, root);
          long reached = fault_calls(kind);
          fault_plan(FAULT_OPEN, 0);
          EXPECT_GE(reached, n) << "the planned call was never made";
          EXPECT_EQ(fault_open_files(), open_before) << "handles left open";
          check_run(s, answers, clean, start, clean_files, run, take_snapshot(root));
          ++runs;
        }
      }
    }
    if (calls[k] > 0) {
      figures += (figures.empty() ? "" : ", ") + std::string(kind_names[k]) + " " +
                 std::to_string(calls[k]) + "x" + std::to_string(way_count);
    }
  }
  std::printf("[ faults   ] %s%s: %ld runs, every call failed once in every way of its kind, "
              "and lasting in its plain way (calls x ways: %s)\n", s.label,
              variant.empty() ? "" : (" (" + variant + ")").c_str(), runs, figures.c_str());
}

}  // namespace

// Every scenario runs on every system variant of the platform layer: writing files without a
// name where the system has them, writing under temporary names as on every other system, and
// so on (fault_use_variant).
void run_fault_scenario(const fault_scenario &s) {
  for (int variant = 0; variant < fault_variant_count(); ++variant) {
    run_fault_scenario_once(s, fault_use_variant(variant));
  }
  fault_use_variant(0);
}

// ---------------------------------------------------------------------------------------------
// Races with other processes and stopping signals, made to happen at a known moment: an action
// runs just before a chosen system call.

namespace {

std::string race_root;          // the scratch folder of the race that runs now
names race_names;               // the files that the clean extraction made

void archive_appears(void) { write_file(inside(race_root, "arc.fz2"), text_bytes("PRECIOUS")); }

void first_file_grows(void) {
  std::string path = inside(race_root, "gfx/12345-03.fz2");
  bytes content = read_file(path);
  content.push_back('+');
  write_file(path, content);
}

void names_are_taken(void) {
  for (const std::string &name : race_names) {
    write_file(inside(race_root, "out/" + name), text_bytes("other content"));
  }
}

#ifndef _WIN32
int race_signal = 0;            // the signal that the stop action raises

void stop_signal_arrives(void) { raise(race_signal); }
#endif


std::string final_notice(uint32_t title, const std::string &text) {
  return shown_notice(display_text(title), text);
}

}  // namespace

void run_race_table(const fault_program &program) {
  const std::string write_error = final_notice(MSG_ERROR_TITLE, display_text(MSG_WRITE_ERROR));
  for (int variant = 0; variant < fault_variant_count(); ++variant) {
    SCOPED_TRACE(fault_use_variant(variant));
    // The call that gives a finished file its final name: the link of a file without a name, the
    // move of a temporary file (always on Windows), or the link that stands in for that move.
    const fault_kind naming = variant == 1 || on_windows() ? FAULT_RENAME_NEW : FAULT_LINK;
    scratch_dir dir("races");
    race_root = dir.path();

    // Packing without O: an archive that appears before the last step is not replaced.
    fault_scenario pack = packing(program, "race", "V2", "", vehicle_files());
    lay_out(race_root, pack);
    fault_plan(FAULT_OPEN, 0);
    fault_plan_action(naming, 1, archive_appears);
    run_result run = run_once(pack, race_root);
    EXPECT_TRUE(ends_with(run.err, final_notice(MSG_ERROR_TITLE,
                                                display_text(MSG_NO_ARCHIVE_CREATED))))
        << run.err;
    EXPECT_EQ(read_file(inside(race_root, "arc.fz2")), text_bytes("PRECIOUS"));
    EXPECT_EQ(temporary_files(race_root), names{});

    // A graphics file that grows between the listing and its copy: an error, no archive.
    lay_out(race_root, pack);
    fault_plan(FAULT_OPEN, 0);
    fault_plan_action(FAULT_OPEN, 1, first_file_grows);
    run = run_once(pack, race_root);
    EXPECT_TRUE(ends_with(run.err, write_error)) << run.err;
    EXPECT_FALSE(fs::exists(inside(race_root, "arc.fz2")));
    EXPECT_EQ(temporary_files(race_root), names{});

    // Extraction without O: names taken while their files are written are existing files, and
    // the run goes on to its end.
    fault_scenario extract = extraction(program, "race", "arc.gz2", scenery_image("GZX"));
    lay_out(race_root, extract);
    fault_plan(FAULT_OPEN, 0);
    run_once(extract, race_root);
    race_names = list_names(inside(race_root, "out"));
    ASSERT_EQ(race_names.size(), 2u);
    lay_out(race_root, extract);
    fault_plan(FAULT_OPEN, 0);
    fault_plan_action(naming, 1, names_are_taken);
    run = run_once(extract, race_root);
    final_message done;
    compose_extract_result(0, 2, 0, 2, display_text, &done);
    EXPECT_TRUE(ends_with(run.err, final_notice(done.title, done.text))) << run.err;
    for (const std::string &name : race_names) {
      EXPECT_EQ(read_file(inside(race_root, "out/" + name)), text_bytes("other content"));
    }
    EXPECT_EQ(temporary_files(race_root), names{});
  }
  fault_use_variant(0);
}

namespace {

std::string swap_root;          // the scratch folder of the swap that runs now
bool swapped_after_search;      // the swap came once the folder's search had begun

// Another process moves the packed folder away and puts another under its path.
void folder_is_swapped(void) {
  swapped_after_search = fault_calls(FAULT_SEARCH) > 0;
  fs::rename(inside(swap_root, "gfx"), inside(swap_root, "gfx-moved"));
  fs::rename(inside(swap_root, "other"), inside(swap_root, "gfx"));
}

// The archive that a packing run wrote ("arc" with the extension the command gave it); empty
// when there is none.
bytes packed_archive(const std::string &root) {
  for (const auto &item : fs::directory_iterator(root)) {
    if (item.is_regular_file() && item.path().filename().string().rfind("arc.", 0) == 0) {
      return read_file(item.path().string());
    }
  }
  return bytes();
}

}  // namespace

void run_folder_swaps(const fault_scenario &s) {
  if (on_windows()) GTEST_SKIP() << "Windows opens the folder by its path";
  scratch_dir dir(s.label);
  swap_root = dir.path();
  // The other folder: the same names and sizes, other bytes (the last one changed, so that
  // option I still reads the headers) and another time.
  fault_scenario both = s, only_other = s;
  only_other.files.clear();
  for (const seed_file &f : s.files) {
    seed_file other = f;
    other.content.back() ^= 0x20;
    other.stamp = f.stamp + (3u << 16);  // three days later
    only_other.files.push_back(other);
    other.path = "other" + f.path.substr(3);  // "gfx/..." becomes "other/..."
    both.files.push_back(other);
  }
  // What each folder packs into when it stands alone.
  lay_out(swap_root, s);
  fault_plan(FAULT_OPEN, 0);
  ASSERT_EQ(run_once(s, swap_root).status, 0);
  const bytes first = packed_archive(swap_root);
  long calls[FAULT_KIND_COUNT];
  for (int k = 0; k < FAULT_KIND_COUNT; ++k) calls[k] = fault_calls((fault_kind)k);
  lay_out(swap_root, only_other);
  fault_plan(FAULT_OPEN, 0);
  ASSERT_EQ(run_once(only_other, swap_root).status, 0);
  const bytes second = packed_archive(swap_root);
  ASSERT_FALSE(first.empty());
  ASSERT_NE(first, second);

  // The swap before every call of the run in turn: the archive holds one folder's files with
  // their own times, and the first folder's once its search has begun.
  for (int k = 0; k < FAULT_KIND_COUNT; ++k) {
    for (long n = 1; n <= calls[k]; ++n) {
      SCOPED_TRACE(std::string(s.label) + ": folder swapped before " + kind_names[k] +
                   " call " + std::to_string(n) + " of " + std::to_string(calls[k]));
      lay_out(swap_root, both);
      long open_before = fault_open_files();
      fault_plan(FAULT_OPEN, 0);
      swapped_after_search = false;
      fault_plan_action((fault_kind)k, n, folder_is_swapped);
      const run_result run = run_once(both, swap_root);
      fault_plan(FAULT_OPEN, 0);
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(fault_open_files(), open_before) << "handles left open";
      const bytes packed = packed_archive(swap_root);
      if (swapped_after_search) {
        EXPECT_TRUE(packed == first) << "not the first folder's files and times alone";
      } else {
        EXPECT_TRUE(packed == first || packed == second) << "files or times of both folders";
      }
      EXPECT_EQ(temporary_files(swap_root), names{});
    }
  }
}

void run_flush_counts(const fault_program &program) {
  scratch_dir dir("flushes");
  const std::string root = dir.path();
  // The archive is flushed before it takes its name; extracted files only when they replace one.
  fault_scenario pack = packing(program, "flush", "V2", "", vehicle_files());
  lay_out(root, pack);
  fault_plan(FAULT_OPEN, 0);
  run_once(pack, root);
  EXPECT_EQ(fault_calls(FAULT_FLUSH), 1);
  fault_scenario extract = extraction(program, "flush", "arc.gz2", scenery_image("GZX"));
  lay_out(root, extract);
  fault_plan(FAULT_OPEN, 0);
  run_once(extract, root);
  EXPECT_EQ(fault_calls(FAULT_FLUSH), 0);
  // Again with O over the files just made: both are replaced, and both flushed.
  extract.options = "O";
  fault_plan(FAULT_OPEN, 0);
  run_once(extract, root);
  EXPECT_EQ(fault_calls(FAULT_FLUSH), 2);
}

#ifndef _WIN32

namespace {

// Checks that a run that was stopped finished nothing: every file stands as before, with its
// time, and nothing new appeared.
void expect_as_before(const std::string &root, const snapshot &start) {
  const snapshot after = take_snapshot(root);
  EXPECT_EQ(after.size(), start.size());
  for (const auto &item : start) {
    auto now = after.find(item.first);
    EXPECT_TRUE(now != after.end() && same_file(now->second, item.second, true)) << item.first;
  }
}

}  // namespace

void run_stop_signals(const fault_program &program) {
  scratch_dir dir("signals");
  const std::string root = dir.path();
  const fault_scenario commands[] = {
      packing(program, "signal", "V2", "", vehicle_files()),
      extraction(program, "signal", "arc.gz2", scenery_image("GZX"), "O", {"s123-45a.gz2"}),
  };
  // SIGKILL cannot be caught: only a file without a name is sure to go with the process.
  const int stops[] = {SIGINT, SIGTERM, SIGHUP, SIGKILL};
  for (int variant = 0; variant < fault_variant_count(); ++variant) {
    const std::string label = fault_use_variant(variant);
    for (int stop : stops) {
      if (stop == SIGKILL && variant != 0) continue;
      for (const fault_scenario &s : commands) {
        SCOPED_TRACE(std::string(s.command) + " stopped by signal " + std::to_string(stop) +
                     (label.empty() ? "" : ", " + label));
        lay_out(root, s);
        const snapshot start = take_snapshot(root);
        std::fflush(nullptr);
        pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
          std::freopen("/dev/null", "w", stdout);
          std::freopen("/dev/null", "w", stderr);
          fault_plan(FAULT_OPEN, 0);
          race_signal = stop;
          fault_plan_action(FAULT_WRITE, 1, stop_signal_arrives);
          std::vector<std::string> args = command_arguments(s, root);
          std::vector<char *> argv = argument_vector(args);
          s.program.entry((int)args.size(), argv.data());
          _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == stop) << status;
        EXPECT_EQ(temporary_files(root), names{});
        expect_as_before(root, start);
      }
    }
  }
  fault_use_variant(0);
}

void run_file_size_limit(const fault_program &program) {
  scratch_dir dir("file-size");
  scratch_dir capture("file-size-capture");
  const std::string root = dir.path();
  const std::string err_file = capture.file("err.txt");
  const long limit = 40 * 1024;
  // The first file and the archive pass the limit; the first file through the system's copy.
  fault_scenario pack = packing(program, "limit", "V2", "",
                                {{"gfx/12345-03.fz2", filled(80 * 1024, 'A'), IMAGE_STAMP},
                                 {"gfx/12345-04.fz2", filled(20 * 1024, 'B'), OLD_STAMP}});
  lay_out(root, pack);
  fault_plan(FAULT_OPEN, 0);
  ASSERT_EQ(run_once(pack, root).status, 0);
  const fault_scenario commands[] = {
      pack, extraction(program, "limit", "arc.fz2", read_file(inside(root, "arc.fz2")))};
  const std::string endings[] = {
      final_notice(MSG_ERROR_TITLE, display_text(MSG_WRITE_ERROR)),
      final_notice(MSG_ERROR_TITLE, display_text(MSG_EXTRACT_RC) + std::string("4"))};
  for (int variant = 0; variant < fault_variant_count(); ++variant) {
    const std::string label = fault_use_variant(variant);
    for (int i = 0; i < 2; ++i) {
      const fault_scenario &s = commands[i];
      SCOPED_TRACE(std::string(s.command) + " past the file-size limit" +
                   (label.empty() ? "" : ", " + label));
      lay_out(root, s);
      const snapshot start = take_snapshot(root);
      std::fflush(nullptr);
      pid_t child = fork();
      ASSERT_NE(child, -1);
      if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen(err_file.c_str(), "w", stderr);
        fault_plan(FAULT_OPEN, 0);
        struct rlimit size_limit = {(rlim_t)limit, (rlim_t)limit};
        if (setrlimit(RLIMIT_FSIZE, &size_limit) != 0) _exit(126);
        std::vector<std::string> args = command_arguments(s, root);
        std::vector<char *> argv = argument_vector(args);
        int status = s.program.entry((int)args.size(), argv.data());
        std::fflush(nullptr);
        _exit(status);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
      bytes err = read_file(err_file);
      const std::string text(err.begin(), err.end());
      EXPECT_TRUE(ends_with(text, endings[i])) << text;
      EXPECT_EQ(temporary_files(root), names{});
      expect_as_before(root, start);
    }
  }
  fault_use_variant(0);
}

#endif  // not _WIN32
