#include "ui/session/LogFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <optional>

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Sys.h"
#include "run/RunLog.h"

namespace sys = korvane::sys;

namespace {

[[noreturn]] void RaiseCreateError(const std::string &path) {
  throw EInOutError("ファイル " + path + " を作成できません");
}

// The file that will really be replaced (UTF-8): the target of a link, the
// path itself otherwise.  nullopt when the path is no file name at all.
std::optional<std::string> FileToReplace(const std::string &path) {
  std::optional<std::string> name = Cp932ToUtf8(path);
  if (!name) return std::nullopt;
  char resolved[PATH_MAX];
  if (::realpath(name->c_str(), resolved) != nullptr) return std::string(resolved);
  return name;  // a new file
}

// The permission bits the replaced file keeps, or those of a new file.
mode_t ModeFor(const std::string &name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// A temporary file beside the target, removed again unless Commit() renamed
// it into place.
class TTempFile {
public:
  explicit TTempFile(const std::string &target) : name_(target + ".XXXXXX") {
    sys::TFd fd(::mkstemp(name_.data()));
    if (!fd.Valid()) name_.clear();
  }
  ~TTempFile() {
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  TTempFile(const TTempFile &) = delete;
  TTempFile &operator=(const TTempFile &) = delete;

  bool Valid() const { return !name_.empty(); }
  const std::string &Name() const { return name_; }

  bool Commit(const std::string &target, mode_t mode) {
    if (sys::Call("chmod", [&] { return ::chmod(name_.c_str(), mode); }) != 0) return false;
    if (sys::Call("rename", [&] { return ::rename(name_.c_str(), target.c_str()); }) != 0) {
      return false;
    }
    name_.clear();
    return true;
  }

private:
  std::string name_;
};

bool WriteLines(const std::string &utf8Name, const std::vector<std::string> &lines) {
  // The writer takes CP932 names; the temporary name is the target's name
  // with ASCII added, so it converts back unchanged.
  std::optional<std::string> cp932Name = Utf8ToCp932(utf8Name);
  TLogFileWriter writer;
  if (!cp932Name || !writer.Open(*cp932Name, LinesNeedUnicode(lines))) return false;
  for (const std::string &line : lines) {
    if (!writer.Append(line)) return false;
  }
  return writer.Close();
}

}  // namespace


std::vector<std::string> ReadLogLines(const std::string &path) { return LoadLogFile(path); }

void WriteLogLines(const std::string &path, const std::vector<std::string> &lines) {
  if (const std::optional<std::uint32_t> attributes = GetAttributes(path)) {
    // A read-only file or a folder is never replaced (root could rename
    // over a read-only file; the user marked it so for a reason).
    if ((*attributes & (kAttrReadOnly | kAttrDirectory)) != 0) RaiseCreateError(path);
  }
  const std::optional<std::string> target = FileToReplace(path);
  if (!target) RaiseCreateError(path);
  const mode_t mode = ModeFor(*target);
  TTempFile temp(*target);
  if (!temp.Valid() || !WriteLines(temp.Name(), lines) || !temp.Commit(*target, mode)) {
    RaiseCreateError(path);
  }
}
