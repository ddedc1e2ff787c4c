// Rename, copy, create, delete: the refusals of the Windows calls, checked
// here because root on Linux would get past most of them.

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Paths.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

// The folder part of a UTF-8 path, "." for a bare name.
std::string FolderOf(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Copies the rest of `from` into `to`: copy_file_range where the kernel can
// (it may share extents), plain reads and writes where it cannot.
bool CopyData(int from, int to) {
  bool useRange = true;
  for (;;) {
    if (useRange) {
      const ssize_t copied = sys::Call("copy_file_range", [&] {
        return ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
      });
      if (copied > 0) continue;
      if (copied == 0) return true;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
      useRange = false;
    }
    static thread_local std::vector<char> buffer(1 << 17);
    const ssize_t got = sys::Call("read", [&] { return ::read(from, buffer.data(), buffer.size()); });
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = sys::Call("write", [&] {
        return ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
      });
      if (put < 0) return false;
      done += put;
    }
  }
}

// Extended attributes that travel with a copy: the hidden, system and
// archive bits, and the write bits a read-only flag took away.
constexpr const char *kTravellingAttributes[] = {"user.DOSATTRIB", "user.korvane.writebits"};

bool IsXattrUnsupported(int error) { return error == ENOTSUP || error == EOPNOTSUPP; }

// Copies the travelling attributes from one open file to another.  A source
// without them, or on a file system without them, has nothing to give; a
// destination that cannot take the attribute bits fails the copy, as the
// copy would otherwise lose them unseen.
bool CopyAttributes(int from, int to) {
  for (const char *name : kTravellingAttributes) {
    char value[256];
    const ssize_t length =
        sys::Call("fgetxattr", [&] { return ::fgetxattr(from, name, value, sizeof value); });
    if (length < 0) {
      if (errno == ENODATA || IsXattrUnsupported(errno)) continue;
      return false;
    }
    if (sys::Call("fsetxattr", [&] {
          return ::fsetxattr(to, name, value, static_cast<std::size_t>(length), 0);
        }) != 0) {
      // Without the remembered write bits only the owner's come back.
      if (name != kTravellingAttributes[0] && IsXattrUnsupported(errno)) continue;
      return false;
    }
  }
  return true;
}

bool SyncFolder(const std::string &folder) {
  sys::TFd fd(sys::Call("open", [&] { return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  return fd.Valid() && sys::Call("fsync", [&] { return ::fsync(fd.Get()); }) == 0;
}

// The file a copy is written to before it gets its name.  Where the file
// system can (O_TMPFILE) it has no name at all until Commit() links it into
// place, so a run killed in mid-copy leaves nothing behind; elsewhere it is
// a named temporary file beside the destination, removed again unless
// Commit() renames it.
class TTempFile {
public:
  explicit TTempFile(const std::string &folder) : folder_(folder) {
    fd_ = sys::TFd(sys::Call("open_tmpfile", [&] {
      return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    }));
    if (fd_.Valid()) return;
    // Not every file system has O_TMPFILE (NFS, older ones); the kernel
    // says so in one of these ways.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return;
    path_ = TemplateName();
    fd_ = sys::TFd(sys::Call("mkstemp", [&] { return ::mkostemp(path_.data(), O_CLOEXEC); }));
    if (!fd_.Valid()) path_.clear();
  }
  TTempFile(const TTempFile &) = delete;
  TTempFile &operator=(const TTempFile &) = delete;
  ~TTempFile() {
    fd_.Reset();
    if (!path_.empty()) {
      const int saved = errno;
      ::unlink(path_.c_str());
      errno = saved;
    }
  }

  bool Valid() const { return fd_.Valid(); }
  int Fd() const { return fd_.Get(); }

  // Gives the file the name `to`; with noReplace an existing entry is left
  // alone (EEXIST).  With durable the data and the new name are on the disk
  // when it returns, so the caller may remove the source.
  bool Commit(const std::string &to, bool noReplace, bool durable) {
    if (durable && sys::Call("fsync", [&] { return ::fsync(fd_.Get()); }) != 0) return false;
    if (path_.empty()) {
      if (!LinkUnnamed(to, noReplace)) return false;
      // A local file system reports write errors at the write, not at the
      // close, so the close after the link has nothing left to say.
      fd_.Reset();
    } else {
      // The named file is closed first: a failed close (a delayed write
      // error on a network file system) must not be put in place.
      if (::close(fd_.Release()) != 0 && errno != EINTR) return false;
      const unsigned flags = noReplace ? RENAME_NOREPLACE : 0;
      if (sys::Call("renameat2", [&] {
            return ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, to.c_str(), flags);
          }) != 0) {
        return false;
      }
      path_.clear();
    }
    return !durable || SyncFolder(folder_);
  }

private:
  std::string TemplateName() const { return folder_ + "/.korvane-copy-XXXXXX"; }

  // linkat with AT_EMPTY_PATH needs a capability ordinary users lack; the
  // /proc form does the same for anyone.
  bool Link(const std::string &name) const {
    if (sys::Call("linkat", [&] {
          return ::linkat(fd_.Get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
        }) == 0) {
      return true;
    }
    if (errno != ENOENT && errno != EPERM) return false;
    const std::string proc = "/proc/self/fd/" + std::to_string(fd_.Get());
    return sys::Call("linkat", [&] {
             return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
           }) == 0;
  }

  bool LinkUnnamed(const std::string &to, bool noReplace) {
    // A link never replaces, which is what noReplace asks for.
    if (noReplace) return Link(to);
    // Replacing goes through a name of its own and a rename over the old
    // file, so the old file stays whole until the new one is complete.
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = TemplateName();
      const sys::TFd probe(::mkostemp(name.data(), O_CLOEXEC));
      if (!probe.Valid()) return false;
      ::unlink(name.c_str());  // only the unique name was wanted
      if (!Link(name)) {
        if (errno == EEXIST) continue;
        return false;
      }
      if (sys::Call("renameat2", [&] {
            return ::renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, to.c_str(), 0);
          }) != 0) {
        const int saved = errno;
        ::unlink(name.c_str());
        errno = saved;
        return false;
      }
      return true;
    }
    errno = EEXIST;
    return false;
  }

  std::string folder_;
  std::string path_;  // the named temporary file, empty for an unnamed one
  sys::TFd fd_;
};

}  // namespace

bool MoveFile(const std::string &from, const std::string &to) {
  const auto source = fs::SystemPath(from);
  const auto target = fs::SystemPath(to);
  if (!source || !target) return false;
  // RENAME_NOREPLACE makes the check and the rename one step, so a file
  // that appears under the new name in between is not lost either.
  return sys::Call("renameat2", [&] {
           return ::renameat2(AT_FDCWD, source->c_str(), AT_FDCWD, target->c_str(), RENAME_NOREPLACE);
         }) == 0;
}

bool CopyFile(const std::string &from, const std::string &to, bool failIfExists,
              TCopyDurability durability) {
  const auto source = fs::SystemPath(from);
  const auto target = fs::SystemPath(to);
  if (!source || !target) return false;

  sys::TFd in(sys::Call("open", [&] { return ::open(source->c_str(), O_RDONLY | O_CLOEXEC); }));
  if (!in.Valid()) return false;
  struct stat sourceStat {};
  if (sys::Call("fstat", [&] { return ::fstat(in.Get(), &sourceStat); }) != 0) return false;
  if (S_ISDIR(sourceStat.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (!S_ISREG(sourceStat.st_mode)) {
    errno = EINVAL;
    return false;
  }

  struct stat targetStat {};
  if (sys::Call("stat", [&] { return ::stat(target->c_str(), &targetStat); }) == 0) {
    if (failIfExists) {
      errno = EEXIST;
      return false;
    }
    if (S_ISDIR(targetStat.st_mode)) {
      errno = EISDIR;
      return false;
    }
    // Windows refuses to overwrite a read-only file, and so must we: the
    // rename below would otherwise replace it even for an ordinary user.
    // Nor a file the caller may not write (another user's): the rename
    // needs only the folder's permission, Windows asks the file's.
    if (fs::IsReadOnlyMode(targetStat.st_mode) ||
        sys::Call("access", [&] { return ::access(target->c_str(), W_OK); }) != 0) {
      errno = EACCES;
      return false;
    }
    // A file copied onto itself would survive, but Windows refuses (the
    // source is open), and a replaced hard link would silently part.
    if (targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino) {
      errno = EINVAL;
      return false;
    }
  } else if (errno != ENOENT) {
    return false;
  }

  TTempFile temp(FolderOf(*target));
  if (!temp.Valid()) return false;
  if (!CopyData(in.Get(), temp.Fd())) return false;
  // Before the mode: a read-only mode would refuse the attributes.
  if (!CopyAttributes(in.Get(), temp.Fd())) return false;
  if (sys::Call("fchmod", [&] { return ::fchmod(temp.Fd(), sourceStat.st_mode & 07777); }) != 0) {
    return false;
  }
  const timespec times[2] = {{0, UTIME_OMIT}, sourceStat.st_mtim};
  if (sys::Call("futimens", [&] { return ::futimens(temp.Fd(), times); }) != 0) return false;
  return temp.Commit(*target, failIfExists, durability == TCopyDurability::Flushed);
}

bool CreateFolder(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return false;
  return sys::Call("mkdir", [&] { return ::mkdir(utf8->c_str(), 0777); }) == 0;
}

bool DeleteFile(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return false;
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::lstat(utf8->c_str(), &st); }) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  // A link is deleted as the link, like a Windows symbolic link; its own
  // mode never marks it read-only.
  if (!S_ISLNK(st.st_mode) && fs::IsReadOnlyMode(st.st_mode)) {
    errno = EACCES;
    return false;
  }
  return sys::Call("unlink", [&] { return ::unlink(utf8->c_str()); }) == 0;
}

bool RemoveFolder(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return false;
  return sys::Call("rmdir", [&] { return ::rmdir(utf8->c_str()); }) == 0;
}

std::optional<std::int64_t> GetFileSize(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return std::nullopt;
  sys::TFd fd(sys::Call("open", [&] { return ::open(utf8->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }));
  if (!fd.Valid()) return std::nullopt;
  struct stat st {};
  if (sys::Call("fstat", [&] { return ::fstat(fd.Get(), &st); }) != 0) return std::nullopt;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return std::nullopt;
  }
  return static_cast<std::int64_t>(st.st_size);
}
