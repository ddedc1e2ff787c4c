#pragma once
// The one list of job keys: section, key, kind of value and the field it
// fills, in the order a new settings file holds them.  Reading, writing,
// the key table of korvane-batch and its --set all walk this list, so a key
// can never be known to one of them and not to the others.
//
// A visitor has one method per kind of value:
//   Text(section, key, std::string&)        free text
//   Caption(section, key, std::string&)     a rename step's caption
//   Date(section, key, std::string&)        "yyyy/mm/dd" text
//   Time(section, key, std::string&)        "hh:nn:ss" text
//   Flag(section, key, bool&)               "1" or "0"
//   Integer(section, key, int&, TDomain)    a number in the domain
// (const references for a const job).

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/JobSettings.h"

namespace korvane::jobkeys {

// The value range a field's control accepts.  Radio groups and drop-down
// lists also name their items (Max + 1 of them, index 0 first).
struct TDomain {
  enum class TKind { Spin, Radio, DropDown };
  TKind Kind;
  int Min = 0;
  int Max = 0;
  const std::string_view *Items = nullptr;

  int Apply(int value) const {
    switch (Kind) {
    case TKind::Spin:
      return std::clamp(value, Min, Max);
    case TKind::Radio:
      return value < 0 ? kNoChoice : std::min(value, Max);
    case TKind::DropDown:
      return value < 0 || value > Max ? kNoChoice : value;
    }
    return value;
  }
};

constexpr TDomain Spin(int min, int max) { return {TDomain::TKind::Spin, min, max}; }
template <std::size_t N>
constexpr TDomain Radio(const std::array<std::string_view, N> &items) {
  return {TDomain::TKind::Radio, 0, static_cast<int>(N) - 1, items.data()};
}
template <std::size_t N>
constexpr TDomain DropDown(const std::array<std::string_view, N> &items) {
  return {TDomain::TKind::DropDown, 0, static_cast<int>(N) - 1, items.data()};
}

inline std::string Indexed(std::string_view word, std::size_t i) {
  return std::string(word) + std::to_string(i);
}

// The job keys in the order they are written.  `Job` is JobSettings or
// const JobSettings, so reading and writing share one list.
template <class Job, class Visitor>
void VisitJobKeys(Job &job, Visitor &&visit) {
  constexpr std::string_view ff = "FindFile";
  auto &find = job.FindFile;
  visit.Text(ff, "Folder", find.Folder);
  visit.Flag(ff, "SubFolder", find.SubFolder);
  visit.Text(ff, "Filter", find.Filter);
  visit.Integer(ff, "FileOnly", find.FileOnly, Radio(kFileOnlyItems));
  visit.Integer(ff, "SizeFrom", find.SizeFrom, Spin(kSizeMin, kSizeMax));
  visit.Integer(ff, "SizeTo", find.SizeTo, Spin(kSizeMin, kSizeMax));
  visit.Date(ff, "DateFrom", find.DateFrom);
  visit.Time(ff, "TimeFrom", find.TimeFrom);
  visit.Date(ff, "DateTo", find.DateTo);
  visit.Time(ff, "TimeTo", find.TimeTo);
  visit.Flag(ff, "ExcSysFile", find.ExcSysFile);
  visit.Flag(ff, "ExcHidden", find.ExcHidden);
  visit.Flag(ff, "ExcReadOnly", find.ExcReadOnly);
  visit.Text(ff, "Exception", find.Exception);

  constexpr std::string_view ch = "Change";
  auto &change = job.Change;
  visit.Flag(ch, "IfUpDate", change.IfUpDate);
  visit.Flag(ch, "IfNwDate", change.IfNwDate);
  visit.Flag(ch, "IfAcDate", change.IfAcDate);
  visit.Date(ch, "UpDate", change.UpDate);
  visit.Date(ch, "NwDate", change.NwDate);
  visit.Date(ch, "AcDate", change.AcDate);
  visit.Time(ch, "UpTime", change.UpTime);
  visit.Time(ch, "NwTime", change.NwTime);
  visit.Flag(ch, "UpCurrent", change.UpCurrent);
  visit.Flag(ch, "NwCurrent", change.NwCurrent);
  visit.Flag(ch, "AcCurrent", change.AcCurrent);
  visit.Time(ch, "AcTime", change.AcTime);
  visit.Flag(ch, "Attr", change.Attr);
  visit.Flag(ch, "AttrSysFile", change.AttrSysFile);
  visit.Flag(ch, "AttrHidden", change.AttrHidden);
  visit.Flag(ch, "AttrReadOnly", change.AttrReadOnly);
  visit.Flag(ch, "AttrArchive", change.AttrArchive);
  visit.Flag(ch, "UpDateShot", change.UpDateShot);

  constexpr std::string_view cp = "Copy";
  auto &copy = job.Copy;
  visit.Text(cp, "Folder", copy.Folder);

  constexpr std::string_view rn = "Rename";
  auto &rename = job.Rename;
  visit.Flag(rn, "Copy", rename.Copy);
  for (std::size_t i = 0; i < kStepCount; ++i) {
    visit.Caption(rn, Indexed("OrderItems", i), rename.OrderItems[i]);
    visit.Flag(rn, Indexed("OrderChecked", i), rename.OrderChecked[i]);
  }
  visit.Flag(rn, "ReplExt", rename.ReplExt);
  for (std::size_t i = 0; i < kConditionCount; ++i) {
    visit.Text(rn, Indexed("FromName", i), rename.FromName[i]);
    visit.Text(rn, Indexed("ToName", i), rename.ToName[i]);
    visit.Flag(rn, Indexed("NoCase", i), rename.NoCase[i]);
  }
  visit.Flag(rn, "IfUnity", rename.IfUnity);
  visit.Integer(rn, "Unity", rename.Unity, Radio(kUnityItems));
  visit.Text(rn, "BaseName", rename.BaseName);
  visit.Text(rn, "Template", rename.Template);
  visit.Integer(rn, "SeqIndex", rename.SeqIndex, Spin(kSeqIndexMin, kSeqIndexMax));
  visit.Integer(rn, "SeqDeg", rename.SeqDeg, Spin(kSeqDegMin, kSeqDegMax));
  visit.Integer(rn, "SeqStep", rename.SeqStep, Spin(kSeqStepMin, kSeqStepMax));
  visit.Integer(rn, "SeqSort", rename.SeqSort, DropDown(kSeqSortItems));
  visit.Flag(rn, "SeqName", rename.SeqName);
  visit.Flag(rn, "SeqExt", rename.SeqExt);
  visit.Text(rn, "SeqBefore", rename.SeqBefore);
  visit.Text(rn, "SeqAfter", rename.SeqAfter);
  visit.Integer(rn, "SeqAdd", rename.SeqAdd, Radio(kAddItems));
  visit.Integer(rn, "NameCase", rename.NameCase, Radio(kCaseItems));
  visit.Integer(rn, "ExtCase", rename.ExtCase, Radio(kCaseItems));
  visit.Flag(rn, "NameInitial", rename.NameInitial);
  visit.Flag(rn, "ExtInitial", rename.ExtInitial);
  visit.Integer(rn, "WidthAlnum", rename.WidthAlnum, DropDown(kWidthAlnumItems));
  visit.Integer(rn, "WidthKana", rename.WidthKana, DropDown(kWidthKanaItems));
  visit.Integer(rn, "KanaKind", rename.KanaKind, DropDown(kKanaKindItems));
  visit.Flag(rn, "ComposeMarks", rename.ComposeMarks);
  visit.Text(rn, "DateFormat", rename.DateFormat);
  visit.Text(rn, "DateBefore", rename.DateBefore);
  visit.Text(rn, "DateAfter", rename.DateAfter);
  visit.Integer(rn, "DateAdd", rename.DateAdd, Radio(kAddItems));
  visit.Integer(rn, "DateSource", rename.DateSource, Radio(kDateSourceItems));
  visit.Text(rn, "Ext", rename.Ext);
  visit.Text(rn, "FolderBefore", rename.FolderBefore);
  visit.Text(rn, "FolderAfter", rename.FolderAfter);
  visit.Integer(rn, "FolderAdd", rename.FolderAdd, Radio(kAddItems));
  visit.Flag(rn, "ResolveChains", rename.ResolveChains);

  visit.Integer(cp, "Delete", copy.Delete, DropDown(kCopyDeleteItems));
  visit.Integer(cp, "Same", copy.Same, DropDown(kCopySameItems));
  visit.Integer(cp, "OverWrite", copy.OverWrite, DropDown(kCopyOverWriteItems));
  visit.Integer(cp, "Alias", copy.Alias, DropDown(kCopyAliasItems));
  visit.Flag(cp, "KeepTree", copy.KeepTree);

  visit.Flag("Delete", "Recycled", job.Delete.Recycled);
}


}  // namespace korvane::jobkeys
