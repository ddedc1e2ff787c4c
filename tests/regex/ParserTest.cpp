// Parse trees, leaf separation, negated classes and the automata built
// from them.

#include <gtest/gtest.h>

#include <string>

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

struct TAutomaton {
  explicit TAutomaton(const std::string &expression) : Parser(expression) {
    Parser.Run();
    NFA.Run();
    DFA.Run();
  }
  TREParser Parser;
  TRE_NFA NFA{Parser, 0xFFFD, 0xFFFE};
  TRE_DFA DFA{NFA};
};

std::string Dfa(const std::string &expression) { return TAutomaton(expression).DFA.Dump(); }

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
  ASSERT_EQ(dfa.StateList.size(), 5u);
  for (const TRE_DFAState &state : dfa.StateList) {
    ASSERT_EQ(state.Transitions.size(), 2u);
    EXPECT_EQ(state.Transitions[0].Label.Low, 'a');
    EXPECT_EQ(state.Transitions[1].Label.Low, 'b');
  }
  // Accepting exactly after a text that ends in abb.
  for (const std::string text : {"abb", "aabb", "babb", "abbabb", "ab", "abba", "b", ""}) {
    int state = dfa.InitialState;
    for (char c : text) state = dfa.NextStateByList(state, static_cast<unsigned char>(c));
    const bool endsInAbb = text.size() >= 3 && text.compare(text.size() - 3, 3, "abb") == 0;
    EXPECT_EQ(dfa.StateList[static_cast<std::size_t>(state)].Accepting, endsInAbb) << text;
  }
}

TEST(Automata, TransitionsOfAStateNeverOverlapAndAreSorted) {
  for (const std::string expression : {"[a-z].", "x(^y|.z)", "(a$b|[!-~]c)*", "[^k]*[f-m]+.?"}) {
    TAutomaton automaton(expression);
    for (const TRE_DFAState &state : automaton.DFA.StateList) {
      for (std::size_t k = 1; k < state.Transitions.size(); ++k) {
        const TRELabel &a = state.Transitions[k - 1].Label;
        const TRELabel &b = state.Transitions[k].Label;
        EXPECT_LT(a.High, b.Low) << expression;
      }
    }
  }
}

TEST(Automata, NextStateTablesAgreeWithTheListRule) {
  TAutomaton automaton("[a-z]+表|.[^ア-ン]|\\x81");
  const TRE_DFA &dfa = automaton.DFA;
  for (int s = 0; s < static_cast<int>(dfa.StateList.size()); ++s) {
    for (int code = 0; code < 0x10000; code += (code < 0x200 ? 1 : 7)) {
      const auto c = static_cast<std::uint16_t>(code);
      const int table = c <= 0xFF ? dfa.NextSingle(s, static_cast<unsigned char>(c)) : dfa.NextDouble(s, c);
      ASSERT_EQ(table, dfa.NextStateByList(s, c)) << s << " " << code;
    }
  }
}
