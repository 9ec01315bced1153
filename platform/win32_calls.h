// Every call that win32.cpp makes into the system, as one set of thin wrappers: the one place
// where the Windows side of the platform layer meets the system, and where the test build fails
// any call on purpose (platform/faults.h). In the product each wrapper is an inline call straight
// through. With fault injection each first asks the plan about its call and, where the plan says
// so, fails it with the planned Win32 error (left for GetLastError), makes it for half the
// request, or makes no call and reports that nothing moved; the handles it opens and closes are
// counted. Windows has no interruption by signals: a planned one fails the call like any other
// failure.
//
// The wrappers are named for what they do, not for the Win32 function behind them. Every name and
// path passes through them as the program holds it, UTF-8, and reaches the system through its
// wide ("W") calls, so that any name the system can hold gets through; a name that does not turn
// into UTF-16 (not UTF-8, or too long) fails the call as a name the system cannot hold would.
// Calls that cannot fail (the user's language, the message box, the console's output, text
// conversion, the process heap, releasing memory) are wrapped for that reason too, without a
// plan; and the removal in the console's stop handler, which runs on a thread of its own and must
// not run a test's plan, is made without one.
//
// Included by win32.cpp only.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <io.h>

#include "platform/faults.h"

namespace sys {

// What the folder search tells about one entry.
typedef WIN32_FIND_DATAW found_entry;

// ---- Text

// UTF-16 units that a converted name or text may take, terminator included: more than any name
// the program holds (NAME_BUFFER_BYTES) and any text it shows.
const int WIDE_TEXT_SIZE = 4096;

// Converts terminated text in a code page (CP_UTF8 for names) into UTF-16 in `out`, terminated.
// The count of units without the terminator; -1 when it does not fit or, for UTF-8, is not UTF-8.
inline int to_wide(UINT code_page, const char *text, wchar_t *out, int out_count) {
  DWORD flags = code_page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
  int count = MultiByteToWideChar(code_page, flags, text, -1, out, out_count);
  return count > 0 ? count - 1 : -1;
}

// Converts terminated UTF-16 into a code page (CP_UTF8 for names; others with "?" for a character
// that the code page lacks, never a look-alike) in `out`, terminated. The count of bytes without
// the terminator; -1 when it does not fit. With a null `out`, only counts.
inline int from_wide(UINT code_page, const wchar_t *text, char *out, int out_size) {
  DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  int count = WideCharToMultiByte(code_page, flags, text, -1, out, out_size, nullptr, nullptr);
  return count > 0 ? count - 1 : -1;
}

// A name as the wide calls take it; `ok` is 0 (and the last error set) when it cannot be had.
struct wide_name {
  wchar_t text[WIDE_TEXT_SIZE];
  int ok;
  explicit wide_name(const char *name) {
    ok = to_wide(CP_UTF8, name, text, WIDE_TEXT_SIZE) >= 0;
    if (!ok) {
      text[0] = L'\0';
      SetLastError(GetLastError() == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE
                                                                : ERROR_INVALID_NAME);
    }
  }
};

// Asks the plan about a call of `kind` that can only be made or fail: 1 when it fails (the
// planned error is then the last error), else 0.
inline int planned_failure(fault_kind kind) {
  int error = 0;
  switch (fault_call(kind, &error)) {
    case FAULT_NONE:
    case FAULT_SHORT: return 0;
    default: break;
  }
  SetLastError((DWORD)error);
  return 1;
}

// Asks the plan about a call of `kind` that moves `*count` bytes. 0: make the call, for the count
// in *count (halved when the plan says short); 1: make no call and fail (the error set); 2: make
// no call and report success with nothing moved.
inline int planned_transfer(fault_kind kind, DWORD *count) {
  int error = 0;
  switch (fault_call(kind, &error)) {
    case FAULT_NONE: return 0;
    case FAULT_SHORT:
      if (*count > 1) *count /= 2;
      return 0;
    case FAULT_NOTHING: return 2;
    default: break;
  }
  SetLastError((DWORD)error);
  return 1;
}

// Counts a handle that a call opened.
inline HANDLE counted(HANDLE handle) {
  if (handle != INVALID_HANDLE_VALUE) fault_handle_opened();
  return handle;
}

// ---- Files

// Opens an existing file with the given access and sharing.
inline HANDLE open_file(const char *path, DWORD access, DWORD share, DWORD flags) {
  if (planned_failure(FAULT_OPEN)) return INVALID_HANDLE_VALUE;
  wide_name name(path);
  if (!name.ok) return INVALID_HANDLE_VALUE;
  return counted(CreateFileW(name.text, access, share, nullptr, OPEN_EXISTING, flags, nullptr));
}

// Opens a name for its attributes alone (no access to its data, all sharing): asking what it is.
inline HANDLE open_to_ask(const char *path, DWORD flags) {
  if (planned_failure(FAULT_STAT)) return INVALID_HANDLE_VALUE;
  wide_name name(path);
  if (!name.ok) return INVALID_HANDLE_VALUE;
  return counted(CreateFileW(name.text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, flags, nullptr));
}

// Creates a new file; fails when the name is taken.
inline HANDLE create_file(const char *path, DWORD access, DWORD share) {
  if (planned_failure(FAULT_CREATE)) return INVALID_HANDLE_VALUE;
  wide_name name(path);
  if (!name.ok) return INVALID_HANDLE_VALUE;
  return counted(CreateFileW(name.text, access, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
}

// The kind of file behind a handle; FILE_TYPE_UNKNOWN (and the last error) when that fails.
inline DWORD file_type(HANDLE handle) {
  if (planned_failure(FAULT_STAT)) return FILE_TYPE_UNKNOWN;
  return GetFileType(handle);
}

inline BOOL read(HANDLE handle, void *buffer, DWORD count, DWORD *got) {
  switch (planned_transfer(FAULT_READ, &count)) {
    case 1: *got = 0; return FALSE;
    case 2: *got = 0; return TRUE;
    default: return ReadFile(handle, buffer, count, got, nullptr);
  }
}

inline BOOL write(HANDLE handle, const void *buffer, DWORD count, DWORD *put) {
  switch (planned_transfer(FAULT_WRITE, &count)) {
    case 1: *put = 0; return FALSE;
    case 2: *put = 0; return TRUE;
    default: return WriteFile(handle, buffer, count, put, nullptr);
  }
}

// The handle is released whether or not the close fails, so it is made before the plan is
// asked; a planned failure then reports what a failed close reports.
inline BOOL close(HANDLE handle) {
  BOOL closed = CloseHandle(handle);
  fault_handle_closed();
  if (planned_failure(FAULT_CLOSE)) return FALSE;
  return closed;
}

inline BOOL flush(HANDLE handle) {
  if (planned_failure(FAULT_FLUSH)) return FALSE;
  return FlushFileBuffers(handle);
}

// Sets the last-write time alone; the creation and access times stay as they are.
inline BOOL set_write_time(HANDLE handle, const FILETIME *time) {
  if (planned_failure(FAULT_SET_TIME)) return FALSE;
  return SetFileTime(handle, nullptr, nullptr, time);
}

inline BOOL file_information(HANDLE handle, BY_HANDLE_FILE_INFORMATION *info) {
  if (planned_failure(FAULT_STAT)) return FALSE;
  return GetFileInformationByHandle(handle, info);
}

// The attributes of a name; INVALID_FILE_ATTRIBUTES (and the last error) when they cannot be had.
inline DWORD file_attributes(const char *path) {
  if (planned_failure(FAULT_STAT)) return INVALID_FILE_ATTRIBUTES;
  wide_name name(path);
  if (!name.ok) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(name.text);
}

// Moves a file onto a name, replacing a file that stands there.
inline BOOL replace_file(const char *from, const char *to) {
  if (planned_failure(FAULT_RENAME)) return FALSE;
  wide_name source(from), target(to);
  if (!source.ok || !target.ok) return FALSE;
  return MoveFileExW(source.text, target.text, MOVEFILE_REPLACE_EXISTING);
}

// Moves a file onto a name that must be free.
inline BOOL move_file_new(const char *from, const char *to) {
  if (planned_failure(FAULT_RENAME_NEW)) return FALSE;
  wide_name source(from), target(to);
  if (!source.ok || !target.ok) return FALSE;
  return MoveFileExW(source.text, target.text, 0);
}

inline BOOL remove_file(const char *path) {
  if (planned_failure(FAULT_REMOVE)) return FALSE;
  wide_name name(path);
  if (!name.ok) return FALSE;
  return DeleteFileW(name.text);
}

// The removal that the console's stop handler makes, on a thread of its own: no plan, and the
// name already in its wide form.
inline BOOL remove_file_unplanned(const wchar_t *path) { return DeleteFileW(path); }

// ---- Time

// The zone that the user has chosen, named so that its rules for any year can be had. Asked once
// per process, without a plan: it cannot fail short of a broken system, and a plan that met it
// only in the first conversion of a process would count differently in each test.
inline DWORD user_zone(DYNAMIC_TIME_ZONE_INFORMATION *zone) {
  return GetDynamicTimeZoneInformation(zone);
}

// The zone's rules for one year: its offsets and the dates on which summer time begins and ends.
// The system reads them from the registry, slowly, so the rules of the years that a DOS time can
// meet are kept once read. The plan is asked on every use, kept or read, so that a test counts
// the same calls in every run of a process.
inline BOOL zone_rules_of_year(int year, DYNAMIC_TIME_ZONE_INFORMATION *zone,
                               TIME_ZONE_INFORMATION *rules) {
  if (planned_failure(FAULT_LOCAL_TIME)) return FALSE;
  const int first_year = 1970, years = 141;
  static TIME_ZONE_INFORMATION kept[years];
  static unsigned char known[years];
  const int at = year - first_year;
  const bool keep = at >= 0 && at < years;
  if (keep && known[at]) {
    *rules = kept[at];
    return TRUE;
  }
  if (!GetTimeZoneInformationForYear((USHORT)year, zone, rules)) return FALSE;
  if (keep) {
    kept[at] = *rules;
    known[at] = 1;
  }
  return TRUE;
}

// A UTC calendar time as local time by a year's rules.
inline BOOL zone_time_of(const TIME_ZONE_INFORMATION *rules, const SYSTEMTIME *universal,
                         SYSTEMTIME *local) {
  if (planned_failure(FAULT_LOCAL_TIME)) return FALSE;
  return SystemTimeToTzSpecificLocalTime(rules, universal, local);
}

inline BOOL calendar_of(const FILETIME *time, SYSTEMTIME *calendar) {
  if (planned_failure(FAULT_LOCAL_TIME)) return FALSE;
  return FileTimeToSystemTime(time, calendar);
}

// ---- Folder listings. The search handle is counted while it is open.

// Long names only (no short 8.3 names are looked up), fetched in large batches; a system older
// than Windows 7 refuses those two wishes, and is asked again without them.
inline HANDLE find_first(const char *pattern, found_entry *entry) {
  if (planned_failure(FAULT_SEARCH)) return INVALID_HANDLE_VALUE;
  wide_name name(pattern);
  if (!name.ok) return INVALID_HANDLE_VALUE;
  HANDLE search = FindFirstFileExW(name.text, FindExInfoBasic, entry, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
    search = FindFirstFileExW(name.text, FindExInfoStandard, entry, FindExSearchNameMatch,
                              nullptr, 0);
  }
  return counted(search);
}

inline BOOL find_next(HANDLE search, found_entry *entry) {
  if (planned_failure(FAULT_LIST)) return FALSE;
  return FindNextFileW(search, entry);
}

inline BOOL find_close(HANDLE search) {
  BOOL closed = FindClose(search);
  fault_handle_closed();
  if (planned_failure(FAULT_CLOSE)) return FALSE;
  return closed;
}

// ---- Memory

// From the process heap (the search's state).
inline void *heap_allocate(size_t size) {
  if (planned_failure(FAULT_ALLOCATE)) return nullptr;
  return HeapAlloc(GetProcessHeap(), 0, size);
}

inline void heap_release(void *block) { HeapFree(GetProcessHeap(), 0, block); }

// Fixed global memory: allocated, then locked for its address.
inline HGLOBAL global_allocate(size_t size) {
  if (planned_failure(FAULT_ALLOCATE)) return nullptr;
  return GlobalAlloc(GMEM_FIXED, size);
}

inline void *global_lock(HGLOBAL handle) {
  if (planned_failure(FAULT_ALLOCATE)) return nullptr;
  return GlobalLock(handle);
}

inline HGLOBAL global_handle(const void *block) { return GlobalHandle(block); }

inline void global_unlock(HGLOBAL handle) { GlobalUnlock(handle); }

inline void global_release(HGLOBAL handle) { GlobalFree(handle); }

// The C runtime's heap (the legacy program's blocks).
inline void *malloc(size_t size) {
  if (planned_failure(FAULT_ALLOCATE)) return nullptr;
  return std::malloc(size);
}

inline void free(void *block) { std::free(block); }

// ---- The user, the screen and the console

inline int user_language(void) { return GetUserDefaultLangID(); }

inline void message_box(const wchar_t *text, const wchar_t *title, UINT style) {
  MessageBoxW(nullptr, text, title, style);
}

// The system handle behind a C runtime stream; INVALID_HANDLE_VALUE when it has none.
inline HANDLE handle_of_stream(FILE *stream) {
  int number = _fileno(stream);
  return number >= 0 ? (HANDLE)_get_osfhandle(number) : INVALID_HANDLE_VALUE;
}

// 1 when the handle is a console's screen (its mode can be asked), else 0.
inline int is_console(HANDLE handle) {
  DWORD mode;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

inline void write_console(HANDLE handle, const wchar_t *text, int count) {
  DWORD written;
  WriteConsoleW(handle, text, (DWORD)count, &written, nullptr);
}

// The arguments of the process as the wide command line has them; null when they cannot be had.
// Released with release_arguments.
inline wchar_t **wide_arguments(int *count) {
  return CommandLineToArgvW(GetCommandLineW(), count);
}

inline void release_arguments(wchar_t **arguments) { LocalFree(arguments); }

// Adds a handler for the console's stop events.
inline BOOL add_console_stop_handler(PHANDLER_ROUTINE handler) {
  if (planned_failure(FAULT_SIGNALS)) return FALSE;
  return SetConsoleCtrlHandler(handler, TRUE);
}

}  // namespace sys
