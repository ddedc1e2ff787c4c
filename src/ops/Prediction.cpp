// Predictions for rename, delete and the date and attribute change.  The
// copy's prediction lives beside the same-name policy in CopyCn.cpp.

#include "ops/Prediction.h"

#include <climits>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"

namespace {

TPrediction Taken(const TPlannedEntry &entry) {
  return TPrediction::Fail(entry.ByPlan ? TPredictReason::TakenByPlan : TPredictReason::NameExists);
}

std::int32_t Packed(const std::optional<DosDateTime> &value) {
  return value ? static_cast<std::int32_t>(*value) : 0;
}

// As the change converts a packed value before writing it.
bool Writable(std::int32_t value) {
  const auto packed = static_cast<DosDateTime>(value);
  return IsValidDosDateTime(packed) && DosDateTimeToFileTime(packed).has_value();
}

}  // namespace

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
  case TRenameCn::TNameBuilt::TimeUnconvertible: return TPrediction::Fail(TPredictReason::TimeUnconvertible);
  case TRenameCn::TNameBuilt::EngineError: return TPrediction::Fail(TPredictReason::ReplaceFailed);
  case TRenameCn::TNameBuilt::FieldMissing: {
    TPrediction missing = TPrediction::Fail(TPredictReason::FieldMissing);
    missing.Field = rename.MissingField;
    return missing;
  }
  }
  if (rename.ResultName == name) return TPrediction::Fail(TPredictReason::Unchanged);
  if (!IsPlainName(rename.ResultName)) return TPrediction::Fail(TPredictReason::InvalidName);
  return {};
}

TPrediction PredictMove(TPlanView &view, const std::string &folder, const std::string &name,
                        const std::string &newName) {
  const std::string dir = IncludeTrailingDelimiter(folder);
  if (!IsStorableName(newName)) return TPrediction::Fail(TPredictReason::InvalidName);
  // The entry itself is there: the walk has just listed it, and no earlier
  // target can have taken a name that was not free.
  static_cast<void>(name);
  const TPlannedEntry target = view.Lookup(dir + newName);
  if (target.Exists) return Taken(target);
  return {};
}

TPrediction PredictRename(TRenameCn &rename, TPlanView &view, const std::string &folder,
                          const std::string &name, const std::string &destination,
                          DosDateTime time, std::uint32_t attributes, const TMediaFacts *media) {
  const TPrediction named = PredictRenameName(rename, name, time, media);
  if (!named.Ok) return named;
  if (!rename.MakeCopy) return PredictMove(view, folder, name, rename.ResultName);

  if (!IsStorableName(rename.ResultName)) return TPrediction::Fail(TPredictReason::InvalidName);
  const TPlannedEntry target =
      view.Lookup(IncludeTrailingDelimiter(destination) + rename.ResultName);
  // A folder is made with its parents; one already there will do.
  if (attributes & kAttrDirectory) {
    if (target.Exists && !(target.Attributes & kAttrDirectory)) return Taken(target);
    return {};
  }
  if (target.Exists) return Taken(target);
  return {};
}

TPrediction PredictDelete(const TDeleteCn &del, TPlanView &view, const std::string &path,
                          std::uint32_t attributes, bool isSymlink) {
  if (view.Vacated(path)) return TPrediction::Fail(TPredictReason::Missing);
  // A link goes as the link, whatever it points to.
  if (del.Recycled || isSymlink) return {};
  if (attributes & kAttrDirectory) return TPrediction::Fail(TPredictReason::Folder);
  if (attributes & kAttrReadOnly) return TPrediction::Fail(TPredictReason::ReadOnly);
  return {};
}

TPrediction PredictChange(TChangeCn &change, const TChangeSubject &subject) {
  change.UpDateDone = change.NwDateDone = change.AcDateDone = change.AttrDone = 0;
  change.UpDateOld = change.NwDateOld = change.AcDateOld = 0;
  TPrediction result;
  const auto fail = [&](TPredictReason reason) {
    if (result.Ok) result = TPrediction::Fail(reason);
  };

  if (change.IfUpDate || change.IfNwDate || change.IfAcDate) {
    // The order of the refusals is that of the time change itself.
    TPredictReason refusal = TPredictReason::None;
    if (!subject.Exists) refusal = TPredictReason::Missing;
    else if (change.IfUpDate && change.UpDateShot && !change.TakeShotTime(subject.Media))
      refusal = TPredictReason::NoShotTime;
    else if (!subject.IsSymlink && subject.IsFolder) refusal = TPredictReason::Folder;
    else if (!subject.IsSymlink && subject.ReadOnly) refusal = TPredictReason::ReadOnly;
    else if (!subject.Times) refusal = TPredictReason::Missing;
    if (refusal == TPredictReason::None) {
      change.UpDateOld = Packed(FileTimeToDosDateTime(subject.Times->LastWrite));
      change.NwDateOld = Packed(FileTimeToDosDateTime(subject.Times->Creation));
      change.AcDateOld = Packed(FileTimeToDosDateTime(subject.Times->LastAccess));
      if (!Writable(change.IfUpDate ? change.UpDateValue : change.UpDateOld) ||
          !Writable(change.IfAcDate ? change.AcDateValue : change.AcDateOld)) {
        refusal = TPredictReason::TimeUnconvertible;
      } else if (change.IfNwDate && change.NwDateValue != change.NwDateOld) {
        refusal = Writable(change.NwDateValue) ? TPredictReason::CreationTime
                                               : TPredictReason::TimeUnconvertible;
      } else if (change.NwDateOld == 0) {
        refusal = TPredictReason::TimeUnconvertible;
      }
    }
    if (refusal == TPredictReason::None) {
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
      fail(TPredictReason::Missing);
    } else if (subject.IsSymlink &&
               (subject.Attributes & ~kAttrDirectory) != (wanted & ~kAttrDirectory)) {
      fail(TPredictReason::LinkAttributes);
    } else if (!subject.IsSymlink && subject.DotName && !(wanted & kAttrHidden)) {
      fail(TPredictReason::DotNameHidden);
    } else {
      change.AttrDone = change.AttrValue;
    }
  }
  return result;
}
