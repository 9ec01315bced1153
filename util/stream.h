// Byte streams over files: single bytes and little-endian 16- and 32-bit values through one
// process-wide buffer per direction, in blocks of 4096 bytes; whole files copied in bulk through
// the same buffers. At most one read stream and one write stream are open at any time. Every
// operation answers 0 for success; a failed read or write closes its file at once, so that no
// caller has to close a stream on its error path.
//
// Nothing lost: a write stream never writes under its final name. It writes a file without a name
// in the same folder where the system has them (Linux), else a file under a temporary name there,
// and the file gets its final name only when it is complete. A failed or discarded stream removes
// the unfinished file, and so does a signal that stops the process; a file that stood under the
// final name before stays as it was until the replacement succeeds.
#pragma once

#include <cstdint>

#include "platform/platform.h"

enum { STREAM_BUFFER_SIZE = 4096 };

// A stream is referred to by its file handle; NO_STREAM means that opening failed.
typedef plat_file stream;
const stream NO_STREAM = PLAT_NO_FILE;

// ---- reading

stream open_read_stream(const char *name);
int read_byte(stream s, uint8_t *out);       // 0, or 1 at the end of the file or on an error
int read_u16(stream s, uint16_t *out);       // 0, or 1; *out unchanged on failure
int read_u32(stream s, uint32_t *out);       // 0, or 1; *out unchanged on failure
int skip_to_eof_marker(stream s);            // 0 after the byte 0x1A, 2 when the file ends first
int close_read_stream(stream s);             // 0, or 1 (also for a stream already closed)

// Takes the identity of the file that the read stream `s` reads, so that no write stream
// replaces it while the stream is open: open_write_stream then treats its name as taken, also
// with `replace` (whatever path names it). One question to the system. 0, or 1 when the system
// cannot tell (then nothing is protected).
int protect_read_file(stream s);

// Copies exactly `size` bytes from a read stream to a write stream, or reads and drops them when
// `to` is NO_STREAM. A run that fits the read buffer leaves in one request, larger ones in large
// requests (inside the system where it can); the bytes and the results are those of `size`
// read_byte and write_byte calls. 0; 1 when the read stream ends or fails first (it is then
// closed); 2 when writing fails (the write stream is then given up).
int copy_stream_bytes(stream from, stream to, uint32_t size);

// Copies a file that the folder search listed with `size` bytes into a write stream, or only reads
// it when `to` is NO_STREAM: opens it, reads it, closes it. The read itself tells whether the file
// still has that size: it asks for one byte more. A small file goes into the write buffer behind
// what waits there, so that many leave in one write; a large one is copied inside the system
// where it can. Uses no read stream. 0; 1 when the file cannot be opened or read, ends early or
// grew since it was listed; 2 when writing fails (the write stream is then given up).
int copy_listed_file(const char *path, uint32_t size, stream to);

// ---- writing

// Creates the file beside `name` (see above), after one lookup of the name, and returns it in
// *out. 0; 2 when `replace` is 0 and something stands under the name (a file, a link, a folder:
// nothing is created), or when the name is the file that the read stream reads and protects
// (protect_read_file); 1 when it cannot be created, also when a read-only file stands under the
// name. What the lookup found serves commit_write_stream as well.
int open_write_stream(const char *name, int replace, stream *out);

// open_write_stream with `replace`: the stream, or NO_STREAM.
stream create_write_stream(const char *name);
int write_byte(stream s, uint8_t byte);      // 0, or 1 when the buffer cannot be written out
int write_u16(stream s, uint16_t value);
int write_u32(stream s, uint32_t value);

// Writes what is waiting and moves the file onto its final name, replacing what stands there
// (finish_write_stream, then commit_write_stream(1, 0)). 0, or 1 when the last write or the move
// fails (the unfinished file is then removed). Returns 1 and touches nothing on a stream that a
// failed write_byte has already given up.
int close_write_stream(stream s);

// The first half of close_write_stream: writes what is waiting. The file stays open, without its
// final name, until commit_write_stream or discard_write_stream. 0, or 1 (the unfinished file is
// then removed).
int finish_write_stream(stream s);

// Writes what is waiting and sets the open file's last-write time from a stamp (DOS date in the
// high 16 bits, DOS time in the low), taken as local time; closing it later keeps that time.
// 0, or 1 (the stream is then given up and its file removed).
int set_write_stream_time(stream s, uint32_t stamp);

// Gives the finished file its final name: replacing what stands there, or, without `replace`, only
// when the name is free. A regular file that is replaced lends the new one its permission bits and
// owner (as the lookup at the create found them). The data is flushed to the disk first when
// `durable` is set or a file is replaced; with `durable` the folder is flushed after the move too.
// 0; 2 when `replace` is 0 and the name was taken meanwhile; 1 on any other failure (the file is
// removed in both cases).
int commit_write_stream(int replace, int durable);

// Gives up the write stream: closes it if it is still open and removes the unfinished file.
// Safe to call in any state, also when nothing is open.
void discard_write_stream(void);

// ---- other

int file_exists(const char *name);           // 1 when the file can be opened for reading

// 1 when something stands under the name (a file, a link, a folder, ...): the test before a file
// is written that must not replace anything. A name that cannot be looked up is not taken; writing
// it fails later with its own result.
int name_taken(const char *name);

// 1 when the name is the file that the read stream reads and protects (protect_read_file): what
// open_write_stream would refuse to replace.
int name_is_read_file(const char *name);

