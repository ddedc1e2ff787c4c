#include "core/IniFile.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "platform/Errors.h"
#include "platform/Sys.h"

namespace {

void ExpectWriteError(TIniFile &file) {
  try {
    file.UpdateFile();
    ADD_FAILURE() << "no error for " << file.FileName();
  } catch (const EInOutError &error) {
    EXPECT_EQ(error.Message(), file.FileName() + " に書き込めません");
  }
}

mode_t ModeOf(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(IniFile, MissingFileReadsAsEmptyAndIsCreatedByTheFirstUpdate) {
  TTempFolder folder;
  TIniFile file(folder.Path("new.INI"));
  EXPECT_FALSE(file.Unreadable());
  EXPECT_EQ(file.ReadString("A", "k", "def"), "def");
  EXPECT_EQ(file.ReadInteger("A", "k", 7), 7);
  file.UpdateFile();  // nothing written yet: no file made
  EXPECT_EQ(::access(folder.Path("new.INI").c_str(), F_OK), -1);
  file.WriteString("A", "k", "v");
  file.WriteInteger("A", "n", -5);
  file.WriteBool("A", "f", true);
  file.UpdateFile();
  EXPECT_EQ(folder.ReadFile("new.INI"), "[A]\r\nk=v\r\nn=-5\r\nf=1\r\n");
  EXPECT_FALSE(file.Modified());
}

TEST(IniFile, ReadsIntegersAndFlagsWithTheirDefaults) {
  TTempFolder folder;
  folder.WriteFile("s.INI", "[A]\nhex=0x10\nbad=abc\nflag=2\nzero=0\nq=\" 5 \"\n");
  const TIniFile file(folder.Path("s.INI"));
  EXPECT_EQ(file.ReadInteger("A", "hex", 0), 16);
  EXPECT_EQ(file.ReadInteger("A", "bad", 42), 42);
  EXPECT_TRUE(file.ReadBool("A", "flag", false));
  EXPECT_FALSE(file.ReadBool("A", "zero", true));
  EXPECT_TRUE(file.ReadBool("A", "bad", true));
  EXPECT_FALSE(file.ReadBool("A", "missing", false));
  // Blanks inside quotes are part of the number's text, so it is no number.
  EXPECT_EQ(file.ReadInteger("A", "q", 9), 9);
}

TEST(IniFile, RefusesAFolderThatDoesNotExist) {
  TTempFolder folder;
  TIniFile file(folder.Path("nowhere/s.INI"));
  file.WriteString("A", "k", "v");
  ExpectWriteError(file);
}

TEST(IniFile, RefusesAReadOnlyFileEvenForRootAndLeavesIt) {
  TTempFolder folder;
  folder.WriteFile("ro.INI", "[A]\nk=old\n");
  ASSERT_EQ(::chmod(folder.Path("ro.INI").c_str(), 0444), 0);
  TIniFile file(folder.Path("ro.INI"));
  file.WriteString("A", "k", "new");
  ExpectWriteError(file);
  EXPECT_EQ(folder.ReadFile("ro.INI"), "[A]\nk=old\n");
}

TEST(IniFile, NeverWritesOverAFileItCouldNotRead) {
  TTempFolder folder;
  ASSERT_EQ(::mkdir(folder.Path("dir.INI").c_str(), 0755), 0);
  TIniFile file(folder.Path("dir.INI"));
  EXPECT_TRUE(file.Unreadable());
  EXPECT_EQ(file.ReadString("A", "k", "def"), "def");
  file.WriteString("A", "k", "v");
  ExpectWriteError(file);
}

TEST(IniFile, AFailedWriteLeavesTheOldFileWhole) {
  TTempFolder folder;
  const std::string old = "[A]\r\nk=old\r\nother=keep\r\n";
  folder.WriteFile("s.INI", old);
  TIniFile file(folder.Path("s.INI"));
  file.WriteString("A", "k", "new");
  korvane::sys::InjectFault("write", ENOSPC);
  ExpectWriteError(file);
  korvane::sys::ClearFaults();
  EXPECT_EQ(folder.ReadFile("s.INI"), old);
  // No temporary file is left behind; a later update succeeds.
  file.UpdateFile();
  EXPECT_EQ(folder.ReadFile("s.INI"), "[A]\r\nk=new\r\nother=keep\r\n");
}

TEST(IniFile, KeepsTheModeAndWritesThroughASymbolicLink) {
  TTempFolder folder;
  folder.WriteFile("real.INI", "[A]\nk=1\n");
  ASSERT_EQ(::chmod(folder.Path("real.INI").c_str(), 0640), 0);
  ASSERT_EQ(::symlink(folder.Path("real.INI").c_str(), folder.Path("link.INI").c_str()), 0);
  TIniFile file(folder.Path("link.INI"));
  file.WriteString("A", "k", "2");
  file.UpdateFile();
  EXPECT_EQ(folder.ReadFile("real.INI"), "[A]\nk=2\r\n");
  EXPECT_EQ(ModeOf(folder.Path("real.INI")), 0640u);
  struct stat st {};
  ASSERT_EQ(::lstat(folder.Path("link.INI").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(IniFile, ReadsAFileFullOfGarbage) {
  TTempFolder folder;
  std::string bytes;
  for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<char>(i * 37 % 256));
  folder.WriteFile("g.INI", bytes + "\n[Rename]\nSeqIndex=5\n" + bytes);
  TIniFile file(folder.Path("g.INI"));
  EXPECT_EQ(file.ReadInteger("Rename", "SeqIndex", 1), 5);
  file.WriteString("Rename", "SeqDeg", "3");
  file.UpdateFile();
  const std::string written = folder.ReadFile("g.INI");
  EXPECT_EQ(written.substr(0, bytes.size()), bytes);  // untouched bytes stay
  EXPECT_EQ(TIniFile(folder.Path("g.INI")).ReadInteger("Rename", "SeqDeg", 0), 3);
}

ino_t InodeOf(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_ino;
}

// An ordinary file is replaced all-or-nothing (a new file renamed over it)
// and keeps its user attributes.  One that must stay the file it is, because
// another hard link shares it or its folder may not be written, is written
// in place; space is reserved first, so a full disk leaves the old text.
TEST(IniFile, KeepsTheFilesIdentityWhereItMust) {
  TTempFolder folder;
  folder.WriteFile("a.INI", "[A]\r\nk=1\r\n");
  ASSERT_EQ(::setxattr(folder.Path("a.INI").c_str(), "user.tag", "blue", 4, 0), 0);
  const ino_t before = InodeOf(folder.Path("a.INI"));
  {
    TIniFile file(folder.Path("a.INI"));
    file.WriteString("A", "k", "2");
    file.UpdateFile();
  }
  EXPECT_NE(InodeOf(folder.Path("a.INI")), before) << "an ordinary file is replaced whole";
  char tag[8] = {};
  EXPECT_EQ(::getxattr(folder.Path("a.INI").c_str(), "user.tag", tag, sizeof tag), 4);
  EXPECT_STREQ(tag, "blue");

  ASSERT_EQ(::link(folder.Path("a.INI").c_str(), folder.Path("b.INI").c_str()), 0);
  {
    TIniFile file(folder.Path("a.INI"));
    file.WriteString("A", "k", "a longer value than before");
    file.UpdateFile();
  }
  EXPECT_EQ(folder.ReadFile("b.INI"), "[A]\r\nk=a longer value than before\r\n");
  EXPECT_EQ(InodeOf(folder.Path("a.INI")), InodeOf(folder.Path("b.INI")));
  {
    TIniFile file(folder.Path("b.INI"));
    file.WriteString("A", "k", "3");  // shorter: the rest is cut off
    file.UpdateFile();
  }
  EXPECT_EQ(folder.ReadFile("a.INI"), "[A]\r\nk=3\r\n");

  // A folder that may not be written (root gets past the bits: simulated).
  folder.WriteFile("c.INI", "[A]\r\nk=1\r\n");
  const ino_t cBefore = InodeOf(folder.Path("c.INI"));
  {
    TIniFile file(folder.Path("c.INI"));
    file.WriteString("A", "k", "2");
    korvane::sys::InjectFault("access", EACCES);
    file.UpdateFile();
    korvane::sys::ClearFaults();
  }
  EXPECT_EQ(InodeOf(folder.Path("c.INI")), cBefore);
  EXPECT_EQ(folder.ReadFile("c.INI"), "[A]\r\nk=2\r\n");

  TIniFile full(folder.Path("a.INI"));
  full.WriteString("A", "k", "4");
  korvane::sys::InjectFault("fallocate", ENOSPC);
  ExpectWriteError(full);
  korvane::sys::ClearFaults();
  EXPECT_EQ(folder.ReadFile("b.INI"), "[A]\r\nk=3\r\n");
}

}  // namespace
