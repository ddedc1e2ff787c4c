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
#include "core/SaveFile.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/Sys.h"
#include "platform/TextFile.h"

namespace sys = korvane::sys;

namespace {

enum class TReadOutcome { Read, Missing, Unreadable };

// `error` gets the errno of a failed open or read (0 for a file that is not
// a regular one).
TReadOutcome ReadWholeFile(const std::string &fileName, std::string &bytes, int &error) {
  error = 0;
  const auto path = Cp932ToUtf8(fileName);
  if (!path) return TReadOutcome::Unreadable;
  // O_NONBLOCK so that a FIFO in the settings file's place cannot hang the
  // start-up; anything but a regular file is refused below anyway.
  sys::TFd fd(sys::Call("open", [&] {
    return ::open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  }));
  if (!fd.Valid()) {
    if (errno == ENOENT || errno == ENOTDIR) return TReadOutcome::Missing;
    error = errno;
    return TReadOutcome::Unreadable;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return TReadOutcome::Unreadable;
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got =
        sys::Call("read", [&] { return ::read(fd.Get(), buffer, sizeof buffer); });
    if (got < 0) {
      error = errno;
      return TReadOutcome::Unreadable;
    }
    if (got == 0) return TReadOutcome::Read;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  std::string bytes;
  switch (ReadWholeFile(fileName_, bytes, readError_)) {
  case TReadOutcome::Read:
    // Shift-JIS as the Windows program writes it, or UTF-8 (with a mark, or
    // valid UTF-8 holding non-ASCII text, as Linux editors write it).
    if (std::optional<TDecodedText> text = DecodeTextFile(std::move(bytes), true)) {
      document_ = TIniDocument(std::move(text->Cp932));
      encoding_ = text->Encoding;
    } else {
      unreadable_ = true;
      readError_ = EILSEQ;
    }
    break;
  case TReadOutcome::Missing:
    missing_ = true;
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

  const std::string text = document_.Text();
  const TTextEncoding encoding = EncodingFor(text, encoding_);
  const std::optional<std::string> bytes = EncodeText(text, encoding, true);
  if (!bytes) RaiseWriteError();
  if (!SaveFileContents(target, exists ? &st : nullptr, *bytes)) RaiseWriteError();
  encoding_ = encoding;
  modified_ = false;
}
