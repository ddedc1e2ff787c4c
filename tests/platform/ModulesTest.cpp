#include "platform/Modules.h"

#include <gtest/gtest.h>

#include "TempTree.h"

namespace {

TEST(ModulesTest, AModuleIsFoundWhereTheBuildLeftItAndOnlyThere) {
  TTempFolder folder;
  MakeTree(folder.Root(), {"korvane-x.so"});
  EXPECT_EQ(ModulePath("korvane-x.so", folder.Root()), folder / "korvane-x.so");
  EXPECT_EQ(ModulePath("korvane-y.so", folder.Root()), std::nullopt);
  EXPECT_EQ(ModulePath("korvane-x.so", ""), std::nullopt);
}

// What cannot be loaded says why, for the message of the run that needed it.
TEST(ModulesTest, AModuleThatCannotBeLoadedGivesTheLoadersReason) {
  TTempFolder folder;
  MakeTree(folder.Root(), {"korvane-x.so=not a shared object"});
  struct Case {
    std::string Path;
    const char *Entry;
    std::string Reason;
  } cases[] = {
      {folder / "korvane-x.so", "Entry", "korvane-x.so"},
      {folder / "korvane-none.so", "Entry", "korvane-none.so"},
      {"libc.so.6", "KorvaneNoSuchEntry", "KorvaneNoSuchEntry"},
  };
  for (const Case &c : cases) {
    std::string error;
    EXPECT_EQ(ModuleEntry(c.Path, c.Entry, error), nullptr) << c.Path;
    EXPECT_NE(error.find(c.Reason), std::string::npos) << error;
  }
  std::string error;
  EXPECT_NE(ModuleEntry("libc.so.6", "open", error), nullptr);
  EXPECT_EQ(error, "");
}

}  // namespace
