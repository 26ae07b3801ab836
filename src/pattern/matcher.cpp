#include "pattern/matcher.h"

#include <algorithm>
#include <cstring>

#include "pattern/assertions.h"
#include "pattern/start_positions.h"

namespace brimsel::pattern {

SearchOutcome Matcher::Search(std::string_view input, Captures& captures) {
  input_ = input;
  slots_.fill(-1);
  openings_.fill(-1);
  counters_.assign(static_cast<std::size_t>(program_.counter_count), 0);
  stack_.clear();
  stack_.reserve(kFirstStackFrames);
  peak_depth_ = 0;
  steps_taken_ = 0;
  StartPositions starts(program_, input);
  std::size_t start = starts.Next(0);
  if (start == StartPositions::kNone) return SearchOutcome::kNoMatch;  // nothing to remember
  if (program_.remember_failures) {
    if (FailedStates::BitsFor(program_, input.size()) > kRememberedBitsBudget) return SearchOutcome::kOverBudget;
    failed_.Reset(program_, input.size());
  }
  try {
    for (; start != StartPositions::kNone; start = starts.Next(start + 1)) {
      if (!LeadRunFailedBefore(start) && MatchAt(start)) {
        captures = slots_;
        return SearchOutcome::kMatch;
      }
      if (program_.anchored_at_start) break;
    }
  } catch (const OverBudget&) {
    stack_ = {};
    return SearchOutcome::kOverBudget;
  }
  return SearchOutcome::kNoMatch;
}

bool Matcher::MatchAt(std::size_t start) {
  // Every change made on the way is undone by the stack, so a failed attempt leaves the
  // slots and counters as it found them.
  stack_.clear();
  int pc = program_.past_prefix_pc;
  std::size_t position = PastPrefix(start);
  const std::size_t end = input_.size();
  const auto* bytes = reinterpret_cast<const unsigned char*>(input_.data());
  for (;;) {
    const Instruction& in = program_.code[static_cast<std::size_t>(pc)];
    Charge(1);
    bool ok = true;
    if (in.memo >= 0 && !failed_.FirstVisit(in.memo, position)) {
      ok = false;
    } else {
      switch (in.op) {
        case Op::kByte:
          ok = position < end && bytes[position] == static_cast<unsigned char>(in.a);
          if (ok) ++position;
          ++pc;
          break;
        case Op::kString: {
          const std::string& text = program_.strings[static_cast<std::size_t>(in.a)];
          ok = end - position >= text.size() && std::memcmp(bytes + position, text.data(), text.size()) == 0;
          position += text.size();
          ++pc;
          break;
        }
        case Op::kSet:
          ok = position < end && program_.sets[static_cast<std::size_t>(in.a)].Contains(bytes[position]);
          ++position;
          ++pc;
          break;
        case Op::kAssert:
          ok = AssertionHolds(program_, input_, static_cast<Assertion>(in.a), position);
          ++pc;
          break;
        case Op::kBackRef:
          ok = BackReferenceMatches(pc, position);
          ++pc;
          break;
        case Op::kSave:
          Save(in.a, position);
          ++pc;
          break;
        case Op::kSplit:
          Push(Frame{Frame::kResume, in.b, static_cast<std::ptrdiff_t>(position)});
          pc = in.a;
          break;
        case Op::kJump:
          pc = in.a;
          break;
        case Op::kCountInit:
          Push(Frame{Frame::kRestoreCounter, in.a, counters_[static_cast<std::size_t>(in.a)]});
          counters_[static_cast<std::size_t>(in.a)] = 0;
          ++pc;
          break;
        case Op::kCountLoop: {
          const CountedRepeat& repeat = program_.repeats[static_cast<std::size_t>(in.a)];
          const int done = counters_[static_cast<std::size_t>(repeat.counter)];
          const int body = pc + 1;
          if (done < repeat.min) {
            // Every repetition consumes a byte: with fewer bytes left than repetitions
            // still needed, the loop cannot succeed.
            ok = static_cast<std::size_t>(repeat.min - done) <= end - position;
            pc = body;
          } else if (repeat.max != kUnbounded && done >= repeat.max) {
            pc = in.b;
          } else {
            const int later = repeat.greedy ? in.b : body;
            Push(Frame{Frame::kResume, later, static_cast<std::ptrdiff_t>(position)});
            pc = repeat.greedy ? body : in.b;
          }
          break;
        }
        case Op::kCountEnter: {
          const CountedRepeat& repeat = program_.repeats[static_cast<std::size_t>(in.a)];
          std::int32_t& done = counters_[static_cast<std::size_t>(repeat.counter)];
          Push(Frame{Frame::kRestoreCounter, repeat.counter, done});
          // Past the minimum of an open-ended count the exact number no longer changes
          // anything; keeping it at the minimum keeps the remembered states few.
          if (repeat.max != kUnbounded || done < repeat.min) ++done;
          ++pc;
          break;
        }
        case Op::kRun:
          ok = EnterRun(pc, position);
          break;
        case Op::kMatch:
          slots_[0] = static_cast<std::ptrdiff_t>(start);
          slots_[1] = static_cast<std::ptrdiff_t>(position);
          return true;
      }
    }
    if (!ok && !Backtrack(pc, position)) return false;
  }
}

// What MatchAt would find without the work of setting out: the attempt reaches the lead
// run with nothing to undo but group marks, and the run fails at once when its loop head
// after the mandatory repetitions failed before (or the input ends before them).
bool Matcher::LeadRunFailedBefore(std::size_t start) const {
  return program_.lead_run_pc >= 0 && FailedBefore(program_.lead_run_pc, PastPrefix(start));
}

// Whether the instruction at `pc` is known to fail at `position` without running it: it
// was there before, or it is a run whose first mandatory byte is missing, or whose loop head
// after the mandatory repetitions was there before (or the input ends before them).
bool Matcher::FailedBefore(int pc, std::size_t position) const {
  const Instruction& in = program_.code[static_cast<std::size_t>(pc)];
  if (position > input_.size()) return false;
  if (in.memo >= 0) return failed_.Seen(in.memo, position);
  if (in.op != Op::kRun) return false;
  const ByteRun& run = RunAt(pc);
  const std::size_t low = position + static_cast<std::size_t>(run.min);
  if (low > input_.size()) return true;
  if (run.min > 0 && !run.takes[static_cast<unsigned char>(input_[position])]) return true;
  return RunRemembers(run, position) && failed_.FirstSeenInBlock(in.a, low) == low;
}

// A group's start is held aside until the group closes, so that the group keeps the text
// of its previous repetition while the next one runs (a back-reference inside the group
// refers to that text).
void Matcher::Save(int slot, std::size_t position) {
  const auto group = static_cast<std::size_t>(slot) / 2;
  const auto at = static_cast<std::ptrdiff_t>(position);
  if (static_cast<std::size_t>(slot) % 2 == 0) {
    Push(Frame{Frame::kRestoreOpening, static_cast<std::int32_t>(group), openings_[group]});
    openings_[group] = at;
    return;
  }
  Push(Frame{Frame::kRestoreGroup, static_cast<std::int32_t>(group), slots_[2 * group], slots_[2 * group + 1],
             openings_[group]});
  slots_[2 * group] = openings_[group];
  slots_[2 * group + 1] = at;
}

bool Matcher::Backtrack(int& pc, std::size_t& position) {
  while (!stack_.empty()) {
    Frame& top = stack_.back();
    if (top.kind == Frame::kGreedyRun) {
      // One repetition fewer; the entry stays, in place, while fewer remain possible.
      const ByteRun& run = RunAt(top.index);
      const auto start = static_cast<std::size_t>(top.b);
      const auto lowest = static_cast<std::size_t>(top.c);
      const std::size_t exit = ExitWorthTrying(run, static_cast<std::size_t>(top.a) - 1, lowest);
      if (exit == kNoExit) {
        stack_.pop_back();  // the group's former text, if any, is undone next
        continue;
      }
      top.a = static_cast<std::ptrdiff_t>(exit);
      pc = top.index + 1;
      if (exit == lowest) {
        stack_.pop_back();
        // No repetition left: the group gets back what it held before the run.
        if (exit == start && run.group != 0) {
          Undo(stack_.back());
          stack_.pop_back();
        }
      }
      SetRunGroup(run, start, exit);
      position = exit;
      return true;
    }
    const Frame frame = top;
    stack_.pop_back();
    switch (frame.kind) {
      case Frame::kResume:
        pc = frame.index;
        position = static_cast<std::size_t>(frame.a);
        return true;
      case Frame::kLazyRun:
        if (LazyRunExit(frame.index, static_cast<std::size_t>(frame.b), static_cast<std::size_t>(frame.a) + 1, pc,
                        position)) {
          return true;
        }
        break;
      default:
        Undo(frame);
        break;
    }
  }
  return false;
}

void Matcher::Undo(const Frame& frame) {
  switch (frame.kind) {
    case Frame::kRestoreOpening: openings_[static_cast<std::size_t>(frame.index)] = frame.a; break;
    case Frame::kRestoreGroup: {
      const auto group = static_cast<std::size_t>(frame.index);
      slots_[2 * group] = frame.a;
      slots_[2 * group + 1] = frame.b;
      openings_[group] = frame.c;
      break;
    }
    case Frame::kRestoreCounter:
      counters_[static_cast<std::size_t>(frame.index)] = static_cast<std::int32_t>(frame.a);
      break;
    default: break;
  }
}

// A run takes its mandatory repetitions, then, greedy, as many more as it can, leaving one
// entry that gives them back one at a time; lazy, none, leaving one entry that adds them one
// at a time. The state "min repetitions done, next byte at q" is the loop head of the
// plain loop "x*": what follows it does not depend on where the run began, unless a maximum
// can still stop the run before the input ends. Such states are remembered: a greedy run
// stops at the first one seen before (every exit from there on was tried then), a lazy one
// gives up there. A greedy run's exits are thus tried once each over the whole search.
bool Matcher::EnterRun(int& pc, std::size_t& position) {
  const ByteRun& run = RunAt(pc);
  const std::size_t start = position;
  const std::size_t end = input_.size();
  const auto* bytes = reinterpret_cast<const unsigned char*>(input_.data());
  if (end - start < static_cast<std::size_t>(run.min)) return false;
  const std::size_t low = start + static_cast<std::size_t>(run.min);
  for (std::size_t at = start; at < low; ++at) {
    if (!run.set.Contains(bytes[at])) return false;
  }
  if (!run.greedy) {
    PushRunGroupUndo(run);
    return LazyRunExit(pc, start, low, pc, position);
  }
  const std::size_t limit = RunLimit(run, start);
  const bool remember = RunRemembers(run, start);
  const int index = program_.code[static_cast<std::size_t>(pc)].a;
  // Up to the first exit seen before (every exit from there on was tried then), the end
  // of the bytes the run takes, or its limit; the seen exits are looked up 64 at a time.
  std::size_t exit = low;
  for (;;) {
    const std::size_t block_end = (exit | 63) + 1;
    const std::size_t seen = remember ? failed_.FirstSeenInBlock(index, exit) : block_end;
    const std::size_t stop = std::min(seen, limit);
    while (exit < stop && run.takes[bytes[exit]]) ++exit;
    if (exit < stop) break;  // a byte the run cannot take
    if (exit == seen && seen < block_end) {
      if (exit == low) return false;
      --exit;
      break;
    }
    if (exit == limit) break;
  }
  ChargeBytes(exit - start);
  if (remember) failed_.SeeRange(index, low, exit + 1);
  std::size_t lowest = low;
  if (run.stop_margin >= 0 && exit - low > static_cast<std::size_t>(run.stop_margin)) {
    lowest = exit - static_cast<std::size_t>(run.stop_margin);
  }
  exit = ExitWorthTrying(run, exit, lowest);
  if (exit == kNoExit) return false;
  PushRunGroupUndo(run);
  if (exit > lowest) {
    Push(Frame{Frame::kGreedyRun, pc, static_cast<std::ptrdiff_t>(exit), static_cast<std::ptrdiff_t>(start),
               static_cast<std::ptrdiff_t>(lowest)});
  }
  SetRunGroup(run, start, exit);
  ++pc;
  position = exit;
  return true;
}

// The highest exit from `exit` down to `lowest` where the items after the run match;
// kNoExit when there is none.
std::size_t Matcher::ExitWhereItemsMatch(const ByteRun& run, std::size_t exit, std::size_t lowest) {
  const std::size_t items = run.next_items.size();
  const std::size_t end = input_.size();
  const auto* bytes = reinterpret_cast<const unsigned char*>(input_.data());
  std::size_t compared = 0;
  for (;; --exit) {
    std::size_t matched = 0;
    while (matched < items && exit + matched < end && run.next_items[matched].Contains(bytes[exit + matched])) {
      ++matched;
    }
    compared += matched + 1;
    if (matched == items) break;
    if (exit == lowest) {
      exit = kNoExit;
      break;
    }
  }
  ChargeBytes(compared);
  return exit;
}

// The lazy run that began at `start` leaves at `exit`, keeping an entry to take one more
// repetition later when one is possible.
bool Matcher::LazyRunExit(int run_pc, std::size_t start, std::size_t exit, int& pc, std::size_t& position) {
  const ByteRun& run = RunAt(run_pc);
  if (RunRemembers(run, start) && !failed_.FirstRunVisit(program_.code[static_cast<std::size_t>(run_pc)].a, exit)) {
    return false;
  }
  if (exit < RunLimit(run, start) && run.set.Contains(static_cast<unsigned char>(input_[exit]))) {
    Push(Frame{Frame::kLazyRun, run_pc, static_cast<std::ptrdiff_t>(exit), static_cast<std::ptrdiff_t>(start)});
  }
  SetRunGroup(run, start, exit);
  pc = run_pc + 1;
  position = exit;
  return true;
}

std::size_t Matcher::RunLimit(const ByteRun& run, std::size_t start) const {
  const std::size_t end = input_.size();
  if (run.max == kUnbounded || end - start < static_cast<std::size_t>(run.max)) return end;
  return start + static_cast<std::size_t>(run.max);
}

// With the maximum out of reach before the input ends, the count no longer matters.
bool Matcher::RunRemembers(const ByteRun& run, std::size_t start) const {
  return run.remembers && (run.max == kUnbounded || input_.size() - start < static_cast<std::size_t>(run.max));
}

// "(x)*": the group is the last repetition's byte. Its former text is kept on the stack, in
// the entry below the run's own.
void Matcher::PushRunGroupUndo(const ByteRun& run) {
  if (run.group == 0) return;
  const auto group = static_cast<std::size_t>(run.group);
  Push(Frame{Frame::kRestoreGroup, run.group, slots_[2 * group], slots_[2 * group + 1], openings_[group]});
}

void Matcher::SetRunGroup(const ByteRun& run, std::size_t start, std::size_t exit) {
  if (run.group == 0 || exit == start) return;
  const auto group = static_cast<std::size_t>(run.group);
  const auto last = static_cast<std::ptrdiff_t>(exit) - 1;
  openings_[group] = last;
  slots_[2 * group] = last;
  slots_[2 * group + 1] = last + 1;
}

// The reference at `pc` leaves the captures as they are and moves on by the group's length:
// where what follows failed before at that position, there is nothing to compare.
bool Matcher::BackReferenceMatches(int pc, std::size_t& position) {
  const Instruction& in = program_.code[static_cast<std::size_t>(pc)];
  const std::ptrdiff_t begin = slots_[static_cast<std::size_t>(2 * in.a)];
  const std::ptrdiff_t finish = slots_[static_cast<std::size_t>(2 * in.a + 1)];
  if (begin < 0) return false;  // the group is unset: nothing to repeat
  const auto length = static_cast<std::size_t>(finish - begin);
  if (input_.size() - position < length || FailedBefore(pc + 1, position + length)) return false;
  ChargeBytes(length);
  for (std::size_t i = 0; i < length; ++i) {
    auto a = static_cast<unsigned char>(input_[static_cast<std::size_t>(begin) + i]);
    auto b = static_cast<unsigned char>(input_[position + i]);
    if (in.ignore_case) {
      a = FoldCase(a);
      b = FoldCase(b);
    }
    if (a != b) return false;
  }
  position += length;
  return true;
}

}  // namespace brimsel::pattern
