// Date and attribute change of one target, with the values before and
// after kept for the log.

#include <optional>

#include "media/ShotTime.h"
#include "ops/UnitFileCn.h"
#include "platform/FileSystem.h"

namespace {

std::int32_t Packed(const std::optional<DosDateTime> &value) {
  return value ? static_cast<std::int32_t>(*value) : 0;
}

// Local packed time -> file time; nullopt when it is no valid packed time.
std::optional<timespec> ToFileTime(std::int32_t value) {
  const auto packed = static_cast<DosDateTime>(value);
  if (!IsValidDosDateTime(packed)) return std::nullopt;
  return DosDateTimeToFileTime(packed);
}

}  // namespace

bool TChangeCn::TakeShotTime(const TMediaFacts *media) {
  const std::optional<DosDateTime> shot =
      media != nullptr && media->Taken ? ShotDosDateTime(*media->Taken) : std::nullopt;
  NoShotTime = !shot;
  if (shot) UpDateValue = static_cast<std::int32_t>(*shot);
  return shot.has_value();
}

bool TChangeCn::ChangeTarget(const TEntryRef &target, const TMediaFacts *media) {
  UpDateDone = NwDateDone = AcDateDone = AttrDone = 0;
  UpDateOld = NwDateOld = AcDateOld = 0;
  Failure = {};
  NoShotTime = false;
  const auto fail = [this](int error) {
    Failure = FailureOf(error);
    return false;
  };
  const bool times = IfUpDate || IfNwDate || IfAcDate;
  // A target without a shooting time to set fails before anything changes.
  if (IfUpDate && UpDateShot && !TakeShotTime(media)) {
    Failure = {TFailReason::NoShotTime};
    return false;
  }

  // What can be known to fail fails before anything changes: the attributes
  // a link, a named pipe or a device cannot take, a dot name's hidden mark.
  std::optional<std::uint32_t> attributesBefore;
  if (Attr) {
    attributesBefore = GetAttributes(target);
    if (!attributesBefore) return fail(errno);
    if (!CanSetAttributes(target, static_cast<std::uint32_t>(AttrValue))) return fail(errno);
  }
  // The times as they were, to be put back exactly if a later part fails.
  // A change that clears the read-only flag of a read-only file clears it
  // first, so that the times it asks for can be written in the same change;
  // any other change writes the times first, while the file may still be
  // written.
  const bool attributesFirst = Attr && (*attributesBefore & kAttrReadOnly) &&
                               !(static_cast<std::uint32_t>(AttrValue) & kAttrReadOnly);
  std::optional<FileTimes> timesBefore;
  bool attributesSet = false;
  const auto putBack = [&] {
    const TFailure failure = Failure;
    if (timesBefore) SetFileTimes(target, std::nullopt, timesBefore->LastAccess, timesBefore->LastWrite);
    if (attributesSet) SetAttributes(target, *attributesBefore & ~kAttrDirectory);
    Failure = failure;
    return false;
  };
  if (attributesFirst) {
    if (!SetAttributes(target, static_cast<std::uint32_t>(AttrValue))) return fail(errno);
    attributesSet = true;
  }
  if (times) {
    timesBefore = GetFileTimes(target);
    if (!timesBefore) {
      fail(errno);
      return putBack();
    }
    // A time the file system kept otherwise than asked is put back too.
    if (!ApplyTimes(target)) return putBack();
  }
  if (Attr && !attributesFirst && !SetAttributes(target, static_cast<std::uint32_t>(AttrValue))) {
    fail(errno);
    // SetAttributes puts back what it changed itself before it fails.
    return putBack();
  }
  if (times) {
    if (IfUpDate) UpDateDone = UpDateValue;
    if (IfNwDate) NwDateDone = NwDateValue;
    if (IfAcDate) AcDateDone = AcDateValue;
  }
  if (Attr) AttrDone = AttrValue;
  return true;
}

bool TChangeCn::ApplyTimes(const TEntryRef &target) {
  const auto fail = [this](TFailure failure) {
    Failure = failure;
    return false;
  };
  // Fails for what cannot be opened for writing: read-only files, folders,
  // missing paths.
  const std::optional<FileTimes> times = GetFileTimes(target);
  if (!times) return fail(FailureOf(errno));
  UpDateOld = Packed(FileTimeToDosDateTime(times->LastWrite));
  NwDateOld = Packed(FileTimeToDosDateTime(times->Creation));
  AcDateOld = Packed(FileTimeToDosDateTime(times->LastAccess));

  // Times not asked for are written back as they were, which also brings
  // them to two-second resolution; one that could not be packed fails.
  const std::optional<timespec> lastWrite = ToFileTime(IfUpDate ? UpDateValue : UpDateOld);
  const std::optional<timespec> lastAccess = ToFileTime(IfAcDate ? AcDateValue : AcDateOld);
  if (!lastWrite || !lastAccess) return fail({TFailReason::TimeUnconvertible});

  // The creation time cannot be stored on every file system.  It is left as
  // it is unless a different value is asked for; a value equal to the current
  // one at two-second resolution is no change.
  std::optional<timespec> creation;
  if (IfNwDate && NwDateValue != NwDateOld) {
    creation = ToFileTime(NwDateValue);
    if (!creation) return fail({TFailReason::TimeUnconvertible});
  } else if (NwDateOld == 0) {
    // An existing time that cannot be packed cannot be written back.
    return fail({TFailReason::TimeUnconvertible});
  }
  if (SetFileTimes(target, creation, lastAccess, lastWrite)) return true;
  return fail(creation && errno == EOPNOTSUPP ? TFailure{TFailReason::CreationTime} : FailureOf(errno));
}
