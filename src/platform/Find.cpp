// Folder listing with the wildcard rules of the Windows enumeration.
//
// The listing reads the folder once with readdir and asks fstatat only for
// the names that match, so a narrow pattern over a large folder costs one
// pass over the names.  Names arrive as UTF-8 (or as bytes that are not
// UTF-8) and become CP932 with extension codes for what Shift-JIS lacks, so
// each converts back to exactly its own bytes.  Only when the extension
// codes have run out is a name left out, and counted: renamed, copied or
// deleted under a guessed name it would be another file's.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

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

// Owns a DIR stream.
struct TDirCloser {
  void operator()(DIR *dir) const {
    const int saved = errno;
    closedir(dir);
    errno = saved;
  }
};
using TDir = std::unique_ptr<DIR, TDirCloser>;

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

FindResult FindFiles(const std::string &folder, std::string_view pattern) {
  FindResult result;
  const auto utf8Folder = fs::SystemPath(folder);
  if (!utf8Folder) {
    result.Error = errno;
    return result;
  }
  const std::string openPath = utf8Folder->empty() ? std::string(".") : *utf8Folder;
  sys::TFd fd(sys::Call("open", [&] {
    return ::open(openPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }));
  if (!fd.Valid()) {
    result.Error = errno;
    return result;
  }
  TDir dir(fdopendir(fd.Get()));
  if (!dir) {
    result.Error = errno;
    return result;
  }
  const int dirFd = fd.Release();  // now owned by the stream

  // Paths for getxattr, which has no *at form; the buffer keeps the folder
  // part and only the name is replaced per entry.
  std::string entryPath = openPath;
  if (entryPath.back() != '/') entryPath += '/';
  const std::size_t folderLength = entryPath.size();
  bool xattrUnsupported = false;

  for (;;) {
    errno = 0;
    const dirent *entry = sys::FaultFires("readdir") ? nullptr : readdir(dir.get());
    if (entry == nullptr) {
      if (errno != 0) result.Error = errno;
      break;
    }
    if (IsDotOrDotDot(entry->d_name)) continue;
    const std::string_view utf8Name(entry->d_name);

    std::optional<std::string> name = Utf8ToCp932(utf8Name);
    if (!name) {
      // Counted where it would have been listed, so a narrow filter does
      // not report names it never concerned.
      if (MatchesWildcard(Utf8ToCp932Lossy(utf8Name), pattern)) {
        ++result.Unrepresentable;
        result.UnrepresentableNames.emplace_back(utf8Name);
      }
      continue;
    }
    if (!MatchesWildcard(*name, pattern)) continue;

    struct stat st {};
    if (sys::Call("fstatat", [&] { return ::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW); }) != 0) {
      if (errno == ENOENT) continue;  // removed since readdir saw it
      result.Error = errno;
      break;
    }
    FindEntry found;
    if (S_ISLNK(st.st_mode)) {
      found.IsSymlink = true;
      // Attributes of what the link points to; a dangling link keeps its own.
      struct stat target {};
      if (sys::Call("fstatat", [&] { return ::fstatat(dirFd, entry->d_name, &target, 0); }) == 0) {
        st = target;
      }
    }

    entryPath.resize(folderLength);
    entryPath += utf8Name;
    const std::uint32_t dosBits = xattrUnsupported ? 0 : fs::ReadDosBits(entryPath.c_str(), xattrUnsupported);
    found.Attributes = fs::AttributesOf(st, utf8Name, dosBits);
    found.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size);
    if (const auto time = FileTimeToDosDateTime(st.st_mtim)) {
      found.Time = *time;
      found.TimeValid = true;
    } else {
      found.TimeOutside = fs::TimeOutsideDosRange(st.st_mtim);
    }
    found.Id = fs::FileIdOf(st);
    found.Name = std::move(*name);
    result.Entries.push_back(std::move(found));
  }
  result.Ok = result.Error == 0;
  return result;
}
