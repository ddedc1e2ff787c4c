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

TStartArguments SplitStartArguments(const QStringList &arguments) {
  TStartArguments split;
  bool optionsEnded = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString &argument = arguments[i];
    if (optionsEnded) {
      split.Paths << argument;
    } else if (argument == QStringLiteral("--")) {
      optionsEnded = true;
    } else if (argument == QStringLiteral("--job")) {
      if (i + 1 < arguments.size()) split.Job = arguments[++i];
      else split.Error = QStringLiteral("--job にはジョブの名前が必要です");
    } else if (argument.startsWith(QStringLiteral("--job="))) {
      split.Job = argument.mid(6);
    } else {
      split.Paths << argument;
    }
  }
  return split;
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
