#pragma once
// TRE_NFA: the parse tree as a non-deterministic automaton whose
// transitions carry a character range, the empty label or one of the two
// anchor labels.  Built by a walk over the tree.
//
// The tree is a DAG: '+' refers to its operand twice, as P followed by P*.
// Walking each reference separately would double the automaton at every
// nesting level, so wherever the two forms mean the same thing, P+ is built
// as a single copy of P with a loop back (from -> c, P: c -> d, d -> c,
// d -> to).  They differ only where the first copy starts at the entry of
// an expression that holds a '^': there that '^' anchors and the looped one
// does not, so there the two copies are built as written.  That keeps the
// automaton within a small multiple of the pattern's size, quadratic at
// worst (nested '+' at the start of an anchored expression).
//
// The transitions' ranges may overlap (the parser's leaf separation is not
// needed here); the DFA splits the codes into classes of its own.  The
// automaton is bounded by memory: one that would take more than
// kMaxNFABytes is refused with "正規表現が複雑すぎます。".

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "regex/ParseTree.h"

enum TRELabelKind : std::uint8_t { rel_Char, rel_Empty, rel_LHead, rel_LTail };

// A transition label.  Anchors are kinds of their own, so that a pattern
// character with a reserved code (which an escape can produce) never acts
// as an anchor or as an empty move; Low and High still hold the anchor
// codes 0xFFFD and 0xFFFE for dumps and ordering.
struct TRELabel {
  std::uint16_t Low = 0;
  std::uint16_t High = 0;
  TRELabelKind Kind = rel_Char;
  bool operator==(const TRELabel &) const = default;
};

struct TRE_NFATransition {
  TRELabel Label;
  int Target;
  int Next; // the state's next (older) transition, -1 at the end of its list
};

class TRE_NFA {
public:
  TRE_NFA(const TREParser &parser, std::uint16_t lHeadCode, std::uint16_t lTailCode)
      : parser_(parser), LHeadCode(lHeadCode), LTailCode(lTailCode) {}

  // Builds the automaton from the parser's tree.  Raises ERegExpParser
  // "正規表現が複雑すぎます。" when it would take more than kMaxNFABytes.
  void Run();

  // The memory an automaton may take while it is built: 16 MB.  The largest
  // fuzzy-expanded patterns of a settings value stay far below; only
  // nested '+' around long operands at the start of an anchored
  // expression come near.
  static constexpr std::size_t kMaxNFABytes = std::size_t{16} << 20;
  std::size_t MemoryUsed() const;

  int StateCount() const { return static_cast<int>(StateList.size()); }

  // StateList[i] is the index in Transitions of state i's newest
  // transition (-1: none); each transition links to the next older one, so
  // a state's list reads newest first, as records put in front would.
  std::vector<int> StateList;
  std::vector<TRE_NFATransition> Transitions;
  int EntryState = 0;
  int ExitState = 1;
  bool LHeadFound = false;
  bool LTailFound = false;

private:
  int NewState();
  void AddTransition(int from, TRELabel label, int to);

  const TREParser &parser_;
  std::uint16_t LHeadCode;
  std::uint16_t LTailCode;
};

// A set of NFA states as ascending state numbers.  DFA states of real
// patterns hold few of the NFA's states, so this is smaller than a bit set
// over all of them, and it hashes and compares quickly.
using TRE_NFAStateSet = std::vector<int>;

// A readable form of an automaton for tests: "0: a->2 e->3; 1: ..." with
// each state's transitions in list order (newest first), 'e' for empty,
// <bol>/<eol> for the anchors.
std::string DumpNFA(const TRE_NFA &nfa);
