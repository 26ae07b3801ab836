#pragma once
// The compiled form of a pattern: a small program of instructions for the matcher, with
// the tables the instructions refer to.

#include <cstdint>
#include <string>
#include <vector>

#include "pattern/char_set.h"
#include "pattern/syntax_tree.h"

namespace brimsel::pattern {

enum class Op : std::uint8_t {
  kByte,        // a: the byte
  kString,      // a: index into strings (two bytes or more, exact)
  kSet,         // a: index into sets
  kAssert,      // a: the Assertion
  kBackRef,     // a: group number; ignore_case
  kSave,        // a: capture slot (2n start, 2n+1 end of group n)
  kSplit,       // a: tried first, b: tried when a fails
  kJump,        // a: target
  kCountInit,   // a: counter; the counter of a counted loop set to 0
  kCountLoop,   // a: index into repeats; b: exit. The body starts at pc + 1 (a kCountEnter)
  kCountEnter,  // a: index into repeats; one more repetition begins
  kRun,         // a: index into runs; a repetition of one byte, the exit is pc + 1
  kMatch,
};

struct Instruction {
  Op op = Op::kMatch;
  bool ignore_case = false;
  std::int32_t a = 0;
  std::int32_t b = 0;
  // Index of the remembered-state table of this instruction, or -1: only instructions
  // that two paths can reach are remembered (see Program::memo_counters).
  std::int32_t memo = -1;
};

// A counted loop too large to unroll: "{n,m}" with a counter. Counter k belongs to
// repeats[k].
struct CountedRepeat {
  int counter = 0;
  int min = 0;
  int max = kUnbounded;
  bool greedy = true;
};

// A repetition of an item that always consumes exactly one byte ("\S+", "[a-z]{2,8}?",
// "(x)*"). The matcher keeps one backtracking entry per run, holding the repetition counts
// still to try, instead of one per repetition, so its stack does not grow with the input.
struct ByteRun {
  CharSet set;
  int min = 0;
  int max = kUnbounded;
  bool greedy = true;
  // The capture group that is the item ("(x)*"), or 0: it holds the last repetition's byte.
  int group = 0;
  // The remembered-state table of "at least min repetitions done, the next byte at
  // position q": what follows does not depend on how the run got there (see the matcher).
  std::int32_t loop_memo = -1;
};

struct Program {
  std::vector<Instruction> code;
  std::vector<CharSet> sets;
  std::vector<std::string> strings;
  std::vector<CountedRepeat> repeats;
  std::vector<ByteRun> runs;
  int counter_count = 0;
  int group_count = 0;

  // Remembering failed states is sound only when what follows a state does not depend on
  // what the groups captured, that is, without back-references.
  bool remember_failures = false;
  // For each remembered instruction, the counters of the counted loops around it: the state
  // of such an instruction is (instruction, position, those counters).
  std::vector<std::vector<int>> memo_counters;

  // The sets that the assertions refer to.
  CharSet word_chars;
  CharSet line_separators;
  bool has_paired_separator = false;
  unsigned char paired_first = 0;
  unsigned char paired_second = 0;

  // Search shortcuts: a match can only start at "^"/"\A" (position 0), and, when the
  // pattern cannot match nothing, only at a byte of first_bytes.
  bool anchored_at_start = false;
  bool can_match_empty = true;
  CharSet first_bytes;
};

}  // namespace brimsel::pattern
