// The file system's own cost of a numbering rename: list a folder and rename
// every entry once, with RENAME_NOREPLACE as korvane's renames use it.
// Usage: korvane-rename-baseline FOLDER

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  DIR *dir = opendir(argv[1]);
  if (dir == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<std::string> names;
  while (dirent *entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    names.emplace_back(entry->d_name);
  }
  const int fd = dirfd(dir);
  int failed = 0;
  unsigned counter = 1;
  char suffix[16];
  for (const std::string &name : names) {
    std::snprintf(suffix, sizeof suffix, "%04u", counter++);
    std::string target = name;
    const std::size_t dot = target.rfind('.');
    target.insert(dot == std::string::npos ? target.size() : dot, suffix);
    if (renameat2(fd, name.c_str(), fd, target.c_str(), RENAME_NOREPLACE) != 0) ++failed;
  }
  closedir(dir);
  if (failed != 0) std::fprintf(stderr, "%d renames failed\n", failed);
  return failed == 0 ? 0 : 1;
}
