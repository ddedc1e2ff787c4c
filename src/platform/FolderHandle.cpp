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

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

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
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return TFolderHandle();
  const std::string openPath = utf8->empty() ? std::string(".") : *utf8;
  return TFolderHandle(sys::Call("open", [&] { return ::open(openPath.c_str(), kFolderFlags); }));
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
  return sys;
}

std::optional<std::string> CurrentFolderPath(int dir) {
  const std::string link = "/proc/self/fd/" + std::to_string(dir);
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink(link.c_str(), path.data(), path.size());
    if (length < 0) return std::nullopt;
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
  if (path.empty() || path.front() != '/' || ::stat(path.c_str(), &named) != 0 ||
      held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
    errno = ENOENT;
    return std::nullopt;
  }
  return path;
}

}  // namespace korvane::fs
