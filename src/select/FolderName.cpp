#include "select/FolderName.h"

#include "platform/Paths.h"

namespace {
#ifdef _WIN32
constexpr std::string_view kNameDelimiters = "\\:";
#else
constexpr std::string_view kNameDelimiters = "/";
#endif
}  // namespace

std::string LastFolderName(std::string_view folder) {
  std::string path = ExcludeTrailingDelimiter(folder);
  std::size_t delimiter = LastDelimiterOffset(path, kNameDelimiters);
  if (delimiter == std::string::npos) return path;
  return path.substr(delimiter + 1);
}
