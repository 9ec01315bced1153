// Windows side of the platform layer: files, the directory search, the user's language, message
// boxes, console output and memory blocks. Names are held as UTF-8 and reach the system through
// its wide calls; catalogue texts are passed on as their stored bytes. Every call into the system
// goes through the wrappers of win32_calls.h (namespace sys), where the test build can fail it.
#include "platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/dos_time.h"
#include "platform/local_time.h"
#include "platform/win32_calls.h"
#include "platform/wildcard.h"

// The command line is passed on as typed: no expansion of "*" and "?" by the runtime.
int _dowildcard = 0;

const char path_separator = '\\';

int is_name_stop(char c) { return c == '\\' || c == '/' || c == ':'; }

// ---------------------------------------------------------------------------------------------
// Names as UTF-8

// A name's length in the ANSI code page. Plain ASCII, the common case, is counted without a
// conversion; a name that does not convert counts its bytes.
size_t plat_name_length(const char *name) {
  if (name == nullptr) return 0;
  size_t bytes = 0;
  int ascii = 1;
  for (const char *p = name; *p != '\0'; ++p, ++bytes) {
    if ((unsigned char)*p >= 0x80) ascii = 0;
  }
  if (ascii) return bytes;
  wchar_t wide[sys::WIDE_TEXT_SIZE];
  if (sys::to_wide(CP_UTF8, name, wide, sys::WIDE_TEXT_SIZE) < 0) return bytes;
  int length = sys::from_wide(CP_ACP, wide, nullptr, 0);
  return length >= 0 ? (size_t)length : bytes;
}

// UTF-16 text as UTF-8 in a new block of the process heap; null when that cannot be had.
static char *utf8_copy(const wchar_t *text) {
  int size = sys::from_wide(CP_UTF8, text, nullptr, 0);
  if (size < 0) return nullptr;
  char *copy = (char *)sys::heap_allocate((size_t)size + 1);
  if (copy == nullptr) return nullptr;
  if (sys::from_wide(CP_UTF8, text, copy, size + 1) != size) {
    sys::heap_release(copy);
    return nullptr;
  }
  return copy;
}

// The wide command line, split by the system's rules (quotes group, no wildcards expanded), each
// argument as UTF-8; the list and its texts stay for the life of the process. When any of it
// cannot be had, the runtime's arguments stay.
void plat_take_command_line(int *argc, char ***argv) {
  int count = 0;
  wchar_t **wide = sys::wide_arguments(&count);
  if (wide == nullptr) return;
  char **taken = (char **)sys::heap_allocate(sizeof(char *) * ((size_t)count + 1));
  int made = 0;
  while (taken != nullptr && made < count && (taken[made] = utf8_copy(wide[made])) != nullptr) {
    ++made;
  }
  sys::release_arguments(wide);
  if (taken == nullptr || made < count) {
    while (made > 0) sys::heap_release(taken[--made]);
    if (taken != nullptr) sys::heap_release(taken);
    return;
  }
  taken[count] = nullptr;
  *argc = count;
  *argv = taken;
}

// ---------------------------------------------------------------------------------------------
// Local time. A time is converted by the zone's rules for its own date, as on POSIX, not by the
// offset in force today: a file keeps its hour whatever the season it is packed or extracted in.

// Seconds from 1601-01-01, where file times start, to 1970-01-01; file times count 100 ns.
static const int64_t EPOCH_GAP = 11644473600LL;
static const int64_t TICKS_PER_SECOND = 10000000;
// The last second that a file time holds (its top bit clear), as seconds since 1970.
static const int64_t LAST_MOMENT = INT64_MAX / TICKS_PER_SECOND - EPOCH_GAP;

// The file time of a moment (seconds since 1970). 0, or 1 when no file time holds it.
static int file_time_of(int64_t moment, FILETIME *time) {
  if (moment < -EPOCH_GAP || moment > LAST_MOMENT) return 1;
  uint64_t ticks = (uint64_t)(moment + EPOCH_GAP) * (uint64_t)TICKS_PER_SECOND;
  time->dwLowDateTime = (DWORD)ticks;
  time->dwHighDateTime = (DWORD)(ticks >> 32);
  return 0;
}

static dos_fields fields_of(const SYSTEMTIME *calendar) {
  return dos_fields{calendar->wYear, calendar->wMonth,  calendar->wDay,
                    calendar->wHour, calendar->wMinute, calendar->wSecond};
}

// The zone that the user has chosen, asked once per process; nullptr when it cannot be had.
static DYNAMIC_TIME_ZONE_INFORMATION *user_zone() {
  static DYNAMIC_TIME_ZONE_INFORMATION zone;
  static int known = 0;
  if (!known) {
    if (sys::user_zone(&zone) == TIME_ZONE_ID_INVALID) return nullptr;
    known = 1;
  }
  return &zone;
}

// The zone's rules for a year. With automatic summer time turned off, or a zone without
// a name, the zone's own fields are its rules for every year. 0, or 1 when they cannot be had.
static int rules_of_year(int year, TIME_ZONE_INFORMATION *rules) {
  DYNAMIC_TIME_ZONE_INFORMATION *zone = user_zone();
  if (zone == nullptr) return 1;
  if (zone->DynamicDaylightTimeDisabled || zone->TimeZoneKeyName[0] == L'\0') {
    std::memset(rules, 0, sizeof *rules);
    rules->Bias = zone->Bias;
    std::memcpy(rules->StandardName, zone->StandardName, sizeof rules->StandardName);
    rules->StandardDate = zone->StandardDate;
    rules->StandardBias = zone->StandardBias;
    std::memcpy(rules->DaylightName, zone->DaylightName, sizeof rules->DaylightName);
    rules->DaylightDate = zone->DaylightDate;
    rules->DaylightBias = zone->DaylightBias;
    return 0;
  }
  return sys::zone_rules_of_year(year, zone, rules) ? 0 : 1;
}

// Reads the zone at a moment: the moment's UTC calendar time turned local by the rules of its
// year. It is summer time when the offset is above the year's standard offset.
int read_zone(int64_t moment, zone_reading *reading) {
  FILETIME time;
  if (file_time_of(moment, &time) != 0) return 1;
  SYSTEMTIME universal, local;
  TIME_ZONE_INFORMATION rules;
  if (!sys::calendar_of(&time, &universal)) return 1;
  if (rules_of_year(universal.wYear, &rules) != 0) return 1;
  if (!sys::zone_time_of(&rules, &universal, &local)) return 1;
  dos_fields f = fields_of(&local);
  reading->offset = dos_fields_as_utc(&f) - moment;
  reading->summer = reading->offset > -(int64_t)(rules.Bias + rules.StandardBias) * 60;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Files

static plat_file from_handle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? PLAT_NO_FILE : (plat_file)handle;
}

static HANDLE to_handle(plat_file file) { return (HANDLE)file; }

plat_file plat_open_read(const char *path) {
  if (path == nullptr || path[0] == '\0') return PLAT_NO_FILE;
  HANDLE handle = sys::open_file(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 FILE_ATTRIBUTE_NORMAL);
  if (handle == INVALID_HANDLE_VALUE) return PLAT_NO_FILE;
  // Only a file on a disk is read: a pipe, the console or a device could block or never end.
  if (sys::file_type(handle) != FILE_TYPE_DISK) {
    sys::close(handle);
    return PLAT_NO_FILE;
  }
  return from_handle(handle);
}

// Paths are handed to the system whole.
void plat_keep_folder(const char *) {}

// Windows asks the handle's type anyway: a listed file is opened as any other.
plat_file plat_open_listed(const char *path) { return plat_open_read(path); }

// Shared for deletion, so that the console's stop handler can remove the file while it is open
// (it goes when the process ends and the handle closes).
plat_file plat_create_new(const char *path) {
  if (path == nullptr || path[0] == '\0') return PLAT_NO_FILE;
  return from_handle(sys::create_file(path, GENERIC_WRITE, FILE_SHARE_DELETE));
}

// Windows has no files without a name here: the caller writes under a temporary name.
int plat_create_unnamed(const char *, plat_file *file) {
  *file = PLAT_NO_FILE;
  return PLAT_UNNAMED_UNSUPPORTED;
}

int plat_link_file(plat_file, const char *) { return PLAT_NAMING_FAILED; }

int plat_flush(plat_file file) {
  if (file == PLAT_NO_FILE) return 1;
  return sys::flush(to_handle(file)) ? 0 : 1;
}

// A move within a folder is recorded when the moved file was flushed; nothing more to do.
void plat_flush_folder(const char *) {}

// The replacement gets the attributes of its own; only whether a file stands there is told.
int plat_lend_attributes(plat_file file, const plat_name_facts *facts) {
  if (file == PLAT_NO_FILE || facts == nullptr) return 0;
  return facts->state == NAME_FILE ? 1 : 0;
}


// Requests are cut into pieces that a DWORD count holds.
static const size_t LARGEST_REQUEST = 0x40000000u;

int plat_read(plat_file file, void *buffer, size_t want, size_t *got) {
  *got = 0;
  if (file == PLAT_NO_FILE) return 1;
  char *at = static_cast<char *>(buffer);
  size_t done = 0;
  while (done < want) {
    size_t chunk = want - done;
    if (chunk > LARGEST_REQUEST) chunk = LARGEST_REQUEST;
    DWORD count = 0;
    if (!sys::read(to_handle(file), at + done, (DWORD)chunk, &count)) {
      *got = done;
      return 1;
    }
    if (count == 0) break;  // end of file
    done += count;
  }
  *got = done;
  return 0;
}

// A disk file delivers fewer bytes than asked only at its end.
int plat_read_some(plat_file file, void *buffer, size_t want, size_t *got) {
  *got = 0;
  if (file == PLAT_NO_FILE) return 1;
  if (want > LARGEST_REQUEST) want = LARGEST_REQUEST;
  DWORD count = 0;
  if (!sys::read(to_handle(file), buffer, (DWORD)want, &count)) return 1;
  *got = count;
  return 0;
}

int plat_write(plat_file file, const void *buffer, size_t length) {
  if (file == PLAT_NO_FILE) return 1;
  const char *at = static_cast<const char *>(buffer);
  size_t done = 0;
  while (done < length) {
    size_t chunk = length - done;
    if (chunk > LARGEST_REQUEST) chunk = LARGEST_REQUEST;
    DWORD count = 0;
    if (!sys::write(to_handle(file), at + done, (DWORD)chunk, &count) || count == 0) {
      return 1;
    }
    done += count;
  }
  return 0;
}

// Windows has no copy between two open files; the caller copies the bytes itself.
int plat_copy_between(plat_file, plat_file, size_t, size_t *copied) {
  *copied = 0;
  return PLAT_COPY_UNSUPPORTED;
}

int plat_set_file_time(plat_file file, uint16_t dos_date, uint16_t dos_time) {
  if (file == PLAT_NO_FILE) return 1;
  dos_fields fields;
  if (dos_to_fields(dos_date, dos_time, &fields) != 0) return 1;
  time_t moment;
  if (local_moment(&fields, &moment) != 0) return 1;
  FILETIME universal;
  if (file_time_of(moment, &universal) != 0) return 1;
  // Only the last-write time; creation and access times stay as they are.
  return sys::set_write_time(to_handle(file), &universal) ? 0 : 1;
}

int plat_close(plat_file file) {
  if (file == PLAT_NO_FILE) return 1;
  return sys::close(to_handle(file)) ? 0 : 1;
}

int plat_replace_file(const char *from, const char *to) {
  if (from == nullptr || to == nullptr) return 1;
  return sys::replace_file(from, to) ? 0 : 1;
}

// The identity that the system tells of an open handle.
static plat_file_id identity_of(const BY_HANDLE_FILE_INFORMATION *info) {
  return plat_file_id{1, (uint64_t)info->dwVolumeSerialNumber,
                      (uint64_t)info->nFileIndexHigh << 32 | info->nFileIndexLow};
}

// Opens `path` for its attributes alone (no access to the data, so nothing that shares the file
// is in the way; a folder and, with `as_it_stands`, a link as it stands, not followed) and asks
// the handle. 1 and *info when that worked; else 0, the system's error left to be read.
static int ask_name(const char *path, int as_it_stands, BY_HANDLE_FILE_INFORMATION *info) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (as_it_stands ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE handle = sys::open_to_ask(path, flags);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  BOOL asked = sys::file_information(handle, info);
  DWORD error = GetLastError();
  sys::close(handle);
  SetLastError(error);
  return asked ? 1 : 0;
}

// What the error of a failed lookup says about the name: NAME_FREE, NAME_INVALID, or
// NAME_UNKNOWN for the errors that do not tell.
static int state_of_error(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return NAME_FREE;
    case ERROR_INVALID_NAME:  // "*", "?" and the other characters a name cannot hold
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: return NAME_INVALID;
    default: return NAME_UNKNOWN;
  }
}

int plat_file_identity(plat_file file, plat_file_id *id) {
  *id = plat_file_id{0, 0, 0};
  BY_HANDLE_FILE_INFORMATION info;
  if (file == PLAT_NO_FILE || !sys::file_information(to_handle(file), &info)) return 1;
  *id = identity_of(&info);
  return 0;
}

int plat_path_identity(const char *path, plat_file_id *id) {
  *id = plat_file_id{0, 0, 0};
  BY_HANDLE_FILE_INFORMATION info;
  if (path == nullptr || path[0] == '\0' || !ask_name(path, 0, &info)) return 1;
  *id = identity_of(&info);
  return 0;
}

// The permission bits and owner stay 0: a file that replaces another keeps its own. The name is
// asked through a handle, which tells the identity and the length as well; a name that stands
// there but does not let itself be opened (in use without sharing, about to be deleted, a device)
// is asked for its attributes alone.
// 1 when the last part of `path` names one of the devices that Windows keeps in every folder
// (NUL, CON, PRN, AUX, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$), with or without an
// extension and in any case: such a name is a device, never a file, wherever it stands.
static int names_a_device(const char *path) {
  const char *last = path;
  for (const char *p = path; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/' || *p == ':') last = p + 1;
  }
  size_t length = 0;
  while (last[length] != '\0' && last[length] != '.') ++length;
  while (length > 0 && last[length - 1] == ' ') --length;  // "NUL .gz2" is NUL as well
  char base[8];
  if (length == 0 || length >= sizeof base) return 0;
  for (size_t i = 0; i < length; ++i) {
    char c = last[i];
    base[i] = (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
  }
  base[length] = '\0';
  const char *devices[] = {"NUL", "CON", "PRN", "AUX", "CONIN$", "CONOUT$"};
  for (const char *device : devices) {
    if (std::strcmp(base, device) == 0) return 1;
  }
  return length == 4 && (std::strncmp(base, "COM", 3) == 0 || std::strncmp(base, "LPT", 3) == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

int plat_look_up_file(const char *path, plat_name_facts *facts) {
  *facts = plat_name_facts{NAME_INVALID, 0, 0, 0, 0, 0, plat_file_id{0, 0, 0}};
  if (path == nullptr || path[0] == '\0') return facts->state;
  if (names_a_device(path)) {
    facts->state = NAME_OTHER;
    return facts->state;
  }
  BY_HANDLE_FILE_INFORMATION info;
  int asked = ask_name(path, 1, &info);
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (asked) {
    attributes = info.dwFileAttributes;
  } else {
    int state = state_of_error(GetLastError());
    if (state == NAME_UNKNOWN) {
      attributes = sys::file_attributes(path);
      if (attributes == INVALID_FILE_ATTRIBUTES) state = state_of_error(GetLastError());
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      facts->state = state;
      return facts->state;
    }
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    facts->state = NAME_LINK;
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    facts->state = NAME_OTHER;
  } else {
    facts->state = NAME_FILE;
    facts->read_only = (attributes & FILE_ATTRIBUTE_READONLY) ? 1 : 0;
    if (asked) {
      facts->size = (uint64_t)info.nFileSizeHigh << 32 | info.nFileSizeLow;
      facts->id = identity_of(&info);
    }
  }
  return facts->state;
}

int plat_move_file_new(const char *from, const char *to) {
  if (from == nullptr || to == nullptr) return PLAT_NAMING_FAILED;
  if (sys::move_file_new(from, to)) return PLAT_NAMED;  // fails when `to` exists
  DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? PLAT_NAME_TAKEN
                                                                      : PLAT_NAMING_FAILED;
}

// Links are not followed here: a move onto one replaces the link.
int plat_follow_links(const char *path, char *out, size_t out_size) {
  if (path == nullptr || out == nullptr) return 1;
  int length = std::snprintf(out, out_size, "%s", path);
  return length < 0 || (size_t)length >= out_size ? 1 : 0;
}

int plat_remove_file(const char *path) {
  if (path == nullptr) return 1;
  return sys::remove_file(path) ? 0 : 1;
}

int plat_is_read_only(const char *path) {
  if (path == nullptr || path[0] == '\0') return 0;
  DWORD attributes = sys::file_attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
  return (attributes & FILE_ATTRIBUTE_READONLY) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Directory search

struct plat_search_state {
  HANDLE handle;
  char name_pattern[NAME_BUFFER_BYTES];  // the pattern's last component
};

// The local DOS date and time of a last-write time, by the zone's rules for that time's own date,
// clamped to what DOS form holds.
static void local_dos_time(const FILETIME *universal, uint16_t *dos_date, uint16_t *dos_time) {
  // A time beyond any calendar counts as a late one (file times cannot lie before 1601).
  dos_fields fields = {9999, 12, 31, 23, 59, 59};
  SYSTEMTIME calendar;
  if (sys::calendar_of(universal, &calendar)) {
    // A time that cannot be converted to local time is taken as it is.
    SYSTEMTIME local;
    TIME_ZONE_INFORMATION rules;
    if (rules_of_year(calendar.wYear, &rules) == 0 &&
        sys::zone_time_of(&rules, &calendar, &local)) {
      calendar = local;
    }
    fields = fields_of(&calendar);
  }
  dos_from_fields(&fields, dos_date, dos_time);
}

// Takes the search's current entry when it is a normal file whose long name matches the
// pattern: no folders, hidden or system files, and no names found only through their short
// 8.3 form. 0 when it is taken, 1 when it is passed over.
static int take_entry(const plat_search_state *state, const sys::found_entry *data,
                      plat_found_file *found) {
  const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (data->dwFileAttributes & skipped) return 1;
  // The name as UTF-8; one that does not fit the program's name buffer cannot be handed out.
  if (sys::from_wide(CP_UTF8, data->cFileName, found->name, sizeof found->name) < 0) return 1;
  if (!wildcard_match(state->name_pattern, found->name, 1)) return 1;
  found->size = ((uint64_t)data->nFileSizeHigh << 32) | data->nFileSizeLow;
  local_dos_time(&data->ftLastWriteTime, &found->dos_date, &found->dos_time);
  return 0;
}

// PLAT_FOUND and the next match; PLAT_FOUND_NONE when there is none; PLAT_SEARCH_BROKEN when the
// search failed part way.
static int next_match(plat_search_state *state, plat_found_file *found) {
  sys::found_entry data;
  while (sys::find_next(state->handle, &data)) {
    if (take_entry(state, &data, found) == 0) return PLAT_FOUND;
  }
  return GetLastError() == ERROR_NO_MORE_FILES ? PLAT_FOUND_NONE : PLAT_SEARCH_BROKEN;
}

int plat_find_first(const char *pattern, plat_search *search, plat_found_file *found) {
  *search = nullptr;
  if (pattern == nullptr || found == nullptr) return PLAT_FOUND_NONE;
  const char *last = pattern;
  for (const char *p = pattern; *p != '\0'; ++p) {
    if (is_name_stop(*p)) last = p + 1;
  }
  if (*last == '\0' || std::strlen(last) >= NAME_BUFFER_BYTES) return PLAT_FOUND_NONE;

  plat_search_state *state = (plat_search_state *)sys::heap_allocate(sizeof *state);
  if (state == nullptr) return PLAT_SEARCH_NO_MEMORY;
  std::memcpy(state->name_pattern, last, std::strlen(last) + 1);
  sys::found_entry data;
  state->handle = sys::find_first(pattern, &data);
  if (state->handle == INVALID_HANDLE_VALUE) {
    sys::heap_release(state);
    return PLAT_FOUND_NONE;
  }
  // The first entry that the system hands out may be one that is passed over; a search that
  // fails before a match is found hands none out.
  if (take_entry(state, &data, found) != 0) {
    int rc = next_match(state, found);
    if (rc != PLAT_FOUND) {
      plat_find_close(state);
      return rc;
    }
  }
  *search = state;
  return PLAT_FOUND;
}

int plat_find_next(plat_search search, plat_found_file *found) {
  if (search == nullptr || found == nullptr) return PLAT_FOUND_NONE;
  return next_match(search, found);
}

void plat_find_close(plat_search search) {
  if (search == nullptr) return;
  sys::find_close(search->handle);
  sys::heap_release(search);
}

// ---------------------------------------------------------------------------------------------
// The user and the screen

int plat_primary_language(void) { return sys::user_language() & 0x3FF; }

// Windows keeps the stored bytes as they are: they are read in their code page where they reach
// the console or a message box (see plat_put_text and plat_show_notice), and go to files and
// pipes as they are.
int plat_convert_text(const char *text, int code_page, char *out, size_t out_size) {
  (void)code_page;
  if (out == nullptr || out_size == 0) return 1;
  if (text == nullptr) {
    out[0] = '\0';
    return 0;
  }
  size_t length = std::strlen(text);
  int cut = length >= out_size;
  if (cut) length = out_size - 1;
  std::memcpy(out, text, length);
  out[length] = '\0';
  return cut;
}

// Appends display text (its code page) or a name (UTF-8) to wide text of `size` units at *used.
// 0, or 1 when it does not convert or fit (nothing is added then).
static int append_wide(wchar_t *out, int size, int *used, const char *text, size_t length,
                       UINT code_page) {
  char piece[sys::WIDE_TEXT_SIZE];
  if (length >= sizeof piece) return 1;
  std::memcpy(piece, text, length);
  piece[length] = '\0';
  int count = sys::to_wide(code_page, piece, out + *used, size - *used);
  if (count < 0) {
    out[*used] = L'\0';
    return 1;
  }
  *used += count;
  return 0;
}

// The code page to read a text in: UTF-8 for a name, else the display text's own.
static UINT code_page_for(int code_page) {
  return code_page == PLAT_NAME_TEXT ? CP_UTF8 : (UINT)code_page;
}

// The title and the texts in front of and behind the name read in their code page, the name as
// UTF-8. A name that does not convert is read in the texts' code page, as the rest.
void plat_show_notice(const plat_shown_text *text, const char *title) {
  std::fflush(stdout);
  const char *bytes = text != nullptr && text->text != nullptr ? text->text : "";
  size_t at = text != nullptr ? text->name_at : 0;
  size_t length = text != nullptr ? text->name_length : 0;
  UINT code_page = text != nullptr && text->code_page != PLAT_NAME_TEXT ? text->code_page : CP_ACP;
  if (at + length > std::strlen(bytes)) at = length = 0;
  wchar_t wide_text[sys::WIDE_TEXT_SIZE], wide_title[sys::WIDE_TEXT_SIZE];
  int used = 0;
  append_wide(wide_text, sys::WIDE_TEXT_SIZE, &used, bytes, at, code_page);
  if (append_wide(wide_text, sys::WIDE_TEXT_SIZE, &used, bytes + at, length, CP_UTF8) != 0) {
    append_wide(wide_text, sys::WIDE_TEXT_SIZE, &used, bytes + at, length, code_page);
  }
  append_wide(wide_text, sys::WIDE_TEXT_SIZE, &used, bytes + at + length,
              std::strlen(bytes + at + length), code_page);
  used = 0;
  wide_title[0] = L'\0';
  if (title != nullptr) {
    append_wide(wide_title, sys::WIDE_TEXT_SIZE, &used, title, std::strlen(title), code_page);
  }
  sys::message_box(wide_text, wide_title, MB_OK | MB_ICONINFORMATION);  // style 0x40, no owner
}

// 1 when the standard stream (0 output, 1 error) behind `handle` is a console. Asking costs a
// trip to the system, so each stream's answer is kept until its handle changes.
static int stream_is_console(int to_error, HANDLE handle) {
  static HANDLE asked[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
  static int answer[2];
  if (handle != asked[to_error]) {
    answer[to_error] = sys::is_console(handle);
    asked[to_error] = handle;
  }
  return answer[to_error];
}

// On a console every character shows through its wide output; elsewhere the bytes are what they
// always were, a name taken into the ANSI code page. Text that does not convert goes out as its
// bytes.
void plat_put_text(int to_error, const char *text, int code_page) {
  if (text == nullptr || text[0] == '\0') return;
  to_error = to_error ? 1 : 0;
  FILE *stream = to_error ? stderr : stdout;
  HANDLE handle = sys::handle_of_stream(stream);
  const int is_name = code_page == PLAT_NAME_TEXT;
  wchar_t wide[sys::WIDE_TEXT_SIZE];
  if (stream_is_console(to_error, handle)) {
    int count = sys::to_wide(code_page_for(code_page), text, wide, sys::WIDE_TEXT_SIZE);
    if (count >= 0) {
      std::fflush(stream);  // what the runtime holds comes first
      sys::write_console(handle, wide, count);
      return;
    }
  } else if (is_name && sys::to_wide(CP_UTF8, text, wide, sys::WIDE_TEXT_SIZE) >= 0) {
    char ansi[sys::WIDE_TEXT_SIZE * 2];
    if (sys::from_wide(CP_ACP, wide, ansi, sizeof ansi) >= 0) {
      std::fputs(ansi, stream);
      return;
    }
  }
  std::fputs(text, stream);
}

// ---------------------------------------------------------------------------------------------
// Memory blocks: fixed global memory.

// A block whose lock fails is released again at once.
void *plat_allocate_block(size_t size) {
  HGLOBAL handle = sys::global_allocate(size != 0 ? size : 1);
  if (handle == nullptr) return nullptr;
  void *block = sys::global_lock(handle);
  if (block == nullptr) sys::global_release(handle);
  return block;
}

void plat_release_block(void *block) {
  if (block == nullptr) return;
  HGLOBAL handle = sys::global_handle(block);
  if (handle == nullptr) return;
  sys::global_unlock(handle);
  sys::global_release(handle);
}

// The standard heap, for the legacy program's blocks.
void *plat_allocate_heap(size_t size) { return sys::malloc(size != 0 ? size : 1); }

void plat_release_heap(void *block) { sys::free(block); }

// ---------------------------------------------------------------------------------------------
// The process

// The temporary file to remove when the console stops the process. The flag is cleared before
// the name changes and set after; the name changes only while the stop is held (below), so the
// handler, which takes the hold first, never reads it half written.
static volatile LONG guard_set = 0;
static wchar_t guard_name[sys::WIDE_TEXT_SIZE];

// The console's stop handler runs on a thread of its own while the main thread goes on. Creating,
// guarding, moving and removing a temporary file happen while the main thread holds this lock;
// the handler takes it before it removes the guarded file and never lets go of it, so that it
// waits until such a step is complete and no step starts after it. `stopping` tells the main
// thread, once it has the lock, that a stop has begun. Only the main thread holds the stop, and
// its holds may nest.
static SRWLOCK stop_lock = SRWLOCK_INIT;
static volatile LONG stopping = 0;
static int hold_depth = 0;

// Ctrl-C, Ctrl-Break and closing the console window: once the main thread has finished the step
// it is in, the guarded file is removed (the handle's sharing allows that while it is open; it
// goes when the handle closes), then the default handler ends the process. The lock stays taken
// until the end, so the main thread creates and moves nothing more. Not static: a test calls it
// as the console would.
BOOL WINAPI on_console_stop(DWORD event);
BOOL WINAPI on_console_stop(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    InterlockedExchange(&stopping, 1);
    AcquireSRWLockExclusive(&stop_lock);
    if (guard_set) sys::remove_file_unplanned(guard_name);
  }
  return FALSE;
}

// Standard handles that are missing need nothing here: the files the program opens get handles of
// their own, never a standard handle's number, and the C runtime marks a stream whose standard
// handle is missing (null or invalid) as having none, so that output to it fails quietly.
void plat_prepare_process(void) { sys::add_console_stop_handler(on_console_stop); }

// Takes the stop lock for the main thread (the outermost hold takes it, the outermost release lets
// it go). A hold taken after a stop has begun lets the lock go to the handler and waits for the
// end of the process: nothing is created or moved any more.
void plat_hold_stop_signals(int hold) {
  if (!hold) {
    if (hold_depth > 0 && --hold_depth == 0) ReleaseSRWLockExclusive(&stop_lock);
    return;
  }
  if (hold_depth++ > 0) return;
  AcquireSRWLockExclusive(&stop_lock);
  if (InterlockedCompareExchange(&stopping, 0, 0) == 0) return;
  ReleaseSRWLockExclusive(&stop_lock);
  for (;;) Sleep(INFINITE);
}

void plat_guard_file(const char *path) {
  InterlockedExchange(&guard_set, 0);
  if (path == nullptr) return;
  if (sys::to_wide(CP_UTF8, path, guard_name, sys::WIDE_TEXT_SIZE) < 0) return;
  InterlockedExchange(&guard_set, 1);
}

// ---------------------------------------------------------------------------------------------
// Fault injection (test build): the ways each kind of call fails here that take different
// branches above. Kinds whose calls Windows never makes (files without a name, links, copies
// inside the system, permission bits, text conversion) keep a plain failure for completeness.

#ifdef VORAX_FAULT_INJECTION

namespace {

const fault_way SHORT_COUNT = {FAULT_SHORT, 0, FAULT_PLAIN};
const fault_way NOTHING_MOVED = {FAULT_NOTHING, 0, FAULT_PLAIN};

constexpr fault_way fails(DWORD error, fault_meaning meaning = FAULT_PLAIN) {
  return fault_way{FAULT_FAILS, (int)error, meaning};
}

struct kind_ways {
  fault_way ways[6];
  int count;
};

// By kind, in the order of fault_kind; the plain failure first.
const kind_ways all_ways[FAULT_KIND_COUNT] = {
    /* OPEN: a file that another process holds without sharing */
    {{fails(ERROR_ACCESS_DENIED), fails(ERROR_SHARING_VIOLATION)}, 2},
    /* OPEN_FOLDER */ {{fails(ERROR_ACCESS_DENIED)}, 1},
    /* CREATE: a taken temporary name is followed by the next */
    {{fails(ERROR_ACCESS_DENIED), fails(ERROR_FILE_EXISTS, FAULT_TAKEN)}, 2},
    /* CREATE_UNNAMED */ {{fails(ERROR_NOT_SUPPORTED, FAULT_LACKING)}, 1},
    /* READ */ {{fails(ERROR_READ_FAULT), SHORT_COUNT, NOTHING_MOVED}, 3},
    /* WRITE */ {{fails(ERROR_DISK_FULL), SHORT_COUNT, NOTHING_MOVED}, 3},
    /* COPY */ {{fails(ERROR_NOT_SUPPORTED, FAULT_LACKING)}, 1},
    /* CLOSE */ {{fails(ERROR_INVALID_HANDLE)}, 1},
    /* STAT: a name that is not there, one that the system cannot hold, one in use (asked for
       its attributes alone) */
    {{fails(ERROR_ACCESS_DENIED), fails(ERROR_FILE_NOT_FOUND, FAULT_GONE),
      fails(ERROR_PATH_NOT_FOUND, FAULT_GONE), fails(ERROR_FILENAME_EXCED_RANGE, FAULT_TOO_LONG),
      fails(ERROR_SHARING_VIOLATION)},
     5},
    /* READ_LINK */ {{fails(ERROR_ACCESS_DENIED)}, 1},
    /* LINK */ {{fails(ERROR_NOT_SUPPORTED, FAULT_LACKING)}, 1},
    /* RENAME */ {{fails(ERROR_ACCESS_DENIED)}, 1},
    /* RENAME_NEW: a taken name, told in either of the two ways the system tells it */
    {{fails(ERROR_ACCESS_DENIED), fails(ERROR_ALREADY_EXISTS, FAULT_TAKEN),
      fails(ERROR_FILE_EXISTS, FAULT_TAKEN)},
     3},
    /* REMOVE */ {{fails(ERROR_ACCESS_DENIED)}, 1},
    /* FLUSH */ {{fails(ERROR_WRITE_FAULT)}, 1},
    /* FLUSH_FOLDER */ {{fails(ERROR_ACCESS_DENIED)}, 1},
    /* OWNER */ {{fails(ERROR_ACCESS_DENIED)}, 1},
    /* MODE */ {{fails(ERROR_ACCESS_DENIED)}, 1},
    /* SET_TIME */ {{fails(ERROR_ACCESS_DENIED)}, 1},
    /* LOCAL_TIME */ {{fails(ERROR_INVALID_PARAMETER)}, 1},
    /* SEARCH */ {{fails(ERROR_ACCESS_DENIED)}, 1},
    /* LIST: a listing that breaks off; one that the system says has ended */
    {{fails(ERROR_NETNAME_DELETED), fails(ERROR_NO_MORE_FILES, FAULT_ENDED)}, 2},
    /* ALLOCATE */ {{fails(ERROR_NOT_ENOUGH_MEMORY)}, 1},
    /* CONVERT */ {{fails(ERROR_NO_UNICODE_TRANSLATION)}, 1},
    /* SIGNALS */ {{fails(ERROR_INVALID_PARAMETER)}, 1},
    /* ASK */ {{fails(ERROR_ACCESS_DENIED)}, 1},
};

}  // namespace

int fault_ways(fault_kind kind, const fault_way **ways) {
  *ways = all_ways[kind].ways;
  return all_ways[kind].count;
}

// Windows has no files without a name here, and its moves that never replace are its own: the
// system as it is is the only variant.
int fault_variant_count(void) { return 1; }

const char *fault_use_variant(int) { return ""; }

#endif
