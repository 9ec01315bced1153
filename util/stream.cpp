// Byte streams over files. One static buffer per direction holds the data between the program
// and the system; the state beside each buffer remembers which handle owns it, so that an
// operation on any other handle (one that a failed read or write has already closed, say)
// answers 1 and touches nothing.
//
// Single bytes move in blocks of STREAM_BUFFER_SIZE. The files that packing and extraction copy
// move in bulk through the same buffers, which are larger for that: a small graphics file is read
// straight into the archive's write buffer, so that many of them leave in one write, and a small
// record of an archive is written from the read buffer in one request. Only large files are
// copied inside the system.
//
// A write stream never writes under its final name. Where the system has files without a name
// (Linux), it writes one in the target folder and gives it its name only when everything has been
// written, so that not even a killed process leaves anything behind. Elsewhere it creates a new
// temporary file in the same folder and moves it onto the final name when it is complete; a
// stopping signal removes that file (plat_guard_file).
#include "util/stream.h"

#include <cstdio>
#include <cstring>

namespace {

// Room of each buffer for bulk traffic; byte traffic uses the first STREAM_BUFFER_SIZE bytes.
enum { BULK_AREA = 256 * 1024 };

// Files from this size on are copied inside the system where it can (Linux: copy_file_range);
// smaller ones cost fewer requests through the buffers.
enum { LARGE_FILE = 64 * 1024 };

// ---- read state

uint8_t read_buffer[BULK_AREA];
size_t read_valid = 0;      // bytes delivered by the last refill
size_t read_next = 0;       // position of the next byte to hand out
stream read_open = NO_STREAM;
// The identity of the file that the read stream reads, once protect_read_file took it: no write
// stream replaces that file.
plat_file_id read_identity = {0, 0, 0};

// Closes the read stream's file and empties the read state. 0, or 1 when closing fails.
int end_read_file(void) {
  int failed = plat_close(read_open);
  read_open = NO_STREAM;
  read_valid = 0;
  read_next = 0;
  read_identity = plat_file_id{0, 0, 0};
  return failed != 0 ? 1 : 0;
}

// 1 when the lookup found the file that the read stream protects.
int is_read_file(const plat_name_facts *facts) {
  return facts->state == NAME_FILE && plat_same_file(&facts->id, &read_identity);
}

// ---- write state

enum write_phase {
  WRITE_IDLE,      // nothing open, no temporary file of ours on disk
  WRITE_OPEN,      // the new file is open and takes bytes
  WRITE_FINISHED,  // every byte is written; the file, still open, waits to be committed
};

// One way of writing the new file beside its final name, chosen once, when the file is created:
// how the file is made, how the finished file gets its final name, and how it is given up.
struct write_way {
  // Makes the file for final_name and opens it as write_open. 0; 1 when it cannot be made; 2
  // when the system has no files of this kind (the next way is tried).
  int (*create)(void);
  // Gives the finished file its final name, with the answers of commit_write_stream. On failure
  // the file may still be open or on disk: the caller discards it.
  int (*commit)(int replace, int durable);
  // Closes the file if it is still open and removes what of it stands on disk.
  void (*discard)(void);
};

uint8_t write_buffer[BULK_AREA];
size_t write_waiting = 0;   // bytes in write_buffer not yet written to the file
// write_byte writes the buffer out when this many bytes wait: STREAM_BUFFER_SIZE, and the whole
// bulk area once copied files share the buffer.
size_t write_limit = STREAM_BUFFER_SIZE;
stream write_open = NO_STREAM;
write_phase write_state = WRITE_IDLE;
const write_way *write_by = nullptr;  // the way of the stream that is not idle
char final_name[NAME_BUFFER_BYTES];
size_t final_folder_length = 0;  // the folder part of final_name, with its stop
char temp_name[NAME_BUFFER_BYTES];
int unnamed_linked = 0;  // the unnamed file stands under temp_name, on its way to the final name
// What the lookup before the create found under final_name.
plat_name_facts final_facts;

// Temporary names are numbered by this counter, so that the names tried one after the other in
// one run differ; the exclusive create settles clashes with other runs.
unsigned temp_counter = 0;

enum {
  TEMP_NAME_TRIES = 4096,
  TEMP_NUMBER_MASK = 0xFFFFF,  // 5 hex digits
};

// Length of `text` when it is shorter than `limit`, else `limit` (the text is not read further).
size_t bounded_length(const char *text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n] != '\0') ++n;
  return n;
}

// Returns the write state to idle once the file is in place or gone.
void reset_write_state(void) {
  plat_guard_file(nullptr);
  write_open = NO_STREAM;
  write_state = WRITE_IDLE;
  write_by = nullptr;
  write_waiting = 0;
  write_limit = STREAM_BUFFER_SIZE;
  temp_name[0] = '\0';
  unnamed_linked = 0;
  final_name[0] = '\0';
  final_facts.state = NAME_FREE;
}

// Ends a failed or given-up write stream: its way closes the file if it is still open and removes
// what of it stands on disk (an unnamed file goes with its handle). The state is idle afterwards.
void drop_write_stream(void) {
  if (write_by != nullptr) write_by->discard();
  reset_write_state();
}

// 1 when `s` is the write stream that is open and takes bytes.
int is_open_write_stream(stream s) {
  return s != NO_STREAM && s == write_open && write_state == WRITE_OPEN;
}

// Writes out the bytes that wait in the write buffer. 0, or 1 when the write fails (the stream
// is then given up).
int write_out_waiting(void) {
  if (write_waiting > 0 && plat_write(write_open, write_buffer, write_waiting) != 0) {
    drop_write_stream();
    return 1;
  }
  write_waiting = 0;
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Reading

stream open_read_stream(const char *name) {
  if (name == nullptr) return NO_STREAM;
  // The buffer serves one stream only; a stream its owner forgot is closed rather than leaked.
  if (read_open != NO_STREAM) end_read_file();
  stream s = plat_open_read(name);
  if (s == NO_STREAM) return NO_STREAM;
  read_open = s;
  read_valid = 0;
  read_next = 0;
  return s;
}

int read_byte(stream s, uint8_t *out) {
  if (s == NO_STREAM || s != read_open) return 1;
  if (read_next >= read_valid) {
    size_t got = 0;
    plat_read(s, read_buffer, STREAM_BUFFER_SIZE, &got);
    if (got == 0) {
      // End of the file or a read error: the stream is finished here. Bytes that arrived
      // before an error are still handed out; the refill after them fails.
      end_read_file();
      return 1;
    }
    read_valid = got < (size_t)STREAM_BUFFER_SIZE ? got : (size_t)STREAM_BUFFER_SIZE;
    read_next = 0;
  }
  uint8_t byte = read_buffer[read_next++];
  if (out != nullptr) *out = byte;
  return 0;
}

int read_u16(stream s, uint16_t *out) {
  uint8_t low = 0;
  uint8_t high = 0;
  if (read_byte(s, &low) != 0) return 1;
  if (read_byte(s, &high) != 0) return 1;
  if (out != nullptr) *out = (uint16_t)(low | (high << 8));
  return 0;
}

int read_u32(stream s, uint32_t *out) {
  // Four bytes that wait in the buffer are taken at once: what four read_byte calls would do.
  if (s != NO_STREAM && s == read_open && read_valid - read_next >= 4) {
    const uint8_t *at = read_buffer + read_next;
    read_next += 4;
    if (out != nullptr) {
      *out = (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
    }
    return 0;
  }
  uint16_t low = 0;
  uint16_t high = 0;
  if (read_u16(s, &low) != 0) return 1;
  if (read_u16(s, &high) != 0) return 1;
  if (out != nullptr) *out = (uint32_t)low | ((uint32_t)high << 16);
  return 0;
}

int skip_to_eof_marker(stream s) {
  uint8_t byte = 0;
  for (;;) {
    if (read_byte(s, &byte) != 0) return 2;
    if (byte == 0x1A) return 0;
  }
}

int close_read_stream(stream s) {
  if (s == NO_STREAM || s != read_open) return 1;
  return end_read_file();
}

int protect_read_file(stream s) {
  if (s == NO_STREAM || s != read_open) return 1;
  return plat_file_identity(s, &read_identity);
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

// 1 when a file at the name makes creating it fail: a read-only regular file, or what a link
// points to, or a folder, when that is read-only.
int refuses_writing(const char *name, const plat_name_facts *facts) {
  switch (facts->state) {
    case NAME_FILE: return facts->read_only;
    case NAME_LINK:
    case NAME_OTHER: return plat_is_read_only(name);
    default: return 0;
  }
}

// Builds the temporary name for `number` beside final_name into temp_name. 0, or 1 when it does
// not fit.
int compose_temp_name(unsigned number) {
  int n = std::snprintf(temp_name, sizeof temp_name, "%.*s.vx%05x", (int)final_folder_length,
                        final_name, number & TEMP_NUMBER_MASK);
  if (n < 0 || (size_t)n >= sizeof temp_name ||
      plat_name_length(temp_name) >= NAME_BUFFER_SIZE) {
    temp_name[0] = '\0';
    return 1;
  }
  return 0;
}

// Puts the file under a temporary name beside its final one: `make` makes it under temp_name
// (0), finds the name taken (2: the next number is tried) or fails (1). The name is guarded once
// the file stands under it. 0; 1 when `make` fails, no name fits or every number tried is taken.
// The stopping signals must be held by the caller, so that the name is guarded from the moment
// it stands on disk.
int take_temp_name(int (*make)(void)) {
  int rc = 2;
  for (int attempt = 0; attempt < TEMP_NAME_TRIES && rc == 2; ++attempt) {
    temp_counter = (temp_counter + 1) & TEMP_NUMBER_MASK;
    rc = compose_temp_name(temp_counter) != 0 ? 1 : make();
  }
  if (rc != 0) return 1;
  plat_guard_file(temp_name);
  return 0;
}

// Closes the write stream's file if it is still open.
void close_if_open(void) {
  if (write_open != NO_STREAM) plat_close(write_open);
}

// ---- the first way: a file without a name (Linux). It gets its final name by a link when the
// name is free; it replaces a file by a link under a temporary name and a move from there.

int create_unnamed(void) {
  char folder[NAME_BUFFER_BYTES];
  std::memcpy(folder, final_name, final_folder_length);
  folder[final_folder_length] = '\0';
  return plat_create_unnamed(folder, &write_open);
}

int link_under_temp_name(void) { return plat_link_file(write_open, temp_name); }

// Moves the unnamed file onto its final name, replacing what stands there: it is linked under a
// temporary name and moved from there before it is closed, so that the temporary name stands on
// disk for as short a time as can be. The stopping signals wait from before the link until after
// the move: the name stands on disk between those two calls only, and a signal meanwhile still
// removes it. The data is on the disk already (an unnamed file is flushed before it replaces
// anything), so a close that fails after the move loses nothing and is no failure: the file
// that stood there is gone, and the new one is whole. 0, or 1.
int move_unnamed_over(void) {
  plat_hold_stop_signals(1);
  int rc = take_temp_name(link_under_temp_name);
  if (rc == 0) {
    unnamed_linked = 1;
    rc = plat_replace_file(temp_name, final_name) != 0 ? 1 : 0;
    if (rc == 0) plat_guard_file(nullptr);  // the name is the final one now
  }
  plat_hold_stop_signals(0);
  if (rc != 0) return 1;
  plat_close(write_open);
  write_open = NO_STREAM;
  return 0;
}

// A file that is replaced lends the new one its permission bits and owner as the lookup before
// the create found them (a name taken since shows when the link fails), and gives way only to
// data that is on the disk.
int commit_unnamed(int replace, int durable) {
  int replacing = replace ? plat_lend_attributes(write_open, &final_facts) : 0;
  if ((durable || replacing) && plat_flush(write_open) != 0) return 1;
  if (!replacing) {
    // Straight onto the final name: the link fails when the name is taken, so it is the
    // no-replace move, and there is no moment in which a temporary name stands on disk.
    int rc = plat_link_file(write_open, final_name);
    if (rc == 0) {
      int failed = plat_close(write_open);
      write_open = NO_STREAM;
      if (!failed) return 0;
      plat_remove_file(final_name);  // ours: it was free a moment ago
      return 1;
    }
    if (rc != 2 || !replace) return rc;
    // Something stands there after all: a link or a folder, or a file made meanwhile, which
    // lends its attributes as any other. Whatever it is, it gives way only to data that is on
    // the disk.
    plat_take_attributes(write_open, final_name);
    if (!durable && plat_flush(write_open) != 0) return 1;
  }
  return move_unnamed_over();
}

void discard_unnamed(void) {
  close_if_open();
  if (unnamed_linked) plat_remove_file(temp_name);
}

const write_way unnamed_way = {create_unnamed, commit_unnamed, discard_unnamed};

// ---- the second way: a new file under a temporary name, guarded from its create until it is
// moved onto its final name or removed.

int create_under_temp_name(void) {
  write_open = plat_create_new(temp_name);
  return write_open != NO_STREAM ? 0 : 2;
}

// A stopping signal waits until the new file is guarded, so that it removes it.
int create_named(void) {
  plat_hold_stop_signals(1);
  int rc = take_temp_name(create_under_temp_name);
  plat_hold_stop_signals(0);
  return rc;
}

// Closes the finished file and moves it onto its final name; the guard goes with the move. 0, 1,
// or PLAT_NAME_TAKEN when the name is taken and `replace` is not given.
int move_named(int replace) {
  int failed = plat_close(write_open);
  write_open = NO_STREAM;
  if (failed) return 1;
  int rc = replace ? (plat_replace_file(temp_name, final_name) != 0 ? 1 : 0)
                   : plat_move_file_new(temp_name, final_name);
  if (rc == 0) plat_guard_file(nullptr);  // the name is the final one now
  return rc;
}

// The file is closed before it moves; a file that it replaces lends it its attributes as a look
// at the name now finds them, and gives way only to data that is on the disk. A stop waits
// from before the close until the guard has gone with the move, so that it never finds the file
// half moved, and once it has begun the file is neither closed nor moved.
int commit_named(int replace, int durable) {
  int replacing = replace ? plat_take_attributes(write_open, final_name) : 0;
  if ((durable || replacing) && plat_flush(write_open) != 0) return 1;
  plat_hold_stop_signals(1);
  int rc = move_named(replace);
  plat_hold_stop_signals(0);
  return rc;
}

// Held as the move, so that a stop and this removal do not meet half way.
void discard_named(void) {
  plat_hold_stop_signals(1);
  close_if_open();
  plat_remove_file(temp_name);
  plat_guard_file(nullptr);
  plat_hold_stop_signals(0);
}

const write_way named_way = {create_named, commit_named, discard_named};

}  // namespace

int open_write_stream(const char *name, int replace, stream *out) {
  *out = NO_STREAM;
  // One write buffer: whatever an earlier stream left behind is given up first.
  if (write_state != WRITE_IDLE) drop_write_stream();

  if (name == nullptr || name[0] == '\0') return 1;
  size_t length = bounded_length(name, NAME_BUFFER_BYTES);
  if (length >= NAME_BUFFER_BYTES || plat_name_length(name) >= NAME_BUFFER_SIZE) return 1;
  // The one lookup of the name: whether it is taken, whether it can be replaced, and what a file
  // that replaces it takes over.
  plat_name_facts facts;
  int state = plat_look_up_file(name, &facts);
  if (!replace && (state == NAME_FILE || state == NAME_LINK || state == NAME_OTHER)) return 2;
  // The file being read is never replaced: its name counts as taken, also with `replace`.
  if (is_read_file(&facts)) return 2;
  if (refuses_writing(name, &facts)) return 1;

  // The folder part ends with the last path stop; without one the file goes to the current folder.
  std::memcpy(final_name, name, length + 1);
  final_folder_length = 0;
  for (size_t i = 0; i < length; ++i) {
    if (is_name_stop(name[i])) final_folder_length = i + 1;
  }
  final_facts = facts;

  // A file without a name first; where the system has none, a new temporary name.
  const write_way *way = &unnamed_way;
  int rc = way->create();
  if (rc == 2) {
    way = &named_way;
    rc = way->create();
  }
  if (rc != 0) {
    reset_write_state();
    return 1;
  }
  write_by = way;
  write_state = WRITE_OPEN;
  write_waiting = 0;
  write_limit = STREAM_BUFFER_SIZE;
  *out = write_open;
  return 0;
}

stream create_write_stream(const char *name) {
  stream s = NO_STREAM;
  open_write_stream(name, 1, &s);
  return s;
}

int write_byte(stream s, uint8_t byte) {
  if (!is_open_write_stream(s)) return 1;
  if (write_waiting >= write_limit && write_out_waiting() != 0) return 1;
  write_buffer[write_waiting++] = byte;
  return 0;
}

int write_u16(stream s, uint16_t value) {
  if (write_byte(s, (uint8_t)(value & 0xFF)) != 0) return 1;
  return write_byte(s, (uint8_t)(value >> 8));
}

int write_u32(stream s, uint32_t value) {
  // Four bytes that fit below the limit are stored at once: four write_byte calls would not
  // write the buffer out either.
  if (is_open_write_stream(s) && write_waiting + 4 <= write_limit) {
    uint8_t *at = write_buffer + write_waiting;
    at[0] = (uint8_t)value;
    at[1] = (uint8_t)(value >> 8);
    at[2] = (uint8_t)(value >> 16);
    at[3] = (uint8_t)(value >> 24);
    write_waiting += 4;
    return 0;
  }
  if (write_u16(s, (uint16_t)(value & 0xFFFF)) != 0) return 1;
  return write_u16(s, (uint16_t)(value >> 16));
}

int finish_write_stream(stream s) {
  if (!is_open_write_stream(s) || write_out_waiting() != 0) return 1;
  write_state = WRITE_FINISHED;
  return 0;
}

int set_write_stream_time(stream s, uint32_t stamp) {
  if (!is_open_write_stream(s) || write_out_waiting() != 0) return 1;
  if (plat_set_file_time(s, (uint16_t)(stamp >> 16), (uint16_t)(stamp & 0xFFFFu)) != 0) {
    drop_write_stream();
    return 1;
  }
  return 0;
}

int commit_write_stream(int replace, int durable) {
  if (write_state != WRITE_FINISHED) return 1;
  int rc = write_by->commit(replace, durable);
  if (rc != 0) {
    drop_write_stream();
    return rc;
  }
  if (durable) plat_flush_folder(final_name);
  reset_write_state();
  return 0;
}

int close_write_stream(stream s) {
  if (finish_write_stream(s) != 0) return 1;
  return commit_write_stream(1, 0) != 0 ? 1 : 0;
}

void discard_write_stream(void) { drop_write_stream(); }

// ---------------------------------------------------------------------------------------------
// Copying files whole

namespace {

// Reading and dropping the bytes of a file when there is no write stream to take them (a
// simulated run).
enum { DROP_AREA = 64 * 1024 };
uint8_t drop_buffer[DROP_AREA];

// Moves the bytes of the read buffer not yet handed out to its front and fills the rest of the
// bulk area from the file. 0 when at least one byte arrived; 1 at the end of the file or on a
// read error (the stream is then given up).
int fill_read_area(stream s) {
  size_t waiting = read_valid - read_next;
  if (waiting > 0 && read_next > 0) std::memmove(read_buffer, read_buffer + read_next, waiting);
  read_next = 0;
  read_valid = waiting;
  size_t got = 0;
  plat_read(s, read_buffer + waiting, sizeof read_buffer - waiting, &got);
  if (got == 0) {
    end_read_file();  // ended early or failed, as in read_byte
    return 1;
  }
  read_valid = waiting + got;
  return 0;
}

// Writes what waits in the write buffer, then `count` bytes from elsewhere. 0, or 1 (the stream
// is then given up).
int write_all(const uint8_t *data, size_t count) {
  if (write_out_waiting() != 0) return 1;
  if (count > 0 && plat_write(write_open, data, count) != 0) {
    drop_write_stream();
    return 1;
  }
  return 0;
}

// Copies inside the system what the read buffer does not hold: the bytes waiting in the read
// buffer and in the write buffer go first. 0 when all `left` bytes were copied (left is then 0);
// 1 and 2 as copy_stream_bytes; 3 when the system cannot copy, with *left still to be copied.
int copy_in_system(stream from, stream to, uint32_t *left) {
  size_t waiting = read_valid - read_next;
  size_t taken = waiting < *left ? waiting : *left;
  if (write_all(read_buffer + read_next, taken) != 0) return 2;
  read_next += taken;
  *left -= (uint32_t)taken;
  if (*left == 0) return 0;
  size_t copied = 0;
  int rc = plat_copy_between(from, to, *left, &copied);
  if (rc == 3) return 3;
  if (rc == 2) {
    drop_write_stream();
    return 2;
  }
  if (rc == 1 || copied < *left) {  // a read failure, or the source ended early
    end_read_file();
    return 1;
  }
  *left = 0;
  return 0;
}

}  // namespace

int copy_stream_bytes(stream from, stream to, uint32_t size) {
  if (from == NO_STREAM || from != read_open) return 1;
  if (to != NO_STREAM && !is_open_write_stream(to)) return 2;
  uint32_t left = size;
  if (to != NO_STREAM && left >= (uint32_t)LARGE_FILE) {
    int rc = copy_in_system(from, to, &left);
    if (rc != 3) return rc;
  }
  while (left > 0) {
    // A run that the read buffer can hold whole is brought in whole, so that it leaves in one
    // request; a longer one goes piece by piece.
    size_t waiting = read_valid - read_next;
    if (waiting < left && (waiting == 0 || left <= sizeof read_buffer)) {
      if (fill_read_area(from) != 0) return 1;
      waiting = read_valid - read_next;
    }
    size_t count = waiting < left ? waiting : left;
    if (to != NO_STREAM && write_all(read_buffer + read_next, count) != 0) return 2;
    read_next += count;
    left -= (uint32_t)count;
  }
  return 0;
}

namespace {

// Reads exactly `count` bytes of a listed file into `data`. With `last`, the request asks for one
// byte more (`data` has room for it), so that a file that grew since it was listed shows in the
// same read: a regular file answers short only at its end. 0; 1 when the file fails, ends first
// or, with `last`, goes on.
int read_listed_part(plat_file file, uint8_t *data, size_t count, int last) {
  size_t want = last ? count + 1 : count;
  size_t done = 0;
  if (want == 0) return 0;
  do {
    size_t got = 0;
    if (plat_read_some(file, data + done, want - done, &got) != 0) return 1;
    if (got == 0) return done == count ? 0 : 1;
    done += got;
  } while (done < count);
  return done > count ? 1 : 0;
}

// Copies a small file into the write buffer behind what waits there; the buffer is written out
// first when the file (and the byte that tells whether it grew) does not fit.
int copy_small_file(plat_file file, uint32_t size) {
  if (write_waiting + size + 1 > sizeof write_buffer && write_out_waiting() != 0) return 2;
  write_limit = sizeof write_buffer;
  if (read_listed_part(file, write_buffer + write_waiting, size, 1) != 0) return 1;
  write_waiting += size;
  return 0;
}

// Reads a file through a buffer piece by piece, writing each piece to `to` unless it is
// NO_STREAM.
int copy_through_buffer(plat_file file, uint32_t size, stream to, uint8_t *buffer, size_t room) {
  uint32_t left = size;
  do {
    size_t count = left < room - 1 ? left : room - 1;
    int last = count == left;
    if (read_listed_part(file, buffer, count, last) != 0) return 1;
    if (to != NO_STREAM && plat_write(to, buffer, count) != 0) {
      drop_write_stream();
      return 2;
    }
    left -= (uint32_t)count;
  } while (left > 0);
  return 0;
}

// Copies a large file inside the system; one read after it tells whether the file ends there.
int copy_large_file(plat_file file, uint32_t size, stream to) {
  if (write_out_waiting() != 0) return 2;
  write_limit = sizeof write_buffer;
  size_t copied = 0;
  int rc = plat_copy_between(file, to, size, &copied);
  if (rc == 3) return copy_through_buffer(file, size, to, write_buffer, sizeof write_buffer);
  if (rc == 2) {
    drop_write_stream();
    return 2;
  }
  if (rc == 1 || copied < size) return 1;
  return read_listed_part(file, write_buffer, 0, 1);
}

}  // namespace

int copy_listed_file(const char *path, uint32_t size, stream to) {
  if (to != NO_STREAM && !is_open_write_stream(to)) return 2;
  plat_file file = plat_open_listed(path);
  if (file == PLAT_NO_FILE) return 1;
  int rc;
  if (to == NO_STREAM) {
    rc = copy_through_buffer(file, size, NO_STREAM, drop_buffer, sizeof drop_buffer);
  } else if (size < (uint32_t)LARGE_FILE) {
    rc = copy_small_file(file, size);
  } else {
    rc = copy_large_file(file, size, to);
  }
  // Every byte has been read: a close that fails loses nothing.
  plat_close(file);
  return rc;
}

// ---------------------------------------------------------------------------------------------
// Other

int name_is_read_file(const char *name) {
  if (name == nullptr || name[0] == '\0' || !read_identity.known) return 0;
  plat_name_facts facts;
  plat_look_up_file(name, &facts);
  return is_read_file(&facts);
}

int name_taken(const char *name) {
  if (name == nullptr || name[0] == '\0') return 0;
  int state = plat_look_up_name(name);
  return state == NAME_FILE || state == NAME_LINK || state == NAME_OTHER;
}

int file_exists(const char *name) {
  if (name == nullptr || name[0] == '\0') return 0;
  if (bounded_length(name, NAME_BUFFER_BYTES) >= NAME_BUFFER_BYTES) return 0;
  if (plat_name_length(name) >= NAME_BUFFER_SIZE) return 0;
  plat_file file = plat_open_read(name);
  if (file == PLAT_NO_FILE) return 0;
  plat_close(file);
  return 1;
}
