#pragma once
// A hash of texts that also takes a view, for tables keyed by std::string
// that are asked with a std::string_view: a look makes no string.

#include <cstddef>
#include <functional>
#include <string_view>

struct TTextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};
