// Finding trashed files by their original path and putting them back.
//
// MoveToTrash writes the home trash ($XDG_DATA_HOME/Trash) and, for a file
// on another mount, a trash at the mount's top folder: $topdir/.Trash-$uid,
// or $topdir/.Trash/$uid when an administrator prepared one.  All are
// searched, since a log of an older run does not say which one it used.

#include "platform/TrashFiles.h"

#include <dirent.h>
#include <fcntl.h>
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

// The top folder of the mount that holds `path` (system bytes).
std::string TopFolderOf(const std::string &path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return std::string();
  const auto folder = Utf8ToCp932(slash == 0 ? std::string("/") : path.substr(0, slash));
  const auto entry = folder ? fs::SystemEntry(*folder) : std::nullopt;
  struct stat st {};
  if (!entry || ::fstatat(entry->Dir, entry->Name.c_str(), &st, 0) != 0) return std::string();
  return fs::TopFolderOf(fs::DeviceOf(st), path);
}

std::string HomeTrash() { return fs::HomeTrashPath(); }

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
    const auto file = fs::SystemEntry(entry.File);
    struct stat st {};
    return !file || ::fstatat(file->Dir, file->Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0;
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

bool RestoreFromTrash(const TTrashEntry &entry, const TEntryRef &to) {
  const auto file = fs::SystemEntry(entry.File);
  const auto info = fs::SystemEntry(entry.Info);
  const auto target = fs::SystemEntry(to);
  if (!file || !info || !target) return false;
  if (!fs::RenameNoReplace(file->Dir, file->Name.c_str(), target->Dir, target->Name.c_str())) return false;
  // The file is back; an info file left behind would only describe nothing.
  ::unlinkat(info->Dir, info->Name.c_str(), 0);
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
