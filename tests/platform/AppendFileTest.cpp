// Records appended through the shared mapping are the file's at once: a
// process killed right after an append leaves them, and a closed file holds
// exactly what was appended.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "TempTree.h"
#include "platform/AppendFile.h"

namespace {

std::string Read(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int OpenNew(const std::string &path) { return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600); }

// Records of every size up to past the reserved block, so appends cross it.
std::string Records(int count) {
  std::string all;
  for (int i = 0; i < count; ++i) all += std::string(static_cast<std::size_t>(i % 700), 'a' + i % 26) + "\n";
  return all;
}

TEST(AppendFileTest, AClosedFileHoldsExactlyWhatWasAppended) {
  TTempFolder tree;
  for (const int count : {0, 1, 3000, 9000}) {
    const std::string path = tree / ("f" + std::to_string(count));
    TAppendFile file;
    file.Adopt(OpenNew(path));
    const std::string all = Records(count);
    for (std::size_t at = 0; at < all.size();) {
      const std::size_t end = all.find('\n', at) + 1;
      ASSERT_TRUE(file.Append(std::string_view(all).substr(at, end - at)));
      at = end;
    }
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(Read(path), all) << count;
  }
}

TEST(AppendFileTest, AKilledWriterLeavesEveryRecordItAppended) {
  TTempFolder tree;
  const std::string path = tree / "killed";
  const std::string all = Records(5000);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TAppendFile file;
    file.Adopt(OpenNew(path));
    if (!file.Append(all)) std::_Exit(1);
    ::raise(SIGKILL);
    std::_Exit(2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  const std::string left = Read(path);
  ASSERT_GE(left.size(), all.size());
  EXPECT_EQ(left.substr(0, all.size()), all);
  // The room reserved and not used reads as NUL bytes.
  EXPECT_EQ(left.find_first_not_of('\0', all.size()), std::string::npos);
}

}  // namespace
