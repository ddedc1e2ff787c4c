#pragma once
// Taking a run back from its log (TRunDriver::UndoRun).
//
// The records of a run are reversed newest first:
//   - a successful rename is renamed back;
//   - a copy whose source is gone (a move) is moved back, its folder made
//     again when the run removed it;
//   - a change gets its old times and attributes back;
//   - a deletion into the trash is restored from the trash;
//   - a plain copy, a renamed copy and an outright deletion are left.
// Each reversal is checked first: the entry must be where the log put it,
// its old place must be free, and a changed file must still have the times
// the change wrote.  A record that fails the check fails alone; the rest go
// on.  The undo logs what it did under the operation name "元に戻す", so an
// undo can itself be taken back.

#include <cstddef>
#include <string>
#include <string_view>

extern const std::string_view kMsgWindowsLog;
extern const std::string_view kMsgNoRunInLog;

struct TUndoStats {
  std::size_t Runs = 0;           // runs whose records were looked at
  std::size_t Reversed = 0;       // records taken back
  std::size_t Failed = 0;         // records that could not be taken back
  std::size_t AlreadyUndone = 0;  // records whose reversal is already the state of the disk
  std::size_t Left = 0;           // copies and outright deletions, left as they are
  std::size_t NotDone = 0;        // records of failures or plans: nothing to take back
  std::size_t Unreadable = 0;     // lines of the log that are no record
  std::string Message;            // CP932: the outcome in one sentence, for the status panel
};
