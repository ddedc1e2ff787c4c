// The file system's own cost of listing a tree the way korvane must: every
// folder opened relative to its parent and read once, every entry examined
// relative to its folder (fstatat and the user.DOSATTRIB attribute, which
// holds the hidden and system bits), and the path of every file printed.
// The attribute is read with getxattrat where the kernel has it (Linux
// 6.13), else with lgetxattr from the folder as working folder, as korvane
// does.
// Usage: korvane-list-baseline FOLDER

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct XattrArgs {
  std::uint64_t Value;
  std::uint32_t Size;
  std::uint32_t Flags;
};

bool haveXattrAt = true;
long entries = 0;

long ReadDosAttrib(int dir, const char *name, char *buffer, std::size_t size) {
#if defined(__x86_64__) || defined(__aarch64__)
  if (haveXattrAt) {
    XattrArgs args{reinterpret_cast<std::uintptr_t>(buffer), static_cast<std::uint32_t>(size), 0};
    const long got = syscall(464, dir, name, AT_SYMLINK_NOFOLLOW, "user.DOSATTRIB", &args, sizeof args);
    if (got >= 0 || errno != ENOSYS) return got;
    haveXattrAt = false;
    fchdir(dir);
  }
#endif
  return lgetxattr(name, "user.DOSATTRIB", buffer, size);  // working folder: `dir`
}

void Walk(int dir, std::string &path) {
  DIR *stream = fdopendir(dir);
  if (stream == nullptr) {
    close(dir);
    return;
  }
  if (!haveXattrAt) fchdir(dir);
  std::vector<std::string> folders;
  const std::size_t length = path.size();
  char buffer[256];
  struct stat st;
  while (const dirent *entry = readdir(stream)) {
    const char *name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    if (fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    ReadDosAttrib(dir, name, buffer, sizeof buffer);
    ++entries;
    if (S_ISDIR(st.st_mode)) {
      folders.emplace_back(name);
      continue;
    }
    path.resize(length);
    path += name;
    path += '\n';
    std::fwrite(path.data(), 1, path.size(), stdout);
  }
  for (const std::string &folder : folders) {
    const int sub = openat(dir, folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) continue;
    path.resize(length);
    path += folder;
    path += '/';
    Walk(sub, path);
    if (!haveXattrAt) fchdir(dir);
  }
  path.resize(length);
  closedir(stream);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const int root = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) {
    std::perror(argv[1]);
    return 1;
  }
  std::string path = argv[1];
  if (path.back() != '/') path += '/';
  Walk(root, path);
  std::fflush(stdout);
  return entries > 0 ? 0 : 1;
}
