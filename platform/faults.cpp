// The counters behind fault injection (test builds only).
#include "platform/faults.h"

#ifdef VORAX_FAULT_INJECTION

static long calls[FAULT_KIND_COUNT];
static fault_kind planned_kind = FAULT_OPEN;
static long planned_call = 0;
static bool planned_to_last = false;  // every call from the planned one on fails
static long open_files = 0;
static fault_kind action_kind = FAULT_OPEN;
static long action_call = 0;
static void (*planned_action)(void) = nullptr;
static int unnamed_refused = 0;

int fault_now(fault_kind kind) {
  ++calls[kind];
  if (planned_action != nullptr && kind == action_kind && calls[kind] == action_call) {
    void (*action)(void) = planned_action;
    planned_action = nullptr;
    action();
  }
  if (planned_call == 0 || kind != planned_kind) return 0;
  return calls[kind] == planned_call || (planned_to_last && calls[kind] > planned_call);
}

void fault_plan(fault_kind kind, long nth) {
  for (long &count : calls) count = 0;
  planned_kind = kind;
  planned_call = nth;
  planned_to_last = false;
  planned_action = nullptr;
}

void fault_plan_action(fault_kind kind, long nth, void (*action)(void)) {
  action_kind = kind;
  action_call = calls[kind] + nth;
  planned_action = action;
}

void fault_refuse_unnamed(int refuse) { unnamed_refused = refuse; }
int fault_unnamed_refused(void) { return unnamed_refused; }

void fault_plan_from(fault_kind kind, long nth) {
  fault_plan(kind, nth);
  planned_to_last = true;
}

long fault_calls(fault_kind kind) { return calls[kind]; }

void fault_file_opened(void) { ++open_files; }
void fault_file_closed(void) { --open_files; }
long fault_open_files(void) { return open_files; }

#endif
