// A byte after a lead byte is a trail byte whatever its value: 0x5C ('\\')
// closes 表 and 0x2F cannot, but the same rule keeps the code right for the
// Windows delimiter and for '.', which other helpers look for.  The scans
// for the last character or delimiter read from the end: every name of a
// run passes through them, and the extension is at its end.  Whether a byte
// starts a character is told by the bytes before it (StartsChar).

#include "platform/Paths.h"

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/FsInternal.h"

namespace {

std::size_t CharLength(std::string_view text, std::size_t at) {
  return IsDBCSLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// True when a character starts at `at` in a scan from the text's start.  A
// byte that can be no lead byte ends a character wherever it stands (it is
// one itself, or a trail), so a character starts after it; each lead byte
// then takes the byte after it.  The lead bytes in a row before `at` come
// in pairs exactly when `at` starts a character.
bool StartsChar(std::string_view text, std::size_t at) {
  std::size_t leads = 0;
  while (leads < at && IsDBCSLeadByte(static_cast<unsigned char>(text[at - leads - 1]))) ++leads;
  return leads % 2 == 0;
}

// The folder that holds `path` (no trailing delimiter), "/" for a child of
// the root, "" for a bare relative name.
std::string ParentOf(std::string_view path) {
  const std::size_t at = LastDelimiterOffset(path, std::string_view(&kPathDelimiter, 1));
  if (at == std::string_view::npos) return std::string();
  if (at == 0) return std::string(1, kPathDelimiter);
  return ExcludeTrailingDelimiter(path.substr(0, at));
}

}  // namespace

bool EndsWithDelimiter(std::string_view path) {
  const std::size_t last = LastCharOffset(path);
  return last != std::string_view::npos && path[last] == kPathDelimiter &&
         last + 1 == path.size();
}

std::string IncludeTrailingDelimiter(std::string_view path) {
  std::string out(path);
  if (!EndsWithDelimiter(path)) out += kPathDelimiter;
  return out;
}

std::string_view WithTrailingDelimiter(std::string_view path, std::string &made) {
  if (EndsWithDelimiter(path)) return path;
  made = IncludeTrailingDelimiter(path);
  return made;
}

std::string ExcludeTrailingDelimiter(std::string_view path) {
  if (EndsWithDelimiter(path)) path.remove_suffix(1);
  return std::string(path);
}

std::size_t LastCharOffset(std::string_view text) {
  if (text.empty()) return std::string_view::npos;
  const std::size_t last = text.size() - 1;
  return StartsChar(text, last) ? last : last - 1;
}

std::size_t NameOffset(std::string_view path) {
  // '/' is never the second byte of a double-byte character, so a plain
  // search from the end is exact; another delimiter needs the aware scan.
  const std::size_t at = kPathDelimiter == '/'
                             ? path.rfind(kPathDelimiter)
                             : LastDelimiterOffset(path, std::string_view(&kPathDelimiter, 1));
  return at == std::string_view::npos ? 0 : at + 1;
}

std::size_t LastDelimiterOffset(std::string_view text, std::string_view delimiters) {
  // The sets are one to three characters: compared directly, not searched.
  const auto isDelimiter = [delimiters](char c) {
    for (const char d : delimiters)
      if (c == d) return true;
    return false;
  };
  for (std::size_t at = text.size(); at-- > 0;) {
    if (!isDelimiter(text[at]) || !StartsChar(text, at)) continue;
    // A lead byte among the delimiters counts only as a character of its own.
    if (CharLength(text, at) == 1) return at;
  }
  return std::string_view::npos;
}

// The short-path rule of the Windows original ("fewer than three characters
// count as done") stood for drive roots such as "C:".  Here it would report
// "ab" or "/a" as created when nothing exists, so only the root, which is its
// own parent, counts as done without looking; every other level must exist
// afterwards.
bool ForceFolder(const std::string &path, std::vector<std::string> *made,
                 const std::function<bool(const std::string &)> &beforeMake) {
  if (path.empty()) throw EInOutError("\x83\x66\x83\x42\x83\x8C\x83\x4E\x83\x67\x83\x8A\x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1");  // ディレクトリを作成できません
  std::string folder = ExcludeTrailingDelimiter(path);
  if (folder.empty()) return true;  // the root
  if (FolderExists(folder)) return true;
  const std::string parent = ParentOf(folder);
  if (parent == folder) return FolderExists(folder);
  if (!parent.empty() && !ForceFolder(parent, made, beforeMake)) return false;
  if (beforeMake && !beforeMake(folder)) return false;
  if (CreateFolder(folder)) {
    if (made != nullptr) made->push_back(folder);
    return true;
  }
  // Someone else may have created it in the meantime; what counts is that
  // it exists now.  Otherwise the reason is mkdir's, not stat's.
  const int error = errno;
  if (FolderExists(folder)) return true;
  errno = error;
  return false;
}

std::string AbsolutePath(const std::string &path) {
  if (path.empty() || path.front() == kPathDelimiter) return path;
  // The working folder's own path, however long.
  const TFolderHandle here = TFolderHandle::Open(".");
  const std::optional<std::string> folder = here.Valid() ? korvane::fs::CurrentFolderPath(here.Native()) : std::nullopt;
  if (!folder) return path;
  std::string_view rest = path;
  while (rest.starts_with("./")) rest.remove_prefix(2);
  const std::string base = Utf8ToCp932(*folder).value_or(std::string());
  if (base.empty()) return path;
  if (rest == ".") return base;
  return IncludeTrailingDelimiter(base) + std::string(rest);
}
