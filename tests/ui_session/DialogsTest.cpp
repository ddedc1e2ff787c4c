// Compiled with UTF-8 literals (it includes Qt): Japanese texts are u""
// literals; CP932 paths are made by conversion.

#include <QFileDialog>
#include <QWidget>

#include <gtest/gtest.h>

#include "FakeWindow.h"
#include "QtTestSupport.h"
#include "TempTree.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/ExtensionCodes.h"
#include "ui/session/SessionHandlers.h"
#include "ui/session/SessionText.h"

namespace {

// Dialogs that answer with a fixed path and remember how they were called.
struct TAnsweringDialogs {
  QWidget parent;
  TSessionDialogs Dialogs{&parent};
  QString Answer;
  QStringList Titles;
  QList<QWidget *> Parents;

  TAnsweringDialogs() {
    const auto answer = [this](QWidget *owner, const QString &title) {
      Parents.push_back(owner);
      Titles.push_back(title);
      return Answer;
    };
    Dialogs.BrowseFolder = answer;
    Dialogs.OpenFile = answer;
    Dialogs.SaveFile = answer;
  }
};

TEST(DialogsTest, TitlesByButton) {
  TAnsweringDialogs d;
  d.Dialogs.ChooseFolder(TFolderRole::Target);
  d.Dialogs.ChooseFolder(TFolderRole::CopyDestination);
  d.Dialogs.ChooseOpenFile(TFileRole::Log);
  d.Dialogs.ChooseOpenFile(TFileRole::Settings);
  d.Dialogs.ChooseSaveFile(TFileRole::Log);
  d.Dialogs.ChooseSaveFile(TFileRole::Settings);
  const QStringList expected = {
      QString::fromUtf16(u"対象フォルダ選択"), QString::fromUtf16(u"コピー先フォルダ選択"),
      QString::fromUtf16(u"ログファイル選択"), QString::fromUtf16(u"設定ファイル選択"),
      QString::fromUtf16(u"ログファイル選択"), QString::fromUtf16(u"設定ファイル選択")};
  EXPECT_EQ(d.Titles, expected);
  for (QWidget *owner : d.Parents) EXPECT_EQ(owner, &d.parent);
}

TEST(DialogsTest, OutcomeOfTheChosenPath) {
  TAnsweringDialogs d;
  d.Answer = QString::fromUtf16(u"/データ/表.txt");
  TChosenPath chosen = d.Dialogs.ChooseOpenFile(TFileRole::Log);
  EXPECT_EQ(chosen.Status, TChoiceStatus::Chosen);
  EXPECT_EQ(chosen.Path, *Cp932FromQ(d.Answer));

  d.Answer.clear();
  EXPECT_EQ(d.Dialogs.ChooseOpenFile(TFileRole::Log).Status, TChoiceStatus::Cancelled);

  d.Answer = QString::fromUtf16(u"/tmp/\U0001F600.log");
  chosen = d.Dialogs.ChooseSaveFile(TFileRole::Log);
  EXPECT_EQ(chosen.Status, TChoiceStatus::Chosen);
  EXPECT_EQ(Cp932ToUtf8(chosen.Path), "/tmp/\xF0\x9F\x98\x80.log");

  // Refused only when no extension code is left for a new character.
  TScopedExtensionCodes scoped;
  scoped.FillUntil(0);
  d.Answer = QString::fromUtf16(u"/tmp/\U0001F601.log");
  chosen = d.Dialogs.ChooseSaveFile(TFileRole::Log);
  EXPECT_EQ(chosen.Status, TChoiceStatus::Unrepresentable);
  EXPECT_TRUE(chosen.Path.empty());
  EXPECT_EQ(QFromCp932(chosen.Message()),
            QString::fromUtf16(u"/tmp/?.log には Shift-JIS で表せない文字が含まれているため使えません"));
}

TEST(DialogsTest, FolderButtons) {
  TAnsweringDialogs d;
  TFakeWindow window;
  d.Answer = QStringLiteral("/target");
  BrowseFolderClick(window, d.Dialogs, TFolderRole::Target);
  d.Answer = QStringLiteral("/copy");
  BrowseFolderClick(window, d.Dialogs, TFolderRole::CopyDestination);
  d.Answer.clear();
  BrowseFolderClick(window, d.Dialogs, TFolderRole::Target);
  d.Answer = QString::fromUtf16(u"/\U0001F600");
  BrowseFolderClick(window, d.Dialogs, TFolderRole::Target);
  const std::string emoji = *Utf8ToCp932("/\xF0\x9F\x98\x80");
  EXPECT_EQ(window.Calls, (std::vector<std::string>{"Browsed Target=/target", "Browsed Copy=/copy",
                                                    "Browsed Target=" + emoji}));
  EXPECT_TRUE(window.Status.empty());
  TScopedExtensionCodes scoped;
  scoped.FillUntil(0);
  d.Answer = QString::fromUtf16(u"/\U0001F601");
  BrowseFolderClick(window, d.Dialogs, TFolderRole::Target);
  EXPECT_EQ(window.Calls.size(), 3u);
  EXPECT_FALSE(window.Status.empty());
}

TEST(DialogsTest, LogButtonsSaveAndLoad) {
  TTempTree tree;
  TAnsweringDialogs d;
  d.Answer = QFromCp932(tree.Path("log.txt"));
  TFakeWindow window;
  window.Log = {"a", "b"};
  SaveFileClick(window, d.Dialogs, TFileRole::Log);
  EXPECT_EQ(tree.Read("log.txt"), "a\r\nb\r\n");

  TFakeWindow other;
  other.Log = {"old"};
  OpenFileClick(other, d.Dialogs, TFileRole::Log);
  EXPECT_EQ(other.Log, (std::vector<std::string>{"a", "b"}));

  d.Answer = QFromCp932(tree.Path("missing.txt"));
  EXPECT_THROW(OpenFileClick(other, d.Dialogs, TFileRole::Log), EInOutError);
  EXPECT_EQ(other.Log, (std::vector<std::string>{"a", "b"}));
}

TEST(DialogsTest, SettingsButtonsSaveAndLoadOnlyTheJob) {
  TTempTree tree;
  TAnsweringDialogs d;
  d.Answer = QFromCp932(tree.Path("job.INI"));
  TFakeWindow window;
  window.Job.Rename.SeqIndex = 12;
  SaveFileClick(window, d.Dialogs, TFileRole::Settings);

  TFakeWindow other;
  other.CarryOver = true;
  other.Histories.Folder = {"/h/"};
  OpenFileClick(other, d.Dialogs, TFileRole::Settings);
  EXPECT_EQ(other.Job.Rename.SeqIndex, 12);
  EXPECT_EQ(other.Calls, (std::vector<std::string>{"SetJob", "Refresh"}));
  EXPECT_TRUE(other.CarryOver);
  EXPECT_EQ(other.Histories.Folder, std::vector<std::string>{"/h/"});

  // Cancelled: nothing changes.
  d.Answer.clear();
  OpenFileClick(other, d.Dialogs, TFileRole::Settings);
  SaveFileClick(other, d.Dialogs, TFileRole::Log);
  EXPECT_EQ(other.Calls.size(), 2u);
  EXPECT_TRUE(other.Status.empty());
}

TEST(DialogsTest, RealFileDialogsAcceptAnyFileAndNeverAskBeforeOverwriting) {
  for (bool save : {false, true}) {
    bool seen = false;
    WhenModal<QFileDialog>([&](QFileDialog *dialog) {
      ASSERT_NE(dialog, nullptr);
      seen = true;
      EXPECT_EQ(dialog->windowTitle(), QString::fromUtf16(u"ログファイル選択"));
      EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
      EXPECT_EQ(dialog->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
      EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
      EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
      EXPECT_FALSE(dialog->testOption(QFileDialog::DontUseNativeDialog));
      EXPECT_TRUE(dialog->nameFilters().isEmpty() ||
                  dialog->nameFilters() == QStringList{QStringLiteral("All Files (*)")});
      dialog->reject();
    });
    const QString title = QString::fromUtf16(u"ログファイル選択");
    const QString chosen =
        save ? ShowSaveFileDialog(nullptr, title) : ShowOpenFileDialog(nullptr, title);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(chosen.isEmpty());
  }
}

TEST(DialogsTest, RealFolderBrowserShowsFoldersOnly) {
  bool seen = false;
  WhenModal<QFileDialog>([&](QFileDialog *dialog) {
    ASSERT_NE(dialog, nullptr);
    seen = true;
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf16(u"対象フォルダ選択"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    dialog->reject();
  });
  EXPECT_TRUE(ShowFolderBrowser(nullptr, QString::fromUtf16(u"対象フォルダ選択")).isEmpty());
  EXPECT_TRUE(seen);
}

}  // namespace
