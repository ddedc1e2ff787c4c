#include "select/SplitList.h"

void SplitList(std::string_view text, std::vector<std::string> &list) {
  list.clear();
  // The text is scanned as if one ";" were appended, so the last entry always
  // has a separator behind it and a trailing separator adds no entry.  ";"
  // and "|" are never trail bytes of CP932, so a byte scan is safe.
  std::size_t start = 0;
  for (;;) {
    std::size_t sep = text.find_first_of(";|", start);
    if (sep == std::string_view::npos) {
      list.emplace_back(text.substr(start));
      return;
    }
    list.emplace_back(text.substr(start, sep - start));
    start = sep + 1;
    if (start >= text.size()) return;
  }
}
