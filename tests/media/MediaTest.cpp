// The media sources on files the tests make themselves: the shooting time,
// camera and size of photos in every format the sources take, the creation
// time of videos, the tags of music (a Shift_JIS title in a Latin-1 frame
// among them), and that a file costs no more than its header.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "MediaFiles.h"
#include "media/MediaReader.h"
#include "media/ShiftJisLatin1.h"
#include "media/ShotTime.h"

namespace {

std::string U8(const char8_t *text) { return reinterpret_cast<const char *>(text); }

// Every test runs in Japan's time zone, without daylight saving time, so
// local times are fixed.
class TZoneEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    setenv("TZ", "JST-9", 1);
    tzset();
  }
};
const auto *const kZone = ::testing::AddGlobalTestEnvironment(new TZoneEnvironment);

class TMediaFolder : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/korvane-media-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Root_ = pattern;
    Root_ += '/';
  }
  void TearDown() override { std::filesystem::remove_all(Root_); }

  std::string Path(const std::string &name) const { return Root_ + name; }

  std::shared_ptr<const TMediaFacts> Read(const std::string &name,
                                          TMediaNeed need = TMediaNeed::Everything) const {
    return TMediaReader::Default().Read(Path(name), name, need);
  }

  std::string Root_;
};

std::string Clock(const TShotTime &shot) {
  char text[32];
  const DateTimeParts &p = shot.Local;
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.Year, p.Month, p.Day, p.Hour,
                p.Minute, p.Second, p.MilliSecond);
  return text;
}

std::int64_t UtcMs(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return static_cast<std::int64_t>(timegm(&tm)) * 1000;
}

// Bytes this process has read through read() and its kin so far.
std::int64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::int64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return -1;
}

const TExif kShot = {{"Exif.Photo.DateTimeOriginal", "2021:07:15 10:20:30"},
                     {"Exif.Photo.SubSecTimeOriginal", "25"},
                     {"Exif.Image.Make", "Canon"},
                     {"Exif.Image.Model", "Canon EOS R5"}};

// --- Texts of the formats -------------------------------------------------

TEST(ShotTimeTest, ExifDateTexts) {
  struct TCase {
    const char *Text;
    bool Valid;
  } cases[] = {
      {"2021:07:15 10:20:30", true},
      {"2020:02:29 23:59:59", true},   // a leap day
      {"2021:07:15 10:20:30 ", true},  // padded by the camera
      {"2021:02:29 10:00:00", false},  // no such day
      {"0000:00:00 00:00:00", false},  // "no date" in zeros
      {"    :  :     :  :  ", false},  // and in blanks
      {"2021-07-15 10:20:30", false},
      {"2021:07:15 24:00:00", false},
      {"2021:07:15", false},
  };
  for (const TCase &c : cases) EXPECT_EQ(ParseExifDateTime(c.Text).has_value(), c.Valid) << c.Text;
}

TEST(ShotTimeTest, OffsetsAndSubSeconds) {
  EXPECT_EQ(ParseUtcOffset("+09:00"), 540);
  EXPECT_EQ(ParseUtcOffset("-05:30"), -330);
  EXPECT_EQ(ParseUtcOffset("Z"), 0);
  EXPECT_FALSE(ParseUtcOffset("+0900").has_value());
  EXPECT_FALSE(ParseUtcOffset("   :  ").has_value());
  EXPECT_EQ(ParseSubSeconds("5"), 500);
  EXPECT_EQ(ParseSubSeconds("25"), 250);
  EXPECT_EQ(ParseSubSeconds("123456"), 123);
  EXPECT_EQ(ParseSubSeconds("x"), 0);
  EXPECT_EQ(ParseIsoUtc("2021-07-15T10:20:30.000000Z"), UtcMs(2021, 7, 15, 10, 20, 30));
  EXPECT_EQ(ParseIsoUtc("2021-07-15T10:20:30.5Z"), UtcMs(2021, 7, 15, 10, 20, 30) + 500);
  EXPECT_EQ(ParseIsoUtc("2021-07-15T10:20:30+0200"), UtcMs(2021, 7, 15, 8, 20, 30));
  EXPECT_FALSE(ParseIsoUtc("yesterday").has_value());
}

TEST(ShotTimeTest, ClockWithAndWithoutOffset) {
  DateTimeParts clock{2021, 7, 15, 10, 20, 30, 250};
  // With its offset the instant is exact; the clock time stays the camera's.
  const std::optional<TShotTime> paris = ShotTimeFromClock(clock, 120);
  ASSERT_TRUE(paris);
  EXPECT_EQ(paris->Instant, UtcMs(2021, 7, 15, 8, 20, 30) + 250);
  EXPECT_EQ(Clock(*paris), "2021-07-15 10:20:30.250");
  // Without, the clock time is this machine's local time (JST).
  const std::optional<TShotTime> home = ShotTimeFromClock(clock, std::nullopt);
  ASSERT_TRUE(home);
  EXPECT_EQ(home->Instant, UtcMs(2021, 7, 15, 1, 20, 30) + 250);
  // An instant in UTC is shown in local time.
  const std::optional<TShotTime> video = ShotTimeFromUtc(UtcMs(2021, 7, 15, 1, 20, 30));
  ASSERT_TRUE(video);
  EXPECT_EQ(Clock(*video), "2021-07-15 10:20:30.000");
  const std::optional<DosDateTime> packed = ShotDosDateTime(*paris);
  ASSERT_TRUE(packed);
  EXPECT_EQ(UnpackDosDateTime(*packed), (DateTimeParts{2021, 7, 15, 17, 20, 30, 0}));
}

// Both ways: Shift_JIS that claims Latin-1 is read as Shift_JIS; Latin-1
// text stays Latin-1 even where its bytes happen to be valid Shift_JIS.
TEST(ShiftJisLatin1Test, ReadsShiftJisOnlyWhereLatin1CannotBeMeant) {
  struct TCase {
    std::string Bytes;
    std::optional<std::string> Utf8;
  } cases[] = {
      {"\x83\x5E\x83\x43\x83\x67\x83\x8B", U8(u8"タイトル")},
      {"\x88\xA4", U8(u8"愛")},
      {"01 \x82\xA0\x82\xA2", U8(u8"01 あい")},
      {"Cr\xE8me", std::nullopt},           // valid Shift_JIS, but Latin-1 text
      {"Caf\xE9", std::nullopt},            // a lead byte with nothing after it
      {"Plain ASCII", std::nullopt},
      {"\xC4\xD6\xDC", std::nullopt},       // half-width kana alone: "ÄÖÜ"
      {"\xF0\x40\x81\x40", std::nullopt},   // the user-defined area
      {"\x83\x5E\x0A", U8(u8"タ\n")},
  };
  for (const TCase &c : cases) EXPECT_EQ(ShiftJisInLatin1(c.Bytes), c.Utf8) << c.Bytes;
}

// --- Photos ---------------------------------------------------------------

TEST_F(TMediaFolder, PhotoFormatsGiveTheirShootingTime) {
  MakeJpeg(Path("a.jpg"), kShot);
  MakeTiff(Path("b.tif"), kShot);
  MakePngWithExifChunk(Path("c.png"), kShot);
  MakeWebp(Path("d.webp"), kShot);
  MakeHeif(Path("e.heic"), kShot, false);
  MakeHeif(Path("f.avif"), kShot, true);
  // Raw formats are TIFF inside; the extension alone chooses the reader.
  MakeTiff(Path("g.DNG"), kShot);
  for (const char *name : {"a.jpg", "b.tif", "c.png", "d.webp", "e.heic", "f.avif", "g.DNG"}) {
    SCOPED_TRACE(name);
    const auto facts = Read(name, TMediaNeed::Taken);
    ASSERT_TRUE(facts);
    ASSERT_TRUE(facts->Taken);
    EXPECT_EQ(Clock(*facts->Taken), "2021-07-15 10:20:30.250");
    EXPECT_EQ(facts->Camera, "Canon EOS R5");
  }
  // CR3 is read through Exiv2's reader of ISO media files.
  MakeCr3(Path("h.CR3"), "Canon", "Canon EOS R5", "2021:07:15 10:20:30");
  const auto cr3 = Read("h.CR3", TMediaNeed::Taken);
  ASSERT_TRUE(cr3 && cr3->Taken);
  EXPECT_EQ(Clock(*cr3->Taken), "2021-07-15 10:20:30.000");
  EXPECT_EQ(cr3->Camera, "Canon EOS R5");
  EXPECT_EQ(Read("e.heic")->Width, 64);
  EXPECT_EQ(Read("e.heic")->Height, 48);
  EXPECT_EQ(Read("a.jpg")->Width, 1);
}

TEST_F(TMediaFolder, DigitizedTimeWhenTheOriginalIsMissing) {
  MakeJpeg(Path("digitized.jpg"), {{"Exif.Photo.DateTimeDigitized", "2019:01:02 03:04:05"},
                                   {"Exif.Photo.OffsetTimeDigitized", "+01:00"},
                                   {"Exif.Image.Make", "SONY"},
                                   {"Exif.Image.Model", "ILCE-7M3"}});
  const auto facts = Read("digitized.jpg");
  ASSERT_TRUE(facts && facts->Taken);
  EXPECT_EQ(Clock(*facts->Taken), "2019-01-02 03:04:05.000");
  EXPECT_EQ(facts->Taken->Instant, UtcMs(2019, 1, 2, 2, 4, 5));
  EXPECT_EQ(facts->Camera, "SONY ILCE-7M3");
}

TEST_F(TMediaFolder, FilesWithoutADateOrUnreadable) {
  MakeJpeg(Path("plain.jpg"), {});
  MakeJpeg(Path("zeros.jpg"), {{"Exif.Photo.DateTimeOriginal", "0000:00:00 00:00:00"}});
  WriteBytes(Path("broken.jpg"), "not a picture at all");
  WriteBytes(Path("broken.heic"), "nor this");
  WriteBytes(Path("notes.txt"), "text");
  mkdir(Path("folder.jpg").c_str(), 0755);
  ASSERT_EQ(symlink("plain.jpg", Path("link.jpg").c_str()), 0);

  const auto plain = Read("plain.jpg");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->Taken);
  ASSERT_TRUE(Read("zeros.jpg"));
  EXPECT_FALSE(Read("zeros.jpg")->Taken);
  // Nothing read: the run falls back to the modification time.
  EXPECT_FALSE(Read("broken.jpg"));
  EXPECT_FALSE(Read("broken.heic"));
  EXPECT_FALSE(Read("notes.txt"));
  EXPECT_FALSE(Read("folder.jpg"));
  // A link is never read through.
  EXPECT_FALSE(Read("link.jpg"));
}

TEST_F(TMediaFolder, ReadsNoMoreThanTheHeader) {
  MakeJpeg(Path("long.jpg"), kShot, 16 << 20);
  MakeMovie(Path("long.mp4"), "isom", MovieTime(2021, 7, 15, 1, 20, 30), false, 16 << 20, true);
  for (const char *name : {"long.jpg", "long.mp4"}) {
    SCOPED_TRACE(name);
    const std::int64_t before = BytesRead();
    const auto facts = Read(name);
    const std::int64_t read = BytesRead() - before;
    ASSERT_TRUE(facts && facts->Taken);
    EXPECT_LT(read, 1 << 20);
  }
}

// --- Videos ---------------------------------------------------------------

TEST_F(TMediaFolder, MovieHeadersGiveTheRecordingTimeInLocalTime) {
  const std::uint64_t at = MovieTime(2021, 7, 15, 1, 20, 30);
  MakeMovie(Path("a.mp4"), "isom", at, false, 1000, false);
  MakeMovie(Path("b.MOV"), "qt  ", at, true, 1000, false);
  MakeMovie(Path("c.3gp"), "3gp4", at, false, 100000, true);
  for (const char *name : {"a.mp4", "b.MOV", "c.3gp"}) {
    SCOPED_TRACE(name);
    const auto facts = Read(name, TMediaNeed::Taken);
    ASSERT_TRUE(facts && facts->Taken);
    EXPECT_EQ(Clock(*facts->Taken), "2021-07-15 10:20:30.000");
    EXPECT_EQ(facts->Taken->Instant, UtcMs(2021, 7, 15, 1, 20, 30));
  }
  // A header whose time was never set (0) has none.
  MakeMovie(Path("unset.mp4"), "isom", 0, false, 100, false);
  ASSERT_TRUE(Read("unset.mp4"));
  EXPECT_FALSE(Read("unset.mp4")->Taken);
  WriteBytes(Path("broken.mov"), "garbage garbage garbage");
  EXPECT_FALSE(Read("broken.mov") && Read("broken.mov")->Taken);
}

// --- Music ----------------------------------------------------------------

TEST_F(TMediaFolder, MusicTagsOfEachFormat) {
  TTags tags;
  tags.Title = U8(u8"タイトル");
  tags.Artist = U8(u8"歌手");
  tags.Album = U8(u8"アルバム");
  tags.AlbumArtist = U8(u8"いろいろ");
  tags.Genre = "Pop";
  tags.Track = 3;
  tags.TrackCount = 12;
  tags.Disc = 2;
  tags.Year = 2020;
  MakeMp3(Path("a.mp3"), tags);
  MakeFlac(Path("b.flac"), tags);
  MakeM4a(Path("c.m4a"), tags);
  for (const char *name : {"a.mp3", "b.flac", "c.m4a"}) {
    SCOPED_TRACE(name);
    const auto facts = Read(name);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->Title, tags.Title);
    EXPECT_EQ(facts->Artist, tags.Artist);
    EXPECT_EQ(facts->Album, tags.Album);
    EXPECT_EQ(facts->AlbumArtist, tags.AlbumArtist);
    EXPECT_EQ(facts->Genre, "Pop");
    EXPECT_EQ(facts->Track, 3);
    EXPECT_EQ(facts->Disc, 2);
    EXPECT_EQ(facts->Year, 2020);
    EXPECT_FALSE(facts->Taken);
  }
  // Music has no shooting time: a run that needs only that passes it over.
  EXPECT_FALSE(Read("a.mp3", TMediaNeed::Taken));
}

TEST_F(TMediaFolder, Id3Latin1FramesHoldingShiftJis) {
  TTags sjis;
  sjis.Latin1Title = "\x83\x5E\x83\x43\x83\x67\x83\x8B";  // タイトル
  sjis.Track = 1;
  MakeMp3(Path("sjis.mp3"), sjis);
  TTags latin1;
  latin1.Latin1Title = "Cr\xE8me br\xFBl\xE9\x65";  // Crème brûlée
  MakeMp3(Path("latin1.mp3"), latin1);
  ASSERT_TRUE(Read("sjis.mp3"));
  EXPECT_EQ(Read("sjis.mp3")->Title, U8(u8"タイトル"));
  ASSERT_TRUE(Read("latin1.mp3"));
  EXPECT_EQ(Read("latin1.mp3")->Title, U8(u8"Cr\u00E8me br\u00FBl\u00E9e"));
}

}  // namespace
