#pragma once
// TRE_DFA: the NFA made deterministic by subset construction, at compile
// time, so that matching never simulates the NFA.
//
// Construction follows the classic scheme: the initial state is the empty
// closure of the NFA's entry; each unvisited state, in creation order,
// groups the non-empty transitions of its NFA states by label, and each
// group's closed target set becomes (or finds) a DFA state.  Labels are
// grouped by equality, which is enough because the parser made the range
// leaves disjoint; the one exception, a literal '^' or '$' inside a range
// of the same state, is split into disjoint pieces here so that both paths
// are followed.  Each state's transitions end up sorted by low bound.
//
// The construction is bounded: an expression whose automaton would exceed
// the state or work budget raises "正規表現が複雑すぎます。" instead of
// freezing the caller (a few dozen characters can ask for 2^n states).
//
// For matching, the automaton is flattened into tables: single-byte codes
// go through a 256-entry byte-class map and one row of next states per
// state; double-byte codes through a sorted range list per state.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "regex/MBChar.h"
#include "regex/Nfa.h"

struct TRE_DFATransition {
  TRELabel Label;
  int Target;
};

struct TRE_DFAState {
  TRE_NFAStateSet StateSet; // freed once the automaton is built
  bool Visited = false;
  bool Accepting = false;
  std::vector<TRE_DFATransition> Transitions; // ascending low bound
};

class TRE_DFA {
public:
  explicit TRE_DFA(const TRE_NFA &nfa) : nfa_(&nfa) {}
  TRE_DFA(const TRE_DFA &) = delete;
  TRE_DFA &operator=(const TRE_DFA &) = delete;

  // Builds the whole automaton and its lookup tables.
  void Run();

  std::vector<TRE_DFAState> StateList;
  int InitialState = 0;
  bool LHead = false;
  bool LTail = false;

  // The next state for a character code by the sorted-list rule: the walk
  // stops at the first transition whose low bound exceeds the code and
  // takes the first whose high bound reaches it; -1 for none.
  int NextStateByList(int state, std::uint16_t code) const;

  // Table lookups used by the matcher (same answers as NextStateByList).
  int NextSingle(int state, unsigned char code) const {
    return next_[static_cast<std::size_t>(state) * classCount_ + byteClass_[code]];
  }
  int NextDouble(int state, std::uint16_t code) const;
  int NextLHead(int state) const { return lHeadNext_[static_cast<std::size_t>(state)]; }
  int NextLTail(int state) const { return lTailNext_[static_cast<std::size_t>(state)]; }
  bool Accepting(int state) const { return accepting_[static_cast<std::size_t>(state)] != 0; }
  // False when no match can start with this byte from the initial state.
  bool CanStart(unsigned char b) const { return canStart_[b] != 0; }
  // The hot loop of the plain search works on packed states: the offset of
  // the state's row in the single-byte table, shifted left by one, with
  // the low bit set when the state accepts.  Saves a multiplication and a
  // load per subject character.
  int PackedState(int state) const {
    return static_cast<int>(static_cast<std::size_t>(state) * classCount_) << 1 | accepting_[static_cast<std::size_t>(state)];
  }
  int UnpackState(int packed) const { return static_cast<int>(static_cast<std::size_t>(packed >> 1) / classCount_); }
  // Like Advance, on packed states; -1 for none.
  int AdvancePacked(int packed, const unsigned char *text, std::size_t size, std::size_t &pos) const {
    const unsigned b = text[pos];
    if (!IsLeadByte(static_cast<unsigned char>(b)) || pos + 1 >= size) {
      ++pos;
      return packedNext_[static_cast<std::size_t>(packed >> 1) + byteClass_[b]];
    }
    const auto code = static_cast<std::uint16_t>(b << 8 | text[pos + 1]);
    pos += 2;
    const int next = NextDouble(UnpackState(packed), code);
    return next < 0 ? -1 : PackedState(next);
  }

  // The only byte a match can start with, or -1 when there are several
  // (or when the initial state accepts, so any position matches).
  int SingleStartByte() const { return singleStartByte_; }

  // Reads the character at pos of text[0..size), moves pos past it and
  // returns the next state (-1: none).  A lead byte that ends the text is
  // a one-byte character.
  int Advance(int state, const unsigned char *text, std::size_t size, std::size_t &pos) const {
    const unsigned b = text[pos];
    if (!IsLeadByte(static_cast<unsigned char>(b)) || pos + 1 >= size) {
      ++pos;
      return next_[static_cast<std::size_t>(state) * classCount_ + byteClass_[b]];
    }
    const auto code = static_cast<std::uint16_t>(b << 8 | text[pos + 1]);
    pos += 2;
    return NextDouble(state, code);
  }

  // "0*: a->1 [b-d]->2; 1: ..." : states in creation order, '*' marks an
  // accepting state, <bol>/<eol> the anchor transitions.
  std::string Dump() const;

private:
  struct TRange {
    std::uint16_t Low;
    std::uint16_t High;
    int Target;
  };

  void BuildStates();
  void ComputeMoves(int p);
  int Register(TRE_NFAStateSet &&set);
  void Close(TRE_NFAStateSet &set);
  void BuildTables();
  void Charge(std::size_t units);

  const TRE_NFA *nfa_;
  std::vector<std::uint32_t> mark_;
  std::uint32_t markStamp_ = 0;
  std::unordered_map<std::uint64_t, int> registry_; // set hash -> newest state with it
  std::vector<int> sameHash_;
  std::vector<int> closeStack_;
  std::unordered_map<std::uint64_t, std::size_t> movesByLabel_;                       // state -> older state with the same hash, or -1
  std::size_t work_ = 0;
  std::size_t transitionCount_ = 0;

  std::array<std::uint8_t, 256> byteClass_{};
  std::size_t classCount_ = 1;
  std::vector<int> next_;
  std::vector<int> packedNext_; // next_ with packed targets
  std::vector<TRange> doubleRanges_;
  std::vector<std::uint32_t> doubleStart_;
  std::vector<int> lHeadNext_;
  std::vector<int> lTailNext_;
  std::vector<std::uint8_t> accepting_;
  std::array<std::uint8_t, 256> canStart_{};
  int singleStartByte_ = -1;
};
