// Names made of a file's information, the shooting time as the date
// step's source, and modification times set to the shooting time.  The
// facts are handed in as a metadata source would give them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "TempTree.h"
#include "ops/FileInfoTemplate.h"
#include "ops/Prediction.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"

namespace {

std::string U8(const char8_t *text) { return reinterpret_cast<const char *>(text); }
std::string Sjis(const char8_t *text) { return *Utf8ToCp932(U8(text)); }

TEST(FileInfoTemplate, WellFormedAndMalformed) {
  struct TCase {
    const char *Text;
    const char *Error;  // "" when well formed
    std::size_t Parts;
  } cases[] = {
      {"{track:2} {title}", "", 3},
      {"{taken}_{n:3}", "", 3},
      {"{albumartist} - {album} {disc}-{track:02}", "", 7},
      {"{{n}} {n}", "", 2},          // "{n} " literal, then the number
      {"\x83\x7B{n}", "", 2},        // ボ: its second byte is '{'
      {"{titel}", "{titel}", 0},
      {"{title:2}", "{title:2}", 0},  // only numbers are padded
      {"{n:x}", "{n:x}", 0},
      {"{n:256}", "{n:256}", 0},
      {"{track", "{track", 0},
      {"{track {title}", "{track ", 0},
      {"a}b", "}", 0},
      {"", "{}", 0},
  };
  for (const TCase &c : cases) {
    const TParsedTemplate parsed = ParseFileInfoTemplate(c.Text);
    EXPECT_EQ(parsed.Error, c.Error) << c.Text;
    if (parsed.Error.empty()) {
      EXPECT_EQ(parsed.Parts.size(), c.Parts) << c.Text;
    }
  }
}

// The numbering step of a run that names its targets by their information.
struct TInfoRename {
  TInfoRename() {
    cn.SeqCounter = 1;
    cn.SeqDeg = 4;
    cn.SeqName = true;
    cn.SeqAdd = 1;
    cn.IfUnity = true;
    cn.Unity = 2;
    cn.DateFormat = "yyyymmdd";
    for (int p = 0; p < kRenameStepCount; ++p) cn.SetStepOrder(p, p);
    cn.SetStepEnabled(kStepSequence, true);
  }
  TRenameCn cn;
};

TMediaFacts Song() {
  TMediaFacts facts;
  facts.Title = U8(u8"タイトル");
  facts.Artist = "AC/DC";
  facts.Track = 1;
  facts.Disc = 2;
  facts.Year = 1980;
  return facts;
}

TMediaFacts Photo() {
  TMediaFacts facts;
  facts.Taken = TShotTime{DateTimeParts{2021, 7, 15, 10, 20, 30, 0}, 0};
  facts.Camera = "Canon EOS R5";
  facts.Width = 6000;
  facts.Height = 4000;
  return facts;
}

TEST(FileInfoName, FieldsNumbersAndCharactersNamesCannotHold) {
  struct TCase {
    const char *Template;
    TMediaFacts Facts;
    const char *Name;
    std::string Expected;
  } cases[] = {
      {"{track:2} {title}", Song(), "a.mp3", Sjis(u8"01 タイトル.mp3")},
      {"{artist} {disc}-{track:3}", Song(), "a.mp3", "AC_DC 2-001.mp3"},  // '/' cannot be in a name
      {"{taken}_{n:3}", Photo(), "IMG_0001.JPG", "20210715_001.JPG"},
      {"{camera} {width}x{height} {n}", Photo(), "p.jpg", "Canon EOS R5 6000x4000 (0001).jpg"},
      {"{year}", Song(), "a.flac", "1980.flac"},  // no {n}: no number
  };
  for (TCase &c : cases) {
    TInfoRename r;
    r.cn.Template = c.Template;
    r.cn.SeqBefore = "(";
    r.cn.SeqAfter = ")";
    if (std::string(c.Template).find("{n:") != std::string::npos) r.cn.SeqBefore = r.cn.SeqAfter = "";
    ASSERT_EQ(r.cn.BuildTargetName(c.Name, 0, &c.Facts), TRenameCn::TNameBuilt::Built) << c.Template;
    EXPECT_EQ(r.cn.ResultName, c.Expected) << c.Template;
  }
}

TEST(FileInfoName, AFieldTheFileLacksFailsTheTargetNamingIt) {
  TInfoRename r;
  r.cn.Template = "{track:2} {title} {album}";
  const TMediaFacts song = Song();  // no album
  EXPECT_EQ(r.cn.BuildTargetName("a.mp3", 0, &song), TRenameCn::TNameBuilt::FieldMissing);
  EXPECT_EQ(r.cn.MissingField, "{album}");
  EXPECT_EQ(r.cn.ResultName, "a.mp3");
  // A file that could not be read lacks every field: the first is named.
  EXPECT_EQ(r.cn.BuildTargetName("b.mp3", 0, nullptr), TRenameCn::TNameBuilt::FieldMissing);
  EXPECT_EQ(r.cn.MissingField, "{track}");
  // The plan says the same.
  const TPrediction p = PredictRenameName(r.cn, "a.mp3", 0, &song);
  EXPECT_FALSE(p.Ok);
  EXPECT_EQ(p.Failure.Reason, TFailReason::FieldMissing);
  EXPECT_EQ(p.Failure.Field, "{album}");
}

TEST(FileInfoName, ThePreviewShowsTheFieldNames) {
  TInfoRename r;
  r.cn.Template = "{track:2} {title}_{n:3}";
  r.cn.SeqCounter = 7;
  EXPECT_EQ(r.cn.SequenceStep("sample.smp"), "{track} {title}_007.smp");
  EXPECT_EQ(r.cn.BuildName("sample.smp"), "{track} {title}_007.smp");
}

TEST(FileInfoName, AMalformedTemplateRefusesTheRunOnlyWhenItIsUsed) {
  TInfoRename r;
  r.cn.Template = "{titel}";
  ASSERT_TRUE(r.cn.CheckTemplate());
  EXPECT_EQ(*r.cn.CheckTemplate(), "ファイル情報の書式が正しくありません: {titel}");
  r.cn.Template.clear();
  EXPECT_EQ(*r.cn.CheckTemplate(), "ファイル情報の書式が空です");
  r.cn.Unity = 1;
  EXPECT_FALSE(r.cn.CheckTemplate());
  r.cn.Unity = 2;
  r.cn.SetStepEnabled(kStepSequence, false);
  EXPECT_FALSE(r.cn.CheckTemplate());
}

TEST(DateSource, TheDateStepAddsTheShootingTimeWhenAsked) {
  TRenameCn cn;
  for (int p = 0; p < kRenameStepCount; ++p) cn.SetStepOrder(p, p);
  cn.SetStepEnabled(kStepDate, true);
  cn.DateFormat = "yyyymmdd_hhnnss";
  cn.DateBefore = "_";
  cn.DateAdd = 1;
  const DosDateTime copied = *PackDosDateTime(DateTimeParts{2024, 3, 1, 13, 40, 0, 0});
  const TMediaFacts photo = Photo();
  cn.BuildTargetName("IMG_0001.JPG", copied, &photo);
  EXPECT_EQ(cn.ResultName, "IMG_0001_20240301_134000.JPG");  // the modification time by default
  cn.DateSource = 1;
  cn.BuildTargetName("IMG_0001.JPG", copied, &photo);
  EXPECT_EQ(cn.ResultName, "IMG_0001_20210715_102030.JPG");
  // Without a shooting time, the modification time.
  cn.BuildTargetName("IMG_0002.JPG", copied, nullptr);
  EXPECT_EQ(cn.ResultName, "IMG_0002_20240301_134000.JPG");
  TMediaFacts none;
  cn.BuildTargetName("IMG_0003.JPG", copied, &none);
  EXPECT_EQ(cn.ResultName, "IMG_0003_20240301_134000.JPG");
}

TEST(UpDateShot, TheModificationTimeBecomesTheShootingTime) {
  setenv("TZ", "JST-9", 1);
  tzset();
  TTempTree tree("shot.jpg plain.jpg");
  const DosDateTime copied = *PackDosDateTime(DateTimeParts{2024, 3, 1, 13, 40, 0, 0});
  TTempTree::SetTime(tree / "shot.jpg", copied);
  TTempTree::SetTime(tree / "plain.jpg", copied);
  TChangeCn cn;
  cn.IfUpDate = true;
  cn.UpDateShot = true;
  cn.UpDateValue = static_cast<std::int32_t>(copied);  // the typed date is not used
  TMediaFacts photo;
  std::tm tm{};
  tm.tm_year = 121;
  tm.tm_mon = 6;
  tm.tm_mday = 15;
  tm.tm_hour = 1;
  tm.tm_min = 20;
  tm.tm_sec = 30;
  photo.Taken = TShotTime{{}, static_cast<std::int64_t>(timegm(&tm)) * 1000};
  const DosDateTime shot = *PackDosDateTime(DateTimeParts{2021, 7, 15, 10, 20, 30, 0});

  TChangeSubject subject;
  subject.Exists = true;
  subject.Times = FileTimes{};
  subject.Times->LastWrite = subject.Times->Creation = subject.Times->LastAccess =
      *DosDateTimeToFileTime(copied);
  subject.Media = &photo;
  EXPECT_TRUE(PredictChange(cn, subject).Ok);
  EXPECT_EQ(cn.UpDateDone, static_cast<std::int32_t>(shot));

  EXPECT_TRUE(cn.ChangeTarget(tree / "shot.jpg", &photo));
  EXPECT_EQ(TTempTree::Time(tree / "shot.jpg"), shot);
  EXPECT_EQ(cn.UpDateDone, static_cast<std::int32_t>(shot));
  EXPECT_EQ(cn.UpDateOld, static_cast<std::int32_t>(copied));

  subject.Media = nullptr;
  EXPECT_EQ(PredictChange(cn, subject).Failure.Reason, TFailReason::NoShotTime);
  EXPECT_FALSE(cn.ChangeTarget(tree / "plain.jpg", nullptr));
  EXPECT_TRUE(cn.NoShotTime);
  EXPECT_EQ(TTempTree::Time(tree / "plain.jpg"), copied);
  EXPECT_EQ(cn.UpDateDone, 0);
}

}  // namespace
