#pragma once
// Taking a run back (TRunDriver::UndoRun).
//
// A log names what a run did; its journal (RunJournal.h) says what each act
// took and left, and is what the undo trusts.  The log's run is matched to
// its journal, and the journal's acts are taken back newest first:
//   - a rename is renamed back (a swap's temporary name too);
//   - a move is moved back; a move cut short leaves its copy removed;
//   - a copy or renamed copy goes to the trash;
//   - a change gets its old times and attributes back;
//   - a move to the trash is restored from exactly the entry it made;
//   - an act begun but not recorded (the run was killed) is taken back if
//     the disk shows it was made.
// Each one only if the entry is still what the run left: the same file (on
// file systems whose file numbers last), of the same size and last write.
// Every path is reached from the run's own folders, one folder at a time,
// never through a link.  A record the journal does not know (a log from
// before journals, or written or edited by hand), or a path outside the
// run's folders, is refused with its reason, and nothing is done for it.
// The undo logs what it did under the operation name "元に戻す" and keeps a
// journal of its own, so an undo can itself be taken back.

#include <cstddef>
#include <string>
#include <string_view>

extern const std::string_view kMsgWindowsLog;
extern const std::string_view kMsgNoRunInLog;

class TPlanSink;

struct TUndoOptions {
  bool All = false;         // every run of the log, newest first
  bool Plan = false;        // say what would be done ("結果: 予定"), do nothing
  // A run of undo records at the end of the log belongs to the run before
  // it (the window's log): that run is continued, never the undo undone.
  bool SkipUndoRuns = false;
  std::string LogPath;      // CP932: the log file read, when there is one
  // With Plan: the plan's records go here (the window's preview) instead of
  // the log.
  TPlanSink *PlanSink = nullptr;
};

struct TUndoStats {
  std::size_t Runs = 0;           // runs whose records were looked at
  std::size_t Reversed = 0;       // acts taken back (or to be, in a plan)
  std::size_t Failed = 0;         // acts or records that could not be taken back
  std::size_t AlreadyUndone = 0;  // acts whose reversal is already the state of the disk
  std::size_t Left = 0;           // acts that stay (a copy that replaced a file, a deletion for good)
  std::size_t NotDone = 0;        // records of failures or plans: nothing to take back
  std::size_t Unreadable = 0;     // lines of the log that are no record
  std::string Message;            // CP932: the outcome in one sentence, for the status panel
};
