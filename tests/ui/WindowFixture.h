#pragma once
// One fresh main window per test, started on a settings file of its own in
// a temporary folder (never the program's default one); errors the
// application's handler would show in a message box are collected instead.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStringList>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <memory>
#include <ostream>

#include "ops/UnitFileCn.h"
#include "ui/QtText.h"
#include "ui/TCheckListBox.h"
#include "ui/THistoryCombo.h"
#include "ui/TMaskEdit.h"
#include "ui/TMemo.h"
#include "ui/TRadioGroup.h"
#include "ui/TSpinEdit.h"
#include "ui/TStatusPanels.h"
#include "ui/UnitMain.h"
#include "ui/session/TKorvaneApplication.h"

// Failure messages show window texts as text.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

class WindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(settingsDir_.isValid());
    Application().SetErrorBox([this](const QString &caption, const QString &text) {
      captions_ << caption;
      errors_ << text;
    });
    window_ = NewWindow();
  }
  void TearDown() override {
    window_.reset();
    Application().SetErrorBox(nullptr);
  }

  static TKorvaneApplication &Application() {
    return *dynamic_cast<TKorvaneApplication *>(QCoreApplication::instance());
  }
  // The test's settings file (CP932; the temporary folder's path is ASCII).
  std::string SettingsFile() const {
    return settingsDir_.filePath(QStringLiteral("korvane.INI")).toStdString();
  }
  // The named jobs of the test's windows (CP932, ASCII), never the user's.
  std::string JobsFolder() const { return settingsDir_.filePath(QStringLiteral("jobs")).toStdString(); }
  // A window as the program starts it, with these arguments.
  std::unique_ptr<TBunselMain> NewWindow(const QStringList &arguments = {}) {
    return std::make_unique<TBunselMain>(
        TStartOptions{.SettingsFile = SettingsFile(), .Arguments = arguments, .JobsFolder = JobsFolder()});
  }

  TBunselMain &W() { return *window_; }
  const TMainControls &C() const { return window_->Controls(); }
  TRenameCn &R() { return window_->RenameCn(); }
  QString Panel0() const { return C().StatusBar1->PanelText(0); }

  QStringList OrderItems() const {
    QStringList items;
    for (int i = 0; i < C().CheckListBoxOrder->count(); ++i) {
      items << C().CheckListBoxOrder->item(i)->text();
    }
    return items;
  }
  // As the user does it: the check mark of the item with this caption.
  void ClickOrderItem(const QString &caption) {
    auto found = C().CheckListBoxOrder->findItems(caption, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << caption.toStdString();
    QListWidgetItem *item = found.front();
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }
  QStringList LogLines() const {
    return BoxLines(C().MemoLog);
  }
  static QStringList BoxLines(const TMemo *box) {
    QStringList lines;
    for (const std::string &line : box->Lines()) lines << Q(line);
    return lines;
  }

  QTemporaryDir settingsDir_;
  std::unique_ptr<TBunselMain> window_;
  QStringList captions_;
  QStringList errors_;
};
