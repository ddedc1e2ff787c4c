#pragma once
// The CP932 side of the window.  Every other source of the window includes
// Qt, whose headers cannot be compiled with CP932 narrow literals, so those
// sources are compiled with UTF-8 literals and write their own texts as
// UTF-16 (QStringLiteral).  Whatever the window needs of the job model's
// CP932 texts (item lists, step captions, the defaults of a new job) comes
// through here, from a source compiled with CP932 literals.
//
// A UTF-8 source must not construct a JobSettings by default either: the
// defaults are CP932 literals in an inline constructor, and a second copy of
// that constructor with UTF-8 bytes could be the one the linker keeps.

#include <string>
#include <vector>

#include "core/JobSettings.h"

// The job of a brand-new window.
JobSettings DefaultJob();

enum class TItemList {
  FileOnly,
  CopyDelete,
  CopySame,
  CopyOverWrite,
  CopyAlias,
  SeqSort,
  Unity,
  DateSource,
  Add,  // SeqAdd, DateAdd, FolderAdd
  Case, // NameCase, ExtCase
  DateFormat,
  StepCaptions,
  WidthAlnum,
  WidthKana,
  KanaKind,
};

// The CP932 item texts of one list, index 0 first.
std::vector<std::string> ItemList(TItemList list);
