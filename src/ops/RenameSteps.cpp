// The five rename steps that only recompose base name and extension:
// numbering, letter case, date added, extension set, folder name added.

#include <algorithm>
#include <string>

#include "ops/FormatDateTime.h"
#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"
#include "platform/JapaneseText.h"

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
std::string PaddedNumber(int value, int width) {
  width = std::min(width, kMaxPadding);
  std::string digits = std::to_string(value);
  if (width > static_cast<int>(digits.size())) digits.insert(0, width - digits.size(), '0');
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

std::string TRenameCn::SequenceStep(const std::string &name) const {
  const TNameParts parts = SplitName(name);
  std::string base = parts.Base;
  if (SeqName) {
    if (IfUnity) {
      base = Unity == 0 ? FolderNameText : Unity == 1 ? BaseName : std::string();
    }
    base = Attach(base, SeqBefore + PaddedNumber(SeqCounter, SeqDeg) + SeqAfter, SeqAdd);
  }
  // The numbered extension is always three digits wide, whatever SeqDeg says.
  const std::string ext = SeqExt ? "." + PaddedNumber(SeqCounter, 3) : parts.Ext;
  return base + ext;
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
