#pragma once
// A temporary folder for one test, removed with everything in it when the
// test ends.  Names are given in CP932, as the code under test takes them.

#include <string>
#include <string_view>
#include <vector>

class TTempTree {
public:
  TTempTree();
  ~TTempTree();
  TTempTree(const TTempTree &) = delete;
  TTempTree &operator=(const TTempTree &) = delete;

  // CP932 path of `relative` inside the tree (the root itself for "").
  std::string Path(std::string_view relative = {}) const;
  // Creates a folder (with its parents) or a file holding `bytes`; returns
  // its CP932 path.
  std::string Folder(std::string_view relative) const;
  std::string File(std::string_view relative, std::string_view bytes = {}) const;
  // The bytes of a file.
  std::string Read(std::string_view relative) const;
  // Entry names of a folder (UTF-8), sorted.
  std::vector<std::string> List(std::string_view relative = {}) const;

private:
  std::string root_;  // UTF-8 (ASCII)
};

// CP932 -> UTF-8 for the system calls of the tests themselves.
std::string Utf8(std::string_view cp932);
