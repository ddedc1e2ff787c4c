// The engine against glibc's POSIX regexec (extended syntax, leftmost-
// longest) on generated patterns and subjects over a small alphabet: the
// first match must start and end at the same place.  Anchors stand only at
// the top level, no alternative is empty and subjects hold no line breaks,
// where both define the same language.
//
// regexec knows nothing of CP932, so double-byte characters are checked
// through a stand-in: the engine sees '表' (0x95 0x5C, a backslash as trail
// byte) and 'ア' (0x83 0x41, an 'A' as trail byte), regexec sees 'x' and 'y'
// in their place, and offsets are mapped back.  A match that starts on a
// trail byte, or a '\\' or 'A' found inside those characters, shows up as a
// difference.

#include <gtest/gtest.h>
#include <regex.h>

#include <random>
#include <string>
#include <vector>

#include "regex/AWKStr.h"
#include "regex/Dfa.h"

namespace {

// One piece of text in both spellings.
struct TPair {
  std::string Engine;
  std::string Posix;
  TPair &operator+=(const TPair &other) {
    Engine += other.Engine;
    Posix += other.Posix;
    return *this;
  }
};

TPair operator+(TPair a, const TPair &b) { return a += b; }

class TCaseGenerator {
public:
  TCaseGenerator(std::uint32_t seed, bool doubleByte) : random_(seed), doubleByte_(doubleByte) {}

  TPair Pattern() {
    TPair pattern;
    if (Chance(15)) pattern += {"^", "^"};
    pattern += Alternation(0);
    if (Chance(15)) pattern += {"$", "$"};
    return pattern;
  }

  // The subject in both spellings, and for each regexec offset (one more
  // than the characters) the engine's byte offset.
  TPair Subject(std::vector<std::size_t> &offsets) {
    static const TPair kAscii[] = {{"a", "a"}, {"b", "b"}, {"c", "c"}, {"d", "d"}};
    static const TPair kMixed[] = {{"a", "a"}, {"b", "b"}, {"\\", "\\"}, {"A", "A"}, {"表", "x"}, {"ア", "y"}};
    TPair subject;
    offsets.assign(1, 0);
    const int length = Below(13);
    for (int i = 0; i < length; ++i) {
      subject += doubleByte_ ? kMixed[Below(6)] : kAscii[Below(4)];
      offsets.push_back(subject.Engine.size());
    }
    return subject;
  }

private:
  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }

  TPair Alternation(int depth) {
    TPair out = Concatenation(depth);
    while (Chance(25)) out += TPair{"|", "|"} + Concatenation(depth);
    return out;
  }

  TPair Concatenation(int depth) {
    TPair out = Factor(depth);
    while (Chance(45)) out += Factor(depth);
    return out;
  }

  TPair Factor(int depth) {
    TPair out = Primary(depth);
    static const char *const kPostfix[] = {"*", "+", "?"};
    const int k = Below(6);
    if (k < 3) out += {kPostfix[k], kPostfix[k]};
    return out;
  }

  TPair Primary(int depth) {
    static const TPair kAsciiChars[] = {{"a", "a"}, {"b", "b"}, {"c", "c"}};
    static const TPair kAsciiClasses[] = {{"[ab]", "[ab]"},     {"[^b]", "[^b]"}, {"[a-c]", "[a-c]"},
                                          {"[bd]", "[bd]"},     {"[^a-b]", "[^a-b]"}, {"[c-d]", "[c-d]"}};
    static const TPair kMixedChars[] = {{"a", "a"}, {"\\\\", "\\\\"}, {"A", "A"}, {"表", "x"}, {"ア", "y"}};
    static const TPair kMixedClasses[] = {{"[ab]", "[ab]"},   {"[^a]", "[^a]"},     {"[\\\\A]", "[\\A]"},
                                          {"[表ア]", "[xy]"}, {"[^表]", "[^x]"},    {"[a-b表]", "[a-bx]"}};
    const int kind = Below(10);
    if (kind < 5) return doubleByte_ ? kMixedChars[Below(5)] : kAsciiChars[Below(3)];
    if (kind < 6) return {".", "."};
    if (kind < 8 || depth >= 3) return doubleByte_ ? kMixedClasses[Below(6)] : kAsciiClasses[Below(6)];
    return TPair{"(", "("} + Alternation(depth + 1) + TPair{")", ")"};
  }

  std::mt19937 random_;
  bool doubleByte_;
};

class TPosixRegex {
public:
  explicit TPosixRegex(const std::string &pattern) { ok_ = regcomp(&regex_, pattern.c_str(), REG_EXTENDED) == 0; }
  ~TPosixRegex() {
    if (ok_) regfree(&regex_);
  }
  TPosixRegex(const TPosixRegex &) = delete;
  TPosixRegex &operator=(const TPosixRegex &) = delete;

  bool Ok() const { return ok_; }
  TMatchSpan Search(const std::string &subject) const {
    regmatch_t match{};
    if (regexec(&regex_, subject.c_str(), 1, &match, 0) != 0) return {};
    return {static_cast<std::size_t>(match.rm_so), static_cast<std::size_t>(match.rm_eo)};
  }

private:
  regex_t regex_{};
  bool ok_ = false;
};

// Compares the first match of many generated cases; returns how many.
// budget is the DFA cache's: a small one makes the cache drop its states
// and hand walks over to the NFA, 0 leaves every walk to the NFA.
int Compare(std::uint32_t seed, bool doubleByte, int patterns, std::size_t budget = TRE_DFA::kDefaultCacheBudget,
            int *giveUps = nullptr) {
  TCaseGenerator generator(seed, doubleByte);
  TAWKStr awk;
  awk.SetDFACacheBudget(budget);
  int compared = 0;
  std::vector<std::size_t> offsets;
  for (int p = 0; p < patterns; ++p) {
    const TPair pattern = generator.Pattern();
    TPosixRegex posix(pattern.Posix);
    if (!posix.Ok()) continue;
    EXPECT_NO_THROW(awk.SetRegExp(pattern.Engine)) << pattern.Posix;
    for (int s = 0; s < 8; ++s) {
      const TPair subject = generator.Subject(offsets);
      TMatchSpan expected = posix.Search(subject.Posix);
      if (expected.Found()) expected = {offsets[expected.Start], offsets[expected.End]};
      const TMatchSpan actual = awk.MatchMethod(subject.Engine);
      const bool same = actual.Start == expected.Start && actual.End == expected.End;
      EXPECT_TRUE(same) << "pattern " << pattern.Posix << " subject '" << subject.Posix << "' expected "
                        << expected.Start << "-" << expected.End << " got " << actual.Start << "-" << actual.End;
      if (!same) return compared;
      ++compared;
    }
    if (giveUps != nullptr) *giveUps += awk.CurrentDFA().GiveUps();
  }
  return compared;
}

} // namespace

TEST(PosixDifferential, AsciiFirstMatchAgrees) { EXPECT_GT(Compare(20261208, false, 2000), 12000); }

TEST(PosixDifferential, DoubleByteFirstMatchAgrees) { EXPECT_GT(Compare(7, true, 1500), 9000); }

TEST(PosixDifferential, AgreesWhenTheCacheCannotKeepUp) {
  int giveUps = 0;
  EXPECT_GT(Compare(31, false, 1000, 600, &giveUps), 6000);
  EXPECT_GT(Compare(32, true, 1000, 600, &giveUps), 6000);
  EXPECT_GT(giveUps, 100); // the NFA took over that often
  EXPECT_GT(Compare(33, false, 500, 0), 3000);
  EXPECT_GT(Compare(34, true, 500, 0), 3000);
}
