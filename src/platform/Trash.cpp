// The desktop trash, in the freedesktop.org layout that file managers read:
// the home trash for an entry on the home folder's file system, else a trash
// at the top of the entry's own mount ($topdir/.Trash/$uid where an
// administrator prepared $topdir/.Trash, else $topdir/.Trash-$uid).  Each
// trashed entry is files/NAME beside info/NAME.trashinfo, whose Path= holds
// where it was (percent-encoded; relative to $topdir in a trash of a mount)
// and DeletionDate= the local time.
//
// The move is made here rather than by a desktop library, because those take
// only paths: an entry the walk holds relative to its folder is moved from
// that very folder (renameat from its descriptor), so a folder swapped for a
// link in the meantime is not followed, and a path longer than one system
// call may take is no obstacle.  The info file is made first, with O_EXCL,
// which reserves the name; the entry follows it, and the caller learns which
// entry it made, so the undo can take back exactly that one.
//
// As the desktop libraries do, the home folder that decides between the home
// trash and a mount's trash must exist: with HOME naming a missing folder, a
// file on the root file system would otherwise land in /.Trash-$uid.

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"
#include "platform/TrashFiles.h"

using namespace korvane;

namespace {

// Unreserved characters and '/' stay; every other byte is %XX.
std::string PercentEncoded(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

// A folder of the trash that must be the user's own: made (0700) when
// missing, refused when it is a link or someone else's.
sys::TFd OwnFolder(int at, const char *name) {
  if (::mkdirat(at, name, 0700) != 0 && errno != EEXIST) return sys::TFd();
  sys::TFd fd(sys::Call("open", [&] {
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  }));
  if (!fd.Valid()) return fd;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return sys::TFd();
  if (st.st_uid != ::geteuid()) {
    errno = EACCES;
    return sys::TFd();
  }
  return fd;
}

// Makes every missing folder of an absolute path (0700 for the new ones).
sys::TFd MadeFolders(const std::string &path) {
  sys::TFd at(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::size_t start = 0;
  while (at.Valid() && start < path.size()) {
    while (start < path.size() && path[start] == '/') ++start;
    if (start >= path.size()) break;
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string part = path.substr(start, end - start);
    if (::mkdirat(at.Get(), part.c_str(), 0700) != 0 && errno != EEXIST) return sys::TFd();
    at = sys::TFd(::openat(at.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    start = end;
  }
  return at;
}

// The trash an entry on `device` goes to.
struct TTrashFolder {
  sys::TFd Fd;
  std::string Path;  // system bytes
  std::string Top;   // the mount's top folder for a mount's trash; empty for the home trash
};

std::optional<TTrashFolder> TrashFor(std::uint64_t device, const std::string &original) {
  const std::string home = fs::HomeFolder();
  struct stat homeStat {};
  if (home.empty() || ::stat(home.c_str(), &homeStat) != 0 || !S_ISDIR(homeStat.st_mode)) {
    errno = ENOENT;
    return std::nullopt;
  }
  TTrashFolder trash;
  if (fs::DeviceOf(homeStat) == device) {
    trash.Path = fs::HomeTrashPath();
    trash.Fd = MadeFolders(trash.Path);
    if (!trash.Fd.Valid()) return std::nullopt;
    return trash;
  }
  trash.Top = fs::TopFolderOf(device, original);
  if (trash.Top.empty()) {
    errno = EXDEV;
    return std::nullopt;
  }
  const sys::TFd top(::open(trash.Top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!top.Valid()) return std::nullopt;
  const std::string uid = std::to_string(::geteuid());
  const std::string base = trash.Top == "/" ? std::string() : trash.Top;
  // An administrator's $topdir/.Trash counts only as a sticky folder that
  // is no link.
  struct stat shared {};
  if (::fstatat(top.Get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(shared.st_mode) &&
      (shared.st_mode & S_ISVTX)) {
    const sys::TFd sharedFd(::openat(top.Get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (sharedFd.Valid()) {
      trash.Fd = OwnFolder(sharedFd.Get(), uid.c_str());
      if (trash.Fd.Valid()) {
        trash.Path = base + "/.Trash/" + uid;
        return trash;
      }
    }
  }
  const std::string own = ".Trash-" + uid;
  trash.Fd = OwnFolder(top.Get(), own.c_str());
  if (!trash.Fd.Valid()) return std::nullopt;
  trash.Path = base + "/" + own;
  return trash;
}

// A name in files/ and info/ that neither holds yet, reserved by creating
// its info file.  A name too long to take ".trashinfo" is shortened (at a
// character's start); Path= keeps the whole original.
std::optional<std::string> ReserveName(int files, int info, std::string_view leaf, sys::TFd &infoFd) {
  constexpr std::size_t kRoom = 255 - 16;  // ".NNNN" and ".trashinfo"
  std::string_view stem = leaf;
  if (stem.size() > kRoom) {
    stem = stem.substr(0, kRoom);
    while (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80) stem.remove_suffix(1);
    if (!stem.empty() && static_cast<unsigned char>(stem.back()) >= 0xC0) stem.remove_suffix(1);
  }
  for (unsigned n = 1; n < 10000; ++n) {
    std::string name(stem);
    if (n > 1) name += "." + std::to_string(n);
    struct stat st {};
    if (::fstatat(files, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) continue;
    const std::string infoName = name + ".trashinfo";
    infoFd = sys::TFd(sys::Call("open", [&] {
      return ::openat(info, infoName.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
    }));
    if (infoFd.Valid()) return name;
    if (errno != EEXIST) return std::nullopt;
  }
  errno = EEXIST;
  return std::nullopt;
}

bool WriteAll(int fd, const std::string &text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t put = sys::Call("write", [&] { return ::write(fd, text.data() + done, text.size() - done); });
    if (put < 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

bool MoveToTrash(const TEntryRef &entry, TTrashedEntry *made) {
  auto target = fs::SystemEntry(entry);
  if (!target) return false;
  std::string &name = target->Name;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::fstatat(target->Dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW); }) != 0)
    return false;
  if (sys::FaultFires("moveToTrash")) return false;

  // Where the entry is, as the info file records it.
  std::string original;
  if (target->Dir == AT_FDCWD && !name.empty() && name.front() == '/') {
    original = name;
  } else {
    const std::size_t slash = name.rfind('/');
    const std::string folderName = slash == std::string::npos ? std::string(".") : name.substr(0, slash ? slash : 1);
    const sys::TFd folder(::openat(target->Dir, folderName.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const auto folderPath = folder.Valid() ? fs::CurrentFolderPath(folder.Get()) : std::nullopt;
    if (!folderPath) return false;
    original = *folderPath + (folderPath->back() == '/' ? "" : "/") + std::string(fs::LastComponent(name));
  }

  std::optional<TTrashFolder> trash = TrashFor(fs::DeviceOf(st), original);
  if (!trash) return false;
  const sys::TFd files = OwnFolder(trash->Fd.Get(), "files");
  const sys::TFd info = files.Valid() ? OwnFolder(trash->Fd.Get(), "info") : sys::TFd();
  if (!files.Valid() || !info.Valid()) return false;

  sys::TFd infoFd;
  const std::optional<std::string> trashName =
      ReserveName(files.Get(), info.Get(), fs::LastComponent(original), infoFd);
  if (!trashName) return false;
  const std::string infoName = *trashName + ".trashinfo";
  const auto unreserve = [&] {
    const int saved = errno;
    infoFd.Reset();
    ::unlinkat(info.Get(), infoName.c_str(), 0);
    errno = saved;
    return false;
  };
  std::string recorded = original;
  if (!trash->Top.empty() && trash->Top != "/") recorded = original.substr(trash->Top.size() + 1);
  else if (!trash->Top.empty()) recorded = original.substr(1);
  const std::string text =
      "[Trash Info]\nPath=" + PercentEncoded(recorded) + "\nDeletionDate=" + LocalTimeText() + "\n";
  if (!WriteAll(infoFd.Get(), text) || ::close(infoFd.Release()) != 0) return unreserve();

  if (!fs::RenameNoReplace(target->Dir, name.c_str(), files.Get(), trashName->c_str())) return unreserve();
  if (made != nullptr) {
    made->File = Utf8ToCp932(trash->Path + "/files/" + *trashName).value_or(std::string());
    made->Info = Utf8ToCp932(trash->Path + "/info/" + infoName).value_or(std::string());
  }
  return true;
}
