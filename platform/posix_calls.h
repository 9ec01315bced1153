// Every call that posix.cpp makes into the system, as one set of thin wrappers: the one place
// where the platform layer meets the system, and where the test build fails any call on purpose
// (platform/faults.h). In the product each wrapper is an inline call straight through. With fault
// injection each first asks the plan about its call and, where the plan says so, fails it with the
// planned errno, makes it for half the request, makes no call and reports nothing moved, or
// reports EINTR; the handles it opens and closes are counted. Calls that cannot fail (getenv,
// geteuid, dirfd, raise, the signal-set functions) are made directly, and so is the removal in the
// stop-signal handler, which must not run a test's plan.
//
// Included by posix.cpp only.
#pragma once

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/faults.h"

namespace sys {

// Asks the plan about a call of `kind` that can only be made or fail: 1 when it fails (errno is
// then set; an interruption fails with EINTR), else 0.
inline int planned_failure(fault_kind kind) {
  int error = 0;
  switch (fault_call(kind, &error)) {
    case FAULT_NONE:
    case FAULT_SHORT: return 0;
    case FAULT_INTERRUPTED: error = EINTR; break;
    default: break;
  }
  errno = error;
  return 1;
}

// Asks the plan about a call of `kind` that moves `*count` bytes. 0: make the call, for the count
// in *count (halved when the plan says short); 1: make no call and return -1 (errno set); 2: make
// no call and return 0, nothing moved.
inline int planned_transfer(fault_kind kind, size_t *count) {
  int error = 0;
  switch (fault_call(kind, &error)) {
    case FAULT_NONE: return 0;
    case FAULT_SHORT:
      if (*count > 1) *count /= 2;
      return 0;
    case FAULT_NOTHING: return 2;
    case FAULT_INTERRUPTED: error = EINTR; break;
    default: break;
  }
  errno = error;
  return 1;
}

// Counts a descriptor (or another handle) that a call opened.
inline int counted(int fd) {
  if (fd >= 0) fault_handle_opened();
  return fd;
}

// Runs `call` again for as long as a signal interrupts it before it did anything (it fails with
// EINTR), and returns its first other answer. Every call that may be interrupted goes through it.
template <typename Call>
auto again_if_interrupted(Call call) -> decltype(call()) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

// ---- Files

inline int open_file(int dir, const char *name, int flags) {
  if (planned_failure(FAULT_OPEN)) return -1;
  return counted(openat(dir, name, flags));
}

inline int open_folder(int dir, const char *name, int flags) {
  if (planned_failure(FAULT_OPEN_FOLDER)) return -1;
  return counted(openat(dir, name, flags));
}

inline int create_file(int dir, const char *name, int flags, mode_t mode) {
  if (planned_failure(FAULT_CREATE)) return -1;
  return counted(openat(dir, name, flags, mode));
}

inline int create_unnamed(int dir, const char *name, int flags, mode_t mode) {
  if (planned_failure(FAULT_CREATE_UNNAMED)) return -1;
  return counted(openat(dir, name, flags, mode));
}

inline ssize_t read(int fd, void *buffer, size_t count) {
  switch (planned_transfer(FAULT_READ, &count)) {
    case 1: return -1;
    case 2: return 0;
    default: return ::read(fd, buffer, count);
  }
}

inline ssize_t write(int fd, const void *buffer, size_t count) {
  switch (planned_transfer(FAULT_WRITE, &count)) {
    case 1: return -1;
    case 2: return 0;
    default: return ::write(fd, buffer, count);
  }
}

#ifdef __linux__
inline ssize_t copy_file_range(int from, int to, size_t count) {
  switch (planned_transfer(FAULT_COPY, &count)) {
    case 1: return -1;
    case 2: return 0;
    default: return ::copy_file_range(from, nullptr, to, nullptr, count, 0);
  }
}
#endif

// The descriptor is released whether or not the close fails, so it is made before the plan is
// asked; a planned failure then reports what a failed close reports.
inline int close(int fd) {
  int rc = ::close(fd);
  fault_handle_closed();
  if (planned_failure(FAULT_CLOSE)) return -1;
  return rc;
}

inline int fstat(int fd, struct stat *info) {
  if (planned_failure(FAULT_STAT)) return -1;
  return ::fstat(fd, info);
}

inline int fstatat(int dir, const char *name, struct stat *info, int flags) {
  if (planned_failure(FAULT_STAT)) return -1;
  return ::fstatat(dir, name, info, flags);
}

inline int lstat(const char *path, struct stat *info) {
  if (planned_failure(FAULT_STAT)) return -1;
  return ::lstat(path, info);
}

inline ssize_t readlink(const char *path, char *buffer, size_t size) {
  if (planned_failure(FAULT_READ_LINK)) return -1;
  return ::readlink(path, buffer, size);
}

inline int linkat(int from_dir, const char *from, int to_dir, const char *to, int flags) {
  if (planned_failure(FAULT_LINK)) return -1;
  return ::linkat(from_dir, from, to_dir, to, flags);
}

inline int renameat(int from_dir, const char *from, int to_dir, const char *to) {
  if (planned_failure(FAULT_RENAME)) return -1;
  return ::renameat(from_dir, from, to_dir, to);
}

#ifdef RENAME_NOREPLACE
inline int rename_noreplace(int from_dir, const char *from, int to_dir, const char *to) {
  if (planned_failure(FAULT_RENAME_NEW)) return -1;
  return ::renameat2(from_dir, from, to_dir, to, RENAME_NOREPLACE);
}
#endif

inline int unlinkat(int dir, const char *name, int flags) {
  if (planned_failure(FAULT_REMOVE)) return -1;
  return ::unlinkat(dir, name, flags);
}

inline int fsync(int fd) {
  if (planned_failure(FAULT_FLUSH)) return -1;
  return ::fsync(fd);
}

inline int fsync_folder(int fd) {
  if (planned_failure(FAULT_FLUSH_FOLDER)) return -1;
  return ::fsync(fd);
}

inline int fchown(int fd, uid_t owner, gid_t group) {
  if (planned_failure(FAULT_OWNER)) return -1;
  return ::fchown(fd, owner, group);
}

inline int fchmod(int fd, mode_t mode) {
  if (planned_failure(FAULT_MODE)) return -1;
  return ::fchmod(fd, mode);
}

inline int futimens(int fd, const struct timespec times[2]) {
  if (planned_failure(FAULT_SET_TIME)) return -1;
  return ::futimens(fd, times);
}

// ---- Time

inline struct tm *localtime_r(const time_t *moment, struct tm *local) {
  if (planned_failure(FAULT_LOCAL_TIME)) return nullptr;
  return ::localtime_r(moment, local);
}

// ---- Folder listings. fdopendir takes over the descriptor it is given (counted when it was
// duplicated); closedir releases it.

inline DIR *opendir(const char *path) {
  if (planned_failure(FAULT_SEARCH)) return nullptr;
  DIR *dir = ::opendir(path);
  if (dir != nullptr) fault_handle_opened();
  return dir;
}

inline int duplicate(int fd) {
  if (planned_failure(FAULT_SEARCH)) return -1;
  return counted(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
}

inline DIR *fdopendir(int fd) {
  if (planned_failure(FAULT_SEARCH)) return nullptr;
  return ::fdopendir(fd);
}

inline struct dirent *readdir(DIR *dir) {
  if (planned_failure(FAULT_LIST)) return nullptr;
  return ::readdir(dir);
}

inline int closedir(DIR *dir) {
  int rc = ::closedir(dir);
  fault_handle_closed();
  if (planned_failure(FAULT_CLOSE)) return -1;
  return rc;
}

// ---- Memory

inline void *malloc(size_t size) {
  if (planned_failure(FAULT_ALLOCATE)) return nullptr;
  return ::malloc(size);
}

// ---- Text conversion. A converter is a handle: counted while it is open.

inline iconv_t iconv_open(const char *to, const char *from) {
  if (planned_failure(FAULT_CONVERT)) return (iconv_t)-1;
  iconv_t converter = ::iconv_open(to, from);
  if (converter != (iconv_t)-1) fault_handle_opened();
  return converter;
}

inline size_t iconv(iconv_t converter, char **in, size_t *in_left, char **out, size_t *out_left) {
  if (planned_failure(FAULT_CONVERT)) return (size_t)-1;
  return ::iconv(converter, in, in_left, out, out_left);
}

inline int iconv_close(iconv_t converter) {
  fault_handle_closed();
  return ::iconv_close(converter);
}

// ---- Signals

inline int sigaction(int number, const struct sigaction *set, struct sigaction *old) {
  if (planned_failure(FAULT_SIGNALS)) return -1;
  return ::sigaction(number, set, old);
}

inline int sigprocmask(int how, const sigset_t *set, sigset_t *old) {
  if (planned_failure(FAULT_SIGNALS)) return -1;
  return ::sigprocmask(how, set, old);
}

// ---- What the system offers

inline int access(const char *path, int mode) {
  if (planned_failure(FAULT_ASK)) return -1;
  return ::access(path, mode);
}

inline int descriptor_flags(int fd) {
  if (planned_failure(FAULT_ASK)) return -1;
  return ::fcntl(fd, F_GETFD);
}

// Puts `fd` under the number `to` (a standard descriptor, which stays open: not counted).
inline int duplicate_to(int fd, int to) {
  if (planned_failure(FAULT_ASK)) return -1;
  return ::dup2(fd, to);
}

inline int isatty(int fd) {
  if (planned_failure(FAULT_ASK)) return 0;
  return ::isatty(fd);
}

}  // namespace sys
