#include "TempTree.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

void MakeWritable(const std::filesystem::path &path) {
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(
           path, std::filesystem::directory_options::skip_permission_denied, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (!it->is_symlink()) ::chmod(it->path().c_str(), 0700);
  }
}

}  // namespace

TTempFolder::TTempFolder() {
  std::string pattern = "/tmp/korvane-platform-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
}

TTempFolder::~TTempFolder() {
  ::chmod(root_.c_str(), 0700);
  MakeWritable(root_);
  std::error_code error;
  std::filesystem::remove_all(root_, error);
}

void MakeTree(const std::string &root, std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) {
    if (line.ends_with('/')) {
      std::filesystem::create_directories(root + "/" + std::string(line));
      continue;
    }
    if (const std::size_t arrow = line.find("->"); arrow != std::string_view::npos) {
      const std::string link = root + "/" + std::string(line.substr(0, arrow));
      if (::symlink(std::string(line.substr(arrow + 2)).c_str(), link.c_str()) != 0) {
        throw std::runtime_error("symlink failed: " + link);
      }
      continue;
    }
    const std::size_t equals = line.find('=');
    const std::string name(line.substr(0, equals));
    std::ofstream out(root + "/" + name, std::ios::binary);
    if (!out) throw std::runtime_error("cannot create " + name);
    if (equals != std::string_view::npos) out << line.substr(equals + 1);
  }
}

std::string ReadText(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool RunningAsRoot() { return ::geteuid() == 0; }
