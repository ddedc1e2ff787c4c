#pragma once
// The journal of a run: every act on the disk written down before it is
// made, and its outcome after, so that an undo can take back exactly what a
// run did, also a run that was killed in mid-act, and only that.
//
// A journal is a plain text file a person can read, one line per event,
// appended as the run goes: the run's roots and log, then for each act an
// "act" line (what is about to be done, and what the entry is) and a "done"
// line (what it made, and the hash of the record the log got for it).  The
// outcome of one act goes out with the intent of the next in one write, so
// a journal costs one write per act.  Such a write needs no fsync to
// survive the process being killed: the kernel keeps it.  A power loss can
// lose the last writes the kernel had not yet put on the disk, and with
// them the last acts' entries.
//
// Journals live in $XDG_STATE_HOME/korvane/journals (~/.local/state/...),
// one per run, the newest few hundred kept.  Paths are the system's bytes,
// escaped where they hold a blank, a tab, a line end or '%'.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AppendFile.h"
#include "ops/Acts.h"
#include "platform/FileSystem.h"
#include "platform/Inspect.h"

// What a run says when its journal fails (CP932): it cannot be made (the
// reason follows), or it can no longer be written and the run stops.
extern const std::string_view kMsgNoJournal;
extern const std::string_view kMsgJournalFailed;

// What an entry is on the disk: the file itself, and its size and last
// write as the run found or left it.  A folder is known by the first two.
struct TIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  std::int64_t WrittenSeconds = 0;
  bool operator==(const TIdentity &) const = default;
};

// The identity of what `entry` is now (a link as itself), or nullopt.
std::optional<TIdentity> IdentityOf(const TEntryRef &entry);
// The same from a look already made.
TIdentity IdentityOf(const TEntryStatus &status);
// True when `now` is still the entry `then` describes: the same file, of the
// same size and last write (a folder: the same folder).  Times are judged at
// two seconds, as FAT keeps them.
bool SameEntry(const TIdentity &then, const TIdentity &now, bool folder);


struct TJournalAct {
  std::size_t Number = 0;
  TActKind Kind = TActKind::Rename;
  std::string From;  // CP932 paths
  std::string To;
  std::string Info;
  std::optional<TIdentity> Before;  // the entry the act took
  bool ToExisted = false;           // a file stood at To before (a copy's overwrite)
  bool Folder = false;              // the entry is a folder
  // Outcome: not there when the run ended (or was killed) in mid-act.
  bool Ended = false;
  bool Ok = false;
  std::optional<TIdentity> After;   // what the act left at To (From for a change)
  std::uint64_t Record = 0;         // hash of the record line the log got (0: none)
};

struct TJournal {
  std::string File;         // where it is (system bytes)
  std::string Mode;                // the run's mode, for a person reading it
  std::vector<std::string> Roots;  // CP932: the folders the run walked and wrote into
  std::string LogPath;      // CP932: the log file, when there was one
  std::vector<TJournalAct> Acts;
  std::vector<std::uint64_t> Records;  // the hash of every record line, in order
  bool Ended = false;
};

// The hash of a record line as the journal keeps it (over the line's system
// bytes, so it is the same in every process).
std::uint64_t RecordHash(std::string_view cp932Line);

// Writes one run's journal.
class TJournalWriter {
public:
  TJournalWriter() = default;
  ~TJournalWriter();
  TJournalWriter(const TJournalWriter &) = delete;
  TJournalWriter &operator=(const TJournalWriter &) = delete;

  // Makes the journal file and writes the run's heading.  False (errno
  // set) when it cannot be made: the run must not act without it.
  bool Open(std::string_view mode, const std::vector<std::string> &roots);
  bool IsOpen() const { return File_.Fd() >= 0; }
  // The journal file, so the walk can leave it alone.
  std::optional<TFileId> FileId() const;
  // The log file the run writes, for the undo to find its journal by.
  bool NoteLog(const std::string &cp932Path);

  // Before an act: writes what is about to be done (with the outcome of the
  // act before); false when it cannot be written, and the act must not be
  // made.  Returns the act's number through `number`.
  bool Begin(TActKind kind, const std::string &from, const std::string &to,
             const std::optional<TIdentity> &before, bool folder, bool toExisted, std::size_t &number);
  // After the act: its outcome, kept until the next write.
  void End(std::size_t number, bool ok, const std::optional<TIdentity> &after,
           const std::string &trashInfo = {}, const std::string &trashFile = {});
  // The record the log got for the act.
  void Recorded(std::size_t number, std::string_view cp932Line);
  // Writes what is kept and the run's end; false when a write failed.
  bool Close(bool aborted);
  // The first write that failed, as errno (0: none).
  int Error() const { return Error_; }

private:
  bool Write(const std::string &text);
  TAppendFile File_;
  std::string Pending_;  // outcome lines not yet written
  std::string Line_;     // the line under way, kept for its room
  std::size_t Next_ = 1;
  int Error_ = 0;
};

// The folder journals are kept in (system bytes), made when missing.
std::optional<std::string> JournalFolder();

// Reads a journal; nullopt when it is no journal.  With firstRecordOnly it
// stops at the first record, which is all a search needs.
// `pump` is called every few thousand lines (a front end answering its user).
std::optional<TJournal> ReadJournal(const std::string &file, bool firstRecordOnly = false,
                                    const std::function<void()> &pump = {});

// The journal of the run whose first record line hashes to `firstRecord`
// (0 when the run has none) and names the entry `firstPath` (CP932), written
// with the log file `logPath` (CP932, empty when unknown): the newest that
// fits.  A run killed right after its first record reached the log had not
// yet put that record's hash into its journal; such a journal is known by
// an act that took the entry the record names.
std::optional<TJournal> FindJournal(std::uint64_t firstRecord, std::string_view firstPath,
                                    const std::string &logPath,
                                    const std::function<void()> &pump = {});
