// Parse trees, leaf separation, negated classes and the automata built
// from them.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "regex/Dfa.h"
#include "regex/Messages.h"
#include "regex/Nfa.h"
#include "regex/ParseTree.h"
#include "regex/RegExpError.h"

namespace {

std::string Tree(const std::string &expression) {
  TREParser parser(expression);
  parser.Run();
  return DumpTree(parser.Tree.HeadNode);
}

std::string ParseError(const std::string &expression) {
  try {
    TREParser parser(expression);
    parser.Run();
  } catch (const ERegExpParser &e) {
    return e.what();
  }
  return "";
}

// Every pair of leaves of the tree is disjoint.
void ExpectDisjoint(const TREParseTree &tree) {
  for (std::size_t i = 0; i < tree.LeafList.size(); ++i)
    for (std::size_t j = i + 1; j < tree.LeafList.size(); ++j) {
      const TRENode *a = tree.LeafList[i];
      const TRENode *b = tree.LeafList[j];
      EXPECT_TRUE(a->High < b->Low || b->High < a->Low) << DumpTree(a) << " " << DumpTree(b);
    }
}

// The automata as compiling makes them: the leaves as parsed.
struct TAutomaton {
  explicit TAutomaton(const std::string &expression, bool separate = false) : Parser(expression) {
    if (separate)
      Parser.Run();
    else
      Parser.Parse();
    NFA.Run();
    DFA.Run();
  }
  TREParser Parser;
  TRE_NFA NFA{Parser, 0xFFFD, 0xFFFE};
  TRE_DFA DFA{NFA};
};

std::string Dfa(const std::string &expression) { return TAutomaton(expression).DFA.Dump(); }

// A dump with its states renumbered in the order a walk from state 0 meets
// them, so that two automata that differ only in their numbering compare
// equal.
std::string Canonical(const std::string &dump) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at <= dump.size();) {
    const std::size_t end = std::min(dump.find("; ", at), dump.size());
    lines.push_back(dump.substr(at, end - at));
    at = end + 2;
  }
  auto targets = [&](const std::string &line) {
    std::vector<std::pair<std::string, int>> out;
    for (std::size_t at = line.find(": "); at != std::string::npos; at = line.find(' ', at + 1)) {
      const std::size_t arrow = line.find("->", at);
      if (arrow == std::string::npos) break;
      out.emplace_back(line.substr(at + 1, arrow - at - 1), std::stoi(line.substr(arrow + 2)));
    }
    return out;
  };
  std::vector<int> number(lines.size(), -1);
  std::vector<int> order{0};
  number[0] = 0;
  for (std::size_t k = 0; k < order.size(); ++k)
    for (const auto &[label, target] : targets(lines[static_cast<std::size_t>(order[k])]))
      if (number[static_cast<std::size_t>(target)] < 0) {
        number[static_cast<std::size_t>(target)] = static_cast<int>(order.size());
        order.push_back(target);
      }
  std::string out;
  for (int state : order) {
    const std::string &line = lines[static_cast<std::size_t>(state)];
    out += std::to_string(number[static_cast<std::size_t>(state)]) + (line.find("*:") != std::string::npos ? "*:" : ":");
    for (const auto &[label, target] : targets(line)) out += " " + label + "->" + std::to_string(number[static_cast<std::size_t>(target)]);
    out += "; ";
  }
  return out;
}

} // namespace

TEST(Parser, Trees) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "emp"},
      {"a|", "alt(a,emp)"},
      {"()", "emp"},
      {"abc", "cat(cat(a,b),c)"},
      {"a|b|c", "alt(alt(a,b),c)"},
      {"a*", "star(a)"},
      {"a+", "cat(a,star(a))"},
      {"a?", "alt(a,emp)"},
      {"(ab)*c", "cat(star(cat(a,b)),c)"},
      {"^a$", "cat(cat(bol,a),eol)"},
      {"a^b", "cat(cat(a,bol),b)"},
      {".", "alt(alt([\\x1-\\x9],[\\xb-\\xc]),[\\xe-\\xfcfc])"},
      {"[abc]", "alt(alt(a,b),c)"},
      {"[a-cb-d]", "alt(alt(a,[b-c]),alt([b-c],d))"},
      {"[^\\x01-\\x09\\x0b-\\x0c]", "[\\xe-\\xfcfc]"},
      {"[^\\n]", "alt(alt([\\xb-\\xc],[\\x1-\\x9]),[\\xe-\\xfcfc])"},
      {"[^\\x01-\\xfcfc]", "none"},
  };
  for (const auto &[expression, tree] : cases) EXPECT_EQ(Tree(expression), tree) << expression;
}

TEST(Parser, SharedAndSeparatedLeaves) {
  TREParser parser("a|a");
  parser.Run();
  const TRENode *head = parser.Tree.HeadNode;
  EXPECT_EQ(head->Left, head->Right); // one leaf, referenced twice
  EXPECT_EQ(parser.Tree.LeafList.size(), 1u);

  TREParser mixed("[a-z].");
  mixed.Run();
  ExpectDisjoint(mixed.Tree);
  EXPECT_EQ(DumpTree(mixed.Tree.HeadNode->Right),
            "alt(alt([\\x1-\\x9],[\\xb-\\xc]),alt(alt([\\xe-`],[a-z]),[{-\\xfcfc]))");

  TREParser overlapping("[a-m][f-z][c-h]x*[^k]");
  overlapping.Run();
  ExpectDisjoint(overlapping.Tree);
}

TEST(Parser, NegatedClassExcludesItsCharacters) {
  // [^a] is '.' without 'a'.
  EXPECT_EQ(Tree("[^a]"), "alt(alt(alt([\\xb-\\xc],[\\x1-\\x9]),[\\xe-`]),[b-\\xfcfc])");
}

TEST(Parser, Errors) {
  const std::pair<std::string, const char *> cases[] = {
      {"a**", regex_messages::kNeedCharOrLeftParen}, {"*a", regex_messages::kNeedCharOrLeftParen},
      {"a|*", regex_messages::kNeedCharOrLeftParen}, {"]", regex_messages::kNeedCharOrLeftParen},
      {"a)", regex_messages::kExtraChars},           {"(a", regex_messages::kNeedRightParen},
      {"[]", regex_messages::kInvalidClass},         {"[^]", regex_messages::kInvalidClass},
      {"[a", regex_messages::kNeedRightBracket},     {"a+?", regex_messages::kNeedCharOrLeftParen},
  };
  for (const auto &[expression, message] : cases) EXPECT_EQ(ParseError(expression), message) << expression;
}

TEST(Automata, Shapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "0*:"},
      {"a*", "0*: a->1; 1*: a->1"},
      {"^a", "0: <bol>->1; 1: a->2; 2*:"},
      {"a^", "0: a->1; 1: ^->2; 2*:"},
      {"a$", "0: a->1; 1: <eol>->2; 2*:"},
      {"[^\\x01-\\xfcfc]", "0:"},
  };
  for (const auto &[expression, dump] : cases) EXPECT_EQ(Dfa(expression), dump) << expression;

  TAutomaton anchored("^a");
  EXPECT_TRUE(anchored.DFA.LHead);
  EXPECT_FALSE(anchored.DFA.LTail);
  EXPECT_FALSE(TAutomaton("a^").DFA.LHead);
  EXPECT_TRUE(TAutomaton("a$").DFA.LTail);
  EXPECT_TRUE(TAutomaton("^a|^b").DFA.LHead);
  EXPECT_FALSE(TAutomaton("(^a)*").DFA.LHead);
  EXPECT_FALSE(TAutomaton("x$y").DFA.LTail);
}

TEST(Automata, ClassicExample) {
  TAutomaton automaton("(a|b)*abb");
  const TRE_DFA &dfa = automaton.DFA;
  // As the eager subset construction made it, state numbers included.
  EXPECT_EQ(dfa.Dump(), "0: a->2 b->1; 1: a->2 b->1; 2: a->2 b->3; 3: a->2 b->4; 4*: a->2 b->1");
  // Accepting exactly after a text that ends in abb.
  for (const std::string text : {"abb", "aabb", "babb", "abbabb", "ab", "abba", "b", ""}) {
    int state = dfa.Start();
    for (char c : text) state = dfa.StepCode(state, static_cast<unsigned char>(c));
    const bool endsInAbb = text.size() >= 3 && text.compare(text.size() - 3, 3, "abb") == 0;
    EXPECT_EQ(TRE_DFA::Accepting(state), endsInAbb) << text;
  }
}

TEST(Automata, SeparatedLeavesGiveTheSameAutomaton) {
  for (const std::string expression : {"[a-z].", "x(^y|.z)", "(a$b|[!-~]c)*", "[^k]*[f-m]+.?", "[a-m][f-z][c-h]x*"}) {
    EXPECT_EQ(Canonical(TAutomaton(expression, true).DFA.Dump()), Canonical(TAutomaton(expression).DFA.Dump())) << expression;
  }
}

// Every code of a class is covered by exactly the transitions that cover
// the class's representative, so a step by class is a step by code.
TEST(Automata, ClassesAgreeWithTheTransitions) {
  for (const std::string expression : {"[a-z]+表|.[^ア-ン]|\\x81", "x(^y|.z)$", "(Ａ|ａ|A|a)(b|[^b])", "[\\x00-\\xffff]|q"}) {
    TAutomaton automaton(expression);
    const TREProgram &program = automaton.DFA.Program();
    auto covering = [&](std::uint16_t code) {
      std::set<std::pair<int, int>> moves;
      for (int s = 0; s < program.StateCount(); ++s)
        for (const TREProgramChar *t = program.CharsBegin(s); t != program.CharsEnd(s); ++t)
          if (t->Low <= code && code <= t->High) moves.emplace(s, t->Target);
      return moves;
    };
    for (int code = 0; code < 0x10000; code += (code < 0x300 ? 1 : 5)) {
      const auto c = static_cast<std::uint16_t>(code);
      const int cls = program.ClassOfCode(c);
      ASSERT_EQ(covering(c), covering(program.Representative(cls))) << expression << " " << code;
      if (cls == 0) {
        ASSERT_TRUE(covering(c).empty());
      }
    }
  }
}

// The four forms of a fuzzy letter are one class; so is all of '.': a
// state's row has an entry per class, not per character.
TEST(Automata, EquivalentCharactersShareAClass) {
  EXPECT_EQ(TAutomaton("(Ａ|ａ|A|a)").DFA.Program().ClassCount(), 2);
  EXPECT_EQ(TAutomaton(".").DFA.Program().ClassCount(), 2);
  EXPECT_EQ(TAutomaton("[a-z]x").DFA.Program().ClassCount(), 3);
}

// Compiling makes the start state only; matching adds what it visits.
TEST(Automata, StatesAreBuiltWhileMatching) {
  TAutomaton automaton("(a|b)*a(a|b)(a|b)(a|b)(a|b)(a|b)(a|b)(a|b)(a|b)(a|b)(a|b)(a|b)(a|b)(a|b)");
  const TRE_DFA &dfa = automaton.DFA;
  EXPECT_EQ(dfa.CacheStates(), 1u);
  int state = dfa.Start();
  for (char c : std::string("abbabaaabbbab")) state = dfa.StepCode(state, static_cast<unsigned char>(c));
  EXPECT_LE(dfa.CacheStates(), 14u);
  EXPECT_EQ(dfa.FullStateCount(20'000), 16385u); // what building it whole costs
}
