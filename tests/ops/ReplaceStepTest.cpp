// The string-replacement step through the real regex engine.

#include <gtest/gtest.h>

#include <vector>

#include "TempTree.h"
#include "ops/UnitFileCn.h"
#include "regex/AWKStr.h"

namespace {

struct TCondition {
  const char *From, *To;
  bool NoCase = false;
};

struct TReplaceCase {
  const char *What;
  std::vector<TCondition> Conditions;  // conditions 1.. in order
  bool ReplExt;
  const char *Name, *Expected;
};

TEST(ReplaceStep, Examples) {
  const TReplaceCase cases[] = {
      {"no conditions", {}, false, "report.txt", "report.txt"},
      {"extension kept", {{"t", "T"}}, true, "report.txt", "reporT.txt"},
      {"extension included", {{"t", "T"}}, false, "report.txt", "reporT.TxT"},
      {"no extension", {{"t", "T"}}, true, "tt", "TT"},
      {"chained", {{"a", "b"}, {"b", "c"}}, false, "ab.x", "cc.x"},
      {"dot is an operator", {{".", "_"}}, false, "ab.x", "____"},
      {"dot, extension kept", {{".", "_"}}, true, "ab.x", "__.x"},
      {"matched text", {{"x", "[&]"}}, false, "axb", "a[x]b"},
      {"empty replacement deletes", {{"b", ""}}, false, "abcb.txt", "ac.txt"},
      {"anchors see the base only", {{"t$", "!"}}, true, "cat.txt", "ca!.txt"},
      {"fuzzy letters", {{"abc", "x", true}}, false, "ABC-aBc-ＡＢＣ.txt", "x-x-x.txt"},
      {"exact letters", {{"abc", "x", false}}, false, "ABC-abc.txt", "ABC-x.txt"},
      {"double-byte", {{"表", "ソ"}}, false, "a表b.txt", "aソb.txt"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.What);
    TRenameCn cn;
    cn.ReplExt = c.ReplExt;
    for (std::size_t i = 0; i < c.Conditions.size(); ++i) {
      cn.SetFromName(static_cast<int>(i), c.Conditions[i].From);
      cn.SetToName(static_cast<int>(i), c.Conditions[i].To);
      cn.SetNoCase(static_cast<int>(i), c.Conditions[i].NoCase);
    }
    EXPECT_EQ(cn.ReplaceStep(c.Name), c.Expected);
  }
}

TEST(ReplaceStep, AnEmptyPatternSkipsItsCondition) {
  TRenameCn cn;
  cn.SetToName(0, "zzz");
  cn.SetFromName(3, "a");
  cn.SetToName(3, "b");
  EXPECT_EQ(cn.ReplaceStep("aa"), "bb");
}

TEST(ReplaceStep, MalformedPatternsRaiseTheParserError) {
  TRenameCn cn;
  cn.SetStepEnabled(kStepReplace, true);
  cn.SetFromName(0, "(a");
  EXPECT_THROW(cn.BuildName("a.txt"), ERegExpParser);
  TTempTree tree("a.txt");
  EXPECT_THROW(cn.RenameTarget(tree.Root(), "a.txt", tree.Root(), Dos(2024, 1, 1), 0),
               ERegExpParser);
  EXPECT_TRUE(TTempTree::Exists(tree / "a.txt"));
}

TEST(ReplaceStep, AReplacementThatMakesADelimiterMovesNothing) {
  TTempTree tree("sub/ sub/a.txt");
  TRenameCn cn;
  cn.SetStepEnabled(kStepReplace, true);
  for (int p = 0; p < kRenameStepCount; ++p) cn.SetStepOrder(p, p);
  cn.SetFromName(0, "^");
  cn.SetToName(0, "../");
  const std::string folder = tree / "sub/";
  EXPECT_FALSE(cn.RenameTarget(folder, "a.txt", folder, Dos(2024, 1, 1), 0));
  EXPECT_EQ(cn.ResultName, "../a.txt");
  cn.SetFromName(0, ".*");
  cn.SetToName(0, "..");
  EXPECT_FALSE(cn.RenameTarget(folder, "a.txt", folder, Dos(2024, 1, 1), 0));
  EXPECT_EQ(TTempTree::List(tree.Root()), "sub");
  EXPECT_EQ(TTempTree::List(folder), "a.txt");
}

}  // namespace
