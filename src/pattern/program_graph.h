#pragma once
// The ways control can go from one instruction of a program: what the analyses of the
// compiler follow, forwards or backwards.

#include <cstddef>

#include "pattern/program.h"

namespace brimsel::pattern {

// Calls `visit(pc)` for every instruction that can run right after the one at `pc`.
template <typename Visit>
void ForEachSuccessor(const Program& program, int pc, Visit&& visit) {
  const Instruction& in = program.code[static_cast<std::size_t>(pc)];
  switch (in.op) {
    case Op::kJump: visit(in.a); break;
    case Op::kSplit:
      visit(in.a);
      visit(in.b);
      break;
    case Op::kCountLoop:
      visit(pc + 1);
      visit(in.b);
      break;
    case Op::kMatch: break;
    default: visit(pc + 1); break;
  }
}

}  // namespace brimsel::pattern
