// The file system's own cost of a numbering rename: list a folder and rename
// every entry once, with RENAME_NOREPLACE as korvane's renames use it.
// With --stat the listing also reads every entry's attributes (fstatat), as
// a listing on Windows returns them and as korvane's narrowing needs them.
// Usage: korvane-rename-baseline [--stat] FOLDER

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

int main(int argc, char **argv) {
  const bool withStat = argc == 3 && std::strcmp(argv[1], "--stat") == 0;
  if (argc != 2 && !withStat) {
    std::fprintf(stderr, "usage: %s [--stat] FOLDER\n", argv[0]);
    return 2;
  }
  const char *folder = argv[argc - 1];
  DIR *dir = opendir(folder);
  if (dir == nullptr) {
    std::perror(folder);
    return 1;
  }
  std::vector<std::string> names;
  struct stat st;
  while (dirent *entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    if (withStat && fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
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
