#pragma once
// The text of an INI file, kept as read so that a write touches only the
// line it must: a value is replaced in place, a new key goes after the
// last non-blank line of its section, a new section goes at the end.  Every
// other line keeps its bytes, line end included.  Nothing is ever removed.
//
// Lookups follow the Windows profile functions: section and key names are
// compared ignoring ASCII letter case (double-byte aware), blanks around
// names and values do not count, and only the first section of a name is
// used (keys of a later duplicate are neither read nor written), as is only
// the first of duplicate keys.  Lines that are neither a section header nor
// hold an "=" are kept but never match a key.  A line ends at LF, CR LF or a
// CR alone, and a NUL byte ends a section name, a key name or a value.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TIniDocument {
public:
  TIniDocument() = default;
  // Parses a file's bytes (CP932; CR LF, LF or CR line ends) and keeps them.
  explicit TIniDocument(std::string bytes);

  // The stored value of a key: the text after the first "=", cut at a NUL
  // byte, without blanks at either end.  The key's name is the text before
  // the "=", also cut at a NUL byte.  nullopt when the section or key is
  // not there.  The view is valid until the next SetValue.
  std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;

  // True when the file holds a section of that name.
  bool HasSection(std::string_view section) const;

  // Sets a key, creating its line or its section as needed.  A value is one
  // line: it is cut at the first CR, LF or NUL so that it can never add
  // lines (a new section or key) to the file.  Returns false when the stored
  // value already equals the value to write, so the text did not change.
  bool SetValue(std::string_view section, std::string_view key, std::string_view value);

  // The whole file as it would be written.  New and rewritten lines end
  // with CR LF.
  std::string Text() const;

private:
  // A key line of the file: the hash of its folded name and the offset of
  // its line.  Sorted by hash, then offset, so the first line of a name is
  // found first.  A flat index rather than a hash map of strings: half a
  // million keys cost 16 bytes each and no allocation.
  struct TKeyLine {
    std::uint64_t Hash = 0;
    std::size_t At = 0;
    bool operator<(const TKeyLine &other) const {
      return Hash != other.Hash ? Hash < other.Hash : At < other.At;
    }
  };
  struct TSection {
    // Where lines added to a section of the file go: after its last
    // non-blank line.  Unused for a section added to the file.
    std::size_t InsertAt = 0;
    std::string Header;               // a section added to the file: its header line
    std::vector<TKeyLine> Keys;       // the section's key lines in the file
    std::vector<std::string> Added;   // key lines added, without their line end
    std::unordered_map<std::string, std::size_t> AddedKeys;  // folded name -> Added
  };
  struct TReplacement {
    std::size_t End = 0;  // the replaced line's end, its line end included
    std::string Text;     // the new line, without its line end
  };

  std::string_view SourceLine(std::size_t begin) const;
  // The current text of the key line at `at` in the file (it may have been
  // rewritten).
  std::string_view CurrentLine(std::size_t at) const;
  // The offset of the first line of the file's section that holds `key`
  // (folded), or npos.
  std::size_t FindSourceKey(const TSection &section, std::string_view foldedKey) const;

  // The file as read.  Lines are not copied out of it: a large file of
  // blank lines costs its bytes and nothing per line, and only key lines and
  // section headers are indexed.  Writes are kept beside it (replaced lines,
  // added lines and sections) and merged by Text().
  std::string source_;
  // Only the first section of each name; a later duplicate is neither read
  // nor written, and stays in source_ as it is.
  std::vector<TSection> sections_;
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded name -> sections_
  std::map<std::size_t, TReplacement> replaced_;               // line offset -> new line
};
