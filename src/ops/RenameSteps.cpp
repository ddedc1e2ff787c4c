// The five rename steps that only recompose base name and extension:
// numbering, letter case, date added, extension set, folder name added.

#include <algorithm>
#include <charconv>
#include <string>

#include "ops/FileInfoTemplate.h"
#include "ops/FormatDateTime.h"
#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"
#include "platform/JapaneseText.h"
#include "platform/Errors.h"
#include "platform/Paths.h"

namespace {

// Text put in front of the base name when add is 0, behind it otherwise.
std::string Attach(const std::string &base, const std::string &text, int add) {
  return add == 0 ? text + base : base + text;
}

// No file name is longer than this, so wider padding could only make a name
// that fails; the cap keeps a digit count from a damaged settings file from
// building a huge text in the preview.
constexpr int kMaxPadding = 255;

// Zero-padded to at least `width` digits; never cut.
void AppendPaddedNumber(std::string &out, int value, int width) {
  width = std::min(width, kMaxPadding);
  char digits[16];
  const auto count = static_cast<int>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
  const int pad = std::max(width - count, 0);
  // The usual widths are put together here and appended at once.
  char text[32];
  if (pad + count <= static_cast<int>(sizeof text)) {
    std::fill_n(text, pad, '0');
    std::copy_n(digits, count, text + pad);
    out.append(text, static_cast<std::size_t>(pad + count));
    return;
  }
  out.append(static_cast<std::size_t>(pad), '0');
  out.append(digits, static_cast<std::size_t>(count));
}

std::string PaddedNumber(int value, int width) {
  std::string digits;
  AppendPaddedNumber(digits, value, width);
  return digits;
}

std::string ApplyCase(const std::string &text, int rule) {
  switch (rule) {
  case 0: return LowerCaseCp932(text);
  case 1: return UpperCaseCp932(text);
  default: return text;
  }
}

// Upper-cases the single byte at `at` when it is a letter on its own; a lead
// byte (and so the whole double-byte character) is left alone.
void UpperCaseByteAt(std::string &text, std::size_t at) {
  if (at >= text.size() || IsDBCSLeadByte(static_cast<unsigned char>(text[at]))) return;
  const char c = text[at];
  if (c >= 'a' && c <= 'z') text[at] = static_cast<char>(c - 'a' + 'A');
}

}  // namespace

// Built in one text: this step runs once for every target of a numbered
// rename.
std::string TRenameCn::SequenceStep(const std::string &name) const {
  const std::string_view whole = name;
  const std::size_t extAt = ExtensionOffset(whole);
  std::string out;
  if (SeqName && IfUnity && Unity == 2) {
    // The template places the number itself, or leaves it out.
    out = TemplateBase();
  } else if (SeqName) {
    const std::string_view base = !IfUnity      ? whole.substr(0, extAt)
                                  : Unity == 0 ? std::string_view(FolderNameText)
                                  : Unity == 1 ? std::string_view(BaseName)
                                               : std::string_view();
    out.reserve(base.size() + SeqBefore.size() + SeqAfter.size() + 16 + (whole.size() - extAt));
    if (SeqAdd != 0) out += base;
    out += SeqBefore;
    AppendPaddedNumber(out, SeqCounter, SeqDeg);
    out += SeqAfter;
    if (SeqAdd == 0) out += base;
  } else {
    out.assign(whole.substr(0, extAt));
  }
  // The numbered extension is always three digits wide, whatever SeqDeg says.
  if (SeqExt) {
    out += '.';
    AppendPaddedNumber(out, SeqCounter, 3);
  } else {
    out += whole.substr(extAt);
  }
  return out;
}

namespace {

// A tag's text as a name holds it: CP932 (with extension codes for what
// Shift-JIS lacks), and '_' for each character no file name can hold.
std::string NameText(const std::string &utf8) {
  std::string text = Utf8ToCp932(utf8).value_or(Utf8ToCp932Lossy(utf8));
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsDBCSLeadByte(c) && i + 1 < text.size()) {
      ++i;
      continue;
    }
    if (c == '\0' || c == '/' || c == static_cast<unsigned char>(kPathDelimiter)) text[i] = '_';
  }
  return text;
}

}  // namespace

std::string TRenameCn::TemplateBase() const {
  const TParsedTemplate parsed = ParseFileInfoTemplate(Template);
  std::string base;
  for (const TTemplatePart &part : parsed.Parts) {
    if (!part.Field) {
      base += part.Text;
      continue;
    }
    if (*part.Field == TInfoField::Number) {
      base += SeqBefore + PaddedNumber(SeqCounter, part.Width ? part.Width : SeqDeg) + SeqAfter;
      continue;
    }
    // The preview has no file to read: it shows which field goes where.
    if (!ForTarget_) {
      base += InfoFieldName(*part.Field);
      continue;
    }
    const TMediaFacts *facts = Media_;
    std::string text;
    int number = 0;
    if (facts != nullptr) {
      switch (*part.Field) {
      case TInfoField::Number: break;
      case TInfoField::Title: text = facts->Title; break;
      case TInfoField::Artist: text = facts->Artist; break;
      case TInfoField::Album: text = facts->Album; break;
      case TInfoField::AlbumArtist: text = facts->AlbumArtist; break;
      case TInfoField::Genre: text = facts->Genre; break;
      case TInfoField::Camera: text = facts->Camera; break;
      case TInfoField::Track: number = facts->Track; break;
      case TInfoField::Disc: number = facts->Disc; break;
      case TInfoField::Year: number = facts->Year; break;
      case TInfoField::Width: number = facts->Width; break;
      case TInfoField::Height: number = facts->Height; break;
      case TInfoField::Taken:
        if (facts->Taken) {
          try {
            text = FormatDateTime(DateFormat, LocalPartsToDateTime(facts->Taken->Local));
          } catch (const EConvertError &) {
            text.clear();
          }
        }
        break;
      }
    }
    if (number > 0) {
      base += PaddedNumber(number, part.Width);
    } else if (!text.empty()) {
      base += *part.Field == TInfoField::Taken ? text : NameText(text);
    } else {
      // The first field the file lacks fails the target.
      if (MissingField_.empty()) MissingField_ = InfoFieldName(*part.Field);
    }
  }
  return base;
}

std::string TRenameCn::CaseStep(const std::string &name) const {
  TNameParts parts = SplitName(name);
  parts.Base = ApplyCase(parts.Base, NameCase);
  if (NameInitial) UpperCaseByteAt(parts.Base, 0);
  parts.Ext = ApplyCase(parts.Ext, ExtCase);
  if (ExtInitial) UpperCaseByteAt(parts.Ext, 1);
  const TKanaConversions kana{WidthAlnum, WidthKana, KanaKind, ComposeMarks};
  if (kana.Any()) {
    parts.Base = ConvertKana(parts.Base, kana);
    // The extension keeps its characters, but a full-width one (.ＪＰＧ) is
    // no extension a program looks for.
    if (WidthAlnum == 1) parts.Ext = ConvertKana(parts.Ext, {.WidthAlnum = 1});
  }
  return parts.Base + parts.Ext;
}

std::string TRenameCn::DateStep(const std::string &name) const {
  const TNameParts parts = SplitName(name);
  const std::string text = DateBefore + FormatDateTime(DateFormat, FileDateTime) + DateAfter;
  return Attach(parts.Base, text, DateAdd) + parts.Ext;
}

std::string TRenameCn::ExtensionStep(const std::string &name) const {
  return ChangeFileExt(name, Ext);
}

std::string TRenameCn::FolderStep(const std::string &name) const {
  const TNameParts parts = SplitName(name);
  return Attach(parts.Base, FolderBefore + FolderNameText + FolderAfter, FolderAdd) + parts.Ext;
}
