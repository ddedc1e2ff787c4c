#include "core/IniDocument.h"

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
  return Trim(text.substr(1, close - 1));
}

// "=" (0x3D) is never a trail byte, so a plain search is safe.
std::optional<std::string_view> KeyName(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(0, equals));
}

std::string_view KeyValue(std::string_view line) {
  std::string_view value = line.substr(line.find('=') + 1);
  value = value.substr(0, value.find('\0'));
  return Trim(value);
}

std::string_view OneLine(std::string_view value) {
  return value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
}

std::string KeyLine(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + 1 + value.size());
  line.append(key).append("=").append(value);
  return line;
}

}  // namespace

TIniDocument::TIniDocument(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t newline = bytes.find('\n');
    if (newline == std::string_view::npos) {
      AddLine(bytes, {});
      break;
    }
    const bool crlf = newline > 0 && bytes[newline - 1] == '\r';
    const std::size_t textEnd = crlf ? newline - 1 : newline;
    AddLine(bytes.substr(0, textEnd), bytes.substr(textEnd, newline + 1 - textEnd));
    bytes.remove_prefix(newline + 1);
  }
}

void TIniDocument::AddLine(std::string_view text, std::string_view eol) {
  if (const auto name = SectionName(text)) {
    sectionIndex_.try_emplace(LowerCaseCp932(*name), sections_.size());
    sections_.emplace_back();
  } else if (const auto key = KeyName(text); key && sections_.size() > 1) {
    TSection &section = sections_.back();
    section.Keys.try_emplace(LowerCaseCp932(*key), section.Lines.size());
  }
  sections_.back().Lines.push_back(TLine{std::string(text), std::string(eol)});
}

std::optional<std::string_view> TIniDocument::FindValue(std::string_view section,
                                                        std::string_view key) const {
  const auto sectionIt = sectionIndex_.find(Fold(section));
  if (sectionIt == sectionIndex_.end()) return std::nullopt;
  const TSection &found = sections_[sectionIt->second];
  const auto keyIt = found.Keys.find(Fold(key));
  if (keyIt == found.Keys.end()) return std::nullopt;
  return KeyValue(found.Lines[keyIt->second].Text);
}

void TIniDocument::EnsureLineEnd(TLine &line) {
  if (line.Eol.empty()) line.Eol = kCrLf;
}

bool TIniDocument::SetValue(std::string_view section, std::string_view key,
                            std::string_view value) {
  value = OneLine(value);
  const std::string foldedSection = Fold(section);
  const auto sectionIt = sectionIndex_.find(foldedSection);
  if (sectionIt == sectionIndex_.end()) {
    // A new section at the end of the file; the last line gets its line end
    // first so the header starts a line of its own.
    for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
      if (!it->Lines.empty()) {
        EnsureLineEnd(it->Lines.back());
        break;
      }
    }
    TSection added;
    added.Lines.push_back(TLine{"[" + std::string(section) + "]", std::string(kCrLf)});
    added.Keys.emplace(Fold(key), 1);
    added.Lines.push_back(TLine{KeyLine(key, value), std::string(kCrLf)});
    sectionIndex_.emplace(foldedSection, sections_.size());
    sections_.push_back(std::move(added));
    return true;
  }

  TSection &found = sections_[sectionIt->second];
  const std::string foldedKey = Fold(key);
  if (const auto keyIt = found.Keys.find(foldedKey); keyIt != found.Keys.end()) {
    TLine &line = found.Lines[keyIt->second];
    if (KeyValue(line.Text) == value) return false;
    // Keep the key's name as the file spells it.
    line.Text = KeyLine(*KeyName(line.Text), value);
    line.Eol = kCrLf;
    return true;
  }

  // After the last non-blank line of the section, so blank lines that
  // separate it from the next section stay where they are.  Every key line
  // lies before the insertion point, so the key index stays valid.
  std::size_t at = found.Lines.size();
  while (at > 1 && Trim(found.Lines[at - 1].Text).empty()) --at;
  EnsureLineEnd(found.Lines[at - 1]);
  found.Lines.insert(found.Lines.begin() + static_cast<std::ptrdiff_t>(at),
                     TLine{KeyLine(key, value), std::string(kCrLf)});
  found.Keys.emplace(foldedKey, at);
  return true;
}

std::string TIniDocument::Text() const {
  std::size_t size = 0;
  for (const TSection &section : sections_) {
    for (const TLine &line : section.Lines) size += line.Text.size() + line.Eol.size();
  }
  std::string text;
  text.reserve(size);
  for (const TSection &section : sections_) {
    for (const TLine &line : section.Lines) text.append(line.Text).append(line.Eol);
  }
  return text;
}
