// POSIX side of the platform layer: files, the directory search, the user's language, text
// conversion, notices and memory blocks.
#include "platform/platform.h"
#include "platform/system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/dos_time.h"
#include "platform/wildcard.h"

const char path_separator = '/';

int is_name_stop(char c) { return c == '/'; }

// ---------------------------------------------------------------------------------------------
// Files

plat_file system_open_read(const char *path) {
  if (path == nullptr || path[0] == '\0') return PLAT_NO_FILE;
  int fd;
  do {
    fd = open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return PLAT_NO_FILE;
  // A directory opens for reading here but not on Windows; refuse it the same way.
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return PLAT_NO_FILE;
  }
  return (plat_file)fd;
}

plat_file system_create_new(const char *path) {
  if (path == nullptr || path[0] == '\0') return PLAT_NO_FILE;
  int fd;
  do {
    fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? PLAT_NO_FILE : (plat_file)fd;
}

int system_read(plat_file file, void *buffer, size_t want, size_t *got) {
  *got = 0;
  if (file == PLAT_NO_FILE) return 1;
  char *at = static_cast<char *>(buffer);
  size_t done = 0;
  while (done < want) {
    size_t chunk = want - done;
    if (chunk > (size_t)SSIZE_MAX) chunk = (size_t)SSIZE_MAX;
    ssize_t count = read((int)file, at + done, chunk);
    if (count < 0) {
      if (errno == EINTR) continue;
      *got = done;
      return 1;
    }
    if (count == 0) break;  // end of file
    done += (size_t)count;
  }
  *got = done;
  return 0;
}

int system_write(plat_file file, const void *buffer, size_t length) {
  if (file == PLAT_NO_FILE) return 1;
  const char *at = static_cast<const char *>(buffer);
  size_t done = 0;
  while (done < length) {
    size_t chunk = length - done;
    if (chunk > (size_t)SSIZE_MAX) chunk = (size_t)SSIZE_MAX;
    ssize_t count = write((int)file, at + done, chunk);
    if (count < 0) {
      if (errno == EINTR) continue;
      return 1;
    }
    if (count == 0) return 1;  // no progress: give up rather than spin
    done += (size_t)count;
  }
  return 0;
}

int system_copy_between(plat_file from, plat_file to, size_t count, size_t *copied) {
  *copied = 0;
#ifdef __linux__
  while (*copied < count) {
    ssize_t done = copy_file_range((int)from, nullptr, (int)to, nullptr, count - *copied, 0);
    if (done < 0) {
      if (errno == EINTR) continue;
      // Not for these files (other file systems, an old kernel): copy through the program.
      if (*copied == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                           errno == EOPNOTSUPP || errno == EBADF)) {
        return 3;
      }
      return errno == EIO ? 1 : 2;
    }
    if (done == 0) break;  // the end of the source
    *copied += (size_t)done;
  }
  return 0;
#else
  (void)from;
  (void)to;
  (void)count;
  return 3;
#endif
}

namespace {

// The moment a local time names, as mktime gives it (summer time decided by the system).
time_t local_moment(int year, int month, int day, int hour, int minute, int second) {
  struct tm local;
  std::memset(&local, 0, sizeof local);
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;  // let the system decide whether summer time applies
  return mktime(&local);
}

// mktime looks at the time zone file again on every call, and files extracted together mostly
// share their dates. So the start of the last date asked for is kept, with whether that day runs
// its 86,400 seconds evenly (no change of summer time); on such a day a time is its start plus
// the seconds into the day.
time_t moment_of(const dos_fields *f) {
  static uint32_t cached_date = 0xFFFFFFFFu;
  static time_t day_start = (time_t)-1;
  static int day_even = 0;
  uint32_t date = (uint32_t)f->year * 10000u + (uint32_t)f->month * 100u + (uint32_t)f->day;
  if (date != cached_date) {
    cached_date = date;
    day_start = local_moment(f->year, f->month, f->day, 0, 0, 0);
    time_t day_end = local_moment(f->year, f->month, f->day, 23, 59, 58);
    day_even = day_start != (time_t)-1 && day_end != (time_t)-1 && day_end - day_start == 86398;
  }
  if (day_even) return day_start + f->hour * 3600 + f->minute * 60 + f->second;
  return local_moment(f->year, f->month, f->day, f->hour, f->minute, f->second);
}

}  // namespace

int system_set_file_time(plat_file file, uint16_t dos_date, uint16_t dos_time) {
  if (file == PLAT_NO_FILE) return 1;
  dos_fields fields;
  if (dos_to_fields(dos_date, dos_time, &fields) != 0) return 1;
  time_t moment = moment_of(&fields);
  if (moment == (time_t)-1) return 1;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // access time stays
  times[1].tv_sec = moment;
  times[1].tv_nsec = 0;
  return futimens((int)file, times) == 0 ? 0 : 1;
}

int system_close(plat_file file) {
  if (file == PLAT_NO_FILE) return 1;
  // No retry on EINTR: the descriptor is released either way, and a retry could close another.
  return close((int)file) == 0 ? 0 : 1;
}

int system_replace_file(const char *from, const char *to) {
  if (from == nullptr || to == nullptr) return 1;
  return rename(from, to) == 0 ? 0 : 1;
}

int plat_name_taken(const char *path) {
  if (path == nullptr || path[0] == '\0') return 0;
  struct stat info;
  if (lstat(path, &info) == 0) return 1;
  return (errno == ENOENT || errno == ENOTDIR) ? 0 : 1;
}

// A hard link fails when the name is taken, so no file is ever replaced. On a file system
// without hard links the move falls back to rename after a look at the name.
int system_move_file_new(const char *from, const char *to) {
  if (from == nullptr || to == nullptr) return 1;
  if (link(from, to) == 0) {
    unlink(from);
    return 0;
  }
  if (errno == EEXIST) return 1;
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EXDEV) return 1;
  if (plat_name_taken(to)) return 1;
  return rename(from, to) == 0 ? 0 : 1;
}

int plat_remove_file(const char *path) {
  if (path == nullptr) return 1;
  return unlink(path) == 0 ? 0 : 1;
}

int plat_is_read_only(const char *path) {
  if (path == nullptr || path[0] == '\0') return 0;
  struct stat info;
  if (stat(path, &info) != 0) return 0;
  return (info.st_mode & 0222) == 0 ? 1 : 0;
}

plat_file system_open_existing_for_write(const char *path) {
  if (path == nullptr || path[0] == '\0') return PLAT_NO_FILE;
  int fd;
  do {
    fd = open(path, O_WRONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd < 0 ? PLAT_NO_FILE : (plat_file)fd;
}

// ---------------------------------------------------------------------------------------------
// Directory search. The matching names are collected and sorted once; each is looked at with
// stat only when it is handed out. Only the names are kept, packed into one buffer, so that a
// folder of a hundred thousand files costs little memory.

struct plat_search_state {
  std::string prefix;           // the folder part of the pattern with its '/', or empty
  std::string names;            // the matching names, each followed by a terminator
  std::vector<size_t> offsets;  // start of each name in `names`, in byte order of the names
  size_t next;                  // the next entry of `offsets` to hand out
};

namespace {

// Reads the folder and keeps the names that match; 0, or 1 when the folder cannot be read.
int collect_names(const char *folder, const char *name_pattern, plat_search_state *state) {
  DIR *dir = opendir(folder);
  if (dir == nullptr) return 1;
  for (;;) {
    errno = 0;
    struct dirent *entry = readdir(dir);
    if (entry == nullptr) {
      // A read error part way would give an incomplete list; report the folder as unreadable
      // rather than leave files out without a word.
      if (errno != 0) {
        closedir(dir);
        return 1;
      }
      break;
    }
    const char *name = entry->d_name;
    if (name[0] == '.') continue;  // hidden, and the "." and ".." entries
    size_t length = std::strlen(name);
    if (length >= NAME_BUFFER_SIZE) continue;  // cannot be handed out in full
    if (!wildcard_match(name_pattern, name)) continue;
    state->offsets.push_back(state->names.size());
    state->names.append(name, length + 1);
  }
  closedir(dir);
  const char *base = state->names.data();
  std::sort(state->offsets.begin(), state->offsets.end(),
            [base](size_t a, size_t b) { return std::strcmp(base + a, base + b) < 0; });
  return 0;
}

// The last-write time as local DOS date and time, clamped to what DOS form holds.
void local_dos_time(time_t moment, uint16_t *dos_date, uint16_t *dos_time) {
  dos_fields fields;
  struct tm local;
  if (localtime_r(&moment, &local) == nullptr) {
    // Only times far outside any calendar fail here; they clamp to the nearer end.
    fields.year = moment < 0 ? 0 : 9999;
    fields.month = 1;
    fields.day = 1;
    fields.hour = 0;
    fields.minute = 0;
    fields.second = 0;
  } else {
    fields.year = local.tm_year + 1900;
    fields.month = local.tm_mon + 1;
    fields.day = local.tm_mday;
    fields.hour = local.tm_hour;
    fields.minute = local.tm_min;
    fields.second = local.tm_sec;
  }
  dos_from_fields(&fields, dos_date, dos_time);
}

// Hands out the next name that is still a regular file; 0, or 1 when none is left.
int hand_out_next(plat_search_state *state, plat_found_file *found) {
  std::string path;
  while (state->next < state->offsets.size()) {
    const char *name = state->names.data() + state->offsets[state->next];
    ++state->next;
    path.assign(state->prefix);
    path.append(name);
    struct stat info;
    if (stat(path.c_str(), &info) != 0) continue;  // vanished, or a broken link
    if (!S_ISREG(info.st_mode)) continue;          // folders, devices, pipes
    size_t length = std::strlen(name);             // below NAME_BUFFER_SIZE, tested when read
    std::memcpy(found->name, name, length + 1);
    found->size = (uint64_t)info.st_size;
    local_dos_time(info.st_mtime, &found->dos_date, &found->dos_time);
    return 0;
  }
  return 1;
}

}  // namespace

int system_find_first(const char *pattern, plat_search *search, plat_found_file *found) {
  *search = nullptr;
  if (pattern == nullptr || found == nullptr) return 1;
  const char *slash = std::strrchr(pattern, '/');
  const char *name_pattern = slash != nullptr ? slash + 1 : pattern;
  if (name_pattern[0] == '\0') return 1;  // "folder/" names no file

  plat_search_state *state = new (std::nothrow) plat_search_state();
  if (state == nullptr) return 1;
  state->next = 0;
  std::string folder;
  if (slash == nullptr) {
    folder = ".";
  } else {
    state->prefix.assign(pattern, (size_t)(slash - pattern) + 1);
    folder = state->prefix;  // "dir/" and "/" both open as folders
  }
  if (collect_names(folder.c_str(), name_pattern, state) != 0 ||
      hand_out_next(state, found) != 0) {
    delete state;
    return 1;
  }
  *search = state;
  return 0;
}

int plat_find_next(plat_search search, plat_found_file *found) {
  if (search == nullptr || found == nullptr) return 1;
  return hand_out_next(search, found);
}

void plat_find_close(plat_search search) { delete search; }

// ---------------------------------------------------------------------------------------------
// The user and the screen

int plat_primary_language(void) {
  const char *variables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (const char *variable : variables) {
    const char *value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') return primary_language_from_locale(value);
  }
  return primary_language_from_locale(nullptr);
}

namespace {

// Copies ASCII bytes and puts '?' for every other one; for when no converter is at hand.
int copy_ascii_only(const char *text, char *out, size_t out_size) {
  size_t used = 0;
  for (const char *p = text; *p != '\0'; ++p) {
    if (used + 1 >= out_size) {
      out[used] = '\0';
      return 1;
    }
    unsigned char c = (unsigned char)*p;
    out[used++] = c < 0x80 ? (char)c : '?';
  }
  out[used] = '\0';
  return 0;
}

}  // namespace

int plat_convert_text(const char *text, int code_page, char *out, size_t out_size) {
  if (out == nullptr || out_size == 0) return 1;
  if (text == nullptr) {
    out[0] = '\0';
    return 0;
  }
  const char *source;
  switch (code_page) {
    case 1250: source = "CP1250"; break;
    case 850: source = "CP850"; break;
    case 852: source = "CP852"; break;
    default: return copy_ascii_only(text, out, out_size);
  }
  iconv_t converter = iconv_open("UTF-8", source);
  if (converter == (iconv_t)-1) return copy_ascii_only(text, out, out_size);

  char *in = const_cast<char *>(text);
  size_t in_left = std::strlen(text);
  char *to = out;
  size_t out_left = out_size - 1;  // room for the terminator
  int cut = 0;
  while (in_left > 0) {
    if (iconv(converter, &in, &in_left, &to, &out_left) != (size_t)-1) break;
    if (errno == E2BIG) {
      cut = 1;  // iconv stops before a character that does not fit whole
      break;
    }
    // A byte the code page does not define: show '?' and go on behind it.
    if (out_left == 0) {
      cut = 1;
      break;
    }
    *to++ = '?';
    --out_left;
    ++in;
    --in_left;
  }
  *to = '\0';
  iconv_close(converter);
  return cut;
}

void plat_show_notice(const char *text, const char *title) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n%s\n", title != nullptr ? title : "", text != nullptr ? text : "");
  if (isatty(0) && isatty(2)) {
    std::fputs("[OK] ", stderr);
    std::fflush(stderr);
    int c;
    do {
      c = std::getchar();
    } while (c != '\n' && c != EOF);
  }
  std::fflush(stderr);
}

// ---------------------------------------------------------------------------------------------
// Memory blocks

void *system_allocate_block(size_t size) { return std::malloc(size != 0 ? size : 1); }

void plat_release_block(void *block) { std::free(block); }
