// Log lines read back into records: what the run writes, what an undo
// writes, and what a hand-edited log may hold.

#include <gtest/gtest.h>

#include "run/LogRecords.h"

namespace {

using Strings = std::vector<std::string>;

std::string Rename(std::string_view from, std::string_view to, bool ok = true) {
  return FormatLogLine(RunMode::Rename, from, ok, {}, to);
}

TEST(LogRecords, EveryRecordTheRunWritesReadsBack) {
  const TChangeNumbers numbers{782327808, 1, -2, 33, 782327810, 0, 0, 1};
  struct TCase {
    std::string Line;
    TLogOperation Operation;
    TLogOutcome Outcome;
    std::string Path, Destination;
    bool HasNumbers;
  };
  const TCase cases[] = {
      {Rename("/a/x", "/a/y"), TLogOperation::Rename, TLogOutcome::Succeeded, "/a/x", "/a/y", false},
      {Rename("/a/x", "/a/y", false), TLogOperation::Rename, TLogOutcome::Failed, "/a/x", "/a/y", false},
      {FormatLogLine(RunMode::Copy, "/a/x", true, {}, "/c/x_1"), TLogOperation::Copy,
       TLogOutcome::Succeeded, "/a/x", "/c/x_1", false},
      {FormatLogLine(RunMode::Delete, "/a/表", true, {}, {}), TLogOperation::Delete,
       TLogOutcome::Succeeded, "/a/表", "", false},
      {FormatLogLine(RunMode::Change, "/a/x; y", true, numbers, {}), TLogOperation::Change,
       TLogOutcome::Succeeded, "/a/x; y", "", true},
      {FormatUndoLine("/a/y", true, "/a/x", nullptr), TLogOperation::Undo, TLogOutcome::Succeeded,
       "/a/y", "/a/x", false},
      {FormatUndoLine("/a/y", true, {}, &numbers), TLogOperation::Undo, TLogOutcome::Succeeded,
       "/a/y", "", true},
      {FormatUndoLine("/a/y", true, {}, nullptr), TLogOperation::Undo, TLogOutcome::Succeeded,
       "/a/y", "", false},
      {FormatUndoLine("/a/y", false, "/a/x", nullptr, "元の場所が使われています"),
       TLogOperation::Undo, TLogOutcome::Failed, "/a/y", "/a/x", false},
      // A dry run's lines.
      {"処理: 削除; 結果: 予定; 処理ファイル: /a/x;", TLogOperation::Delete, TLogOutcome::Planned,
       "/a/x", "", false},
      {Rename("/a/x", "/a/y", false) + " 理由: 同じ名前が既にあります;", TLogOperation::Rename,
       TLogOutcome::Failed, "/a/x", "/a/y", false},
  };
  for (const TCase &c : cases) {
    const std::optional<TLogRecord> record = ParseLogRecord(c.Line);
    ASSERT_TRUE(record) << c.Line;
    EXPECT_EQ(record->Operation, c.Operation) << c.Line;
    EXPECT_EQ(record->Outcome, c.Outcome) << c.Line;
    EXPECT_EQ(record->Path, c.Path) << c.Line;
    EXPECT_EQ(record->Destination, c.Destination) << c.Line;
    EXPECT_EQ(record->HasNumbers, c.HasNumbers) << c.Line;
    if (c.HasNumbers) {
      EXPECT_EQ(record->Numbers.AcDateOld, -2) << c.Line;
    }
  }
}

TEST(LogRecords, APathHoldingTheTailLabelSplitsWhereTheFoldersAgree) {
  const std::string from = "/a/x; リネーム先ファイル: b";
  const std::optional<TLogRecord> record = ParseLogRecord(Rename(from, "/a/y"));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->Path, from);
  EXPECT_EQ(record->Destination, "/a/y");
}

TEST(LogRecords, LinesThatAreNoRecord) {
  const char *lines[] = {
      "",
      "garbage",
      "処理: 移動; 結果: 成功; 処理ファイル: /a;",
      "処理: 削除; 結果: たぶん; 処理ファイル: /a;",
      "処理: 削除; 結果: 成功; 処理ファイル: /a",        // no closing ';'
      "処理: 削除; 結果: 成功; 処理ファイル: ;",         // no path
      "処理: リネーム; 結果: 成功; 処理ファイル: /a;",   // no destination
      "処理: 日付・属性変更; 結果: 成功; 処理ファイル: /a; 前更新日時: x; 前作成日時: 0; "
      "前ｱｸｾｽ日時: 0; 前属性: 0; 新更新日時: 0; 新作成日時: 0; 新ｱｸｾｽ日時: 0; 新属性: 0;",
      "処理: 日付・属性変更; 結果: 成功; 処理ファイル: /a; 前更新日時: 99999999999; 前作成日時: 0; "
      "前ｱｸｾｽ日時: 0; 前属性: 0; 新更新日時: 0; 新作成日時: 0; 新ｱｸｾｽ日時: 0; 新属性: 0;",
  };
  for (const char *line : lines) EXPECT_FALSE(ParseLogRecord(line)) << line;
}

TEST(LogRecords, RunsAreCutAtTheirMarkers) {
  const Strings lines = {
      Rename("/a/0", "/a/1"),  // outside every run
      "開始", Rename("/a/x", "/a/y"), "garbage", "終了",
      "開始", Rename("/a/y", "/a/z"), "中断",
      "開始", Rename("/a/z", "/a/w"),  // killed: no end line
  };
  const TLogContents contents = ParseLog(lines);
  ASSERT_EQ(contents.Runs.size(), 3u);
  EXPECT_TRUE(contents.Runs[0].Ended);
  EXPECT_TRUE(contents.Runs[1].Ended);
  EXPECT_FALSE(contents.Runs[2].Ended);
  EXPECT_EQ(contents.Runs[2].Records.at(0).Line, 10u);
  EXPECT_EQ(contents.Unreadable, 1u);
  EXPECT_EQ(contents.Outside, 1u);
  EXPECT_FALSE(contents.WindowsPaths);
}

TEST(LogRecords, WindowsPathsAreRecognised) {
  for (const char *path : {"C:\\a\\x.txt", "d:\\x", "\\\\server\\share\\x"}) {
    const TLogContents contents =
        ParseLog({"開始", FormatLogLine(RunMode::Delete, path, true, {}, {}), "終了"});
    EXPECT_TRUE(contents.WindowsPaths) << path;
  }
  // 表 ends in the byte of '\': not a Windows path.
  EXPECT_FALSE(ParseLog({"開始", FormatLogLine(RunMode::Delete, "/表/x", true, {}, {})}).WindowsPaths);
}

}  // namespace
