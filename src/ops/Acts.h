#pragma once
// The acts the operations make on the disk, as the run hears of them.

#include <functional>
#include <string_view>

// An act of an operation on the disk.  The run is told of each one before
// it is made, and journals it (see run/RunJournal.h), so that an undo can
// take back exactly what was done, also after the process was killed.
enum class TActKind {
  Rename,      // From renamed to To (a swap's temporary name included)
  Copy,        // From copied to To (a renamed copy too); ToExisted: it replaced a file
  Move,        // From copied to To and then removed
  Trash,       // From moved to the trash
  Change,      // the times and attributes of From changed
  MakeFolder,  // the folder To made
  Restore,     // the trashed From put back at To
};

struct TAct {
  TActKind Kind = TActKind::Rename;
  std::string_view From;  // CP932 paths
  std::string_view To;
  bool Folder = false;     // the entry is a folder
  bool ToExisted = false;  // a file at To is replaced
  // A folder made on the way to a target's destination (a kept tree): an
  // act of its own beside the target's, with a record of its own.
  bool OnTheWay = false;
};

// Called before an act; false (errno set) forbids it, and the operation
// fails with that errno.  An operation without one acts unasked.
using TBeforeAct = std::function<bool(const TAct &)>;
