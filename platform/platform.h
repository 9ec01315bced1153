// The operating-system layer. Every call into the system lives behind this header, in one source
// file per system (posix.cpp, win32.cpp) chosen by the build. The rest of the program never asks
// which system it runs on.
//
// Conventions: functions return 0 for success and a small positive code for failure, as the rest
// of the program does. Names and paths are terminated 8-bit strings: on POSIX the system's bytes
// passed on unchanged, on Windows UTF-8, so that any name the system can hold gets through.
#pragma once

#include <cstddef>
#include <cstdint>

// The longest name or path the program handles, terminator included, counted as plat_name_length
// counts: 259 characters at most.
enum { NAME_BUFFER_SIZE = 260 };

// The bytes of a buffer that holds a name of NAME_BUFFER_SIZE counted characters. On Windows a
// counted character is one byte of the ANSI code page, and its UTF-8 form takes up to three bytes
// (a character outside the code page counts as the one "?" it would be there); on POSIX a byte.
#ifdef _WIN32
enum { NAME_BUFFER_BYTES = 3 * NAME_BUFFER_SIZE };
#else
enum { NAME_BUFFER_BYTES = NAME_BUFFER_SIZE };
#endif

// The length of a name as the program's limits count it. POSIX: its bytes. Windows: its length in
// the user's ANSI code page, which is what the limits counted when names were held in that code
// page: a name that fitted then fits now, and one that did not is refused as it was.
size_t plat_name_length(const char *name);

// On Windows, replaces the arguments that the C runtime made in the ANSI code page by the same
// arguments taken from the wide command line as UTF-8, so that every name arrives whole; they stay
// for the life of the process. Elsewhere, and when they cannot be had, nothing changes.
void plat_take_command_line(int *argc, char ***argv);

// ---------------------------------------------------------------------------------------------
// Paths

// The separator used to join a directory and a file name: '\' on Windows, '/' on POSIX.
extern const char path_separator;

// 1 when c ends the directory part of a path: on Windows '\', '/' and a drive ':', on POSIX '/'.
int is_name_stop(char c);

// ---------------------------------------------------------------------------------------------
// Results. Functions answer 0 for success and a small positive code for failure; where more than
// one failure can be told apart, the codes have these names.

// plat_copy_between.
enum plat_copy_result {
  PLAT_COPY_DONE = 0,
  PLAT_COPY_READ_FAILED = 1,
  PLAT_COPY_WRITE_FAILED = 2,
  PLAT_COPY_UNSUPPORTED = 3,  // nothing was copied: the caller copies the bytes itself
};

// plat_create_unnamed.
enum plat_unnamed_result {
  PLAT_UNNAMED_MADE = 0,
  PLAT_UNNAMED_FAILED = 1,
  PLAT_UNNAMED_UNSUPPORTED = 2,  // no such files here: the caller writes under a temporary name
};

// plat_link_file and plat_move_file_new.
enum plat_naming_result {
  PLAT_NAMED = 0,
  PLAT_NAMING_FAILED = 1,
  PLAT_NAME_TAKEN = 2,  // something stands under the name; it stays as it is
};

// plat_find_first and plat_find_next.
enum plat_search_result {
  PLAT_FOUND = 0,
  PLAT_FOUND_NONE = 1,        // no (further) match, or the folder cannot be opened
  PLAT_SEARCH_BROKEN = 2,     // the folder could not be read to its end
  PLAT_SEARCH_NO_MEMORY = 3,  // no memory is left for the folder's list of names
};

// ---------------------------------------------------------------------------------------------
// Files. A plat_file is a system handle (a descriptor on POSIX, a HANDLE on Windows).

typedef intptr_t plat_file;
const plat_file PLAT_NO_FILE = -1;

// Opens an existing file for binary reading; PLAT_NO_FILE when it cannot be opened.
plat_file plat_open_read(const char *path);

// Opens for binary reading a file that the folder search has just handed out as a regular file,
// without asking again what it is (POSIX: no fstat). Something else put under the name since
// cannot make the program wait: the open does not block, and a folder, a pipe without data or a
// device gives a read that fails, ends early or runs past the listed size. PLAT_NO_FILE when it
// cannot be opened.
plat_file plat_open_listed(const char *path);

// Keeps a handle of `folder` open until the next call (null: none), through which the file
// operations below reach the names that lie directly in it without walking the folder's path again
// for every file, and through which the wildcard search lists it (POSIX; elsewhere nothing
// happens). Paths in other folders go by their whole text. While it is kept, the folder is the one
// its path named when it was kept: a folder moved or replaced meanwhile is not followed, neither
// by the search nor by the files opened. A folder that cannot be opened is not kept.
void plat_keep_folder(const char *folder);

// Creates a new file for binary writing; fails (PLAT_NO_FILE) when a file of that name exists.
plat_file plat_create_new(const char *path);

// Reads up to `want` bytes. Returns 0 and the count in *got (0 only at the end of the file), or
// 1 on a read error. Short counts happen only at the end of the file.
int plat_read(plat_file file, void *buffer, size_t want, size_t *got);

// Reads up to `want` bytes in one request (POSIX: one read call, repeated only when a signal
// interrupts it before any byte arrived). Returns 0 and the count in *got, or 1 on a read error.
// A count short of `want` means the end of a regular file; 0 is returned only there (or for a
// `want` of 0).
int plat_read_some(plat_file file, void *buffer, size_t want, size_t *got);

// Writes all `length` bytes; 0, or 1 when not all of them could be written.
int plat_write(plat_file file, const void *buffer, size_t length);

// Copies up to `count` bytes from the current position of one file to that of another inside the
// system, without passing them through the program, where the system can (Linux:
// copy_file_range). A plat_copy_result: PLAT_COPY_DONE and the count copied in *copied (less
// only at the end of the source); PLAT_COPY_READ_FAILED; PLAT_COPY_WRITE_FAILED (also a failure
// after some bytes were copied that does not tell which side failed); PLAT_COPY_UNSUPPORTED when
// the system cannot copy these files this way (nothing was copied).
int plat_copy_between(plat_file from, plat_file to, size_t count, size_t *copied);

// Sets the last-write time of an open file from a DOS date and time taken as local time (the
// access and creation times stay). 0, or 1 when the fields are invalid or the time cannot be set.
int plat_set_file_time(plat_file file, uint16_t dos_date, uint16_t dos_time);

// Closes the handle; 0, or 1 when closing fails.
int plat_close(plat_file file);

// Moves `from` onto `to`, replacing a file that stands there; 0, or 1 on failure.
int plat_replace_file(const char *from, const char *to);

// What stands under a name, as one lookup tells it that does not follow a final symbolic link.
enum plat_name_state {
  NAME_FREE,     // nothing: a new file can be made under the name
  NAME_FILE,     // a regular file
  NAME_LINK,     // a symbolic link, also one that points nowhere
  NAME_OTHER,    // a folder, a device, a pipe or a socket
  NAME_INVALID,  // a name the system cannot hold: a part too long, a character it refuses
  NAME_UNKNOWN,  // the lookup failed otherwise: no permission to search a folder, a loop of links
};
int plat_look_up_name(const char *path);

// Which file a name or a handle stands for, whatever path leads there: two names are the same
// file when both are known and equal (POSIX: device and inode number; Windows: volume serial
// number and file index).
struct plat_file_id {
  int known;        // 0 when the system could not tell; such an identity matches nothing
  uint64_t volume;
  uint64_t index;
};

// 1 when both identities are known and name the same file, else 0.
int plat_same_file(const plat_file_id *a, const plat_file_id *b);

// The identity of an open file. 0, or 1 when the system cannot tell (id->known is 0 then).
int plat_file_identity(plat_file file, plat_file_id *id);

// The identity of the file that `path` names, symbolic links followed. 0, or 1 when it cannot be
// told (nothing there, no permission; id->known is 0 then).
int plat_path_identity(const char *path, plat_file_id *id);

// What the same one lookup tells about a name, with what a file that replaces a regular file
// there takes over from it, and which file it is.
struct plat_name_facts {
  int state;       // plat_name_state
  int read_only;   // NAME_FILE: no write permission (POSIX: no write bit at all; Windows: the
                   // read-only attribute); else 0
  uint32_t mode;   // NAME_FILE on POSIX: the permission bits, the owner and the group; else 0
  uint32_t owner;
  uint32_t group;
  uint64_t size;   // NAME_FILE: the length in bytes; else 0
  plat_file_id id; // NAME_FILE: its identity (on Windows, where the file lets itself be asked);
                   // else not known
};
// Looks the name up without following a final symbolic link. POSIX: one system call. Windows: one
// when nothing stands there, else the name is opened for its attributes alone (no data access) and
// asked, which tells its identity too.
int plat_look_up_file(const char *path, plat_name_facts *facts);

// Before an open file replaces the regular file that plat_look_up_file found: gives it that
// file's permission bits and, where the program may, its owner. 1 when the facts name a regular
// file, else 0 (then nothing is changed). Failing to set the owner is not an error.
int plat_lend_attributes(plat_file file, const plat_name_facts *facts);

// Moves `from` onto `to` only when no file stands under `to`. A plat_naming_result: PLAT_NAMED;
// PLAT_NAME_TAKEN when `to` is taken (it stays as it is); PLAT_NAMING_FAILED on any other failure
// (`from` then stands as it was).
int plat_move_file_new(const char *from, const char *to);

// Follows symbolic links from `path` to the first name that is not one (it need not exist) and
// writes it to `out`. 0; 1 when the links loop or a name does not fit. Where the system has no
// such links, `out` is `path` as it is.
int plat_follow_links(const char *path, char *out, size_t out_size);

// Creates a file without a name in `folder` (the current folder for an empty text), which the
// system removes when it is closed or the process ends, unless plat_link_file gives it a name.
// A plat_unnamed_result: PLAT_UNNAMED_MADE and *file; PLAT_UNNAMED_FAILED when it cannot be
// created; PLAT_UNNAMED_UNSUPPORTED when the system or the file system has no such files (the
// caller then writes under a temporary name).
int plat_create_unnamed(const char *folder, plat_file *file);

// Gives an unnamed file the name `path`, never replacing anything. A plat_naming_result:
// PLAT_NAMED; PLAT_NAME_TAKEN; PLAT_NAMING_FAILED on any other failure.
int plat_link_file(plat_file file, const char *path);

// Writes the file's data through to the disk. 0, or 1 on failure.
int plat_flush(plat_file file);

// Writes the folder that holds `path` through to the disk, so that a move into it survives a
// power cut, where the system needs that step. Best effort: some file systems refuse it.
void plat_flush_folder(const char *path);

// plat_look_up_file and plat_lend_attributes in one: looks `path` up now. 1 when a regular file
// stands there, else 0.
int plat_take_attributes(plat_file file, const char *path);

// Removes a file; 0, or 1 on failure.
int plat_remove_file(const char *path);

// 1 when the path names an existing file that is read-only (Windows attribute; on POSIX no
// write permission bit at all), else 0.
int plat_is_read_only(const char *path);

// ---------------------------------------------------------------------------------------------
// Wildcard search over one folder: normal files only, names matched as Windows matches them,
// handed out in byte order of their names.

struct plat_found_file {
  char name[NAME_BUFFER_BYTES];  // the name without its directory
  uint64_t size;                // length in bytes
  uint16_t dos_date;            // last-write time as local DOS date and time, clamped to the
  uint16_t dos_time;            // range that DOS form can hold
};

struct plat_search_state;
typedef plat_search_state *plat_search;

// Starts a search with a pattern "directory<sep>name-pattern"; the kept folder (plat_keep_folder)
// is listed through its handle, without opening its path again. A plat_search_result:
// PLAT_FOUND and the first match; PLAT_FOUND_NONE when nothing matches or the folder cannot be
// opened; PLAT_SEARCH_BROKEN when it could not be read to its end (no match is handed out, so
// that a folder is never packed in part); PLAT_SEARCH_NO_MEMORY when no memory is left for the
// list. *search is null unless PLAT_FOUND is returned.
int plat_find_first(const char *pattern, plat_search *search, plat_found_file *found);

// PLAT_FOUND and the next match, PLAT_FOUND_NONE when there is none, PLAT_SEARCH_BROKEN when the
// folder could not be read further.
int plat_find_next(plat_search search, plat_found_file *found);

// Ends a search; a null search is ignored.
void plat_find_close(plat_search search);

// ---------------------------------------------------------------------------------------------
// The user and the screen

// The user's primary language as a Windows primary language identifier (low 10 bits of the
// language id): 0x05 Czech, 0x1B Slovak, 0x07 German, 0x0A Spanish, 0x15 Polish, others as they
// come (0x09 English when nothing is known).
int plat_primary_language(void);

// The primary language that a POSIX locale name ("cs_CZ.UTF-8", "de", "pl_PL@euro") stands for,
// by its language code: cs 0x05, sk 0x1B, de 0x07, es 0x0A, pl 0x15; anything else, an empty
// text or null gives 0x09 (English). Portable, so that it can be tested on every system.
int primary_language_from_locale(const char *locale);

// Converts a text stored in the given 8-bit code page (1250, 850 or 852) into the form the
// console and the notices show. Windows: the bytes unchanged; POSIX: UTF-8 through iconv.
// Returns 0, or 1 when the result does not fit `out_size` (the output is then cut but terminated).
int plat_convert_text(const char *text, int code_page, char *out, size_t out_size);

// What plat_put_text takes for the code page of a file name or path, as the program holds names.
enum { PLAT_NAME_TEXT = 0 };

// A text to show: display form (what plat_convert_text gives) whose stored bytes are in
// `code_page` (1250, 850, 852), with at most one file name or path inside it, as the program
// holds names, at `name_at` for `name_length` bytes (0: none).
struct plat_shown_text {
  const char *text;
  size_t name_at;
  size_t name_length;
  int code_page;
};

// Shows a modal notice with a title (display form, in the text's code page), the text and one OK
// button; returns when acknowledged. Windows: MessageBoxW with the information icon, the display
// texts read in their code page and the name as UTF-8, so that every character shows. POSIX:
// standard output is flushed, then the title and the text go to standard error; only when
// standard input and standard error are both terminals an "[OK]" prompt waits for Enter.
void plat_show_notice(const plat_shown_text *text, const char *title);

// Writes a text to standard output (`to_error` 0) or standard error (1): a file name or path as
// the program holds it (`code_page` PLAT_NAME_TEXT), or a text in display form whose stored bytes
// are in `code_page`. POSIX: the bytes as they are (display texts are UTF-8 already). Windows, on
// a console: through the console's wide output, a display text read in its code page and a name
// as UTF-8, so that every character shows. Windows, to a file or a pipe: a display text as its
// bytes, a name in the ANSI code page with "?" for a character that the code page lacks. Output
// that fails is ignored, as a failed printf is.
void plat_put_text(int to_error, const char *text, int code_page);

// ---------------------------------------------------------------------------------------------
// The process

// Prepares the process for its surroundings and for what can stop it; called first, before
// anything is opened. POSIX: a standard descriptor (0, 1, 2) that is closed is opened on the null
// device, so that no file the program opens takes its number; a closed pipe and a write past the
// file-size limit are ignored as signals (the write fails and the command reports it); an
// interrupt, a termination or a hang-up removes the guarded file (below) and then ends the
// process by the same signal. Windows: a missing standard handle needs nothing (files get handles
// of their own, and output to the missing one goes nowhere); the console's Ctrl-C, Ctrl-Break and
// close events remove the guarded file.
void plat_prepare_process(void);

// The temporary file that is removed if the process is stopped before it is moved into place;
// null when there is none. The name is copied.
void plat_guard_file(const char *path);

// Holds back (1) or lets through again (0) the stopping signals, so that a file can be created
// and guarded in one step: a signal that arrives in between waits until the file is guarded.
void plat_hold_stop_signals(int hold);

// ---------------------------------------------------------------------------------------------
// Memory blocks: uncleared memory; null when the system refuses.

// The program's memory blocks (Windows: fixed global memory; POSIX: the standard heap).
void *plat_allocate_block(size_t size);
void plat_release_block(void *block);

// Blocks from the standard heap on every system (the legacy program's memory blocks).
void *plat_allocate_heap(size_t size);
void plat_release_heap(void *block);
