#include "core/NamedJobs.h"

#include <algorithm>

#include "core/DefaultSettingsFile.h"
#include "platform/Cp932.h"
#include "platform/Inspect.h"
#include "platform/Paths.h"

namespace {

constexpr std::string_view kExtension = ".INI";
constexpr std::size_t kMaxNameBytes = 200;

// The name of a job file without its extension, or nothing for another file.
std::optional<std::string> JobNameOf(const std::string &fileName) {
  if (fileName.size() <= kExtension.size()) return std::nullopt;
  const std::string_view ext = std::string_view(fileName).substr(fileName.size() - kExtension.size());
  if (UpperCaseCp932(ext) != kExtension) return std::nullopt;
  std::string name = fileName.substr(0, fileName.size() - kExtension.size());
  if (!IsJobName(name)) return std::nullopt;
  return name;
}

bool IsFile(const std::string &path) {
  const std::optional<FindEntry> entry = InspectEntry(TEntryRef(path));
  return entry && !(entry->Attributes & kAttrDirectory);
}

}  // namespace

std::string JobsFolderBeside(const std::string &settingsFile) {
  const std::size_t at = LastDelimiterOffset(settingsFile, std::string_view(&kPathDelimiter, 1));
  const std::string folder = at == std::string::npos ? std::string() : settingsFile.substr(0, at + 1);
  return folder + "jobs" + kPathDelimiter;
}

std::string JobsFolder() { return JobsFolderBeside(DefaultSettingsFile()); }

bool IsJobName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameBytes || name.front() == '.') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    // A trail byte is never a delimiter or a control character.
    if (IsDBCSLeadByte(c) && i + 1 < name.size()) {
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F || c == static_cast<unsigned char>(kPathDelimiter)) return false;
  }
  return true;
}

std::vector<std::string> ListJobs(const std::string &folder) {
  std::vector<std::string> jobs;
  const std::string dir = IncludeTrailingDelimiter(folder);
  const std::optional<std::vector<std::string>> names = ReadFolderNames(dir);
  if (!names) return jobs;
  for (const std::string &file : *names) {
    if (std::optional<std::string> name = JobNameOf(file); name && IsFile(dir + file))
      jobs.push_back(std::move(*name));
  }
  std::sort(jobs.begin(), jobs.end(), [](const std::string &a, const std::string &b) {
    const std::string la = LowerCaseCp932(a), lb = LowerCaseCp932(b);
    return la != lb ? la < lb : a < b;
  });
  // name.INI and name.ini are one job.
  jobs.erase(std::unique(jobs.begin(), jobs.end()), jobs.end());
  return jobs;
}

std::optional<std::string> FindJobFile(const std::string &folder, std::string_view name) {
  if (!IsJobName(name)) return std::nullopt;
  const std::string dir = IncludeTrailingDelimiter(folder);
  const std::string exact = dir + std::string(name) + std::string(kExtension);
  if (IsFile(exact)) return exact;
  const std::optional<std::vector<std::string>> names = ReadFolderNames(dir);
  if (!names) return std::nullopt;
  for (const std::string &file : *names) {
    const std::optional<std::string> job = JobNameOf(file);
    if (job && *job == name && IsFile(dir + file)) return dir + file;
  }
  return std::nullopt;
}

std::string JobFileFor(const std::string &folder, std::string_view name) {
  if (std::optional<std::string> existing = FindJobFile(folder, name)) return *existing;
  return IncludeTrailingDelimiter(folder) + std::string(name) + std::string(kExtension);
}
