#include "regex/ParseTree.h"

#include <algorithm>
#include <cstdio>

#include "platform/Errors.h"
#include "regex/Messages.h"
#include "regex/RegExpError.h"

namespace {

// Nesting deeper than this could exhaust the stack of the recursive
// descent.  A settings value of 2,047 bytes nests at most 1,023 groups, and
// the dictionary pass adds one level, so no pattern that can be stored is
// refused; a longer one typed into the window is refused with the
// complexity message rather than crash.
constexpr int kMaxNesting = 2048;

} // namespace

TRENode *TREParseTree::NewNode() { return &arena_.emplace_back(); }

void TREParseTree::ClearTree() {
  NodeList.clear();
  LeafList.clear();
  leafIndex_.clear();
  arena_.clear();
  HeadNode = nullptr;
}

TRENode *TREParseTree::MakeInternalNode(TREOperation op, TRENode *left, TRENode *right) {
  TRENode *node = NewNode();
  node->Op = op;
  node->Left = left;
  node->Right = right;
  NodeList.push_back(node);
  return node;
}

TRENode *TREParseTree::MakeLeaf(std::uint16_t low, std::uint16_t high) {
  const auto [it, inserted] = leafIndex_.try_emplace(Key(low, high), nullptr);
  if (!inserted) return it->second;
  TRENode *leaf = NewNode();
  leaf->Op = reop_Char;
  leaf->Low = low;
  leaf->High = high;
  LeafList.push_back(leaf);
  it->second = leaf;
  return leaf;
}

TRENode *TREParseTree::MakeLeafIfValid(std::uint16_t low, std::uint16_t high) {
  return high < low ? nullptr : MakeLeaf(low, high);
}

TRENode *TREParseTree::MakeLHeadNode(std::uint16_t c) {
  TRENode *node = MakeInternalNode(reop_LHead, nullptr, nullptr);
  node->Low = node->High = c;
  return node;
}

TRENode *TREParseTree::MakeLTailNode(std::uint16_t c) {
  TRENode *node = MakeInternalNode(reop_LTail, nullptr, nullptr);
  node->Low = node->High = c;
  return node;
}

TRENode *TREParseTree::MakeAnyCharNode() {
  TRENode *lf = MakeLeaf(11, 12); // made first, as the leaf order matters to SeparateLeaves
  TRENode *low = MakeLeaf(1, 9);
  TRENode *head = MakeInternalNode(reop_Union, low, lf);
  return MakeInternalNode(reop_Union, head, MakeLeaf(14, 0xFCFC));
}

void TREParseTree::RemoveLeafAt(std::size_t index) {
  TRENode *leaf = LeafList[index];
  leafIndex_.erase(Key(leaf->Low, leaf->High));
  LeafList.erase(LeafList.begin() + static_cast<std::ptrdiff_t>(index));
}

void TREParseTree::ConvertLeafToUnion(TRENode *leaf, TRENode *left, TRENode *right) {
  if (left == nullptr || right == nullptr) throw EKorvaneError(regex_messages::kFatalTree);
  const auto it = std::find(LeafList.begin(), LeafList.end(), leaf);
  if (it != LeafList.end()) RemoveLeafAt(static_cast<std::size_t>(it - LeafList.begin()));
  leaf->Op = reop_Union;
  leaf->Low = leaf->High = 0;
  leaf->Left = left;
  leaf->Right = right;
  NodeList.push_back(leaf);
}

bool TREParseTree::SplitOverlap(TRENode *first, TRENode *second) {
  TRENode *a = first;
  TRENode *b = second;
  if (a->Low > b->Low) std::swap(a, b);
  if (b->Low > a->High) return false;
  if (a->Low == b->Low && a->High == b->High) return false;
  const std::uint16_t m = std::min(a->High, b->High);
  const std::uint16_t bigM = std::max(a->High, b->High);
  TRENode *r1 = a->Low == b->Low ? nullptr : MakeLeafIfValid(a->Low, static_cast<std::uint16_t>(b->Low - 1));
  TRENode *r2 = MakeLeafIfValid(b->Low, m);
  TRENode *r3 = m == bigM ? nullptr : MakeLeafIfValid(static_cast<std::uint16_t>(m + 1), bigM);
  if (r1 == nullptr) {
    TRENode *longer = a->High == bigM ? a : b;
    ConvertLeafToUnion(longer, r2, r3);
  } else if (r3 == nullptr) {
    ConvertLeafToUnion(a, r1, r2);
  } else if (a->High == bigM) {
    ConvertLeafToUnion(a, MakeInternalNode(reop_Union, r1, r2), r3);
  } else {
    ConvertLeafToUnion(a, r1, r2);
    ConvertLeafToUnion(b, r2, r3);
  }
  return true;
}

void TREParseTree::SeparateLeaves() {
  // Leaves that are disjoint already (a long class of kanji) would cost the
  // quadratic walk below for nothing.
  std::vector<const TRENode *> sorted(LeafList.begin(), LeafList.end());
  std::sort(sorted.begin(), sorted.end(), [](const TRENode *a, const TRENode *b) { return a->Low < b->Low; });
  bool overlap = false;
  for (std::size_t k = 1; k < sorted.size() && !overlap; ++k) overlap = sorted[k]->Low <= sorted[k - 1]->High;
  if (!overlap) return;
  std::size_t i = 0;
  while (i < LeafList.size()) {
    bool changed = false;
    for (std::size_t j = i + 1; j < LeafList.size(); ++j) {
      if (SplitOverlap(LeafList[j], LeafList[i])) {
        changed = true;
        break;
      }
    }
    if (!changed) ++i;
  }
}

void TREParser::Fail(const char *message) const { throw ERegExpParser(message, Scanner.Position); }

void TREParser::Run() {
  Parse();
  Tree.SeparateLeaves();
}

void TREParser::Parse() {
  Tree.ClearTree();
  Scanner.GetToken();
  Tree.HeadNode = Expression();
  if (Scanner.Token != retk_End) Fail(regex_messages::kExtraChars);
}

TRENode *TREParser::Expression() {
  if (++depth_ > kMaxNesting) throw ERegExpParser(regex_messages::kTooComplex, Scanner.Position);
  TRENode *result = Term();
  while (Scanner.Token == retk_Union) {
    Scanner.GetToken();
    result = Tree.MakeInternalNode(reop_Union, result, Term());
  }
  --depth_;
  return result;
}

TRENode *TREParser::Term() {
  auto ends = [this] {
    return Scanner.Token == retk_Union || Scanner.Token == retk_RPar || Scanner.Token == retk_End;
  };
  if (ends()) return Tree.MakeInternalNode(reop_Empty, nullptr, nullptr);
  TRENode *result = Factor();
  while (!ends()) result = Tree.MakeInternalNode(reop_Concat, result, Factor());
  return result;
}

TRENode *TREParser::Factor() {
  TRENode *primary = Primary();
  switch (Scanner.Token) {
  case retk_Star:
    Scanner.GetToken();
    return Tree.MakeInternalNode(reop_Closure, primary, nullptr);
  case retk_Plus:
    Scanner.GetToken();
    return Tree.MakeInternalNode(reop_Concat, primary, Tree.MakeInternalNode(reop_Closure, primary, nullptr));
  case retk_QMark:
    Scanner.GetToken();
    return Tree.MakeInternalNode(reop_Union, primary, Tree.MakeInternalNode(reop_Empty, nullptr, nullptr));
  default:
    return primary;
  }
}

TRENode *TREParser::Primary() {
  TRENode *result = nullptr;
  switch (Scanner.Token) {
  case retk_Char:
    result = Tree.MakeLeaf(Scanner.TokenChar, Scanner.TokenChar);
    Scanner.GetToken();
    return result;
  case retk_LPar:
    Scanner.GetToken();
    result = Expression();
    if (Scanner.Token != retk_RPar) Fail(regex_messages::kNeedRightParen);
    Scanner.GetToken();
    return result;
  case retk_LBra:
  case retk_NegLBra:
    result = Scanner.Token == retk_LBra ? CharClass(Tree) : NegativeCharClass();
    if (Scanner.Token != retk_RBra) Fail(regex_messages::kNeedRightBracket);
    Scanner.GetToken();
    return result;
  case retk_Dot:
    result = Tree.MakeAnyCharNode();
    Scanner.GetToken();
    return result;
  case retk_LHead:
    result = Tree.MakeLHeadNode(Scanner.TokenChar);
    Scanner.GetToken();
    return result;
  case retk_LTail:
    result = Tree.MakeLTailNode(Scanner.TokenChar);
    Scanner.GetToken();
    return result;
  default:
    Fail(regex_messages::kNeedCharOrLeftParen);
  }
}

TRENode *TREParser::CharClass(TREParseTree &tree) {
  auto leafOfItem = [&]() {
    return Scanner.Token == retk_CharRange ? tree.MakeLeaf(Scanner.TokenChar, Scanner.RangeHigh)
                                           : tree.MakeLeaf(Scanner.TokenChar, Scanner.TokenChar);
  };
  if (Scanner.GetToken() == retk_RBra) Fail(regex_messages::kInvalidClass);
  TRENode *result = leafOfItem();
  while (Scanner.GetToken() != retk_RBra) result = tree.MakeInternalNode(reop_Union, result, leafOfItem());
  return result;
}

TRENode *TREParser::NegativeCharClass() {
  TREParseTree excluded;
  CharClass(excluded);
  excluded.SeparateLeaves();
  TREParseTree remaining;
  remaining.MakeAnyCharNode();
  for (const TRENode *r : excluded.LeafList) {
    std::size_t i = 0;
    while (i < remaining.LeafList.size()) {
      const TRENode *q = remaining.LeafList[i];
      if (q->Low > r->High || r->Low > q->High) {
        ++i;
        continue;
      }
      const std::uint16_t qLow = q->Low;
      const std::uint16_t qHigh = q->High;
      if (r->Low != 0) remaining.MakeLeafIfValid(qLow, static_cast<std::uint16_t>(r->Low - 1));
      if (r->High != 0xFFFF) remaining.MakeLeafIfValid(static_cast<std::uint16_t>(r->High + 1), qHigh);
      remaining.RemoveLeafAt(i);
    }
  }
  if (remaining.LeafList.empty()) return Tree.MakeInternalNode(reop_Nothing, nullptr, nullptr);
  TRENode *result = Tree.MakeLeaf(remaining.LeafList[0]->Low, remaining.LeafList[0]->High);
  for (std::size_t i = 1; i < remaining.LeafList.size(); ++i) {
    const TRENode *leaf = remaining.LeafList[i];
    result = Tree.MakeInternalNode(reop_Union, result, Tree.MakeLeaf(leaf->Low, leaf->High));
  }
  return result;
}

std::string CodeText(std::uint16_t code) {
  if (code > 0x20 && code < 0x7F && code != '-' && code != '[' && code != ']' && code != '\\')
    return std::string(1, static_cast<char>(code));
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "\\x%x", code);
  return buffer;
}

std::string DumpTree(const TRENode *node) {
  if (node == nullptr) return "null";
  switch (node->Op) {
  case reop_Char:
    if (node->Low == node->High) return CodeText(node->Low);
    return "[" + CodeText(node->Low) + "-" + CodeText(node->High) + "]";
  case reop_LHead: return "bol";
  case reop_LTail: return "eol";
  case reop_Concat: return "cat(" + DumpTree(node->Left) + "," + DumpTree(node->Right) + ")";
  case reop_Union: return "alt(" + DumpTree(node->Left) + "," + DumpTree(node->Right) + ")";
  case reop_Closure: return "star(" + DumpTree(node->Left) + ")";
  case reop_Empty: return "emp";
  case reop_Nothing: return "none";
  }
  return "?";
}
