// The lazily built DFA: patterns whose whole automaton is huge, subjects
// that force a new state at every byte under a small cache, the NFA
// fallback, and the memory guard.  Results are checked against a reference
// model that computes, for a parse tree and a subject, every position a
// node can end at (no automaton involved), and against glibc's regexec for
// ASCII patterns.

#include <gtest/gtest.h>
#include <regex.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "CpuClock.h"
#include "ErrorOf.h"
#include "regex/AWKStr.h"
#include "regex/Dfa.h"
#include "regex/FuzzyCharDic.h"
#include "regex/MBChar.h"
#include "regex/Messages.h"
#include "regex/ParseTree.h"
#include "regex/PreProcessor.h"
#include "regex/StopScan.h"

namespace {

constexpr double kSlow = kSanitizerSlowdown;

// The i-th kanji of the first level of CP932 (from 0x889F on).
std::string Kanji(int i) {
  int lead = 0x88;
  int index = i + 0x5E; // 0x889F is the 0x5E-th code of its row
  while (index >= 188) {
    index -= 188;
    ++lead;
  }
  const int trail = index < 63 ? 0x40 + index : 0x80 + (index - 63);
  return {static_cast<char>(lead), static_cast<char>(trail)};
}

std::string Joined(const std::vector<std::string> &parts, const std::string &glue) {
  std::string out;
  for (std::size_t k = 0; k < parts.size(); ++k) out += (k == 0 ? "" : glue) + parts[k];
  return out;
}

std::string Repeat(const std::string &part, int count) {
  std::string out;
  for (int k = 0; k < count; ++k) out += part;
  return out;
}

std::string Preprocessed(const std::string &pattern, bool fuzzy) {
  TREPreProcessor preprocessor(pattern);
  preprocessor.FuzzyCharDicList.push_back(&FuzzyCharDic());
  preprocessor.UseFuzzyCharDic = fuzzy;
  preprocessor.Run();
  return preprocessor.ProcessedRegExp;
}

// The reference model: the set of positions where node, started at pos,
// can end; the subject is read a character at a time as the matcher reads
// it.  Only for patterns without anchors.
class TReference {
public:
  TReference(const std::string &expression, std::string_view text) : parser_(expression), text_(text) {
    parser_.Parse();
  }

  TMatchSpan FirstMatch() {
    if (text_.empty()) return Ends(parser_.Tree.HeadNode, 0).empty() ? TMatchSpan{} : TMatchSpan{0, 0};
    for (std::size_t s = 0; s < text_.size(); s = Next(s)) {
      const std::set<std::size_t> &ends = Ends(parser_.Tree.HeadNode, s);
      if (!ends.empty()) return {s, *ends.rbegin()};
    }
    return {};
  }

private:
  std::size_t Next(std::size_t pos) const {
    return pos + (IsLeadByte(static_cast<unsigned char>(text_[pos])) && pos + 1 < text_.size() ? 2 : 1);
  }

  const std::set<std::size_t> &Ends(const TRENode *node, std::size_t pos) {
    const auto key = std::make_pair(node, pos);
    const auto found = memo_.find(key);
    if (found != memo_.end()) return found->second;
    std::set<std::size_t> ends;
    switch (node->Op) {
    case reop_Char:
      if (pos < text_.size()) {
        const std::size_t next = Next(pos);
        std::uint16_t code = static_cast<unsigned char>(text_[pos]);
        if (next - pos == 2) code = static_cast<std::uint16_t>(code << 8 | static_cast<unsigned char>(text_[pos + 1]));
        if (node->Low <= code && code <= node->High) ends.insert(next);
      }
      break;
    case reop_Concat:
      for (std::size_t middle : std::set<std::size_t>(Ends(node->Left, pos))) {
        const std::set<std::size_t> &rest = Ends(node->Right, middle);
        ends.insert(rest.begin(), rest.end());
      }
      break;
    case reop_Union: {
      ends = Ends(node->Left, pos);
      const std::set<std::size_t> &right = Ends(node->Right, pos);
      ends.insert(right.begin(), right.end());
      break;
    }
    case reop_Closure: {
      ends.insert(pos);
      std::vector<std::size_t> work{pos};
      while (!work.empty()) {
        const std::size_t p = work.back();
        work.pop_back();
        for (std::size_t e : std::set<std::size_t>(Ends(node->Left, p)))
          if (ends.insert(e).second) work.push_back(e);
      }
      break;
    }
    case reop_Empty: ends.insert(pos); break;
    case reop_Nothing: break;
    default: ADD_FAILURE() << "the reference has no anchors"; break;
    }
    return memo_[key] = std::move(ends);
  }

  TREParser parser_;
  std::string_view text_;
  std::map<std::pair<const TRENode *, std::size_t>, std::set<std::size_t>> memo_;
};

struct THardPattern {
  const char *What;
  std::string Pattern;
  bool Fuzzy;
  std::vector<std::string> Alphabet; // what subjects are made of
  int Subjects = 150;                 // how many (the reference is slow on long patterns)
};

// The patterns the old, eager construction refused as too complex.
std::vector<THardPattern> HardPatterns() {
  std::vector<std::string> letters;
  for (char c = 'a'; c <= 'k'; ++c) letters.push_back(std::string(1, c));
  std::vector<std::string> kana;
  for (const char *k : {"あ", "い", "う", "え", "お", "か", "き", "く", "け", "こ", "さ", "し", "す", "せ", "そ", "た"}) kana.push_back(k);
  std::vector<std::string> kanji50;
  for (int i = 0; i < 50; ++i) kanji50.push_back(Kanji(i * 7));
  std::vector<std::string> kanji400;
  for (int i = 0; i < 400; ++i) kanji400.push_back(Kanji(i));

  std::vector<std::string> letterForms{"x", "表", "-"};
  for (const std::string &l : letters) {
    letterForms.push_back(l);
    letterForms.push_back(std::string(1, static_cast<char>(l[0] - 'a' + 'A')));
    letterForms.push_back("\x82" + std::string(1, static_cast<char>(0x81 + (l[0] - 'a')))); // full-width small letter
  }
  std::vector<std::string> kanaForms{"x", "ー", "表"};
  for (const char *k : {"あ", "ア", "ｱ", "い", "イ", "う", "ウ", "か", "カ", "ｶ", "き", "さ", "サ", "そ", "た", "タ", "ぁ", "が"}) kanaForms.push_back(k);
  std::vector<std::string> kanjiForms{"x", "ア"};
  for (int i = 0; i < 8; ++i) kanjiForms.push_back(kanji50[static_cast<std::size_t>(i)]);
  std::vector<std::string> kanji400Forms{"x"};
  for (int i = 0; i < 12; ++i) kanji400Forms.push_back(kanji400[static_cast<std::size_t>(i)]);

  return {
      {"letters joined by .+", Joined(letters, ".+"), true, letterForms},
      {"16 kana joined by .*", Joined(kana, ".*"), true, kanaForms},
      {"50 kanji joined by .*", Joined(kanji50, ".*"), false, kanjiForms},
      {"(a|b)*a then 13 (a|b)", "(a|b)*a" + Repeat("(a|b)", 13), false, {"a", "b", "c"}},
      {"(a|b)*a(a|b) 13 times", Repeat("(a|b)*a(a|b)", 13), false, {"a", "b", "c"}},
      {".*x then 13 dots", ".*x" + Repeat(".", 13), false, {"x", "y", "表"}},
      {"400 kanji joined by .", Joined(kanji400, "."), false, kanji400Forms, 30},
  };
}

} // namespace

TEST(LazyDfa, FormerlyRefusedPatternsCompileAndMatchLikeTheReference) {
  std::mt19937 random(12);
  for (const THardPattern &hard : HardPatterns()) {
    SCOPED_TRACE(hard.What);
    TAWKStr awk;
    awk.SetUseFuzzyCharDic(hard.Fuzzy);
    const double start = CpuMs();
    ASSERT_EQ(ErrorOf([&] { awk.SetRegExp(hard.Pattern); }), "");
    EXPECT_LT(CpuMs() - start, 20 * kSlow);
    EXPECT_EQ(awk.CurrentDFA().CacheStates(), 1u); // compiling makes the start state only
    const std::string expression = Preprocessed(hard.Pattern, hard.Fuzzy);
    for (int n = 0; n < hard.Subjects; ++n) {
      std::string subject;
      const std::size_t length = random() % 40;
      while (subject.size() < length) subject += hard.Alphabet[random() % hard.Alphabet.size()];
      const TMatchSpan expected = TReference(expression, subject).FirstMatch();
      const TMatchSpan actual = awk.MatchMethod(subject);
      ASSERT_TRUE(actual.Start == expected.Start && actual.End == expected.End)
          << "subject " << subject << " expected " << expected.Start << "-" << expected.End << " got "
          << actual.Start << "-" << actual.End;
    }
  }
}

TEST(LazyDfa, WholeMatchesOfTheHardPatterns) {
  const std::vector<THardPattern> patterns = HardPatterns();
  TAWKStr awk;
  awk.SetUseFuzzyCharDic(true);
  awk.SetRegExp(patterns[0].Pattern);
  std::string text = "xAｂ表bb.cc-ｄ1e2F3g4h5i6J7k!";
  EXPECT_EQ(awk.ReplaceAll("<&>", text), 1);
  EXPECT_EQ(text, "x<Aｂ表bb.cc-ｄ1e2F3g4h5i6J7k>!");

  awk.SetUseFuzzyCharDic(false);
  awk.SetRegExp(patterns[6].Pattern); // 400 kanji, any character between
  std::string kanji;
  for (int i = 0; i < 400; ++i) kanji += Kanji(i) + (i < 399 ? "x" : "");
  text = "ab" + kanji + "cd";
  EXPECT_EQ(awk.ReplaceAll("-", text), 1);
  EXPECT_EQ(text, "ab-cd");
}

// RE2's dfa_test: a De Bruijn sequence holds every window of n bits once,
// so with (0|1)*1(0|1){n-1} every byte leads to a state not seen before.
// Under a small cache the DFA drops it, then hands over to the NFA; the
// matches stay those of an unbounded cache and of glibc.
TEST(LazyDfa, DeBruijnSubjectUnderASmallBudget) {
  constexpr int n = 10;
  std::string subject;
  std::vector<bool> seen(1 << n, false);
  int window = 0;
  subject.assign(n, '0'); // Martin's greedy construction: prefer a 1
  seen[0] = true;
  for (;;) {
    const int withOne = ((window << 1) | 1) & ((1 << n) - 1);
    const int withZero = (window << 1) & ((1 << n) - 1);
    const bool one = !seen[static_cast<std::size_t>(withOne)];
    if (!one && seen[static_cast<std::size_t>(withZero)]) break;
    window = one ? withOne : withZero;
    subject += one ? '1' : '0';
    seen[static_cast<std::size_t>(window)] = true;
  }
  ASSERT_EQ(subject.size(), static_cast<std::size_t>((1 << n) + n - 1));
  const std::string pattern = "(0|1)*1" + Repeat("(0|1)", n - 1);

  regex_t posix;
  ASSERT_EQ(regcomp(&posix, pattern.c_str(), REG_EXTENDED), 0);
  regmatch_t match{};
  ASSERT_EQ(regexec(&posix, subject.c_str(), 1, &match, 0), 0);
  regfree(&posix);

  for (std::size_t budget : {TRE_DFA::kDefaultCacheBudget, std::size_t{16} << 10, std::size_t{0}}) {
    SCOPED_TRACE(budget);
    TAWKStr awk;
    awk.SetDFACacheBudget(budget);
    awk.SetRegExp(pattern);
    const TMatchSpan span = awk.MatchMethod(subject);
    EXPECT_EQ(span.Start, static_cast<std::size_t>(match.rm_so));
    EXPECT_EQ(span.End, static_cast<std::size_t>(match.rm_eo));
    const TRE_DFA &dfa = awk.CurrentDFA();
    EXPECT_LE(dfa.CacheBytes(), budget);
    if (budget == (std::size_t{16} << 10)) {
      EXPECT_GE(dfa.CacheResets(), 1);
      EXPECT_GE(dfa.GiveUps(), 1);
    }
    if (budget == TRE_DFA::kDefaultCacheBudget) {
      EXPECT_EQ(dfa.GiveUps(), 0);
    }
    std::string replaced = subject;
    EXPECT_EQ(awk.ReplaceAll("", replaced), 1);
    EXPECT_EQ(replaced, subject.substr(0, static_cast<std::size_t>(match.rm_so)));
  }
}

TEST(LazyDfa, NestedClosures) {
  const std::pair<std::string, std::string> cases[] = {
      {"((a*)*)*", "aab"}, {"((a*)*)*b", "aab"}, {"(((a|)*)*|b)*c", "abbac"}, {"((a*|b*)*)*$", "xaba"},
  };
  for (const auto &[pattern, subject] : cases) {
    regex_t posix;
    ASSERT_EQ(regcomp(&posix, pattern.c_str(), REG_EXTENDED), 0);
    regmatch_t match{};
    const bool found = regexec(&posix, subject.c_str(), 1, &match, 0) == 0;
    regfree(&posix);
    for (std::size_t budget : {TRE_DFA::kDefaultCacheBudget, std::size_t{0}}) {
      TAWKStr awk;
      awk.SetDFACacheBudget(budget);
      awk.SetRegExp(pattern);
      const TMatchSpan span = awk.MatchMethod(subject);
      ASSERT_EQ(span.Found(), found) << pattern;
      EXPECT_EQ(span.Start, static_cast<std::size_t>(match.rm_so)) << pattern;
      EXPECT_EQ(span.End, static_cast<std::size_t>(match.rm_eo)) << pattern;
    }
  }
  TAWKStr awk;
  awk.SetRegExp("((a*)*)*");
  std::string text = "aab";
  EXPECT_EQ(awk.ReplaceAll("-", text), 2);
  EXPECT_EQ(text, "--b");
}

// A settings value holds 2,047 bytes: a class of 1,022 kanji and an 'a'.
TEST(LazyDfa, AClassOf1022Kanji) {
  std::string members;
  for (int i = 0; i < 1022; ++i) members += Kanji(i * 2); // every other kanji: no ranges to merge
  const std::string positive = "[" + members + "a]";
  const std::string negative = "[^" + members.substr(2) + "ab]";
  ASSERT_EQ(positive.size(), 2047u);
  ASSERT_EQ(negative.size(), 2047u);
  TAWKStr awk;
  const double start = CpuMs();
  awk.SetRegExp(positive);
  std::string text = "x" + Kanji(0) + Kanji(1) + Kanji(2042) + Kanji(2043) + "a";
  EXPECT_EQ(awk.ReplaceAll("-", text), 3);
  EXPECT_EQ(text, "x-" + Kanji(1) + "-" + Kanji(2043) + "-");
  awk.SetRegExp(negative);
  text = "x" + Kanji(0) + Kanji(2) + Kanji(3) + "a";
  EXPECT_EQ(awk.ReplaceAll("-", text), 3);
  EXPECT_EQ(text, "--" + Kanji(2) + "-a");
  EXPECT_LT(CpuMs() - start, 50 * kSlow);
}

// One guard is left: an automaton that would need more than 16 MB while it
// is built.  Only nested '+' at the start of an anchored expression grows
// faster than the pattern; every other shape of a 2,047-byte value
// compiles.
TEST(LazyDfa, OnlyTheMemoryGuardRefusesAValidPattern) {
  const std::string ji = "じ";
  const std::pair<std::string, bool> compiles[] = {
      {Repeat(ji, 1023), true},                                      // the longest fuzzy expansion
      {Repeat("(", 1023) + "a" + Repeat(")", 1023), false},           // the deepest nesting
      {Repeat("(", 682) + "a" + Repeat(")+", 682), false},            // nested '+' without an anchor
      {Repeat("(", 400) + "^a" + Repeat(")+", 400), false},           // ... with one, not too deep
      {Repeat("a.+", 682), true},
      {".*x" + Repeat(".", 2044), false},
      {"(a|b)*a" + Repeat("(a|b)", 408), false},
      {Repeat("(a|b)*a(a|b)", 170), true},
      {Repeat("[^ア-ン]*", 227), true},
  };
  for (const auto &[pattern, fuzzy] : compiles) {
    ASSERT_LE(pattern.size(), 2047u);
    TAWKStr awk;
    awk.SetUseFuzzyCharDic(fuzzy);
    const double start = CpuMs();
    EXPECT_EQ(ErrorOf([&] { awk.SetRegExp(pattern); }), "") << pattern.substr(0, 40);
    std::string text = "abababab" + Repeat("じ", 20) + "xxaaa";
    awk.ReplaceAll("-", text);
    EXPECT_LT(CpuMs() - start, 200 * kSlow) << pattern.substr(0, 40);
  }

  const std::pair<std::string, bool> refused[] = {
      {Repeat("(", 100) + "^" + Repeat(ji, 873) + Repeat(")+", 100), true}, // 34 KB once expanded
      {Repeat("(", 680) + "^" + Repeat(ji, 3) + Repeat(")+", 680), false},
  };
  for (const auto &[pattern, fuzzy] : refused) {
    ASSERT_LE(pattern.size(), 2047u);
    TAWKStr awk;
    awk.SetUseFuzzyCharDic(fuzzy);
    const double start = CpuMs();
    EXPECT_EQ(ErrorOf([&] { awk.SetRegExp(pattern); }), regex_messages::kTooComplex) << pattern.substr(0, 40);
    EXPECT_LT(CpuMs() - start, 200 * kSlow);
    EXPECT_EQ(awk.RegExp(), "");
  }
}

// The cache never takes more than its budget; a state bigger than the
// whole budget sends every walk to the NFA, with the same results.
TEST(LazyDfa, CacheStaysWithinItsBudget) {
  std::mt19937 random(5);
  const char *const pieces[] = {"a", "b", "ア", "表"};
  for (std::size_t budget : {std::size_t{200}, std::size_t{700}, std::size_t{4096}, std::size_t{40000}}) {
    TAWKStr awk;
    awk.SetDFACacheBudget(budget);
    TAWKStr reference;
    reference.SetDFACacheBudget(TRE_DFA::kDefaultCacheBudget);
    for (const char *pattern : {"(a|b)*a(a|b)(a|b)(a|b)(a|b)(a|b)", "[ab]*ba[ab]*ab", "(ア|a)+表?"}) {
      awk.SetRegExp(pattern);
      reference.SetRegExp(pattern);
      for (int n = 0; n < 200; ++n) {
        std::string subject;
        const std::size_t length = random() % 60;
        while (subject.size() < length) subject += pieces[random() % 4];
        std::string a = subject;
        std::string b = subject;
        ASSERT_EQ(awk.ReplaceAll("<&>", a), reference.ReplaceAll("<&>", b)) << subject;
        ASSERT_EQ(a, b) << pattern << " " << subject;
        ASSERT_LE(awk.CurrentDFA().CacheBytes(), budget);
      }
    }
  }
}

// The scan for a stop byte against a walk a character at a time: a stop
// byte that is the second byte of a character never stops it, whatever
// runs of lead-byte values come before, and a lead byte that ends the
// subject is a character of its own.
TEST(StopScan, StopsOnlyWhereACharacterBegins) {
  TStopSet set;
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    const bool stop = b == 'b' || b == 0x82 || b == 0x9F || b == 0x5C;
    set.Flags[static_cast<std::size_t>(b)] =
        static_cast<std::uint8_t>((stop ? TStopSet::kStop : 0) | (IsLeadByte(byte) ? TStopSet::kLeadByte : 0));
  }
  // Bytes that make trouble: lead-byte values as trail bytes (0x88 0x9F,
  // 0x82 0x82), stop bytes as trail bytes ('b' in 0x83 0x62, 0x5C in
  // '表'), and one-byte characters between them.
  const std::vector<std::string> pieces{"x", "b", "\x88\x9F", "\x82\x82", "\x83\x62", "表", "\x82", "\x9F", "0", "\x81\x81"};
  std::mt19937 random(29);
  for (int n = 0; n < 3000; ++n) {
    std::string subject;
    const std::size_t length = random() % 12;
    for (std::size_t k = 0; k < length; ++k) subject += pieces[random() % pieces.size()];
    const auto *bytes = reinterpret_cast<const unsigned char *>(subject.data());
    const std::size_t size = subject.size();
    std::vector<std::size_t> starts; // where the matcher reads a character
    for (std::size_t s = 0; s < size; s += IsLeadByte(bytes[s]) && s + 1 < size ? 2 : 1) starts.push_back(s);
    for (std::size_t from : starts) {
      std::size_t expected = size;
      for (std::size_t s : starts)
        if (s >= from && (set.Flags[bytes[s]] & TStopSet::kStop) != 0) {
          expected = s;
          break;
        }
      ASSERT_EQ(SkipToStop(set, bytes, from, size), expected) << subject << " from " << from;
    }
  }
}

// Skipping through states that few characters leave, and stopping a walk
// where an earlier failed walk of the search covered it, must not change a
// single match: every result is checked against the same engine with no
// cache at all (every walk by NFA simulation, which does neither), over
// subjects full of the characters these shortcuts could trip on.
TEST(LazyDfa, ShortcutsKeepEveryMatch) {
  const std::vector<std::pair<std::string, bool>> patterns{
      {"a.+b", false},        {"a.+b", true},         {"a.+b.+c.+d", true}, {"a.*b", true},
      {".*b", false},         {"[^b]*b", false},      {"a[^x]*x", false},   {"表.+b", false},
      {"ア.+表", true},        {"a.+b$", true},        {"^a.+b", true},      {"(a|b)+.+c", true},
      {"ｂ.+a", true},         {"\\x82.+b", false},    {"a.+\\x61", false},  {"ab*", true},
      {"(a.+b|a)", true},     {"a[^\\x0d]+", false},
      // Walks that fail in states of the same size but not one inside
      // the other: only containment may stop a later walk.
      {"ab.d|b.c", false},    {"(ab|ba)*c", false},   {"a(bc|cb)+d", false}, {"(a|b)(a|b)*c", true},
  };
  // Forms of a, b, c and d in both widths and cases, lead-byte values as
  // trail bytes, 'a' and 'b' as trail bytes (Ｂ is 0x82 0x61, ッ 0x83 0x62),
  // line ends, and a lead byte that may end the subject.
  const std::vector<std::string> pieces{"a", "A", "ａ", "Ａ", "b", "B", "ｂ", "Ｂ", "c", "ｃ", "d", "Ｄ", "x",
                                        "表", "ア", "ｱ", "\x88\x9F", "\x83\x62", "\r", "\n", "0", "-"};
  const std::vector<std::string> few{"a", "b", "c", "d", "x", "ｂ"};
  std::mt19937 random(2029);
  for (std::size_t budget : {TRE_DFA::kDefaultCacheBudget, std::size_t{3000}}) {
    for (const auto &[pattern, fuzzy] : patterns) {
      SCOPED_TRACE(pattern + (fuzzy ? " fuzzy" : "") + " budget " + std::to_string(budget));
      TAWKStr awk;
      awk.SetDFACacheBudget(budget);
      awk.AssignRegExp(pattern, fuzzy);
      TAWKStr nfa;
      nfa.SetDFACacheBudget(0);
      nfa.AssignRegExp(pattern, fuzzy);
      for (int n = 0; n < 300; ++n) {
        std::string subject;
        const std::size_t length = random() % 30;
        // Every other subject over a few letters, where failed walks are
        // many and close together.
        const std::vector<std::string> &alphabet = n % 2 == 0 ? pieces : few;
        for (std::size_t k = 0; k < length; ++k) subject += alphabet[random() % alphabet.size()];
        if (random() % 8 == 0) subject += '\x82';
        std::string ours = subject;
        std::string theirs = subject;
        const int count = awk.ReplaceAll("<&>", ours);
        ASSERT_EQ(count, nfa.ReplaceAll("<&>", theirs)) << subject;
        ASSERT_EQ(ours, theirs) << subject;
      }
    }
  }
}

// The shortcuts on a few cases worked by hand.
TEST(LazyDfa, ShortcutsByHand) {
  struct TCase {
    const char *Pattern;
    bool Fuzzy;
    std::string Subject;
    std::string Expected;
  };
  const TCase cases[] = {
      // 'b' as the trail byte of ッ does not end the skip through '.+'.
      {"a.+b", false, "xa\x83\x62yy", "xa\x83\x62yy"},
      {"a.+b", false, "xa\x83\x62yb-", "x<a\x83\x62yb>-"},
      // The full-width ｂ ends it under the fuzzy flag, the second byte of
      // Ｂ (0x82 0x61, an 'a') starts nothing.
      {"a.+b", true, "Ｂ1ａ22ｂ3", "Ｂ1<ａ22ｂ>3"},
      // Several starts in one name, the first failing: the later ones are
      // cut where the first one was, and a later start can still match.
      {"a.+b.+c", true, "data_travel_a_b", "data_travel_a_b"},
      {"a.+b.+c", true, "ba_ab_xc", "b<a_ab_xc>"},
      {"x.+y", false, "x1x2x3x4y", "<x1x2x3x4y>"},
      // A lead byte that ends the subject is a character of its own.
      {"a.+\\x82", false, "ab\x82", "<ab\x82>"},
      // Line ends stop '.', and '$' is tried there.
      {"a.+b$", false, "a1b\r\na2b", "<a1b>\r\n<a2b>"},
  };
  for (const TCase &c : cases) {
    TAWKStr awk;
    awk.AssignRegExp(c.Pattern, c.Fuzzy);
    std::string text = c.Subject;
    awk.ReplaceAll("<&>", text);
    EXPECT_EQ(text, c.Expected) << c.Pattern << " / " << c.Subject;
  }
}
