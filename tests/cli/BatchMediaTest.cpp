// korvane-batch on photos and music the test makes: a card's 200 photos
// numbered and dated by when they were taken and re-dated to it, each step
// taken back; a folder of music named by its tags; and the manual's
// example for a card.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "BatchProcess.h"
#include "MediaFiles.h"

namespace {

class BatchMediaTest : public BatchTest {
protected:
  // 200 photos taken in July 2021, one every 7 minutes from the 15th 08:00
  // on, named against that order (IMG_0001 was taken last), all copied off
  // the card on 2024-03-01 13:40.
  void Card() {
    std::filesystem::create_directories(P("card"));
    for (int i = 0; i < kPhotos; ++i) {
      const int minutes = (kPhotos - 1 - i) * 7;
      char taken[32], name[32];
      std::snprintf(taken, sizeof taken, "2021:07:%02d %02d:%02d:00", 15 + (8 * 60 + minutes) / 1440,
                    (8 * 60 + minutes) / 60 % 24, minutes % 60);
      std::snprintf(name, sizeof name, "card/IMG_%04d.JPG", i + 1);
      MakeJpeg(P(name), {{"Exif.Photo.DateTimeOriginal", taken}});
      Tree.SetTime(name, 2024, 3, 1, 13, 40, 0);
    }
  }

  Strings Names(const std::string &folder) {
    Strings names;
    for (const auto &entry : std::filesystem::directory_iterator(P(folder)))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::tm LocalMTime(const std::string &path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    std::tm local{};
    localtime_r(&st.st_mtime, &local);
    return local;
  }

  static constexpr int kPhotos = 200;
};

TEST_F(BatchMediaTest, ACardsPhotosNumberedDatedAndReDatedByWhenTheyWereTaken) {
  Card();
  const Strings before = Names("card");
  // Numbered by shooting time, oldest first: IMG_0200 was taken first.
  TResult numbered = RunBatch({"--folder", P("card"), "--log", P("numbered.log"),
                               "--set", U8(u8"Rename.OrderItems0=連番"), "--set", U8(u8"Rename.OrderItems1=文字列置換"),
                               "--set", "Rename.OrderChecked0=1", "--set", "Rename.SeqSort=8", "--set", "Rename.IfUnity=1",
                               "--set", "Rename.Unity=1", "--set", "Rename.BaseName=photo_",
                               "--set", "Rename.Copy=0", "rename"});
  ASSERT_EQ(numbered.Exit, 0) << numbered.Err << numbered.Out.substr(0, 2000);
  EXPECT_NE(numbered.Out.find("IMG_0200.JPG; " + U8(u8"リネーム先ファイル: ") + P("card/photo_0001.JPG")),
            std::string::npos);
  EXPECT_NE(numbered.Out.find("IMG_0001.JPG; " + U8(u8"リネーム先ファイル: ") + P("card/photo_0200.JPG")),
            std::string::npos);

  // The date step writes the shooting date, not the day of the copy.
  TResult dated = RunBatch({"--folder", P("card"), "--log", P("dated.log"),
                            "--set", U8(u8"Rename.OrderItems0=更新日付付加"), "--set", U8(u8"Rename.OrderItems3=文字列置換"),
                            "--set", "Rename.OrderChecked0=1",
                            "--set", "Rename.DateSource=1", "--set", "Rename.DateFormat=yyyymmdd_hhnn",
                            "--set", "Rename.DateBefore=_", "--set", "Rename.Copy=0", "rename"});
  ASSERT_EQ(dated.Exit, 0) << dated.Err;
  EXPECT_TRUE(std::filesystem::exists(P("card/photo_0001_20210715_0800.JPG")));
  EXPECT_TRUE(std::filesystem::exists(P("card/photo_0200_20210716_0713.JPG")));
  EXPECT_EQ(dated.Out.find("20240301"), std::string::npos);

  // Each file's modification time becomes its shooting time.
  TResult redated = RunBatch({"--folder", P("card"), "--log", P("redated.log"),
                              "--set", "Change.IfUpDate=1", "--set", "Change.UpDateShot=1", "change"});
  ASSERT_EQ(redated.Exit, 0) << redated.Err;
  const std::tm first = LocalMTime(P("card/photo_0001_20210715_0800.JPG"));
  EXPECT_EQ(first.tm_year + 1900, 2021);
  EXPECT_EQ(first.tm_mon + 1, 7);
  EXPECT_EQ(first.tm_mday, 15);
  EXPECT_EQ(first.tm_hour, 8);
  EXPECT_EQ(first.tm_min, 0);

  // And undo takes each back, the last first.
  for (const char *log : {"redated.log", "dated.log", "numbered.log"}) {
    TResult undone = RunBatch({"undo", P(log)});
    ASSERT_EQ(undone.Exit, 0) << log << ": " << undone.Err;
  }
  EXPECT_EQ(Names("card"), before);
  const std::tm back = LocalMTime(P("card/IMG_0001.JPG"));
  EXPECT_EQ(back.tm_year + 1900, 2024);
  EXPECT_EQ(back.tm_hour, 13);
}

TEST_F(BatchMediaTest, MusicNamedByItsTags) {
  std::filesystem::create_directories(P("music"));
  TTags one;
  one.Title = U8(u8"タイトル");
  one.Track = 1;
  MakeMp3(P("music/track1.mp3"), one);
  TTags two;
  two.Title = U8(u8"二曲目");
  two.Track = 2;
  MakeFlac(P("music/b.flac"), two);
  TTags three;
  three.Title = U8(u8"三曲目");
  three.Track = 3;
  MakeM4a(P("music/c.m4a"), three);
  TTags four;
  four.Latin1Title = "\x83\x5E\x83\x43\x83\x67\x83\x8B\x34";  // タイトル4, Shift_JIS in a Latin-1 frame
  four.Track = 4;
  MakeMp3(P("music/d.mp3"), four);
  TResult result = RunBatch({"--folder", P("music"), "--set", U8(u8"Rename.OrderItems0=連番"),
                             "--set", U8(u8"Rename.OrderItems1=文字列置換"), "--set", "Rename.OrderChecked0=1", "--set", "Rename.IfUnity=1",
                             "--set", "Rename.Unity=2", "--set", "Rename.Template={track:2} {title}",
                             "--set", "Rename.Copy=0", "rename"});
  ASSERT_EQ(result.Exit, 0) << result.Err << result.Out;
  EXPECT_EQ(Names("music"), (Strings{U8(u8"01 タイトル.mp3"), U8(u8"02 二曲目.flac"),
                                     U8(u8"03 三曲目.m4a"), U8(u8"04 タイトル4.mp3")}));
}

TEST_F(BatchMediaTest, TheManualsCardExample) {
  std::filesystem::create_directories(P("card"));
  MakeJpeg(P("card/IMG_0002.JPG"), {{"Exif.Photo.DateTimeOriginal", "2021:07:15 09:00:00"}});
  MakeJpeg(P("card/IMG_0001.JPG"), {{"Exif.Photo.DateTimeOriginal", "2021:07:15 10:00:00"}});
  MakeJpeg(P("card/IMG_0003.JPG"), {{"Exif.Photo.DateTimeOriginal", "2021:07:16 07:30:00"}});
  // The manual's last example, its folder the test's.
  std::ifstream in(KORVANE_MANUAL_PAGE);
  std::string block, line;
  Strings blocks;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line == ".EX") {
      inside = true;
      block.clear();
    } else if (line == ".EE") {
      inside = false;
      blocks.push_back(block);
    } else if (inside) {
      block += line + "\n";
    }
  }
  ASSERT_FALSE(blocks.empty());
  std::string text = blocks.back();
  Strings words;
  std::string word;
  bool quoted = false, any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "\\e\n") == 0) {
      i += 2;
      continue;
    }
    if (text.compare(i, 2, "\\-") == 0) {
      word += '-';
      ++i;
      any = true;
    } else if (text.compare(i, 4, "\\(aq") == 0) {
      quoted = !quoted;
      i += 3;
      any = true;
    } else if (!quoted && (text[i] == ' ' || text[i] == '\n')) {
      if (any) words.push_back(word == "~/card" ? P("card") : word);
      word.clear();
      any = false;
    } else {
      word += text[i];
      any = true;
    }
  }
  ASSERT_EQ(words.at(0), "korvane-batch");
  words.erase(words.begin());
  TResult result = RunBatch(words);
  ASSERT_EQ(result.Exit, 0) << result.Err;
  EXPECT_EQ(Names("card"), (Strings{"20210715_0001.jpg", "20210715_0002.jpg", "20210716_0003.jpg"}));
}

}  // namespace
