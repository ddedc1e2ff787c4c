// Windows attribute bits on a POSIX file system.  Read-only lives in the
// mode; hidden, system and archive live in the user.DOSATTRIB extended
// attribute in the "0xNN" text form Samba and Wine use, so files marked by
// either keep their marks.  A leading dot hides a name whatever the
// attribute says, which is why un-hiding such a name cannot be done and is
// reported as a failure instead of a success that changed nothing.
//
// A folder's read-only flag is different: Windows keeps it as a mere mark
// and still lets files be created inside.  Taking the folder's write bit
// would make the rest of a run fail in it, so a folder keeps the flag in
// user.DOSATTRIB (bit 0x01, as Samba does) and its mode is left alone; a
// folder nobody may write is still reported read-only.
//
// Read-only takes every write bit away, but clearing it must give back the
// ones it took (0664 -> 0444 -> 0664), not just the owner's.  The bits taken
// from the group and the others are remembered in user.korvane.writebits
// while the flag is on; a file system without extended attributes cannot
// remember them, and the owner alone gets the right back.
//
// A symbolic link has no mode or user attributes of its own that Linux lets
// anyone change, and the file it names is not the target: a change the link
// would need fails, and the file behind it is never touched.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

namespace korvane::fs {
namespace {

constexpr char kDosAttribName[] = "user.DOSATTRIB";
constexpr char kWriteBitsName[] = "user.korvane.writebits";
constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;
constexpr std::uint32_t kDosBits = kAttrHidden | kAttrSystem | kAttrArchive;

bool IsXattrUnsupported(int error) { return error == ENOTSUP || error == EOPNOTSUPP; }

}  // namespace

// Parses the leading "0x" hex number; Samba's newer binary form starts with
// the same text, so the prefix is all that is read.
std::uint32_t ParseDosAttrib(std::string_view text) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return 0;
  std::uint32_t value = 0;
  for (std::size_t i = 2; i < text.size() && i < 10; ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

namespace {

// The group and other write bits a read-only flag took away, or 0.
mode_t TakenWriteBits(TXattrAt &xattrs, const char *name) {
  char buffer[16];
  const ssize_t length = xattrs.Get(name, kWriteBitsName, buffer, sizeof buffer - 1, false);
  if (length <= 0) return 0;
  buffer[length] = '\0';
  return static_cast<mode_t>(std::strtoul(buffer, nullptr, 8)) & (S_IWGRP | S_IWOTH);
}

}  // namespace

std::optional<std::string> SystemPath(const std::string &cp932) {
  auto utf8 = Cp932ToUtf8(cp932);
  if (!utf8) errno = EILSEQ;
  return utf8;
}

std::string_view LastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::uint32_t ReadDosBits(TXattrAt &xattrs, const char *name, bool follow, bool &unsupported) {
  // Room for the binary form newer Samba versions write after the text.
  char buffer[256];
  const ssize_t length = xattrs.Get(name, kDosAttribName, buffer, sizeof buffer, follow);
  if (length < 0) {
    // No attribute, or one we may not read (user attributes need read
    // permission): the bits are clear, as on a file Windows never marked.
    if (IsXattrUnsupported(errno)) unsupported = true;
    return 0;
  }
  return ParseDosAttrib(std::string_view(buffer, static_cast<std::size_t>(length))) &
         (kDosBits | kAttrReadOnly);
}

std::uint32_t DosBitsOfFd(int fd, bool fat) {
  if (fat) {
    std::uint32_t bits = 0;
    if (sys::Call("fat_get_attributes", [&] { return FatCalls().Get(fd, bits); }) != 0) return 0;
    return bits & (kDosBits | kAttrReadOnly);
  }
  char buffer[256];
  const ssize_t length = sys::Call("fgetxattr", [&] { return ::fgetxattr(fd, kDosAttribName, buffer, sizeof buffer); });
  if (length < 0) return 0;
  return ParseDosAttrib(std::string_view(buffer, static_cast<std::size_t>(length))) & (kDosBits | kAttrReadOnly);
}

bool StoreDosBitsFd(int fd, bool fat, std::uint32_t bits) {
  bits &= kDosBits;
  if (fat) {
    std::uint32_t current = 0;
    if (sys::Call("fat_get_attributes", [&] { return FatCalls().Get(fd, current); }) != 0) return false;
    const std::uint32_t wanted = (current & ~kDosBits) | bits;
    return wanted == current ||
           sys::Call("fat_set_attributes", [&] { return FatCalls().Set(fd, wanted); }) == 0;
  }
  char text[16];
  const int length = std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(bits));
  if (sys::Call("fsetxattr", [&] {
        return ::fsetxattr(fd, kDosAttribName, text, static_cast<std::size_t>(length), 0);
      }) == 0)
    return true;
  if (IsXattrUnsupported(errno)) errno = kErrorNoAttributeStore;
  return false;
}

std::uint32_t ReadFatBits(int dir, const char *name, bool follow) {
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
  const sys::TFd fd(sys::Call("open", [&] { return ::openat(dir, name, flags); }));
  return fd.Valid() ? DosBitsOfFd(fd.Get(), true) : 0;
}

std::uint32_t AttributesOf(const struct stat &st, std::string_view name, std::uint32_t dosBits) {
  std::uint32_t attributes = dosBits & kDosBits;
  if (S_ISDIR(st.st_mode)) attributes |= kAttrDirectory | (dosBits & kAttrReadOnly);
  if (IsReadOnlyMode(st.st_mode)) attributes |= kAttrReadOnly;
  if (!name.empty() && name.front() == '.') attributes |= kAttrHidden;
  return attributes;
}

}  // namespace korvane::fs

using namespace korvane;

std::optional<std::uint32_t> GetAttributes(const TEntryRef &entry) {
  const auto target = fs::SystemEntry(entry);
  if (!target) return std::nullopt;
  const char *name = target->Name.c_str();
  struct stat st {};
  // A link reports what it points to; a dangling one reports itself.
  if (sys::Call("stat", [&] { return ::fstatat(target->Dir, name, &st, 0); }) != 0 &&
      sys::Call("lstat", [&] { return ::fstatat(target->Dir, name, &st, AT_SYMLINK_NOFOLLOW); }) != 0) {
    return std::nullopt;
  }
  std::uint32_t dosBits = 0;
  if (fs::TraitsOfEntry(st, target->Dir, name).DosAttributeIoctl) {
    dosBits = fs::ReadFatBits(target->Dir, name, true);
  } else {
    fs::TXattrAt xattrs(target->Dir);
    bool unsupported = false;
    dosBits = fs::ReadDosBits(xattrs, name, true, unsupported);
  }
  return fs::AttributesOf(st, fs::LastComponent(target->Name), dosBits);
}

namespace {

// The status of what a whole path names; `follow`: through a final link.
bool StatPath(const std::string &path, struct stat &st, bool follow) {
  const auto entry = fs::SystemEntry(path);
  if (!entry) return false;
  const int flags = follow ? 0 : AT_SYMLINK_NOFOLLOW;
  return sys::Call(follow ? "stat" : "lstat", [&] {
           return ::fstatat(entry->Dir, entry->Name.c_str(), &st, flags);
         }) == 0;
}

}  // namespace

bool FolderExists(const std::string &path) {
  struct stat st {};
  return StatPath(path, st, true) && S_ISDIR(st.st_mode);
}

std::optional<TFileId> GetFileId(const std::string &path) {
  struct stat st {};
  if (!StatPath(path, st, true)) return std::nullopt;
  return fs::FileIdOf(st);
}

std::optional<TFileId> GetEntryId(const std::string &path) {
  struct stat st {};
  if (!StatPath(path, st, false)) return std::nullopt;
  return fs::FileIdOf(st);
}

// A dangling link is an entry too: a name taken by it is not free.
bool PathExists(const std::string &path) {
  struct stat st {};
  return StatPath(path, st, false);
}

namespace {

// The kernel's FAT driver keeps the four bits as the card's own attributes,
// a folder's read-only flag included, exactly as Windows reads them.
bool SetFatAttributes(int dir, const char *file, std::uint32_t attributes) {
  const sys::TFd fd(sys::Call("open", [&] {
    return ::openat(dir, file, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
  }));
  if (!fd.Valid()) return false;
  constexpr std::uint32_t kBits = kAttrReadOnly | fs::kDosBits;
  std::uint32_t current = 0;
  if (sys::Call("fat_get_attributes", [&] { return fs::FatCalls().Get(fd.Get(), current); }) != 0) return false;
  const std::uint32_t wanted = (current & ~kBits) | (attributes & kBits);
  return wanted == current ||
         sys::Call("fat_set_attributes", [&] { return fs::FatCalls().Set(fd.Get(), wanted); }) == 0;
}

}  // namespace

// Every call names the entry relative to its folder without following a
// link, so an entry swapped for a link in mid-change is never changed
// through it.
namespace {

// The refusals SetAttributes makes before it changes anything, for an entry
// whose status is `st`: nothing can be stored on a link but what it
// shows, a dot name stays hidden, a named pipe or device keeps no bits, and
// a file system without extended attributes keeps none either.
bool Refused(int dir, const char *file, const struct stat &st, const TEntryRef &entry,
             std::uint32_t attributes) {
  if (S_ISLNK(st.st_mode)) {
    // Asking for what the link already shows is no change and succeeds.
    const auto current = GetAttributes(entry);
    if (current && (*current & ~kAttrDirectory) == (attributes & ~kAttrDirectory)) return false;
    errno = kErrorLinkAttributes;
    return true;
  }
  const bool dotName = fs::LastComponent(file).starts_with('.');
  if (dotName && (attributes & kAttrHidden) == 0) {
    errno = kErrorDotNameHidden;
    return true;
  }
  const bool folder = S_ISDIR(st.st_mode);
  std::uint32_t dosBits = attributes & (kAttrSystem | kAttrArchive);
  if (!dotName) dosBits |= attributes & kAttrHidden;
  if (folder) dosBits |= attributes & kAttrReadOnly;
  // Linux keeps no user attributes on a named pipe, a device or a socket.
  if (!folder && !S_ISREG(st.st_mode) && dosBits != 0) {
    errno = kErrorSpecialFile;
    return true;
  }
  if (dosBits != 0 && !fs::TraitsOfEntry(st, dir, file).DosAttributeIoctl) {
    fs::TXattrAt xattrs(dir);
    char probe[64];
    if (xattrs.Get(file, fs::kDosAttribName, probe, sizeof probe, false) < 0 &&
        fs::IsXattrUnsupported(errno)) {
      errno = kErrorNoAttributeStore;
      return true;
    }
  }
  return false;
}

}  // namespace

bool CanSetAttributes(const TEntryRef &entry, std::uint32_t attributes) {
  const auto target = fs::SystemEntry(entry);
  if (!target) return false;
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::fstatat(target->Dir, target->Name.c_str(), &st, AT_SYMLINK_NOFOLLOW); }) != 0)
    return false;
  return !Refused(target->Dir, target->Name.c_str(), st, entry, attributes);
}

bool SetAttributes(const TEntryRef &entry, std::uint32_t attributes) {
  const auto target = fs::SystemEntry(entry);
  if (!target) return false;
  const int dir = target->Dir;
  const char *file = target->Name.c_str();
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::fstatat(dir, file, &st, AT_SYMLINK_NOFOLLOW); }) != 0) return false;
  if (Refused(dir, file, st, entry, attributes)) return false;
  if (S_ISLNK(st.st_mode)) return true;

  const bool dotName = fs::LastComponent(target->Name).starts_with('.');
  // The dot already hides such a name; storing the bit as well would only
  // make the attribute disagree with a later rename.
  std::uint32_t dosBits = attributes & (kAttrSystem | kAttrArchive);
  if (!dotName) dosBits |= attributes & kAttrHidden;
  const bool folder = S_ISDIR(st.st_mode);
  if (folder) dosBits |= attributes & kAttrReadOnly;
  const bool special = !folder && !S_ISREG(st.st_mode);
  if (fs::TraitsOfEntry(st, dir, file).DosAttributeIoctl) return SetFatAttributes(dir, file, attributes);

  fs::TXattrAt xattrs(dir);
  const mode_t oldMode = st.st_mode & 07777;
  const bool wasReadOnly = fs::IsReadOnlyMode(oldMode);
  const bool makeReadOnly = (attributes & kAttrReadOnly) && !folder;
  // Read-only takes every write bit away, as nobody may write such a file on
  // Windows; clearing it gives back what it took.
  mode_t newMode = oldMode;
  mode_t remember = 0;  // group and other bits to remember when the flag goes on
  bool forget = false;  // the remembered bits are given back
  if (makeReadOnly) {
    newMode &= ~fs::kWriteBits;
    if (!wasReadOnly) remember = oldMode & (S_IWGRP | S_IWOTH);
  } else if (!(attributes & kAttrReadOnly) && wasReadOnly) {
    newMode |= S_IWUSR | fs::TakenWriteBits(xattrs, file);
    forget = true;
  }

  // Extended attributes can only be changed on a writable file, while
  // Windows lets the other bits of a read-only file change; so the owner's
  // write bit is lent for the moment of the change.
  // A file system that keeps no modes (FAT through FUSE) refuses or ignores
  // the change; either way the flag is not stored.
  const auto changeMode = [&](mode_t mode) {
    if (sys::Call("chmod", [&] { return ::fchmodat(dir, file, mode, AT_SYMLINK_NOFOLLOW); }) != 0) {
      if (errno == ENOSYS || fs::IsXattrUnsupported(errno)) errno = kErrorNoAttributeStore;
      return false;
    }
    struct stat now {};
    if (::fstatat(dir, file, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        fs::IsReadOnlyMode(now.st_mode) != fs::IsReadOnlyMode(mode)) {
      errno = kErrorNoAttributeStore;
      return false;
    }
    return true;
  };
  const bool lendWrite = wasReadOnly;
  if (lendWrite && !changeMode(oldMode | S_IWUSR)) return false;
  const auto restore = [&] {
    const int saved = errno;
    if (lendWrite) ::fchmodat(dir, file, oldMode, AT_SYMLINK_NOFOLLOW);
    errno = saved;
    return false;
  };

  if (dosBits != 0) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(dosBits));
    if (xattrs.Set(file, fs::kDosAttribName, text, static_cast<std::size_t>(length), false) != 0) {
      if (fs::IsXattrUnsupported(errno)) errno = kErrorNoAttributeStore;
      return restore();
    }
  } else if (!special && xattrs.Remove(file, fs::kDosAttribName, false) != 0 && errno != ENODATA &&
             !fs::IsXattrUnsupported(errno)) {
    return restore();
  }

  // The memory of the taken bits is written while the owner may still
  // write, and a stale one never outlives the flag it belonged to.
  const bool setMemory = makeReadOnly && !wasReadOnly;
  if (setMemory && remember != 0 && !special) {
    char text[8];
    const int length = std::snprintf(text, sizeof text, "%03o", static_cast<unsigned>(remember));
    if (xattrs.Set(file, fs::kWriteBitsName, text, static_cast<std::size_t>(length), false) != 0 &&
        !fs::IsXattrUnsupported(errno)) {
      return restore();
    }
  } else if (!special && (setMemory || forget) && xattrs.Remove(file, fs::kWriteBitsName, false) != 0 &&
             errno != ENODATA && !fs::IsXattrUnsupported(errno)) {
    return restore();
  }

  if (newMode != (lendWrite ? (oldMode | S_IWUSR) : oldMode) && !changeMode(newMode)) return false;
  return true;
}
