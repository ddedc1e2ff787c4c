// Folder listing with the wildcard rules of the Windows enumeration.
//
// The listing reads the folder once (getdents64 on the held descriptor, from
// its start) and examines only the names that match, so a narrow pattern
// over a large folder costs one pass over the names.  Each entry is examined
// relative to the folder, fstatat and the DOSATTRIB attribute alike, so no
// path is walked per entry.  A scan for folders also skips, by the type
// getdents64 reports, every entry that is certainly no folder.
//
// Names arrive as UTF-8 (or as bytes that are not UTF-8) and become CP932 with extension codes for what Shift-JIS lacks, so
// each converts back to exactly its own bytes.  Only when the extension
// codes have run out is a name left out, and counted: renamed, copied or
// deleted under a guessed name it would be another file's.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/CharCase.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

std::size_t CharLength(std::string_view text, std::size_t at) {
  return IsDBCSLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// "*" and "?" with the classic backtrack to the last star: linear for
// patterns with one star, and never worse than name x pattern.  Both texts
// are walked a character at a time, so "?" takes a double-byte character
// whole and a trail byte is never compared as a letter; letter case is
// ignored as Windows ignores it, full-width Latin, Greek and Cyrillic too.
bool MatchPlain(std::string_view name, std::string_view pattern) {
  std::size_t n = 0, p = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size()) {
      const char pc = pattern[p];
      if (pc == '*') {
        starP = ++p;
        starN = n;
        continue;
      }
      const std::size_t nameLength = CharLength(name, n);
      const std::size_t patternLength = CharLength(pattern, p);
      if (pc == '?') {
        n += nameLength;
        ++p;
        continue;
      }
      if (nameLength == patternLength &&
          FoldedCharCode(name.substr(n, nameLength)) == FoldedCharCode(pattern.substr(p, patternLength))) {
        n += nameLength;
        p += patternLength;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    starN += CharLength(name, starN);
    n = starN;
    p = starP;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// The entries of a folder, read in large blocks straight from its held
// descriptor: no second descriptor and no stream per listing.
class TDirReader {
public:
  // Rewinds the folder, so every listing sees all of it.
  explicit TDirReader(int dir) : Dir_(dir) {
    if (sys::Call("lseek", [&] { return ::lseek(Dir_, 0, SEEK_SET); }) < 0) Error_ = errno;
  }

  // The next entry, or nullptr at the end or on an error (Error() then).
  // A fault injected into "readdir" hits one entry, as a folder that
  // vanishes in mid-listing would.
  const dirent64 *Next() {
    if (Error_ != 0) return nullptr;
    if (sys::FaultFires("readdir")) {
      Error_ = errno;
      return nullptr;
    }
    if (At_ >= Filled_) {
      const ssize_t got =
          sys::Call("getdents64", [&] { return ::getdents64(Dir_, Buffer_, sizeof Buffer_); });
      if (got <= 0) {
        if (got < 0) Error_ = errno;
        return nullptr;
      }
      Filled_ = static_cast<std::size_t>(got);
      At_ = 0;
    }
    const auto *entry = reinterpret_cast<const dirent64 *>(Buffer_ + At_);
    At_ += entry->d_reclen;
    return entry;
  }

  int Error() const { return Error_; }

private:
  int Dir_;
  int Error_ = 0;
  std::size_t At_ = 0, Filled_ = 0;
  alignas(dirent64) char Buffer_[32768];
};

bool IsDotOrDotDot(const char *name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

// Windows reads a final ".*" as "a dot and anything, or the end of the
// name", which is what makes "*.*" match every name and "readme.*" match
// "readme".
bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  if (MatchPlain(name, pattern)) return true;
  return pattern.size() >= 2 && pattern.ends_with(".*") &&
         MatchPlain(name, pattern.substr(0, pattern.size() - 2));
}

FindResult FindFiles(const TFolderHandle &folder, std::string_view pattern, TFindScope scope,
                     const TListingPump &pump) {
  FindResult result;
  if (!folder.Valid()) {
    result.Error = EBADF;
    return result;
  }
  const int dirFd = folder.Native();
  TDirReader reader(dirFd);
  fs::TXattrAt xattrs(dirFd);
  bool xattrUnsupported = false;
  const bool foldersOnly = scope == TFindScope::Folders;
  // The walk's usual patterns need no matching at all.
  const bool everyName = pattern == "*" || pattern == "*.*";

  // Names read, not names kept, count for the pump: a narrow filter over a
  // large folder takes as long to read.
  constexpr unsigned kPumpEvery = 256;
  unsigned sincePump = 0;
  while (const dirent64 *entry = reader.Next()) {
    if (pump && ++sincePump == kPumpEvery) {
      sincePump = 0;
      // What the front end does meanwhile must find the process's own
      // working folder, not the listed one standing in for it.
      xattrs.Pause();
      if (!pump()) {
        result.Error = ECANCELED;
        break;
      }
    }
    if (IsDotOrDotDot(entry->d_name)) continue;
    const std::string_view utf8Name(entry->d_name);

    std::optional<std::string> name = Utf8ToCp932(utf8Name);
    if (!name) {
      // Counted where it would have been listed, so a narrow filter does
      // not report names it never concerned.
      if (everyName || MatchesWildcard(Utf8ToCp932Lossy(utf8Name), pattern)) {
        ++result.Unrepresentable;
        result.UnrepresentableNames.emplace_back(utf8Name);
      }
      continue;
    }
    // A file system that does not say (DT_UNKNOWN) has the entry examined.
    if (foldersOnly && entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
    if (!everyName && !MatchesWildcard(*name, pattern)) continue;

    struct stat st {};
    if (sys::Call("fstatat", [&] {
          return ::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW);
        }) != 0) {
      if (errno == ENOENT) continue;  // removed since it was read
      result.Error = errno;
      break;
    }
    FindEntry found;
    if (S_ISLNK(st.st_mode)) {
      if (foldersOnly) continue;
      found.IsSymlink = true;
      // Attributes of what the link points to; a dangling link keeps its own.
      struct stat target {};
      if (sys::Call("fstatat", [&] { return ::fstatat(dirFd, entry->d_name, &target, 0); }) == 0) {
        st = target;
      }
    } else if (foldersOnly && !S_ISDIR(st.st_mode)) {
      continue;
    }

    const std::uint32_t dosBits =
        xattrUnsupported ? 0 : fs::ReadDosBits(xattrs, entry->d_name, found.IsSymlink, xattrUnsupported);
    fs::FillEntry(found, st, utf8Name, dosBits);
    found.Name = std::move(*name);
    result.Entries.push_back(std::move(found));
  }
  if (result.Error == 0) result.Error = reader.Error();
  result.Ok = result.Error == 0;
  return result;
}

FindResult FindFiles(const std::string &folder, std::string_view pattern) {
  const TFolderHandle handle = TFolderHandle::Open(folder);
  if (!handle.Valid()) {
    FindResult result;
    result.Error = errno;
    return result;
  }
  return FindFiles(handle, pattern);
}
