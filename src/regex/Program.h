#pragma once
// TREProgram: the NFA in the compact form the matchers run on, and the
// character classes of its alphabet.
//
// Transitions are stored per state in two flat arrays (character ranges,
// empty moves), in the NFA's list order.  The anchors are kept aside: a
// '^' can only leave the entry, so the anchored start is one precomputed
// set; a '$' only needs "this state has one", since it always leads to the
// exit.
//
// Character classes.  The automaton's alphabet is every 16-bit code, but a
// pattern distinguishes few of them.  The ranges' bounds cut the codes into
// intervals, and two intervals belong to one class when the same
// transitions (the same from and to states) cover both: 'a' and 'A' of a
// fuzzy group are one class, and so is all of '.' outside the pattern's
// other characters.  A subject character is mapped to its class once, by
// a 256-entry table for single bytes and by one table per lead byte (a row
// that is one class throughout needs no table), so every DFA step is an
// array lookup whatever the character.  Class 0 is the class no transition
// covers.
//
// The ranges may overlap (a literal '^' inside '.', or leaves the parser
// did not separate): a class lies wholly inside or wholly outside every
// range, so a representative code decides a move for the whole class.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "regex/MBChar.h"

class TRE_NFA;

struct TREProgramChar {
  std::uint16_t Low;
  std::uint16_t High;
  int Target;
};

class TREProgram {
public:
  // Scratch space of a closure: marks over the NFA's states.
  class TScratch {
  public:
    void Prepare(std::size_t stateCount);
    // True when s is new in the current round; marks it.
    bool Mark(int s) {
      std::uint32_t &m = mark_[static_cast<std::size_t>(s)];
      if (m == stamp_) return false;
      m = stamp_;
      return true;
    }
    bool Marked(int s) const { return mark_[static_cast<std::size_t>(s)] == stamp_; }
    void NextRound();
    std::vector<int> Stack;

  private:
    std::vector<std::uint32_t> mark_;
    std::uint32_t stamp_ = 1;
  };

  // Copies the automaton and computes the classes.  Raises ERegExpParser
  // "正規表現が複雑すぎます。" when the pattern needs more classes than a
  // 16-bit class number holds (far beyond any pattern of a settings value).
  void Build(const TRE_NFA &nfa);

  int StateCount() const { return static_cast<int>(charBegin_.size()) - 1; }
  int Entry() const { return entry_; }
  int Exit() const { return exit_; }

  const TREProgramChar *CharsBegin(int s) const { return chars_.data() + charBegin_[static_cast<std::size_t>(s)]; }
  const TREProgramChar *CharsEnd(int s) const { return chars_.data() + charBegin_[static_cast<std::size_t>(s) + 1]; }
  bool HasLTail(int s) const { return lTailFrom_[static_cast<std::size_t>(s)] != 0; }
  // Targets of the '$' transitions of s (for the dumps).
  std::vector<int> LTailTargets(int s) const;

  // The empty closure of the entry, and of the targets of its '^'
  // transitions (empty when no '^' anchors); ascending.
  const std::vector<int> &InitialSet() const { return initialSet_; }
  const std::vector<int> &AnchoredSet() const { return anchoredSet_; }

  // Replaces set by its empty closure, ascending.
  void Close(std::vector<int> &set, TScratch &scratch) const;
  // Adds to set, unsorted, every target of the states of from on the
  // class cls (no closure).
  void Move(const int *from, std::size_t count, int cls, std::vector<int> &set) const;

  int ClassCount() const { return classCount_; }
  std::uint16_t Representative(int cls) const { return representative_[static_cast<std::size_t>(cls)]; }
  int ClassOfCode(std::uint16_t code) const;
  // Reads the character at pos of text[0..size), as the matcher reads it
  // (a lead byte that ends the text is a one-byte character), moves pos
  // past it and returns its class.
  int ReadClass(const unsigned char *text, std::size_t size, std::size_t &pos) const {
    const unsigned char b = text[pos];
    if (!IsLeadByte(b) || pos + 1 >= size) {
      ++pos;
      return byteClass_[b];
    }
    const unsigned char trail = text[pos + 1];
    pos += 2;
    const std::int32_t row = leadRow_[b];
    return row >= 0 ? row : leadTables_[static_cast<std::size_t>(-row - 1) * 256 + trail];
  }
  // The class a single byte has when read as a one-byte character.
  int ByteClass(unsigned char b) const { return byteClass_[b]; }

  // The intervals of codes and their classes, ascending (for the dumps):
  // interval k runs from IntervalLow(k) to IntervalLow(k + 1) - 1.
  std::size_t IntervalCount() const { return intervalClass_.size(); }
  std::uint32_t IntervalLow(std::size_t k) const { return cuts_[k]; }
  int IntervalClass(std::size_t k) const { return intervalClass_[k]; }
  // First and last interval a code range covers.
  std::size_t IntervalOf(std::uint32_t code) const;

  std::size_t MemoryUsed() const;

private:
  void BuildClasses();

  int entry_ = 0;
  int exit_ = 1;
  std::vector<std::uint32_t> charBegin_;
  std::vector<TREProgramChar> chars_;
  std::vector<std::uint32_t> emptyBegin_;
  std::vector<int> empties_;
  std::vector<std::uint8_t> lTailFrom_;
  std::vector<std::uint32_t> lTailBegin_;
  std::vector<int> lTailTargets_;
  std::vector<int> lHeadTargets_;
  std::vector<int> initialSet_;
  std::vector<int> anchoredSet_;

  int classCount_ = 1;
  std::array<std::uint16_t, 256> byteClass_{};
  std::array<std::int32_t, 256> leadRow_{}; // >= 0: the class of the whole row; < 0: -(table + 1)
  std::vector<std::uint16_t> leadTables_;
  std::vector<std::uint16_t> representative_;
  std::vector<std::uint32_t> cuts_; // interval k starts at cuts_[k]; the last entry is 0x10000
  std::vector<std::uint16_t> intervalClass_;
};
