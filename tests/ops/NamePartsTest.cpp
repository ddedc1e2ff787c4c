#include "ops/NameParts.h"

#include <gtest/gtest.h>

namespace {

TEST(NameParts, Split) {
  struct {
    std::string Name, Base, Ext;
  } const cases[] = {
      {"sample.smp", "sample", ".smp"},
      {"a.tar.gz", "a.tar", ".gz"},
      {".profile", "", ".profile"},
      {"README", "README", ""},
      {"a.", "a", "."},
      {"a.表b", "a", ".表b"},     // 表 ends in 0x5C, which is no delimiter here
      {"x.d/a", "x.d/a", ""},     // no extension across a delimiter
      {"a.b:c", "a", ".b:c"},     // ':' is no delimiter on POSIX
      {"", "", ""},
  };
  for (const auto &c : cases) {
    const TNameParts parts = SplitName(c.Name);
    EXPECT_EQ(parts.Base, c.Base) << c.Name;
    EXPECT_EQ(parts.Ext, c.Ext) << c.Name;
  }
}

TEST(NameParts, ChangeFileExtAndExtractFileName) {
  EXPECT_EQ(ChangeFileExt("photo.JPG", ".txt"), "photo.txt");
  EXPECT_EQ(ChangeFileExt("README", ".txt"), "README.txt");
  EXPECT_EQ(ChangeFileExt("photo.JPG", ""), "photo");
  EXPECT_EQ(ChangeFileExt("photo.JPG", "txt"), "phototxt");
  EXPECT_EQ(ExtractFileName("/tmp/a/b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileName("b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileName("/tmp/表/ソ.txt"), "ソ.txt");
}

TEST(NameParts, PlainNames) {
  EXPECT_TRUE(IsPlainName("a.txt"));
  EXPECT_TRUE(IsPlainName("..."));
  EXPECT_TRUE(IsPlainName("表"));
  EXPECT_TRUE(IsPlainName("a\\b"));  // an ordinary character on POSIX
  EXPECT_FALSE(IsPlainName(""));
  EXPECT_FALSE(IsPlainName("."));
  EXPECT_FALSE(IsPlainName(".."));
  EXPECT_FALSE(IsPlainName("a/b"));
  EXPECT_FALSE(IsPlainName("../a"));
  EXPECT_FALSE(IsPlainName("\x81/"));  // a lead byte must not hide the delimiter
  EXPECT_FALSE(IsPlainName(std::string("a\0b", 3)));
}

}  // namespace
