#pragma once
// Filter and exclusion lists: one line of text, entries separated by ";" or
// "|", split at the start of every run.

#include <string>
#include <string_view>
#include <vector>

// Clears `list` and fills it with the entries of `text`, exactly as they
// stand: no trimming, empty entries kept.  An empty text gives one empty
// entry; a trailing separator adds nothing.
void SplitList(std::string_view text, std::vector<std::string> &list);
