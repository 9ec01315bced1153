// Fault injection for the test build: makes the Nth call of one kind of system call fail, so
// that tests can prove that every failure gets its result code and that nothing is lost. The
// product is built without it (VORAX_FAULT_INJECTION undefined): then every hook below is an
// inline "no fault" and costs nothing.
#pragma once

enum fault_kind {
  FAULT_OPEN,      // opening an existing file (for reading or writing)
  FAULT_CREATE,    // creating a new file
  FAULT_READ,
  FAULT_WRITE,
  FAULT_CLOSE,
  FAULT_RENAME,    // moving a finished file into place
  FAULT_SET_TIME,
  FAULT_SEARCH,    // starting or continuing a directory search
  FAULT_ALLOCATE,  // memory blocks, and the directory search's list of names
  FAULT_FLUSH,     // writing a file through to the disk
  FAULT_KIND_COUNT
};

#ifdef VORAX_FAULT_INJECTION

// Counts a call of this kind; 1 when the plan says that this call fails.
int fault_now(fault_kind kind);

// Plans the failure of the nth call (from 1) of a kind from now on; 0 plans none. Resets every
// counter.
void fault_plan(fault_kind kind, long nth);

// The same, but every call of the kind from the nth on fails: a fault that lasts, as a full disk
// or a folder that cannot be written does.
void fault_plan_from(fault_kind kind, long nth);

// The calls of a kind counted since the last plan.
long fault_calls(fault_kind kind);

// Runs `action` once, just before the nth call (from 1) of a kind counted from now on: another
// process's move, made to happen at a known moment. A null action cancels; fault_plan cancels too.
void fault_plan_action(fault_kind kind, long nth, void (*action)(void));

// While set, files without a name are refused as if the file system had none, so that tests can
// run the temporary-name path on every system.
void fault_refuse_unnamed(int refuse);
int fault_unnamed_refused(void);

// Files the platform layer holds open at this moment (handles opened and not yet closed).
void fault_file_opened(void);
void fault_file_closed(void);
long fault_open_files(void);

#else

inline int fault_now(fault_kind) { return 0; }
inline void fault_file_opened(void) {}
inline void fault_file_closed(void) {}
inline int fault_unnamed_refused(void) { return 0; }

#endif
