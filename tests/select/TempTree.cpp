#include "TempTree.h"

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/Cp932.h"

namespace fs = std::filesystem;

TTempTree::TTempTree(std::string_view description) {
  std::string pattern = (fs::temp_directory_path() / "korvane-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  Root_ = pattern;
  Add(description);
}

TTempTree::~TTempTree() {
  std::error_code ignored;
  // Read-only folders would stop remove_all for an ordinary user.
  for (auto it = fs::recursive_directory_iterator(Root_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored))
    if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(Root_, ignored);
}

void TTempTree::Add(std::string_view description) {
  std::istringstream lines{std::string(description)};
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    line = line.substr(first);
    if (line[0] == '@') {
      std::size_t arrow = line.find(" -> ");
      fs::create_directory_symlink(line.substr(arrow + 4), Root_ / line.substr(1, arrow - 1));
      continue;
    }
    if (line.back() == '/') {
      fs::create_directories(Root_ / line);
      continue;
    }
    std::size_t blank = line.find(' ');
    std::string name = line.substr(0, blank);
    std::size_t size = blank == std::string::npos ? 0 : std::stoul(line.substr(blank + 1));
    fs::path path = Root_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
  }
}

std::string TTempTree::Path(std::string_view relative) const {
  fs::path path = relative.empty() ? Root_ : Root_ / relative;
  return Utf8ToCp932(path.string()).value();
}

fs::path TTempTree::Native(std::string_view relative) const {
  return relative.empty() ? Root_ : Root_ / relative;
}

bool TTempTree::Exists(std::string_view relative) const {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(Native(relative), ignored));
}

void TTempTree::SetTime(std::string_view relative, int year, int month, int day, int hour,
                        int minute, int second) const {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  timespec times[2];
  times[0].tv_sec = times[1].tv_sec = std::mktime(&local);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  if (utimensat(AT_FDCWD, Native(relative).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    throw std::runtime_error("utimensat failed");
}

std::string TTempTree::Read(std::string_view relative) const {
  std::ifstream in(Native(relative), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
