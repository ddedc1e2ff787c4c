#include "core/JobMenu.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/NamedJobs.h"
#include "core/SaveFile.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"

namespace {

// Characters a desktop file reserves in the arguments of its Exec key.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

// Desktop files are UTF-8; narrow literals here are Shift-JIS.
std::string U8(const char8_t *text) { return reinterpret_cast<const char *>(text); }

// A string value: a backslash is written twice.
std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string DataHome() {
  if (const char *data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') return data;
  const char *home = std::getenv("HOME");
  std::string folder = home != nullptr && *home != '\0' ? home : "";
  if (folder.empty())
    if (const passwd *entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
      folder = entry->pw_dir;
  return folder + "/.local/share";
}

}  // namespace

std::string QuoteExecArgument(std::string_view argument) {
  const bool quoted = argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
  std::string out = quoted ? "\"" : "";
  for (const char c : argument) {
    if (c == '%') {
      out += "%%";
      continue;
    }
    if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
  }
  if (quoted) out += '"';
  return out;
}

std::string ExecValue(const std::vector<std::string> &arguments) {
  std::string line;
  for (const std::string &argument : arguments) line += (line.empty() ? "" : " ") + QuoteExecArgument(argument);
  return Escaped(line);
}

std::string JobMenuText(const std::vector<std::string> &jobs, const std::string &batchProgram) {
  // The job and the folder reach the command as arguments of the shell,
  // never as part of its text.  The terminal stays open until Enter, so
  // the outcome can be read.
  const std::string script = U8(u8"\"$0\" --job \"$1\" --folder \"$2\" --confirm rename; echo; "
                                u8"echo 'Enter で閉じます'; read answer");
  std::string actions, groups;
  int number = 0;
  for (const std::string &job : jobs) {
    const std::optional<std::string> name = Cp932ToUtf8(job);
    if (!name) continue;
    const std::string id = "job" + std::to_string(++number);
    actions += id + ";";
    groups += "\n[Desktop Action " + id + "]\nName=" + Escaped(*name) + "\nIcon=org.korvane.Korvane\nExec=" +
              ExecValue({"sh", "-c", script, batchProgram, *name}) + " %f\n";
  }
  if (actions.empty()) return {};
  return U8(u8"[Desktop Entry]\n"
            u8"Type=Application\n"
            u8"Name=Korvaneのジョブ\n"
            u8"Comment=保存したジョブでこのフォルダをリネームします\n"
            u8"Icon=org.korvane.Korvane\n") +
         "Exec=" + ExecValue({batchProgram, "--list-jobs"}) + "\n" +
         "NoDisplay=true\n"
         "Terminal=true\n"
         "MimeType=inode/directory;\n"
         "Actions=" + actions + "\n" +
         U8(u8"X-KDE-Submenu=Korvaneのジョブ\n") + groups;
}

std::string JobMenuFile() {
  return DataHome() + "/kio/servicemenus/org.korvane.Korvane-jobs.desktop";
}

bool UpdateJobMenu(const std::string &jobsFolder, const std::string &batchProgram) {
  const std::string file = JobMenuFile();
  const std::string text = JobMenuText(ListJobs(jobsFolder), batchProgram);
  if (text.empty()) return ::unlink(file.c_str()) == 0 || errno == ENOENT;
  const std::optional<std::string> folder = Utf8ToCp932(file.substr(0, file.rfind('/')));
  if (!folder || !ForceFolder(*folder)) return false;
  struct stat existing {};
  const bool exists = ::lstat(file.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
  if (!SaveFileContents(file, exists ? &existing : nullptr, text)) return false;
  return ::chmod(file.c_str(), 0755) == 0;
}
