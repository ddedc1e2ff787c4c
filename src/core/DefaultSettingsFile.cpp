#include "core/DefaultSettingsFile.h"

#ifndef KORVANE_APP_ID
#define KORVANE_APP_ID "org.korvane.Korvane"
#endif

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/Cp932.h"
#include "platform/Errors.h"

namespace {

// The executable's own path (UTF-8), or empty when the kernel will not say.
std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string HomeFolder() {
  if (const char *home = std::getenv("HOME"); home && *home) return home;
  if (const passwd *entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return std::string(path.substr(0, slash == 0 ? 1 : slash));
}

}  // namespace

std::string SettingsFileName(std::string_view executableName) {
  const std::size_t dot = executableName.rfind('.');
  // A name that is only an extension (".korvane") keeps its name.
  const std::string_view base =
      dot == std::string_view::npos || dot == 0 ? executableName : executableName.substr(0, dot);
  return std::string(base) + ".INI";
}

std::string DefaultSettingsFileFor(std::string_view executable, bool folderWritable,
                                   std::string_view configHome, std::string_view home) {
  const std::size_t slash = executable.rfind('/');
  const std::string name = SettingsFileName(
      slash == std::string_view::npos ? executable : executable.substr(slash + 1));
  if (folderWritable) {
    return slash == std::string_view::npos ? name
                                           : std::string(executable.substr(0, slash + 1)) + name;
  }
  std::string config = !configHome.empty() && configHome.front() == '/'
                           ? std::string(configHome)
                           : std::string(home) + "/.config";
  if (config.back() != '/') config.push_back('/');
  return config + "korvane/" + name;
}

bool IsInstalledExecutable(std::string_view executable) {
  const std::string desktopFile =
      FolderOf(executable) + "/../share/applications/" KORVANE_APP_ID ".desktop";
  struct stat st {};
  return ::stat(desktopFile.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string DefaultSettingsFile() {
  std::string executable = ExecutablePath();
  if (executable.empty()) executable = "korvane";
  const bool writable =
      ::access(FolderOf(executable).c_str(), W_OK) == 0 && !IsInstalledExecutable(executable);
  const char *configHome = std::getenv("XDG_CONFIG_HOME");
  const std::string home = HomeFolder();
  const std::string path =
      DefaultSettingsFileFor(executable, writable, configHome ? configHome : "", home);
  if (auto cp932 = Utf8ToCp932(path)) return *std::move(cp932);
  // A folder name with no CP932 form: fall back to the per-user location.
  const std::string fallback = DefaultSettingsFileFor(executable, false,
                                                      configHome ? configHome : "", home);
  if (auto cp932 = Utf8ToCp932(fallback)) return *std::move(cp932);
  std::string shown = path;
  for (char &c : shown) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  throw EInOutError(shown + " に書き込めません");
}
