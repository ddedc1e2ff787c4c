// The trash, checked against the freedesktop.org trash standard.  GIO
// reads HOME and XDG_DATA_HOME once per process, so every case runs in a
// child process of its own with its own home and data folders, next to the
// files on the same file system (where the home trash is the one to use).

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "TempTree.h"
#include "platform/FileSystem.h"

namespace {

struct TTrashOutcome {
  bool Moved = false;
  int Error = 0;
};

class TrashTest : public ::testing::Test {
protected:
  void SetUp() override { MakeTree(root_.Root(), {"home/", "data/", "files/"}); }

  // MoveToTrash(path) in a child process whose environment `setup` prepares.
  TTrashOutcome Trash(const std::string &path, const std::function<void()> &setup) {
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    if (child == 0) {
      close(pipeFds[0]);
      setup();
      const TTrashOutcome outcome{MoveToTrash(path), errno};
      [[maybe_unused]] const ssize_t put = write(pipeFds[1], &outcome, sizeof outcome);
      _exit(0);
    }
    close(pipeFds[1]);
    TTrashOutcome outcome;
    EXPECT_EQ(read(pipeFds[0], &outcome, sizeof outcome), static_cast<ssize_t>(sizeof outcome));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return outcome;
  }
  TTrashOutcome TrashWithHome(const std::string &path) {
    return Trash(path, [this] {
      setenv("HOME", (root_ / "home").c_str(), 1);
      setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
    });
  }

  bool InTrash(const std::string &utf8Name) {
    return std::filesystem::exists(root_ / ("data/Trash/files/" + utf8Name)) &&
           std::filesystem::exists(root_ / ("data/Trash/info/" + utf8Name + ".trashinfo"));
  }

  TTempFolder root_;
};

TEST_F(TrashTest, MovesFilesAndWholeFoldersToTheHomeTrash) {
  MakeTree(root_ / "files", {"a.txt=x", U8(u8"表.txt"), "dir/", "dir/inner=y"});
  EXPECT_TRUE(TrashWithHome(root_ / "files/a.txt").Moved);
  EXPECT_FALSE(std::filesystem::exists(root_ / "files/a.txt"));
  EXPECT_TRUE(InTrash("a.txt"));

  EXPECT_TRUE(TrashWithHome(root_ / "files/表.txt").Moved);
  EXPECT_TRUE(InTrash(U8(u8"表.txt")));

  EXPECT_TRUE(TrashWithHome(root_ / "files/dir/").Moved);
  EXPECT_FALSE(std::filesystem::exists(root_ / "files/dir"));
  EXPECT_EQ(ReadText(root_ / "data/Trash/files/dir/inner"), "y");
}

// RFC 2396, section 2: what a path may hold unescaped ("/" separates its
// segments); everything else is "%" and two hex digits.
bool IsUriPathText(const std::string &text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isalnum(c) || std::string_view("-_.!~*'()/").find(static_cast<char>(c)) != std::string_view::npos)
      continue;
    if (c == '%' && i + 2 < text.size() + 0 && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      i += 2;
      continue;
    }
    return false;
  }
  return true;
}

std::string PercentDecode(const std::string &text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// What the freedesktop.org trash standard asks of an information file: the first line is
// [Trash Info]; Path= holds the original location, an absolute path in the
// home trash, as the file system's bytes escaped as in URLs; DeletionDate=
// is local time in the YYYY-MM-DDThh:mm:ss form.
TEST_F(TrashTest, TheInformationFileFollowsTheTrashSpecification) {
  // The name as the system holds it (CP932) and as it is on disk.
  const std::pair<std::string, std::string> names[] = {
      {"100%41.txt", "100%41.txt"}, {"a b+c#d?.txt", "a b+c#d?.txt"}, {"表 ア.txt", U8(u8"表 ア.txt")}};
  for (const auto &[cp932, name] : names) {
    MakeTree(root_ / "files", {name + "=x"});
    const std::time_t before = std::time(nullptr);
    ASSERT_TRUE(TrashWithHome(root_ / ("files/" + cp932)).Moved) << name;
    ASSERT_TRUE(InTrash(name)) << name;

    std::istringstream info(ReadText(root_ / ("data/Trash/info/" + name + ".trashinfo")));
    std::string line, path, date;
    ASSERT_TRUE(std::getline(info, line));
    EXPECT_EQ(line, "[Trash Info]") << name;
    while (std::getline(info, line)) {
      if (path.empty() && line.starts_with("Path=")) path = line.substr(5);
      if (date.empty() && line.starts_with("DeletionDate=")) date = line.substr(13);
    }
    EXPECT_TRUE(IsUriPathText(path)) << path;
    EXPECT_EQ(PercentDecode(path), root_ / ("files/" + name));

    ASSERT_TRUE(std::regex_match(date, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)"))) << date;
    std::tm local{};
    ASSERT_NE(strptime(date.c_str(), "%Y-%m-%dT%H:%M:%S", &local), nullptr);
    local.tm_isdst = -1;
    const std::time_t deleted = std::mktime(&local);
    EXPECT_LE(std::abs(deleted - before), 120) << date << " is not the local time of the move";
  }
}

// A home folder that does not exist must not send the file to the trash at
// the top of its file system (/.Trash-0 for root) and call that a success.
TEST_F(TrashTest, AMissingHomeFolderRefusesTheMove) {
  MakeTree(root_ / "files", {"a.txt=x"});
  const TTrashOutcome outcome = Trash(root_ / "files/a.txt", [this] {
    setenv("HOME", (root_ / "nohome").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
  });
  EXPECT_FALSE(outcome.Moved);
  EXPECT_EQ(outcome.Error, ENOENT);
  EXPECT_TRUE(std::filesystem::exists(root_ / "files/a.txt"));
  EXPECT_FALSE(std::filesystem::exists("/.Trash-" + std::to_string(geteuid()) + "/files/a.txt"));
}

// Without HOME the user database names the home folder, as GIO has it.
TEST_F(TrashTest, WithoutHomeTheUserDatabaseNamesTheHome) {
  const passwd *user = getpwuid(geteuid());
  ASSERT_NE(user, nullptr);
  struct stat home {}, files {};
  const bool homeExists = stat(user->pw_dir, &home) == 0 && S_ISDIR(home.st_mode);
  ASSERT_EQ(stat((root_ / "files").c_str(), &files), 0);
  if (homeExists && home.st_dev != files.st_dev)
    GTEST_SKIP() << "the home folder is on another file system than the test's files";

  MakeTree(root_ / "files", {"a.txt=x"});
  const TTrashOutcome outcome = Trash(root_ / "files/a.txt", [this] {
    unsetenv("HOME");
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
  });
  EXPECT_EQ(outcome.Moved, homeExists);
  EXPECT_EQ(InTrash("a.txt"), homeExists);
  EXPECT_NE(std::filesystem::exists(root_ / "files/a.txt"), homeExists);
}

TEST_F(TrashTest, ATrashThatCannotBeMadeIsAFailure) {
  MakeTree(root_ / "files", {"a.txt=x", "plain=not a folder"});
  const TTrashOutcome outcome = Trash(root_ / "files/a.txt", [this] {
    setenv("HOME", (root_ / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "files/plain/data").c_str(), 1);
  });
  EXPECT_FALSE(outcome.Moved);
  EXPECT_EQ(outcome.Error, ENOTDIR);
  EXPECT_TRUE(std::filesystem::exists(root_ / "files/a.txt"));
}

TEST_F(TrashTest, AMissingPathIsAFailure) {
  const TTrashOutcome outcome = TrashWithHome(root_ / "files/missing");
  EXPECT_FALSE(outcome.Moved);
  EXPECT_EQ(outcome.Error, ENOENT);
}

}  // namespace
