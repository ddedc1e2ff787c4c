#pragma once
// A settings file with the behaviour of the Windows profile functions
// (GetPrivateProfileString / WritePrivateProfileString): values read one key
// at a time, trimmed and unquoted, at most 2047 bytes; writes replace or add
// single keys and keep everything else in the file.
//
// The file is Shift-JIS, or UTF-8 (see platform/TextFile.h); in memory it is
// CP932 either way.  The file is read once when the object is made.  Writes change the text in
// memory; UpdateFile() puts it on disk in one step (a temporary file in the
// same folder renamed over the old one), so a failed write leaves the user's
// file as it was.  A file that must keep its identity (it has other hard
// links, or its folder may not be written) is written in place instead,
// flushed (core/SaveFile.h).  Callers write every key and then call UpdateFile(); the
// file-level helpers (JobSettingsFile.h, Histories.h) do so.

#include <string>
#include <string_view>

#include "core/IniDocument.h"
#include "platform/TextFile.h"

class TIniFile {
public:
  // `fileName` is a CP932 path.  A missing file reads as empty.  A file that
  // exists but cannot be read (no permission, a folder, not a regular file)
  // also reads as empty, but is never written over: UpdateFile() refuses.
  explicit TIniFile(std::string fileName);
  // An empty settings text held in memory only, with no file behind it;
  // UpdateFile() refuses to write it anywhere.
  TIniFile() = default;

  const std::string &FileName() const { return fileName_; }
  // True when the file exists but could not be read.
  bool Unreadable() const { return unreadable_; }
  // True when no file of that name exists (a dangling symbolic link too).
  bool Missing() const { return missing_; }
  // For an unreadable file: the errno of the open or read that failed,
  // EILSEQ when its text could not be decoded, or 0 when the file is not a
  // regular file (a folder, a FIFO, a device).
  int ReadError() const { return readError_; }
  // True when a write changed the text since the file was read or updated.
  bool Modified() const { return modified_; }

  // The value of a key as the profile functions give it, or `defaultValue`
  // when the section or the key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // The value as an integer (decimal, "0x"/"$" hexadecimal), or
  // `defaultValue` when missing or not a valid number.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  // An integer read with default 1 or 0; any non-zero value is true.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  // True when the file holds a section of that name (ignoring ASCII case).
  bool HasSection(std::string_view section) const { return document_.HasSection(section); }

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Integers in decimal, flags as "1" and "0".
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Writes the text when a write changed it.  Raises EInOutError
  // "<path> に書き込めません" when the file cannot be written: its folder is
  // missing, it is read-only (owner write bit clear, checked here because
  // root could write it anyway), it could not be read, or the disk refuses.
  void UpdateFile();

  // The text UpdateFile() would write, as CP932.
  std::string Text() const { return document_.Text(); }
  // How the file was stored when read (Shift-JIS for a new file).  It is
  // written back the same way, or as UTF-8 with a mark once it holds a
  // character Shift-JIS lacks.
  TTextEncoding Encoding() const { return encoding_; }

private:
  [[noreturn]] void RaiseWriteError() const;

  std::string fileName_;
  TIniDocument document_;
  TTextEncoding encoding_ = TTextEncoding::ShiftJis;
  bool unreadable_ = false;
  bool missing_ = false;
  int readError_ = 0;
  bool modified_ = false;
};
