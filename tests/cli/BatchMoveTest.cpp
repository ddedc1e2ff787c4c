// Copies and moves of a camera card through korvane-batch: two folders that
// both start at IMG_0001.JPG, moved into one folder or into a kept tree.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BatchProcess.h"

namespace {

namespace fs = std::filesystem;

Strings Joined(Strings a, const Strings &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class BatchMoveTest : public BatchTest {
protected:
  void SetUp() override {
    for (const char *photo : {"DCIM/100CANON/IMG_0001.JPG", "DCIM/100CANON/IMG_0002.JPG",
                              "DCIM/101CANON/IMG_0001.JPG", "DCIM/101CANON/IMG_0002.JPG"}) {
      fs::create_directories(fs::path(P(std::string("card/") + photo)).parent_path());
      std::ofstream(P(std::string("card/") + photo)) << photo;
    }
    fs::create_directories(P("out"));
  }

  Strings Job(const Strings &more) const {
    Strings args = {"--folder", P("card/DCIM"), "--copy-folder", P("out"), "--set", "FindFile.SubFolder=1"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  // Every photo, with where it is now.
  std::vector<std::string> Photos() const {
    std::vector<std::string> photos;
    for (const auto &entry : fs::recursive_directory_iterator(P()))
      if (entry.is_regular_file() && entry.path().extension() == ".JPG")
        photos.push_back(entry.path().string().substr(P().size() + 1) + " " + ReadOf(entry.path()));
    std::sort(photos.begin(), photos.end());
    return photos;
  }

  static std::string ReadOf(const fs::path &path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
  }
};

// "Overwrite always" with the sources deleted: the second folder's photos
// meet the first's, which this very run moved there.  They are not
// overwritten, so no photo is lost, and the plan said so beforehand.
TEST_F(BatchMoveTest, AMoveThatOverwritesAlwaysKeepsAllFourPhotos) {
  const Strings job = Job({"--set", "Copy.Same=1", "--set", "Copy.OverWrite=0", "--set", "Copy.Delete=2"});
  const TResult plan = RunBatch(Joined(job, {"--dry-run", "copy"}));
  const TResult run = RunBatch(Joined(job, {"copy"}));
  EXPECT_EQ(run.Exit, 1) << run.Err;
  const std::string taken = U8(u8"理由: 先の対象がその名前になります;");
  for (const TResult *result : {&plan, &run}) {
    int failed = 0;
    for (const std::string &line : result->OutLines()) failed += line.find(taken) != std::string::npos;
    EXPECT_EQ(failed, 2) << result->Out;
  }
  EXPECT_NE(run.Err.find(U8(u8"2 件成功, 2 件失敗")), std::string::npos) << run.Err;
  // Two photos moved, two left where they were: all four are there, once.
  std::vector<std::string> contents;
  int moved = 0;
  for (const std::string &photo : Photos()) {
    moved += photo.starts_with("out/");
    contents.push_back(photo.substr(photo.find(' ') + 1));
  }
  EXPECT_EQ(moved, 2);
  std::sort(contents.begin(), contents.end());
  EXPECT_EQ(contents, (std::vector<std::string>{"DCIM/100CANON/IMG_0001.JPG", "DCIM/100CANON/IMG_0002.JPG",
                                                "DCIM/101CANON/IMG_0001.JPG", "DCIM/101CANON/IMG_0002.JPG"}));
}

// With the tree kept, both folders arrive whole, each made and logged.
TEST_F(BatchMoveTest, WithTheTreeKeptBothFoldersArrive) {
  const TResult run = RunBatch(Job({"--set", "Copy.KeepTree=1", "--set", "Copy.Delete=2", "copy"}));
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Photos(), (std::vector<std::string>{
                          "out/100CANON/IMG_0001.JPG DCIM/100CANON/IMG_0001.JPG",
                          "out/100CANON/IMG_0002.JPG DCIM/100CANON/IMG_0002.JPG",
                          "out/101CANON/IMG_0001.JPG DCIM/101CANON/IMG_0001.JPG",
                          "out/101CANON/IMG_0002.JPG DCIM/101CANON/IMG_0002.JPG",
                      }));
  const std::string made = U8(u8"処理: コピー; 結果: 成功; 処理ファイル: ") + P("card/DCIM/100CANON") +
                           U8(u8"; コピー先ファイル: ") + P("out/100CANON") + ";";
  EXPECT_NE(run.Out.find(made), std::string::npos) << run.Out;
  EXPECT_NE(run.Err.find(U8(u8"6 件成功, 0 件失敗")), std::string::npos) << run.Err;
}

// A move within one file system is a rename: the photo is the same file.
TEST_F(BatchMoveTest, AMoveOnOneFileSystemKeepsTheInode) {
  struct stat before {}, after {};
  ASSERT_EQ(stat(P("card/DCIM/100CANON/IMG_0002.JPG").c_str(), &before), 0);
  const TResult run = RunBatch(Job({"--set", "Copy.KeepTree=1", "--set", "Copy.Delete=0", "copy"}));
  EXPECT_EQ(run.Exit, 0) << run.Err;
  ASSERT_EQ(stat(P("out/100CANON/IMG_0002.JPG").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_FALSE(fs::exists(P("card/DCIM/100CANON/IMG_0002.JPG")));
}

}  // namespace
