// Jobs kept by name and the file manager's menu of them.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "TempFolder.h"
#include "core/JobMenu.h"
#include "core/NamedJobs.h"
#include "platform/Cp932.h"

namespace {

std::string U8(const char8_t *text) { return reinterpret_cast<const char *>(text); }
std::string Cp(const char8_t *text) { return *Utf8ToCp932(U8(text)); }

TEST(NamedJobs, TheJobsFolderLiesBesideTheSettingsFile) {
  EXPECT_EQ(JobsFolderBeside("/opt/korvane/korvane.INI"), "/opt/korvane/jobs/");
  EXPECT_EQ(JobsFolderBeside("/home/u/.config/korvane/korvane.INI"), "/home/u/.config/korvane/jobs/");
  EXPECT_EQ(JobsFolderBeside("korvane.INI"), "jobs/");
}

TEST(NamedJobs, WhatANameMayBe) {
  struct TCase {
    std::string Name;
    bool Valid;
  };
  const TCase cases[] = {
      {"photos", true},
      {"photos by date", true},
      {Cp(u8"写真 日付順"), true},
      {Cp(u8"表"), true},  // 0x95 0x5C: a trail byte that looks like '\'
      {"50% off; (old)", true},
      {"", false},
      {".hidden", false},
      {"..", false},
      {"a/b", false},
      {"tab\there", false},
      {"line\nbreak", false},
      {std::string("nul\0x", 5), false},
      {std::string(200, 'x'), true},
      {std::string(201, 'x'), false},
  };
  for (const TCase &c : cases) EXPECT_EQ(IsJobName(c.Name), c.Valid) << Cp932ToUtf8Lossy(c.Name);
}

TEST(NamedJobs, ListedAndFoundByNameWhateverTheCaseOfTheExtension) {
  TTempFolder folder;
  const std::string jobs = folder.Path("jobs") + "/";
  EXPECT_TRUE(ListJobs(jobs).empty()) << "a missing folder holds no job";
  ASSERT_EQ(mkdir(folder.Path("jobs").c_str(), 0755), 0);
  folder.WriteFile("jobs/b.INI", "[Rename]\n");
  folder.WriteFile("jobs/A.ini", "[Rename]\n");
  folder.WriteFile("jobs/c.Ini", "[Rename]\n");
  folder.WriteFile("jobs/notes.txt", "x");
  folder.WriteFile("jobs/.hidden.INI", "x");
  folder.WriteFile("jobs/.INI", "x");
  ASSERT_EQ(mkdir(folder.Path("jobs/d.INI").c_str(), 0755), 0);
  EXPECT_EQ(ListJobs(jobs), (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_EQ(FindJobFile(jobs, "b"), jobs + "b.INI");
  EXPECT_EQ(FindJobFile(jobs, "A"), jobs + "A.ini");
  EXPECT_EQ(FindJobFile(jobs, "a"), std::nullopt) << "names are as they are spelt";
  EXPECT_EQ(FindJobFile(jobs, "d"), std::nullopt) << "a folder is no job";
  EXPECT_EQ(FindJobFile(jobs, "../jobs/b"), std::nullopt);
  EXPECT_EQ(JobFileFor(jobs, "A"), jobs + "A.ini");
  EXPECT_EQ(JobFileFor(jobs, "new"), jobs + "new.INI");
}

TEST(JobMenu, ArgumentsAreQuotedOnlyWhereTheyMustBe) {
  EXPECT_EQ(QuoteExecArgument("plain"), "plain");
  EXPECT_EQ(QuoteExecArgument("a b"), "\"a b\"");
  EXPECT_EQ(QuoteExecArgument("a$b"), "\"a\\$b\"");
  EXPECT_EQ(QuoteExecArgument("50%"), "50%%");
  EXPECT_EQ(ExecValue({"a\\b"}), "\"a\\\\\\\\b\"") << "quoted, then escaped as a string";
}

TEST(JobMenu, OneActionAJobAndNoFileWithoutJobs) {
  const std::string text = JobMenuText({"photos", Cp(u8"写真 50%")}, "/opt/k/korvane-batch");
  EXPECT_NE(text.find("Actions=job1;job2;\n"), std::string::npos) << text;
  EXPECT_NE(text.find("MimeType=inode/directory;\n"), std::string::npos);
  EXPECT_NE(text.find("Terminal=true\n"), std::string::npos);
  EXPECT_NE(text.find(U8(u8"[Desktop Action job2]\nName=写真 50%\n")), std::string::npos) << text;
  EXPECT_EQ(JobMenuText({}, "korvane-batch"), "");
}

TEST(JobMenu, WrittenExecutableForTheUserAndRemovedWithTheLastJob) {
  TTempFolder folder;
  const char *saved = std::getenv("XDG_DATA_HOME");
  const std::string savedValue = saved ? saved : "";
  setenv("XDG_DATA_HOME", folder.Path("data").c_str(), 1);
  EXPECT_EQ(JobMenuFile(), folder.Path("data") + "/kio/servicemenus/org.korvane.Korvane-jobs.desktop");
  ASSERT_EQ(mkdir(folder.Path("jobs").c_str(), 0755), 0);
  folder.WriteFile("jobs/photos.INI", "[Rename]\n");
  ASSERT_TRUE(UpdateJobMenu(folder.Path("jobs"), "korvane-batch"));
  struct stat st {};
  ASSERT_EQ(stat(JobMenuFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u) << "a service menu of the user's must be executable";
  EXPECT_NE(folder.ReadFile("data/kio/servicemenus/org.korvane.Korvane-jobs.desktop").find("Name=photos"),
            std::string::npos);
  ASSERT_EQ(unlink(folder.Path("jobs/photos.INI").c_str()), 0);
  ASSERT_TRUE(UpdateJobMenu(folder.Path("jobs"), "korvane-batch"));
  EXPECT_NE(access(JobMenuFile().c_str(), F_OK), 0);
  setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
  const char *home = std::getenv("HOME");
  EXPECT_EQ(JobMenuFile().rfind(std::string(home ? home : "") + "/.local/share/kio/", 0), 0u);
  if (saved) setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
  else unsetenv("XDG_DATA_HOME");
}

}  // namespace
