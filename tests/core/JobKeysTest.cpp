#include "core/JobKeys.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "TempFolder.h"
#include "core/IniFile.h"
#include "core/JobSettingsFile.h"
#include "platform/Errors.h"

namespace {

// The lines a settings file holds for `job`, as "Section.Key=value".
std::vector<std::string> WrittenKeys(const JobSettings &job) {
  TIniFile file;
  WriteJobSettings(file, job);
  std::vector<std::string> keys;
  std::string section;
  const std::string text = file.Text();
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (line.front() == '[') {
      section = line.substr(1, line.size() - 2);
    } else {
      keys.push_back(section + "." + line);
    }
  }
  return keys;
}

TEST(JobKeys, TheTableIsTheSettingsFileInItsOrderWithItsDefaults) {
  const std::vector<std::string> written = WrittenKeys(JobSettings());
  ASSERT_EQ(JobKeys().size(), written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    const TJobKey &key = JobKeys()[i];
    EXPECT_EQ(key.Section + "." + key.Key + "=" + key.Default, written[i]);
  }
}

TEST(JobKeys, DomainsAreTheControlsRanges) {
  auto find = [](std::string_view name) {
    for (const TJobKey &key : JobKeys())
      if (key.Section + "." + key.Key == name) return key;
    return TJobKey{};
  };
  const struct {
    const char *Name;
    TJobKeyType Type;
    int Min, Max;
    std::size_t Items;
  } cases[] = {
      {"FindFile.FileOnly", TJobKeyType::Choice, 0, 2, 3},
      {"FindFile.SizeTo", TJobKeyType::Integer, -1, 2097151, 0},
      {"Rename.SeqStep", TJobKeyType::Integer, 1, 20, 0},
      {"Copy.OverWrite", TJobKeyType::Choice, 0, 5, 6},
      {"Rename.OrderItems3", TJobKeyType::Caption, 0, 0, 6},
      {"Delete.Recycled", TJobKeyType::Flag, 0, 1, 0},
      {"Change.AcTime", TJobKeyType::Time, 0, 0, 0},
      {"FindFile.DateTo", TJobKeyType::Date, 0, 0, 0},
      {"Rename.DateFormat", TJobKeyType::Text, 0, 0, 0},
      {"Rename.WidthAlnum", TJobKeyType::Choice, 0, 2, 3},
      {"Rename.KanaKind", TJobKeyType::Choice, 0, 2, 3},
      {"Rename.ComposeMarks", TJobKeyType::Flag, 0, 1, 0},
  };
  for (const auto &c : cases) {
    const TJobKey key = find(c.Name);
    EXPECT_EQ(key.Type, c.Type) << c.Name;
    EXPECT_EQ(key.Min, c.Min) << c.Name;
    EXPECT_EQ(key.Max, c.Max) << c.Name;
    EXPECT_EQ(key.Items.size(), c.Items) << c.Name;
  }
}

// Whatever SetJobKey accepts, it sets exactly as a settings file holding
// that one line is read; what it refuses, the file would have clamped,
// dropped or ignored.
TEST(JobKeys, ASetKeyIsReadAsTheSameLineOfAFile) {
  const std::vector<std::string> values = {
      "1", "0", "2", "-1", "-5", "7", "0x10", "$7", "  3 ", "'4'", "abc", "", "99999999999",
      "2097152", "2024/1/2", "2024/02/30", "12:3:4", "\"  q  \"", "\x98\x41\x94\xd4"};  // 連番
  JobSettings start;
  start.Rename.SeqIndex = 42;
  start.FindFile.Filter = "*.txt";
  for (const TJobKey &key : JobKeys()) {
    for (const std::string &value : values) {
      JobSettings set = start;
      const TJobKeyResult result = SetJobKey(set, key.Section, key.Key, value);
      JobSettings read = start;
      TIniFile file;
      file.WriteString(key.Section, key.Key, value);
      ReadJobSettings(file, read);
      const std::string where = key.Section + "." + key.Key + "=" + value;
      if (result.Status == TJobKeyStatus::Set && key.Type == TJobKeyType::Caption) {
        // An order item moves its step: the file's reading sets the
        // position, and the list still holds each step once.
        EXPECT_FALSE(CheckOrderList(set.Rename).Any()) << where;
        set.Rename.OrderItems = read.Rename.OrderItems;
        EXPECT_EQ(set, read) << where;
      } else if (result.Status == TJobKeyStatus::Set) {
        EXPECT_EQ(set, read) << where;
      } else {
        EXPECT_EQ(set, start) << where;
      }
    }
  }
}

TEST(JobKeys, NamesAreFoundAsTheFileFindsThem) {
  JobSettings job;
  EXPECT_EQ(SetJobKey(job, "rename", "SEQINDEX", "5").Status, TJobKeyStatus::Set);
  EXPECT_EQ(job.Rename.SeqIndex, 5);
  const struct {
    const char *Section, *Key;
    TJobKeyStatus Status;
    const char *Other;
  } cases[] = {
      {"Histories", "Folder", TJobKeyStatus::UnknownSection, ""},
      {"FindFile", "Nothing", TJobKeyStatus::UnknownKey, ""},
      {"Copy", "SubFolder", TJobKeyStatus::KeyOfOtherSection, "FindFile"},
      {"Delete", "Copy", TJobKeyStatus::KeyOfOtherSection, "Rename"},
  };
  for (const auto &c : cases) {
    const TJobKeyResult result = SetJobKey(job, c.Section, c.Key, "1");
    EXPECT_EQ(result.Status, c.Status) << c.Section << "." << c.Key;
    EXPECT_EQ(result.OtherSection, c.Other) << c.Section << "." << c.Key;
  }
  EXPECT_EQ(SetJobKey(job, "Rename", "SeqBefore", "a\nb").Status, TJobKeyStatus::MultiLine);
  EXPECT_EQ(job, [] { JobSettings j; j.Rename.SeqIndex = 5; return j; }());
}

TEST(JobSettingsFile, AFileThatCannotBeReadWholeIsAnErrorNotAnEmptyJob) {
  TTempFolder folder;
  ASSERT_EQ(mkfifo(folder.Path("fifo.INI").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(folder.Path("folder.INI").c_str(), 0700), 0);
  for (const char *name : {"fifo.INI", "folder.INI"}) {
    JobSettings job;
    job.Rename.SeqIndex = 9;
    try {
      LoadJobSettingsFile(folder.Path(name), job);
      ADD_FAILURE() << name << " was read as an empty job";
    } catch (const EInOutError &error) {
      EXPECT_EQ(error.Message(), "\x83\x74\x83\x40\x83\x43\x83\x8b " + folder.Path(name) +
                                     " \x82\xcd\x8a\x4a\x82\xaf\x82\xdc\x82\xb9\x82\xf1");
    }
    EXPECT_EQ(job.Rename.SeqIndex, 9);
  }
}

}  // namespace
