#pragma once
// The compiled form of a pattern: a small program of instructions for the matcher, with
// the tables the instructions refer to.

#include <array>
#include <cstddef>
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
  // that two paths can reach are remembered.
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
  // The set again, one byte per value: a long run is scanned by one load and test a byte.
  std::array<bool, 256> takes{};
  int min = 0;
  int max = kUnbounded;
  bool greedy = true;
  // The capture group that is the item ("(x)*"), or 0: it holds the last repetition's byte.
  int group = 0;
  // The matcher remembers the states "at least min repetitions done, the next byte at
  // position q" of each run, its loop head: what follows does not depend on how the run got
  // there.
  // Set when one-byte items follow the run (past group marks), one of which takes none of
  // the run's bytes, this many items on: a greedy run gives back no further than that many
  // bytes before where it stopped, since from any earlier exit that item meets a byte of the
  // run. 0 when the next item can never take a byte of the run: the run gives back nothing.
  int stop_margin = -1;
  // The first of those one-byte items (kMaxNextItems at most): a greedy run tries an exit
  // only where they match, or at the lowest exit left.
  static constexpr std::size_t kMaxNextItems = 8;
  std::vector<CharSet> next_items;
  // Its loop heads are remembered as failed states (see remembered_states.h).
  bool remembers = false;
};

struct Program {
  std::vector<Instruction> code;
  std::vector<CharSet> sets;
  std::vector<std::string> strings;
  std::vector<CountedRepeat> repeats;
  std::vector<ByteRun> runs;
  int counter_count = 0;
  int group_count = 0;

  // Some states are remembered as failed: those where what follows depends on nothing but
  // instruction and position (remembered_states.h), which is all of them in a program
  // without back-references and counters.
  bool remember_failures = false;
  // The remembered instructions, numbered from 0 (Instruction::memo).
  int memo_count = 0;

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
  bool single_first_byte = false;
  // A literal text that every match begins with (two bytes or more), or empty: the search
  // tries only where it occurs.
  std::string literal_prefix;
  std::size_t literal_prefix_rarest = 0;  // RarestByteOf(literal_prefix)
  // 1 when the first instruction compares exactly that prefix and is remembered nowhere:
  // the backtracker, trying only starts where the prefix was found, begins past it.
  int past_prefix_pc = 0;
  // The greedy run that an attempt meets first, past the prefix and group marks only, with
  // nothing remembered on the way; -1 when there is none. An attempt whose run would begin
  // at a loop head that failed before fails at once.
  int lead_run_pc = -1;
  // A literal text that every match contains, from `required_min_offset` to
  // `required_max_offset` bytes after the match's start, or empty: a start without it in
  // that window cannot begin a match.
  static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);
  std::string required_literal;
  std::size_t required_literal_rarest = 0;
  std::size_t required_min_offset = 0;
  std::size_t required_max_offset = kNoLimit;
  // The same for one byte of a set that every match contains; all bytes: none.
  CharSet required_set = CharSet::All();
  std::size_t required_set_min_offset = 0;
  std::size_t required_set_max_offset = kNoLimit;
  // For a pattern whose top-level sequence has "$" (or "\Z") without m: the most bytes a
  // match can take, since it ends at the end of the input. Starts further back cannot match.
  std::size_t longest_match_at_end = kNoLimit;
  // The fewest bytes a match takes: starts with fewer bytes left cannot match.
  std::size_t shortest_match = 0;
};

}  // namespace brimsel::pattern
