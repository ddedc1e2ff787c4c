#pragma once
// TREParseTree and TREParser: the expression as a graph of nodes.
//
// Character leaves are shared: there is at most one leaf per (low, high)
// pair, and '+' refers to its operand twice, so the "tree" is a DAG.  After
// parsing, SeparateLeaves makes the leaves pairwise disjoint by turning
// overlapping leaves, in place, into unions of their pieces; every
// reference to an old leaf then reaches its pieces.  The automata can then
// label transitions with non-overlapping ranges.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "regex/Scanner.h"

enum TREOperation : std::uint8_t {
  reop_Char,    // a leaf: one character of Low..High
  reop_LHead,   // '^' (Low = High = the character '^')
  reop_LTail,   // '$'
  reop_Concat,  // Left then Right
  reop_Union,   // Left or Right
  reop_Closure, // Left zero or more times
  reop_Empty,   // the empty string
  reop_Nothing  // matches nothing (a negated class that excludes everything)
};

struct TRENode {
  TREOperation Op = reop_Empty;
  std::uint16_t Low = 0;
  std::uint16_t High = 0;
  TRENode *Left = nullptr;
  TRENode *Right = nullptr;
};

class TREParseTree {
public:
  TREParseTree() = default;
  TREParseTree(const TREParseTree &) = delete;
  TREParseTree &operator=(const TREParseTree &) = delete;

  void ClearTree();
  TRENode *MakeInternalNode(TREOperation op, TRENode *left, TRENode *right);
  // The leaf with exactly these bounds, made when there is none yet.
  TRENode *MakeLeaf(std::uint16_t low, std::uint16_t high);
  TRENode *MakeLeafIfValid(std::uint16_t low, std::uint16_t high);
  TRENode *MakeLHeadNode(std::uint16_t c);
  TRENode *MakeLTailNode(std::uint16_t c);
  // '.': every code from 1 to 0xFCFC except LF and CR.
  TRENode *MakeAnyCharNode();
  // Turns leaf, in place, into Union(left, right).
  void ConvertLeafToUnion(TRENode *leaf, TRENode *left, TRENode *right);
  // Makes the leaves pairwise disjoint.
  void SeparateLeaves();
  bool SplitOverlap(TRENode *first, TRENode *second);

  // Removes a leaf from LeafList without freeing it (the negated class
  // subtracts leaves of a scratch tree this way).
  void RemoveLeafAt(std::size_t index);

  TRENode *HeadNode = nullptr;
  std::vector<TRENode *> NodeList; // every node that is not a leaf
  std::vector<TRENode *> LeafList; // every reop_Char leaf, in creation order

private:
  static std::uint32_t Key(std::uint16_t low, std::uint16_t high) { return std::uint32_t{low} << 16 | high; }
  TRENode *NewNode();

  std::deque<TRENode> arena_; // owns every node; addresses stay stable
  std::unordered_map<std::uint32_t, TRENode *> leafIndex_;
};

class TREParser {
public:
  explicit TREParser(std::string_view expression) : Scanner(expression) {}

  // Parses; afterwards Tree.HeadNode is the root and the leaves are
  // disjoint.  Raises ERegExpParser on a malformed expression.
  void Run();
  // Parses without separating the leaves: what the automata need, since
  // they split the codes into classes of their own.
  void Parse();

  TREParseTree Tree;
  TREScanner Scanner;

private:
  TRENode *Expression();
  TRENode *Term();
  TRENode *Factor();
  TRENode *Primary();
  TRENode *CharClass(TREParseTree &tree);
  TRENode *NegativeCharClass();
  [[noreturn]] void Fail(const char *message) const;

  int depth_ = 0;
};

// A readable form of a (sub)tree for tests and diagnostics, e.g.
// "cat(a,star(alt(b,[c-e])))".
std::string DumpTree(const TRENode *node);
// A character code as the dumps show it: printable ASCII as itself, anything
// else as \xNN.
std::string CodeText(std::uint16_t code);
