#pragma once
// Why a target failed, or would fail: a rule of the system's own, or the
// operating system's answer.  A failed record of a run and of its plan ends
// with the reason's text (" 理由: ...;"), and korvane-batch counts failures
// by it.

#include <string>

enum class TFailReason {
  None,
  NameExists,         // the new name is taken on the disk
  TakenByPlan,        // an earlier target of the same plan takes that name
  OwnOutput,          // a file the run has written holds that name: never overwritten
  Unchanged,          // the name does not change
  InvalidName,        // not a plain name, or one no file system can hold
  KeepsExisting,      // the copy policy keeps the existing file
  ReadOnly,           // a read-only target of a delete or a time change
  TimeUnconvertible,  // the file's time has no date form (before 1980, after 2107)
  ReplaceFailed,      // the string replacement failed on this name (a result too long)
  OntoItself,         // a copy onto its own source
  Folder,             // a folder: not deleted without the trash, no time change
  ReadOnlyExisting,   // the file the copy would overwrite is read-only
  CreationTime,       // a different creation time cannot be stored here
  DotNameHidden,      // a name that starts with '.' cannot lose its hidden mark
  LinkAttributes,     // a symbolic link cannot take other attributes
  Missing,            // the target is no longer there (an earlier target moved it)
  NameNotHeld,        // a name the target's file system cannot hold (FAT, exFAT, NTFS)
  NoSpace,            // the destination's file system has no room for it
  NoAttributeStore,   // the file system keeps no attribute bits
  TimeNotStored,      // the file system keeps another time than the one given
  SourceKept,         // a move whose copy is made but whose source cannot be removed
  SpecialFile,        // a named pipe, device or socket, which the operation cannot take
  SourceChanged,      // the source of a move changed while it was copied: both stay
  AttributeNotHeld,   // an extended attribute or ACL the destination cannot hold
  NoShotTime,         // no shooting time to set the modification time to
  FieldMissing,       // the file lacks a field of the name's template (in Field)
  // Not a failure: a note the plan gives a target that will succeed.
  ShotTimeFallback,   // no shooting time: the modification time is used
  System,             // the operating system's answer, in Error
};

struct TFailure {
  TFailure() = default;
  TFailure(TFailReason reason, int error = 0) : Reason(reason), Error(error) {}

  TFailReason Reason = TFailReason::None;
  int Error = 0;      // errno, with System
  std::string Field;  // FieldMissing: the field as the template writes it

  bool operator==(const TFailure &) const = default;
};

// The failure an errno stands for: the platform's own refusals become their
// reasons; every other code is the operating system's answer.
TFailure FailureOf(int error);

// The reason as a record shows it (CP932): the system's own text for the
// answers a run meets, else the number and the system's text.
std::string ReasonText(const TFailure &failure);
inline std::string ReasonText(TFailReason reason) { return ReasonText(TFailure{reason}); }
