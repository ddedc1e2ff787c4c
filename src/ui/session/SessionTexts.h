#pragma once
// The window's session texts that are not messages of the core: dialog
// titles and the refusal of a path Shift-JIS cannot hold.  They live in a
// source of their own because the sources that include Qt headers cannot be
// compiled with CP932 literals (the standard library's <chrono> holds a
// character CP932 does not have).

#include <string>
#include <string_view>

// Which combo box a folder browser fills.
enum class TFolderRole {
  Target,           // SpeedButtonFindIn: ComboBoxFolder
  CopyDestination,  // SpeedButtonFindCopy: ComboBoxCopyFolder
};

// What an open or save dialog chooses.
enum class TFileRole {
  Log,       // SpeedButtonLogOpen, SpeedButtonLogSave
  Settings,  // SpeedButtonSettingsOpen, SpeedButtonSettingsSave
};

// "対象フォルダ選択", "コピー先フォルダ選択" (CP932).
std::string_view DialogTitle(TFolderRole role);
// "ログファイル選択", "設定ファイル選択" (CP932).
std::string_view DialogTitle(TFileRole role);

// The status-bar message for a chosen path that cannot be used because
// Shift-JIS cannot represent it; `shownPath` is the path as far as CP932
// can show it.
std::string UnrepresentablePathMessage(std::string_view shownPath);
