// Replacing a file by a renamed new one gives it a new identity: another
// name of it (a hard link) keeps the old text and parts from it for good,
// and a folder the user may not write refuses the new file although the
// file itself may be written.  In those two cases the text is written into
// the file in place instead: its space is reserved first, so a full disk is
// found out before a byte of the old text is overwritten, and the result is
// flushed.  That write is not all-or-nothing, which is why it is kept for
// the files that need it.
//
// Extended attributes (a file manager's tags, a backup tool's marks) would
// be lost by the replacement too; the user attributes are carried over to
// the new file, and a file whose attributes cannot be carried is written in
// place as well.

#include "core/SaveFile.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/Sys.h"

namespace sys = korvane::sys;

namespace {

bool WriteAll(int fd, std::string_view bytes, off_t offset) {
  while (!bytes.empty()) {
    const ssize_t put =
        sys::Call("write", [&] { return ::pwrite(fd, bytes.data(), bytes.size(), offset); });
    if (put <= 0) {
      if (put == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
    offset += put;
  }
  return true;
}

std::string FolderOf(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A temporary file beside the target that is removed again unless Commit()
// renamed it into place.
class TTempFile {
public:
  TTempFile(const std::string &target, mode_t mode) {
    const std::string folder = FolderOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = folder + (folder.back() == '/' ? "." : "/.") + base + ".korvane-" +
                         std::to_string(::getpid()) + "-" + std::to_string(counter_++);
      const int fd = sys::Call("open", [&] {
        return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      });
      if (fd >= 0) {
        fd_ = sys::TFd(fd);
        name_ = std::move(name);
        return;
      }
      if (errno != EEXIST) return;
    }
  }
  TTempFile(const TTempFile &) = delete;
  TTempFile &operator=(const TTempFile &) = delete;
  ~TTempFile() {
    fd_.Reset();
    if (!name_.empty()) {
      const int saved = errno;
      ::unlink(name_.c_str());
      errno = saved;
    }
  }

  bool Valid() const { return fd_.Valid(); }
  int Fd() const { return fd_.Get(); }

  // Closes the file (a close error can be the first sign of a full disk on
  // some file systems) and renames it over the target.
  bool Commit(const std::string &target) {
    if (::close(fd_.Release()) != 0) return false;
    if (sys::Call("rename", [&] { return ::rename(name_.c_str(), target.c_str()); }) != 0) return false;
    name_.clear();
    return true;
  }

private:
  static inline unsigned counter_ = 0;
  sys::TFd fd_;
  std::string name_;
};

// Copies the user.* extended attributes of one file to another; false when
// one of them cannot be read or written.
bool CopyUserAttributes(const std::string &from, int to) {
  const ssize_t listSize = ::listxattr(from.c_str(), nullptr, 0);
  if (listSize < 0) return errno == ENOTSUP || errno == EOPNOTSUPP;
  std::vector<char> names(static_cast<std::size_t>(listSize) + 1);
  const ssize_t got = ::listxattr(from.c_str(), names.data(), names.size());
  if (got < 0) return false;
  for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
    const std::string name(names.data() + at);
    at += name.size() + 1;
    if (!name.starts_with("user.")) continue;  // the others are the system's to set
    const ssize_t length = ::getxattr(from.c_str(), name.c_str(), nullptr, 0);
    if (length < 0) return false;
    std::vector<char> value(static_cast<std::size_t>(length));
    if (::getxattr(from.c_str(), name.c_str(), value.data(), value.size()) != length) return false;
    if (sys::Call("fsetxattr", [&] { return ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0); }) != 0)
      return false;
  }
  return true;
}

// Makes the rename durable.  The new file is already in place when this
// runs; a failed folder sync loses nothing that could still be saved, so it
// is not reported.
void SyncFolder(const std::string &path) {
  sys::TFd fd(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Valid()) ::fsync(fd.Get());
}

bool WriteInPlace(const std::string &path, std::string_view bytes) {
  sys::TFd fd(sys::Call("open", [&] { return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW); }));
  if (!fd.Valid()) return false;
  if (!bytes.empty()) {
    const int reserved = sys::Call("fallocate", [&] {
      const int error = ::posix_fallocate(fd.Get(), 0, static_cast<off_t>(bytes.size()));
      if (error != 0) errno = error;
      return error == 0 ? 0 : -1;
    });
    // A file system that cannot reserve space still takes the write.
    if (reserved != 0 && errno != EOPNOTSUPP && errno != EINVAL) return false;
  }
  if (!WriteAll(fd.Get(), bytes, 0)) return false;
  if (sys::Call("ftruncate", [&] { return ::ftruncate(fd.Get(), static_cast<off_t>(bytes.size())); }) != 0)
    return false;
  return sys::Call("fsync", [&] { return ::fsync(fd.Get()); }) == 0;
}

enum class TReplaceOutcome { Done, Failed, KeepIdentity };

TReplaceOutcome ReplaceWithNewFile(const std::string &path, const struct stat *existing,
                                   std::string_view bytes) {
  TTempFile temp(path, existing ? S_IRUSR | S_IWUSR : 0666);
  if (!temp.Valid()) return TReplaceOutcome::Failed;
  if (!WriteAll(temp.Fd(), bytes, 0)) return TReplaceOutcome::Failed;
  if (existing && !CopyUserAttributes(path, temp.Fd())) return TReplaceOutcome::KeepIdentity;
  if (sys::Call("fsync", [&] { return ::fsync(temp.Fd()); }) != 0) return TReplaceOutcome::Failed;
  if (existing) {
    // Keeping the owner needs privileges we may not have; the file then
    // belongs to the user who saved it, as any file they write would.
    if (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(temp.Fd(), existing->st_uid, existing->st_gid);
    }
    // After the owner, since a change of owner may clear mode bits.
    if (::fchmod(temp.Fd(), existing->st_mode & 07777) != 0) return TReplaceOutcome::Failed;
  }
  if (!temp.Commit(path)) return TReplaceOutcome::Failed;
  SyncFolder(path);
  return TReplaceOutcome::Done;
}

}  // namespace

bool SaveFileContents(const std::string &path, const struct stat *existing, std::string_view bytes) {
  if (existing) {
    const bool hardLinked = existing->st_nlink > 1;
    const bool folderLocked =
        sys::Call("access", [&] { return ::access(FolderOf(path).c_str(), W_OK | X_OK); }) != 0;
    if (hardLinked || folderLocked) return WriteInPlace(path, bytes);
  }
  switch (ReplaceWithNewFile(path, existing, bytes)) {
  case TReplaceOutcome::Done: return true;
  case TReplaceOutcome::Failed: return false;
  case TReplaceOutcome::KeepIdentity: break;
  }
  return WriteInPlace(path, bytes);
}
