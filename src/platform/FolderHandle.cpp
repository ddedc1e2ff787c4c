// Folders held open, and entries named relative to them.
//
// A folder is opened once: the walk's first folder by its path, every
// folder below it relative to its parent with O_NOFOLLOW, so a link put in
// a folder's place is never entered.  What the walk then does to an entry
// goes through the *at calls with the folder's descriptor and the entry's
// one-component name, which is both cheaper (the kernel looks up one name
// instead of every folder of the path) and safe against a folder that is
// swapped for a link between the listing and the operation: the descriptor
// still leads to the folder that was listed.
//
// A deep tree holds one descriptor per level.  The soft limit on open
// descriptors (often 1024) would end a walk far above the depth a path can
// reach, so it is raised to the hard limit the first time it is hit.

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

bool IsPlainComponent(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// True when the soft limit could still be raised (and now is).  No
// process may hold more than the kernel's nr_open (1048576 unless raised),
// whatever an unlimited hard limit says.
bool RaiseDescriptorLimit() {
  constexpr rlim_t kKernelDefaultMax = 1 << 20;
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
  const rlim_t most = limit.rlim_max == RLIM_INFINITY ? kKernelDefaultMax : limit.rlim_max;
  if (limit.rlim_cur >= most) return false;
  limit.rlim_cur = most;
  return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

}  // namespace

TFolderHandle &TFolderHandle::operator=(TFolderHandle &&other) noexcept {
  if (this != &other) {
    if (Valid()) sys::CloseKeepErrno(Native_);
    Native_ = other.Native_;
    other.Native_ = kNone;
  }
  return *this;
}

TFolderHandle::~TFolderHandle() {
  if (Valid()) sys::CloseKeepErrno(Native_);
}

TFolderHandle TFolderHandle::Open(const std::string &path) {
  const auto entry = fs::SystemEntry(path.empty() ? std::string(".") : path);
  if (!entry) return TFolderHandle();
  return TFolderHandle(fs::OpenEntry(*entry, kFolderFlags));
}

TFolderHandle TFolderHandle::OpenSubfolder(const std::string &name) const {
  const auto utf8 = fs::SystemEntry(TEntryRef(*this, name));
  if (!utf8) return TFolderHandle();
  const auto open = [&] {
    return sys::Call("openat", [&] {
      return ::openat(Native_, utf8->Name.c_str(), kFolderFlags | O_NOFOLLOW);
    });
  };
  int fd = open();
  if (fd < 0 && errno == EMFILE && RaiseDescriptorLimit()) fd = open();
  return TFolderHandle(fd);
}

std::size_t TFolderHandle::EntryCountGuess() const {
  struct stat st {};
  if (!Valid() || sys::Call("fstat", [&] { return ::fstat(Native_, &st); }) != 0 || st.st_size <= 0)
    return 0;
  // The least an entry takes in a folder's size: 12 bytes on ext4, about
  // as much on XFS, twice its name's length on btrfs, 20 on tmpfs.
  constexpr std::size_t kLeastEntryBytes = 8;
  constexpr std::size_t kMost = std::size_t{1} << 22;
  return std::min(static_cast<std::size_t>(st.st_size) / kLeastEntryBytes, kMost);
}

std::optional<TFileId> TFolderHandle::Id() const {
  struct stat st {};
  if (!Valid()) {
    errno = EBADF;
    return std::nullopt;
  }
  if (sys::Call("fstat", [&] { return ::fstat(Native_, &st); }) != 0) return std::nullopt;
  return fs::FileIdOf(st);
}

namespace korvane::fs {

namespace {

// The folder of a path too long for one call, opened a stretch of whole
// components at a time, each stretch short enough for the kernel.  Links on
// the way are followed, as the kernel follows them in a whole path.
bool OpenLongPathFolder(TSysEntry &entry) {
  std::string &path = entry.Name;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  std::string_view rest = std::string_view(path).substr(0, slash == std::string::npos ? 0 : slash);
  int at = AT_FDCWD;
  if (!rest.empty() && rest.front() == '/') {
    entry.Owned = sys::TFd(sys::Call("open", [&] { return ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC); }));
    if (!entry.Owned.Valid()) return false;
    at = entry.Owned.Get();
    while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  }
  while (!rest.empty()) {
    std::size_t cut = rest.size();
    if (cut >= PATH_MAX) {
      cut = rest.rfind('/', PATH_MAX - 1);
      if (cut == std::string_view::npos || cut == 0) {
        errno = ENAMETOOLONG;
        return false;
      }
    }
    const std::string stretch(rest.substr(0, cut));
    sys::TFd next(sys::Call("openat", [&] {
      return ::openat(at, stretch.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }));
    if (!next.Valid()) return false;
    entry.Owned = std::move(next);
    at = entry.Owned.Get();
    rest.remove_prefix(cut);
    while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  }
  entry.Dir = at;
  if (slash != std::string::npos) path.erase(0, slash + 1);
  return true;
}

}  // namespace

int OpenEntry(const TSysEntry &entry, int flags, mode_t mode) {
  return sys::Call("open", [&] { return ::openat(entry.Dir, entry.Name.c_str(), flags | O_CLOEXEC, mode); });
}

std::optional<TSysEntry> SystemEntry(const TEntryRef &entry) {
  TSysEntry sys;
  const TFolderHandle *folder = entry.Folder();
  if (folder != nullptr) {
    if (!folder->Valid()) {
      errno = EBADF;
      return std::nullopt;
    }
    if (!IsPlainComponent(entry.Name())) {
      errno = EINVAL;
      return std::nullopt;
    }
    sys.Dir = folder->Native();
  }
  auto name = Cp932ToUtf8(entry.Name());
  if (!name) {
    errno = EILSEQ;
    return std::nullopt;
  }
  sys.Name = std::move(*name);
  if (folder == nullptr && sys.Name.size() >= PATH_MAX && !OpenLongPathFolder(sys)) return std::nullopt;
  return sys;
}

namespace {

// The path of a folder found as getcwd finds it: the name of each folder is
// looked up in the folder above it, up to the root.  For a path longer than
// the kernel gives out at once.
std::optional<std::string> ClimbedPath(int dir) {
  struct stat here {};
  sys::TFd current(sys::Call("openat", [&] { return ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (!current.Valid() || ::fstat(current.Get(), &here) != 0) return std::nullopt;
  std::vector<std::string> names;
  for (;;) {
    sys::TFd parent(sys::Call("openat", [&] {
      return ::openat(current.Get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }));
    struct stat up {};
    if (!parent.Valid() || ::fstat(parent.Get(), &up) != 0) return std::nullopt;
    if (up.st_dev == here.st_dev && up.st_ino == here.st_ino) break;
    const int listing = ::dup(parent.Get());
    std::unique_ptr<DIR, int (*)(DIR *)> entries(listing >= 0 ? ::fdopendir(listing) : nullptr, ::closedir);
    if (!entries) {
      if (listing >= 0) ::close(listing);
      return std::nullopt;
    }
    std::optional<std::string> found;
    while (const dirent *entry = ::readdir(entries.get())) {
      if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
      const std::string_view name(entry->d_name);
      if (name == "." || name == "..") continue;
      struct stat st {};
      if (::fstatat(parent.Get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == here.st_dev &&
          st.st_ino == here.st_ino) {
        found = std::string(name);
        break;
      }
    }
    if (!found) {
      errno = ENOENT;
      return std::nullopt;
    }
    names.push_back(*std::move(found));
    here = up;
    current = std::move(parent);
  }
  std::string path;
  for (auto name = names.rbegin(); name != names.rend(); ++name) path += "/" + *name;
  return path.empty() ? std::string("/") : path;
}

}  // namespace

std::optional<std::string> CurrentFolderPath(int dir) {
  const std::string link = "/proc/self/fd/" + std::to_string(dir);
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink(link.c_str(), path.data(), path.size());
    if (length < 0) {
      if (errno == ENAMETOOLONG) return ClimbedPath(dir);
      return std::nullopt;
    }
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      break;
    }
    path.resize(path.size() * 2);
  }
  // A removed folder reads as "/old/path (deleted)", which names nothing or
  // something else; so does a path another program has just changed.
  struct stat held {}, named {};
  if (sys::Call("fstat", [&] { return ::fstat(dir, &held); }) != 0) return std::nullopt;
  if (path.size() >= PATH_MAX) return ClimbedPath(dir);
  if (path.empty() || path.front() != '/' || ::stat(path.c_str(), &named) != 0 ||
      held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
    errno = ENOENT;
    return std::nullopt;
  }
  return path;
}

std::string HomeFolder() {
  if (const char *home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  if (const passwd *user = ::getpwuid(::geteuid()); user != nullptr && user->pw_dir != nullptr)
    return user->pw_dir;
  return {};
}

std::string HomeTrashPath() {
  if (const char *data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
    return std::string(data) + "/Trash";
  return HomeFolder() + "/.local/share/Trash";
}

}  // namespace korvane::fs
