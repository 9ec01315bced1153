// The plan and the counters behind fault injection (test builds only).
#include "platform/faults.h"

#ifdef VORAX_FAULT_INJECTION

namespace {

// One planned fault: the nth call of a kind (and, lasting, every later one) in a way.
struct plan_entry {
  fault_kind kind;
  long nth;
  fault_way way;
  bool lasting;
};

enum { MOST_PLANNED = 4 };

long calls[FAULT_KIND_COUNT];
plan_entry planned[MOST_PLANNED];
int planned_count = 0;
long plan_number = 0;
int refused[FAULT_KIND_COUNT];  // the error that refuses every call of a kind, or 0
long open_files = 0;
fault_kind action_kind = FAULT_OPEN;
long action_call = 0;
void (*planned_action)(void) = nullptr;

// The plain failure of a kind: the first of its ways on this system.
fault_way plain_way(fault_kind kind) {
  const fault_way *ways = nullptr;
  if (fault_ways(kind, &ways) > 0) return ways[0];
  return fault_way{FAULT_FAILS, 0, FAULT_PLAIN};
}

}  // namespace

fault_effect fault_call(fault_kind kind, int *error) {
  if (refused[kind] != 0) {
    *error = refused[kind];
    return FAULT_FAILS;
  }
  long call = ++calls[kind];
  if (planned_action != nullptr && kind == action_kind && call == action_call) {
    void (*action)(void) = planned_action;
    planned_action = nullptr;
    action();
  }
  for (int i = 0; i < planned_count; ++i) {
    const plan_entry &p = planned[i];
    if (p.kind != kind) continue;
    // An interruption is answered by asking again: were it lasting, the call would never be made.
    bool lasting = p.lasting && p.way.effect != FAULT_INTERRUPTED;
    if (call == p.nth || (lasting && call > p.nth)) {
      *error = p.way.error;
      return p.way.effect;
    }
  }
  return FAULT_NONE;
}

int fault_now(fault_kind kind) {
  int error = 0;
  return fault_call(kind, &error) != FAULT_NONE;
}

void fault_plan_way(fault_kind kind, long nth, fault_way way, int lasting) {
  for (long &count : calls) count = 0;
  planned_count = 0;
  planned_action = nullptr;
  ++plan_number;
  fault_plan_also(kind, nth, way, lasting);
}

void fault_plan_also(fault_kind kind, long nth, fault_way way, int lasting) {
  if (nth <= 0 || planned_count == MOST_PLANNED) return;
  planned[planned_count++] = plan_entry{kind, nth, way, lasting != 0};
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
