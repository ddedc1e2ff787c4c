// Jobs kept by name, in the window: the 設定 page's 読込 and 保存 offer
// them on their arrows beside the file dialogs, and the ジョブ button is a
// menu of them.  A job is a settings file in the jobs folder, read and
// written as 読込 and 保存 read and write a file of the user's choice.

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>
#include <QUrl>

#include <cerrno>

#include "core/JobMenu.h"
#include "core/NamedJobs.h"
#include "platform/Paths.h"
#include "ui/QtText.h"
#include "ui/UnitMain.h"
#include "ui/session/SessionText.h"
#include "ui/session/SettingsSession.h"
#include "ui/session/TKorvaneApplication.h"

namespace {

// korvane-batch beside the window's program when it is there (a folder of
// its own), else the one on the search path, for the file manager's menu.
std::string BatchProgram() {
  const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/korvane-batch");
  if (QFileInfo(beside).isExecutable()) return beside.toStdString();
  return "korvane-batch";
}

}  // namespace

void TBunselMain::ConnectJobs() {
  AskJobName = [this](const QString &suggestion) {
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("ジョブを保存"), QStringLiteral("ジョブ名:"),
                                               QLineEdit::Normal, suggestion, &ok);
    return ok ? name : QString();
  };
  ConfirmOverwrite = [this](const QString &question) {
    return QMessageBox::question(this, ApplicationTitle(), question) == QMessageBox::Yes;
  };
  // The jobs are listed anew each time a menu opens: another window or
  // korvane-batch's user may have added one.
  const auto addJobs = [this](QMenu *menu, const std::function<void(const std::string &)> &act) {
    const std::vector<std::string> jobs = NamedJobs();
    if (jobs.empty()) menu->addAction(QStringLiteral("(保存したジョブはありません)"))->setEnabled(false);
    for (const std::string &name : jobs) {
      QAction *action = menu->addAction(Q(name));
      connect(action, &QAction::triggered, this, [act, name] { act(name); });
    }
  };
  const auto load = [this](const std::string &name) { LoadNamedJob(name); };
  const auto save = [this](const std::string &name) { SaveNamedJob(name); };

  auto *open = new QMenu(c_.SpeedButtonSettingsOpen);
  c_.SpeedButtonSettingsOpen->setMenu(open);
  c_.SpeedButtonSettingsOpen->setPopupMode(QToolButton::MenuButtonPopup);
  connect(open, &QMenu::aboutToShow, this, [this, open, addJobs, load] {
    open->clear();
    addJobs(open, load);
    open->addSeparator();
    connect(open->addAction(QStringLiteral("ファイルから読込...")), &QAction::triggered, this,
            [this] { SpeedButtonOpenClick(c_.SpeedButtonSettingsOpen); });
  });

  auto *saveMenu = new QMenu(c_.SpeedButtonSettingsSave);
  c_.SpeedButtonSettingsSave->setMenu(saveMenu);
  c_.SpeedButtonSettingsSave->setPopupMode(QToolButton::MenuButtonPopup);
  connect(saveMenu, &QMenu::aboutToShow, this, [this, saveMenu, addJobs, save] {
    saveMenu->clear();
    connect(saveMenu->addAction(QStringLiteral("名前を付けてジョブとして保存...")), &QAction::triggered, this,
            [this] { SaveNamedJob(); });
    saveMenu->addSeparator();
    addJobs(saveMenu, save);
    saveMenu->addSeparator();
    connect(saveMenu->addAction(QStringLiteral("ファイルへ保存...")), &QAction::triggered, this,
            [this] { SpeedButtonSaveClick(c_.SpeedButtonSettingsSave); });
  });

  auto *jobs = new QMenu(c_.SpeedButtonJobs);
  c_.SpeedButtonJobs->setMenu(jobs);
  connect(jobs, &QMenu::aboutToShow, this, [this, jobs, addJobs, load] {
    jobs->clear();
    addJobs(jobs, load);
    jobs->addSeparator();
    connect(jobs->addAction(QStringLiteral("名前を付けてジョブとして保存...")), &QAction::triggered, this,
            [this] { SaveNamedJob(); });
    connect(jobs->addAction(QStringLiteral("ジョブのフォルダを開く")), &QAction::triggered, this, [this] {
      const std::string folder = JobsFolder();
      ForceFolder(ExcludeTrailingDelimiter(folder));
      QDesktopServices::openUrl(QUrl::fromLocalFile(Q(folder)));
    });
  });
}

std::string TBunselMain::JobsFolder() const {
  return JobsFolder_ ? IncludeTrailingDelimiter(*JobsFolder_) : ::JobsFolder();
}

std::vector<std::string> TBunselMain::NamedJobs() const { return ListJobs(JobsFolder()); }

std::optional<QString> TBunselMain::ReadNamedJob(const std::string &name) {
  const std::string folder = JobsFolder();
  const std::optional<std::string> file = FindJobFile(folder, name);
  if (!file) return QStringLiteral("ジョブ %1 が見つかりません (%2)").arg(Q(name), Q(folder));
  LoadJobFile(*this, *file);
  return std::nullopt;
}

void TBunselMain::LoadNamedJob(const std::string &name) {
  // As 読込: a job loaded in the middle of a run waits for its end.
  if (RunDriver_->IsRunning()) return;
  Grouped([&] {
    if (const std::optional<QString> missing = ReadNamedJob(name)) {
      ReportError(*missing);
      return;
    }
    ShowStatus(QStringLiteral("ジョブ「%1」を読み込みました。").arg(Q(name)));
  });
}

void TBunselMain::SaveNamedJob(std::optional<std::string> name) {
  if (!name) {
    const QString typed = AskJobName ? AskJobName(QString()).trimmed() : QString();
    if (typed.isEmpty()) return;
    const std::optional<std::string> converted = ToCp932(typed);
    if (!converted || !IsJobName(*converted)) {
      ShowStatus(QStringLiteral("ジョブ名「%1」は使えません。空の名前、「/」や制御文字を含む名前、"
                                "「.」で始まる名前は使えません。")
                     .arg(typed));
      return;
    }
    name = *converted;
  }
  const std::string folder = JobsFolder();
  if (FindJobFile(folder, *name) && ConfirmOverwrite &&
      !ConfirmOverwrite(QStringLiteral("ジョブ「%1」は既にあります。置き換えますか?").arg(Q(*name))))
    return;
  Grouped([&] {
    ForceFolder(ExcludeTrailingDelimiter(folder));  // a failure shows in the write
    SaveJobFile(*this, JobFileFor(folder, *name));
    QString status = QStringLiteral("ジョブ「%1」を保存しました。").arg(Q(*name));
    if (!UpdateJobMenu(folder, BatchProgram()))
      status += QStringLiteral("ファイルマネージャのメニューは更新できません: %1")
                    .arg(QString::fromStdString(JobMenuFile()));
    ShowStatus(status);
  });
}
