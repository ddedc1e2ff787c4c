#include <gtest/gtest.h>
#include <unistd.h>

#include "TempTree.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Sys.h"

namespace {

TEST(PathsTest, TrailingDelimiterIsFoundDoubleByteAware) {
  const struct {
    std::string Path, Included, Excluded;
  } cases[] = {
      {"", "/", ""},
      {"/", "/", ""},
      {"/tmp", "/tmp/", "/tmp"},
      {"/tmp/", "/tmp/", "/tmp"},
      {"/tmp//", "/tmp//", "/tmp/"},   // one delimiter only
      {"表", "表/", "表"},
      {"a/表/", "a/表/", "a/表"},
      {"\x95/", "\x95//", "\x95/"},   // 0x95 0x2F is a (bad) double-byte character, not a delimiter
  };
  for (const auto &c : cases) {
    EXPECT_EQ(IncludeTrailingDelimiter(c.Path), c.Included) << c.Path;
    EXPECT_EQ(ExcludeTrailingDelimiter(c.Path), c.Excluded) << c.Path;
  }
}

TEST(PathsTest, LastCharAndLastDelimiter) {
  EXPECT_EQ(LastCharOffset(""), std::string::npos);
  EXPECT_EQ(LastCharOffset("ab"), 1u);
  EXPECT_EQ(LastCharOffset("a表"), 1u);
  EXPECT_EQ(LastCharOffset("a\x95"), 1u);  // a lone lead byte is a character

  EXPECT_EQ(LastDelimiterOffset("a.表b", "."), 1u);
  EXPECT_EQ(LastDelimiterOffset("a.表b", "\\"), std::string::npos);  // 表's 0x5C is no delimiter
  EXPECT_EQ(LastDelimiterOffset("a\\b.c", "\\:"), 1u);
  EXPECT_EQ(LastDelimiterOffset("x/y.z", "./"), 3u);
  EXPECT_EQ(LastDelimiterOffset("", "."), std::string::npos);
}

TEST(PathsTest, ForceFolderCreatesEveryMissingLevel) {
  TTempFolder temp;
  EXPECT_TRUE(ForceFolder(temp / "表/b/c/"));
  EXPECT_TRUE(FolderExists(temp / "表/b/c"));
  EXPECT_TRUE(ForceFolder(temp / "表/b"));  // already there
  EXPECT_TRUE(ForceFolder("/"));

  MakeTree(temp.Root(), {"file"});
  EXPECT_FALSE(ForceFolder(temp / "file"));
  EXPECT_FALSE(ForceFolder(temp / "file/sub"));
}

TEST(PathsTest, ForceFolderKeepsTheReasonOfTheFailure) {
  TTempFolder temp;
  korvane::sys::InjectFault("mkdir", EACCES, 1);  // the first level works, the second not
  EXPECT_FALSE(ForceFolder(temp / "a/b"));
  EXPECT_EQ(errno, EACCES);
  korvane::sys::ClearFaults();
  EXPECT_TRUE(FolderExists(temp / "a"));
  EXPECT_FALSE(FolderExists(temp / "a/b"));
}

TEST(PathsTest, ForceFolderCreatesShortRelativeNamesToo) {
  TTempFolder temp;
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(temp.Root().c_str()), 0);
  const bool done = ForceFolder("ab");
  const bool exists = FolderExists("ab");
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_TRUE(done);
  EXPECT_TRUE(exists);
}

TEST(PathsTest, ForceFolderRefusesAnEmptyPath) {
  try {
    ForceFolder("");
    FAIL() << "no exception";
  } catch (const EInOutError &error) {
    EXPECT_EQ(error.Message(), "ディレクトリを作成できません");
  }
}

// The scans from the end agree with a walk from the start on every short
// text of bytes that matter: lead bytes, trail bytes that look like
// delimiters, delimiters, a lead byte at the very end.
TEST(PathsTest, ScansFromTheEndAgreeWithAWalkFromTheStart) {
  const auto walk = [](std::string_view text, std::string_view delimiters, std::size_t &lastChar) {
    std::size_t found = std::string_view::npos;
    lastChar = std::string_view::npos;
    for (std::size_t at = 0; at < text.size();) {
      const bool pair = IsDBCSLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size();
      if (!pair && delimiters.find(text[at]) != std::string_view::npos) found = at;
      lastChar = at;
      at += pair ? 2 : 1;
    }
    return found;
  };
  const char alphabet[] = {'a', '.', '/', '\\', ':', '\x81', '\x9F', '\xE0', '\xFC', '\x40', '\xA0', '\x5C'};
  const std::string_view delimiterSets[] = {"./", "/", "\\:", ".\\:", "\x81"};
  constexpr std::size_t kLetters = sizeof alphabet;
  int compared = 0;
  for (std::size_t length = 0; length <= 5; ++length) {
    std::size_t count = 1;
    for (std::size_t i = 0; i < length; ++i) count *= kLetters;
    for (std::size_t n = 0; n < count; ++n) {
      std::string text;
      for (std::size_t i = 0, rest = n; i < length; ++i, rest /= kLetters) text += alphabet[rest % kLetters];
      for (std::string_view delimiters : delimiterSets) {
        std::size_t lastChar = 0;
        const std::size_t found = walk(text, delimiters, lastChar);
        ASSERT_EQ(LastDelimiterOffset(text, delimiters), found) << testing::PrintToString(text);
        ASSERT_EQ(LastCharOffset(text), lastChar) << testing::PrintToString(text);
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 1000000);
}

}  // namespace
