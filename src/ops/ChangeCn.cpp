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
  NoShotTime = false;
  bool result = true;

  if (IfUpDate || IfNwDate || IfAcDate) {
    // A target without a shooting time keeps its times; the attributes
    // are still set.
    if (IfUpDate && UpDateShot && !TakeShotTime(media)) {
      result = false;
    } else if (ApplyTimes(target)) {
      if (IfUpDate) UpDateDone = UpDateValue;
      if (IfNwDate) NwDateDone = NwDateValue;
      if (IfAcDate) AcDateDone = AcDateValue;
    } else {
      result = false;
    }
  }

  if (Attr) {
    if (SetAttributes(target, static_cast<std::uint32_t>(AttrValue))) AttrDone = AttrValue;
    else result = false;
  }
  return result;
}

bool TChangeCn::ApplyTimes(const TEntryRef &target) {
  // Fails for what cannot be opened for writing: read-only files, folders,
  // missing paths.
  const std::optional<FileTimes> times = GetFileTimes(target);
  if (!times) return false;
  UpDateOld = Packed(FileTimeToDosDateTime(times->LastWrite));
  NwDateOld = Packed(FileTimeToDosDateTime(times->Creation));
  AcDateOld = Packed(FileTimeToDosDateTime(times->LastAccess));

  // Times not asked for are written back as they were, which also brings
  // them to two-second resolution; one that could not be packed fails.
  const std::optional<timespec> lastWrite = ToFileTime(IfUpDate ? UpDateValue : UpDateOld);
  const std::optional<timespec> lastAccess = ToFileTime(IfAcDate ? AcDateValue : AcDateOld);
  if (!lastWrite || !lastAccess) return false;

  // The creation time cannot be stored on every file system.  It is left as
  // it is unless a different value is asked for; a value equal to the current
  // one at two-second resolution is no change.
  std::optional<timespec> creation;
  if (IfNwDate && NwDateValue != NwDateOld) {
    creation = ToFileTime(NwDateValue);
    if (!creation) return false;
  } else if (NwDateOld == 0) {
    return false;  // an existing time that cannot be packed cannot be written back
  }
  return SetFileTimes(target, creation, lastAccess, lastWrite);
}
