#include "pattern/remembered_states.h"

#include <cstdint>
#include <vector>

#include "pattern/program_graph.h"

namespace brimsel::pattern {
namespace {

// The values a way through the program can read, one bit each.
using Values = std::uint64_t;
Values Text(int group) { return Values{1} << (2 * group); }
Values Opening(int group) { return Values{1} << (2 * group + 1); }
// Every loop counter: one value, never set for good (a counter is set again per entry only).
constexpr Values kCounters = Values{1} << 63;
static_assert(2 * kMaxGroups + 1 < 63);

// What is live before the instruction at `pc`, given what is live after it.
Values LiveBefore(const Program& program, int pc, Values after) {
  const Instruction& in = program.code[static_cast<std::size_t>(pc)];
  switch (in.op) {
    case Op::kBackRef: return after | Text(in.a);
    case Op::kSave: {
      const int group = in.a / 2;
      if (in.a % 2 == 0) return after & ~Opening(group);
      // The close copies the opening into the text: the opening matters where the text does.
      const bool text_read = (after & Text(group)) != 0;
      return (after & ~Text(group)) | (text_read ? Opening(group) : 0);
    }
    case Op::kCountLoop:
    case Op::kCountEnter: return after | kCounters;
    // A run that is a group sets it only when it takes a repetition: what was live stays live.
    default: return after;
  }
}

// What is live before each instruction: the fixpoint of LiveBefore over the program's ways.
std::vector<Values> LiveValues(const Program& program) {
  const int size = static_cast<int>(program.code.size());
  std::vector<Values> live(static_cast<std::size_t>(size), 0);
  for (bool changed = true; changed;) {
    changed = false;
    for (int pc = size - 1; pc >= 0; --pc) {
      Values after = 0;
      ForEachSuccessor(program, pc, [&](int next) { after |= live[static_cast<std::size_t>(next)]; });
      const Values before = LiveBefore(program, pc, after);
      if (before != live[static_cast<std::size_t>(pc)]) {
        live[static_cast<std::size_t>(pc)] = before;
        changed = true;
      }
    }
  }
  return live;
}

// How many ways lead to each instruction, the start of an attempt counting as one. Only an
// instruction that two ways reach can see a state twice.
std::vector<int> Predecessors(const Program& program) {
  const int size = static_cast<int>(program.code.size());
  std::vector<int> predecessors(static_cast<std::size_t>(size), 0);
  auto reach = [&](int pc) {
    if (pc < size) ++predecessors[static_cast<std::size_t>(pc)];
  };
  reach(0);
  for (int pc = 0; pc < size; ++pc) {
    ForEachSuccessor(program, pc, reach);
    // A run leaves at several positions. The matcher remembers the loop heads of an
    // unbounded one itself; a bounded one, whose maximum can stop it short, at its exit.
    const Instruction& in = program.code[static_cast<std::size_t>(pc)];
    if (in.op == Op::kRun && program.runs[static_cast<std::size_t>(in.a)].max != kUnbounded) reach(pc + 1);
  }
  return predecessors;
}

}  // namespace

void PlanRememberedStates(Program& program) {
  const std::vector<Values> live = LiveValues(program);
  const auto nothing_live = [&](int pc) { return live[static_cast<std::size_t>(pc)] == 0; };
  const int size = static_cast<int>(program.code.size());
  bool remembers_runs = false;
  for (int pc = 0; pc < size; ++pc) {
    const Instruction& in = program.code[static_cast<std::size_t>(pc)];
    if (in.op != Op::kRun) continue;
    // A run's loop head: what follows it is the run's own choice of exit and what comes after.
    ByteRun& run = program.runs[static_cast<std::size_t>(in.a)];
    run.remembers = nothing_live(pc + 1);
    remembers_runs = remembers_runs || run.remembers;
  }
  const std::vector<int> predecessors = Predecessors(program);
  program.memo_count = 0;
  for (int pc = 0; pc < size; ++pc) {
    Instruction& in = program.code[static_cast<std::size_t>(pc)];
    in.memo = predecessors[static_cast<std::size_t>(pc)] >= 2 && nothing_live(pc) ? program.memo_count++ : -1;
  }
  program.remember_failures = program.memo_count > 0 || remembers_runs;
}

}  // namespace brimsel::pattern
