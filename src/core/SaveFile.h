#pragma once
// How a settings file's new text reaches the disk.  Where it can, the text
// goes into a new file beside the old one that is renamed over it, so a
// failure at any point leaves the old file whole.  Where the file must stay
// the file it is, the text is written into it in place.

#include <sys/stat.h>

#include <string>
#include <string_view>

// Writes `bytes` as the whole content of the file at `path` (a UTF-8 path,
// no symbolic link).  `existing` describes the file when there is one (its
// mode and owner are kept).  False with errno set when the disk refuses.
bool SaveFileContents(const std::string &path, const struct stat *existing, std::string_view bytes);
