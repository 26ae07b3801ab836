#include "pattern/thread_simulation.h"

#include <algorithm>
#include <utility>

#include "pattern/assertions.h"
#include "pattern/pattern_error.h"
#include "pattern/start_positions.h"

namespace brimsel::pattern {

ThreadSimulation::ThreadSimulation(const Program& program)
    : program_(program),
      slot_count_(2 * static_cast<std::size_t>(program.group_count + 1)),
      visited_(program.code.size(), 0),
      work_(slot_count_, -1) {}

bool ThreadSimulation::Search(std::string_view input, Captures& captures) {
  input_ = input;
  const std::size_t end = input.size();
  const auto* bytes = reinterpret_cast<const unsigned char*>(input.data());
  ThreadList current(program_.code.size(), slot_count_), next(program_.code.size(), slot_count_);
  std::vector<std::ptrdiff_t> best;
  StartPositions starts(program_, input);
  std::size_t next_start = starts.Next(0);
  std::size_t position = next_start;
  ++stamp_;
  while (position != StartPositions::kNone && position <= end) {
    // A new attempt starts here, after every thread of the earlier ones.
    if (best.empty() && next_start == position) {
      std::fill(work_.begin(), work_.end(), -1);
      work_[0] = static_cast<std::ptrdiff_t>(position);
      AddThreads(current, 0, position);
      next_start = program_.anchored_at_start ? StartPositions::kNone : starts.Next(position + 1);
    }
    if (current.size == 0) {
      if (!best.empty()) break;
      position = next_start;  // nothing running: on to where the next attempt can start
      ++stamp_;
      continue;
    }
    ++stamp_;
    next.size = 0;
    for (std::size_t t = 0; t < current.size; ++t) {
      const Instruction& in = program_.code[static_cast<std::size_t>(current.pcs[t])];
      const std::ptrdiff_t* slots = &current.slots[t * slot_count_];
      if (in.op == Op::kMatch) {
        // Every later thread would only give a match the backtracker tries after this one.
        best.assign(slots, slots + slot_count_);
        best[1] = static_cast<std::ptrdiff_t>(position);
        break;
      }
      const bool consumes =
          position < end && (in.op == Op::kByte ? bytes[position] == static_cast<unsigned char>(in.a)
                                                : program_.sets[static_cast<std::size_t>(in.a)].Contains(bytes[position]));
      if (!consumes) continue;
      std::copy(slots, slots + slot_count_, work_.begin());
      AddThreads(next, current.pcs[t] + 1, position + 1);
    }
    std::swap(current, next);
    ++position;
  }
  if (best.empty()) return false;
  captures.fill(-1);
  std::copy(best.begin(), best.end(), captures.begin());
  return true;
}

void ThreadSimulation::AddThreads(ThreadList& list, std::int32_t first_pc, std::size_t position) {
  jobs_.push_back(Job{first_pc, -1, 0});
  while (!jobs_.empty()) {
    const Job job = jobs_.back();
    jobs_.pop_back();
    if (job.slot >= 0) {
      work_[static_cast<std::size_t>(job.slot)] = job.value;
      continue;
    }
    std::int32_t pc = job.pc;
    for (;;) {
      auto& seen = visited_[static_cast<std::size_t>(pc)];
      if (seen == stamp_) break;
      seen = stamp_;
      const Instruction& in = program_.code[static_cast<std::size_t>(pc)];
      bool follow = true;
      switch (in.op) {
        case Op::kJump: pc = in.a; continue;
        case Op::kSplit:
          jobs_.push_back(Job{in.b, -1, 0});
          pc = in.a;
          continue;
        case Op::kSave:
          jobs_.push_back(Job{0, in.a, work_[static_cast<std::size_t>(in.a)]});
          work_[static_cast<std::size_t>(in.a)] = static_cast<std::ptrdiff_t>(position);
          ++pc;
          continue;
        case Op::kAssert:
          follow = AssertionHolds(program_, input_, static_cast<Assertion>(in.a), position);
          ++pc;
          break;
        case Op::kByte:
        case Op::kSet:
        case Op::kMatch:
          list.pcs[list.size] = pc;
          std::copy(work_.begin(), work_.end(), list.slots.begin() + static_cast<std::ptrdiff_t>(list.size * slot_count_));
          ++list.size;
          follow = false;
          break;
        default: throw EPatternError(kPatternCorruptedProgram, 0);
      }
      if (!follow) break;
    }
  }
}

}  // namespace brimsel::pattern
