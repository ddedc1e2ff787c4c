// korvane-batch's job keys: --set, --print-settings and --help-keys, and
// the example jobs of the manual page, run with --set alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "BatchProcess.h"
#include "platform/Cp932.h"

namespace {

// The value of one key in --print-settings output ("Key=value" lines).
std::string ValueIn(const std::string &settings, const std::string &section, const std::string &key) {
  std::istringstream in(settings);
  std::string current;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.front() == '[') current = line.substr(1, line.find(']') - 1);
    if (current == section && line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return "<missing>";
}

TEST_F(BatchTest, SetRefusesWhatASettingsFileWouldIgnoreAndNamesIt) {
  Tree.Add("t/a.txt");
  const struct {
    std::string Set;
    std::string Said;
  } cases[] = {
      {"Rename.SeqIndex", U8(u8"「=」がありません")},
      {"Rename.=5", U8(u8"キー名が空です")},
      {" .SeqIndex=5", U8(u8"セクション名が空です")},
      {"SeqIndex=5", U8(u8"セクションがありません")},
      {"FindFile.SeqIndex=5", U8(u8"SeqIndex は Rename のキーで、FindFile のキーではありません")},
      {"Copy.Recycled=0", U8(u8"Recycled は Delete のキーで、Copy のキーではありません")},
      {"Rename.SeqBefore=a\nb", U8(u8"値に改行があります")},
      {"Rename.SeqBefore=a\r", U8(u8"値に改行があります")},
      {"Rename.SeqBefore=\x8e\xca\x90\x5e", U8(u8"UTF-8 のテキストではありません")},  // 写真 in Shift-JIS bytes
      {"Folder.0=/tmp", U8(u8"不明なセクション Folder です")},
      {"Rename.Bogus=1", U8(u8"セクション Rename にキー Bogus はありません")},
      {"Rename.SeqDeg=9", U8(u8"Rename.SeqDeg には 0 から 8 までの整数を指定します。「9」は指定できません")},
      {"FindFile.SizeTo=9999999", U8(u8"FindFile.SizeTo には -1 から 2097151 までの整数を指定します")},
      {"Rename.SeqSort=10", U8(u8"Rename.SeqSort には 0 から 9 までの項目の番号を指定します。「10」")},
      {"Rename.WidthAlnum=3", U8(u8"Rename.WidthAlnum には 0 から 2 までの項目の番号を指定します。「3」")},
      {"FindFile.FileOnly=-1", U8(u8"FindFile.FileOnly には 0 から 2 までの項目の番号を指定します")},
      {"Rename.Copy=false", U8(u8"Rename.Copy にはフラグ 0 か 1 を指定します。「false」")},
      {"Rename.Copy=2", U8(u8"Rename.Copy にはフラグ 0 か 1 を指定します。「2」")},
      {"Rename.SeqIndex=", U8(u8"Rename.SeqIndex には 0 から 99999999 までの整数を指定します。「」")},
      {"Rename.OrderItems0=renban", U8(u8"Rename.OrderItems0 には手順の名前 (文字列置換, 連番")},
      {"FindFile.DateFrom=2003/02/30", U8(u8"「2003/02/30」は FindFile.DateFrom の日付として正しくありません")},
      {"Change.UpTime=24:00:00", U8(u8"「24:00:00」は Change.UpTime の時刻として正しくありません")},
      {"Rename.BaseName=" + std::string(2048, 'x'), U8(u8"値が設定ファイルの値の上限 (2047 バイト) より長いです")},
  };
  for (const auto &c : cases) {
    TResult result = RunBatch({"--folder", P("t"), "--set", "Delete.Recycled=0", "--set", c.Set, "delete"});
    EXPECT_EQ(result.Exit, 2) << c.Set;
    EXPECT_NE(result.Err.find(c.Said), std::string::npos) << c.Set << "\n" << result.Err;
    EXPECT_TRUE(result.Out.empty()) << c.Set;
    EXPECT_TRUE(Tree.Exists("t/a.txt")) << c.Set;
  }
}

TEST_F(BatchTest, SetReadsAValueAsASettingsFileLineIsRead) {
  const struct {
    std::string Set;
    std::string Section, Key, Printed;
  } cases[] = {
      {"Rename.SeqIndex=0x10", "Rename", "SeqIndex", "16"},
      {"Rename.SeqIndex=$ff", "Rename", "SeqIndex", "255"},
      {"rename.SEQDEG=  3  ", "Rename", "SeqDeg", "3"},
      {"Rename.SeqBefore=\"  a  \"", "Rename", "SeqBefore", "  a  "},
      {"Rename.SeqAfter='x'", "Rename", "SeqAfter", "x"},
      {"Rename.FromName0=" + U8(u8"写真_"), "Rename", "FromName0", U8(u8"写真_")},
      {"FindFile.DateFrom=2024/1/2", "FindFile", "DateFrom", "2024/ 1/ 2"},
      {"FindFile.DateFrom=", "FindFile", "DateFrom", "    /  /  "},
      {"Copy.Folder= /b ", "Copy", "Folder", "/b"},
      {"Rename.OrderItems5=" + U8(u8" 連番 "), "Rename", "OrderItems5", U8(u8"連番")},
  };
  for (const auto &c : cases) {
    TResult result = RunBatch({"--set", c.Set, "--print-settings"});
    EXPECT_EQ(result.Exit, 0) << c.Set << result.Err;
    EXPECT_EQ(ValueIn(result.Out, c.Section, c.Key), c.Printed) << c.Set;
  }
}

TEST_F(BatchTest, SetsApplyInOrderAfterTheSettingsFile) {
  const std::string job = Settings("[Rename]\r\nSeqIndex=3\r\nSeqStep=2\r\n");
  TResult result = RunBatch({"--settings", job, "--set", "Rename.SeqIndex=5", "--set",
                             "Rename.SeqIndex=7", "--print-settings"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  EXPECT_EQ(ValueIn(result.Out, "Rename", "SeqIndex"), "7");
  EXPECT_EQ(ValueIn(result.Out, "Rename", "SeqStep"), "2");
  // The full refresh follows: the checked step moves to the top.
  result = RunBatch({"--set", "Rename.OrderChecked3=1", "--print-settings"});
  EXPECT_EQ(ValueIn(result.Out, "Rename", "OrderItems0"), U8(u8"更新日付付加"));
  EXPECT_EQ(ValueIn(result.Out, "Rename", "OrderChecked0"), "1");
}

// An order item set on the command line moves its step; the step that was
// there takes its old place, so no step is named twice and none is lost.
TEST_F(BatchTest, SetMovesAStepInTheOrderList) {
  Tree.Add("t/a.txt");
  TResult result = RunBatch({"--folder", P("t"), "--set", "Rename.Copy=0", "--set",
                             U8(u8"Rename.OrderItems0=大/小文字"), "--set", "Rename.OrderChecked0=1",
                             "--set", "Rename.NameCase=1", "rename"});
  EXPECT_EQ(result.Exit, 0) << result.Out << result.Err;
  EXPECT_TRUE(Tree.Exists("t/A.txt")) << result.Out;
  EXPECT_TRUE(result.Err.find(U8(u8"警告")) == std::string::npos) << result.Err;

  result = RunBatch({"--set", U8(u8"Rename.OrderItems4=連番"), "--set", U8(u8"Rename.OrderItems0=拡張子"),
                     "--print-settings"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  const std::string expected[] = {U8(u8"拡張子"), U8(u8"文字列置換"), U8(u8"大/小文字"),
                                  U8(u8"更新日付付加"), U8(u8"連番"), U8(u8"フォルダ名付加")};
  for (std::size_t i = 0; i < 6; ++i)
    EXPECT_EQ(ValueIn(result.Out, "Rename", "OrderItems" + std::to_string(i)), expected[i]) << i;
}

// A file written by hand that names a step twice, or no step, is read as it
// stands, as the window reads it; korvane-batch says which keys do it and
// which step then has no place, before a rename runs with it.
TEST_F(BatchTest, AnOrderListThatIsNotTheSixStepsIsReadWithAWarning) {
  Tree.Add("t/a.txt");
  const std::string job = Settings(
      "[Rename]\r\nCopy=0\r\nOrderItems0=大/小文字\r\nOrderChecked0=1\r\nNameCase=1\r\n"
      "OrderItems4=xyz\r\n");
  const std::string repeated = U8(u8"korvane-batch: 警告: Rename.OrderItems0, Rename.OrderItems2 が同じ手順「大/小文字」です\n");
  const std::string unknown = U8(u8"korvane-batch: 警告: Rename.OrderItems4 の「xyz」は手順の名前ではありません\n");
  const std::string missing[] = {
      U8(u8"korvane-batch: 警告: 手順「文字列置換」は Rename.OrderItems0 から 5 のどの位置にもありません\n"),
      U8(u8"korvane-batch: 警告: 手順「拡張子」は Rename.OrderItems0 から 5 のどの位置にもありません\n")};
  for (const Strings &arguments : {Strings{"--sample", "a.txt"}, Strings{"--print-settings"},
                                   Strings{"--dry-run", "rename"}, Strings{"rename"}}) {
    Strings all = {"--settings", job, "--folder", P("t")};
    all.insert(all.end(), arguments.begin(), arguments.end());
    TResult result = RunBatch(all);
    const std::string &shown = arguments.front();
    EXPECT_NE(result.Err.find(repeated), std::string::npos) << shown << "\n" << result.Err;
    EXPECT_NE(result.Err.find(unknown), std::string::npos) << shown << "\n" << result.Err;
    for (const std::string &step : missing)
      EXPECT_NE(result.Err.find(step), std::string::npos) << shown << "\n" << result.Err;
  }
  // The later, unchecked place of the case step governs it, as in the
  // window: the rename changes nothing.
  EXPECT_TRUE(Tree.Exists("t/a.txt"));
  // A run that does not rename has nothing to say about the list.
  TResult list = RunBatch({"--settings", job, "--folder", P("t"), "list"});
  EXPECT_EQ(list.Exit, 0);
  EXPECT_TRUE(list.Err.empty()) << list.Err;
}

TEST_F(BatchTest, PrintedSettingsReadBackAsTheSameJob) {
  const Strings job = {"--set", "FindFile.SubFolder=1", "--set", "FindFile.SizeFrom=5",
                       "--set", "Rename.SeqBefore=" + U8(u8"写真_"), "--set", U8(u8"Rename.OrderItems0=連番"),
                       "--set", "Rename.OrderChecked0=1", "--set", "Copy.Same=4",
                       "--set", "FindFile.DateTo=2024/02/29", "--folder", "/srv/a b", "--print-settings"};
  TResult first = RunBatch(job);
  ASSERT_EQ(first.Exit, 0) << first.Err;
  EXPECT_EQ(first.Out.find('\r'), std::string::npos);
  EXPECT_EQ(first.Out.rfind("[FindFile]\n", 0), 0u);

  // Saved as the Windows program saves it (Shift-JIS, CR LF) ...
  std::string cp932;
  for (const std::string &line : first.OutLines()) cp932 += Utf8ToCp932(line).value() + "\r\n";
  TResult second = RunBatch({"--settings", Settings(cp932), "--print-settings"});
  EXPECT_EQ(second.Exit, 0) << second.Err;
  EXPECT_EQ(second.Out, first.Out);

  // ... and as printed (UTF-8), once the settings reader knows UTF-8 files.
  const std::string probe = Settings(U8(u8"[Rename]\nSeqBefore=写真_\n"), "probe.ini");
  if (ValueIn(RunBatch({"--settings", probe, "--print-settings"}).Out, "Rename", "SeqBefore") !=
      U8(u8"写真_"))
    GTEST_SKIP() << "settings files in UTF-8 are not read as UTF-8 yet";
  TResult third = RunBatch({"--settings", Settings(first.Out, "utf8.ini"), "--print-settings"});
  EXPECT_EQ(third.Out, first.Out);
}

TEST_F(BatchTest, HelpKeysListsExactlyTheKeysOfASettingsFile) {
  TResult keys = RunBatch({"--help-keys"});
  ASSERT_EQ(keys.Exit, 0);
  std::set<std::string> listed;
  std::istringstream in(keys.Out);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("  ", 0) != 0 || line.size() < 3 || line[2] == ' ') continue;
    listed.insert(line.substr(2, line.find(' ', 2) - 2));
  }
  std::set<std::string> written;
  std::string section;
  for (const std::string &line : RunBatch({"--print-settings"}).OutLines()) {
    if (line.front() == '[')
      section = line.substr(1, line.size() - 2);
    else
      written.insert(section + "." + line.substr(0, line.find('=')));
  }
  EXPECT_EQ(written.size(), 99u);
  EXPECT_EQ(listed, written);
  for (const std::string &part : Strings{"Rename.SeqSort", "a choice from 0 to 9", U8(u8"撮影日時順【昇】"),
                                         U8(u8"名前順(自然)【降】"), "Rename.ComposeMarks",
                                         "FindFile.SizeFrom", "an integer from -1 to 2097151", "default -1",
                                         "Copy.KeepTree"})
    EXPECT_NE(keys.Out.find(part), std::string::npos) << part;
}

// The examples of korvane-batch(1), taken from the manual page itself so
// that what it shows is what runs: the arguments of the n-th example block,
// with the manual's folders replaced by the test's.
class ManualExamples : public BatchTest {
protected:
  Strings Example(std::size_t n) {
    std::ifstream in(KORVANE_MANUAL_PAGE);
    std::vector<std::string> blocks;
    std::string block;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
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
    if (n >= blocks.size()) return {};
    std::string text = blocks[n];
    auto replaceAll = [&text](const std::string &from, const std::string &to) {
      for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    };
    replaceAll("\\e\n", " ");  // a continued line
    replaceAll("\\-", "-");
    replaceAll("\\(aq", "'");
    Strings words;
    std::string word;
    bool quoted = false, any = false;
    for (const char c : text) {
      if (c == '\'') {
        quoted = !quoted;
        any = true;
      } else if (!quoted && (c == ' ' || c == '\n')) {
        if (any) words.push_back(word);
        word.clear();
        any = false;
      } else {
        word += c;
        any = true;
      }
    }
    if (any) words.push_back(word);
    const std::pair<const char *, const char *> folders[] = {
        {"~/photos", "photos"}, {"~/docs", "docs"}, {"~/work", "work"},
        {"/mnt/backup/work", "backup"}, {"~/tmp", "tmp"}, {"~/scans", "scans"}, {"~/music", "music"}};
    for (std::string &w : words)
      for (const auto &[shown, used] : folders)
        if (w == shown) w = P(used);
    EXPECT_EQ(words.at(0), "korvane-batch");
    words.erase(words.begin());
    return words;
  }
  // The example whose arguments hold `word`, wherever it stands in the page.
  Strings ExampleHolding(const std::string &word) {
    for (std::size_t n = 0;; ++n) {
      Strings example = Example(n);
      if (example.empty() || std::find(example.begin(), example.end(), word) != example.end())
        return example;
    }
  }
  TResult Run(const Strings &arguments) {
    TResult result = RunBatch(arguments);
    EXPECT_EQ(result.Exit, 0) << result.Err;
    return result;
  }
};

TEST_F(ManualExamples, NumberThePhotosByDateInOneLine) {
  Tree.Add("photos/IMG_7.jpg\nphotos/IMG_8.jpg\nphotos/trip/IMG_9.jpg\nphotos/notes.txt");
  Tree.SetTime("photos/IMG_8.jpg", 2020, 1, 1, 0, 0, 0);
  Tree.SetTime("photos/IMG_7.jpg", 2021, 1, 1, 0, 0, 0);
  const Strings example = Example(0);
  EXPECT_EQ(example, (Strings{"--folder", P("photos"), "--filter", "*.jpg", "--steps", "number",
                              "--in-place", "--set", "Rename.SeqSort=2", "rename"}))
      << "one line, as a person types it";
  Run(example);
  EXPECT_TRUE(Tree.Exists("photos/IMG_80001.jpg"));  // the older
  EXPECT_TRUE(Tree.Exists("photos/IMG_70002.jpg"));
  EXPECT_TRUE(Tree.Exists("photos/trip/IMG_9.jpg"));
  EXPECT_TRUE(Tree.Exists("photos/notes.txt"));
}

TEST_F(ManualExamples, RenameFromAListOnlyTheFilesItNames) {
  Tree.Add("music/track01.mp3\nmusic/track02.mp3\nmusic/cover.jpg");
  std::ofstream(P("titles.tsv")) << "track01.mp3\t" << U8(u8"01 夜明け.mp3\n") << "track02.mp3\t02 Dusk.mp3\n";
  Strings example = ExampleHolding("music.log");
  ASSERT_FALSE(example.empty());
  // The block shows the dry run first; the second command is the run.
  const auto second = std::find(example.begin(), example.end(), "korvane-batch");
  ASSERT_NE(second, example.end());
  example.erase(example.begin(), second + 1);
  for (std::string &word : example) {
    if (word == "titles.tsv") word = P("titles.tsv");
    if (word == "music.log") word = P("music.log");
  }
  const TResult result = Run(example);
  EXPECT_EQ(result.OutLines().size(), 4u) << result.Out;
  EXPECT_TRUE(Tree.Exists(U8(u8"music/01 夜明け.mp3")));
  EXPECT_TRUE(Tree.Exists("music/02 Dusk.mp3"));
  EXPECT_TRUE(Tree.Exists("music/cover.jpg"));
  EXPECT_TRUE(Tree.Exists("music.log"));
}

TEST_F(ManualExamples, ReplaceATextInNames) {
  Tree.Add("docs/draft-report.txt\ndocs/draft.txt\ndocs/final.txt");
  Run(ExampleHolding("Rename.ToName0=v2"));
  EXPECT_TRUE(Tree.Exists("docs/v2-report.txt"));
  EXPECT_TRUE(Tree.Exists("docs/v2.txt"));
  EXPECT_TRUE(Tree.Exists("docs/final.txt"));
}

TEST_F(ManualExamples, CopyNewerFiles) {
  Tree.Add("work/a.txt 10\nwork/b.txt 20\nbackup/a.txt 1\nbackup/b.txt 2");
  Tree.SetTime("work/a.txt", 2024, 5, 1, 0, 0, 0);
  Tree.SetTime("backup/a.txt", 2024, 1, 1, 0, 0, 0);
  Tree.SetTime("work/b.txt", 2023, 1, 1, 0, 0, 0);
  Tree.SetTime("backup/b.txt", 2024, 1, 1, 0, 0, 0);
  TResult result = RunBatch(ExampleHolding("Copy.OverWrite=2"));
  // b.txt is older than its copy: its record says it was not copied.
  EXPECT_EQ(result.Exit, 1) << result.Err;
  EXPECT_EQ(Tree.Read("backup/a.txt").size(), 10u);  // newer: copied over
  EXPECT_EQ(Tree.Read("backup/b.txt").size(), 2u);   // older: kept
}

TEST_F(ManualExamples, MoveOldFilesToTheTrash) {
  Tree.Add("tmp/old.log\ntmp/new.log\ndata/");
  Tree.SetTime("tmp/old.log", 2022, 6, 1, 0, 0, 0);
  // The trash of this test's own data folder, not the user's.
  const char *saved = std::getenv("XDG_DATA_HOME");
  const std::string savedValue = saved ? saved : "";
  setenv("XDG_DATA_HOME", P("data").c_str(), 1);
  TResult result = RunBatch(ExampleHolding("Delete.Recycled=1"));
  if (saved) setenv("XDG_DATA_HOME", savedValue.c_str(), 1); else unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(result.Exit, 0) << result.Err;
  EXPECT_FALSE(Tree.Exists("tmp/old.log"));
  EXPECT_TRUE(Tree.Exists("tmp/new.log"));
  EXPECT_TRUE(Tree.Exists("data/Trash/files/old.log"));
}

TEST_F(ManualExamples, CleanUpTheWidthOfNames) {
  Tree.Add(U8(u8"scans/ＩＭＧ＿００１.jpg\nscans/ﾃｽﾄﾌｧｲﾙ.txt\nscans/ﾒﾓ２.ＴＸＴ"));
  const Strings example = ExampleHolding("Rename.WidthKana=1");
  ASSERT_FALSE(example.empty());
  Run(example);
  EXPECT_TRUE(Tree.Exists("scans/IMG_001.jpg"));
  EXPECT_TRUE(Tree.Exists(U8(u8"scans/テストファイル.txt")));
  EXPECT_TRUE(Tree.Exists(U8(u8"scans/メモ2.TXT")));
}

}  // namespace
