#pragma once
// A file written only at its end, record by record, where each record must
// be in the system's hands (the page cache) before the caller goes on, so a
// kill -9 right after loses nothing, at far less than a write call each.
// Records are copied into a shared mapping of space reserved ahead in large
// blocks; where the file system cannot reserve space, each record is a
// write call.  Space reserved and not used reads as NUL bytes until Close
// cuts it off: a reader stops at the first NUL.  Nothing is forced to the
// disk (no fsync): a power loss can lose what the page cache held.

#include <cstddef>
#include <string_view>

class TAppendFile {
public:
  TAppendFile() = default;
  ~TAppendFile();
  TAppendFile(const TAppendFile &) = delete;
  TAppendFile &operator=(const TAppendFile &) = delete;

  // Takes over `fd`, open for reading and writing, empty.
  void Adopt(int fd);
  int Fd() const { return Fd_; }
  // False with errno set when the bytes could not be taken (a full disk):
  // none or only part of them are in the file, and nothing more may be
  // appended after them.
  bool Append(std::string_view bytes);
  // Cuts the reserved space off and closes; false (errno set) on failure.
  bool Close();

private:
  bool Reserve();
  void Unmap();

  int Fd_ = -1;
  char *Map_ = nullptr;
  std::size_t MapStart_ = 0;  // where the mapping starts in the file
  std::size_t Used_ = 0;      // bytes of records in the file
  bool Mapped_ = true;        // false once the file system cannot reserve space
};
