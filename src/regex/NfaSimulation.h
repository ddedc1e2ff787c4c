#pragma once
// TRE_NFASimulation: the walk of a match run directly on the NFA, one set
// of NFA states per subject character (Thompson's simulation).  The lazy
// DFA hands a walk over to it when its cache cannot keep up; it needs
// memory only in proportion to the NFA, and its cost per character is the
// size of the current set.  It answers exactly what the DFA's states
// would: accepting, has a '$' transition, dead.

#include <cstddef>
#include <vector>

#include "regex/Program.h"

class TRE_NFASimulation {
public:
  explicit TRE_NFASimulation(const TREProgram &program);

  // Starts a walk at the start set, or at the set after a '^'.  False
  // when that set is empty.
  bool Start(bool anchored);
  // Moves on by one character of class cls; false when no state would be
  // left, and then the current set stays as it was (a '$' is tried there).
  bool Step(int cls);
  bool Accepting() const { return accepting_; }
  bool HasLTail() const { return hasLTail_; }

private:
  void Settle();

  const TREProgram &program_;
  std::vector<int> current_;
  std::vector<int> next_;
  TREProgram::TScratch scratch_;
  bool accepting_ = false;
  bool hasLTail_ = false;
};
