// Predictions for rename, delete and the date and attribute change.  The
// copy's prediction lives beside the same-name policy in CopyCn.cpp.

#include "ops/Prediction.h"

#include <climits>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"

namespace {

// A name an earlier target of the plan takes, or one on the disk.  Where
// the file system ignores case, a name that differs from the taken one in
// case alone is simply taken, as the run will find it.
TPrediction Taken(const TPlannedEntry &entry) {
  return TPrediction::Fail(entry.ByPlan && !entry.OtherCase ? TFailReason::TakenByPlan
                                                             : TFailReason::NameExists);
}

std::int32_t Packed(const std::optional<DosDateTime> &value) {
  return value ? static_cast<std::int32_t>(*value) : 0;
}

// A new name is written to the disk in its UTF-8 form: it must have one,
// no longer than a name may be, and the folder's file system must hold it.
// The name is converted once for both checks (most names need no
// conversion at all).  The folder's file system is asked for only when
// the name can be written, and handed back for the caller's own checks.
TPrediction CheckNewName(TPlanView &view, std::string_view dir, const std::string &newName,
                         std::optional<TFileSystemTraits> &traits) {
  thread_local std::string converted;
  std::string_view native = newName;
  if (!IsAscii(newName)) {
    converted.clear();
    if (!AppendCp932AsUtf8(converted, newName)) return TPrediction::Fail(TFailReason::InvalidName);
    native = converted;
  }
  if (native.size() > NAME_MAX) return TPrediction::Fail(TFailReason::InvalidName);
  traits = view.FolderTraits(dir);
  if (traits && NativeNameFits(*traits, native) == TNameFit::NotHeld)
    return TPrediction::Fail(TFailReason::NameNotHeld);
  return {};
}

// As the change converts a packed value before writing it.
bool Writable(std::int32_t value) {
  const auto packed = static_cast<DosDateTime>(value);
  return IsValidDosDateTime(packed) && DosDateTimeToFileTime(packed).has_value();
}

}  // namespace

TPlannedEntry TPlanView::LookupPath(std::string_view path) {
  const std::size_t at = NameOffset(path);
  return Lookup(path.substr(0, at), path.substr(at));
}

bool IsStorableName(const std::string &name) {
  // ASCII is the same in both; only other names need the conversion.
  bool ascii = true;
  for (const unsigned char c : name) ascii = ascii && c < 0x80;
  if (ascii) return name.size() <= NAME_MAX;
  const std::optional<std::string> bytes = Cp932ToUtf8(name);
  return bytes && bytes->size() <= NAME_MAX;
}

TPrediction PredictRenameName(TRenameCn &rename, const std::string &name, DosDateTime time,
                              const TMediaFacts *media) {
  switch (rename.BuildTargetName(name, time, media)) {
  case TRenameCn::TNameBuilt::Built: break;
  case TRenameCn::TNameBuilt::TimeUnconvertible: return TPrediction::Fail(TFailReason::TimeUnconvertible);
  case TRenameCn::TNameBuilt::EngineError: return TPrediction::Fail(TFailReason::ReplaceFailed);
  case TRenameCn::TNameBuilt::FieldMissing: {
    TFailure missing{TFailReason::FieldMissing};
    missing.Field = rename.MissingField;
    return TPrediction::Fail(missing);
  }
  }
  if (rename.ResultName == name) return TPrediction::Fail(TFailReason::Unchanged);
  if (!IsPlainName(rename.ResultName)) return TPrediction::Fail(TFailReason::InvalidName);
  return {};
}

namespace {

// PredictRenameTo for a new name known to differ from the old one and to be
// plain.
TPrediction PredictPlacing(TPlanView &view, bool makeCopy, const std::string &folder,
                           const std::string &name, const std::string &destination,
                           std::uint32_t attributes, std::int64_t size, const std::string &newName,
                           bool isSymlink) {
  if (!makeCopy) return PredictMove(view, folder, name, newName);

  const std::string dir = IncludeTrailingDelimiter(destination);
  std::optional<TFileSystemTraits> traits;
  if (TPrediction checked = CheckNewName(view, dir, newName, traits); !checked.Ok) return checked;
  const TPlannedEntry target = view.Lookup(dir, newName);
  // A folder is made with its parents; one already there will do.  A link
  // to a folder is copied as a link, like a file.
  if ((attributes & kAttrDirectory) && !isSymlink) {
    if (target.Exists && !(target.Attributes & kAttrDirectory)) return Taken(target);
    return {};
  }
  if (target.Exists) return Taken(target);
  if (!view.ReserveSpace(dir, size)) return TPrediction::Fail(TFailReason::NoSpace);
  return {};
}

}  // namespace

TPrediction PredictRenameTo(TPlanView &view, bool makeCopy, const std::string &folder,
                            const std::string &name, const std::string &destination,
                            std::uint32_t attributes, std::int64_t size,
                            const std::string &newName, bool isSymlink) {
  if (newName == name) return TPrediction::Fail(TFailReason::Unchanged);
  if (!IsPlainName(newName)) return TPrediction::Fail(TFailReason::InvalidName);
  return PredictPlacing(view, makeCopy, folder, name, destination, attributes, size, newName, isSymlink);
}

TPrediction PredictMove(TPlanView &view, const std::string &folder, const std::string &name,
                        const std::string &newName) {
  std::string made;
  const std::string_view dir = WithTrailingDelimiter(folder, made);
  std::optional<TFileSystemTraits> traits;
  if (TPrediction checked = CheckNewName(view, dir, newName, traits); !checked.Ok) return checked;
  // A change of letter case alone finds the entry itself where case is
  // ignored; the entry is there, as the walk has just listed it, and no
  // earlier target can have taken a name that was not free.
  if (traits && (traits->CaseInsensitive ? NameKey(*traits, newName) == NameKey(*traits, name)
                                         : newName == name))
    return {};
  const TPlannedEntry target = view.Lookup(dir, newName);
  if (target.Exists) return Taken(target);
  return {};
}

TPrediction PredictRename(TRenameCn &rename, TPlanView &view, const std::string &folder,
                          const std::string &name, const std::string &destination,
                          DosDateTime time, std::uint32_t attributes, std::int64_t size,
                          bool isSymlink, const TMediaFacts *media) {
  // The name's own checks are PredictRenameTo's first ones: made once.
  const TPrediction named = PredictRenameName(rename, name, time, media);
  if (!named.Ok) return named;
  return PredictPlacing(view, rename.MakeCopy, folder, name, destination, attributes, size,
                        rename.ResultName, isSymlink);
}

TPrediction PredictDelete(const TDeleteCn &del, TPlanView &view, const std::string &path,
                          std::uint32_t attributes, bool isSymlink) {
  if (view.Vacated(path)) return TPrediction::Fail(TFailReason::Missing);
  // A link goes as the link, whatever it points to.
  if (del.Recycled || isSymlink) return {};
  if (attributes & kAttrDirectory) return TPrediction::Fail(TFailReason::Folder);
  if (attributes & kAttrReadOnly) return TPrediction::Fail(TFailReason::ReadOnly);
  return {};
}

TPrediction PredictChange(TChangeCn &change, const TChangeSubject &subject) {
  change.UpDateDone = change.NwDateDone = change.AcDateDone = change.AttrDone = 0;
  change.UpDateOld = change.NwDateOld = change.AcDateOld = 0;
  TPrediction result;
  const auto fail = [&](TFailReason reason) {
    if (result.Ok) result = TPrediction::Fail(reason);
  };

  if (change.IfUpDate || change.IfNwDate || change.IfAcDate) {
    // The order of the refusals is that of the time change itself.
    TFailReason refusal = TFailReason::None;
    if (!subject.Exists) refusal = TFailReason::Missing;
    else if (change.IfUpDate && change.UpDateShot && !change.TakeShotTime(subject.Media))
      refusal = TFailReason::NoShotTime;
    else if (!subject.IsSymlink && subject.IsFolder) refusal = TFailReason::Folder;
    else if (!subject.IsSymlink && subject.ReadOnly) refusal = TFailReason::ReadOnly;
    else if (!subject.Times) refusal = TFailReason::Missing;
    if (refusal == TFailReason::None) {
      change.UpDateOld = Packed(FileTimeToDosDateTime(subject.Times->LastWrite));
      change.NwDateOld = Packed(FileTimeToDosDateTime(subject.Times->Creation));
      change.AcDateOld = Packed(FileTimeToDosDateTime(subject.Times->LastAccess));
      if (!Writable(change.IfUpDate ? change.UpDateValue : change.UpDateOld) ||
          !Writable(change.IfAcDate ? change.AcDateValue : change.AcDateOld)) {
        refusal = TFailReason::TimeUnconvertible;
      } else if (change.IfNwDate && change.NwDateValue != change.NwDateOld) {
        refusal = Writable(change.NwDateValue) ? TFailReason::CreationTime
                                               : TFailReason::TimeUnconvertible;
      } else if (change.NwDateOld == 0) {
        refusal = TFailReason::TimeUnconvertible;
      }
    }
    if (refusal == TFailReason::None) {
      if (change.IfUpDate) change.UpDateDone = change.UpDateValue;
      if (change.IfNwDate) change.NwDateDone = change.NwDateValue;
      if (change.IfAcDate) change.AcDateDone = change.AcDateValue;
    } else {
      fail(refusal);
    }
  }

  if (change.Attr) {
    const auto wanted = static_cast<std::uint32_t>(change.AttrValue);
    if (!subject.Exists) {
      fail(TFailReason::Missing);
    } else if (subject.IsSymlink &&
               (subject.Attributes & ~kAttrDirectory) != (wanted & ~kAttrDirectory)) {
      fail(TFailReason::LinkAttributes);
    } else if (!subject.IsSymlink && subject.DotName && !(wanted & kAttrHidden)) {
      fail(TFailReason::DotNameHidden);
    } else {
      change.AttrDone = change.AttrValue;
    }
  }
  return result;
}
