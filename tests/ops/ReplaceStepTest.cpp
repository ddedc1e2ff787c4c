// The string-replacement step through the real regex engine.

#include <gtest/gtest.h>

#include <time.h>

#include <optional>
#include <vector>

#include "TempTree.h"
#include "ops/UnitFileCn.h"
#include "regex/AWKStr.h"
#include "regex/Messages.h"

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

// The preview shows the engine's message; a run fails the target instead
// of ending.
TEST(ReplaceStep, MalformedPatternsRaiseInThePreviewAndFailTheirTarget) {
  TRenameCn cn;
  cn.SetStepEnabled(kStepReplace, true);
  cn.SetFromName(0, "(a");
  EXPECT_THROW(cn.BuildName("a.txt"), ERegExpParser);
  TTempTree tree("a.txt");
  EXPECT_FALSE(cn.RenameTarget(tree.Root(), "a.txt", tree.Root(), Dos(2024, 1, 1), 0));
  EXPECT_EQ(cn.ResultName, "a.txt");
  EXPECT_TRUE(TTempTree::Exists(tree / "a.txt"));
}

TEST(ReplaceStep, EveryConditionARunUsesIsCompiledBeforeIt) {
  struct TCheckCase {
    const char *What;
    std::vector<TCondition> Conditions;
    bool StepOn;
    std::optional<std::string> Expected;
  };
  const TCheckCase cases[] = {
      {"all compile", {{"a", "b"}, {"[x-z]+", "<&>", true}}, true, std::nullopt},
      {"pattern of condition 2", {{"a", "b"}, {"(", "x"}}, true,
       "置換条件2: " + std::string(regex_messages::kNeedRightParen)},
      {"template of condition 1", {{"a", "x\\"}}, true,
       "置換条件1: " + std::string(regex_messages::kCharAfterBackslash)},
      {"a template no name would reach", {{"a", "b"}, {"b", "c"}, {"zzz", "\\xq"}}, true,
       "置換条件3: " + std::string(regex_messages::kInvalidHex)},
      {"an empty pattern skips its condition", {{"", "\\xq"}, {"a", "b"}}, true, std::nullopt},
      {"the step is off", {{"(", "x"}}, false, std::nullopt},
  };
  for (const TCheckCase &c : cases) {
    SCOPED_TRACE(c.What);
    TRenameCn cn;
    cn.SetStepEnabled(kStepReplace, c.StepOn);
    for (std::size_t i = 0; i < c.Conditions.size(); ++i) {
      cn.SetFromName(static_cast<int>(i), c.Conditions[i].From);
      cn.SetToName(static_cast<int>(i), c.Conditions[i].To);
      cn.SetNoCase(static_cast<int>(i), c.Conditions[i].NoCase);
    }
    EXPECT_EQ(cn.CheckReplaceConditions(), c.Expected);
  }
}

// A condition with the fuzzy pass on used to assign the previous
// condition's pattern again under the pass, before its own: a pattern
// that compiles only without the pass then ended the run the preview had
// shown fine.
TEST(ReplaceStep, ALaterFuzzyConditionNeverRecompilesTheEarlierPattern) {
  std::string guarded;
  for (int i = 0; i < 100; ++i) guarded += "(";
  guarded += "^";
  for (int i = 0; i < 873; ++i) guarded += "じ";
  for (int i = 0; i < 100; ++i) guarded += ")+";
  for (const std::string &first : {std::string("a.+b.+c.+d.+e.+f.+g.+h.+i.+j.+k"), guarded}) {
    TRenameCn cn;
    cn.SetStepEnabled(kStepReplace, true);
    cn.SetFromName(0, first);
    cn.SetToName(0, "-");
    cn.SetFromName(1, "x");
    cn.SetToName(1, "y");
    cn.SetNoCase(1, true);
    EXPECT_EQ(cn.CheckReplaceConditions(), std::nullopt);
    EXPECT_EQ(cn.BuildName("abcＸ"), "abcy");
  }
}

// A template that repeats the match stops as soon as the name passes the
// bound: the target fails, no memory is spent on the rest.
TEST(ReplaceStep, OutputIsBounded) {
  const std::string hundredString(100, '&');
  const char *const hundred = hundredString.c_str();
  const std::string sixteenString(16, '&');
  const char *const sixteen = sixteenString.c_str();
  const std::string name255 = std::string(251, 'n') + ".txt";
  struct TBoundCase {
    const char *What;
    std::vector<TCondition> Conditions;
    std::string Name;
    std::optional<std::string> Expected; // nullopt: too long
  };
  const TBoundCase cases[] = {
      {"a 255-byte name 100 times in each of five conditions",
       {{".+", hundred}, {".+", hundred}, {".+", hundred}, {".+", hundred}, {".+", hundred}}, name255, std::nullopt},
      {"every character 100 times in three conditions",
       {{".", hundred}, {".", hundred}, {".", hundred}}, std::string(100, 'c'), std::nullopt},
      {"longer in between, short at the end", {{"n", "nn"}, {"nn", "n"}}, name255, name255},
      {"just within the bound", {{"n", sixteen}}, std::string(256, 'n'), std::string(4096, 'n')},
      {"one byte over", {{"n", sixteen}}, std::string(256, 'n') + "n", std::nullopt},
  };
  for (const TBoundCase &c : cases) {
    SCOPED_TRACE(c.What);
    TRenameCn cn;
    cn.SetStepEnabled(kStepReplace, true);
    for (int p = 0; p < kRenameStepCount; ++p) cn.SetStepOrder(p, p);
    for (std::size_t i = 0; i < c.Conditions.size(); ++i) {
      cn.SetFromName(static_cast<int>(i), c.Conditions[i].From);
      cn.SetToName(static_cast<int>(i), c.Conditions[i].To);
    }
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
    std::string message;
    std::string built;
    try {
      built = cn.BuildName(c.Name);
    } catch (const ERegExpParser &error) {
      message = error.Message();
    }
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
    const double ms = static_cast<double>(end.tv_sec - start.tv_sec) * 1e3 + static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e6;
    EXPECT_LT(ms, 50.0); // the preview recomputes on every keystroke
    if (c.Expected) {
      EXPECT_EQ(message, "");
      EXPECT_EQ(built, *c.Expected);
    } else {
      EXPECT_EQ(message, regex_messages::kOutputTooLong);
    }
  }

  // In a run the target fails and stays as it was.
  TTempTree tree(name255);
  TRenameCn cn;
  cn.SetStepEnabled(kStepReplace, true);
  for (int p = 0; p < kRenameStepCount; ++p) cn.SetStepOrder(p, p);
  for (int i = 0; i < kReplaceConditionCount; ++i) {
    cn.SetFromName(i, ".+");
    cn.SetToName(i, hundred);
  }
  EXPECT_FALSE(cn.RenameTarget(tree.Root(), name255, tree.Root(), Dos(2024, 1, 1), 0));
  EXPECT_EQ(cn.ResultName, name255);
  EXPECT_TRUE(TTempTree::Exists(tree / name255));
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
