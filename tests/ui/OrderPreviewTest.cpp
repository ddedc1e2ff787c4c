// The rename order list and the live preview.

#include <QKeyEvent>
#include <QTest>

#include <time.h>

#include <algorithm>

#include "WindowFixture.h"
#include "platform/ExtensionCodes.h"
#include "regex/Messages.h"
#include "regex/RegExpError.h"

namespace {

const QString kReplace = QStringLiteral("文字列置換");
const QString kSequence = QStringLiteral("連番");
const QString kCase = QStringLiteral("大/小文字");
const QString kDate = QStringLiteral("更新日付付加");
const QString kExtension = QStringLiteral("拡張子");
const QString kFolder = QStringLiteral("フォルダ名付加");

// A key press carrying text no key of a Latin keyboard produces.
void TypeText(QWidget *widget, const QString &text) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
}

}  // namespace

TEST_F(WindowTest, CheckedStepsGoFirstInTheOrderTheyWereChecked) {
  struct TStep {
    QString Click;
    QStringList Order;
    int CheckedCount;
  };
  const TStep steps[] = {
      // Checking a step moves it to the end of the checked group.
      {kSequence, {kSequence, kReplace, kCase, kDate, kExtension, kFolder}, 1},
      {kFolder, {kSequence, kFolder, kReplace, kCase, kDate, kExtension}, 2},
      {kReplace, {kSequence, kFolder, kReplace, kCase, kDate, kExtension}, 3},
      // Unchecking moves it to the head of the unchecked group.
      {kSequence, {kFolder, kReplace, kSequence, kCase, kDate, kExtension}, 2},
      {kFolder, {kReplace, kFolder, kSequence, kCase, kDate, kExtension}, 1},
  };
  for (const TStep &step : steps) {
    SCOPED_TRACE(step.Click.toStdString());
    ClickOrderItem(step.Click);
    EXPECT_EQ(OrderItems(), step.Order);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(C().CheckListBoxOrder->Checked(i), i < step.CheckedCount) << i;
      // The rename object follows the list position by position.
      const int stepNumber = R().StepOrder[i];
      ASSERT_GE(stepNumber, 0);
      ASSERT_LT(stepNumber, 6);
      EXPECT_EQ(C().CheckListBoxOrder->item(i)->text(), OrderItems()[i]);
      EXPECT_EQ(R().IsStepEnabled(stepNumber), i < step.CheckedCount) << i;
    }
  }
  // The final order in step numbers: 0 replace, 5 folder, 1 sequence, ...
  const std::array<int, 6> expected = {0, 5, 1, 2, 3, 4};
  EXPECT_EQ(R().StepOrder, expected);
}

TEST_F(WindowTest, OrderOfCheckedStepsIsTheOrderOfThePipeline) {
  C().ComboBoxFromName->setEditText(QStringLiteral("0001"));
  C().ComboBoxToName->setEditText(QStringLiteral("x"));
  C().EditSample->setText(QStringLiteral("abc.txt"));
  // Numbering first, then the replacement sees the number.
  ClickOrderItem(kSequence);
  ClickOrderItem(kReplace);
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("abcx.txt"));
  // Unchecking the numbering leaves the replacement alone at the top.
  ClickOrderItem(kSequence);
  EXPECT_EQ(OrderItems().mid(0, 2), (QStringList{kReplace, kSequence}));
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("abc.txt"));
}

TEST_F(WindowTest, TypingUpdatesTheThreePreviews) {
  ClickOrderItem(kCase);
  C().RadioGroupNameCase->SetItemIndex(1);
  C().EditSample->clear();
  QTest::keyClicks(C().EditSample, QStringLiteral("abc.TXT"));
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("ABC.txt"));
  // The numbering and date previews show their step alone, enabled or not.
  EXPECT_EQ(C().StaticTextSeqStyle->text(), QStringLiteral("abc0001.TXT"));
  EXPECT_TRUE(C().StaticTextDateStyle->text().startsWith(QStringLiteral("abc")));

  QTest::keyClicks(C().EditSeqBefore, QStringLiteral("-"));
  EXPECT_EQ(C().StaticTextSeqStyle->text(), QStringLiteral("abc-0001.TXT"));
  C().SpinEditSeqDeg->setValue(2);
  EXPECT_EQ(C().StaticTextSeqStyle->text(), QStringLiteral("abc-01.TXT"));
  C().ComboBoxDateFormat->setEditText(QStringLiteral("yy"));
  EXPECT_EQ(C().StaticTextDateStyle->text().size(), QStringLiteral("abc00.TXT").size());
  C().RadioGroupExtCase->SetItemIndex(1);
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("ABC.TXT"));
}

// Each conversion of the case page shows in the sample at once.
TEST_F(WindowTest, ConversionsShowInThePreview) {
  ClickOrderItem(kCase);
  C().RadioGroupNameCase->SetItemIndex(2);
  C().EditSample->setText(QStringLiteral("ＩＭＧ_ﾃｽﾄ_しゃしん.ＪＰＧ"));
  // Letter case is only ASCII's.
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("ＩＭＧ_ﾃｽﾄ_しゃしん.ＪＰＧ"));
  C().RadioGroupExtCase->SetItemIndex(2);
  C().ComboBoxWidthAlnum->setCurrentIndex(1);
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("IMG_ﾃｽﾄ_しゃしん.JPG"));
  C().ComboBoxWidthKana->setCurrentIndex(1);
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("IMG_テスト_しゃしん.JPG"));
  C().ComboBoxKanaKind->setCurrentIndex(2);
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("IMG_てすと_しゃしん.JPG"));
  C().EditSample->setText(QString::fromUtf16(u"\u304B\u3099.txt"));  // か and a combining mark
  EXPECT_EQ(C().StaticTextSample->text(), QString::fromUtf16(u"\u304B\u3099.txt"));
  C().CheckBoxComposeMarks->setChecked(true);
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("が.txt"));
}

// A malformed pattern goes to the application's error handler: one box per
// change that leaves it malformed, whatever that change refreshed; the
// preview keeps its last good text and the rest of the refresh still runs.
TEST_F(WindowTest, MalformedPatternShowsOneErrorBoxPerChangeAndKeepsThePreview) {
  // With the replace step off, the pattern is not used and nothing is said.
  QTest::keyClicks(C().ComboBoxFromName->lineEdit(), QStringLiteral("("));
  EXPECT_TRUE(errors_.isEmpty());
  C().ComboBoxFromName->setEditText(QString());
  ClickOrderItem(kReplace);
  C().EditSample->setText(QStringLiteral("abc.txt"));
  QTest::keyClicks(C().ComboBoxToName->lineEdit(), QStringLiteral("X"));
  QTest::keyClicks(C().ComboBoxFromName->lineEdit(), QStringLiteral("b"));
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("aXc.txt"));
  EXPECT_TRUE(errors_.isEmpty());

  QTest::keyClicks(C().ComboBoxFromName->lineEdit(), QStringLiteral("("));
  QString engineMessage;
  try {
    R().BuildName("abc.txt");
  } catch (const ERegExpParser &error) {
    engineMessage = Q(error.Message());
  }
  ASSERT_FALSE(engineMessage.isEmpty());
  EXPECT_EQ(errors_, QStringList{ErrorBoxText(engineMessage)});
  EXPECT_EQ(captions_, QStringList{QStringLiteral("Korvane")});
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("aXc.txt"));
  // The other previews were still brought up to date.
  EXPECT_EQ(C().StaticTextSeqStyle->text(), QStringLiteral("abc0001.txt"));

  QTest::keyClicks(C().ComboBoxFromName->lineEdit(), QStringLiteral("x"));
  EXPECT_EQ(errors_.size(), 2);
  // A copy option changed meanwhile still reaches the copy object.
  C().ComboBoxCopySame->setCurrentIndex(2);
  EXPECT_EQ(errors_.size(), 3);
  EXPECT_EQ(W().CopyCn().Same, 2);
  // A tab change sets three controls, each refreshing: still one box.
  C().TabControlReplace->setCurrentIndex(1);
  EXPECT_EQ(errors_.size(), 4);
  C().TabControlReplace->setCurrentIndex(0);
  EXPECT_EQ(errors_.size(), 5);

  QTest::keyClick(C().ComboBoxFromName->lineEdit(), Qt::Key_Backspace);
  QTest::keyClick(C().ComboBoxFromName->lineEdit(), Qt::Key_Backspace);
  EXPECT_EQ(C().ComboBoxFromName->currentText(), QStringLiteral("b"));
  EXPECT_EQ(errors_.size(), 6);
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("aXc.txt"));
  EXPECT_EQ(Panel0(), QString());
}

TEST_F(WindowTest, EachConditionTabKeepsItsText) {
  C().TabControlReplace->setCurrentIndex(2);
  QTest::keyClicks(C().ComboBoxFromName->lineEdit(), QStringLiteral("abc"));
  QTest::keyClicks(C().ComboBoxToName->lineEdit(), QStringLiteral("def"));
  C().CheckBoxNoCase->setChecked(true);

  C().TabControlReplace->setCurrentIndex(0);
  EXPECT_EQ(C().ComboBoxFromName->currentText(), QString());
  EXPECT_EQ(C().ComboBoxToName->currentText(), QString());
  EXPECT_FALSE(C().CheckBoxNoCase->isChecked());

  C().TabControlReplace->setCurrentIndex(2);
  EXPECT_EQ(C().ComboBoxFromName->currentText(), QStringLiteral("abc"));
  EXPECT_EQ(C().ComboBoxToName->currentText(), QStringLiteral("def"));
  EXPECT_TRUE(C().CheckBoxNoCase->isChecked());
  EXPECT_EQ(R().GetFromName(2), "abc");
  EXPECT_EQ(R().GetToName(2), "def");
  EXPECT_TRUE(R().GetNoCase(2));
  EXPECT_EQ(R().GetFromName(0), "");
}

TEST_F(WindowTest, AnyTextCanBeTypedAndShowsAsItIs) {
  C().EditSample->setText(QStringLiteral("a.txt"));
  // U+00E9 (é) and U+301C have no Shift-JIS form of their own; 表 has one
  // whose second byte is 0x5C.
  TypeText(C().EditSample, QStringLiteral("\u00e9\u301c表"));
  EXPECT_EQ(C().EditSample->text(), QStringLiteral("a.txt\u00e9\u301c表"));
  EXPECT_EQ(C().StaticTextSample->text(), QStringLiteral("a.txt\u00e9\u301c表"));
  EXPECT_TRUE(Panel0().isEmpty());
}

TEST_F(WindowTest, TextIsRefusedWhereItIsTypedOnlyWhenNoCodeIsLeft) {
  C().EditSample->setText(QStringLiteral("a.txt"));
  TScopedExtensionCodes scoped;
  scoped.FillUntil(0);
  TypeText(C().EditSample, QStringLiteral("\U0001F602"));
  EXPECT_EQ(C().EditSample->text(), QStringLiteral("a.txt"));
  EXPECT_FALSE(Panel0().isEmpty());
  TypeText(C().EditSample, QStringLiteral("表"));
  EXPECT_EQ(C().EditSample->text(), QStringLiteral("a.txt表"));
}

// A template that repeats the match in every condition is stopped as soon
// as the name passes the engine's bound: the preview shows that error as it
// shows a malformed pattern's, keeps its last good text, and the keystroke
// costs no more than an ordinary one.
TEST_F(WindowTest, AReplacementTooLongToBuildShowsItsErrorAtOnce) {
  ClickOrderItem(kReplace);
  const QString name = QString(251, QLatin1Char('n')) + QStringLiteral(".txt");
  C().EditSample->setText(name);
  C().ComboBoxFromName->setEditText(QStringLiteral("n"));
  C().ComboBoxToName->setEditText(QStringLiteral("m"));
  const QString good = QString(251, QLatin1Char('m')) + QStringLiteral(".txt");
  EXPECT_EQ(C().StaticTextSample->text(), good);
  ASSERT_TRUE(errors_.isEmpty());

  const QString hundred(100, QLatin1Char('&'));
  double slowest = 0;
  for (int tab = 0; tab < 5; ++tab) {
    C().TabControlReplace->setCurrentIndex(tab);
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    C().ComboBoxToName->setEditText(hundred);
    C().ComboBoxFromName->setEditText(QStringLiteral(".+"));
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    slowest = std::max(slowest, static_cast<double>(end.tv_sec - start.tv_sec) * 1e3 +
                                    static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e6);
  }
  ASSERT_FALSE(errors_.isEmpty());
  EXPECT_EQ(errors_.back(), ErrorBoxText(Q(regex_messages::kOutputTooLong)));
  EXPECT_EQ(C().StaticTextSample->text(), good);
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(slowest, 2 * 50.0); // two edits, each within 50 ms
#endif
}
