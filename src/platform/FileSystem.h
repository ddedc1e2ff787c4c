#pragma once
// File-system services with the observable results of the Windows calls the
// system was designed around (rename never replaces, a read-only file cannot
// be deleted or re-dated, ...).  Linux lets root do what Windows refuses, and
// CI runs as root, so the rules are checked here rather than left to errno.
//
// Paths and names are CP932 byte strings; they are converted to UTF-8 (with
// the exact bytes of each extension code) for the system calls.  A path that
// cannot be converted fails with EILSEQ.
// Every call that returns false leaves errno set for the message.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"

enum : std::uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
};

// What identifies a file or folder on this machine, whatever path leads to it.
struct TFileId {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  bool operator==(const TFileId &) const = default;
};

// One entry of a folder listing.
struct FindEntry {
  std::string Name;            // CP932
  std::uint32_t Attributes = 0;
  std::int64_t Size = 0;       // bytes; 0 for folders
  DosDateTime Time = 0;        // last-write time, local, packed (0 when out of range)
  bool TimeValid = false;      // false when the time falls outside 1980-2107
  int TimeOutside = 0;         // then -1 for a time before 1980, 1 for one after 2107
  bool IsSymlink = false;      // the entry is a symbolic link (never descended into)
  TFileId Id;                  // of what the entry leads to (a link: what it points to)
};

struct FindResult {
  bool Ok = false;             // false: the folder could not be listed (errno in Error);
                               // entries read before a failure are kept
  int Error = 0;
  std::vector<FindEntry> Entries;   // in the order the file system lists them
  std::size_t Unrepresentable = 0;  // names that found no extension code left and
                                    // would match the pattern ('?' for each such character)
  // Those names as the file system gives them (raw bytes, not CP932), so a
  // caller that lists one folder with several patterns can count each once.
  std::vector<std::string> UnrepresentableNames;
};

// Wildcard match with the rules of the Windows enumeration: "*" any run, "?"
// one character (a double-byte character counts as one), letter case
// ignored as Windows ignores it (ASCII, and full-width Latin, Greek and
// Cyrillic: "ａ*" matches "Ａbc.txt"), "*.*" matches every name (names without a dot included).  As on
// Windows, a final ".*" also matches the end of a name: "readme.*" matches
// "readme".
bool MatchesWildcard(std::string_view name, std::string_view pattern);

// A folder held open.  The walk opens each folder once, relative to the
// folder above it, and names every entry relative to it: the kernel does not
// walk the folder's path again for each call on an entry, and a folder
// swapped for a symbolic link after it was opened changes nothing, because
// the handle still leads to the folder that was listed.  On POSIX it holds a
// descriptor; a Windows layer would hold a directory handle and open the
// entries relative to it.
class TFolderHandle {
public:
#ifdef _WIN32
  using TNative = void *;
  static constexpr TNative kNone = nullptr;
#else
  using TNative = int;
  static constexpr TNative kNone = -1;
#endif

  TFolderHandle() = default;  // holds nothing
  TFolderHandle(TFolderHandle &&other) noexcept : Native_(other.Native_) { other.Native_ = kNone; }
  TFolderHandle &operator=(TFolderHandle &&other) noexcept;
  TFolderHandle(const TFolderHandle &) = delete;
  TFolderHandle &operator=(const TFolderHandle &) = delete;
  ~TFolderHandle();

  // The folder `path` leads to (with or without a trailing delimiter).  Links
  // on the way are followed: the folder a user names may be reached through
  // one.  Not Valid() (errno set) when it cannot be opened.
  static TFolderHandle Open(const std::string &path);
  // The subfolder `name` of this folder, never through a symbolic link: a
  // link in its place fails (ELOOP or ENOTDIR) instead of leading elsewhere.
  // A name that is not one plain component fails with EINVAL.
  TFolderHandle OpenSubfolder(const std::string &name) const;

  bool Valid() const { return Native_ != kNone; }
  // The identity of the folder held, or nullopt (errno set).
  std::optional<TFileId> Id() const;
  // A guess of how many entries the folder holds, from its size, meant to
  // be no fewer on the usual file systems (ext4, XFS, btrfs, tmpfs); 0
  // when the folder's size says nothing.  For room made ahead.
  std::size_t EntryCountGuess() const;
  // For the platform layer's own sources.
  TNative Native() const { return Native_; }

private:
  explicit TFolderHandle(TNative native) : Native_(native) {}
  TNative Native_ = kNone;
};

// One entry as an operation names it: by a whole path, or by its name in a
// folder held open.  Every call that takes one reaches the entry through the
// folder without walking a path again, and never follows a link in the
// entry's place unless it says so.  A parameter type: it refers to the
// strings and the handle it is made from and must not outlive them.
class TEntryRef {
public:
  // Implicit, so a path is an entry wherever one is asked for.
  TEntryRef(const std::string &path) : Name_(path) {}
  TEntryRef(const char *path) : Name_(path) {}
  TEntryRef(const TFolderHandle &folder, std::string_view name) : Folder_(&folder), Name_(name) {}

  const TFolderHandle *Folder() const { return Folder_; }  // null for a whole path
  std::string_view Name() const { return Name_; }          // the path, or the name in Folder()

private:
  const TFolderHandle *Folder_ = nullptr;
  std::string_view Name_;
};

// What a listing reports.  Folders: only the entries that are folders (no
// links); the others are passed over without being examined, which makes a
// scan for subfolders cost one pass over the names.
enum class TFindScope { Everything, Folders };

// Called every few hundred names while a folder is listed, so a front end
// can answer its user during the listing of a large folder; false stops
// the listing (the result is then not Ok, Error ECANCELED).
using TListingPump = std::function<bool()>;

// Lists `folder` and keeps the entries whose names match `pattern`; "." and
// ".." are never listed.
FindResult FindFiles(const TFolderHandle &folder, std::string_view pattern,
                     TFindScope scope = TFindScope::Everything, const TListingPump &pump = {});
// The same for the folder a path names (with or without a trailing delimiter).
FindResult FindFiles(const std::string &folder, std::string_view pattern);
// Takes each entry a listing keeps, in the order read (the entry may be
// moved from); false stops the listing (the result is then not Ok, Error
// ECANCELED).
using TFoundSink = std::function<bool(FindEntry &)>;
// Every name a listing read (CP932), whatever its pattern kept: for a
// caller that needs what the folder holds as well as its matches, without
// reading the folder a second time.
struct TNamesRead {
  std::vector<std::string> Names;  // in the order read
  // False when a name had no CP932 form or the listing did not reach the
  // end: then Names cannot tell every name apart (see ReadFolderNames).
  bool Whole = false;
};
// The same listing, each entry handed on as soon as it is examined rather
// than gathered, so a folder of a million names is never held whole; the
// result's Entries stay empty.  `namesRead`, when given, gets every name.
FindResult FindEach(const TFolderHandle &folder, std::string_view pattern, TFindScope scope,
                    const TListingPump &pump, const TFoundSink &sink,
                    TNamesRead *namesRead = nullptr);

// Attribute bits of an existing entry, or nullopt (errno set).  A link
// reports what it points to (a dangling one itself), as a listing does.
std::optional<std::uint32_t> GetAttributes(const TEntryRef &entry);
// True when `path` is an existing folder.
bool FolderExists(const std::string &path);
// True when `path` exists (file or folder).
bool PathExists(const std::string &path);
// The identity of what `path` leads to (links followed), or nullopt (errno set).
std::optional<TFileId> GetFileId(const std::string &path);
// The identity of the entry `path` names itself (a link as the link).
std::optional<TFileId> GetEntryId(const std::string &path);

// Renames a file or folder (a link as the link); never replaces an existing
// entry (EEXIST).  A change of letter case only is a rename like any other,
// also on a file system that ignores case.  A name the file system cannot
// hold fails with kErrorNameNotHeld (FileSystems.h).
bool MoveFile(const TEntryRef &from, const TEntryRef &to);
// The temporary name a change of letter case goes through in the folder of
// the new name `name` (CP932), so that an undo can find an entry left there.
std::string CaseChangeTemporaryName(std::string_view name, int attempt = 0);
// What a copy is for.  A copy is a new file of the caller's: its mode is
// the source's permissions less the umask, as cp gives it.  A move (a copy
// whose source is removed next) is the same file in another place: it keeps
// the whole mode, and it is on the disk when CopyFile returns, or a power
// loss soon after could leave neither file.
enum class TCopyPurpose { Copy, Move };
// Copies content, mode, the last-write time and the attribute bits kept in
// user.DOSATTRIB, and the extended attributes: a copy's user.* ones, and
// for a move every one the caller may set, its ACL and its owner.  An
// attribute the destination cannot hold fails the copy with
// kErrorAttributeNotHeld.  The data is shared with the source where the
// file system can (a reflink), and holes stay holes.  With failIfExists an existing destination is never
// replaced.  The copy is written to a file without a name (O_TMPFILE, or a
// temporary file beside the destination where the file system lacks it) and
// only gets its name when complete, so a failed or killed copy never leaves
// a half-written destination; replacing renames it over the old one.  A
// read-only destination is not overwritten.  A symbolic link is copied as a
// link with the same text; what it points to is never read.  A name the
// destination's file system cannot hold fails with kErrorNameNotHeld; on a
// file system found full earlier in the run, a file that cannot fit in the
// space left fails at once with ENOSPC.
bool CopyFile(const TEntryRef &from, const TEntryRef &to, bool failIfExists,
              TCopyPurpose purpose = TCopyPurpose::Copy);
// Moves a file or a symbolic link (not a folder) to `to`, which may lie in
// another folder and on another file system.  On one file system it is a
// rename: instant, atomic, the file itself with everything it has.  Across
// file systems it is CopyFile with TCopyPurpose::Move, and the source is
// removed only if it is still the file the copy began with, of the same
// size and last-write and change times; a source changed meanwhile (a
// writer appending to it) stays, and the call fails with
// kErrorSourceChanged.  An existing destination is replaced only with
// replaceExisting, under CopyFile's refusals.  When the call fails after
// the copy was made (a source changed, or one that cannot be removed),
// *copyStays says so: both files are then there.  A free name costs the
// rename alone, without a look at the source first: the caller makes sure
// `from` is no folder, which one file system would move like a file.
// *renamed says whether a move that worked was the rename: the entry at
// `to` is then the source itself, not a copy of it.
bool MoveFileEx(const TEntryRef &from, const TEntryRef &to, bool replaceExisting,
                bool *copyStays = nullptr, bool *renamed = nullptr);
// Creates one folder level.
bool CreateFolder(const std::string &path);
bool CreateFolder(const TEntryRef &entry);
// Deletes a file; fails on folders (EISDIR) and read-only files
// (kErrorReadOnly).
// A symbolic link is deleted as the link.
bool DeleteFile(const TEntryRef &entry);
// Removes an empty folder.
bool RemoveFolder(const TEntryRef &entry);
// Where MoveToTrash put an entry: its file in the trash and the information
// file beside it (CP932 paths).
struct TTrashedEntry {
  std::string File;
  std::string Info;
};
// Moves a file or folder (with its contents) to the desktop trash.  The
// result is the real outcome of the move, and `made` (when given) learns
// which trash entry it is.  An entry of a held folder goes from where that
// folder is now; one whose folder was removed fails (ENOENT).
bool MoveToTrash(const TEntryRef &entry, TTrashedEntry *made = nullptr);

// File times as the file system keeps them (UTC).  Creation is the birth
// time where the file system records it, else the last-write time.
struct FileTimes {
  timespec Creation{};
  timespec LastAccess{};
  timespec LastWrite{};
};
// Fails for a path that cannot be opened for writing (read-only files,
// folders), as the Windows handle needed for both would.  A symbolic link is
// read and written as the link itself, never as what it points to.
std::optional<FileTimes> GetFileTimes(const TEntryRef &entry);
// Sets the times given (nullopt: leave as is).  A creation time different
// from the current one cannot be stored on Linux and fails the call (errno
// EOPNOTSUPP); the same one, judged at the two-second resolution of
// DosDateTime, succeeds without being written.  A last-write time the file
// system keeps otherwise than given (a FAT card before 1980) fails the call
// with kErrorTimeNotStored.
bool SetFileTimes(const TEntryRef &entry, const std::optional<timespec> &creation,
                  const std::optional<timespec> &lastAccess,
                  const std::optional<timespec> &lastWrite);

// Size of an existing file, or nullopt when it cannot be opened for reading.
std::optional<std::int64_t> GetFileSize(const std::string &path);

// Sets exactly these attribute bits (bits not given are cleared): read-only
// in the mode, hidden, system and archive in user.DOSATTRIB.  Fails when a
// bit cannot be stored (no extended attributes, un-hiding a dot file).  A
// folder keeps its read-only flag in user.DOSATTRIB, not in its mode, so files
// can still be created in it as on Windows; the directory bit is ignored.
// Clearing read-only gives back every write bit setting it took away.  A
// symbolic link can store nothing: only asking for the attributes it already
// reports succeeds (EOPNOTSUPP otherwise), and what it points to is never
// changed.
bool SetAttributes(const TEntryRef &entry, std::uint32_t attributes);
// False (errno set as SetAttributes would set it) when SetAttributes is sure
// to refuse these bits before changing anything: a link that cannot show
// them (kErrorLinkAttributes), a dot name losing its hidden mark
// (kErrorDotNameHidden), bits on a named pipe or device (kErrorSpecialFile)
// or on a file system without extended attributes (kErrorNoAttributeStore).
// Changes nothing.
bool CanSetAttributes(const TEntryRef &entry, std::uint32_t attributes);
