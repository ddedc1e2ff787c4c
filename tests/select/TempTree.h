#pragma once
// A temporary folder tree for the walk and run tests, built from a short
// description, one entry per line:
//
//   a.txt            an empty file
//   a.txt 1024       a file of 1024 bytes
//   sub/             a folder (parents are made as needed)
//   sub/b.txt        a file in it
//   @link -> sub     a symbolic link named "link" pointing at "sub"
//
// Names are UTF-8 on disk; Path() gives CP932, as the system uses paths.
// The tree is removed with everything in it when the object goes.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

class TTempTree {
public:
  explicit TTempTree(std::string_view description = {});
  ~TTempTree();
  TTempTree(const TTempTree &) = delete;
  TTempTree &operator=(const TTempTree &) = delete;

  void Add(std::string_view description);
  // CP932 path of the root (no trailing delimiter) or of an entry in it.
  std::string Path(std::string_view relative = {}) const;
  std::filesystem::path Native(std::string_view relative = {}) const;
  bool Exists(std::string_view relative) const;
  // Sets the last-write time to a local date and time.
  void SetTime(std::string_view relative, int year, int month, int day, int hour, int minute,
               int second) const;
  std::string Read(std::string_view relative) const;

private:
  std::filesystem::path Root_;
};
