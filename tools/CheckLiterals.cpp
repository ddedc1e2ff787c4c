// Build check: no header holds Japanese text in a narrow string literal.
//
// Most of the system is compiled with CP932 literals; the window's sources
// are compiled with UTF-8 literals because Qt's headers cannot be compiled
// for CP932.  A header is seen by both kinds of source, and an inline
// definition with Japanese text would let the linker keep either spelling,
// so such texts are defined once, out of line, in a CP932 source.
// Prints every offending literal and exits 1 when there is one.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

bool IsIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Reports narrow literals with bytes >= 0x80; returns their count.
int CheckFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int found = 0;
  int line = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      while (i < text.size() && text[i] != '\n') ++i;
      --i;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      const std::size_t end = text.find("*/", i + 2);
      const std::size_t stop = end == std::string::npos ? text.size() : end + 2;
      for (std::size_t k = i; k < stop; ++k) line += text[k] == '\n';
      i = stop - 1;
    } else if (c == '\'' && !(i > 0 && IsIdentChar(text[i - 1]))) {
      // Character literal (a digit separator follows an identifier char).
      for (++i; i < text.size() && text[i] != '\''; ++i) {
        if (text[i] == '\\') ++i;
      }
    } else if (c == '"') {
      // The prefix decides the literal's encoding: u8, u, U and L are not
      // affected by the narrow execution character set.
      std::size_t p = i;
      while (p > 0 && IsIdentChar(text[p - 1])) --p;
      const std::string prefix = text.substr(p, i - p);
      const bool raw = !prefix.empty() && prefix.back() == 'R';
      const std::string kind = raw ? prefix.substr(0, prefix.size() - 1) : prefix;
      const bool narrow = kind.empty();
      std::size_t k = i + 1;
      bool nonAscii = false;
      if (raw) {
        const std::size_t open = text.find('(', k);
        const std::string close = ")" + text.substr(k, open - k) + "\"";
        const std::size_t end = text.find(close, open);
        const std::size_t stop = end == std::string::npos ? text.size() : end + close.size() - 1;
        for (std::size_t q = k; q < stop; ++q) {
          nonAscii |= static_cast<unsigned char>(text[q]) >= 0x80;
          line += text[q] == '\n';
        }
        k = stop;
      } else {
        for (; k < text.size() && text[k] != '"' && text[k] != '\n'; ++k) {
          if (text[k] == '\\') ++k;
          else nonAscii |= static_cast<unsigned char>(text[k]) >= 0x80;
        }
      }
      if (narrow && nonAscii) {
        std::cerr << path.string() << ":" << line << ": Japanese text in a narrow literal\n";
        ++found;
      }
      i = k;
    }
  }
  return found;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::cerr << "usage: CheckLiterals SOURCE_DIR\n";
    return 2;
  }
  const fs::path src = fs::path(argv[1]) / "src";
  int found = 0;
  int files = 0;
  for (const auto &entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const fs::path &path = entry.path();
    if (path.extension() != ".h") continue;
    ++files;
    found += CheckFile(path);
  }
  std::cout << files << " files checked, " << found << " literal(s) out of place\n";
  return found == 0 ? 0 : 1;
}
