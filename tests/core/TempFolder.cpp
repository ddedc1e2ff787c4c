#include "TempFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TTempFolder::TTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "korvane-core-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TTempFolder::~TTempFolder() {
  std::error_code ignored;
  // Tests make files read-only; give the owner write access back first.
  for (const auto &entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::string TTempFolder::Path(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

void TTempFolder::WriteFile(std::string_view name, std::string_view bytes) const {
  std::ofstream out(Path(name), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write test file");
}

std::string TTempFolder::ReadFile(std::string_view name) const {
  std::ifstream in(Path(name), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read test file");
  return std::string(std::istreambuf_iterator<char>(in), {});
}
