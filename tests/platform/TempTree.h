#pragma once
// A temporary folder under /tmp, removed with everything in it, and a
// helper that fills it from a short description:
//
//   MakeTree(root, {"a.txt=hello", "sub/", "sub/b.TXT", ".hidden"});
//
// "name/" is a folder, "name=text" a file with that content, "name" an
// empty file, "name->target" a symbolic link.  Names are raw bytes (UTF-8
// for ordinary names), so a test can make names the system must refuse.

#include <initializer_list>
#include <string>
#include <string_view>

class TTempFolder {
public:
  TTempFolder();
  TTempFolder(const TTempFolder &) = delete;
  TTempFolder &operator=(const TTempFolder &) = delete;
  ~TTempFolder();

  // ASCII, so the same bytes in UTF-8 and CP932; no trailing '/'.
  const std::string &Root() const { return root_; }
  std::string operator/(std::string_view name) const { return root_ + "/" + std::string(name); }

private:
  std::string root_;
};

void MakeTree(const std::string &root, std::initializer_list<std::string_view> lines);

// Reads a whole file; "<missing>" when it cannot be opened.
std::string ReadText(const std::string &path);

// The bytes of a UTF-8 literal, for names on disk.
inline std::string U8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// True when the tests run as root, who gets past permission bits.
bool RunningAsRoot();
