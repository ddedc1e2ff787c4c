#pragma once
// A fresh folder under the system's temporary folder, removed with all its
// contents when the test ends.

#include <string>
#include <string_view>

class TTempFolder {
public:
  TTempFolder();
  TTempFolder(const TTempFolder &) = delete;
  TTempFolder &operator=(const TTempFolder &) = delete;
  ~TTempFolder();

  // Path of a name inside the folder (ASCII names, so the same in CP932).
  std::string Path(std::string_view name) const;
  void WriteFile(std::string_view name, std::string_view bytes) const;
  std::string ReadFile(std::string_view name) const;

private:
  std::string path_;
};
