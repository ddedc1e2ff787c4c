#include "regex/Nfa.h"

#include <algorithm>

#include "platform/Errors.h"
#include "regex/Messages.h"
#include "regex/RegExpError.h"

std::size_t TRE_NFA::MemoryUsed() const {
  return StateList.capacity() * sizeof(int) + Transitions.capacity() * sizeof(TRE_NFATransition);
}

namespace {

// Grows a full vector by doubling, after checking that the automaton's two
// vectors then stay within kMaxNFABytes; so the refusal comes before the
// allocation that would pass the bound.
template <typename T> void Grow(std::vector<T> &grown, std::size_t otherBytes) {
  const std::size_t capacity = std::max<std::size_t>(64, grown.capacity() * 2);
  if (capacity * sizeof(T) + otherBytes > TRE_NFA::kMaxNFABytes) throw ERegExpParser(regex_messages::kTooComplex, 0);
  grown.reserve(capacity);
}

} // namespace

int TRE_NFA::NewState() {
  if (StateList.size() == StateList.capacity()) Grow(StateList, Transitions.capacity() * sizeof(TRE_NFATransition));
  StateList.push_back(-1);
  return static_cast<int>(StateList.size()) - 1;
}

void TRE_NFA::AddTransition(int from, TRELabel label, int to) {
  if (Transitions.size() == Transitions.capacity()) Grow(Transitions, StateList.capacity() * sizeof(int));
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

  // Whether P+ may be built as one looped copy even at the entry: only a
  // '^' can tell the two forms apart.
  bool hasLHead = false;
  for (const TRENode *node : parser_.Tree.NodeList) hasLHead = hasLHead || node->Op == reop_LHead;

  // The tree walk, with an explicit stack (a long concatenation is a deep
  // left spine).  Work items run in the order of the recursive definition:
  // a node's own transitions and new states come before those of its
  // children, and a closure's back edges after its operand.
  enum TWorkKind : std::uint8_t { wk_Node, wk_ClosureEdges, wk_PlusEdges };
  struct TWork {
    TWorkKind Kind;
    const TRENode *Node;
    int From;
    int To;
    int Final;
  };
  const TRELabel empty{0xFFFF, 0xFFFF, rel_Empty};
  std::vector<TWork> stack{{wk_Node, parser_.Tree.HeadNode, EntryState, ExitState, 0}};
  while (!stack.empty()) {
    const TWork work = stack.back();
    stack.pop_back();
    if (work.Kind == wk_ClosureEdges) { // d -> c, c -> to
      AddTransition(work.From, empty, work.To);
      AddTransition(work.To, empty, work.Final);
      continue;
    }
    if (work.Kind == wk_PlusEdges) { // d -> c, d -> to
      AddTransition(work.From, empty, work.To);
      AddTransition(work.From, empty, work.Final);
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
      const TRENode *right = node.Right;
      const bool plus = right != nullptr && right->Op == reop_Closure && right->Left == node.Left;
      if (plus && (work.From != EntryState || !hasLHead)) {
        const int c = NewState();
        const int d = NewState();
        AddTransition(work.From, empty, c);
        stack.push_back({wk_PlusEdges, nullptr, d, c, work.To});
        stack.push_back({wk_Node, node.Left, c, d, 0});
        break;
      }
      const int m = NewState();
      stack.push_back({wk_Node, node.Right, m, work.To, 0});
      stack.push_back({wk_Node, node.Left, work.From, m, 0});
      break;
    }
    case reop_Union:
      stack.push_back({wk_Node, node.Right, work.From, work.To, 0});
      stack.push_back({wk_Node, node.Left, work.From, work.To, 0});
      break;
    case reop_Closure: {
      const int c = NewState();
      const int d = NewState();
      AddTransition(work.From, empty, c);
      stack.push_back({wk_ClosureEdges, nullptr, d, c, work.To});
      stack.push_back({wk_Node, node.Left, c, d, 0});
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

std::string DumpNFA(const TRE_NFA &nfa) {
  std::string out;
  for (std::size_t s = 0; s < nfa.StateList.size(); ++s) {
    if (s != 0) out += "; ";
    out += std::to_string(s) + ":";
    for (int k = nfa.StateList[s]; k >= 0; k = nfa.Transitions[static_cast<std::size_t>(k)].Next) {
      const TRE_NFATransition &t = nfa.Transitions[static_cast<std::size_t>(k)];
      out += ' ';
      switch (t.Label.Kind) {
      case rel_Empty: out += 'e'; break;
      case rel_LHead: out += "<bol>"; break;
      case rel_LTail: out += "<eol>"; break;
      case rel_Char:
        out += t.Label.Low == t.Label.High ? CodeText(t.Label.Low)
                                           : "[" + CodeText(t.Label.Low) + "-" + CodeText(t.Label.High) + "]";
        break;
      }
      out += "->" + std::to_string(t.Target);
    }
  }
  return out;
}
