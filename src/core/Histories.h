#pragma once
// The drop-down histories of the main window, kept as plain lists (item 0 is
// the top, the most recently used entry).

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/JobSettings.h"

// A history pushed with PushHistory keeps at most this many items.
inline constexpr std::size_t kHistoryMax = 8;

// Items the filter and exclusion boxes hold in a new window; stored history
// entries go above them.
inline constexpr std::array<std::string_view, 4> kFilterInitialItems = {
    "*.*", "*.htm;*.html", "*.txt", "*.c;*.cpp;*.h;*.hpp"};
inline constexpr std::array<std::string_view, 2> kExceptionInitialItems = {
    ".exe;.ini;.hlp", ".dll;.sys;.drv;.cpl"};

struct THistories {
  std::vector<std::string> Folder;
  std::vector<std::string> CopyFolder;
  std::vector<std::string> Filter;
  std::vector<std::string> Exception;
  std::vector<std::string> FromName;
  std::vector<std::string> ToName;
  bool operator==(const THistories &) const = default;
};

// The lists of a new window: the offered filters and exclusions, the rest
// empty.
THistories InitialHistories();

// Moves `text` to the top of `items`: an entry equal to it ignoring ASCII
// letter case is taken out and `text` goes in on top; an equal entry already
// on top stays as it is.  The list then keeps at most kHistoryMax items, the
// oldest dropping out.
void PushHistory(std::vector<std::string> &items, std::string_view text);

// Pushes the non-empty strings of the five replace conditions (search or
// replacement strings), condition 0 first, so the last non-empty one ends on
// top.  The box's own text is the caller's to keep.
void PushReplaceHistory(std::vector<std::string> &items,
                        const std::array<std::string, kConditionCount> &strings);
