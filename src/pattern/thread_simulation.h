#pragma once
// The thread simulation: runs a program over the input one byte at a time, following every
// way through it at once. Each way is a thread with its own captures; the threads are kept
// in the order in which the backtracker would try them, and of two threads that reach the
// same instruction at the same position only the earlier is kept, since the later could
// only repeat what the earlier does. A thread that reaches the end of the program ends
// every later one, so the result is the backtracker's leftmost-first match with the same
// groups.
//
// Its memory is a thread list the size of the program, whatever the input, and its time is
// linear in the input: what the backtracker cannot give for long inputs, where its stack of
// open choices grows with the input. It runs programs compiled without runs, strings,
// counters and back-references (CompileOptions for the input's length).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "pattern/matcher.h"
#include "pattern/program.h"

namespace brimsel::pattern {

class ThreadSimulation {
 public:
  explicit ThreadSimulation(const Program& program);

  // The leftmost match in `input`; the captures are set on a match.
  bool Search(std::string_view input, Captures& captures);

 private:
  // The threads waiting at one position: their instructions in priority order, each with
  // its capture slots.
  // Room for one thread per instruction, made once: no instruction holds two.
  struct ThreadList {
    ThreadList(std::size_t instructions, std::size_t slot_count)
        : pcs(instructions), slots(instructions * slot_count) {}
    std::vector<std::int32_t> pcs;
    std::vector<std::ptrdiff_t> slots;  // slot_count_ per thread
    std::size_t size = 0;
  };
  // A step of following the instructions that consume nothing: an instruction to follow,
  // or a capture slot to set back when the ways through the instruction that set it are done.
  struct Job {
    std::int32_t pc;
    std::int32_t slot;  // -1: follow pc
    std::ptrdiff_t value;
  };

  // Adds the threads that the instruction `pc` leads to at `position`, with the captures
  // in work_, in priority order.
  void AddThreads(ThreadList& list, std::int32_t pc, std::size_t position);

  const Program& program_;
  std::size_t slot_count_;
  std::string_view input_;
  // visited_[pc] == stamp_: the instruction was reached at the position being filled.
  std::vector<std::uint32_t> visited_;
  std::uint32_t stamp_ = 0;
  std::vector<std::ptrdiff_t> work_;
  std::vector<Job> jobs_;
};

}  // namespace brimsel::pattern
