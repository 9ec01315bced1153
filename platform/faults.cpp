// The plan and the counters behind fault injection (test builds only).
#include "platform/faults.h"

#ifdef VORAX_FAULT_INJECTION

static long calls[FAULT_KIND_COUNT];
static fault_kind planned_kind = FAULT_OPEN;
static long planned_call = 0;  // 0: nothing planned
static fault_way planned_way = {FAULT_FAILS, 0};
static bool planned_to_last = false;  // every call from the planned one on fails
static long plan_number = 0;
static int refused[FAULT_KIND_COUNT];  // the error that refuses every call of a kind, or 0
static long open_files = 0;
static fault_kind action_kind = FAULT_OPEN;
static long action_call = 0;
static void (*planned_action)(void) = nullptr;

fault_effect fault_call(fault_kind kind, int *error) {
  if (refused[kind] != 0) {
    *error = refused[kind];
    return FAULT_FAILS;
  }
  ++calls[kind];
  if (planned_action != nullptr && kind == action_kind && calls[kind] == action_call) {
    void (*action)(void) = planned_action;
    planned_action = nullptr;
    action();
  }
  if (planned_call == 0 || kind != planned_kind) return FAULT_NONE;
  // An interruption is answered by asking again: were it lasting, the call would never be made.
  bool lasting = planned_to_last && planned_way.effect != FAULT_INTERRUPTED;
  if (calls[kind] != planned_call && !(lasting && calls[kind] > planned_call)) return FAULT_NONE;
  *error = planned_way.error;
  return planned_way.effect;
}

int fault_now(fault_kind kind) {
  int error = 0;
  return fault_call(kind, &error) != FAULT_NONE;
}

void fault_plan_way(fault_kind kind, long nth, fault_way way, int lasting) {
  for (long &count : calls) count = 0;
  planned_kind = kind;
  planned_call = nth;
  planned_way = way;
  planned_to_last = lasting != 0;
  planned_action = nullptr;
  ++plan_number;
}

// The plain failure of a kind: the first of its ways on this system.
static fault_way plain_way(fault_kind kind) {
  const fault_way *ways = nullptr;
  if (fault_ways(kind, &ways) > 0) return ways[0];
  return fault_way{FAULT_FAILS, 0};
}

void fault_plan(fault_kind kind, long nth) { fault_plan_way(kind, nth, plain_way(kind), 0); }

void fault_plan_from(fault_kind kind, long nth) {
  fault_plan_way(kind, nth, plain_way(kind), 1);
}

void fault_plan_action(fault_kind kind, long nth, void (*action)(void)) {
  action_kind = kind;
  action_call = calls[kind] + nth;
  planned_action = action;
}

long fault_plan_number(void) { return plan_number; }

long fault_calls(fault_kind kind) { return calls[kind]; }

void fault_refuse(fault_kind kind, int error) { refused[kind] = error; }

void fault_handle_opened(void) { ++open_files; }
void fault_handle_closed(void) { --open_files; }
long fault_open_files(void) { return open_files; }

#endif
