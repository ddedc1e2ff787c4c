// Failures stay readable on light and dark themes alike.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include "ui/FailureColour.h"
#include "ui/TPlanTableModel.h"

namespace {

TEST(FailureColourTest, ReadsOnEveryBase) {
  const char *bases[] = {"#ffffff", "#f0f0f0", "#dcdcdc", "#808080", "#5a5a5a",
                         "#3c3f41", "#2b2b2b", "#1e1e2e", "#000000", "#202040"};
  for (const char *name : bases) {
    const QColor base(name);
    const QColor colour = FailureColour(base);
    EXPECT_GE(ContrastRatio(colour, base), 4.5) << name << " " << colour.name().toStdString();
    // Still a red: its red channel leads.
    EXPECT_GT(colour.red(), colour.green()) << name;
    EXPECT_GT(colour.red(), colour.blue()) << name;
  }
  // The light theme keeps the classic colour.
  EXPECT_EQ(FailureColour(QColor(Qt::white)), QColor(0xC0, 0, 0));
}

TEST(FailureColourTest, ContrastOfKnownPairs) {
  EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 0.01);
  EXPECT_NEAR(ContrastRatio(Qt::white, Qt::white), 1.0, 0.01);
  // The old fixed colour on a dark base: what made failures unreadable.
  EXPECT_LT(ContrastRatio(QColor(0xC0, 0, 0), QColor("#2b2b2b")), 4.5);
}

TEST(FailureColourTest, ThePreviewsFailuresFollowThePalette) {
  const QPalette saved = QApplication::palette();
  TPlanTableModel model("/");
  TPlanRecord failed;
  failed.Ok = false;
  failed.Path = "/x";
  model.Add(failed);
  model.Flush();
  for (const char *base : {"#ffffff", "#232629"}) {
    QPalette palette = saved;
    palette.setColor(QPalette::Base, QColor(base));
    QApplication::setPalette(palette);
    const QColor shown = model.data(model.index(0, 0), Qt::ForegroundRole).value<QBrush>().color();
    EXPECT_GE(ContrastRatio(shown, QColor(base)), 4.5) << base;
  }
  QApplication::setPalette(saved);
}

}  // namespace
