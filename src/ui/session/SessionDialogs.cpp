#include "ui/session/SessionDialogs.h"

#include <QFileDialog>

#include "platform/Cp932.h"
#include "ui/session/SessionText.h"

namespace {

QString ShowDialog(QFileDialog &dialog) {
  if (dialog.exec() != QDialog::Accepted) return QString();
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

}  // namespace

// Native dialogs are never switched off: where the desktop offers its own
// (through the portal or its Qt theme), exec() shows that one, and Qt's
// own dialog otherwise.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget *parent, const QString &title,
                                            QFileDialog::AcceptMode mode) {
  auto dialog = std::make_unique<QFileDialog>(parent, title);
  dialog->setAcceptMode(mode);
  // AnyFile for the open dialog too: a log that does not exist is reported
  // when it is read, and a settings file that does not exist reads as empty.
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog->setDefaultSuffix(QString());
  return dialog;
}

std::unique_ptr<QFileDialog> MakeFolderBrowser(QWidget *parent, const QString &title) {
  // No folder is passed: the browser opens where the platform opens it, not
  // at the folder the combo box holds.
  auto dialog = std::make_unique<QFileDialog>(parent, title);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly, true);
  return dialog;
}

std::string TChosenPath::Message() const {
  if (Status != TChoiceStatus::Unrepresentable) return {};
  return UnrepresentablePathMessage(Utf8ToCp932Lossy(ShownPath.toStdString()));
}

QString ShowFolderBrowser(QWidget *parent, const QString &title) {
  return ShowDialog(*MakeFolderBrowser(parent, title));
}

QString ShowOpenFileDialog(QWidget *parent, const QString &title) {
  return ShowDialog(*MakeFileDialog(parent, title, QFileDialog::AcceptOpen));
}

QString ShowSaveFileDialog(QWidget *parent, const QString &title) {
  return ShowDialog(*MakeFileDialog(parent, title, QFileDialog::AcceptSave));
}

TSessionDialogs::TSessionDialogs(QWidget *parent)
    : BrowseFolder(ShowFolderBrowser),
      OpenFile(ShowOpenFileDialog),
      SaveFile(ShowSaveFileDialog),
      parent_(parent) {}

TChosenPath TSessionDialogs::ChooseFolder(TFolderRole role) const {
  return Run(BrowseFolder, DialogTitle(role));
}

TChosenPath TSessionDialogs::ChooseOpenFile(TFileRole role) const {
  return Run(OpenFile, DialogTitle(role));
}

TChosenPath TSessionDialogs::ChooseSaveFile(TFileRole role) const {
  return Run(SaveFile, DialogTitle(role));
}

TChosenPath TSessionDialogs::Run(const TDialogCall &call, std::string_view title) const {
  TChosenPath chosen;
  chosen.ShownPath = call(parent_, QFromCp932(title));
  if (chosen.ShownPath.isEmpty()) return chosen;
  if (std::optional<std::string> path = Cp932FromQ(chosen.ShownPath)) {
    chosen.Status = TChoiceStatus::Chosen;
    chosen.Path = std::move(*path);
  } else {
    chosen.Status = TChoiceStatus::Unrepresentable;
  }
  return chosen;
}
