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
      {"Rename.SeqIndex", "no '='"},
      {"Rename.=5", "the key is empty"},
      {" .SeqIndex=5", "the section is empty"},
      {"SeqIndex=5", "no section"},
      {"FindFile.SeqIndex=5", "SeqIndex is a key of Rename, not of FindFile"},
      {"Copy.Recycled=0", "Recycled is a key of Delete, not of Copy"},
      {"Rename.SeqBefore=a\nb", "line break"},
      {"Rename.SeqBefore=a\r", "line break"},
      {"Rename.SeqBefore=\x8e\xca\x90\x5e", "not UTF-8 text"},  // 写真 in Shift-JIS bytes
      {"Folder.0=/tmp", "unknown section Folder"},
      {"Rename.Bogus=1", "unknown key Bogus in section Rename"},
      {"Rename.SeqDeg=9", "Rename.SeqDeg takes an integer from 0 to 8, not '9'"},
      {"FindFile.SizeTo=9999999", "FindFile.SizeTo takes an integer from -1 to 2097151"},
      {"Rename.SeqSort=10", "Rename.SeqSort takes a choice from 0 to 9, not '10'"},
      {"FindFile.FileOnly=-1", "FindFile.FileOnly takes a choice from 0 to 2"},
      {"Rename.Copy=false", "Rename.Copy takes a flag, 0 or 1, not 'false'"},
      {"Rename.Copy=2", "Rename.Copy takes a flag, 0 or 1, not '2'"},
      {"Rename.SeqIndex=", "Rename.SeqIndex takes an integer from 0 to 99999999, not ''"},
      {"Rename.OrderItems0=renban", "Rename.OrderItems0 takes one of the step names"},
      {"FindFile.DateFrom=2003/02/30", "'2003/02/30' is not a valid date for FindFile.DateFrom"},
      {"Change.UpTime=24:00:00", "'24:00:00' is not a valid time for Change.UpTime"},
      {"Rename.BaseName=" + std::string(2048, 'x'), "longer than a settings value can be"},
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
  EXPECT_EQ(written.size(), 94u);
  EXPECT_EQ(listed, written);
  for (const std::string &part : Strings{"Rename.SeqSort", "a choice from 0 to 9", U8(u8"撮影日時順【昇】"),
                                         "FindFile.SizeFrom", "an integer from -1 to 2097151", "default -1"})
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
        {"/mnt/backup/work", "backup"}, {"~/tmp", "tmp"}};
    for (std::string &w : words)
      for (const auto &[shown, used] : folders)
        if (w == shown) w = P(used);
    EXPECT_EQ(words.at(0), "korvane-batch");
    words.erase(words.begin());
    return words;
  }
  TResult Run(const Strings &arguments) {
    TResult result = RunBatch(arguments);
    EXPECT_EQ(result.Exit, 0) << result.Err;
    return result;
  }
};

TEST_F(ManualExamples, NumberThePhotosOfATreeByDate) {
  Tree.Add("photos/IMG_7.jpg\nphotos/IMG_8.jpg\nphotos/trip/IMG_9.jpg\nphotos/notes.txt");
  Tree.SetTime("photos/IMG_8.jpg", 2020, 1, 1, 0, 0, 0);
  Tree.SetTime("photos/IMG_7.jpg", 2021, 1, 1, 0, 0, 0);
  const Strings example = Example(0);
  EXPECT_NE(std::find(example.begin(), example.end(), U8(u8"Rename.OrderItems0=連番")), example.end());
  Run(example);
  EXPECT_TRUE(Tree.Exists("photos/photo_0001.jpg"));  // IMG_8, the older
  EXPECT_TRUE(Tree.Exists("photos/photo_0002.jpg"));
  EXPECT_TRUE(Tree.Exists("photos/trip/photo_0001.jpg"));
  EXPECT_TRUE(Tree.Exists("photos/notes.txt"));
  EXPECT_LT(std::filesystem::last_write_time(Tree.Native("photos/photo_0001.jpg")),
            std::filesystem::last_write_time(Tree.Native("photos/photo_0002.jpg")));
}

TEST_F(ManualExamples, ReplaceATextInNames) {
  Tree.Add("docs/draft-report.txt\ndocs/draft.txt\ndocs/final.txt");
  Run(Example(1));
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
  TResult result = RunBatch(Example(2));
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
  TResult result = RunBatch(Example(3));
  if (saved) setenv("XDG_DATA_HOME", savedValue.c_str(), 1); else unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(result.Exit, 0) << result.Err;
  EXPECT_FALSE(Tree.Exists("tmp/old.log"));
  EXPECT_TRUE(Tree.Exists("tmp/new.log"));
  EXPECT_TRUE(Tree.Exists("data/Trash/files/old.log"));
}

}  // namespace
