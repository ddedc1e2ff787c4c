// Runs that read what the files say of themselves, on photos and music the
// test makes: numbering by shooting time, the shooting time added to the
// names and set as the modification time (and taken back), names made of
// the tags, with what the plan notes and the log says where a file lacks
// what the job needs.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "DriverFixture.h"
#include "MediaFiles.h"
#include "TreeListing.h"
#include "platform/Cp932.h"
#include "run/RunPlan.h"
#include "run/RunUndo.h"

namespace {

using Strings = std::vector<std::string>;

std::string U8(const char8_t *text) { return reinterpret_cast<const char *>(text); }

class TCollector : public TPlanSink {
public:
  void AddPlanMarker(std::string_view) override {}
  void AddPlanRecord(const TPlanRecord &record) override { Lines.push_back(PlanLineOf(record)); }
  Strings Lines;
};

class MediaRunTest : public TDriverFixture {
public:
  MediaRunTest() {
    setenv("TZ", "JST-9", 1);
    tzset();
  }

  // A photo taken at the given day (10:20:30) and copied off the card on
  // 2024-03-01.
  void Photo(const std::string &name, int day) {
    char taken[32];
    std::snprintf(taken, sizeof taken, "2021:07:%02d 10:20:30", day);
    MakeJpeg(Tree.Native(name).string(), {{"Exif.Photo.DateTimeOriginal", taken}});
    Tree.SetTime(name, 2024, 3, 1, 13, 40, 0);
  }

  Strings Names() {
    Strings names;
    for (const auto &entry : std::filesystem::directory_iterator(Tree.Native()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  Strings Plan(RunMode mode) {
    ApplyJobToOperations(Job(), Rename, Copy, Delete, Change);
    TCollector collector;
    EXPECT_EQ(Driver.PlanRun(mode, collector), TRunOutcome::Finished);
    return collector.Lines;
  }

  std::string Line(const std::string &found) {
    for (const std::string &line : Host.Log)
      if (line.find(found) != std::string::npos) return line;
    return {};
  }
};

// The card's photos carry the day they were copied; numbered by shooting
// time, oldest first, and dated by it.  A photo without EXIF takes its place
// and date from its modification time, which the plan notes.
TEST_F(MediaRunTest, NumberedAndDatedByShootingTime) {
  Photo("IMG_0001.JPG", 20);
  Photo("IMG_0002.JPG", 15);
  Photo("IMG_0003.JPG", 18);
  MakeJpeg(Tree.Native("IMG_0004.JPG").string(), {});
  Tree.SetTime("IMG_0004.JPG", 2021, 7, 16, 8, 0, 0);
  Job().Rename.SeqSort = 8;
  Job().Rename.IfUnity = true;
  Job().Rename.Unity = 1;
  Job().Rename.BaseName = "photo_";
  Job().Rename.DateSource = 1;
  Job().Rename.DateFormat = "yyyymmdd";
  Job().Rename.DateBefore = "_";
  EnableSteps({kStepSequence, kStepDate});

  const Strings plan = Plan(RunMode::Rename);
  ASSERT_EQ(plan.size(), 4u);
  std::size_t notes = 0;
  for (const std::string &line : plan) {
    if (line.find("IMG_0004") != std::string::npos) {
      EXPECT_NE(line.find("結果: 予定; 処理ファイル: "), std::string::npos) << line;
    }
    if (line.ends_with(" 理由: 撮影日時がないため更新日時;")) ++notes;
  }
  EXPECT_EQ(notes, 1u);

  ASSERT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
  EXPECT_EQ(Names(), (Strings{"photo_0001_20210715.JPG", "photo_0002_20210716.JPG",
                              "photo_0003_20210718.JPG", "photo_0004_20210720.JPG"}));
  // The run says nothing of the fallback.
  for (const std::string &line : Host.Log) EXPECT_EQ(line.find("理由"), std::string::npos) << line;
}

// By modification time (the plain date order) the same photos keep the
// order they were copied in: the shooting orders are what tells them apart.
class DateOrderTest : public MediaRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(DateOrderTest, FollowsTheShootingTimeOnlyWhenItIsTheDateSource) {
  Photo("a.jpg", 20);
  Photo("b.jpg", 15);
  Tree.SetTime("a.jpg", 2024, 3, 1, 13, 40, 0);
  Tree.SetTime("b.jpg", 2024, 3, 1, 13, 40, 2);
  Job().Rename.SeqSort = 2;
  Job().Rename.DateSource = GetParam();
  Job().Rename.IfUnity = true;
  Job().Rename.Unity = 1;
  Job().Rename.BaseName = "p";
  EnableSteps({kStepSequence});
  ASSERT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  const char *first = GetParam() == 0 ? "a.jpg; " : "b.jpg; ";
  EXPECT_NE(Line(first).find("p0001.jpg"), std::string::npos) << Line(first);
}

INSTANTIATE_TEST_SUITE_P(BothSources, DateOrderTest, ::testing::Values(0, 1));

TEST_F(MediaRunTest, ModificationTimesSetToTheShootingTimeAndTakenBack) {
  Photo("a.jpg", 15);
  Photo("b.jpg", 16);
  MakeJpeg(Tree.Native("c.jpg").string(), {});
  Tree.SetTime("c.jpg", 2024, 3, 1, 13, 40, 0);
  Job().Change.IfUpDate = true;
  Job().Change.UpDateShot = true;  // no date typed: none is needed
  const Strings before = TreeListing(Tree.Native());

  const Strings plan = Plan(RunMode::Change);
  ASSERT_EQ(plan.size(), 3u);
  ASSERT_EQ(Run(RunMode::Change), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().FailedRecords, 1u);
  const std::string failed = Line("c.jpg");
  EXPECT_NE(failed.find("結果: 失敗"), std::string::npos);
  EXPECT_TRUE(failed.ends_with(" 理由: 撮影日時がありません;")) << failed;
  // The plan said as much.
  for (const std::string &line : plan) {
    if (line.find("c.jpg") != std::string::npos) {
      EXPECT_EQ(line, failed);
    }
  }

  struct stat st {};
  ASSERT_EQ(stat(Tree.Native("a.jpg").c_str(), &st), 0);
  std::tm local{};
  localtime_r(&st.st_mtime, &local);
  EXPECT_EQ(local.tm_mday, 15);
  EXPECT_EQ(local.tm_hour, 10);
  EXPECT_EQ(local.tm_min, 20);

  TUndoStats stats;
  EXPECT_EQ(Driver.UndoRun(Host.Log, TUndoOptions{}, stats), TRunOutcome::Finished);
  EXPECT_EQ(stats.Reversed, 2u);
  EXPECT_EQ(TreeListing(Tree.Native()), before);
}

TEST_F(MediaRunTest, NamesMadeOfTheTags) {
  TTags one;
  one.Title = U8(u8"タイトル");
  one.Track = 1;
  MakeMp3(Tree.Native("x.mp3").string(), one);
  TTags two;
  two.Latin1Title = "\x83\x5E\x83\x43\x83\x67\x83\x8B\x32";  // "タイトル2" in a Latin-1 frame
  two.Track = 2;
  TTags song;
  song.Title = U8(u8"曲");
  song.Track = 2;
  MakeFlac(Tree.Native("y.flac").string(), song);
  MakeMp3(Tree.Native("z.mp3").string(), two);
  TTags untitled;
  untitled.Track = 4;
  MakeM4a(Tree.Native("w.m4a").string(), untitled);
  Job().Rename.IfUnity = true;
  Job().Rename.Unity = 2;
  Job().Rename.Template = "{track:2} {title}";
  EnableSteps({kStepSequence});

  ASSERT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_EQ(Names(), (Strings{U8(u8"01 タイトル.mp3"), U8(u8"02 タイトル2.mp3"), U8(u8"02 曲.flac"),
                              "w.m4a"}));
  const std::string failed = Line("w.m4a");
  EXPECT_TRUE(failed.ends_with(" 理由: ファイルに{title}がありません;")) << failed;
}

TEST_F(MediaRunTest, AMalformedTemplateRefusesTheJobBeforeAnyTarget) {
  TTags tags;
  tags.Title = "t";
  tags.Track = 1;
  MakeMp3(Tree.Native("x.mp3").string(), tags);
  Job().Rename.IfUnity = true;
  Job().Rename.Unity = 2;
  Job().Rename.Template = "{track:2} {titel}";
  EnableSteps({kStepSequence});
  EXPECT_EQ(Run(RunMode::Rename), TRunOutcome::Refused);
  EXPECT_EQ(Host.Status, "ファイル情報の書式が正しくありません: {titel}");
  EXPECT_TRUE(Host.Log.empty());
  EXPECT_EQ(Names(), (Strings{"x.mp3"}));
}

}  // namespace
