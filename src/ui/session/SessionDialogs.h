#pragma once
// The folder browser and the open and save dialogs of the window's buttons.
// Each returns a CP932 path, nothing when it was cancelled, or a refusal
// when the chosen path holds a character Shift-JIS cannot represent (such a
// path could not be used without naming another file).  The dialog calls
// themselves are replaceable, so tests can answer them.

#include <QFileDialog>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ui/session/SessionTexts.h"


enum class TChoiceStatus { Chosen, Cancelled, Unrepresentable };

struct TChosenPath {
  TChoiceStatus Status = TChoiceStatus::Cancelled;
  std::string Path;    // CP932; set when Chosen
  QString ShownPath;   // the path as the dialog returned it (empty when cancelled)

  bool Chosen() const { return Status == TChoiceStatus::Chosen; }
  // For a refusal: a message for the status bar (CP932), else empty.
  std::string Message() const;
};

class TSessionDialogs {
public:
  // One dialog: parent window and title in, the chosen path out (empty when
  // cancelled).
  using TDialogCall = std::function<QString(QWidget *parent, const QString &title)>;

  // The real dialogs: the folder browser shows folders only and preselects
  // nothing; the file dialogs have no filter and no default extension, do
  // not ask before overwriting and accept a file that does not exist yet.
  explicit TSessionDialogs(QWidget *parent);

  TChosenPath ChooseFolder(TFolderRole role) const;
  TChosenPath ChooseOpenFile(TFileRole role) const;
  TChosenPath ChooseSaveFile(TFileRole role) const;

  TDialogCall BrowseFolder;
  TDialogCall OpenFile;
  TDialogCall SaveFile;

private:
  TChosenPath Run(const TDialogCall &call, std::string_view title) const;

  QWidget *parent_;
};

// The dialogs as they are set up before they are shown (also for pictures
// of them): the file dialog for the log and settings buttons, the folder
// browser for the folder buttons.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget *parent, const QString &title,
                                            QFileDialog::AcceptMode mode);
std::unique_ptr<QFileDialog> MakeFolderBrowser(QWidget *parent, const QString &title);

// The dialogs as Qt shows them (the defaults of TSessionDialogs).
QString ShowFolderBrowser(QWidget *parent, const QString &title);
QString ShowOpenFileDialog(QWidget *parent, const QString &title);
QString ShowSaveFileDialog(QWidget *parent, const QString &title);
