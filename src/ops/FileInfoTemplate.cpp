#include "ops/FileInfoTemplate.h"

#include <array>
#include <utility>

namespace {

struct TNamedField {
  std::string_view Name;
  TInfoField Field;
  bool Numeric;  // may carry ":N"
};
constexpr std::array<TNamedField, 13> kFields = {{
    {"n", TInfoField::Number, true},
    {"title", TInfoField::Title, false},
    {"artist", TInfoField::Artist, false},
    {"album", TInfoField::Album, false},
    {"albumartist", TInfoField::AlbumArtist, false},
    {"track", TInfoField::Track, true},
    {"disc", TInfoField::Disc, true},
    {"year", TInfoField::Year, true},
    {"genre", TInfoField::Genre, false},
    {"camera", TInfoField::Camera, false},
    {"width", TInfoField::Width, true},
    {"height", TInfoField::Height, true},
    {"taken", TInfoField::Taken, false},
}};

constexpr std::string_view kBracedNames[] = {"{n}",     "{title}", "{artist}", "{album}", "{albumartist}",
                                             "{track}", "{disc}",  "{year}",   "{genre}", "{camera}",
                                             "{width}", "{height}", "{taken}"};

// No file name is longer than this; wider padding could only fail.
constexpr int kMaxWidth = 255;

// A double-byte character is copied whole: its second byte may be 0x7B or
// 0x7D, which must not be read as a brace.
bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

std::string_view InfoFieldName(TInfoField field) { return kBracedNames[static_cast<int>(field)]; }

TParsedTemplate ParseFileInfoTemplate(std::string_view text) {
  TParsedTemplate parsed;
  if (text.empty()) {
    parsed.Error = "{}";
    return parsed;
  }
  std::string literal;
  auto flush = [&] {
    if (!literal.empty()) parsed.Parts.push_back(TTemplatePart{std::exchange(literal, {}), {}, 0, {}});
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsLead(c) && i + 1 < text.size()) {
      literal += text.substr(i, 2);
      ++i;
      continue;
    }
    if (c == '}') {
      if (i + 1 < text.size() && text[i + 1] == '}') {
        literal += '}';
        ++i;
        continue;
      }
      parsed.Error = "}";
      return parsed;
    }
    if (c != '{') {
      literal += static_cast<char>(c);
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '{') {
      literal += '{';
      ++i;
      continue;
    }
    const std::size_t close = text.find('}', i);
    const std::size_t nextOpen = text.find('{', i + 1);
    if (close == std::string_view::npos || (nextOpen != std::string_view::npos && nextOpen < close)) {
      parsed.Error = std::string(text.substr(i, nextOpen == std::string_view::npos ? std::string_view::npos
                                                                                   : nextOpen - i));
      return parsed;
    }
    const std::string_view written = text.substr(i, close - i + 1);
    const std::string_view inside = text.substr(i + 1, close - i - 1);
    const std::size_t colon = inside.find(':');
    const std::string_view name = inside.substr(0, colon);
    const TNamedField *found = nullptr;
    for (const TNamedField &field : kFields)
      if (field.Name == name) found = &field;
    int width = 0;
    bool ok = found != nullptr;
    if (ok && colon != std::string_view::npos) {
      const std::string_view digits = inside.substr(colon + 1);
      ok = found->Numeric && !digits.empty() && digits.size() <= 3;
      for (const char d : digits) {
        ok = ok && d >= '0' && d <= '9';
        if (ok) width = width * 10 + (d - '0');
      }
      ok = ok && width <= kMaxWidth;
    }
    if (!ok) {
      parsed.Error = std::string(written);
      return parsed;
    }
    flush();
    parsed.Parts.push_back(TTemplatePart{{}, found->Field, width, std::string(written)});
    i = close;
  }
  flush();
  return parsed;
}
