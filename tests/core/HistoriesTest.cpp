#include "core/Histories.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TList = std::vector<std::string>;

TEST(Histories, PushHistoryMovesTheTextToTheTop) {
  const struct {
    const char *Name;
    TList Before;
    const char *Text;
    TList After;
  } cases[] = {
      {"new", {"a", "b"}, "c", {"c", "a", "b"}},
      {"existing moves up", {"a", "b", "c"}, "c", {"c", "a", "b"}},
      {"already on top", {"a", "b"}, "a", {"a", "b"}},
      {"case ignored, the new spelling goes on top", {"a", "B"}, "b", {"b", "a"}},
      {"case ignored on top keeps the old spelling", {"A", "b"}, "a", {"A", "b"}},
      {"trail bytes are not letters", {"\x83\x41"}, "\x83\x61", {"\x83\x61", "\x83\x41"}},
      {"oldest drops out", {"1", "2", "3", "4", "5", "6", "7", "8"}, "9",
       {"9", "1", "2", "3", "4", "5", "6", "7"}},
      {"a full list keeps all when an item moves", {"1", "2", "3", "4", "5", "6", "7", "8"},
       "8", {"8", "1", "2", "3", "4", "5", "6", "7"}},
  };
  for (const auto &c : cases) {
    TList list = c.Before;
    PushHistory(list, c.Text);
    EXPECT_EQ(list, c.After) << c.Name;
  }
}

TEST(Histories, PushReplaceHistoryLeavesTheLastNonEmptyConditionOnTop) {
  TList list = {"b", "z"};
  PushReplaceHistory(list, {"a", "", "b", "", "c"});
  EXPECT_EQ(list, (TList{"c", "b", "a", "z"}));
}

}  // namespace
