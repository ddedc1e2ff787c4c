// Jobs kept by name, from the window: saved and loaded through the 設定
// page's buttons and the ジョブ menu, and opened with korvane --job NAME DIR.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include <cstdlib>

#include "WindowFixture.h"
#include "core/JobSettingsFile.h"
#include "core/NamedJobs.h"
#include "platform/Cp932.h"

namespace {

class JobsWindowTest : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(data_.isValid());
    // The file manager's menu goes into a data folder of the test's own.
    const char *saved = std::getenv("XDG_DATA_HOME");
    if (saved) savedData_ = saved;
    hadData_ = saved != nullptr;
    setenv("XDG_DATA_HOME", data_.path().toLocal8Bit().constData(), 1);
  }
  void TearDown() override {
    if (hadData_) setenv("XDG_DATA_HOME", savedData_.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
    WindowTest::TearDown();
  }
  // The actions of a menu as it opens.
  static QList<QAction *> Opened(QToolButton *button) {
    QMenu *menu = button->menu();
    if (menu == nullptr) return {};
    emit menu->aboutToShow();
    return menu->actions();
  }
  static QAction *Action(QToolButton *button, const QString &text) {
    for (QAction *action : Opened(button))
      if (action->text() == text) return action;
    return nullptr;
  }
  static QStringList Texts(QToolButton *button) {
    QStringList texts;
    for (QAction *action : Opened(button))
      if (!action->isSeparator()) texts << action->text();
    return texts;
  }
  QString MenuFile() const {
    return data_.filePath(QStringLiteral("kio/servicemenus/org.korvane.Korvane-jobs.desktop"));
  }

  QTemporaryDir data_;
  std::string savedData_;
  bool hadData_ = false;
};

TEST_F(JobsWindowTest, AJobSavedUnderANameIsLoadedByItFromEachMenu) {
  EXPECT_EQ(Texts(C().SpeedButtonJobs).first(), QStringLiteral("(保存したジョブはありません)"));
  C().SpinEditSeqIndex->setValue(7);
  C().CheckBoxCopy->setChecked(false);
  QString suggested = QStringLiteral("(not asked)");
  W().AskJobName = [&](const QString &suggestion) {
    suggested = suggestion;
    return QStringLiteral(" 写真 日付順 ");
  };
  Action(C().SpeedButtonSettingsSave, QStringLiteral("名前を付けてジョブとして保存..."))->trigger();
  EXPECT_TRUE(suggested.isEmpty());
  EXPECT_EQ(Panel0(), QStringLiteral("ジョブ「写真 日付順」を保存しました。"));
  // This source's narrow literals are UTF-8; the jobs' names are CP932.
  EXPECT_EQ(W().NamedJobs(), std::vector<std::string>{*Utf8ToCp932("写真 日付順")});
  EXPECT_TRUE(QFile::exists(QDir(Q(W().JobsFolder())).filePath(QStringLiteral("写真 日付順.INI"))));
  // The file manager offers it.
  QFile menu(MenuFile());
  ASSERT_TRUE(menu.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(menu.readAll()).contains(QStringLiteral("Name=写真 日付順")));
  EXPECT_TRUE(menu.permissions() & QFileDevice::ExeOwner);

  C().SpinEditSeqIndex->setValue(1);
  C().CheckBoxCopy->setChecked(true);
  for (QToolButton *button : {C().SpeedButtonSettingsOpen, C().SpeedButtonJobs}) {
    QAction *job = Action(button, QStringLiteral("写真 日付順"));
    ASSERT_NE(job, nullptr) << button->text().toStdString();
    job->trigger();
    EXPECT_EQ(C().SpinEditSeqIndex->value(), 7);
    EXPECT_FALSE(C().CheckBoxCopy->isChecked());
    EXPECT_EQ(Panel0(), QStringLiteral("ジョブ「写真 日付順」を読み込みました。"));
    C().SpinEditSeqIndex->setValue(1);
  }
  EXPECT_TRUE(Texts(C().SpeedButtonSettingsOpen).contains(QStringLiteral("ファイルから読込...")));
  EXPECT_TRUE(Texts(C().SpeedButtonSettingsSave).contains(QStringLiteral("ファイルへ保存...")));
  EXPECT_TRUE(Texts(C().SpeedButtonJobs).contains(QStringLiteral("ジョブのフォルダを開く")));
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(QStringLiteral("; ")).toStdString();
}

TEST_F(JobsWindowTest, AJobIsReplacedOnlyWhenTheUserSaysSo) {
  C().SpinEditSeqIndex->setValue(3);
  W().SaveNamedJob(std::string("photos"));
  C().SpinEditSeqIndex->setValue(4);
  QString asked;
  W().ConfirmOverwrite = [&](const QString &question) {
    asked = question;
    return false;
  };
  Action(C().SpeedButtonSettingsSave, QStringLiteral("photos"))->trigger();
  EXPECT_EQ(asked, QStringLiteral("ジョブ「photos」は既にあります。置き換えますか?"));
  W().LoadNamedJob("photos");
  EXPECT_EQ(C().SpinEditSeqIndex->value(), 3);
  C().SpinEditSeqIndex->setValue(4);
  W().ConfirmOverwrite = [](const QString &) { return true; };
  W().SaveNamedJob(std::string("photos"));
  C().SpinEditSeqIndex->setValue(1);
  W().LoadNamedJob("photos");
  EXPECT_EQ(C().SpinEditSeqIndex->value(), 4);
}

TEST_F(JobsWindowTest, ANameThatCannotBeAFileNameIsRefused) {
  for (const QString &name : {QStringLiteral("a/b"), QStringLiteral(".hidden"), QStringLiteral("tab\there")}) {
    W().AskJobName = [&](const QString &) { return name; };
    W().SaveNamedJob();
    EXPECT_TRUE(Panel0().startsWith(QStringLiteral("ジョブ名「"))) << Panel0().toStdString();
  }
  W().AskJobName = [](const QString &) { return QString(); };  // cancelled
  W().SaveNamedJob();
  EXPECT_TRUE(W().NamedJobs().empty());
  EXPECT_FALSE(QFile::exists(MenuFile()));
}

TEST_F(JobsWindowTest, TheCommandLineOpensTheWindowOnAFolderWithANamedJob) {
  QTemporaryDir photos;
  ASSERT_TRUE(photos.isValid());
  JobSettings job;
  job.FindFile.Folder = "/somewhere/else";
  job.Rename.SeqIndex = 42;
  job.Rename.Copy = false;
  ASSERT_TRUE(QDir().mkpath(Q(JobsFolder())));
  SaveJobSettingsFile(JobsFolder() + "/photos.INI", job);

  window_ = NewWindow({QStringLiteral("--job"), QStringLiteral("photos"), photos.path()});
  EXPECT_EQ(C().SpinEditSeqIndex->value(), 42);
  EXPECT_FALSE(C().CheckBoxCopy->isChecked());
  EXPECT_EQ(C().ComboBoxFolder->currentText(), photos.path()) << "the folder given wins over the job's";
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(QStringLiteral("; ")).toStdString();

  window_ = NewWindow({QStringLiteral("--job=nothing"), photos.path()});
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_.front().startsWith(QStringLiteral("ジョブ nothing が見つかりません"))) << errors_.front().toStdString();
  EXPECT_EQ(C().ComboBoxFolder->currentText(), photos.path());
  errors_.clear();

  window_ = NewWindow({photos.path(), QStringLiteral("--job")});
  EXPECT_EQ(errors_, QStringList{QStringLiteral("--job にはジョブの名前が必要です.")}) << "the error box ends it as it ends every message";
  errors_.clear();
  window_ = NewWindow({QStringLiteral("--"), QStringLiteral("--job")});
  EXPECT_TRUE(errors_.isEmpty()) << "after --, --job is a path";
}

}  // namespace
