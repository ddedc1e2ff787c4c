#pragma once
// The names already handled on one folder level: the duplicate check of the
// listing and the skip list of the closing subfolder scan.  A hash set, so a
// folder of n targets costs n lookups rather than n² comparisons.  Names are
// compared the way the file system compares them: exactly on a
// case-sensitive one (POSIX), ignoring ASCII letter case otherwise.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/TextHash.h"

class TFolderNames {
public:
  explicit TFolderNames(bool caseSensitive = kFileSystemIsCaseSensitive)
      : CaseSensitive_(caseSensitive) {}

  bool Contains(std::string_view name) const;
  void Add(std::string_view name);
  // Room for `count` names in all, so a large folder is not rehashed as it grows.
  void Reserve(std::size_t count) { Names_.reserve(count); }
  std::size_t Size() const { return Names_.size(); }

#ifdef _WIN32
  static constexpr bool kFileSystemIsCaseSensitive = false;
#else
  static constexpr bool kFileSystemIsCaseSensitive = true;
#endif

private:
  std::string Key(std::string_view name) const;
  bool CaseSensitive_;
  std::unordered_set<std::string, TTextHash, std::equal_to<>> Names_;
};
