#pragma once
// The name the numbering step makes of a file's information (Unity 2): a
// text with fields in braces.  "{track:2} {title}" gives "01 Title";
// "{taken}_{n:3}" gives "20210715_001".  The number goes only where the
// template writes {n}; ":N" pads a number with zeros to N digits.  "{{" and
// "}}" stand for the braces themselves.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TInfoField {
  Number,  // {n}: the running number, with SeqBefore and SeqAfter around it
  Title,
  Artist,
  Album,
  AlbumArtist,
  Track,
  Disc,
  Year,
  Genre,
  Camera,
  Width,
  Height,
  Taken,  // formatted with the date step's pattern
};

struct TTemplatePart {
  std::string Text;                  // literal text (when no Field)
  std::optional<TInfoField> Field;
  int Width = 0;                     // ":N", 0 when not given
  std::string Written;               // the field as the template writes it: "{track:2}"
};

struct TParsedTemplate {
  std::vector<TTemplatePart> Parts;
  // The offending part of a malformed template ("{titel}", "{title:2}",
  // "{track"), or the whole template when it is empty; empty when it is
  // well formed.
  std::string Error;
};

TParsedTemplate ParseFileInfoTemplate(std::string_view text);

// The field's name as a template writes it, braces included ("{title}").
std::string_view InfoFieldName(TInfoField field);
