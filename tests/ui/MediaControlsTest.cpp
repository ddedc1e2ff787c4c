// The window's controls for what files say of themselves: the date source,
// the shooting orders, the name made of a file's information and times set
// to the shooting time.

#include <QComboBox>
#include <QLineEdit>

#include "WindowFixture.h"
#include "ui/QtText.h"
#include "ui/TRadioGroup.h"

namespace {

// Each new control holds a hint and covers no control that is shown beside
// it.
TEST_F(WindowTest, TheNewControlsFitAndHaveHints) {
  QWidget *added[] = {C().RadioGroupDateSource, C().EditTemplate, C().CheckBoxUpDateShot};
  for (QWidget *control : added) {
    SCOPED_TRACE(control->objectName().toStdString());
    EXPECT_FALSE(control->toolTip().isEmpty());
    for (QObject *object : control->parentWidget()->children()) {
      auto *sibling = qobject_cast<QWidget *>(object);
      if (sibling == nullptr || sibling == control || sibling == C().EditBaseName) continue;
      // Labels and frames only surround; the template's box shares the
      // fixed text's place and never shows with it.
      if (qobject_cast<QLabel *>(sibling) || sibling->inherits("QFrame") ||
          sibling->inherits("QGroupBox") || sibling == C().RadioGroupUnity)
        continue;
      EXPECT_FALSE(sibling->geometry().intersects(control->geometry()))
          << sibling->metaObject()->className();
    }
  }
}

TEST_F(WindowTest, TheSortListIndexIsTheSortKind) {
  ASSERT_EQ(C().ComboBoxSeqSort->count(), 10);
  EXPECT_EQ(C().ComboBoxSeqSort->itemText(8), QStringLiteral("撮影日時順【昇】"));
  EXPECT_EQ(C().ComboBoxSeqSort->itemText(9), QStringLiteral("撮影日時順【降】"));
  C().ComboBoxSeqSort->setCurrentIndex(9);
  EXPECT_EQ(R().SortKind, 9);
}

TEST_F(WindowTest, DateSourceAndTemplateReachTheRenameObject) {
  C().RadioGroupDateSource->SetItemIndex(1);
  EXPECT_EQ(R().DateSource, 1);
  C().CheckBoxUnity->setChecked(true);
  C().RadioGroupUnity->SetItemIndex(2);
  EXPECT_FALSE(C().EditTemplate->isHidden());
  EXPECT_TRUE(C().EditBaseName->isHidden());
  C().EditTemplate->setText(QStringLiteral("{track:2} {title}_{n:3}"));
  EXPECT_EQ(R().Template, "{track:2} {title}_{n:3}");
  // The sample is no real file: the preview shows where each field goes.
  C().EditSample->setText(QStringLiteral("a.mp3"));
  EXPECT_EQ(C().StaticTextSeqStyle->text(), QStringLiteral("{track} {title}_001.mp3"));
  C().RadioGroupUnity->SetItemIndex(1);
  EXPECT_FALSE(C().EditBaseName->isHidden());
  EXPECT_TRUE(C().EditTemplate->isHidden());
}

TEST_F(WindowTest, ShootingTimeLeavesNothingToType) {
  C().CheckBoxUpDate->setChecked(true);
  EXPECT_TRUE(C().CheckBoxUpDateShot->isEnabled());
  EXPECT_TRUE(C().MaskEditUpDate->isEnabled());
  C().CheckBoxUpDateShot->setChecked(true);
  EXPECT_TRUE(W().ChangeCn().UpDateShot);
  EXPECT_FALSE(C().MaskEditUpDate->isEnabled());
  EXPECT_FALSE(C().MaskEditUpTime->isEnabled());
  EXPECT_FALSE(C().CheckBoxUpCurrent->isEnabled());
  C().CheckBoxUpDateShot->setChecked(false);
  EXPECT_TRUE(C().MaskEditUpDate->isEnabled());
  EXPECT_TRUE(C().CheckBoxUpCurrent->isEnabled());
  C().CheckBoxUpDate->setChecked(false);
  EXPECT_FALSE(C().CheckBoxUpDateShot->isEnabled());
}

}  // namespace
