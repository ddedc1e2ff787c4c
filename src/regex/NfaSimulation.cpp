#include "regex/NfaSimulation.h"

TRE_NFASimulation::TRE_NFASimulation(const TREProgram &program) : program_(program) {
  scratch_.Prepare(static_cast<std::size_t>(program.StateCount()));
}

bool TRE_NFASimulation::Start(bool anchored) {
  current_ = anchored ? program_.AnchoredSet() : program_.InitialSet();
  Settle();
  return !current_.empty();
}

bool TRE_NFASimulation::Step(int cls) {
  next_.clear();
  program_.Move(current_.data(), current_.size(), cls, next_);
  if (next_.empty()) return false; // the walk stops in the current set
  program_.Close(next_, scratch_);
  current_.swap(next_);
  Settle();
  return true;
}

void TRE_NFASimulation::Settle() {
  accepting_ = false;
  hasLTail_ = false;
  for (int s : current_) {
    accepting_ = accepting_ || s == program_.Exit();
    hasLTail_ = hasLTail_ || program_.HasLTail(s);
  }
}
