#include "ui/session/SessionHandlers.h"

#include "ui/session/DropEvent.h"
#include "ui/session/LogFile.h"
#include "ui/session/SettingsSession.h"
#include "ui/session/TKorvaneApplication.h"

namespace {

// The chosen path, or nothing after a cancel or a refusal (which is
// reported).
std::optional<std::string> Chosen(TSessionWindow &window, const TChosenPath &chosen) {
  if (chosen.Status == TChoiceStatus::Unrepresentable) window.SetStatusText(chosen.Message());
  if (!chosen.Chosen()) return std::nullopt;
  return chosen.Path;
}

}  // namespace

void BrowseFolderClick(TSessionWindow &window, const TSessionDialogs &dialogs, TFolderRole role) {
  if (std::optional<std::string> folder = Chosen(window, dialogs.ChooseFolder(role))) {
    window.SetBrowsedFolder(role, *folder);
  }
}

void OpenFileClick(TSessionWindow &window, const TSessionDialogs &dialogs, TFileRole role) {
  const std::optional<std::string> path = Chosen(window, dialogs.ChooseOpenFile(role));
  if (!path) return;
  if (role == TFileRole::Log) {
    window.SetLogLines(ReadLogLines(*path));
  } else {
    LoadJobFile(window, *path);
  }
}

void SaveFileClick(TSessionWindow &window, const TSessionDialogs &dialogs, TFileRole role) {
  const std::optional<std::string> path = Chosen(window, dialogs.ChooseSaveFile(role));
  if (!path) return;
  if (role == TFileRole::Log) {
    WriteLogLines(*path, window.GetLogLines());
  } else {
    SaveJobFile(window, *path);
  }
}

void DropFiles(TSessionWindow &window, const QMimeData &data, int y, int pageControlFileHeight,
               int panelMiscHeight) {
  const TTargetChoice choice = HandleDrop(data, y, window, pageControlFileHeight, panelMiscHeight);
  const std::string message = SkippedPathsMessage(choice);
  if (!message.empty()) window.SetStatusText(message);
}

std::string ApplyStartupArguments(TSessionWindow &window, const QStringList &arguments) {
  const TCommandLineResult result = ApplyCommandLine(PathListFromStrings(arguments), window);
  UseCurrentFolderIfEmpty(window);
  return SkippedPathsMessage(result.Choice);
}

void WriteSettingsOnClose(TSettingsAccess &window, const std::optional<std::string> &fileName) {
  if (const std::optional<std::string> error = WriteShutdownSettings(window, fileName)) {
    ShowErrorMessage(*error);
  }
}
