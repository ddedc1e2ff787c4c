// Japanese names through korvane-batch, on real files: the width and kana
// conversions of the case step, the natural order of the numbering and the
// era of the date step.

#include <gtest/gtest.h>

#include <string>

#include "BatchProcess.h"

namespace {

// The case step alone, applied, renaming in place, letter case unchanged.
const Strings kCaseStep = {"--set", "Rename.OrderChecked2=1", "--set", "Rename.NameCase=2",
                           "--set", "Rename.ExtCase=2", "--set", "Rename.Copy=0"};

Strings With(Strings arguments, const Strings &more) {
  arguments.insert(arguments.end(), more.begin(), more.end());
  return arguments;
}

TEST_F(BatchTest, EachConversionMakesItsNameConsistent) {
  const struct {
    const char *Key;
    std::string From, To;
  } cases[] = {
      {"Rename.WidthAlnum=1", U8(u8"ＩＭＧ＿００１.jpg"), "IMG_001.jpg"},
      {"Rename.WidthKana=1", U8(u8"ﾃｽﾄﾌｧｲﾙ.txt"), U8(u8"テストファイル.txt")},
      {"Rename.KanaKind=1", U8(u8"しゃしん.png"), U8(u8"シャシン.png")},
      {"Rename.ComposeMarks=1", U8(u8"か") + "\xE3\x82\x99.txt", U8(u8"が.txt")},  // か + U+3099
  };
  int n = 0;
  for (const auto &c : cases) {
    const std::string folder = "f" + std::to_string(n++);
    Tree.Add(folder + "/" + c.From);
    TResult result = RunBatch(With(kCaseStep, {"--set", c.Key, "--folder", P(folder), "rename"}));
    EXPECT_EQ(result.Exit, 0) << c.Key << '\n' << result.Err;
    EXPECT_TRUE(Tree.Exists(folder + "/" + c.To)) << c.Key;
    EXPECT_FALSE(Tree.Exists(folder + "/" + c.From)) << c.Key;
  }
}

TEST_F(BatchTest, NaturalOrderNumbersByValue) {
  Tree.Add(U8(u8"n/IMG_1\nn/IMG_2\nn/IMG_10\nn/IMG_２０"));
  TResult result = RunBatch({"--set", "Rename.OrderChecked1=1", "--set", "Rename.SeqSort=6",
                             "--set", "Rename.SeqBefore=-", "--set", "Rename.Copy=0",
                             "--folder", P("n"), "rename"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  for (const std::string &name :
       {std::string("IMG_1-0001"), std::string("IMG_2-0002"), std::string("IMG_10-0003"),
        U8(u8"IMG_２０-0004")})
    EXPECT_TRUE(Tree.Exists("n/" + name)) << name;
}

TEST_F(BatchTest, DateStepWritesTheEra) {
  Tree.Add("d/a.txt");
  Tree.SetTime("d/a.txt", 2019, 5, 1, 10, 0, 0);
  TResult result = RunBatch({"--set", "Rename.OrderChecked3=1", "--set", "Rename.DateFormat=ggee.mm.dd",
                             "--set", "Rename.DateBefore=_", "--set", "Rename.Copy=0",
                             "--folder", P("d"), "rename"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  EXPECT_TRUE(Tree.Exists(U8(u8"d/a_令和01.05.01.txt")));
}

}  // namespace
