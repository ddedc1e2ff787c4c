#include "core/IniDocument.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <optional>
#include <string>

namespace {

using namespace std::string_literals;

struct TLookupCase {
  const char *Name;
  std::string Text;
  std::string Section;
  std::string Key;
  std::optional<std::string> Expected;
};

template <std::size_t N>
void ExpectLookups(const TLookupCase (&cases)[N]) {
  for (const TLookupCase &c : cases) {
    const TIniDocument document(c.Text);
    const auto found = document.FindValue(c.Section, c.Key);
    EXPECT_EQ(found ? std::optional<std::string>(std::string(*found)) : std::nullopt,
              c.Expected)
        << c.Name;
  }
}

TEST(IniDocument, FindsValuesAsTheProfileFunctionsDo) {
  const TLookupCase cases[] = {
      {"case ignored", "[Rename]\r\nSeqIndex=5\r\n", "RENAME", "seqindex", "5"},
      {"blanks around", "  [ Rename ] \r\n\t SeqIndex \t=  5 \t\r\n", "Rename", "SeqIndex", "5"},
      {"LF only", "[A]\nk=v\n", "A", "k", "v"},
      {"CR left in the text", "[A]\r\r\nk=v\r\r\n", "A", "k", "v"},
      {"no line end at the end", "[A]\r\nk=v", "A", "k", "v"},
      {"empty value", "[A]\r\nk=\r\n", "A", "k", ""},
      {"first duplicate key", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "1"},
      {"only the first section of a name", "[A]\r\nx=1\r\n[B]\r\n[a]\r\nk=2\r\n", "A", "k",
       std::nullopt},
      {"key in a later section", "[A]\r\nk=1\r\n[B]\r\nk=2\r\n", "B", "k", "2"},
      {"key before any section", "k=1\r\n[A]\r\n", "A", "k", std::nullopt},
      {"line without equals is no key", "[A]\r\nk\r\n", "A", "k", std::nullopt},
      {"value cut at NUL", "[A]\r\nk=ab\0cd\r\n"s, "A", "k", "ab"},
      {"equals in the value", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
      {"missing section", "[A]\r\nk=1\r\n", "Z", "k", std::nullopt},
      {"unclosed header is no section", "[A\r\nk=1\r\n", "A", "k", std::nullopt},
      // 0x5D (']') and 0x41 ('A') as second bytes of double-byte characters.
      {"trail byte ] in a section name", "[‐]\r\nk=1\r\n", "‐", "k", "1"},
      {"trail byte is not a letter", "[A]\r\n\x83\x41=1\r\n", "A", "\x83\x61", std::nullopt},
      {"binary garbage around", "\xff\xfe\x01\r\n[A]\r\n\x80\x00=\r\nk=1\r\n\x1a"s, "A", "k",
       "1"},
  };
  ExpectLookups(cases);
}

// Line ends and NUL bytes as the profile functions read them: a CR alone
// ends a line wherever it stands, and a NUL ends a name or a value.
TEST(IniDocument, ACrAloneEndsALineAndANulEndsANameOrValue) {
  const TLookupCase cases[] = {
      {"CR line ends", "[A]\rk=v\rm=w\r", "A", "m", "w"},
      {"CR line ends, first key", "[A]\rk=v\r", "A", "k", "v"},
      {"CR line ends, no end at the end", "[A]\rk=v", "A", "k", "v"},
      {"a section after a CR-only line", "[A]\r\n\r[B]\r\nk=2\r\n", "B", "k", "2"},
      {"a section after CR-only lines", "[A]\rx=1\r\r\r[B]\rk=2\r", "B", "k", "2"},
      {"a key after a bare CR in a CR LF file", "[A]\r\nx=1\ry=2\r\n", "A", "y", "2"},
      {"the value before a bare CR", "[A]\r\nx=1\ry=2\r\n", "A", "x", "1"},
      {"LF CR is two line ends", "[A]\n\rk=v\n\r", "A", "k", "v"},
      {"a header ended by a bare CR", "[A]\rk=v\r\n", "A", "k", "v"},
      {"NUL ends the key", "[A]\r\nk\0junk=v\r\n"s, "A", "k", "v"},
      {"NUL ends the section name", "[A\0junk]\r\nk=v\r\n"s, "A", "k", "v"},
      {"NUL ends the value", "[A]\r\nk=v\0w\r\nm=x\r\n"s, "A", "m", "x"},
      {"NUL in the key's name before its end", "[A]\r\nkk\0=v\r\n"s, "A", "k", std::nullopt},
  };
  ExpectLookups(cases);
}

TEST(IniDocument, AFileWithCrLineEndsKeepsItsBytesWhereNothingChanged) {
  const std::string before = "[A]\rk=1\rm=2\r\r[B]\rz=3";
  TIniDocument document(before);
  EXPECT_TRUE(document.SetValue("A", "k", "9"));
  EXPECT_TRUE(document.SetValue("A", "n", "4"));
  EXPECT_TRUE(document.SetValue("B", "y", "5"));
  EXPECT_EQ(document.Text(), "[A]\rk=9\r\nm=2\rn=4\r\n\r[B]\rz=3\r\ny=5\r\n");
  EXPECT_EQ(document.FindValue("A", "m"), "2");
  EXPECT_EQ(document.FindValue("A", "k"), "9");
}

struct TWriteCase {
  const char *Name;
  std::string Before;
  std::string Section, Key, Value;
  std::string After;
};

TEST(IniDocument, WritesTouchOnlyTheirLine) {
  const std::string lfFile = "; note\n[A]\nK = old\nz=1\n\n[B]\ny=2\n";
  const TWriteCase cases[] = {
      {"new file", "", "A", "k", "v", "[A]\r\nk=v\r\n"},
      {"replace in place, key spelled as in the file", lfFile, "a", "k", "new",
       "; note\n[A]\nK=new\r\nz=1\n\n[B]\ny=2\n"},
      {"append before the blank lines ending the section", lfFile, "A", "q", "3",
       "; note\n[A]\nK = old\nz=1\nq=3\r\n\n[B]\ny=2\n"},
      {"append to the last section", lfFile, "B", "q", "3",
       "; note\n[A]\nK = old\nz=1\n\n[B]\ny=2\nq=3\r\n"},
      {"new section at the end", lfFile, "C", "q", "3", lfFile + "[C]\r\nq=3\r\n"},
      {"last line without line end, new key", "[A]\nk=1", "A", "m", "2", "[A]\nk=1\r\nm=2\r\n"},
      {"last line without line end, new section", "[A]\nk=1", "B", "m", "2",
       "[A]\nk=1\r\n[B]\r\nm=2\r\n"},
      {"header only", "[A]\r\n", "A", "k", "1", "[A]\r\nk=1\r\n"},
      {"first of duplicate sections", "[A]\r\n\r\n[A]\r\n", "A", "k", "1",
       "[A]\r\nk=1\r\n\r\n[A]\r\n"},
      {"garbage lines kept", "[A]\r\n\xff garbage\r\n", "A", "k", "1",
       "[A]\r\n\xff garbage\r\nk=1\r\n"},
      {"a value never adds lines", "", "A", "k", "x\r\n[Settings]\r\nSuccess=1",
       "[A]\r\nk=x\r\n"},
  };
  for (const TWriteCase &c : cases) {
    TIniDocument document(c.Before);
    EXPECT_TRUE(document.SetValue(c.Section, c.Key, c.Value)) << c.Name;
    EXPECT_EQ(document.Text(), c.After) << c.Name;
  }
}

TEST(IniDocument, AddedKeysAreFoundAndRewrittenInPlace) {
  TIniDocument document("[A]\r\nk=1\r\n\r\n[B]\r\n");
  document.SetValue("A", "new", "x");
  document.SetValue("C", "c", "y");
  document.SetValue("a", "NEW", "z");
  document.SetValue("c", "C", "w");
  EXPECT_EQ(document.Text(), "[A]\r\nk=1\r\nnew=z\r\n\r\n[B]\r\n[C]\r\nc=w\r\n");
  EXPECT_EQ(document.FindValue("A", "new"), "z");
}

TEST(IniDocument, WritingTheStoredValueChangesNothing) {
  TIniDocument document("[A]\nk =  v \n");
  EXPECT_FALSE(document.SetValue("A", "k", "v"));
  EXPECT_EQ(document.Text(), "[A]\nk =  v \n");
}

// A large file is read, changed and written within a few times its size in
// memory and in well under a second: blank lines and ordinary lines cost no
// more than their bytes.  Each case runs in a child process, whose peak
// memory the parent reads.  Sanitizer and debug builds only run it smaller
// and check nothing but the result.
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
constexpr bool kMeasured = false;
constexpr std::size_t kLargeSize = 5u << 20;
#else
constexpr bool kMeasured = true;
constexpr std::size_t kLargeSize = 50u << 20;
#endif

std::string LargeText(bool blank) {
  std::string text = "[Big]\r\n";
  text.reserve(kLargeSize + 100);
  for (std::size_t line = 0; text.size() < kLargeSize; ++line) {
    if (blank) {
      text += "\r\n";
    } else {
      std::string key = "key" + std::to_string(line) + "=";
      key.resize(78, 'v');
      text += key + "\r\n";
    }
  }
  return text + "[Tail]\r\nlast=1\r\n";
}

TEST(IniDocument, ALargeFileCostsLittleMoreThanItsBytes) {
  for (const bool blank : {true, false}) {
    std::string text = LargeText(blank);
    const std::size_t size = text.size();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Processor time, not wall time: the tests run side by side on a
      // shared machine.
      timespec start {}, end {};
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
      TIniDocument document(std::move(text));
      const bool found = document.FindValue("Tail", "last") == std::optional<std::string_view>("1");
      document.SetValue("Big", "added", "x");
      document.SetValue("Tail", "last", "2");
      const std::string written = document.Text();
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
      const double seconds =
          static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
      const bool right = found && written.size() == size + 9 &&
                         written.ends_with("[Tail]\r\nlast=2\r\n");
      _exit(!right ? 1 : kMeasured && seconds > 1.0 ? 2 : 0);
    }
    int status = 0;
    rusage usage {};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 1) << "wrong result, blank lines: " << blank;
    EXPECT_NE(WEXITSTATUS(status), 2) << "over a second, blank lines: " << blank;
    // The parent's own copy of the text is in the child's resident pages too.
    if (kMeasured) {
      EXPECT_LT(static_cast<std::size_t>(usage.ru_maxrss) * 1024, 5 * size) << "blank lines: " << blank;
    }
  }
}

}  // namespace
