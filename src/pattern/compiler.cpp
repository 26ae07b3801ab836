#include "pattern/compiler.h"

#include <algorithm>
#include <utility>

#include "pattern/program_graph.h"
#include "pattern/remembered_states.h"
#include "pattern/start_positions.h"

namespace brimsel::pattern {
namespace {

// Sizes past this are all "too large"; sums and products saturate here instead of wrapping.
constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max() / 4;

std::size_t SaturatingAdd(std::size_t a, std::size_t b) { return std::min(a + b, kHuge); }
std::size_t SaturatingMul(std::size_t a, std::size_t b) { return b != 0 && a > kHuge / b ? kHuge : a * b; }

// The fewest bytes a node consumes when it matches.
std::size_t MinWidth(const Node& node) {
  switch (node.kind) {
    case Node::Kind::kByte:
    case Node::Kind::kSet: return 1;
    case Node::Kind::kAssert: return 0;
    // A reference repeats a text its group matched, of a length the group can have.
    case Node::Kind::kBackRef: return node.referenced_group ? MinWidth(*node.referenced_group->children[0]) : 0;
    case Node::Kind::kGroup: return MinWidth(*node.children[0]);
    case Node::Kind::kConcat: {
      std::size_t width = 0;
      for (const auto& child : node.children) width = SaturatingAdd(width, MinWidth(*child));
      return width;
    }
    case Node::Kind::kAlternate: {
      std::size_t width = kHuge;
      for (const auto& child : node.children) width = std::min(width, MinWidth(*child));
      return width;
    }
    case Node::Kind::kRepeat:
      return node.max == 0 ? 0 : SaturatingMul(static_cast<std::size_t>(node.min), MinWidth(*node.children[0]));
  }
  return 0;
}

// The most bytes a node consumes when it matches; kHuge: no bound.
std::size_t MaxWidth(const Node& node) {
  switch (node.kind) {
    case Node::Kind::kByte:
    case Node::Kind::kSet: return 1;
    case Node::Kind::kAssert: return 0;
    case Node::Kind::kBackRef: return node.referenced_group ? MaxWidth(*node.referenced_group->children[0]) : kHuge;
    case Node::Kind::kGroup: return MaxWidth(*node.children[0]);
    case Node::Kind::kConcat: {
      std::size_t width = 0;
      for (const auto& child : node.children) width = SaturatingAdd(width, MaxWidth(*child));
      return width;
    }
    case Node::Kind::kAlternate: {
      std::size_t width = 0;
      for (const auto& child : node.children) width = std::max(width, MaxWidth(*child));
      return width;
    }
    case Node::Kind::kRepeat:
      if (node.max == 0) return 0;
      if (node.max == kUnbounded) return MaxWidth(*node.children[0]) == 0 ? 0 : kHuge;
      return SaturatingMul(static_cast<std::size_t>(node.max), MaxWidth(*node.children[0]));
  }
  return kHuge;
}

// The counts of a repeat as the search can see them. Every repetition of a loop consumes
// at least a byte (the parser refuses loops around what can be empty), so an input of n
// bytes holds at most n / width of them: a larger maximum can never stop the loop and is
// the same as none, and a larger minimum can never be reached.
struct EffectiveCount {
  int min = 0;
  int max = 0;
  bool impossible = false;
};

EffectiveCount CountFor(const Node& repeat, const CompileOptions& options) {
  EffectiveCount count{repeat.min, repeat.max, false};
  const std::size_t width = MinWidth(*repeat.children[0]);
  if (options.input_length == std::numeric_limits<std::size_t>::max() || width == 0 || repeat.max == 1) return count;
  const std::size_t possible = options.input_length / width;
  if (static_cast<std::size_t>(repeat.min) > possible) count.impossible = true;
  if (repeat.max != kUnbounded && static_cast<std::size_t>(repeat.max) > possible) count.max = kUnbounded;
  return count;
}

// How many copies of the body an unrolled repeat takes, or 0 when it is not unrolled.
std::size_t UnrolledCopies(const EffectiveCount& count, std::size_t body_size, const CompileOptions& options) {
  // "*", "+" and "?" are one copy and a split whatever the body's size.
  if ((count.max == kUnbounded && count.min <= 1) || count.max == 1) return 1;
  const auto copies = static_cast<std::size_t>(count.max == kUnbounded ? std::max(count.min, 1) : count.max);
  return SaturatingMul(copies, body_size + 1) <= options.unroll_limit ? copies : 0;
}

// The bytes of an item that always consumes exactly one byte, and the capture group that
// is the item, if any ("(x)"): such items repeat as one run instruction.
bool SingleByteItem(const Node& node, CharSet& set, int& group) {
  switch (node.kind) {
    case Node::Kind::kByte:
      set = CharSet();
      set.Add(node.byte);
      return true;
    case Node::Kind::kSet: set = node.set; return true;
    case Node::Kind::kGroup:
      if (group != 0) return false;  // "((x))": two groups to keep
      group = node.group;
      return SingleByteItem(*node.children[0], set, group);
    default: return false;
  }
}

// "?" stays a plain split: a run would save nothing there.
bool IsByteRun(const Node& repeat, const CompileOptions& options) {
  CharSet set;
  int group = 0;
  return options.byte_runs && repeat.max != 1 && repeat.max != 0 && SingleByteItem(*repeat.children[0], set, group);
}

std::size_t NodeSize(const Node& node, const CompileOptions& options) {
  switch (node.kind) {
    case Node::Kind::kGroup: return SaturatingAdd(NodeSize(*node.children[0], options), 2);
    case Node::Kind::kConcat:
    case Node::Kind::kAlternate: {
      std::size_t size = node.kind == Node::Kind::kAlternate ? 2 * (node.children.size() - 1) : 0;
      for (const auto& child : node.children) size = SaturatingAdd(size, NodeSize(*child, options));
      return size;
    }
    case Node::Kind::kRepeat: {
      if (node.max == 0) return 0;
      if (IsByteRun(node, options)) return 1;
      const EffectiveCount count = CountFor(node, options);
      if (count.impossible) return 1;
      const std::size_t body = NodeSize(*node.children[0], options);
      const std::size_t copies = UnrolledCopies(count, body, options);
      return copies > 0 ? SaturatingAdd(SaturatingMul(copies, body + 1), 1) : SaturatingAdd(body, 4);
    }
    default: return 1;
  }
}

class Emitter {
 public:
  Emitter(Program& program, const CompileOptions& options) : program_(program), options_(options) {}

  void Emit(const Node& node) {
    switch (node.kind) {
      case Node::Kind::kByte: Add(Op::kByte, node.byte); break;
      case Node::Kind::kSet: EmitSet(node.set); break;
      case Node::Kind::kAssert: Add(Op::kAssert, static_cast<int>(node.assertion)); break;
      case Node::Kind::kBackRef: Add(Op::kBackRef, node.group).ignore_case = node.ignore_case; break;
      case Node::Kind::kGroup:
        Add(Op::kSave, 2 * node.group);
        Emit(*node.children[0]);
        Add(Op::kSave, 2 * node.group + 1);
        break;
      case Node::Kind::kConcat: EmitConcat(node); break;
      case Node::Kind::kAlternate: EmitAlternate(node); break;
      case Node::Kind::kRepeat: EmitRepeat(node); break;
    }
  }

 private:
  int Pc() const { return static_cast<int>(program_.code.size()); }
  Instruction& Add(Op op, int a = 0, int b = 0) {
    program_.code.push_back(Instruction{op, false, a, b, -1});
    return program_.code.back();
  }

  // An empty set never matches: the place of a repeat whose minimum no input can hold.
  void EmitSet(const CharSet& set) {
    if (set.Count() == 1) {
      Add(Op::kByte, set.First());
      return;
    }
    program_.sets.push_back(set);
    Add(Op::kSet, static_cast<int>(program_.sets.size() - 1));
  }

  // Runs of exact bytes become one string instruction.
  void EmitConcat(const Node& node) {
    std::string run;
    auto flush = [&] {
      if (run.size() == 1) Add(Op::kByte, static_cast<unsigned char>(run[0]));
      if (run.size() > 1) {
        program_.strings.push_back(run);
        Add(Op::kString, static_cast<int>(program_.strings.size() - 1));
      }
      run.clear();
    };
    for (const auto& child : node.children) {
      if (child->kind == Node::Kind::kByte && options_.merge_strings) {
        run.push_back(static_cast<char>(child->byte));
        continue;
      }
      flush();
      Emit(*child);
    }
    flush();
  }

  void EmitAlternate(const Node& node) {
    std::vector<int> jumps_to_end;
    for (std::size_t i = 0; i + 1 < node.children.size(); ++i) {
      const int split = Pc();
      Add(Op::kSplit, split + 1);
      Emit(*node.children[i]);
      jumps_to_end.push_back(Pc());
      Add(Op::kJump);
      program_.code[split].b = Pc();
    }
    Emit(*node.children.back());
    for (int jump : jumps_to_end) program_.code[jump].a = Pc();
  }

  // A split between continuing at `body` and at `exit`, in the order the repeat prefers.
  void SetSplit(int split, int body, int exit, bool greedy) {
    program_.code[split].a = greedy ? body : exit;
    program_.code[split].b = greedy ? exit : body;
  }

  void EmitRepeat(const Node& node) {
    if (node.max == 0) return;  // "{0}": nothing to match
    const Node& body = *node.children[0];
    if (IsByteRun(node, options_)) {
      EmitRun(node);
      return;
    }
    const EffectiveCount count = CountFor(node, options_);
    if (count.impossible) {
      EmitSet(CharSet());
      return;
    }
    const std::size_t copies = UnrolledCopies(count, NodeSize(body, options_), options_);
    if (copies == 0) {
      EmitCountedLoop(node);
      return;
    }
    if (count.max == kUnbounded) {
      // n-1 copies, then "body, and again as long as the repeat wants": one loop for "+".
      for (std::size_t i = 0; i + 1 < copies; ++i) Emit(body);
      if (count.min == 0) {
        // "*": L: split(body, exit); body; jump L
        const int split = Pc();
        Add(Op::kSplit);
        Emit(body);
        Add(Op::kJump, split);
        SetSplit(split, split + 1, Pc(), node.greedy);
      } else {
        const int start = Pc();
        Emit(body);
        const int split = Pc();
        Add(Op::kSplit);
        SetSplit(split, start, Pc(), node.greedy);
      }
      return;
    }
    for (int i = 0; i < count.min; ++i) Emit(body);
    // The optional copies nest: x{0,3} is (x(x(x)?)?)?, every one leaving to the end.
    std::vector<int> splits;
    for (int i = count.min; i < count.max; ++i) {
      splits.push_back(Pc());
      Add(Op::kSplit);
      Emit(body);
    }
    for (int split : splits) SetSplit(split, split + 1, Pc(), node.greedy);
  }

  void EmitRun(const Node& node) {
    ByteRun run;
    SingleByteItem(*node.children[0], run.set, run.group);
    run.min = node.min;
    run.max = node.max;
    run.greedy = node.greedy;
    program_.runs.push_back(run);
    Add(Op::kRun, static_cast<int>(program_.runs.size() - 1));
  }

  void EmitCountedLoop(const Node& node) {
    const int counter = program_.counter_count++;
    program_.repeats.push_back(CountedRepeat{counter, node.min, node.max, node.greedy});
    const int repeat = static_cast<int>(program_.repeats.size() - 1);
    Add(Op::kCountInit, counter);
    const int head = Pc();
    Add(Op::kCountLoop, repeat);
    Add(Op::kCountEnter, repeat);
    Emit(*node.children[0]);
    Add(Op::kJump, head);
    program_.code[head].b = Pc();
  }

  Program& program_;
  const CompileOptions& options_;
};

// A back-reference that no way reaches from a close of its group would repeat a group that
// is unset, which never matches: it fails at once, as the empty set.
void FailReferencesToUnmatchedGroups(Program& program) {
  const int size = static_cast<int>(program.code.size());
  auto closes = [&](const Instruction& in, int group) {
    return (in.op == Op::kSave && in.a == 2 * group + 1) ||
           (in.op == Op::kRun && program.runs[static_cast<std::size_t>(in.a)].group == group);
  };
  for (int group = 1; group <= program.group_count; ++group) {
    std::vector<bool> reached(static_cast<std::size_t>(size), false);
    std::vector<int> ahead;
    auto reach = [&](int pc) {
      if (pc < size && !reached[static_cast<std::size_t>(pc)]) {
        reached[static_cast<std::size_t>(pc)] = true;
        ahead.push_back(pc);
      }
    };
    for (int pc = 0; pc < size; ++pc) {
      if (closes(program.code[static_cast<std::size_t>(pc)], group)) ForEachSuccessor(program, pc, reach);
    }
    while (!ahead.empty()) {
      const int pc = ahead.back();
      ahead.pop_back();
      ForEachSuccessor(program, pc, reach);
    }
    for (int pc = 0; pc < size; ++pc) {
      Instruction& in = program.code[static_cast<std::size_t>(pc)];
      if (in.op != Op::kBackRef || in.a != group || reached[static_cast<std::size_t>(pc)]) continue;
      program.sets.emplace_back();
      in = Instruction{Op::kSet, false, static_cast<int>(program.sets.size() - 1), 0, -1};
    }
  }
}

// Appends the bytes that each one-byte item of the instruction at `pc` takes (a byte, a
// set, or a string's bytes one by one); false for an instruction of any other kind.
bool AppendOneByteItems(const Program& program, int pc, std::vector<CharSet>& items) {
  const Instruction& in = program.code[static_cast<std::size_t>(pc)];
  auto append_byte = [&](unsigned char byte) {
    items.emplace_back();
    items.back().Add(byte);
  };
  switch (in.op) {
    case Op::kByte: append_byte(static_cast<unsigned char>(in.a)); return true;
    case Op::kSet: items.push_back(program.sets[static_cast<std::size_t>(in.a)]); return true;
    case Op::kString:
      for (char byte : program.strings[static_cast<std::size_t>(in.a)]) append_byte(static_cast<unsigned char>(byte));
      return true;
    default: return false;
  }
}

// Each run gets its byte table. A greedy run followed (past group marks) by one-byte items
// gives back only the exits from which they can still match: an item that takes none of the
// run's bytes, `margin` items on, must land at or after the byte where the run stopped; and
// of those, it tries only the ones where the items match.
void PrepareRuns(Program& program) {
  for (std::size_t pc = 0; pc < program.code.size(); ++pc) {
    if (program.code[pc].op != Op::kRun) continue;
    ByteRun& run = program.runs[static_cast<std::size_t>(program.code[pc].a)];
    for (int value = 0; value < 256; ++value) run.takes[value] = run.set.Contains(static_cast<unsigned char>(value));
    auto next = static_cast<int>(pc + 1);
    while (program.code[static_cast<std::size_t>(next)].op == Op::kSave) ++next;
    std::vector<CharSet> items;
    while (AppendOneByteItems(program, next, items)) ++next;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].Disjoint(run.set)) {
        run.stop_margin = static_cast<int>(i);
        break;
      }
    }
    if (items.size() > ByteRun::kMaxNextItems) items.resize(ByteRun::kMaxNextItems);
    run.next_items = std::move(items);
  }
}

// Where an attempt may begin past its prefix, and the run it then meets first.
void FindAttemptShortcuts(Program& program) {
  const Instruction& first = program.code.front();
  if (!program.literal_prefix.empty() && first.op == Op::kString && first.memo < 0 &&
      program.strings[static_cast<std::size_t>(first.a)] == program.literal_prefix) {
    program.past_prefix_pc = 1;
  }
  auto at = [&](int pc) -> const Instruction& { return program.code[static_cast<std::size_t>(pc)]; };
  int pc = program.past_prefix_pc;
  while (at(pc).op == Op::kSave && at(pc).memo < 0) ++pc;
  if (at(pc).op == Op::kRun && at(pc).memo < 0 && program.runs[static_cast<std::size_t>(at(pc).a)].greedy) {
    program.lead_run_pc = pc;
  }
}

// The literal texts on the path every match takes: the items of the pattern's top-level
// sequence, groups opened. The first is a prefix when nothing but assertions comes before
// it (two bytes or more; one byte is a first byte); the longest of the others is required
// between the fewest and the most bytes that the items before it can take. So is the
// narrowest set among those items ("\W", or a letter under i), where there is no such text.
class LiteralScan {
 public:
  explicit LiteralScan(const Node& root) {
    Scan(root);
    Flush();
  }
  std::string prefix;
  std::string required;
  std::size_t required_min_offset = 0;
  std::size_t required_max_offset = 0;
  CharSet required_set = CharSet::All();
  std::size_t required_set_min_offset = 0;
  std::size_t required_set_max_offset = kHuge;
  // The most bytes a match can take when it must end at the end of the input; kHuge: no bound.
  std::size_t longest_match = kHuge;

 private:
  void Scan(const Node& node) {
    switch (node.kind) {
      case Node::Kind::kByte:
        if (run_.empty()) {
          run_min_offset_ = min_offset_;
          run_max_offset_ = max_offset_;
          run_is_prefix_ = at_start_;
        }
        run_.push_back(static_cast<char>(node.byte));
        min_offset_ = SaturatingAdd(min_offset_, 1);
        max_offset_ = SaturatingAdd(max_offset_, 1);
        return;
      case Node::Kind::kConcat:
        for (const auto& child : node.children) Scan(*child);
        return;
      case Node::Kind::kGroup: Scan(*node.children[0]); return;
      case Node::Kind::kAssert:
        Flush();
        // Whatever follows the end of the input consumes nothing in any match.
        if (node.assertion == Assertion::kEndInput) longest_match = std::min(longest_match, max_offset_);
        return;
      default:
        Flush();
        at_start_ = false;
        if (const CharSet* set = RequiredSetOf(node); set != nullptr && set->Count() < required_set.Count()) {
          required_set = *set;
          required_set_min_offset = min_offset_;
          required_set_max_offset = max_offset_;
        }
        min_offset_ = SaturatingAdd(min_offset_, MinWidth(node));
        max_offset_ = SaturatingAdd(max_offset_, MaxWidth(node));
        return;
    }
  }

  // The set of the first byte that `node` takes whenever it matches, if it is one.
  static const CharSet* RequiredSetOf(const Node& node) {
    if (node.kind == Node::Kind::kSet) return &node.set;
    if (node.kind == Node::Kind::kRepeat && node.min > 0 && node.children[0]->kind == Node::Kind::kSet) {
      return &node.children[0]->set;
    }
    return nullptr;
  }

  void Flush() {
    if (run_is_prefix_ && run_.size() >= 2) {
      prefix = run_;
    } else if (!run_is_prefix_ && run_.size() > required.size()) {
      required = run_;
      required_min_offset = run_min_offset_;
      required_max_offset = run_max_offset_;
    }
    if (!run_.empty()) at_start_ = false;
    run_.clear();
  }

  std::string run_;
  std::size_t run_min_offset_ = 0;
  std::size_t run_max_offset_ = 0;
  bool run_is_prefix_ = false;
  std::size_t min_offset_ = 0;
  std::size_t max_offset_ = 0;
  bool at_start_ = true;
};

CharSet FirstBytes(const Node& node) {
  CharSet first;
  switch (node.kind) {
    case Node::Kind::kByte: first.Add(node.byte); break;
    case Node::Kind::kSet: first = node.set; break;
    case Node::Kind::kBackRef: first = CharSet::All(); break;
    case Node::Kind::kGroup:
    case Node::Kind::kRepeat:
      if (node.kind != Node::Kind::kRepeat || node.max != 0) first = FirstBytes(*node.children[0]);
      break;
    case Node::Kind::kAlternate:
      for (const auto& child : node.children) first.Add(FirstBytes(*child));
      break;
    case Node::Kind::kConcat:
      for (const auto& child : node.children) {
        first.Add(FirstBytes(*child));
        if (!child->nullable) break;
      }
      break;
    default: break;
  }
  return first;
}

bool StartsWithBeginInput(const Node& node) {
  switch (node.kind) {
    case Node::Kind::kAssert: return node.assertion == Assertion::kBeginInput;
    case Node::Kind::kGroup: return StartsWithBeginInput(*node.children[0]);
    case Node::Kind::kConcat: return !node.children.empty() && StartsWithBeginInput(*node.children[0]);
    case Node::Kind::kRepeat: return node.min > 0 && StartsWithBeginInput(*node.children[0]);
    case Node::Kind::kAlternate:
      return std::all_of(node.children.begin(), node.children.end(),
                         [](const NodePtr& child) { return StartsWithBeginInput(*child); });
    default: return false;
  }
}

}  // namespace

std::size_t ProgramSize(const SyntaxTree& tree, const CompileOptions& options) {
  return SaturatingAdd(NodeSize(*tree.root, options), 1);
}

Program Compile(const SyntaxTree& tree, const Settings& settings, const CompileOptions& options) {
  Program program;
  program.group_count = tree.group_count;
  program.word_chars = CharSet::Of(settings.word_chars);
  program.line_separators = CharSet::Of(settings.line_separators);
  if (settings.line_paired_separator.size() == 2) {
    program.has_paired_separator = true;
    program.paired_first = static_cast<unsigned char>(settings.line_paired_separator[0]);
    program.paired_second = static_cast<unsigned char>(settings.line_paired_separator[1]);
  }
  Emitter emitter(program, options);
  emitter.Emit(*tree.root);
  program.code.push_back(Instruction{Op::kMatch, false, 0, 0, -1});
  FailReferencesToUnmatchedGroups(program);
  PrepareRuns(program);
  PlanRememberedStates(program);
  program.anchored_at_start = StartsWithBeginInput(*tree.root);
  program.can_match_empty = tree.root->nullable;
  program.first_bytes = FirstBytes(*tree.root);
  program.single_first_byte = program.first_bytes.Count() == 1;
  const LiteralScan literals(*tree.root);
  program.literal_prefix = literals.prefix;
  program.literal_prefix_rarest = RarestByteOf(program.literal_prefix);
  FindAttemptShortcuts(program);
  program.required_literal = literals.required;
  program.required_literal_rarest = RarestByteOf(program.required_literal);
  program.required_min_offset = literals.required_min_offset;
  program.required_max_offset = literals.required_max_offset == kHuge ? Program::kNoLimit : literals.required_max_offset;
  // A literal is found faster, and is rarer.
  if (program.required_literal.empty()) program.required_set = literals.required_set;
  program.required_set_min_offset = literals.required_set_min_offset;
  program.required_set_max_offset =
      literals.required_set_max_offset == kHuge ? Program::kNoLimit : literals.required_set_max_offset;
  program.longest_match_at_end = literals.longest_match == kHuge ? Program::kNoLimit : literals.longest_match;
  program.shortest_match = MinWidth(*tree.root);
  return program;
}

}  // namespace brimsel::pattern
