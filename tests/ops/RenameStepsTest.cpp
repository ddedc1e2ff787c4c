// The rename steps and the pipeline on names only; nothing touches a disk.

#include <gtest/gtest.h>

#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"

namespace {

// A TRenameCn as the window leaves it with its defaults.
struct TDefaults {
  TDefaults() {
    cn.SeqCounter = 1;
    cn.SeqStart = 1;
    cn.SeqStep = 1;
    cn.SeqDeg = 4;
    cn.SeqName = true;
    cn.SeqAdd = 1;
    cn.DateAdd = 1;
    cn.FolderAdd = 1;
    Order({0, 1, 2, 3, 4, 5});
  }
  void Order(std::array<int, kRenameStepCount> steps) {
    for (int p = 0; p < kRenameStepCount; ++p) cn.SetStepOrder(p, steps[p]);
  }
  TRenameCn cn;
};

TEST(SequenceStep, Examples) {
  struct {
    const char *Name;
    bool SeqName, SeqExt, IfUnity;
    int SeqAdd;
    const char *Expected;
  } const cases[] = {
      {"photo.jpg", true, false, false, 1, "photo(0007).jpg"},
      {"photo.jpg", true, false, false, 0, "(0007)photo.jpg"},
      {"photo.jpg", true, false, true, 1, "img(0007).jpg"},
      {"photo.jpg", false, true, false, 1, "photo.007"},
      {"photo.jpg", true, true, false, 1, "photo(0007).007"},
      {"README", true, false, false, 1, "README(0007)"},
      {"photo.jpg", false, false, true, 1, "photo.jpg"},  // IfUnity needs SeqName
  };
  for (const auto &c : cases) {
    TDefaults d;
    d.cn.SeqCounter = 7;
    d.cn.SeqBefore = "(";
    d.cn.SeqAfter = ")";
    d.cn.SeqName = c.SeqName;
    d.cn.SeqExt = c.SeqExt;
    d.cn.IfUnity = c.IfUnity;
    d.cn.Unity = 1;
    d.cn.BaseName = "img";
    d.cn.SeqAdd = c.SeqAdd;
    EXPECT_EQ(d.cn.SequenceStep(c.Name), c.Expected) << c.Name;
  }
}

TEST(SequenceStep, NumberText) {
  TDefaults d;
  d.cn.SeqCounter = 7;
  d.cn.SeqDeg = 0;
  EXPECT_EQ(d.cn.SequenceStep("photo.jpg"), "photo7.jpg");
  d.cn.SeqDeg = 2;
  d.cn.SeqCounter = 123;
  EXPECT_EQ(d.cn.SequenceStep("photo.jpg"), "photo123.jpg");  // never cut
  d.cn.SeqExt = true;
  d.cn.SeqCounter = 12345;
  EXPECT_EQ(d.cn.SequenceStep("photo.jpg"), "photo12345.12345");
  d.cn.SeqCounter = 5;
  d.cn.SeqDeg = 8;
  EXPECT_EQ(d.cn.SequenceStep("a.b"), "a00000005.005");  // extension always three wide
  d.cn.SeqDeg = 2000000000;  // from a damaged settings file
  EXPECT_EQ(d.cn.SequenceStep("a.b"), "a" + std::string(254, '0') + "5.005");
}

TEST(SequenceStep, FixedNames) {
  TDefaults d;
  d.cn.SeqCounter = 3;
  d.cn.IfUnity = true;
  d.cn.Unity = 0;
  d.cn.FolderNameText = "Trip";
  EXPECT_EQ(d.cn.SequenceStep("x.jpg"), "Trip0003.jpg");
  d.cn.FolderNameText = "";  // root folder
  EXPECT_EQ(d.cn.SequenceStep("x.jpg"), "0003.jpg");
  d.cn.Unity = 1;  // BaseName empty
  EXPECT_EQ(d.cn.SequenceStep("x.jpg"), "0003.jpg");
  d.cn.Unity = -1;  // no selection
  EXPECT_EQ(d.cn.SequenceStep("x.jpg"), "0003.jpg");
  d.cn.SeqAdd = -1;  // anything but 0 puts the number behind
  d.cn.Unity = 0;
  d.cn.FolderNameText = "F";
  EXPECT_EQ(d.cn.SequenceStep("x.jpg"), "F0003.jpg");
}

TEST(CaseStep, Rules) {
  struct {
    int NameCase;
    bool NameInitial;
    int ExtCase;
    bool ExtInitial;
    const char *Name, *Expected;
  } const cases[] = {
      {0, false, 0, false, "Photo.JPG", "photo.jpg"},
      {0, true, 0, false, "PHOTO.JPG", "Photo.jpg"},
      {1, true, 0, false, "photo.JPG", "PHOTO.jpg"},
      {2, false, 1, false, "Photo.jpg", "Photo.JPG"},
      {0, false, 0, true, "a.TXT", "a.Txt"},
      {0, false, 0, true, "README", "readme"},
      {0, false, 0, true, "a.", "a."},           // a lone dot stays
      {0, true, 0, true, "abc.アb", "Abc.アb"},  // double-byte after the dot
      {0, true, 2, false, "アBC.x", "アbc.x"},   // 'ア' is 0x83 0x41: never "A"
      {1, false, 1, false, "アa.ｱb", "アA.ｱB"},  // half-width kana untouched
      {0, false, 2, false, "ソA.x", "ソa.x"},    // ソ ends in 0x5C
      {-1, false, 7, false, "AbC.dE", "AbC.dE"}, // no selection: unchanged
  };
  for (const auto &c : cases) {
    TDefaults d;
    d.cn.NameCase = c.NameCase;
    d.cn.NameInitial = c.NameInitial;
    d.cn.ExtCase = c.ExtCase;
    d.cn.ExtInitial = c.ExtInitial;
    EXPECT_EQ(d.cn.CaseStep(c.Name), c.Expected) << c.Name;
  }
}

TEST(CaseStep, TrailBytesThatLookLikeLetters) {
  TDefaults d;
  d.cn.NameCase = 1;
  // ア (0x83 0x41) and ノ (0x83 0x6D): the second bytes read as 'A' and 'm'.
  const std::string name = "アノ";
  EXPECT_EQ(d.cn.CaseStep(name), name);
  d.cn.NameCase = 0;
  EXPECT_EQ(d.cn.CaseStep(name), name);
}

// The conversions come after the letter case, on the base name; only
// WidthAlnum = 1 reaches the extension.
TEST(CaseStep, WidthAndKanaConversions) {
  struct {
    int NameCase, WidthAlnum, WidthKana, KanaKind;
    bool ComposeMarks;
    std::string Name, Expected;
  } const cases[] = {
      {0, 1, 0, 0, false, "ＩＭＧ＿００１.jpg", "IMG_001.jpg"},
      {2, 0, 1, 0, false, "ﾃｽﾄﾌｧｲﾙ.txt", "テストファイル.txt"},
      {2, 0, 0, 1, false, "しゃしん.png", "シャシン.png"},
      {2, 1, 0, 0, false, "photo.ＪＰＧ", "photo.JPG"},
      {2, 1, 0, 0, false, "ＩＭＧ．ＪＰＧ", "IMG.JPG"},       // no extension: all base
      {2, 2, 0, 0, false, "img 1.jpg", "ｉｍｇ　１.jpg"},      // the extension stays
      {2, 0, 2, 1, false, "しゃしん.ｊｐｇ", "ｼｬｼﾝ.ｊｐｇ"},
      {2, 0, 0, 2, false, "シャシン.ＴＸＴ", "しゃしん.ＴＸＴ"},
      {0, 1, 0, 0, false, "Ｉmg.TXT", "Img.TXT"},              // case first, then width
      {2, 1, 1, 1, true, "a／b：ｃ.txt", "a／b：c.txt"},       // path characters stay
  };
  for (const auto &c : cases) {
    TDefaults d;
    d.cn.NameCase = c.NameCase;
    d.cn.ExtCase = 2;
    d.cn.WidthAlnum = c.WidthAlnum;
    d.cn.WidthKana = c.WidthKana;
    d.cn.KanaKind = c.KanaKind;
    d.cn.ComposeMarks = c.ComposeMarks;
    EXPECT_EQ(d.cn.CaseStep(c.Name), c.Expected) << c.Name;
  }
}

TEST(CaseStep, ComposesTheMarksOfANameFromAnotherSystem) {
  // か and a combining voiced mark (U+3099), which Shift-JIS lacks.
  const std::optional<std::string> decomposed = Utf8ToCp932("\xE3\x81\x8B\xE3\x82\x99.txt");
  ASSERT_TRUE(decomposed.has_value());
  TDefaults d;
  EXPECT_EQ(d.cn.CaseStep(*decomposed), *decomposed);
  d.cn.ComposeMarks = true;
  EXPECT_EQ(d.cn.CaseStep(*decomposed), "が.txt");
}

TEST(DateStep, AddsTheFormattedDate) {
  TDefaults d;
  d.cn.FileDateTime = EncodeDate(2024, 5, 17) + EncodeTime(13, 45, 8, 0);
  d.cn.DateFormat = "yymmdd";
  d.cn.DateBefore = "_";
  EXPECT_EQ(d.cn.DateStep("a.txt"), "a_240517.txt");
  EXPECT_EQ(d.cn.DateStep("README"), "README_240517");
  d.cn.DateAdd = 0;
  d.cn.DateBefore = "";
  d.cn.DateAfter = "-";
  EXPECT_EQ(d.cn.DateStep("a.txt"), "240517-a.txt");
  d.cn.DateFormat = "";
  d.cn.DateAfter = "";
  EXPECT_EQ(d.cn.DateStep("a.txt"), "2024/05/17 13:45:08a.txt");
}

TEST(ExtensionAndFolderSteps, Examples) {
  TDefaults d;
  d.cn.Ext = ".txt";
  EXPECT_EQ(d.cn.ExtensionStep("photo.JPG"), "photo.txt");
  EXPECT_EQ(d.cn.ExtensionStep("README"), "README.txt");
  d.cn.Ext = "";
  EXPECT_EQ(d.cn.ExtensionStep("photo.JPG"), "photo");
  d.cn.Ext = "txt";
  EXPECT_EQ(d.cn.ExtensionStep("photo.JPG"), "phototxt");

  d.cn.FolderNameText = "Trip";
  d.cn.FolderBefore = "[";
  d.cn.FolderAfter = "]";
  EXPECT_EQ(d.cn.FolderStep("a.jpg"), "a[Trip].jpg");
  EXPECT_EQ(d.cn.FolderStep("README"), "README[Trip]");
  d.cn.FolderAdd = 0;
  EXPECT_EQ(d.cn.FolderStep("a.jpg"), "[Trip]a.jpg");
  d.cn.FolderNameText = "";
  EXPECT_EQ(d.cn.FolderStep("a.jpg"), "[]a.jpg");
}

TEST(BuildName, OrderAndSwitches) {
  TDefaults d;
  d.cn.SeqCounter = 7;
  d.cn.Ext = ".txt";
  EXPECT_EQ(d.cn.BuildName("Photo.JPG"), "Photo.JPG");  // nothing enabled

  d.cn.SetStepEnabled(kStepSequence, true);
  d.cn.SetStepEnabled(kStepExtension, true);
  EXPECT_EQ(d.cn.BuildName("Photo.JPG"), "Photo0007.txt");

  // Extension first, then numbering with a numbered extension.
  d.cn.SeqExt = true;
  d.Order({kStepExtension, kStepSequence, kStepReplace, kStepCase, kStepDate, kStepFolder});
  EXPECT_EQ(d.cn.BuildName("Photo.JPG"), "Photo0007.007");
  d.Order({kStepSequence, kStepExtension, kStepReplace, kStepCase, kStepDate, kStepFolder});
  EXPECT_EQ(d.cn.BuildName("Photo.JPG"), "Photo0007.txt");
}

TEST(BuildName, StopsAtTheFirstPositionWithoutAStep) {
  for (const int bad : {6, -1, 100}) {
    TDefaults d;
    d.cn.Ext = ".txt";
    d.cn.SetStepEnabled(kStepCase, true);
    d.cn.SetStepEnabled(kStepExtension, true);
    d.cn.SetStepOrder(0, kStepCase);
    d.cn.SetStepOrder(1, bad);
    d.cn.SetStepOrder(2, kStepExtension);
    EXPECT_EQ(d.cn.BuildName("A.JPG"), "a.jpg") << bad;
  }
  // A fresh object holds step 0 six times, switched off.
  TRenameCn fresh;
  EXPECT_EQ(fresh.BuildName("A.JPG"), "A.JPG");
}

TEST(RenameAccessors, OutOfRangeIndexesAreHarmless) {
  TRenameCn cn;
  cn.SetFromName(4, "x");
  cn.SetFromName(5, "y");
  cn.SetFromName(-1, "y");
  EXPECT_EQ(cn.GetFromName(4), "x");
  EXPECT_EQ(cn.GetFromName(5), "");
  cn.SetNoCase(0, true);
  EXPECT_TRUE(cn.GetNoCase(0));
  EXPECT_FALSE(cn.GetNoCase(-1));
  cn.SetToName(2, "t");
  EXPECT_EQ(cn.GetToName(2), "t");
  EXPECT_EQ(cn.GetToName(9), "");
  cn.SetStepEnabled(3, true);
  cn.SetStepEnabled(6, true);
  EXPECT_TRUE(cn.IsStepEnabled(3));
  EXPECT_FALSE(cn.IsStepEnabled(6));
  EXPECT_FALSE(cn.IsStepEnabled(-1));
  cn.SetStepOrder(6, 1);  // ignored
  cn.SetStepOrder(5, 2);
  EXPECT_EQ(cn.StepOrder[5], 2);
}

}  // namespace
