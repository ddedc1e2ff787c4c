// Finding trashed files by their original path and putting them back.
//
// GIO writes the home trash under g_get_user_data_dir() (read once per
// process, as MoveToTrash reads it) and, for a file on another mount, a
// trash at the mount's top folder: $topdir/.Trash-$uid, or $topdir/.Trash/$uid
// when an administrator prepared one.  All are searched, since the undo
// cannot know which one a run used.

#include "platform/TrashFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <memory>

#include "platform/Cp932.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

constexpr std::string_view kInfoSuffix = ".trashinfo";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string ParentOf(const std::string &path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The mount point that holds `path` (system bytes): the highest folder above
// it on the same device.
std::string TopFolderOf(const std::string &path) {
  std::string folder = ParentOf(path);
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return std::string();
  for (;;) {
    if (folder == "/") return folder;
    const std::string parent = ParentOf(folder);
    struct stat up {};
    if (::stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) return folder;
    folder = parent;
  }
}

std::string HomeTrash() { return std::string(g_get_user_data_dir()) + "/Trash"; }

std::vector<std::string> TopTrashes(const std::string &top) {
  if (top.empty()) return {};
  const std::string base = top == "/" ? std::string() : top;
  const std::string uid = std::to_string(::getuid());
  return {base + "/.Trash/" + uid, base + "/.Trash-" + uid};
}

}  // namespace

const TTrashIndex::TByPath &TTrashIndex::Index(const std::string &trashFolder,
                                               const std::string &topFolder) {
  auto found = Indexes_.find(trashFolder);
  if (found != Indexes_.end()) return found->second;
  TByPath &index = Indexes_[trashFolder];
  const std::string infoFolder = trashFolder + "/info";
  std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(infoFolder.c_str()), ::closedir);
  if (!dir) return index;
  while (const dirent *entry = ::readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (name.size() <= kInfoSuffix.size() || !name.ends_with(kInfoSuffix)) continue;
    std::ifstream in(infoFolder + "/" + std::string(name));
    std::string line, original, date;
    bool inSection = false;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line.front() == '[') {
        inSection = line == "[Trash Info]";
        continue;
      }
      if (!inSection) continue;
      if (line.rfind("Path=", 0) == 0) original = PercentDecoded(line.substr(5));
      else if (line.rfind("DeletionDate=", 0) == 0) date = line.substr(13);
    }
    if (original.empty()) continue;
    if (original.front() != '/') original = (topFolder == "/" ? "" : topFolder) + "/" + original;
    const std::string fileName(name.substr(0, name.size() - kInfoSuffix.size()));
    auto file = Utf8ToCp932(trashFolder + "/files/" + fileName);
    auto info = Utf8ToCp932(infoFolder + "/" + std::string(name));
    if (!file || !info) continue;
    index[original].push_back(TTrashEntry{*std::move(file), *std::move(info), date, original});
  }
  return index;
}

std::vector<TTrashEntry> TTrashIndex::Find(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return {};
  std::string original = *utf8;
  while (original.size() > 1 && original.back() == '/') original.pop_back();
  std::vector<TTrashEntry> entries;
  auto collect = [&](const std::string &trash, const std::string &top) {
    const TByPath &index = Index(trash, top);
    const auto hit = index.find(original);
    if (hit != index.end()) entries.insert(entries.end(), hit->second.begin(), hit->second.end());
  };
  collect(HomeTrash(), "/");
  const std::string top = TopFolderOf(original);
  for (const std::string &trash : TopTrashes(top)) collect(trash, top);
  // An entry whose file is gone (emptied by hand) cannot be restored.
  std::erase_if(entries, [](const TTrashEntry &entry) {
    const auto file = fs::SystemPath(entry.File);
    struct stat st {};
    return !file || ::lstat(file->c_str(), &st) != 0;
  });
  std::stable_sort(entries.begin(), entries.end(), [](const TTrashEntry &a, const TTrashEntry &b) {
    return a.DeletionDate > b.DeletionDate;
  });
  return entries;
}

void TTrashIndex::Forget(const TTrashEntry &entry) {
  for (auto &[folder, index] : Indexes_) {
    const auto hit = index.find(entry.Original);
    if (hit == index.end()) continue;
    std::erase_if(hit->second, [&](const TTrashEntry &e) { return e.File == entry.File; });
  }
}

bool RestoreFromTrash(const TTrashEntry &entry, const std::string &to) {
  const auto file = fs::SystemPath(entry.File);
  const auto info = fs::SystemPath(entry.Info);
  const auto target = fs::SystemPath(to);
  if (!file || !info || !target) return false;
  if (sys::Call("renameat2", [&] {
        return ::renameat2(AT_FDCWD, file->c_str(), AT_FDCWD, target->c_str(), RENAME_NOREPLACE);
      }) != 0) {
    return false;
  }
  // The file is back; an info file left behind would only describe nothing.
  ::unlink(info->c_str());
  return true;
}

bool IsInTrashFiles(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return false;
  const std::string uid = std::to_string(::getuid());
  if (utf8->rfind(HomeTrash() + "/files/", 0) == 0) return true;
  return utf8->find("/.Trash-" + uid + "/files/") != std::string::npos ||
         utf8->find("/.Trash/" + uid + "/files/") != std::string::npos;
}
