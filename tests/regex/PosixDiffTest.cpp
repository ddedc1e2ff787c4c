// The engine against glibc's POSIX regexec (extended syntax, leftmost-
// longest) on generated ASCII patterns and subjects over a small alphabet:
// the first match must start and end at the same place.  Anchors stand only
// at the top level, no alternative is empty and subjects hold no line
// breaks, where both define the same language.

#include <gtest/gtest.h>
#include <regex.h>

#include <random>
#include <string>

#include "regex/AWKStr.h"

namespace {

class TPatternGenerator {
public:
  explicit TPatternGenerator(std::uint32_t seed) : random_(seed) {}

  std::string Pattern() {
    std::string pattern;
    if (Chance(15)) pattern += '^';
    pattern += Alternation(0);
    if (Chance(15)) pattern += '$';
    return pattern;
  }

  std::string Subject() {
    std::string subject;
    const int length = Below(13);
    for (int i = 0; i < length; ++i) subject += static_cast<char>('a' + Below(4));
    return subject;
  }

private:
  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }

  std::string Alternation(int depth) {
    std::string out = Concatenation(depth);
    while (Chance(25)) out += "|" + Concatenation(depth);
    return out;
  }

  std::string Concatenation(int depth) {
    std::string out = Factor(depth);
    while (Chance(45)) out += Factor(depth);
    return out;
  }

  std::string Factor(int depth) {
    std::string out = Primary(depth);
    switch (Below(6)) {
    case 0: out += '*'; break;
    case 1: out += '+'; break;
    case 2: out += '?'; break;
    default: break;
    }
    return out;
  }

  std::string Primary(int depth) {
    static const char *const kClasses[] = {"[ab]", "[^b]", "[a-c]", "[bd]", "[^a-b]", "[c-d]"};
    const int kind = Below(10);
    if (kind < 5) return std::string(1, static_cast<char>('a' + Below(3)));
    if (kind < 6) return ".";
    if (kind < 8 || depth >= 3) return kClasses[Below(6)];
    return "(" + Alternation(depth + 1) + ")";
  }

  std::mt19937 random_;
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

} // namespace

TEST(PosixDifferential, FirstMatchAgrees) {
  TPatternGenerator generator(20261208);
  TAWKStr awk;
  int compared = 0;
  for (int p = 0; p < 3000; ++p) {
    const std::string pattern = generator.Pattern();
    TPosixRegex posix(pattern);
    if (!posix.Ok()) continue;
    ASSERT_NO_THROW(awk.SetRegExp(pattern)) << pattern;
    for (int s = 0; s < 8; ++s) {
      const std::string subject = generator.Subject();
      const TMatchSpan expected = posix.Search(subject);
      const TMatchSpan actual = awk.MatchMethod(subject);
      ASSERT_EQ(actual.Found(), expected.Found()) << "pattern " << pattern << " subject '" << subject << "'";
      if (expected.Found()) {
        ASSERT_EQ(actual.Start, expected.Start) << "pattern " << pattern << " subject '" << subject << "'";
        ASSERT_EQ(actual.End, expected.End) << "pattern " << pattern << " subject '" << subject << "'";
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 20000);
}
