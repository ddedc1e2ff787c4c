#pragma once
// One fresh main window per test; errors it would show in a message box
// are collected instead.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <memory>

#include "ops/UnitFileCn.h"
#include "ui/QtText.h"
#include "ui/TCheckListBox.h"
#include "ui/THistoryCombo.h"
#include "ui/TMaskEdit.h"
#include "ui/TRadioGroup.h"
#include "ui/TSpinEdit.h"
#include "ui/TStatusPanels.h"
#include "ui/UnitMain.h"

class WindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    window_ = std::make_unique<TBunselMain>();
    window_->SetErrorReport([this](const QString &message) { errors_ << message; });
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
    const QString text = C().MemoLog->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
  }

  std::unique_ptr<TBunselMain> window_;
  QStringList errors_;
};
