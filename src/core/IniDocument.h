#pragma once
// The text of an INI file, held line by line so that a write touches only
// the line it must: a value is replaced in place, a new key goes after the
// last non-blank line of its section, a new section goes at the end.  Every
// other line keeps its bytes, line end included.  Nothing is ever removed.
//
// Lookups follow the Windows profile functions: section and key names are
// compared ignoring ASCII letter case (double-byte aware), blanks around
// names and values do not count, and only the first section of a name is
// used (keys of a later duplicate are neither read nor written), as is only
// the first of duplicate keys.  Lines that are neither a section header nor
// hold an "=" are kept but never match a key.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TIniDocument {
public:
  TIniDocument() = default;
  // Parses a file's bytes (CP932; CR LF or LF line ends).
  explicit TIniDocument(std::string_view bytes);

  // The stored value of a key: the text after the first "=", cut at a NUL
  // byte, without blanks at either end.  nullopt when the section or key is
  // not there.
  std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;

  // Sets a key, creating its line or its section as needed.  A value is one
  // line: it is cut at the first CR, LF or NUL so that it can never add
  // lines (a new section or key) to the file.  Returns false when the stored
  // value already equals the value to write, so the text did not change.
  bool SetValue(std::string_view section, std::string_view key, std::string_view value);

  // The whole file as it would be written.  New and rewritten lines end
  // with CR LF.
  std::string Text() const;

private:
  struct TLine {
    std::string Text;  // without the line end
    std::string Eol;   // "\r\n", "\n", or empty for a last line without one
  };
  struct TSection {
    std::vector<TLine> Lines;  // Lines[0] is the header, except in the preamble
    std::unordered_map<std::string, std::size_t> Keys;  // folded name -> first line
  };

  void AddLine(std::string_view text, std::string_view eol);
  static void EnsureLineEnd(TLine &line);

  // Sections_[0] holds the lines before the first header; they belong to no
  // section that can be looked up.
  std::vector<TSection> sections_{1};
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded name -> first
};
