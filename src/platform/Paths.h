#pragma once
// Path helpers shared by the walk, the window and the file operations.
// Paths are CP932 byte strings; the scans are double-byte aware, because
// 0x5C is a valid second byte in Shift-JIS (表 is 0x95 0x5C).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The platform's path delimiter ('/' on POSIX, '\\' on Windows).
inline constexpr char kPathDelimiter = '/';

// True when the last character of `path` is the delimiter (double-byte
// aware).
bool EndsWithDelimiter(std::string_view path);

// The path unchanged when its last character is the delimiter, else the path
// followed by it.  The last character is found double-byte aware.
std::string IncludeTrailingDelimiter(std::string_view path);
// The same without a copy where the path has its delimiter already: the
// path itself, else the path with it, made in `made`.
std::string_view WithTrailingDelimiter(std::string_view path, std::string &made);
// The path without a trailing delimiter (one only), else unchanged.
std::string ExcludeTrailingDelimiter(std::string_view path);

// Byte offset of the last character of `text` (double-byte aware), or npos
// for an empty text.
std::size_t LastCharOffset(std::string_view text);

// Byte offset where the last component of `path` starts: just after its
// last delimiter, or 0 when it has none.  A trailing delimiter gives an
// empty last component.
std::size_t NameOffset(std::string_view path);

// Byte offset of the last occurrence of any single-byte character of
// `delimiters` that is not a trail byte, or npos.
std::size_t LastDelimiterOffset(std::string_view text, std::string_view delimiters);

// Creates a folder with its missing parents.  A path of fewer than three
// characters, an existing folder, or a path that is its own parent counts as
// done.  True only when every level exists afterwards.  An empty path raises
// EInOutError("ディレクトリを作成できません").  `made`, when given, gets
// the folders this call created (without a trailing delimiter), outermost
// first, whatever the result: each is a change on the disk to be told.
// `beforeMake`, when given, hears of each folder before it is made; false
// (errno set) leaves it unmade and fails the call.
bool ForceFolder(const std::string &path, std::vector<std::string> *made = nullptr,
                 const std::function<bool(const std::string &)> &beforeMake = {});

// A path as absolute: a relative one is taken from the working folder.
// One that cannot be made so comes back as it is.
std::string AbsolutePath(const std::string &path);
