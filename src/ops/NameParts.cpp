#include "ops/NameParts.h"

#include "platform/Paths.h"

namespace {

// Where a name's extension may not start after: the path delimiter, and on
// Windows the drive colon as well.
#ifdef _WIN32
constexpr std::string_view kExtStops = ".\\:";
constexpr std::string_view kPathStops = "\\:";
#else
constexpr std::string_view kExtStops = "./";
constexpr std::string_view kPathStops = "/";
#endif

}  // namespace

std::size_t ExtensionOffset(std::string_view name) {
  const std::size_t at = LastDelimiterOffset(name, kExtStops);
  return at == std::string_view::npos || name[at] != '.' ? name.size() : at;
}

TNameParts SplitName(std::string_view name) {
  const std::size_t at = ExtensionOffset(name);
  return {std::string(name.substr(0, at)), std::string(name.substr(at))};
}

std::string ChangeFileExt(std::string_view name, std::string_view ext) {
  return SplitName(name).Base + std::string(ext);
}

std::string ExtractFileName(std::string_view path) {
#ifdef _WIN32
  const std::size_t at = LastDelimiterOffset(path, kPathStops);
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
#else
  // The one delimiter is never a trail byte: the search from the end needs
  // no scan of the characters.
  return std::string(path.substr(NameOffset(path)));
#endif
}

bool IsPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find('\0') != std::string_view::npos) return false;
#ifdef _WIN32
  return LastDelimiterOffset(name, kPathStops) == std::string_view::npos;
#else
  // '/' is never a valid second byte, so any '/' byte at all is refused: a
  // malformed double-byte pair must not smuggle one past the scan.
  return name.find('/') == std::string_view::npos;
#endif
}
