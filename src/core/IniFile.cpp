#include "core/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include "core/ProfileValues.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/Sys.h"

namespace sys = korvane::sys;

namespace {

enum class TReadOutcome { Read, Missing, Unreadable };

TReadOutcome ReadWholeFile(const std::string &fileName, std::string &bytes) {
  const auto path = Cp932ToUtf8(fileName);
  if (!path) return TReadOutcome::Unreadable;
  // O_NONBLOCK so that a FIFO in the settings file's place cannot hang the
  // start-up; anything but a regular file is refused below anyway.
  sys::TFd fd(sys::Call("open", [&] {
    return ::open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  }));
  if (!fd.Valid()) {
    return errno == ENOENT || errno == ENOTDIR ? TReadOutcome::Missing
                                               : TReadOutcome::Unreadable;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return TReadOutcome::Unreadable;
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got =
        sys::Call("read", [&] { return ::read(fd.Get(), buffer, sizeof buffer); });
    if (got < 0) return TReadOutcome::Unreadable;
    if (got == 0) return TReadOutcome::Read;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put =
        sys::Call("write", [&] { return ::write(fd, bytes.data(), bytes.size()); });
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

// A temporary file beside the target that is removed again unless Commit()
// renamed it into place.
class TTempFile {
public:
  explicit TTempFile(const std::string &target, mode_t mode) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = folder + (folder.back() == '/' ? "." : "/.") + base + ".korvane-" +
                         std::to_string(::getpid()) + "-" + std::to_string(counter_++);
      const int fd = sys::Call("open", [&] {
        return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      });
      if (fd >= 0) {
        fd_ = sys::TFd(fd);
        name_ = std::move(name);
        return;
      }
      if (errno != EEXIST) return;
    }
  }
  TTempFile(const TTempFile &) = delete;
  TTempFile &operator=(const TTempFile &) = delete;
  ~TTempFile() {
    fd_.Reset();
    if (!name_.empty()) ::unlink(name_.c_str());
  }

  bool Valid() const { return fd_.Valid(); }
  int Fd() const { return fd_.Get(); }

  // Closes the file (a close error can be the first sign of a full disk on
  // some file systems) and renames it over the target.
  bool Commit(const std::string &target) {
    if (::close(fd_.Release()) != 0) return false;
    if (sys::Call("rename", [&] { return ::rename(name_.c_str(), target.c_str()); }) != 0) {
      return false;
    }
    name_.clear();
    return true;
  }

private:
  static inline unsigned counter_ = 0;
  sys::TFd fd_;
  std::string name_;
};

// Makes the rename durable.  The new file is already in place when this
// runs; a failed folder sync loses nothing that could still be saved, so it
// is not reported.
void SyncFolderOf(const std::string &target) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  sys::TFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Valid()) ::fsync(fd.Get());
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  std::string bytes;
  switch (ReadWholeFile(fileName_, bytes)) {
  case TReadOutcome::Read:
    document_ = TIniDocument(bytes);
    break;
  case TReadOutcome::Missing:
    break;
  case TReadOutcome::Unreadable:
    unreadable_ = true;
    break;
  }
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  const auto stored = document_.FindValue(section, key);
  return stored ? ProfileText(*stored) : std::string(defaultValue);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key,
                          int defaultValue) const {
  const auto stored = document_.FindValue(section, key);
  if (!stored) return defaultValue;
  return ParseProfileInteger(ProfileText(*stored)).value_or(defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key,
                        bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key,
                           std::string_view value) {
  if (document_.SetValue(section, key, value)) modified_ = true;
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::RaiseWriteError() const {
  throw EInOutError(fileName_ + " に書き込めません");
}

void TIniFile::UpdateFile() {
  if (!modified_) return;
  // Content we could not read must not be replaced by the few keys we know.
  if (unreadable_) RaiseWriteError();
  const auto path = Cp932ToUtf8(fileName_);
  if (!path || path->empty()) RaiseWriteError();

  std::string target = *path;
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    // A read-only file is refused as Windows refuses it, even where root
    // could write it.
    if (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0 ||
        ::access(target.c_str(), W_OK) != 0) {
      RaiseWriteError();
    }
    // Through a symbolic link the file it names is replaced, not the link.
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      const std::unique_ptr<char, decltype(&std::free)> real(::realpath(target.c_str(), nullptr),
                                                              &std::free);
      if (!real) RaiseWriteError();
      target = real.get();
    }
  } else if (errno != ENOENT) {
    RaiseWriteError();
  }

  TTempFile temp(target, exists ? S_IRUSR | S_IWUSR : 0666);
  if (!temp.Valid()) RaiseWriteError();
  if (!WriteAll(temp.Fd(), document_.Text())) RaiseWriteError();
  if (sys::Call("fsync", [&] { return ::fsync(temp.Fd()); }) != 0) RaiseWriteError();
  if (exists) {
    // Keeping the owner needs privileges we may not have; the file then
    // belongs to the user who saved it, as any file they write would.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(temp.Fd(), st.st_uid, st.st_gid);
    }
    // After the owner, since a change of owner may clear mode bits.
    if (::fchmod(temp.Fd(), st.st_mode & 07777) != 0) RaiseWriteError();
  }
  if (!temp.Commit(target)) RaiseWriteError();
  SyncFolderOf(target);
  modified_ = false;
}
