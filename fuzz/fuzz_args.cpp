// Fuzz target: the command line, by the current program's rules (parse_command_line) and by the
// legacy program's (parse_arguments with its rules). Input: byte 0 gives the number of arguments
// after the program name (0 to 5); the rest, split at zero bytes, gives the arguments (missing
// ones are empty). Checked: the result is 0 or 1; on 0 the fields hold terminated texts that fit,
// the flags are 0 or 1 and say what the arguments say.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vorax/vorax.h"

namespace {

// The legacy program's rules: 8 characters of the command and options arguments count.
const command_rules legacy_rules = {10, 8, "XVUS", "OS"};

void fail(const char *what, const char *rules) {
  std::fprintf(stderr, "fuzz_args (%s rules): %s\n", rules, what);
  std::abort();
}

int fits(const char *field) { return std::memchr(field, '\0', NAME_BUFFER_SIZE) != nullptr; }

void check(int rc, const command_line &cmd, const std::vector<std::string> &args, int legacy) {
  const char *rules = legacy ? "legacy" : "current";
  if (rc != 0 && rc != 1) fail("result neither 0 nor 1", rules);
  if (rc != 0) return;
  if (args.size() < 4) fail("too few arguments accepted", rules);
  if (!fits(cmd.directory) || !fits(cmd.archive_name)) fail("field not terminated", rules);
  int flags[] = {cmd.extract, cmd.vehicle, cmd.select_by_name, cmd.overwrite, cmd.simulate,
                 cmd.info, cmd.quiet};
  for (int f : flags) {
    if (f != 0 && f != 1) fail("flag neither 0 nor 1", rules);
  }
  if (cmd.extract ? (cmd.zoom_digit != 0 || cmd.vehicle || cmd.select_by_name)
                  : (cmd.zoom_digit != 1 && cmd.zoom_digit != 2 && cmd.zoom_digit != 4))
    fail("command and zoom digit disagree", rules);
  if (legacy && ((cmd.vehicle && cmd.select_by_name) || cmd.info || cmd.quiet))
    fail("W or option I or Q by the legacy rules", rules);
  if (args.size() < 5 && (cmd.overwrite || cmd.simulate || cmd.info || cmd.quiet))
    fail("options without an options argument", rules);
  // The directory loses one trailing separator at most; the archive name is kept (X) or gains
  // an extension of 4 characters when its last component has no ".".
  std::string directory = args[2], archive = args[3];
  if (!directory.empty() && directory.back() == path_separator) directory.pop_back();
  if (directory != cmd.directory) fail("directory changed", rules);
  std::string name = cmd.archive_name;
  size_t component = 0;
  for (size_t i = 0; i < archive.size(); ++i) {
    if (is_name_stop(archive[i])) component = i + 1;
  }
  if (name != archive && (cmd.extract || archive.find('.', component) != std::string::npos ||
                          name.compare(0, archive.size(), archive) != 0 ||
                          name.size() != archive.size() + 4))
    fail("archive name changed", rules);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  size_t count = data[0] % 6;
  std::vector<std::string> args(1, "vorax");
  const char *text = reinterpret_cast<const char *>(data + 1);
  size_t rest = size - 1;
  while (args.size() < count + 1) {
    const char *end = static_cast<const char *>(std::memchr(text, '\0', rest));
    size_t length = end != nullptr ? (size_t)(end - text) : rest;
    args.emplace_back(text, length);
    size_t used = end != nullptr ? length + 1 : length;
    text += used;
    rest -= used;
  }
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);

  command_line cmd;
  check(parse_command_line((int)args.size(), argv.data(), &cmd), cmd, args, 0);
  check(parse_arguments((int)args.size(), argv.data(), &legacy_rules, &cmd), cmd, args, 1);
  return 0;
}
