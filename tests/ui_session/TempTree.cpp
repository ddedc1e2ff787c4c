#include "TempTree.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/Cp932.h"

namespace fs = std::filesystem;

std::string Utf8(std::string_view cp932) {
  std::optional<std::string> utf8 = Cp932ToUtf8(cp932);
  if (!utf8) throw std::invalid_argument("test path is not CP932");
  return *utf8;
}

TTempTree::TTempTree() {
  std::string pattern = (fs::temp_directory_path() / "korvane-session-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
}

TTempTree::~TTempTree() {
  std::error_code ignored;  // best effort: a test may have left a read-only file
  fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(root_, ignored);
}

std::string TTempTree::Path(std::string_view relative) const {
  std::string path = *Utf8ToCp932(root_);
  if (!relative.empty()) path += "/" + std::string(relative);
  return path;
}

std::string TTempTree::Folder(std::string_view relative) const {
  fs::create_directories(Utf8(Path(relative)));
  return Path(relative);
}

std::string TTempTree::File(std::string_view relative, std::string_view bytes) const {
  const fs::path path = Utf8(Path(relative));
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  return Path(relative);
}

std::string TTempTree::Read(std::string_view relative) const {
  std::ifstream in(Utf8(Path(relative)), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> TTempTree::List(std::string_view relative) const {
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(Utf8(Path(relative)))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
