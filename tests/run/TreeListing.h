#pragma once
// A tree as a sorted listing: every file and folder below a root, each
// file with its size and last-write time, so two listings compare equal
// only when names, contents' sizes and times all came back.

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

inline std::vector<std::string> TreeListing(const std::filesystem::path &root) {
  std::vector<std::string> lines;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
    std::string line = std::filesystem::relative(entry.path(), root).string();
    struct stat st {};
    if (lstat(entry.path().c_str(), &st) == 0 && S_ISREG(st.st_mode))
      line += " " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtime) + " " +
              std::to_string(st.st_mode & 07777);
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}
