#pragma once
// Pieces shared by the file-system sources; not part of the public API.

#include <sys/stat.h>

#include <ctime>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace korvane::fs {

// The UTF-8 form of a CP932 path for the system calls; nullopt with errno
// EILSEQ when it has no such form.
std::optional<std::string> SystemPath(const std::string &cp932);

// The last component of a path (trailing delimiters ignored).
std::string_view LastComponent(std::string_view path);

// Windows knows one read-only flag; the owner write bit stands for it.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

// Hidden, system and archive bits kept in user.DOSATTRIB ("0xNN").  A file
// system without user extended attributes sets `unsupported`, so a listing
// can stop asking after the first entry.
std::uint32_t ReadDosBits(const char *path, bool &unsupported);

// The attribute bits of an entry: `st` describes what it points to, `name`
// is its own name (a leading dot hides it).
std::uint32_t AttributesOf(const struct stat &st, std::string_view name, std::uint32_t dosBits);

inline TFileId FileIdOf(const struct stat &st) {
  return TFileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// Which side of the 1980-2107 range of a DosDateTime a file time lies on:
// -1 before it, 1 after it (also for a time localtime cannot even express),
// 0 inside it.
int TimeOutsideDosRange(const timespec &fileTime);

}  // namespace korvane::fs
