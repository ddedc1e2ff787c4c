// Settings files in Shift-JIS and in UTF-8, and the characters Shift-JIS
// lacks: nothing of a job or a history is lost on the way to disk and back.

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "core/IniFile.h"
#include "core/JobSettingsFile.h"
#include "core/StartupSettings.h"
#include "platform/Cp932.h"

namespace {

std::string U8(std::u8string_view text) { return std::string(text.begin(), text.end()); }
std::string Cp932(std::string_view utf8) { return Utf8ToCp932(utf8).value(); }

const std::string kMark = "\xEF\xBB\xBF";

TEST(SettingsEncoding, APlainJobStaysShiftJisByteForByte) {
  TTempFolder folder;
  JobSettings job;
  job.Rename.SeqBefore = "写真_";
  SaveJobSettingsFile(folder.Path("job.ini"), job);
  const std::string bytes = folder.ReadFile("job.ini");
  EXPECT_NE(bytes.find("SeqBefore=写真_\r\n"), std::string::npos);
  EXPECT_FALSE(bytes.starts_with(kMark));
}

TEST(SettingsEncoding, AJobHoldingCharactersShiftJisLacksIsUtf8AndReadsBack) {
  TTempFolder folder;
  JobSettings job;
  job.FindFile.Folder = Cp932("/home/" "\xF0\x9F\x98\x80" "/Beyonc\xC3\xA9\xFF");
  job.Rename.FromName[0] = Cp932(U8(u8"第\u301C"));
  job.Rename.ToName[0] = Cp932(U8(u8"か\u3099"));
  SaveJobSettingsFile(folder.Path("job.ini"), job);
  const std::string bytes = folder.ReadFile("job.ini");
  EXPECT_TRUE(bytes.starts_with(kMark + "[FindFile]\r\n"));
  EXPECT_NE(bytes.find("Folder=/home/\xF0\x9F\x98\x80/Beyonc\xC3\xA9\xFF\r\n"), std::string::npos);
  EXPECT_NE(bytes.find(U8(u8"FromName0=第\u301C\r\n")), std::string::npos);
  EXPECT_NE(bytes.find(U8(u8"OrderItems0=文字列置換\r\n")), std::string::npos);

  JobSettings back;
  LoadJobSettingsFile(folder.Path("job.ini"), back);
  EXPECT_EQ(back.FindFile.Folder, job.FindFile.Folder);
  EXPECT_EQ(back.Rename.FromName[0], job.Rename.FromName[0]);
  EXPECT_EQ(back.Rename.ToName[0], job.Rename.ToName[0]);
  EXPECT_EQ(back.Rename.OrderItems, job.Rename.OrderItems);
}

TEST(SettingsEncoding, Utf8FilesAreReadAsUtf8AndShiftJisAsBefore) {
  const struct {
    std::string Bytes;
    std::string SeqBefore;
  } cases[] = {
      // As a Linux editor writes it: valid UTF-8, no mark.
      {U8(u8"[Rename]\nSeqBefore=写真_\nOrderItems0=連番\n"), "写真_"},
      // With a mark, which once hid the first section.
      {kMark + U8(u8"[Rename]\r\nSeqBefore=写真_\r\nOrderItems0=連番\r\n"), "写真_"},
      // Shift-JIS, as the Windows program writes it.
      {"[Rename]\r\nSeqBefore=写真_\r\nOrderItems0=連番\r\n", "写真_"},
      // Half and half is no UTF-8 file: read as Shift-JIS, as before.
      {"[Rename]\r\nSeqBefore=写真_\r\nOrderItems0=" + U8(u8"連番") + "\r\n", "写真_"},
  };
  for (const auto &c : cases) {
    TTempFolder folder;
    folder.WriteFile("job.ini", c.Bytes);
    JobSettings job;
    LoadJobSettingsFile(folder.Path("job.ini"), job);
    EXPECT_EQ(job.Rename.SeqBefore, c.SeqBefore) << c.Bytes;
  }
  TTempFolder folder;
  folder.WriteFile("job.ini", U8(u8"[Rename]\nOrderItems0=連番\nOrderChecked0=1\n"));
  JobSettings job;
  LoadJobSettingsFile(folder.Path("job.ini"), job);
  EXPECT_EQ(job.Rename.OrderItems[0], "連番");  // a UTF-8 caption still names its step
}

std::string Utf16LittleEndian(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// A job saved by a Windows editor as "Unicode", the way the Windows profile
// functions read it; and written back in the same form.
TEST(SettingsEncoding, AUtf16FileIsReadAndWrittenBackAsUtf16) {
  TTempFolder folder;
  folder.WriteFile("job.ini", Utf16LittleEndian(u"[Rename]\r\nSeqBefore=写真_\r\nOrderItems0=連番\r\n"
                                                u"[FindFile]\r\nFilter=*.jpg\r\n"));
  JobSettings job;
  LoadJobSettingsFile(folder.Path("job.ini"), job);
  EXPECT_EQ(job.Rename.SeqBefore, "写真_");
  EXPECT_EQ(job.Rename.OrderItems[0], "連番");
  EXPECT_EQ(job.FindFile.Filter, "*.jpg");

  TIniFile file(folder.Path("job.ini"));
  EXPECT_EQ(file.Encoding(), TTextEncoding::Utf16LittleEndian);
  file.WriteString("Rename", "SeqAfter", "_済");
  file.UpdateFile();
  EXPECT_EQ(folder.ReadFile("job.ini"),
            Utf16LittleEndian(u"[Rename]\r\nSeqBefore=写真_\r\nOrderItems0=連番\r\nSeqAfter=_済\r\n"
                              u"[FindFile]\r\nFilter=*.jpg\r\n"));
}

TEST(SettingsEncoding, AUtf8FileIsWrittenBackAsUtf8) {
  TTempFolder folder;
  folder.WriteFile("job.ini", U8(u8"; 写真の番号付け\n[Rename]\nSeqBefore=写真_\n"));
  TIniFile file(folder.Path("job.ini"));
  EXPECT_EQ(file.Encoding(), TTextEncoding::Utf8);
  file.WriteString("Rename", "SeqAfter", "_済");
  file.UpdateFile();
  // The user's lines stay as they were, line ends included.
  EXPECT_EQ(folder.ReadFile("job.ini"), U8(u8"; 写真の番号付け\n[Rename]\nSeqBefore=写真_\nSeqAfter=_済\r\n"));
}

TEST(SettingsEncoding, HistoriesKeepEveryCharacter) {
  TTempFolder folder;
  TSessionSettings session;
  session.Histories.Folder = {Cp932("/home/\xF0\x9F\x98\x80"), "/plain"};
  session.Histories.FromName = {Cp932(U8(u8"\u301C"))};
  JobSettings job;
  SaveShutdownSettings(folder.Path("korvane.INI"), session, job);
  TSessionSettings back;
  back.Histories = {};
  LoadStartupSettings(folder.Path("korvane.INI"), back, job);
  EXPECT_EQ(back.Histories.Folder, session.Histories.Folder);
  EXPECT_EQ(back.Histories.FromName, session.Histories.FromName);
}

}  // namespace
