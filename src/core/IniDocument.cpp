#include "core/IniDocument.h"

#include <algorithm>
#include <utility>

#include "platform/Cp932.h"

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kCrLf = "\r\n";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::string Fold(std::string_view name) { return LowerCaseCp932(Trim(name)); }

// A NUL byte ends a name or a value, as it ends the profile functions'
// strings; whatever follows it on the line is not read.
std::string_view BeforeNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// Where the line that starts at `begin` ends, and where the next one starts.
// A line ends at LF, at CR LF or at a CR alone, as in the profile functions:
// a file saved with CR line ends, or a CR left inside a CR LF file, still
// parts its lines.  Neither byte is ever the second byte of a double-byte
// character, so a plain search is safe.
struct TLineSpan {
  std::size_t End;   // the first byte of the line end (or the end of the text)
  std::size_t Next;  // the first byte after the line end
};

TLineSpan LineAt(std::string_view text, std::size_t begin) {
  // A plain loop: it costs the line's length whichever line end the file
  // uses, where a search for each byte on its own would run to the end of a
  // file that has none of one kind.
  std::size_t stop = begin;
  while (stop < text.size() && text[stop] != '\n' && text[stop] != '\r') ++stop;
  if (stop == text.size()) return {stop, stop};
  const bool crLf = text[stop] == '\r' && stop + 1 < text.size() && text[stop + 1] == '\n';
  return {stop, stop + (crLf ? 2 : 1)};
}

// The section name of a header line ("[name]", blanks allowed around the
// name and before the bracket), or nullopt.  The closing bracket is the last
// "]" that is not the second byte of a double-byte character (0x5D is a
// valid trail byte).
std::optional<std::string_view> SectionName(std::string_view line) {
  const std::string_view text = Trim(line);
  if (text.empty() || text.front() != '[') return std::nullopt;
  std::size_t close = std::string_view::npos;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<unsigned char>(text[i]))) {
      ++i;
    } else if (text[i] == ']') {
      close = i;
    }
  }
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(BeforeNul(text.substr(1, close - 1)));
}

// "=" (0x3D) is never a trail byte, so a plain search is safe.
std::optional<std::string_view> KeyName(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Trim(BeforeNul(line.substr(0, equals)));
}

std::string_view KeyValue(std::string_view line) {
  return Trim(BeforeNul(line.substr(line.find('=') + 1)));
}

std::string_view OneLine(std::string_view value) {
  return value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
}

// FNV-1a over a name as Fold() gives it (ASCII letters in small letters,
// trail bytes as they are), without building the folded copy.
std::uint64_t FoldedHash(std::string_view name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (std::size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsDBCSLeadByte(c) && i + 1 < name.size()) {
      hash = (hash ^ c) * 1099511628211ull;
      c = static_cast<unsigned char>(name[++i]);
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<unsigned char>(c - 'A' + 'a');
    }
    hash = (hash ^ c) * 1099511628211ull;
  }
  return hash;
}

std::string KeyLine(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + 1 + value.size());
  line.append(key).append("=").append(value);
  return line;
}

}  // namespace

TIniDocument::TIniDocument(std::string bytes) : source_(std::move(bytes)) {
  const std::string_view text(source_);
  std::size_t current = std::string_view::npos;  // the section being read, if it can be looked up
  bool inDuplicate = false;
  for (std::size_t begin = 0; begin < text.size();) {
    const auto [end, next] = LineAt(text, begin);
    const std::string_view line = text.substr(begin, end - begin);
    if (line.empty()) {  // most lines of a padded file: nothing to index
      begin = next;
      continue;
    }

    if (const auto name = SectionName(line)) {
      const auto [it, added] = sectionIndex_.try_emplace(LowerCaseCp932(*name), sections_.size());
      inDuplicate = !added;
      if (added) {
        current = sections_.size();
        sections_.emplace_back();
        sections_.back().InsertAt = next;
      }
    } else if (current != std::string_view::npos && !inDuplicate) {
      TSection &section = sections_[current];
      if (!Trim(line).empty()) section.InsertAt = next;
      if (const auto key = KeyName(line)) section.Keys.push_back(TKeyLine{FoldedHash(*key), begin});
    }
    begin = next;
  }
  for (TSection &section : sections_) std::sort(section.Keys.begin(), section.Keys.end());
}

std::string_view TIniDocument::SourceLine(std::size_t begin) const {
  const std::string_view text(source_);
  return text.substr(begin, LineAt(text, begin).End - begin);
}

std::string_view TIniDocument::CurrentLine(std::size_t at) const {
  const auto replacedIt = replaced_.find(at);
  return replacedIt != replaced_.end() ? std::string_view(replacedIt->second.Text) : SourceLine(at);
}

std::size_t TIniDocument::FindSourceKey(const TSection &section, std::string_view foldedKey) const {
  const std::uint64_t hash = FoldedHash(foldedKey);
  auto it = std::lower_bound(section.Keys.begin(), section.Keys.end(), TKeyLine{hash, 0});
  for (; it != section.Keys.end() && it->Hash == hash; ++it) {
    // A rewritten line keeps its key's name, so the file's line names it.
    if (Fold(*KeyName(SourceLine(it->At))) == foldedKey) return it->At;
  }
  return std::string_view::npos;
}

std::optional<std::string_view> TIniDocument::FindValue(std::string_view section,
                                                        std::string_view key) const {
  const auto sectionIt = sectionIndex_.find(Fold(section));
  if (sectionIt == sectionIndex_.end()) return std::nullopt;
  const TSection &found = sections_[sectionIt->second];
  const std::string foldedKey = Fold(key);
  if (const std::size_t at = FindSourceKey(found, foldedKey); at != std::string_view::npos)
    return KeyValue(CurrentLine(at));
  const auto addedIt = found.AddedKeys.find(foldedKey);
  if (addedIt == found.AddedKeys.end()) return std::nullopt;
  return KeyValue(found.Added[addedIt->second]);
}

bool TIniDocument::HasSection(std::string_view section) const {
  return sectionIndex_.contains(Fold(section));
}

bool TIniDocument::SetValue(std::string_view section, std::string_view key,
                            std::string_view value) {
  value = OneLine(value);
  const std::string foldedSection = Fold(section);
  const auto sectionIt = sectionIndex_.find(foldedSection);
  if (sectionIt == sectionIndex_.end()) {
    // A new section at the end of the file.
    TSection added;
    added.Header = "[" + std::string(section) + "]";
    added.Added.push_back(KeyLine(key, value));
    added.AddedKeys.emplace(Fold(key), 0);
    sectionIndex_.emplace(foldedSection, sections_.size());
    sections_.push_back(std::move(added));
    return true;
  }

  TSection &found = sections_[sectionIt->second];
  const std::string foldedKey = Fold(key);
  if (const std::size_t at = FindSourceKey(found, foldedKey); at != std::string_view::npos) {
    const std::string_view line = CurrentLine(at);
    if (KeyValue(line) == value) return false;
    // Keep the key's name as the file spells it.
    std::string rewritten = KeyLine(*KeyName(line), value);
    replaced_[at] = TReplacement{LineAt(source_, at).Next, std::move(rewritten)};
    return true;
  }
  if (const auto addedIt = found.AddedKeys.find(foldedKey); addedIt != found.AddedKeys.end()) {
    std::string &line = found.Added[addedIt->second];
    if (KeyValue(line) == value) return false;
    line = KeyLine(*KeyName(line), value);
    return true;
  }

  // After the last non-blank line of the section (and after the lines added
  // before), so blank lines that separate it from the next section stay
  // where they are.
  found.Added.push_back(KeyLine(key, value));
  found.AddedKeys.emplace(foldedKey, found.Added.size() - 1);
  return true;
}

std::string TIniDocument::Text() const {
  // The edits in file order: a replaced line, or the lines added to a
  // section at its insertion point.  The two never share an offset: a
  // section's insertion point starts a blank line, a header or the end.
  struct TEdit {
    std::size_t At;
    const TReplacement *Replaced;
    const TSection *Section;
  };
  std::vector<TEdit> edits;
  std::size_t size = source_.size();
  for (const auto &[at, replacement] : replaced_) {
    edits.push_back(TEdit{at, &replacement, nullptr});
    size += replacement.Text.size() + kCrLf.size();
  }
  for (const TSection &section : sections_) {
    size += section.Header.size() + 2 * kCrLf.size();
    for (const std::string &line : section.Added) size += line.size() + kCrLf.size();
    if (section.Header.empty() && !section.Added.empty())
      edits.push_back(TEdit{section.InsertAt, nullptr, &section});
  }
  std::sort(edits.begin(), edits.end(), [](const TEdit &a, const TEdit &b) { return a.At < b.At; });

  std::string text;
  text.reserve(size);
  // A line added after a last line that has no line end gets one first, so
  // it starts a line of its own.
  const auto appendLine = [&text](std::string_view line) {
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') text.append(kCrLf);
    text.append(line).append(kCrLf);
  };
  std::size_t copied = 0;
  for (const TEdit &edit : edits) {
    text.append(source_, copied, edit.At - copied);
    copied = edit.At;
    if (edit.Replaced) {
      text.append(edit.Replaced->Text).append(kCrLf);
      copied = edit.Replaced->End;
    } else {
      for (const std::string &line : edit.Section->Added) appendLine(line);
    }
  }
  text.append(source_, copied, std::string::npos);
  for (const TSection &section : sections_) {
    if (section.Header.empty()) continue;
    appendLine(section.Header);
    for (const std::string &line : section.Added) appendLine(line);
  }
  return text;
}
