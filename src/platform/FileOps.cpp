// Rename, copy, move, create, delete: the refusals of the Windows calls,
// checked here because root on Linux would get past most of them.
//
// A move within one file system is a rename and nothing else.  Across file
// systems it is a durable copy, and the source is removed only when it is
// still what was copied (the same file under its name, of the same size,
// last-write and change times): a writer that appended to it meanwhile
// would otherwise lose what it wrote.  The look and the removal are two
// calls; what lands between them is found in the file still held open and
// put back under its name.
//
// Entries are named relative to their folder (a held one, or the folder of
// a whole path opened once per call) and no call follows a link in an
// entry's place: a source opened for a copy is opened with O_NOFOLLOW, and
// what replaces or removes an entry acts on the name itself.
//
// Not every file system offers what these calls prefer.  Where renameat2's
// RENAME_NOREPLACE is refused (NFS, SMB and many FUSE drivers answer
// EINVAL), the new name is looked up relative to the held folder and the
// plain rename follows at once: another program would have to create that
// very name within those few microseconds, and such file systems offer
// nothing better.  Where O_TMPFILE is refused, a named temporary file stands
// in.  Each refusal is remembered per file system for the run, so it is met
// once, not per file.  On a file system that ignores letter case (FAT,
// exFAT), a change of case only is the same entry under the same name to the
// kernel, which then does nothing at all; it goes through a temporary name.

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

// A name for a file of the copy's own beside the destination, new with
// each call; the caller retries on EEXIST.
std::string UniqueName(const char *prefix = ".korvane-copy-") {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name = prefix;
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

// The device of the folder an entry is named in.
std::uint64_t FolderDevice(int dir, const char *name) {
  struct stat st {};
  const char *slash = std::strrchr(name, '/');
  if (dir != AT_FDCWD && slash == nullptr) {
    if (::fstat(dir, &st) != 0) return 0;
  } else {
    const std::string folder = slash == nullptr ? std::string(".")
                               : slash == name  ? std::string("/")
                                                : std::string(name, slash);
    if (::fstatat(dir, folder.c_str(), &st, 0) != 0) return 0;
  }
  return fs::DeviceOf(st);
}

// The identity of the folder an entry is named in.
std::optional<TFileId> FolderIdOf(const fs::TSysEntry &entry) {
  struct stat st {};
  const std::size_t slash = entry.Name.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".")
                             : slash == 0               ? std::string("/")
                                                        : entry.Name.substr(0, slash);
  if (::fstatat(entry.Dir, folder.c_str(), &st, 0) != 0) return std::nullopt;
  return fs::FileIdOf(st);
}

// `name` with its last component replaced by `leaf`.
std::string Sibling(const std::string &name, const std::string &leaf) {
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? leaf : name.substr(0, slash + 1) + leaf;
}

// True when the two names (UTF-8) differ only in letter case.  Cheap, and
// no call: most renames are ruled out here.
bool DifferInCaseOnly(std::string_view a, std::string_view b) {
  a = fs::LastComponent(a);
  b = fs::LastComponent(b);
  if (a == b || a.size() != b.size()) return false;
  TFileSystemTraits folding;
  folding.CaseInsensitive = true;
  const auto cpA = Utf8ToCp932(a);
  const auto cpB = Utf8ToCp932(b);
  return cpA && cpB && NameKey(folding, *cpA) == NameKey(folding, *cpB);
}

// True when `to` names `from` itself in a folder whose file system ignores
// case: the kernel would then see no change at all.  Decided by the names
// and the file system alone, without looking the new name up: a FUSE driver
// without inode numbers of its own makes one up per name, and the kernel
// keeps a name once looked up for a while after the entry has moved on.
bool CaseChangeOnly(const fs::TSysEntry &from, const fs::TSysEntry &to) {
  if (!DifferInCaseOnly(from.Name, to.Name)) return false;
  const auto fromFolder = FolderIdOf(from);
  const auto toFolder = FolderIdOf(to);
  if (!fromFolder || !toFolder || *fromFolder != *toFolder) return false;
  const std::size_t slash = to.Name.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : to.Name.substr(0, slash ? slash : 1);
  const sys::TFd fd(::openat(to.Dir, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  const auto traits = fd.Valid() ? fs::TraitsOfFolder(fd.Get()) : std::nullopt;
  return traits && traits->CaseInsensitive;
}

// True when `to` is `from` itself under another name: the same file in the
// same folder, as a file system that folds case per folder (ext4's casefold)
// reports it.  A file with other hard links may be one of them, and is never
// taken for itself.
bool SameEntryUnderAnotherName(const fs::TSysEntry &from, const fs::TSysEntry &to) {
  if (fs::LastComponent(from.Name) == fs::LastComponent(to.Name)) return false;
  const auto fromFolder = FolderIdOf(from);
  const auto toFolder = FolderIdOf(to);
  if (!fromFolder || !toFolder || *fromFolder != *toFolder) return false;
  struct stat a {}, b {};
  if (::fstatat(from.Dir, from.Name.c_str(), &a, AT_SYMLINK_NOFOLLOW) != 0 ||
      ::fstatat(to.Dir, to.Name.c_str(), &b, AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && (S_ISDIR(a.st_mode) || a.st_nlink == 1);
}

// A change the kernel sees as none (the same entry under a name it
// compares as equal) in two renames through a temporary name of the same
// folder.  The second rename is a plain one: the only entry that could hold
// the new name is the one just moved away, and the kernel may still hold
// the new name as taken (it keeps a looked-up name for a while on FUSE),
// so asking it would refuse what is free.  If the second cannot be made,
// the entry gets its old name back.
bool RenameThroughTemporary(const fs::TSysEntry &from, const fs::TSysEntry &to) {
  const auto cpTo = Utf8ToCp932(fs::LastComponent(to.Name));
  for (int attempt = 0; attempt < 100; ++attempt) {
    // A name an undo can find again, should the process be killed between
    // the two renames.
    const std::string temporary =
        Sibling(to.Name, Cp932ToUtf8(CaseChangeTemporaryName(cpTo.value_or(std::string()), attempt))
                             .value_or(UniqueName(".korvane-case-")));
    if (!fs::RenameNoReplace(from.Dir, from.Name.c_str(), to.Dir, temporary.c_str())) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (sys::Call("renameat", [&] { return ::renameat(to.Dir, temporary.c_str(), to.Dir, to.Name.c_str()); }) == 0)
      return true;
    const int saved = errno;
    ::renameat(to.Dir, temporary.c_str(), from.Dir, from.Name.c_str());
    errno = saved;
    return false;
  }
  errno = EEXIST;
  return false;
}

// The process's umask, read without changing it: umask() sets as it reads,
// which another thread could see.
mode_t ProcessUmask() {
  std::FILE *status = std::fopen("/proc/self/status", "re");
  if (status != nullptr) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status) != nullptr)
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return static_cast<mode_t>(mask);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// The mode a new file gets: a copy is a new file of the caller's (the
// source's permissions less the umask, as cp gives them without -p); a
// move is the same file in another place and keeps its mode whole.
mode_t CopyMode(mode_t source, TCopyPurpose purpose) {
  if (purpose == TCopyPurpose::Move) return source & 07777;
  static const mode_t umask = ProcessUmask();
  return source & 0777 & ~umask;
}

// Whether a failed chmod means only that the file system keeps no modes (a
// FAT card through FUSE answers ENOSYS), which a copy onto it must accept as
// cp does.
bool ModesNotKept(int error) { return error == ENOSYS || error == EOPNOTSUPP || error == EPERM; }

// The times a new file gets: now for the last access, `written` for the
// last write.  Both are given: a FUSE driver may drop the last write when
// the last access is left as it is (exfat-fuse does).
struct TNewFileTimes {
  timespec Times[2];
  explicit TNewFileTimes(const timespec &written) {
    clock_gettime(CLOCK_REALTIME, &Times[0]);
    Times[1] = written;
  }
};

// Extended attributes that travel with a copy: the hidden, system and
// archive bits, and the write bits a read-only flag took away.
constexpr const char *kTravellingAttributes[] = {"user.DOSATTRIB", "user.korvane.writebits"};

bool IsXattrUnsupported(int error) { return error == ENOTSUP || error == EOPNOTSUPP; }

// Copies the travelling attributes from one open file to another.  A source
// without them, or on a file system without them, has nothing to give; a
// destination that cannot take the hidden or system bit fails the copy, as
// the copy would otherwise lose them unseen.  The archive bit alone, which
// Windows sets on every new copy anyway, is let go where it cannot be kept.
// The kernel's FAT driver keeps the bits as the card's own attributes.
bool CopyAttributes(int from, int to, const std::optional<TFileSystemTraits> &toTraits) {
  struct stat st {};
  const bool fromFat = ::fstat(from, &st) == 0 && fs::TraitsOfDevice(fs::DeviceOf(st), from).DosAttributeIoctl;
  const bool toFat = toTraits && toTraits->DosAttributeIoctl;
  if (fromFat || toFat) {
    const std::uint32_t bits = fs::DosBitsOfFd(from, fromFat) & (kAttrHidden | kAttrSystem | kAttrArchive);
    return bits == 0 || fs::StoreDosBitsFd(to, toFat, bits);
  }
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
      if (!IsXattrUnsupported(errno)) return false;
      // Without the remembered write bits only the owner's come back.
      if (name != kTravellingAttributes[0]) continue;
      const std::uint32_t bits = fs::ParseDosAttrib(std::string_view(value, static_cast<std::size_t>(length)));
      if ((bits & (kAttrHidden | kAttrSystem)) == 0) continue;
      errno = kErrorNoAttributeStore;
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
    const std::uint64_t device = fs::RefusalsNoted() ? FolderDevice(dir, "x") : 0;
    if (device == 0 || !fs::Refuses(device, fs::TKernelFeature::TmpFile)) {
      fd_ = sys::TFd(sys::Call("open_tmpfile", [&] {
        return ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
      }));
      if (fd_.Valid()) return;
      // Not every file system has O_TMPFILE (NFS, FUSE, FAT); the kernel
      // says so in one of these ways.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return;
      if (!sys::LastCallFaked()) fs::NoteRefusal(FolderDevice(dir, "x"), fs::TKernelFeature::TmpFile);
    }
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

  // Gives the file the name `to` and the last-write time `written`; with
  // noReplace an existing entry is left alone (EEXIST).  With durable the
  // data and the new name are on the disk when it returns, so the caller
  // may remove the source.
  //
  // Some drivers (exFAT through FUSE) stamp the time when the file is
  // closed, so the time is set once the data is closed and then checked.
  bool Commit(const char *to, bool noReplace, bool durable, const timespec &written) {
    if (durable && sys::Call("fsync", [&] { return ::fsync(fd_.Get()); }) != 0) return false;
    if (path_.empty()) {
      const TNewFileTimes times(written);
      if (sys::Call("futimens", [&] { return ::futimens(fd_.Get(), times.Times); }) != 0) return false;
      if (!LinkUnnamed(to, noReplace)) return false;
      // A local file system reports write errors at the write, not at the
      // close, so the close after the link has nothing left to say.
      fd_.Reset();
    } else {
      // The named file is closed first: a failed close (a delayed write
      // error on a network file system) must not be put in place.
      if (::close(fd_.Release()) != 0 && errno != EINTR) return false;
      if (!SetWritten(path_.c_str(), written)) return false;
      const bool renamed = noReplace ? fs::RenameNoReplace(dir_, path_.c_str(), dir_, to)
                                     : sys::Call("renameat", [&] {
                                         return ::renameat(dir_, path_.c_str(), dir_, to);
                                       }) == 0;
      if (!renamed) return false;
      path_.clear();
    }
    KeepWritten(to, written);
    return !durable || SyncFolder(dir_);
  }

private:
  bool SetWritten(const char *name, const timespec &written) const {
    const TNewFileTimes times(written);
    return sys::Call("utimensat", [&] { return ::utimensat(dir_, name, times.Times, AT_SYMLINK_NOFOLLOW); }) == 0;
  }

  // A time the file system stored otherwise than asked (a driver that
  // stamped it late) is set once more.  One it cannot hold at all (a FAT
  // time before 1980) stays as the file system keeps it.
  void KeepWritten(const char *name, const timespec &written) const {
    struct stat st {};
    if (::fstatat(dir_, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    // FAT keeps two seconds; every other file system finer.
    if (std::llabs(static_cast<long long>(st.st_mtim.tv_sec) - written.tv_sec) <= 2) return;
    SetWritten(name, written);
  }

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
      if (sys::Call("renameat", [&] { return ::renameat(dir_, name.c_str(), dir_, to); }) != 0) {
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
bool DestinationAllows(int dir, const char *name, const struct stat &sourceStat, bool failIfExists) {
  struct stat targetStat {};
  if (sys::Call("stat", [&] { return ::fstatat(dir, name, &targetStat, 0); }) != 0) {
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
  if (fs::IsReadOnlyMode(targetStat.st_mode)) {
    errno = kErrorReadOnly;
    return false;
  }
  if (sys::Call("access", [&] { return ::faccessat(dir, name, W_OK, 0); }) != 0) {
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

bool DestinationAllows(const TDestination &dest, const struct stat &sourceStat, bool failIfExists) {
  return DestinationAllows(dest.Dir(), dest.Name(), sourceStat, failIfExists);
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
    const TNewFileTimes times(linkStat.st_mtim);
    const auto rename = [&] {
      if (failIfExists) return fs::RenameNoReplace(dest.Dir(), name.c_str(), dest.Dir(), dest.Name());
      return sys::Call("renameat", [&] {
               return ::renameat(dest.Dir(), name.c_str(), dest.Dir(), dest.Name());
             }) == 0;
    };
    if (sys::Call("utimensat", [&] {
          return ::utimensat(dest.Dir(), name.c_str(), times.Times, AT_SYMLINK_NOFOLLOW);
        }) != 0 ||
        !rename()) {
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

namespace korvane::fs {

bool RenameNoReplace(int fromDir, const char *from, int toDir, const char *to) {
  std::uint64_t device = 0;
  const auto knownDevice = [&] {
    if (device == 0) device = FolderDevice(toDir, to);
    return device;
  };
  const bool flagRefused = RefusalsNoted() && Refuses(knownDevice(), TKernelFeature::RenameNoReplace);
  if (!flagRefused) {
    // The flag makes the check and the rename one step, so a file that
    // appears under the new name in between is not lost either.
    if (sys::Call("renameat2", [&] { return ::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE); }) == 0)
      return true;
    // EINVAL: the flag refused, or a rename refused whatever the flags (a
    // folder into itself), which the plain rename below refuses again.
    if (errno != EINVAL) return false;
  }
  const bool kernelSaid = !sys::LastCallFaked();
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW); }) == 0) {
    errno = EEXIST;
    return false;
  }
  if (errno != ENOENT) return false;
  const bool renamed = sys::Call("renameat", [&] { return ::renameat(fromDir, from, toDir, to); }) == 0;
  if (!flagRefused && kernelSaid && (renamed || errno != EINVAL)) {
    const int saved = errno;
    NoteRefusal(knownDevice(), TKernelFeature::RenameNoReplace);
    errno = saved;
  }
  return renamed;
}

}  // namespace korvane::fs

std::string CaseChangeTemporaryName(std::string_view name, int attempt) {
  std::uint64_t hash = 1469598103934665603ull;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char text[48];
  std::snprintf(text, sizeof text, ".korvane-case-%016llx%s", static_cast<unsigned long long>(hash),
                attempt == 0 ? "" : ("-" + std::to_string(attempt)).c_str());
  return text;
}

bool MoveFile(const TEntryRef &from, const TEntryRef &to) {
  const auto source = fs::SystemEntry(from);
  const auto target = fs::SystemEntry(to);
  if (!source || !target) return false;
  if (!fs::NameHeldAt(target->Dir, target->Name)) return false;
  if (CaseChangeOnly(*source, *target)) return RenameThroughTemporary(*source, *target);
  if (fs::RenameNoReplace(source->Dir, source->Name.c_str(), target->Dir, target->Name.c_str()))
    return true;
  if (errno == EEXIST && SameEntryUnderAnotherName(*source, *target))
    return RenameThroughTemporary(*source, *target);
  fs::ExplainNameRefusal(target->Dir, target->Name);
  return false;
}

namespace {

// The copy proper, of the open regular file `in` whose status `began` the
// copy starts from, into `dest`.
bool CopyOpenFile(int in, const struct stat &began, const TDestination &dest, bool failIfExists,
                  TCopyPurpose purpose) {
  const bool move = purpose == TCopyPurpose::Move;
  // Once this file system has been found full in the run, a copy that
  // cannot fit in what is left fails at once instead of filling it again.
  const std::uint64_t device = FolderDevice(dest.Dir(), dest.Name());
  if (fs::RefusalsNoted() && fs::Refuses(device, fs::TKernelFeature::SpaceRanOut)) {
    const auto space = fs::FreeSpaceAt(dest.Dir());
    if (space && SpaceFor(*space, began.st_size) > space->Available) {
      errno = ENOSPC;
      return false;
    }
  }
  const auto copied = [&] {
    TTempFile temp(dest.Dir());
    if (!temp.Valid() || !fs::CopyContents(in, temp.Fd(), began)) return false;
    // The owner first: giving a file away clears its capabilities and its
    // set-user-ID bit, which the attributes and the mode then bring back.
    if (move && !fs::CopyOwner(temp.Fd(), began)) return false;
    const auto traits = fs::TraitsOfFolder(dest.Dir());
    // Before the mode: a read-only mode would refuse the attributes.
    if (!CopyAttributes(in, temp.Fd(), traits) || !fs::CopyExtendedAttributes(in, temp.Fd(), purpose))
      return false;
    if (sys::Call("fchmod", [&] { return ::fchmod(temp.Fd(), CopyMode(began.st_mode, purpose)); }) != 0 &&
        !(ModesNotKept(errno) && traits && (traits->Utf16Names || traits->Type.starts_with("fuse")))) {
      return false;
    }
    // A moved file's ACL goes with it; a copy's permissions follow the umask.
    if (move && fs::HasAccessControlList(in) && !fs::CopyAccessControlList(in, temp.Fd())) return false;
    return temp.Commit(dest.Name(), failIfExists, move, began.st_mtim);
  };
  if (copied()) return true;
  if ((errno == ENOSPC || errno == EDQUOT) && !sys::LastCallFaked()) {
    const int saved = errno;
    fs::NoteRefusal(device, fs::TKernelFeature::SpaceRanOut);
    errno = saved;
  }
  fs::ExplainNameRefusal(dest.Dir(), dest.Name());
  return false;
}

// The source of a copy opened for reading, or for a symbolic link its own
// status (`in` then not valid): a link's target is never read.
bool OpenSource(const fs::TSysEntry &source, sys::TFd &in, struct stat &st) {
  // O_NONBLOCK: a named pipe must not hang the run; it is refused below.
  in = sys::TFd(fs::OpenEntry(source, O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
  if (!in.Valid()) {
    // O_NOFOLLOW refuses a link with ELOOP (as it does a path with too
    // many links in it, which the stat tells apart).
    if (errno != ELOOP) return false;
    if (sys::Call("lstat", [&] {
          return ::fstatat(source.Dir, source.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
        }) != 0) {
      return false;
    }
    if (S_ISLNK(st.st_mode)) return true;
    errno = ELOOP;
    return false;
  }
  if (sys::Call("fstat", [&] { return ::fstat(in.Get(), &st); }) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    errno = kErrorSpecialFile;
    return false;
  }
  return true;
}

bool SameTime(const timespec &a, const timespec &b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// True when the entry `source` is still the file the copy began with, as
// it was then: the same file under the name, of the same size, written and
// changed at the same times.  A writer that appended, a program that saved
// a new version under the name, a change of its attributes: each shows.
bool Unchanged(const fs::TSysEntry &source, int in, const struct stat &began) {
  struct stat named {}, now {};
  if (sys::Call("lstat", [&] {
        return ::fstatat(source.Dir, source.Name.c_str(), &named, AT_SYMLINK_NOFOLLOW);
      }) != 0) {
    return false;
  }
  if (in >= 0 && sys::Call("fstat", [&] { return ::fstat(in, &now); }) != 0) return false;
  if (in < 0) now = named;
  return named.st_dev == began.st_dev && named.st_ino == began.st_ino && now.st_size == began.st_size &&
         SameTime(now.st_mtim, began.st_mtim) && SameTime(now.st_ctim, began.st_ctim);
}

// After the source of a move was removed: if a writer still had it open
// and wrote in the instant between the last look and the removal, its
// data is in the file `in` holds, which no name leads to any more.  It is
// put back under its name, so the writes are not lost.  True when nothing
// had to be put back.
bool NothingWrittenSince(const fs::TSysEntry &source, int in, const struct stat &began) {
  struct stat now {};
  if (::fstat(in, &now) != 0) return true;
  if (now.st_size == began.st_size && SameTime(now.st_mtim, began.st_mtim)) return true;
  CopyOpenFile(in, now, TDestination(source), /*failIfExists=*/true, TCopyPurpose::Move);
  return false;
}

}  // namespace

bool CopyFile(const TEntryRef &from, const TEntryRef &to, bool failIfExists, TCopyPurpose purpose) {
  const auto source = fs::SystemEntry(from);
  const auto target = fs::SystemEntry(to);
  if (!source || !target) return false;
  const bool durable = purpose == TCopyPurpose::Move;

  sys::TFd in;
  struct stat sourceStat {};
  if (!OpenSource(*source, in, sourceStat)) return false;
  const TDestination dest(*target);
  if (!dest.Valid() || !fs::NameHeldAt(dest.Dir(), dest.Name()) ||
      !DestinationAllows(dest, sourceStat, failIfExists))
    return false;
  if (!in.Valid()) return CopyLink(*source, sourceStat, dest, failIfExists, durable);
  return CopyOpenFile(in.Get(), sourceStat, dest, failIfExists, purpose);
}

bool MoveFileEx(const TEntryRef &from, const TEntryRef &to, bool replaceExisting, bool *copyStays,
                bool *renamed) {
  if (copyStays != nullptr) *copyStays = false;
  if (renamed != nullptr) *renamed = false;
  const auto source = fs::SystemEntry(from);
  const auto target = fs::SystemEntry(to);
  if (!source || !target) return false;
  if (!fs::NameHeldAt(target->Dir, target->Name)) return false;
  const auto sourceStatus = [&](struct stat &st) {
    if (sys::Call("lstat", [&] {
          return ::fstatat(source->Dir, source->Name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
        }) != 0) {
      return false;
    }
    if (!S_ISDIR(st.st_mode)) return true;
    errno = EISDIR;
    return false;
  };

  // One file system: the file itself changes its place, whole and at once.
  // A free name costs the rename alone, without a look at either entry:
  // nearly every move of a run goes to one.
  struct stat sourceStat {};
  const bool inPlace =
      replaceExisting
          ? sourceStatus(sourceStat) && DestinationAllows(target->Dir, target->Name.c_str(), sourceStat, false) &&
                sys::Call("renameat", [&] {
                  return ::renameat(source->Dir, source->Name.c_str(), target->Dir, target->Name.c_str());
                }) == 0
          : fs::RenameNoReplace(source->Dir, source->Name.c_str(), target->Dir, target->Name.c_str());
  if (inPlace) {
    if (renamed != nullptr) *renamed = true;
    return true;
  }
  if (errno != EXDEV) {
    fs::ExplainNameRefusal(target->Dir, target->Name);
    return false;
  }
  if (!replaceExisting && !sourceStatus(sourceStat)) return false;

  // Across file systems: a durable copy, and the source goes only if it is
  // still what was copied.
  const TDestination dest(*target);
  if (!dest.Valid() || !DestinationAllows(dest, sourceStat, !replaceExisting)) return false;
  sys::TFd in;
  struct stat began {};
  if (!OpenSource(*source, in, began)) return false;
  const bool copied = in.Valid() ? CopyOpenFile(in.Get(), began, dest, !replaceExisting, TCopyPurpose::Move)
                                 : CopyLink(*source, began, dest, !replaceExisting, /*durable=*/true);
  if (!copied) return false;
  if (copyStays != nullptr) *copyStays = true;
  if (!Unchanged(*source, in.Valid() ? in.Get() : -1, began)) {
    errno = kErrorSourceChanged;
    return false;
  }
  if (sys::Call("unlink", [&] { return ::unlinkat(source->Dir, source->Name.c_str(), 0); }) != 0) return false;
  if (in.Valid() && !NothingWrittenSince(*source, in.Get(), began)) {
    errno = kErrorSourceChanged;
    return false;
  }
  if (copyStays != nullptr) *copyStays = false;
  return true;
}

bool CreateFolder(const std::string &path) { return CreateFolder(TEntryRef(path)); }

bool CreateFolder(const TEntryRef &folder) {
  auto entry = fs::SystemEntry(folder);
  if (!entry) return false;
  std::string &name = entry->Name;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  if (!fs::NameHeldAt(entry->Dir, name)) return false;
  if (sys::Call("mkdir", [&] { return ::mkdirat(entry->Dir, name.c_str(), 0777); }) == 0) return true;
  fs::ExplainNameRefusal(entry->Dir, name);
  return false;
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
    errno = kErrorReadOnly;
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
  const auto entry = fs::SystemEntry(path);
  if (!entry) return std::nullopt;
  sys::TFd fd(fs::OpenEntry(*entry, O_RDONLY | O_NONBLOCK));
  if (!fd.Valid()) return std::nullopt;
  struct stat st {};
  if (sys::Call("fstat", [&] { return ::fstat(fd.Get(), &st); }) != 0) return std::nullopt;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return std::nullopt;
  }
  return static_cast<std::int64_t>(st.st_size);
}
