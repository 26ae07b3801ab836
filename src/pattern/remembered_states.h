#pragma once
// Which states of a program the matcher remembers as failed (see FailedStates). A state is
// an instruction and a position. Whether a match can still be completed from there depends
// on nothing else, unless an instruction ahead reads a value that the way there set: the
// text of a group (a back-reference), the opening of a group whose text a back-reference
// reads later, or a loop counter. Such a value is live at an instruction when some way from
// there reads it before setting it again. Where nothing is live, a state that failed once
// fails again, and is remembered; so the part of a pattern past its last back-reference is
// searched in time linear in the input, as a pattern without back-references is whole.

#include "pattern/program.h"

namespace brimsel::pattern {

// Sets Instruction::memo, ByteRun::remembers, memo_count and remember_failures.
void PlanRememberedStates(Program& program);

}  // namespace brimsel::pattern
