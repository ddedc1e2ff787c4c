#pragma once
// A real temporary folder under /tmp, removed with its contents at the end
// of the test, and a small language to fill it:
//   "a.txt  sub/  sub/b.txt=hello  ro.txt!"
// Entries are separated by blanks; a trailing '/' makes a folder, "=text"
// gives a file its content (else the content is its own name), a trailing
// '!' makes the entry read-only.  Names are CP932, like everything the
// operations see; they are converted to UTF-8 for the disk.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/DateTime.h"

class TTempTree {
public:
  explicit TTempTree(const std::string &description = "");
  ~TTempTree();
  TTempTree(const TTempTree &) = delete;
  TTempTree &operator=(const TTempTree &) = delete;

  // The folder itself, CP932, with a trailing '/'.
  const std::string &Root() const { return FRoot; }
  std::string operator/(const std::string &relative) const { return FRoot + relative; }

  void Add(const std::string &description);

  // Helpers on CP932 paths.
  static bool Exists(const std::string &path);
  static bool IsFolder(const std::string &path);
  static std::optional<std::string> Content(const std::string &path);
  static void SetContent(const std::string &path, const std::string &content);
  static void SetReadOnly(const std::string &path, bool readOnly);
  static bool IsReadOnly(const std::string &path);
  // Last-write (and last-access) time as a local packed time.
  static void SetTime(const std::string &path, DosDateTime time);
  static DosDateTime Time(const std::string &path);
  // Sorted names in a folder, joined by blanks (CP932).
  static std::string List(const std::string &folder);

private:
  std::string FRoot;
};

// A packed local time from its parts; fails the test on a bad value.
DosDateTime Dos(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
