#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "TempTree.h"
#include "platform/Errors.h"
#include "platform/Sys.h"
#include "ui/session/LogFile.h"

namespace {

using Lines = std::vector<std::string>;

std::string ErrorOf(const std::function<void()> &action) {
  try {
    action();
  } catch (const EInOutError &error) {
    return error.Message();
  }
  return "no error";
}

TEST(LogFileTest, RoundTripWritesCrLfAfterEveryLine) {
  TTempTree tree;
  const Lines lines = {"処理: 削除; 結果: 成功; 処理ファイル: /a/表.txt;", "", "終了"};
  const std::string path = tree.Path("log.txt");
  WriteLogLines(path, lines);
  EXPECT_EQ(tree.Read("log.txt"),
            "処理: 削除; 結果: 成功; 処理ファイル: /a/表.txt;\r\n\r\n終了\r\n");
  EXPECT_EQ(ReadLogLines(path), lines);
  WriteLogLines(path, {});
  EXPECT_EQ(tree.Read("log.txt"), "");
  EXPECT_EQ(ReadLogLines(path), Lines{});
}

TEST(LogFileTest, ErrorsNameTheFile) {
  TTempTree tree;
  const std::string missing = tree.Path("missing.txt");
  EXPECT_EQ(ErrorOf([&] { ReadLogLines(missing); }), "ファイル " + missing + " は開けません");
  const std::string folder = tree.Folder("dir");
  EXPECT_EQ(ErrorOf([&] { ReadLogLines(folder); }), "ファイル " + folder + " は開けません");
  const std::string noFolder = tree.Path("nofolder/log.txt");
  EXPECT_EQ(ErrorOf([&] { WriteLogLines(noFolder, {"x"}); }),
            "ファイル " + noFolder + " を作成できません");
  EXPECT_EQ(ErrorOf([&] { WriteLogLines(folder, {"x"}); }),
            "ファイル " + folder + " を作成できません");
}

TEST(LogFileTest, ReadOnlyFileIsNotReplaced) {
  TTempTree tree;
  const std::string path = tree.File("log.txt", "old\r\n");
  ASSERT_EQ(::chmod(Utf8(path).c_str(), 0444), 0);
  EXPECT_EQ(ErrorOf([&] { WriteLogLines(path, {"new"}); }),
            "ファイル " + path + " を作成できません");
  EXPECT_EQ(tree.Read("log.txt"), "old\r\n");
}

TEST(LogFileTest, FailedRenameKeepsTheOldFileAndLeavesNoTemporary) {
  TTempTree tree;
  const std::string path = tree.File("log.txt", "old\r\n");
  korvane::sys::InjectFault("rename", EIO);
  EXPECT_NE(ErrorOf([&] { WriteLogLines(path, {"new"}); }), "no error");
  korvane::sys::ClearFaults();
  EXPECT_EQ(tree.Read("log.txt"), "old\r\n");
  EXPECT_EQ(tree.List(), Lines{"log.txt"});
}

// A disk that fills up while the log is written: the file-size limit makes
// every write beyond 16 bytes fail.
TEST(LogFileTest, WriteFailingMidwayKeepsTheOldFile) {
  TTempTree tree;
  const std::string path = tree.File("log.txt", "old\r\n");
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = ErrorOf([&] { WriteLogLines(path, Lines(100, "a long line")); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_EQ(error, "ファイル " + path + " を作成できません");
  EXPECT_EQ(tree.Read("log.txt"), "old\r\n");
  EXPECT_EQ(tree.List(), Lines{"log.txt"});
}

TEST(LogFileTest, ReplacingKeepsModeAndFollowsLinks) {
  TTempTree tree;
  const std::string real = tree.File("real.txt", "old\r\n");
  ASSERT_EQ(::chmod(Utf8(real).c_str(), 0640), 0);
  const std::string link = tree.Path("link.txt");
  std::filesystem::create_symlink(Utf8(real), Utf8(link));
  WriteLogLines(link, {"new"});
  EXPECT_TRUE(std::filesystem::is_symlink(Utf8(link)));
  EXPECT_EQ(tree.Read("real.txt"), "new\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(Utf8(real).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

}  // namespace
