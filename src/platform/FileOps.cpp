// Rename, copy, create, delete: the refusals of the Windows calls, checked
// here because root on Linux would get past most of them.
//
// Entries are named relative to their folder (a held one, or the folder of
// a whole path opened once per call) and no call follows a link in an
// entry's place: a source opened for a copy is opened with O_NOFOLLOW, and
// what replaces or removes an entry acts on the name itself.

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

// A name for a file of the copy's own beside the destination, new with
// each call; the caller retries on EEXIST.
std::string UniqueName() {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name = ".korvane-copy-";
  for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

// The folder a copy is made in and the name it gets there: the held folder
// of an entry, or the folder of a whole path, opened once for the whole
// copy so its path is walked once.
class TDestination {
public:
  explicit TDestination(const fs::TSysEntry &to) {
    if (to.Dir != AT_FDCWD) {
      Dir_ = to.Dir;
      Name_ = to.Name;
      return;
    }
    const std::size_t slash = to.Name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : to.Name.substr(0, slash);
    Name_ = slash == std::string::npos ? to.Name : to.Name.substr(slash + 1);
    Owned_ = sys::TFd(
        sys::Call("open", [&] { return ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); }));
    Dir_ = Owned_.Get();
  }

  bool Valid() const { return Dir_ >= 0; }
  int Dir() const { return Dir_; }
  const char *Name() const { return Name_.c_str(); }

private:
  sys::TFd Owned_;
  int Dir_ = -1;
  std::string Name_;
};

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

// The descriptor may be one that can only name entries (O_PATH), so the
// folder is opened through it for the sync.
bool SyncFolder(int dir) {
  sys::TFd fd(sys::Call("open", [&] { return ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  return fd.Valid() && sys::Call("fsync", [&] { return ::fsync(fd.Get()); }) == 0;
}

// The file a copy is written to before it gets its name, in the folder
// `dir`.  Where the file system can (O_TMPFILE) it has no name at all until
// Commit() links it into place, so a run killed in mid-copy leaves nothing
// behind; elsewhere it is a named temporary file beside the destination,
// removed again unless Commit() renames it.
class TTempFile {
public:
  explicit TTempFile(int dir) : dir_(dir) {
    fd_ = sys::TFd(sys::Call("open_tmpfile", [&] {
      return ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    }));
    if (fd_.Valid()) return;
    // Not every file system has O_TMPFILE (NFS, older ones); the kernel
    // says so in one of these ways.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = UniqueName();
      fd_ = sys::TFd(sys::Call("mkstemp", [&] {
        return ::openat(dir, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
      }));
      if (fd_.Valid()) {
        path_ = std::move(name);
        return;
      }
      if (errno != EEXIST) return;
    }
  }
  TTempFile(const TTempFile &) = delete;
  TTempFile &operator=(const TTempFile &) = delete;
  ~TTempFile() {
    fd_.Reset();
    if (!path_.empty()) {
      const int saved = errno;
      ::unlinkat(dir_, path_.c_str(), 0);
      errno = saved;
    }
  }

  bool Valid() const { return fd_.Valid(); }
  int Fd() const { return fd_.Get(); }

  // Gives the file the name `to`; with noReplace an existing entry is left
  // alone (EEXIST).  With durable the data and the new name are on the disk
  // when it returns, so the caller may remove the source.
  bool Commit(const char *to, bool noReplace, bool durable) {
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
      if (sys::Call("renameat2", [&] { return ::renameat2(dir_, path_.c_str(), dir_, to, flags); }) != 0) {
        return false;
      }
      path_.clear();
    }
    return !durable || SyncFolder(dir_);
  }

private:
  // linkat with AT_EMPTY_PATH needs a capability ordinary users lack; the
  // /proc form does the same for anyone.
  bool Link(const char *name) const {
    if (sys::Call("linkat", [&] { return ::linkat(fd_.Get(), "", dir_, name, AT_EMPTY_PATH); }) == 0) {
      return true;
    }
    if (errno != ENOENT && errno != EPERM) return false;
    const std::string proc = "/proc/self/fd/" + std::to_string(fd_.Get());
    return sys::Call("linkat", [&] {
             return ::linkat(AT_FDCWD, proc.c_str(), dir_, name, AT_SYMLINK_FOLLOW);
           }) == 0;
  }

  bool LinkUnnamed(const char *to, bool noReplace) {
    // A link never replaces, which is what noReplace asks for.
    if (noReplace) return Link(to);
    // Replacing goes through a name of its own and a rename over the old
    // file, so the old file stays whole until the new one is complete.
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = UniqueName();
      if (!Link(name.c_str())) {
        if (errno == EEXIST) continue;
        return false;
      }
      if (sys::Call("renameat2", [&] { return ::renameat2(dir_, name.c_str(), dir_, to, 0); }) != 0) {
        const int saved = errno;
        ::unlinkat(dir_, name.c_str(), 0);
        errno = saved;
        return false;
      }
      return true;
    }
    errno = EEXIST;
    return false;
  }

  int dir_;
  std::string path_;  // the named temporary file, empty for an unnamed one
  sys::TFd fd_;
};

// Whether the destination may be written: never a folder, never a
// read-only file or one the caller may not write, never the source itself.
// True with nothing in the way too.
bool DestinationAllows(const TDestination &dest, const struct stat &sourceStat, bool failIfExists) {
  struct stat targetStat {};
  if (sys::Call("stat", [&] { return ::fstatat(dest.Dir(), dest.Name(), &targetStat, 0); }) != 0) {
    return errno == ENOENT;
  }
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
      sys::Call("access", [&] { return ::faccessat(dest.Dir(), dest.Name(), W_OK, 0); }) != 0) {
    errno = EACCES;
    return false;
  }
  // A file copied onto itself would survive, but Windows refuses (the
  // source is open), and a replaced hard link would silently part.
  if (targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino) {
    errno = EINVAL;
    return false;
  }
  return true;
}

// A symbolic link is copied as the link it is, with the same text and
// last-write time: the file it names is never read, as no operation acts on
// what a link points to.  Made under a name of its own and renamed into
// place, like a file.
bool CopyLink(const fs::TSysEntry &source, const struct stat &linkStat, const TDestination &dest,
              bool failIfExists, bool durable) {
  std::string text(static_cast<std::size_t>(linkStat.st_size) + 1, '\0');
  for (;;) {
    const ssize_t length = sys::Call("readlink", [&] {
      return ::readlinkat(source.Dir, source.Name.c_str(), text.data(), text.size());
    });
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) < text.size()) {
      text.resize(static_cast<std::size_t>(length));
      break;
    }
    text.resize(text.size() * 2);
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = UniqueName();
    if (sys::Call("symlink", [&] { return ::symlinkat(text.c_str(), dest.Dir(), name.c_str()); }) != 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, linkStat.st_mtim};
    const unsigned flags = failIfExists ? RENAME_NOREPLACE : 0;
    if (sys::Call("utimensat", [&] {
          return ::utimensat(dest.Dir(), name.c_str(), times, AT_SYMLINK_NOFOLLOW);
        }) != 0 ||
        sys::Call("renameat2", [&] {
          return ::renameat2(dest.Dir(), name.c_str(), dest.Dir(), dest.Name(), flags);
        }) != 0) {
      const int saved = errno;
      ::unlinkat(dest.Dir(), name.c_str(), 0);
      errno = saved;
      return false;
    }
    return !durable || SyncFolder(dest.Dir());
  }
  errno = EEXIST;
  return false;
}

}  // namespace

bool MoveFile(const TEntryRef &from, const TEntryRef &to) {
  const auto source = fs::SystemEntry(from);
  const auto target = fs::SystemEntry(to);
  if (!source || !target) return false;
  // RENAME_NOREPLACE makes the check and the rename one step, so a file
  // that appears under the new name in between is not lost either.
  return sys::Call("renameat2", [&] {
           return ::renameat2(source->Dir, source->Name.c_str(), target->Dir, target->Name.c_str(),
                              RENAME_NOREPLACE);
         }) == 0;
}

bool CopyFile(const TEntryRef &from, const TEntryRef &to, bool failIfExists,
              TCopyDurability durability) {
  const auto source = fs::SystemEntry(from);
  const auto target = fs::SystemEntry(to);
  if (!source || !target) return false;
  const bool durable = durability == TCopyDurability::Flushed;

  // O_NONBLOCK: a named pipe must not hang the run; it is refused below.
  sys::TFd in(sys::Call("open", [&] {
    return ::openat(source->Dir, source->Name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  }));
  struct stat sourceStat {};
  if (!in.Valid()) {
    // O_NOFOLLOW refuses a link with ELOOP (as it does a path with too
    // many links in it, which the stat tells apart).
    if (errno != ELOOP) return false;
    if (sys::Call("lstat", [&] {
          return ::fstatat(source->Dir, source->Name.c_str(), &sourceStat, AT_SYMLINK_NOFOLLOW);
        }) != 0) {
      return false;
    }
    if (!S_ISLNK(sourceStat.st_mode)) {
      errno = ELOOP;
      return false;
    }
    const TDestination dest(*target);
    return dest.Valid() && DestinationAllows(dest, sourceStat, failIfExists) &&
           CopyLink(*source, sourceStat, dest, failIfExists, durable);
  }
  if (sys::Call("fstat", [&] { return ::fstat(in.Get(), &sourceStat); }) != 0) return false;
  if (S_ISDIR(sourceStat.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (!S_ISREG(sourceStat.st_mode)) {
    errno = EINVAL;
    return false;
  }

  const TDestination dest(*target);
  if (!dest.Valid() || !DestinationAllows(dest, sourceStat, failIfExists)) return false;
  TTempFile temp(dest.Dir());
  if (!temp.Valid()) return false;
  if (!CopyData(in.Get(), temp.Fd())) return false;
  // Before the mode: a read-only mode would refuse the attributes.
  if (!CopyAttributes(in.Get(), temp.Fd())) return false;
  if (sys::Call("fchmod", [&] { return ::fchmod(temp.Fd(), sourceStat.st_mode & 07777); }) != 0) {
    return false;
  }
  const timespec times[2] = {{0, UTIME_OMIT}, sourceStat.st_mtim};
  if (sys::Call("futimens", [&] { return ::futimens(temp.Fd(), times); }) != 0) return false;
  return temp.Commit(dest.Name(), failIfExists, durable);
}

bool CreateFolder(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return false;
  return sys::Call("mkdir", [&] { return ::mkdir(utf8->c_str(), 0777); }) == 0;
}

bool DeleteFile(const TEntryRef &entry) {
  const auto target = fs::SystemEntry(entry);
  if (!target) return false;
  struct stat st {};
  if (sys::Call("lstat", [&] {
        return ::fstatat(target->Dir, target->Name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
      }) != 0) {
    return false;
  }
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
  return sys::Call("unlink", [&] { return ::unlinkat(target->Dir, target->Name.c_str(), 0); }) == 0;
}

bool RemoveFolder(const TEntryRef &entry) {
  const auto target = fs::SystemEntry(entry);
  if (!target) return false;
  return sys::Call("rmdir", [&] {
           return ::unlinkat(target->Dir, target->Name.c_str(), AT_REMOVEDIR);
         }) == 0;
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
