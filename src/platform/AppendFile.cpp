#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Space reserved at a time: a few thousand records.
constexpr std::size_t kBlock = std::size_t{1} << 20;

}  // namespace

TAppendFile::~TAppendFile() {
  if (Fd_ >= 0) Close();
}

void TAppendFile::Adopt(int fd) {
  if (Fd_ >= 0) Close();
  Fd_ = fd;
  Map_ = nullptr;
  MapStart_ = Used_ = 0;
  Mapped_ = true;
}

void TAppendFile::Unmap() {
  if (Map_ != nullptr) ::munmap(Map_, kBlock);
  Map_ = nullptr;
}

// Maps the next block, reserved on the disk first: a page of a mapping
// that the disk cannot hold would end the process with SIGBUS.
bool TAppendFile::Reserve() {
  const std::size_t start = Map_ == nullptr && Used_ == 0 ? 0 : MapStart_ + kBlock;
  Unmap();
  if (::fallocate(Fd_, 0, static_cast<off_t>(start), static_cast<off_t>(kBlock)) != 0) {
    if (errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL) return false;
    // No reservation here (some FUSE and network file systems): plain
    // writes from now on, after what was mapped.
    Mapped_ = false;
    return ::ftruncate(Fd_, static_cast<off_t>(Used_)) == 0 &&
           ::lseek(Fd_, static_cast<off_t>(Used_), SEEK_SET) >= 0;
  }
  void *map = ::mmap(nullptr, kBlock, PROT_READ | PROT_WRITE, MAP_SHARED, Fd_, static_cast<off_t>(start));
  if (map == MAP_FAILED) {
    Mapped_ = false;
    return ::ftruncate(Fd_, static_cast<off_t>(Used_)) == 0 &&
           ::lseek(Fd_, static_cast<off_t>(Used_), SEEK_SET) >= 0;
  }
  Map_ = static_cast<char *>(map);
  MapStart_ = start;
  return true;
}

bool TAppendFile::Append(std::string_view bytes) {
  if (Fd_ < 0) {
    errno = EBADF;
    return false;
  }
  while (!bytes.empty()) {
    if (Mapped_ && (Map_ == nullptr || Used_ == MapStart_ + kBlock)) {
      if (!Reserve()) return false;
    }
    if (Mapped_) {
      const std::size_t room = MapStart_ + kBlock - Used_;
      const std::size_t part = bytes.size() < room ? bytes.size() : room;
      std::memcpy(Map_ + (Used_ - MapStart_), bytes.data(), part);
      Used_ += part;
      bytes.remove_prefix(part);
      continue;
    }
    const ssize_t put = ::write(Fd_, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Used_ += static_cast<std::size_t>(put);
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

bool TAppendFile::Close() {
  if (Fd_ < 0) return true;
  Unmap();
  int error = ::ftruncate(Fd_, static_cast<off_t>(Used_)) == 0 ? 0 : errno;
  if (::close(Fd_) != 0 && error == 0) error = errno;
  Fd_ = -1;
  if (error != 0) errno = error;
  return error == 0;
}
