#include "pattern/compiler.h"

#include <algorithm>

namespace brimsel::pattern {
namespace {

struct LoopRange {
  int head = 0;  // the kCountLoop
  int exit = 0;  // first instruction after the loop
  int counter = 0;
};

// How many copies of the body an unrolled repeat takes, or 0 when it is not unrolled.
int UnrolledCopies(const Node& repeat, int body_size) {
  // "*", "+" and "?" are one copy and a split whatever the body's size.
  if ((repeat.max == kUnbounded && repeat.min <= 1) || repeat.max == 1) return 1;
  const long long copies = repeat.max == kUnbounded ? std::max(repeat.min, 1) : repeat.max;
  return copies * (body_size + 1) <= kUnrollLimit ? static_cast<int>(copies) : 0;
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
bool IsByteRun(const Node& repeat) {
  CharSet set;
  int group = 0;
  return repeat.max != 1 && repeat.max != 0 && SingleByteItem(*repeat.children[0], set, group);
}

int ProgramSize(const Node& node) {
  switch (node.kind) {
    case Node::Kind::kGroup: return ProgramSize(*node.children[0]) + 2;
    case Node::Kind::kConcat:
    case Node::Kind::kAlternate: {
      int size = node.kind == Node::Kind::kAlternate ? 2 * static_cast<int>(node.children.size() - 1) : 0;
      for (const auto& child : node.children) size += ProgramSize(*child);
      return size;
    }
    case Node::Kind::kRepeat: {
      if (IsByteRun(node)) return 1;
      const int body = ProgramSize(*node.children[0]);
      const int copies = UnrolledCopies(node, body);
      return copies > 0 ? copies * (body + 1) + 1 : body + 4;
    }
    default: return 1;
  }
}

class Emitter {
 public:
  explicit Emitter(Program& program) : program_(program) {}

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

  const std::vector<LoopRange>& loops() const { return loops_; }

 private:
  int Pc() const { return static_cast<int>(program_.code.size()); }
  Instruction& Add(Op op, int a = 0, int b = 0) {
    program_.code.push_back(Instruction{op, false, a, b, -1});
    return program_.code.back();
  }

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
      if (child->kind == Node::Kind::kByte) {
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
    if (IsByteRun(node)) {
      EmitRun(node);
      return;
    }
    const int copies = UnrolledCopies(node, ProgramSize(body));
    if (copies == 0) {
      EmitCountedLoop(node);
      return;
    }
    if (node.max == kUnbounded) {
      // n-1 copies, then "body, and again as long as the repeat wants": one loop for "+".
      for (int i = 0; i + 1 < copies; ++i) Emit(body);
      if (node.min == 0) {
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
    for (int i = 0; i < node.min; ++i) Emit(body);
    // The optional copies nest: x{0,3} is (x(x(x)?)?)?, every one leaving to the end.
    std::vector<int> splits;
    for (int i = node.min; i < node.max; ++i) {
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
    loops_.push_back(LoopRange{head, Pc(), counter});
  }

  Program& program_;
  std::vector<LoopRange> loops_;
};

// Instructions that two paths can reach (two predecessors, the start counting as one) are where a
// state can repeat; remembering those bounds the whole search.
void AssignMemo(Program& program, const std::vector<LoopRange>& loops) {
  const int size = static_cast<int>(program.code.size());
  std::vector<int> predecessors(size, 0);
  auto reach = [&](int pc) {
    if (pc < size) ++predecessors[pc];
  };
  reach(0);  // every search attempt enters here
  for (int pc = 0; pc < size; ++pc) {
    const Instruction& in = program.code[pc];
    switch (in.op) {
      case Op::kJump: reach(in.a); break;
      case Op::kSplit: reach(in.a); reach(in.b); break;
      case Op::kCountLoop: reach(pc + 1); reach(in.b); break;
      case Op::kRun:
        // A run leaves at several positions; the matcher remembers the states of an
        // unbounded one itself (its loop_memo), a bounded one is remembered at its exit.
        reach(pc + 1);
        if (program.runs[static_cast<std::size_t>(in.a)].max != kUnbounded) reach(pc + 1);
        break;
      case Op::kMatch: break;
      default: reach(pc + 1); break;
    }
  }
  auto new_memo = [&](int pc) {
    std::vector<int> counters;
    for (const LoopRange& loop : loops) {
      if (pc >= loop.head && pc < loop.exit) counters.push_back(loop.counter);
    }
    program.memo_counters.push_back(std::move(counters));
    return static_cast<int>(program.memo_counters.size() - 1);
  };
  for (int pc = 0; pc < size; ++pc) {
    Instruction& in = program.code[pc];
    if (predecessors[pc] >= 2) in.memo = new_memo(pc);
    if (in.op == Op::kRun) program.runs[static_cast<std::size_t>(in.a)].loop_memo = new_memo(pc);
  }
}

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

Program Compile(const SyntaxTree& tree, const Settings& settings) {
  Program program;
  program.group_count = tree.group_count;
  program.remember_failures = !tree.has_back_references;
  program.word_chars = CharSet::Of(settings.word_chars);
  program.line_separators = CharSet::Of(settings.line_separators);
  if (settings.line_paired_separator.size() == 2) {
    program.has_paired_separator = true;
    program.paired_first = static_cast<unsigned char>(settings.line_paired_separator[0]);
    program.paired_second = static_cast<unsigned char>(settings.line_paired_separator[1]);
  }
  Emitter emitter(program);
  emitter.Emit(*tree.root);
  program.code.push_back(Instruction{Op::kMatch, false, 0, 0, -1});
  AssignMemo(program, emitter.loops());
  program.anchored_at_start = StartsWithBeginInput(*tree.root);
  program.can_match_empty = tree.root->nullable;
  program.first_bytes = FirstBytes(*tree.root);
  return program;
}

}  // namespace brimsel::pattern
