#include <gtest/gtest.h>

#include <fstream>

#include "TempTree.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "run/RunLog.h"
#include "run/ValidateRun.h"

namespace {

TEST(LogLineTest, RecordsOfEveryOperation) {
  const TChangeNumbers none{};
  EXPECT_EQ(FormatLogLine(RunMode::Delete, "C:\\a\\x.txt", true, none, ""),
            "処理: 削除; 結果: 成功; 処理ファイル: C:\\a\\x.txt;");
  EXPECT_EQ(FormatLogLine(RunMode::Rename, "C:\\a\\x.txt", false, none, "C:\\a\\y.txt"),
            "処理: リネーム; 結果: 失敗; 処理ファイル: C:\\a\\x.txt; リネーム先ファイル: C:\\a\\y.txt;");
  EXPECT_EQ(FormatLogLine(RunMode::Copy, "/a/x.txt", true, none, "/b/x_1.txt"),
            "処理: コピー; 結果: 成功; 処理ファイル: /a/x.txt; コピー先ファイル: /b/x_1.txt;");
  EXPECT_EQ(FormatLogLine(RunMode::List, "/a/x.txt", true, none, ""), "");
}

TEST(LogLineTest, ChangeRecordPrintsEightSignedNumbers) {
  // 2003/05/01 12:00:00: date word 0x2EA1, time word 0x6000.
  const DosDateTime may1 = DateTimeToDos(DateTimeParts{2003, 5, 1, 12, 0, 0, 0});
  EXPECT_EQ(may1, 782327808u);
  const TChangeNumbers numbers{1, 2, -3, 32, static_cast<std::int32_t>(may1), 0, 0, 33};
  EXPECT_EQ(FormatLogLine(RunMode::Change, "/a/x.txt", true, numbers, "ignored"),
            "処理: 日付・属性変更; 結果: 成功; 処理ファイル: /a/x.txt;"
            " 前更新日時: 1; 前作成日時: 2; 前ｱｸｾｽ日時: -3; 前属性: 32;"
            " 新更新日時: 782327808; 新作成日時: 0; 新ｱｸｾｽ日時: 0; 新属性: 33;");
}

TEST(LogFileTest, EveryLineEndsWithCrLf) {
  TTempTree tree;
  const std::string path = tree.Path("log.txt");
  SaveLogFile(path, {"開始", "", "終了"});
  EXPECT_EQ(tree.Read("log.txt"), "\x8a\x4a\x8e\x6e\r\n\r\n\x8f\x49\x97\xb9\r\n");
  EXPECT_EQ(LoadLogFile(path), (std::vector<std::string>{"開始", "", "終了"}));
}

TEST(LogFileTest, LoadAcceptsAnyLineEnds) {
  TTempTree tree;
  SaveLogFile(tree.Path("unix.txt"), {"a\nb\r\rc\r\n\nd"});
  EXPECT_EQ(LoadLogFile(tree.Path("unix.txt")),
            (std::vector<std::string>{"a", "b", "", "c", "", "d"}));
}

std::string U8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// A record naming a file Shift-JIS cannot hold: emoji and a byte that is
// not UTF-8.
std::string WideRecord() {
  return "処理: 削除; 結果: 成功; 処理ファイル: /t/" + *Utf8ToCp932("\xF0\x9F\x98\x80\xFF") + ".txt;";
}

TEST(LogFileTest, ALogWithNamesShiftJisLacksIsUtf8AndLoadsBackIdentical) {
  TTempTree tree;
  const std::vector<std::string> lines{"開始", WideRecord(), "終了"};
  SaveLogFile(tree.Path("wide.txt"), lines);
  EXPECT_EQ(tree.Read("wide.txt"),
            U8(u8"\uFEFF開始\r\n処理: 削除; 結果: 成功; 処理ファイル: /t/\U0001F600") + "\xFF" +
                ".txt;\r\n" + U8(u8"終了\r\n"));
  EXPECT_EQ(LoadLogFile(tree.Path("wide.txt")), lines);
}

TEST(LogFileTest, AWriterSwitchesToUtf8AtTheFirstLineThatNeedsIt) {
  TTempTree tree;
  TLogFileWriter writer;
  ASSERT_TRUE(writer.Open(tree.Path("log.txt")));
  ASSERT_TRUE(writer.Append("開始"));
  EXPECT_EQ(tree.Read("log.txt"), "");  // buffered so far
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(tree.Read("log.txt"), "\x8a\x4a\x8e\x6e\r\n");  // Shift-JIS while it can be

  ASSERT_TRUE(writer.Open(tree.Path("log.txt")));
  for (const std::string &line : {std::string("開始"), WideRecord(), std::string("終了")}) {
    ASSERT_TRUE(writer.Append(line));
  }
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(LoadLogFile(tree.Path("log.txt")), (std::vector<std::string>{"開始", WideRecord(), "終了"}));
  EXPECT_TRUE(tree.Read("log.txt").starts_with("\xEF\xBB\xBF"));
}

TEST(LogFileTest, AShiftJisLogOfTheWindowsFormatLoadsAsBefore) {
  TTempTree tree;
  // Written by the Windows program: Shift-JIS, '\\' paths, a 0x5C trail byte.
  const std::string windows = "開始\r\n処理: 削除; 結果: 成功; 処理ファイル: C:\\表\\x.txt;\r\n終了\r\n";
  std::ofstream(tree.Native("old.txt"), std::ios::binary) << windows;
  EXPECT_EQ(LoadLogFile(tree.Path("old.txt")),
            (std::vector<std::string>{"開始", "処理: 削除; 結果: 成功; 処理ファイル: C:\\表\\x.txt;", "終了"}));
}

TEST(LogFileTest, FailuresRaiseWithThePath) {
  TTempTree tree;
  const std::string missing = tree.Path("none/log.txt");
  try {
    LoadLogFile(missing);
    FAIL();
  } catch (const EInOutError &error) {
    EXPECT_EQ(error.Message(), "ファイル " + missing + " は開けません");
  }
  try {
    SaveLogFile(missing, {"x"});
    FAIL();
  } catch (const EInOutError &error) {
    EXPECT_EQ(error.Message(), "ファイル " + missing + " を作成できません");
  }
}

}  // namespace
