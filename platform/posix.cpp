// POSIX side of the platform layer: files, the directory search, the user's language, text
// conversion, notices and memory blocks. Every call into the system goes through the wrappers of
// posix_calls.h (namespace sys), where the test build can fail it.
#include "platform/platform.h"

#include <limits.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/dos_time.h"
#include "platform/local_time.h"
#include "platform/posix_calls.h"
#include "platform/wildcard.h"

using sys::again_if_interrupted;

const char path_separator = '/';

int is_name_stop(char c) { return c == '/'; }

// Names are bytes, and the limits count bytes.
size_t plat_name_length(const char *name) { return name != nullptr ? std::strlen(name) : 0; }

// The arguments arrive as the system's bytes already.
void plat_take_command_line(int *, char ***) {}

// ---------------------------------------------------------------------------------------------
// The kept folder. Every file operation below reaches a name that lies directly in the kept
// folder through the folder's handle, so that the system walks the folder's path once rather
// than for every file; any other path goes by its whole text.

namespace {

char kept_path[NAME_BUFFER_SIZE];  // as plat_keep_folder was given it
size_t kept_length = 0;
int kept_fd = -1;
int kept_listable = 0;  // the handle was opened for reading, so the search can list through it

// Where the system finds a path: a folder handle (or AT_FDCWD) and the name to look up from it.
struct place {
  int dir;
  const char *name;
};

place place_of(const char *path) {
  place at = {AT_FDCWD, path};
  if (kept_fd < 0 || path == nullptr) return at;
  const char *slash = std::strrchr(path, '/');
  if (slash == nullptr || slash[1] == '\0') return at;
  if ((size_t)(slash - path) != kept_length || std::memcmp(path, kept_path, kept_length) != 0) {
    return at;
  }
  at.dir = kept_fd;
  at.name = slash + 1;
  return at;
}

// 1 when `folder` ("dir" or "dir/") is the kept folder.
int is_kept_folder(const char *folder) {
  if (kept_fd < 0 || folder == nullptr) return 0;
  size_t length = std::strlen(folder);
  if (length == kept_length + 1 && folder[kept_length] == '/') length = kept_length;
  return length == kept_length && std::memcmp(folder, kept_path, kept_length) == 0;
}

void release_guard_folder(void);

}  // namespace

void plat_keep_folder(const char *folder) {
  if (kept_fd >= 0) {
    release_guard_folder();
    sys::close(kept_fd);
    kept_fd = -1;
    kept_length = 0;
    kept_listable = 0;
  }
  if (folder == nullptr || folder[0] == '\0') return;
  size_t length = std::strlen(folder);
  if (length >= sizeof kept_path) return;
  // Opened for reading, so that the search lists the folder through this same handle: the folder
  // is opened by its path once, and what is listed is what is read. A folder that may be searched
  // but not read (a drop folder to extract into) is kept as a handle to walk from alone, where
  // the system has those; listing it fails as it would by its path. A folder that cannot be
  // opened at all is not kept; its paths go by their text and fail or succeed as they would.
  int listable = 1;
  int fd = again_if_interrupted(
      [&] { return sys::open_folder(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
#ifdef O_PATH
  if (fd < 0 && errno == EACCES) {
    listable = 0;
    fd = sys::open_folder(AT_FDCWD, folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
#endif
  if (fd < 0) return;
  std::memcpy(kept_path, folder, length + 1);
  kept_length = length;
  kept_fd = fd;
  kept_listable = listable;
}

// ---------------------------------------------------------------------------------------------
// Files

plat_file plat_open_read(const char *path) {
  if (path == nullptr || path[0] == '\0') return PLAT_NO_FILE;
  // O_NONBLOCK keeps the open of a pipe without a writer from waiting for one; on a regular file
  // it changes nothing.
  place at = place_of(path);
  int fd = again_if_interrupted(
      [&] { return sys::open_file(at.dir, at.name, O_RDONLY | O_NONBLOCK | O_CLOEXEC); });
  if (fd < 0) return PLAT_NO_FILE;
  // Only a regular file is read. A folder opens here but not on Windows; a pipe or a device could
  // block for ever or never end.
  struct stat info;
  if (sys::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    sys::close(fd);
    return PLAT_NO_FILE;
  }
  return (plat_file)fd;
}

// The search has just seen a regular file under the name, so it is not asked again: one system
// call less for every file that packing reads. O_NONBLOCK still keeps a pipe or a device put
// there since from making the open or the reads wait.
plat_file plat_open_listed(const char *path) {
  if (path == nullptr || path[0] == '\0') return PLAT_NO_FILE;
  place at = place_of(path);
  int fd = again_if_interrupted([&] {
    return sys::open_file(at.dir, at.name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  });
  return fd < 0 ? PLAT_NO_FILE : (plat_file)fd;
}

plat_file plat_create_new(const char *path) {
  if (path == nullptr || path[0] == '\0') return PLAT_NO_FILE;
  place at = place_of(path);
  int fd = again_if_interrupted([&] {
    return sys::create_file(at.dir, at.name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  });
  return fd < 0 ? PLAT_NO_FILE : (plat_file)fd;
}

namespace {

// Whether this process can give an unnamed file a name: linkat through /proc/self/fd, which needs
// /proc. Asked once (in the test build once under every fault plan).
int can_link_unnamed(void) {
  static int answer = -1;
  static long asked_under = 0;
  if (answer < 0 || asked_under != fault_plan_number()) {
    answer = sys::access("/proc/self/fd", X_OK) == 0 ? 1 : 0;
    asked_under = fault_plan_number();
  }
  return answer;
}

}  // namespace

int plat_create_unnamed(const char *folder, plat_file *file) {
  *file = PLAT_NO_FILE;
#ifdef O_TMPFILE
  if (!can_link_unnamed()) return PLAT_UNNAMED_UNSUPPORTED;
  place at = {AT_FDCWD, folder != nullptr && folder[0] != '\0' ? folder : "."};
  if (is_kept_folder(folder)) at = {kept_fd, "."};
  int fd = again_if_interrupted([&] {
    return sys::create_unnamed(at.dir, at.name, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  });
  if (fd >= 0) {
    *file = (plat_file)fd;
    return PLAT_UNNAMED_MADE;
  }
  // Kernels and file systems without unnamed files answer one of these.
  if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOSYS) {
    return PLAT_UNNAMED_UNSUPPORTED;
  }
  return PLAT_UNNAMED_FAILED;
#else
  (void)folder;
  return PLAT_UNNAMED_UNSUPPORTED;
#endif
}

// The handle itself names the file (AT_EMPTY_PATH), where the kernel lets the file's opener do
// that (Linux 6.10 and later, or with the capability to search any folder); else its entry in
// /proc. Which of the two works is learnt once (in the test build once under every fault plan).
int plat_link_file(plat_file file, const char *path) {
  if (file == PLAT_NO_FILE || path == nullptr || path[0] == '\0') return PLAT_NAMING_FAILED;
  static int by_handle = 1;
  static long learnt_under = 0;
  if (learnt_under != fault_plan_number()) {
    by_handle = 1;
    learnt_under = fault_plan_number();
  }
  place at = place_of(path);
  if (by_handle) {
    if (sys::linkat((int)file, "", at.dir, at.name, AT_EMPTY_PATH) == 0) return PLAT_NAMED;
    if (errno == EEXIST) return PLAT_NAME_TAKEN;
    if (errno != ENOENT && errno != EPERM && errno != EINVAL) return PLAT_NAMING_FAILED;
  }
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", (int)file);
  if (sys::linkat(AT_FDCWD, self, at.dir, at.name, AT_SYMLINK_FOLLOW) == 0) {
    by_handle = 0;
    return PLAT_NAMED;
  }
  return errno == EEXIST ? PLAT_NAME_TAKEN : PLAT_NAMING_FAILED;
}

int plat_flush(plat_file file) {
  if (file == PLAT_NO_FILE) return 1;
  int rc = again_if_interrupted([&] { return sys::fsync((int)file); });
  // A file system that has nothing to flush may say so; that is no failure.
  return rc == 0 || errno == EINVAL ? 0 : 1;
}

void plat_flush_folder(const char *path) {
  if (path == nullptr) return;
  char folder[NAME_BUFFER_SIZE];
  const char *slash = std::strrchr(path, '/');
  if (slash == nullptr) {
    std::snprintf(folder, sizeof folder, ".");
  } else {
    size_t length = slash == path ? 1 : (size_t)(slash - path);
    if (length >= sizeof folder) return;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
  }
  int fd = again_if_interrupted(
      [&] { return sys::open_folder(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (fd < 0) return;
  again_if_interrupted([&] { return sys::fsync_folder(fd); });
  sys::close(fd);
}

int plat_lend_attributes(plat_file file, const plat_name_facts *facts) {
  if (file == PLAT_NO_FILE || facts == nullptr || facts->state != NAME_FILE) return 0;
  mode_t mode = (mode_t)facts->mode & 07777;
  uid_t owner = (uid_t)facts->owner;
  gid_t group = (gid_t)facts->group;
  // The owner first: a change of owner clears the set-id bits that the mode then restores. Where
  // the owner may not be given away, the group may still be kept; neither failure matters, but a
  // set-id bit stays only with the owner or group it was set for.
  int owner_kept = owner == geteuid(), group_kept = group == getegid();
  if (!owner_kept || !group_kept) {
    if (sys::fchown((int)file, owner, group) == 0) {
      owner_kept = group_kept = 1;
    } else {
      group_kept = sys::fchown((int)file, (uid_t)-1, group) == 0;
    }
  }
  if (!owner_kept) mode &= ~(mode_t)S_ISUID;
  if (!group_kept) mode &= ~(mode_t)S_ISGID;
  sys::fchmod((int)file, mode);
  return 1;
}

// Requests are cut into pieces that a signed count can report.
static size_t one_request(size_t count) {
  return count > (size_t)SSIZE_MAX ? (size_t)SSIZE_MAX : count;
}

int plat_read(plat_file file, void *buffer, size_t want, size_t *got) {
  *got = 0;
  if (file == PLAT_NO_FILE) return 1;
  char *at = static_cast<char *>(buffer);
  size_t done = 0;
  while (done < want) {
    size_t chunk = one_request(want - done);
    ssize_t count = again_if_interrupted([&] { return sys::read((int)file, at + done, chunk); });
    if (count < 0) {
      *got = done;
      return 1;
    }
    if (count == 0) break;  // end of file
    done += (size_t)count;
  }
  *got = done;
  return 0;
}

int plat_read_some(plat_file file, void *buffer, size_t want, size_t *got) {
  *got = 0;
  if (file == PLAT_NO_FILE) return 1;
  size_t chunk = one_request(want);
  ssize_t count = again_if_interrupted([&] { return sys::read((int)file, buffer, chunk); });
  if (count < 0) return 1;
  *got = (size_t)count;
  return 0;
}

int plat_write(plat_file file, const void *buffer, size_t length) {
  if (file == PLAT_NO_FILE) return 1;
  const char *at = static_cast<const char *>(buffer);
  size_t done = 0;
  while (done < length) {
    size_t chunk = one_request(length - done);
    ssize_t count = again_if_interrupted([&] { return sys::write((int)file, at + done, chunk); });
    if (count < 0) return 1;
    if (count == 0) return 1;  // no progress: give up rather than spin
    done += (size_t)count;
  }
  return 0;
}

int plat_copy_between(plat_file from, plat_file to, size_t count, size_t *copied) {
  *copied = 0;
#ifdef __linux__
  while (*copied < count) {
    ssize_t done = again_if_interrupted(
        [&] { return sys::copy_file_range((int)from, (int)to, count - *copied); });
    if (done < 0) {
      // Not for these files (other file systems, an old kernel): copy through the program.
      if (*copied == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                           errno == EOPNOTSUPP || errno == EBADF)) {
        return PLAT_COPY_UNSUPPORTED;
      }
      // A failed read of the source shows as EIO; everything else is the target's failure: a
      // full disk (ENOSPC), a write past the file-size limit (EFBIG), a quota (EDQUOT).
      return errno == EIO ? PLAT_COPY_READ_FAILED : PLAT_COPY_WRITE_FAILED;
    }
    if (done == 0) break;  // the end of the source
    *copied += (size_t)done;
  }
  return PLAT_COPY_DONE;
#else
  (void)from;
  (void)to;
  (void)count;
  return PLAT_COPY_UNSUPPORTED;
#endif
}

// Reads the zone through localtime_r, which reads the zone once in the process and not again.
int read_zone(int64_t moment, zone_reading *reading) {
  time_t at = (time_t)moment;
  struct tm local;
  if (sys::localtime_r(&at, &local) == nullptr) return 1;
  dos_fields f = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
  reading->offset = dos_fields_as_utc(&f) - moment;
  reading->summer = local.tm_isdst > 0;
  return 0;
}

int plat_set_file_time(plat_file file, uint16_t dos_date, uint16_t dos_time) {
  if (file == PLAT_NO_FILE) return 1;
  dos_fields fields;
  if (dos_to_fields(dos_date, dos_time, &fields) != 0) return 1;
  time_t moment;
  if (local_moment(&fields, &moment) != 0) return 1;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // access time stays
  times[1].tv_sec = moment;
  times[1].tv_nsec = 0;
  return sys::futimens((int)file, times) == 0 ? 0 : 1;
}

int plat_close(plat_file file) {
  if (file == PLAT_NO_FILE) return 1;
  // No retry on EINTR: the descriptor is released either way, and a retry could close another.
  return sys::close((int)file) == 0 ? 0 : 1;
}

int plat_replace_file(const char *from, const char *to) {
  if (from == nullptr || to == nullptr) return 1;
  place a = place_of(from);
  place b = place_of(to);
  return sys::renameat(a.dir, a.name, b.dir, b.name) == 0 ? 0 : 1;
}

namespace {

// The identity that a stat result gives: the device and the inode number.
plat_file_id identity_of(const struct stat *info) {
  return plat_file_id{1, (uint64_t)info->st_dev, (uint64_t)info->st_ino};
}

}  // namespace

int plat_file_identity(plat_file file, plat_file_id *id) {
  *id = plat_file_id{0, 0, 0};
  struct stat info;
  if (file == PLAT_NO_FILE || sys::fstat((int)file, &info) != 0) return 1;
  *id = identity_of(&info);
  return 0;
}

int plat_path_identity(const char *path, plat_file_id *id) {
  *id = plat_file_id{0, 0, 0};
  if (path == nullptr || path[0] == '\0') return 1;
  place at = place_of(path);
  struct stat info;
  if (sys::fstatat(at.dir, at.name, &info, 0) != 0) return 1;
  *id = identity_of(&info);
  return 0;
}

int plat_look_up_file(const char *path, plat_name_facts *facts) {
  *facts = plat_name_facts{NAME_INVALID, 0, 0, 0, 0, 0, plat_file_id{0, 0, 0}};
  if (path == nullptr || path[0] == '\0') return facts->state;
  place at = place_of(path);
  struct stat info;
  if (sys::fstatat(at.dir, at.name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISREG(info.st_mode)) {
      facts->state = NAME_FILE;
      facts->read_only = (info.st_mode & 0222) == 0 ? 1 : 0;
      facts->mode = (uint32_t)(info.st_mode & 07777);
      facts->owner = (uint32_t)info.st_uid;
      facts->group = (uint32_t)info.st_gid;
      facts->size = (uint64_t)info.st_size;
      facts->id = identity_of(&info);
    } else {
      facts->state = S_ISLNK(info.st_mode) ? NAME_LINK : NAME_OTHER;
    }
    return facts->state;
  }
  switch (errno) {
    case ENOENT:
    case ENOTDIR: facts->state = NAME_FREE; break;
    case ENAMETOOLONG: facts->state = NAME_INVALID; break;
    default: facts->state = NAME_UNKNOWN; break;
  }
  return facts->state;
}

// Moves without replacing: renameat2 with RENAME_NOREPLACE where the kernel and the file system
// have it, else a hard link (which fails when the name is taken) and the removal of the old name.
// On a file system without either, the move falls back to rename after a look at the name.
int plat_move_file_new(const char *from, const char *to) {
  if (from == nullptr || to == nullptr) return PLAT_NAMING_FAILED;
  place a = place_of(from);
  place b = place_of(to);
#ifdef RENAME_NOREPLACE
  if (sys::rename_noreplace(a.dir, a.name, b.dir, b.name) == 0) return PLAT_NAMED;
  if (errno == EEXIST) return PLAT_NAME_TAKEN;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return PLAT_NAMING_FAILED;
#endif
  if (sys::linkat(a.dir, a.name, b.dir, b.name, 0) == 0) {
    if (sys::unlinkat(a.dir, a.name, 0) == 0) return PLAT_NAMED;
    // The old name cannot be removed: the move is taken back, so that the file does not stand
    // under both names, and the caller removes the old name as after any failed move. Should the
    // new name not go either, the file has moved, and only its old name is left over.
    return sys::unlinkat(b.dir, b.name, 0) == 0 ? PLAT_NAMING_FAILED : PLAT_NAMED;
  }
  if (errno == EEXIST) return PLAT_NAME_TAKEN;
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EXDEV) {
    return PLAT_NAMING_FAILED;
  }
  if (plat_look_up_name(to) != NAME_FREE) return PLAT_NAME_TAKEN;
  return sys::renameat(a.dir, a.name, b.dir, b.name) == 0 ? PLAT_NAMED : PLAT_NAMING_FAILED;
}

int plat_follow_links(const char *path, char *out, size_t out_size) {
  if (path == nullptr || out == nullptr) return 1;
  char current[NAME_BUFFER_SIZE];
  int length = std::snprintf(current, sizeof current, "%s", path);
  if (length < 0 || (size_t)length >= sizeof current) return 1;
  // Up to 40 links, as the system follows in one path: 40 hops, then the look at what they led to.
  for (int hops = 0; hops <= 40; ++hops) {
    struct stat info;
    if (sys::lstat(current, &info) != 0 || !S_ISLNK(info.st_mode)) {
      length = std::snprintf(out, out_size, "%s", current);
      return length < 0 || (size_t)length >= out_size ? 1 : 0;
    }
    char target[NAME_BUFFER_SIZE];
    ssize_t count = sys::readlink(current, target, sizeof target);
    if (count <= 0 || (size_t)count >= sizeof target) return 1;
    target[count] = '\0';
    if (target[0] == '/') {
      std::memcpy(current, target, (size_t)count + 1);
      continue;
    }
    // A relative target counts from the folder that holds the link.
    const char *slash = std::strrchr(current, '/');
    size_t folder = slash != nullptr ? (size_t)(slash - current) + 1 : 0;
    if (folder + (size_t)count >= sizeof current) return 1;
    std::memcpy(current + folder, target, (size_t)count + 1);
  }
  return 1;  // a loop, or a chain too long to follow
}

int plat_remove_file(const char *path) {
  if (path == nullptr) return 1;
  place at = place_of(path);
  return sys::unlinkat(at.dir, at.name, 0) == 0 ? 0 : 1;
}

int plat_is_read_only(const char *path) {
  if (path == nullptr || path[0] == '\0') return 0;
  place at = place_of(path);
  struct stat info;
  if (sys::fstatat(at.dir, at.name, &info, 0) != 0) return 0;
  return (info.st_mode & 0222) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Directory search. The matching names are collected and sorted once; each is looked at with stat
// only when it is handed out, from the folder's handle, which stays open for that (for the kept
// folder a duplicate of its kept handle). Only the names are kept, packed into one buffer, so that
// a folder of a hundred thousand files costs little memory. The lists grow through the platform's
// memory blocks, so that running out of memory is an answer, never an exception.

struct plat_search_state {
  DIR *dir;                       // the folder, open until the search ends
  char *names;                    // the matching names, each followed by a terminator
  size_t names_used, names_room;
  size_t *offsets;                // start of each name in `names`, in byte order of the names
  size_t count, offsets_room;
  size_t next;                    // the next entry of `offsets` to hand out
};

namespace {

// Makes room for `needed` items of `size` bytes in a list that has room for *room: a new block
// twice as large (or `first` items), with the old items copied. 0, or 1 when no memory is left.
int grow_list(void **list, size_t *room, size_t needed, size_t size, size_t first) {
  if (needed <= *room) return 0;
  size_t wanted = *room != 0 ? *room : first;
  while (wanted < needed) {
    if (wanted > ((size_t)-1 / 2) / size) return 1;
    wanted *= 2;
  }
  void *bigger = plat_allocate_block(wanted * size);
  if (bigger == nullptr) return 1;
  if (*list != nullptr) {
    std::memcpy(bigger, *list, *room * size);
    plat_release_block(*list);
  }
  *list = bigger;
  *room = wanted;
  return 0;
}

void release_state(plat_search_state *state) {
  if (state == nullptr) return;
  if (state->dir != nullptr) sys::closedir(state->dir);
  plat_release_block(state->names);
  plat_release_block(state->offsets);
  plat_release_block(state);
}

// Opens `folder` for listing. The kept folder is listed through its own handle: a duplicate,
// which the listing owns and closes, rewound to the folder's start (the two share one position).
// So the folder is not opened by its path a second time, and a folder that another process has
// put under the path since it was kept is not listed. Any other folder goes by its path.
DIR *open_listing(const char *folder) {
  if (!is_kept_folder(folder)) return sys::opendir(folder);
  if (!kept_listable) return nullptr;
  int fd = sys::duplicate(kept_fd);
  if (fd < 0) return nullptr;
  DIR *dir = sys::fdopendir(fd);
  if (dir == nullptr) {
    sys::close(fd);
    return nullptr;
  }
  rewinddir(dir);
  return dir;
}

// Reads the folder and keeps the names that match: a plat_search_result, PLAT_FOUND (also for
// no match), PLAT_FOUND_NONE when the folder cannot be opened, PLAT_SEARCH_BROKEN when it cannot
// be read to its end, PLAT_SEARCH_NO_MEMORY when no memory is left for the list.
int collect_names(const char *folder, const char *name_pattern, plat_search_state *state) {
  DIR *dir = open_listing(folder);
  if (dir == nullptr) return PLAT_FOUND_NONE;
  state->dir = dir;
  int rc = PLAT_FOUND;
  for (;;) {
    errno = 0;
    struct dirent *entry = sys::readdir(dir);
    if (entry == nullptr) {
      // A read error part way would give an incomplete list; it is reported rather than files
      // left out without a word.
      if (errno != 0) rc = PLAT_SEARCH_BROKEN;
      break;
    }
    const char *name = entry->d_name;
    if (name[0] == '.') continue;  // hidden, and the "." and ".." entries
    size_t length = std::strlen(name);
    if (length >= NAME_BUFFER_SIZE) continue;  // cannot be handed out in full
    if (!wildcard_match(name_pattern, name, 0)) continue;
    if (grow_list((void **)&state->names, &state->names_room, state->names_used + length + 1, 1,
                  64 * 1024) != 0 ||
        grow_list((void **)&state->offsets, &state->offsets_room, state->count + 1,
                  sizeof(size_t), 1024) != 0) {
      rc = PLAT_SEARCH_NO_MEMORY;
      break;
    }
    state->offsets[state->count++] = state->names_used;
    std::memcpy(state->names + state->names_used, name, length + 1);
    state->names_used += length + 1;
  }
  if (rc != 0) return rc;
  const char *base = state->names;
  std::sort(state->offsets, state->offsets + state->count,
            [base](size_t a, size_t b) { return std::strcmp(base + a, base + b) < 0; });
  return 0;
}

// The last-write time as local DOS date and time, clamped to what DOS form holds.
void local_dos_time(time_t moment, uint16_t *dos_date, uint16_t *dos_time) {
  dos_fields fields;
  struct tm local;
  if (sys::localtime_r(&moment, &local) == nullptr) {
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

// Hands out the next name that is still a regular file: PLAT_FOUND, PLAT_FOUND_NONE when none is
// left, or PLAT_SEARCH_BROKEN when a name cannot be asked about (a file that is there but cannot
// be looked at is not left out without a word).
int hand_out_next(plat_search_state *state, plat_found_file *found) {
  int folder = dirfd(state->dir);
  while (state->next < state->count) {
    const char *name = state->names + state->offsets[state->next];
    ++state->next;
    struct stat info;
    if (sys::fstatat(folder, name, &info, 0) != 0) {
      // Vanished since the listing, a broken link, a loop of links: nothing to pack.
      if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) continue;
      return PLAT_SEARCH_BROKEN;
    }
    if (!S_ISREG(info.st_mode)) continue;  // folders, devices, pipes
    size_t length = std::strlen(name);     // below NAME_BUFFER_SIZE, tested when read
    std::memcpy(found->name, name, length + 1);
    found->size = (uint64_t)info.st_size;
    local_dos_time(info.st_mtime, &found->dos_date, &found->dos_time);
    return PLAT_FOUND;
  }
  return PLAT_FOUND_NONE;
}

}  // namespace

int plat_find_first(const char *pattern, plat_search *search, plat_found_file *found) {
  *search = nullptr;
  if (pattern == nullptr || found == nullptr) return PLAT_FOUND_NONE;
  const char *slash = std::strrchr(pattern, '/');
  const char *name_pattern = slash != nullptr ? slash + 1 : pattern;
  if (name_pattern[0] == '\0') return PLAT_FOUND_NONE;  // "folder/" names no file
  size_t prefix_length = slash != nullptr ? (size_t)(slash - pattern) + 1 : 0;
  if (prefix_length >= NAME_BUFFER_SIZE) return PLAT_FOUND_NONE;

  char folder[NAME_BUFFER_SIZE];
  std::memcpy(folder, pattern, prefix_length);
  folder[prefix_length] = '\0';
  plat_search_state *state = (plat_search_state *)plat_allocate_block(sizeof *state);
  if (state == nullptr) return PLAT_SEARCH_NO_MEMORY;
  std::memset(state, 0, sizeof *state);
  // "dir/" and "/" both open as folders.
  int rc = collect_names(prefix_length != 0 ? folder : ".", name_pattern, state);
  if (rc == PLAT_FOUND) rc = hand_out_next(state, found);
  if (rc != PLAT_FOUND) {
    release_state(state);
    return rc;
  }
  *search = state;
  return PLAT_FOUND;
}

int plat_find_next(plat_search search, plat_found_file *found) {
  if (search == nullptr || found == nullptr) return PLAT_FOUND_NONE;
  return hand_out_next(search, found);
}

void plat_find_close(plat_search search) { release_state(search); }

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
  iconv_t converter = sys::iconv_open("UTF-8", source);
  if (converter == (iconv_t)-1) return copy_ascii_only(text, out, out_size);

  char *in = const_cast<char *>(text);
  size_t in_left = std::strlen(text);
  char *to = out;
  size_t out_left = out_size - 1;  // room for the terminator
  int cut = 0;
  while (in_left > 0) {
    if (sys::iconv(converter, &in, &in_left, &to, &out_left) != (size_t)-1) break;
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
  sys::iconv_close(converter);
  return cut;
}

void plat_show_notice(const plat_shown_text *text, const char *title) {
  std::fflush(stdout);
  const char *shown = text != nullptr && text->text != nullptr ? text->text : "";
  std::fprintf(stderr, "%s\n%s\n", title != nullptr ? title : "", shown);
  if (sys::isatty(0) && sys::isatty(2)) {
    std::fputs("[OK] ", stderr);
    std::fflush(stderr);
    int c;
    do {
      c = std::getchar();
    } while (c != '\n' && c != EOF);
  }
  std::fflush(stderr);
}

// Names and texts alike are the bytes the system and the terminal take.
void plat_put_text(int to_error, const char *text, int code_page) {
  (void)code_page;
  if (text != nullptr) std::fputs(text, to_error ? stderr : stdout);
}

// ---------------------------------------------------------------------------------------------
// Memory blocks: the standard heap, both kinds.

void *plat_allocate_block(size_t size) { return sys::malloc(size != 0 ? size : 1); }

void plat_release_block(void *block) { free(block); }

void *plat_allocate_heap(size_t size) { return sys::malloc(size != 0 ? size : 1); }

void plat_release_heap(void *block) { free(block); }

// ---------------------------------------------------------------------------------------------
// The process

namespace {

// The temporary file to remove when a signal stops the process: its whole path, and where the
// handler finds it (through the kept folder when it lies there). The flag is cleared before the
// name changes and set after, so that the handler never reads a name half written.
volatile sig_atomic_t guard_set = 0;
char guard_path[NAME_BUFFER_SIZE];
int guard_dir = AT_FDCWD;
const char *guard_name = guard_path;

// Removes the guarded file, then lets the signal do what it does by default: the handler was
// installed with SA_RESETHAND, and the signal raised again waits until the handler returns.
void on_stop_signal(int number) {
  int saved = errno;
  if (guard_set) ::unlinkat(guard_dir, guard_name, 0);  // not through the plan: see posix_calls.h
  raise(number);
  errno = saved;
}

// The kept folder's handle is about to close: a guarded file found through it is found by its
// whole path from now on.
void release_guard_folder(void) {
  if (guard_dir != kept_fd) return;
  int was_set = guard_set;
  guard_set = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  guard_dir = AT_FDCWD;
  guard_name = guard_path;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  guard_set = was_set;
}

}  // namespace

namespace {

// 1 when descriptor `fd` is open.
int descriptor_open(int fd) { return sys::descriptor_flags(fd) != -1 || errno != EBADF; }

// Gives each of the standard descriptors 0, 1 and 2 that the caller left closed the null device
// (or, where there is none, the root folder, which can be neither read nor written as a file).
// Otherwise the first files the program opens would take those numbers, and the progress lines
// and notices would be written into the archive or an extracted file. They are opened in order,
// so each open gives the lowest free number, the one that is closed; dup2 makes sure.
void fill_standard_descriptors(void) {
  for (int fd = 0; fd <= 2; ++fd) {
    if (descriptor_open(fd)) continue;
    int null_fd = sys::open_file(AT_FDCWD, "/dev/null", O_RDWR | O_NOCTTY);
    if (null_fd < 0) null_fd = sys::open_folder(AT_FDCWD, "/", O_RDONLY | O_DIRECTORY);
    if (null_fd < 0) return;  // the system gives no descriptor at all now
    if (null_fd != fd) {
      sys::duplicate_to(null_fd, fd);
      sys::close(null_fd);
    } else {
      fault_handle_closed();  // a standard descriptor now, which the layer never closes
    }
  }
}

}  // namespace

void plat_prepare_process(void) {
  // First of all, before anything is opened.
  fill_standard_descriptors();

  // A closed pipe makes the write fail instead of ending the process, and so does a write past
  // the file-size limit (it fails with EFBIG): the command reports a write error and removes
  // what it had begun, rather than being ended with an unfinished file left behind.
  struct sigaction ignore;
  std::memset(&ignore, 0, sizeof ignore);
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sys::sigaction(SIGPIPE, &ignore, nullptr);
  sys::sigaction(SIGXFSZ, &ignore, nullptr);

  struct sigaction cleanup;
  std::memset(&cleanup, 0, sizeof cleanup);
  cleanup.sa_handler = on_stop_signal;
  cleanup.sa_flags = SA_RESETHAND;
  sigemptyset(&cleanup.sa_mask);
  const int stops[] = {SIGINT, SIGTERM, SIGHUP};
  for (int number : stops) sigaddset(&cleanup.sa_mask, number);
  for (int number : stops) {
    // A signal that the caller ignores (nohup, a background job) stays ignored.
    struct sigaction before;
    if (sys::sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sys::sigaction(number, &cleanup, nullptr);
  }
}

void plat_hold_stop_signals(int hold) {
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGHUP);
  sys::sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &stops, nullptr);
}

void plat_guard_file(const char *path) {
  guard_set = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  guard_dir = AT_FDCWD;
  guard_name = guard_path;
  if (path == nullptr) return;
  int length = std::snprintf(guard_path, sizeof guard_path, "%s", path);
  if (length < 0 || (size_t)length >= sizeof guard_path) return;
  place at = place_of(guard_path);
  guard_dir = at.dir;
  guard_name = at.name;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  guard_set = 1;
}

// ---------------------------------------------------------------------------------------------
// Fault injection (test build): the ways each kind of call fails here that take different
// branches above, and the systems whose missing features the layer falls back on.

#ifdef VORAX_FAULT_INJECTION

namespace {

const fault_way INTERRUPTED = {FAULT_INTERRUPTED, EINTR, FAULT_PLAIN};
const fault_way SHORT = {FAULT_SHORT, 0, FAULT_PLAIN};
const fault_way NOTHING = {FAULT_NOTHING, 0, FAULT_PLAIN};
const fault_way TAKEN = {FAULT_FAILS, EEXIST, FAULT_TAKEN};
const fault_way TOO_LONG = {FAULT_FAILS, ENAMETOOLONG, FAULT_TOO_LONG};

constexpr fault_way fails(int error) { return fault_way{FAULT_FAILS, error, FAULT_PLAIN}; }
constexpr fault_way lacking(int error) { return fault_way{FAULT_FAILS, error, FAULT_LACKING}; }
constexpr fault_way gone(int error) { return fault_way{FAULT_FAILS, error, FAULT_GONE}; }

struct kind_ways {
  fault_way ways[12];
  int count;
};

// By kind, in the order of fault_kind; the plain failure first.
const kind_ways all_ways[FAULT_KIND_COUNT] = {
    /* OPEN */ {{fails(EACCES), INTERRUPTED}, 2},
    /* OPEN_FOLDER: no read permission falls back to a handle to walk from */
    {{gone(ENOENT), fails(EACCES), INTERRUPTED}, 3},
    /* CREATE: a taken temporary name is followed by the next */
    {{fails(EACCES), TAKEN, INTERRUPTED}, 3},
    /* CREATE_UNNAMED: these four say that the system has no such files */
    {{fails(EACCES), lacking(EOPNOTSUPP), lacking(EISDIR), lacking(EINVAL), lacking(ENOSYS),
      INTERRUPTED},
     6},
    /* READ */ {{fails(EIO), SHORT, NOTHING, INTERRUPTED}, 4},
    /* WRITE */ {{fails(ENOSPC), fails(EFBIG), SHORT, NOTHING, INTERRUPTED}, 5},
    /* COPY: the first five say that these files cannot be copied this way */
    {{fails(ENOSPC), lacking(EXDEV), lacking(ENOSYS), lacking(EINVAL), lacking(EOPNOTSUPP),
      lacking(EBADF), fails(EIO), fails(EFBIG), SHORT, NOTHING, INTERRUPTED},
     11},
    /* CLOSE */ {{fails(EIO)}, 1},
    /* STAT: a name that is not there, one that the system cannot hold */
    {{fails(EACCES), gone(ENOENT), gone(ENOTDIR), gone(ELOOP), TOO_LONG}, 5},
    /* READ_LINK */ {{fails(EACCES)}, 1},
    /* LINK: a taken name; what says that a handle cannot be linked; what says that the file
       system has no hard links */
    {{fails(EACCES), TAKEN, fails(ENOENT), fails(EPERM), fails(EINVAL), fails(EOPNOTSUPP),
      fails(EXDEV)},
     7},
    /* RENAME */ {{fails(EACCES)}, 1},
    /* RENAME_NEW: a taken name; what says that the system cannot move without replacing */
    {{fails(EACCES), TAKEN, lacking(EINVAL), lacking(ENOSYS), lacking(EOPNOTSUPP)}, 5},
    /* REMOVE */ {{fails(EACCES)}, 1},
    /* FLUSH: a file system with nothing to flush */
    {{fails(EIO), lacking(EINVAL), INTERRUPTED}, 3},
    /* FLUSH_FOLDER */ {{fails(EIO), INTERRUPTED}, 2},
    /* OWNER */ {{fails(EPERM)}, 1},
    /* MODE */ {{fails(EPERM)}, 1},
    /* SET_TIME */ {{fails(EPERM)}, 1},
    /* LOCAL_TIME */ {{fails(EOVERFLOW)}, 1},
    /* SEARCH */ {{fails(EACCES)}, 1},
    /* LIST */ {{fails(EIO)}, 1},
    /* ALLOCATE */ {{fails(ENOMEM)}, 1},
    /* CONVERT */ {{fails(EINVAL)}, 1},
    /* SIGNALS */ {{fails(EINVAL)}, 1},
    /* ASK */ {{fails(EACCES)}, 1},
};

}  // namespace

int fault_ways(fault_kind kind, const fault_way **ways) {
  *ways = all_ways[kind].ways;
  return all_ways[kind].count;
}

int fault_variant_count(void) { return 3; }

const char *fault_use_variant(int variant) {
  fault_refuse(FAULT_CREATE_UNNAMED, variant >= 1 ? EOPNOTSUPP : 0);
  fault_refuse(FAULT_RENAME_NEW, variant >= 2 ? EINVAL : 0);
  switch (variant) {
    case 1: return "temporary names";
    case 2: return "temporary names, moved by link";
    default: return "";
  }
}

#endif
