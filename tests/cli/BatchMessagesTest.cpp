// korvane-batch speaks one language: every message on stderr is Japanese,
// like the log lines beside it, whatever went wrong.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>

#include "BatchProcess.h"
#include "cli/BatchMessages.h"

namespace {

bool HasJapanese(std::string_view text) {
  for (const unsigned char c : text)
    if (c >= 0x80) return true;
  return false;
}

TEST(BatchMessages, ErrorsOfTheLibraryAndTheSystemAreSaidInJapanese) {
  EXPECT_EQ(ExceptionText(std::bad_alloc()), U8(u8"メモリが足りません"));
  EXPECT_EQ(ExceptionText(std::bad_array_new_length()), U8(u8"メモリが足りません"));
  EXPECT_EQ(ExceptionText(std::runtime_error("x")), U8(u8"予期しないエラーです: x"));
  EXPECT_EQ(SystemErrorText(EACCES), U8(u8"権限がありません"));
  // One the table does not know shows its number and the system's text.
  const std::string unknown = SystemErrorText(EDOM);
  EXPECT_EQ(unknown.rfind(U8(u8"エラー ") + std::to_string(EDOM) + " (", 0), 0u) << unknown;
}

TEST(BatchMessages, ArgumentsGoWhereTheTextNamesThem) {
  EXPECT_EQ(BatchText(TBatchText::Summary, {"3", "1"}), U8(u8"3 件成功, 1 件失敗"));
  EXPECT_EQ(BatchText(TBatchText::KeyOfOtherSection, {"a", "b", "c", "d"}),
            U8(u8"--set a: b は c のキーで、d のキーではありません"));
  // An argument that looks like a placeholder stays as it is.
  EXPECT_EQ(BatchText(TBatchText::UnknownMode, {"{2}"}), U8(u8"不明なモードです: {2}"));
}

TEST_F(BatchTest, EveryMessageOnStderrIsJapanese) {
  Tree.Add("t/a.txt\nfolder.ini/");
  ASSERT_EQ(mkfifo(P("fifo.ini").c_str(), 0600), 0);
  const std::string empty = Settings("", "empty.ini");
  const std::string twice = Settings(
      "[Rename]\r\nOrderItems0=大/小文字\r\nOrderChecked0=1\r\nOrderItems3=x\r\n", "twice.ini");
  const Strings cases[] = {
      {},
      {"move"},
      {"--folder"},
      {"--bogus", "list"},
      {"--help=1"},
      {"list", "delete"},
      {"--sample", "a", "list"},
      {"--dry-run", "list"},
      {"--all", "list"},
      {"undo"},
      {"undo", "a", "undo", "b"},
      {"--log", P("l"), "--print-settings"},
      {"--folder", P(), "--log", P("l"), "list"},
      {"--folder", P(), "-0", "delete"},
      {"--folder", P(), "--folder", P(), "list"},
      {"--set", "x", "list"},
      {"--set", "x=1", "list"},
      {"--set", ".x=1", "list"},
      {"--set", "Rename.=1", "list"},
      {"--set", "Bogus.x=1", "list"},
      {"--set", "Rename.x=1", "list"},
      {"--set", "Copy.SeqDeg=1", "list"},
      {"--set", "Rename.SeqDeg=99", "list"},
      {"--set", "Rename.Copy=yes", "list"},
      {"--set", "Rename.OrderItems0=x", "list"},
      {"--set", "FindFile.DateFrom=2001/02/30", "list"},
      {"--set", "Change.UpTime=25:00:00", "list"},
      {"--settings", P("missing.ini"), "list"},
      {"--settings", P("folder.ini"), "list"},
      {"--settings", P("fifo.ini"), "list"},
      {"--settings", empty, "list"},
      {"--settings", twice, "--folder", P("t"), "--sample", "a.txt"},
      {"--folder", P("none"), "list"},
      {"--folder", P("t"), "--set", "Rename.OrderChecked0=1", "--set", "Rename.FromName0=a",
       "--set", "Rename.ToName0=b", "rename"},
      {"--folder", P("t"), "--set", "Change.IfUpDate=1", "--set", "Change.UpDate=2001/02/30",
       "change"},
      {"--folder", P("t"), "--filter", "*.none", "--set", "Delete.Recycled=0", "delete"},
      {"--folder", P("t"), "--dry-run", "delete"},
      {"undo", P("no-such.log")},
  };
  for (const Strings &arguments : cases) {
    std::string shown;
    for (const std::string &argument : arguments) shown += argument + " ";
    const TResult result = RunBatch(arguments);
    EXPECT_FALSE(result.Err.empty()) << shown;
    std::istringstream lines(result.Err);
    for (std::string line; std::getline(lines, line);) {
      ASSERT_EQ(line.rfind("korvane-batch: ", 0), 0u) << shown << "\n" << line;
      EXPECT_TRUE(HasJapanese(line.substr(15))) << shown << "\n" << line;
    }
  }
}

}  // namespace
