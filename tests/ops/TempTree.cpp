#include "TempTree.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/Cp932.h"

namespace fs = std::filesystem;

namespace {

fs::path Disk(const std::string &cp932) {
  const auto utf8 = Cp932ToUtf8(cp932);
  if (!utf8) throw std::runtime_error("test path not convertible");
  return fs::path(*utf8);
}

}  // namespace

TTempTree::TTempTree(const std::string &description) {
  char templ[] = "/tmp/korvane-ops-XXXXXX";
  if (!mkdtemp(templ)) throw std::runtime_error("mkdtemp failed");
  FRoot = std::string(templ) + "/";
  Add(description);
}

TTempTree::~TTempTree() {
  std::error_code ec;
  // Read-only entries must become writable again to be removed as a user.
  for (auto it = fs::recursive_directory_iterator(FRoot, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
  }
  fs::remove_all(FRoot, ec);
}

void TTempTree::Add(const std::string &description) {
  std::istringstream in(description);
  std::string item;
  while (in >> item) {
    bool readOnly = false;
    if (item.back() == '!') {
      readOnly = true;
      item.pop_back();
    }
    const std::string path = FRoot + item;
    if (item.back() == '/') {
      fs::create_directories(Disk(path));
    } else {
      const auto eq = item.find('=');
      const std::string name = item.substr(0, eq);
      fs::create_directories(Disk(FRoot + name).parent_path());
      SetContent(FRoot + name, eq == std::string::npos ? name : item.substr(eq + 1));
      if (readOnly) SetReadOnly(FRoot + name, true);
      continue;
    }
    if (readOnly) SetReadOnly(path, true);
  }
}

bool TTempTree::Exists(const std::string &path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(Disk(path), ec));
}

bool TTempTree::IsFolder(const std::string &path) {
  std::error_code ec;
  return fs::is_directory(Disk(path), ec);
}

std::optional<std::string> TTempTree::Content(const std::string &path) {
  std::ifstream in(Disk(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void TTempTree::SetContent(const std::string &path, const std::string &content) {
  std::ofstream out(Disk(path), std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write test file");
}

void TTempTree::SetReadOnly(const std::string &path, bool readOnly) {
  fs::permissions(Disk(path), fs::perms::owner_write,
                  readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

bool TTempTree::IsReadOnly(const std::string &path) {
  return (fs::status(Disk(path)).permissions() & fs::perms::owner_write) == fs::perms::none;
}

void TTempTree::SetTime(const std::string &path, DosDateTime time) {
  const auto fileTime = DosDateTimeToFileTime(time);
  if (!fileTime) throw std::runtime_error("bad test time");
  const timespec times[2] = {*fileTime, *fileTime};
  if (utimensat(AT_FDCWD, Disk(path).c_str(), times, 0) != 0)
    throw std::runtime_error("utimensat failed");
}

DosDateTime TTempTree::Time(const std::string &path) {
  struct stat st {};
  if (stat(Disk(path).c_str(), &st) != 0) throw std::runtime_error("stat failed");
  const auto packed = FileTimeToDosDateTime(st.st_mtim);
  if (!packed) throw std::runtime_error("time out of range");
  return *packed;
}

std::string TTempTree::List(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(Disk(folder))) {
    names.push_back(*Utf8ToCp932(entry.path().filename().string()));
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const auto &name : names) joined += (joined.empty() ? "" : " ") + name;
  return joined;
}

DosDateTime Dos(int year, int month, int day, int hour, int minute, int second) {
  const auto packed = PackDosDateTime({year, month, day, hour, minute, second, 0});
  if (!packed) throw std::runtime_error("bad test date");
  return *packed;
}
