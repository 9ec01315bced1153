// Fault injection for the test build. The platform layer makes every call into the system through
// one set of thin wrappers per system (posix_calls.h on POSIX), each of one kind below. In the test
// build with fault injection every wrapper first asks the plan about its call: the Nth call of a
// kind can fail with a chosen error (errno on POSIX, the Win32 error code on Windows), come back
// short, move nothing, or be interrupted once, so that tests can prove that every failure of
// every call gets its result and that nothing is lost. The product is built without it
// (VORAX_FAULT_INJECTION undefined): then every hook below is an inline "no fault", and the
// wrappers call the system straight through at no cost.
//
// Only the platform layer calls the hooks (fault_call and the handle counts); tests call the plan
// functions.
#pragma once

// One kind per system call that the layer makes, or per family of calls that mean one thing.
// Windows maps its calls onto the same kinds where they mean the same.
enum fault_kind {
  FAULT_OPEN,            // opening an existing file (also the null device)
  FAULT_OPEN_FOLDER,     // opening a folder as a handle (the kept folder, a folder to flush)
  FAULT_CREATE,          // creating a new file under a name, never replacing one
  FAULT_CREATE_UNNAMED,  // creating a file without a name
  FAULT_READ,
  FAULT_WRITE,
  FAULT_COPY,            // copying between two open files inside the system
  FAULT_CLOSE,           // closing a file, a folder or a listing; the handle is released anyway
  FAULT_STAT,            // asking what a name or a handle is (which file, its size, its times)
  FAULT_READ_LINK,       // reading where a symbolic link points
  FAULT_LINK,            // giving a file a further name
  FAULT_RENAME,          // moving a file onto a name, replacing what stands there
  FAULT_RENAME_NEW,      // moving a file onto a name that must be free
  FAULT_REMOVE,          // removing a name
  FAULT_FLUSH,           // writing a file through to the disk
  FAULT_FLUSH_FOLDER,    // writing a folder through to the disk (best effort)
  FAULT_OWNER,           // giving a file an owner and a group
  FAULT_MODE,            // giving a file permission bits
  FAULT_SET_TIME,        // setting a file's last-write time
  FAULT_LOCAL_TIME,      // converting between a moment and local time
  FAULT_SEARCH,          // starting a folder's listing
  FAULT_LIST,            // reading the next entry of a listing
  FAULT_ALLOCATE,        // memory
  FAULT_CONVERT,         // opening a text converter, converting text
  FAULT_SIGNALS,         // setting signal handlers, holding signals back
  FAULT_ASK,             // asking what the system offers (a descriptor, /proc, a terminal)
  FAULT_KIND_COUNT
};

// What a call that the plan picks does instead of its work.
enum fault_effect {
  FAULT_NONE,         // nothing planned: the call is made as asked
  FAULT_FAILS,        // no call; it fails with the planned error
  FAULT_SHORT,        // read, write, copy: the call is made for half the request (at least one
                      // byte), as a pipe or a full disk may answer
  FAULT_NOTHING,      // read, write, copy: no call; it reports that no byte moved
  FAULT_INTERRUPTED,  // no call; it reports an interruption by a signal (POSIX: EINTR), which
                      // the layer answers by asking again. Even a lasting plan interrupts once.
};

// What a failure tells the layer, so that tests can tell what to expect of it on any system.
enum fault_meaning {
  FAULT_PLAIN,     // a failure like any other (no permission, an input or output error, ...)
  FAULT_TAKEN,     // something stands under the name (POSIX: EEXIST)
  FAULT_LACKING,   // the system or the file system lacks the feature, or has nothing to do:
                   // the layer falls back on another way, and nothing fails
  FAULT_GONE,      // nothing stands under the name, or a link that leads nowhere or in a loop
  FAULT_TOO_LONG,  // the system cannot hold the name
  FAULT_ENDED,     // a listing that the system says has ended (Windows: ERROR_NO_MORE_FILES)
};

// An effect and, for FAULT_FAILS, the error and what it means.
struct fault_way {
  fault_effect effect;
  int error;
  fault_meaning meaning;
};

#ifdef VORAX_FAULT_INJECTION

// ---- Hooks, called by the platform layer's wrappers only.

// Counts a call of `kind` and tells what the plan makes of it: FAULT_NONE, or an effect (for
// FAULT_FAILS the error is put in *error). A call of a kind that fault_refuse refuses fails with
// the refused error and is not counted.
fault_effect fault_call(fault_kind kind, int *error);

// fault_call for a layer that only fails or succeeds: 1 when the call fails (whatever the way).
int fault_now(fault_kind kind);

// Handles the layer holds open at this moment: counted as they are opened and closed.
void fault_handle_opened(void);
void fault_handle_closed(void);

// A number that changes with every plan. What the layer learns about the system once (whether
// /proc is there, which way of naming an unnamed file works) it learns again under each plan,
// so that every plan sees the same calls.
long fault_plan_number(void);

// ---- Defined by each system's layer.

// The ways that a call of `kind` can fail on this system and that take different branches in
// the layer: the first is the plain failure, the others each an error that the layer answers
// otherwise (a name that is taken, a fallback, an interruption, a short count). Returns how many
// are in *ways.
int fault_ways(fault_kind kind, const fault_way **ways);

// The systems whose missing features the layer falls back on, so that tests can run every command
// on each: variant 0 is the system as it is; each further one refuses a feature that some systems
// lack (POSIX: files without a name; then also moves that never replace), so that the fallback
// runs. fault_variant_count tells how many there are; fault_use_variant sets one (through
// fault_refuse, after lifting every refusal) and returns its label ("" for variant 0).
int fault_variant_count(void);
const char *fault_use_variant(int variant);

// ---- The plan, for tests.

// Plans the nth call (from 1) of a kind from now on to fail in the kind's plain way (the first
// of fault_ways); 0 plans none. Resets every counter and cancels a planned action.
void fault_plan(fault_kind kind, long nth);

// The same, but every call of the kind from the nth on fails: a fault that lasts, as a full disk
// or a folder that cannot be written does.
void fault_plan_from(fault_kind kind, long nth);

// The nth call of a kind, and with `lasting` every later one, in the given way.
void fault_plan_way(fault_kind kind, long nth, fault_way way, int lasting);

// Adds a further fault to the plan (up to four in all), counted from the same start: a call
// that fails after another came back short, a fallback that fails in its turn.
void fault_plan_also(fault_kind kind, long nth, fault_way way, int lasting);

// The calls of a kind counted since the last plan.
long fault_calls(fault_kind kind);

// Runs `action` once, just before the nth call (from 1) of a kind counted from now on: another
// process's move, made to happen at a known moment. A null action cancels; fault_plan cancels too.
void fault_plan_action(fault_kind kind, long nth, void (*action)(void));

// Makes every call of `kind` fail with `error` from now on, whatever the plan, as on a system
// that lacks the feature; 0 lets the calls through again. Refused calls are not counted.
void fault_refuse(fault_kind kind, int error);

// Handles the platform layer holds open at this moment (opened and not yet closed).
long fault_open_files(void);

#else

inline fault_effect fault_call(fault_kind, int *) { return FAULT_NONE; }
inline int fault_now(fault_kind) { return 0; }
inline void fault_handle_opened(void) {}
inline void fault_handle_closed(void) {}
inline long fault_plan_number(void) { return 0; }

#endif
