#include "regex/Nfa.h"

#include "platform/Errors.h"
#include "regex/Messages.h"
#include "regex/RegExpError.h"

namespace {

// States plus transitions an expression may need.  Real patterns, fuzzy
// expansion included, stay far below; repeated nesting of '+' does not.
constexpr std::size_t kMaxNFASize = 100'000;

} // namespace

int TRE_NFA::NewState() {
  if (StateList.size() + Transitions.size() >= kMaxNFASize) throw ERegExpParser(regex_messages::kTooComplex, 0);
  StateList.push_back(-1);
  return static_cast<int>(StateList.size()) - 1;
}

void TRE_NFA::AddTransition(int from, TRELabel label, int to) {
  if (StateList.size() + Transitions.size() >= kMaxNFASize) throw ERegExpParser(regex_messages::kTooComplex, 0);
  int &head = StateList[static_cast<std::size_t>(from)];
  Transitions.push_back({label, to, head});
  head = static_cast<int>(Transitions.size()) - 1;
}

void TRE_NFA::Run() {
  StateList.clear();
  Transitions.clear();
  LHeadFound = LTailFound = false;
  EntryState = NewState();
  ExitState = NewState();

  // The tree walk, with an explicit stack (a long concatenation is a deep
  // left spine).  Work items run in the order of the recursive definition:
  // a node's own transitions and new states come before those of its
  // children, and a closure's back edges after its operand.
  struct TWork {
    const TRENode *Node; // nullptr: emit the closure edges From->To (d->c) and To->Final (c->to)
    int From;
    int To;
    int Final;
  };
  const TRELabel empty{0xFFFF, 0xFFFF, rel_Empty};
  std::vector<TWork> stack{{parser_.Tree.HeadNode, EntryState, ExitState, 0}};
  while (!stack.empty()) {
    const TWork work = stack.back();
    stack.pop_back();
    if (work.Node == nullptr) {
      AddTransition(work.From, empty, work.To);
      AddTransition(work.To, empty, work.Final);
      continue;
    }
    const TRENode &node = *work.Node;
    switch (node.Op) {
    case reop_Char:
      AddTransition(work.From, {node.Low, node.High, rel_Char}, work.To);
      break;
    case reop_LHead:
      if (work.From == EntryState) {
        LHeadFound = true;
        AddTransition(work.From, {LHeadCode, LHeadCode, rel_LHead}, work.To);
      } else {
        AddTransition(work.From, {node.Low, node.High, rel_Char}, work.To);
      }
      break;
    case reop_LTail:
      if (work.To == ExitState) {
        LTailFound = true;
        AddTransition(work.From, {LTailCode, LTailCode, rel_LTail}, work.To);
      } else {
        AddTransition(work.From, {node.Low, node.High, rel_Char}, work.To);
      }
      break;
    case reop_Concat: {
      const int m = NewState();
      stack.push_back({node.Right, m, work.To, 0});
      stack.push_back({node.Left, work.From, m, 0});
      break;
    }
    case reop_Union:
      stack.push_back({node.Right, work.From, work.To, 0});
      stack.push_back({node.Left, work.From, work.To, 0});
      break;
    case reop_Closure: {
      const int c = NewState();
      const int d = NewState();
      AddTransition(work.From, empty, c);
      stack.push_back({nullptr, d, c, work.To});
      stack.push_back({node.Left, c, d, 0});
      break;
    }
    case reop_Empty:
      AddTransition(work.From, empty, work.To);
      break;
    case reop_Nothing:
      break; // no way from From to To
    default:
      throw EKorvaneError(regex_messages::kCannotHappen);
    }
  }
}
