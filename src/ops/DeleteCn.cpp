// Deletion of one target, for good or into the desktop trash.

#include "ops/UnitFileCn.h"
#include "platform/FileSystem.h"

bool TDeleteCn::DeleteTarget(const TEntryRef &target) {
  Failure = {};
  Trashed = {};
  // The trash's real outcome is the result: a target that could not be moved
  // (or is gone already) is not reported as deleted.
  const bool ok = Recycled ? MoveToTrash(target, &Trashed) : DeleteFile(target);
  if (!ok) Failure = FailureOf(errno);
  return ok;
}
