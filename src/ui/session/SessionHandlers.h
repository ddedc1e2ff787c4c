#pragma once
// The window's handlers for the folder and file buttons, drops, the command
// line and the close, written against TSessionWindow so that TBunselMain
// only forwards its events here.

#include <QStringList>

#include <optional>
#include <string>

#include "ui/session/DropTargets.h"
#include "ui/session/SessionDialogs.h"
#include "ui/session/SessionWindow.h"

class QMimeData;

// SpeedButtonFindClick: the folder browser; a chosen folder goes into its
// combo box.  Cancelled: nothing changes.  A path Shift-JIS cannot hold is
// refused with a status-bar message.
void BrowseFolderClick(TSessionWindow &window, const TSessionDialogs &dialogs, TFolderRole role);

// SpeedButtonOpenClick: the log's lines replaced by those of the chosen file,
// or the job loaded from the chosen settings file.  File errors propagate to
// the application's error handler (MemoLog is then unchanged).
void OpenFileClick(TSessionWindow &window, const TSessionDialogs &dialogs, TFileRole role);

// SpeedButtonSaveClick: the log's lines or the job into the chosen file.
void SaveFileClick(TSessionWindow &window, const TSessionDialogs &dialogs, TFileRole role);

// The drop handler (see HandleDrop); skipped paths are reported in the
// status bar after the refresh the drop started.
void DropFiles(TSessionWindow &window, const QMimeData &data, int y,
               int pageControlFileHeight = kPageControlFileHeight,
               int panelMiscHeight = kPanelMiscHeight);

// The window's own options among its arguments: --job NAME (or
// --job=NAME) opens the window with a named job; "--" ends the options.
// The rest are the paths of the command line.  `Error` says what is wrong
// with an option (a --job without a name); the paths are still used.
struct TStartArguments {
  std::optional<QString> Job;
  QStringList Paths;
  QString Error;
};
TStartArguments SplitStartArguments(const QStringList &arguments);

// Start-up steps 6 and 7: the command line (the arguments without the
// program name), then the current folder when the target folder is still
// empty.  Returns the message about skipped arguments (CP932, empty when
// none) for the window to show after its full refresh.
std::string ApplyStartupArguments(TSessionWindow &window, const QStringList &arguments);

// FormClose: writes the default settings (or `fileName`), shows a failure
// through the application's error box and returns normally either way, so
// the window closes.
void WriteSettingsOnClose(TSettingsAccess &window,
                          const std::optional<std::string> &fileName = std::nullopt);
