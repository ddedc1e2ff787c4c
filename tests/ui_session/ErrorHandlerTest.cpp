// Compiled with UTF-8 literals (it includes Qt): Japanese texts are u""
// literals, and CP932 messages are made by conversion.

#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

#include "QtTestSupport.h"
#include "platform/Errors.h"
#include "ui/session/SessionText.h"

namespace {

// Throws whatever it is told to when it receives a user event.
class TThrower : public QObject {
public:
  explicit TThrower(std::function<void()> raise) : raise_(std::move(raise)) {}
  bool event(QEvent *event) override {
    if (event->type() == QEvent::User) raise_();
    return QObject::event(event);
  }

private:
  std::function<void()> raise_;
};

EKorvaneError Cp932Error(const char16_t *message) {
  return EKorvaneError(*Cp932FromQ(QString::fromUtf16(message)));
}

void Deliver(std::function<void()> raise) {
  TThrower thrower(std::move(raise));
  QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
}

TEST(ErrorHandlerTest, ThrowingEventHandlerShowsOneMessageAndRestoresTheCursor) {
  TErrorRecorder errors;
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  Deliver([] { throw Cp932Error(u"ファイル /a/表.txt は開けません"); });
  EXPECT_EQ(errors.Texts, QStringList{QString::fromUtf16(u"ファイル /a/表.txt は開けません.")});
  EXPECT_EQ(errors.Captions, QStringList{QStringLiteral("Korvane")});
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ErrorHandlerTest, MessageOfEveryKindOfError) {
  struct Case {
    std::function<void()> Raise;
    QString Text;
  };
  const Case cases[] = {
      {[] { throw Cp932Error(u"終わり."); }, QString::fromUtf16(u"終わり.")},
      {[] { throw std::runtime_error("disk full"); }, QStringLiteral("disk full.")},
      {[] { throw 42; }, QString::fromUtf16(u"予期しないエラーが発生しました.")},
      {[] { throw EKorvaneError(""); }, QString::fromUtf16(u"予期しないエラーが発生しました.")},
  };
  for (const Case &c : cases) {
    TErrorRecorder errors;
    Deliver(c.Raise);
    EXPECT_EQ(errors.Texts, QStringList{c.Text});
  }
}

TEST(ErrorHandlerTest, ThrowingSlotsAreReportedAndTheLoopGoesOn) {
  TErrorRecorder errors;
  QObject context;
  int calls = 0;
  const auto failingSlot = [&] {
    ++calls;
    throw Cp932Error(u"壊れた");
  };
  QTimer::singleShot(0, &context, failingSlot);
  QTimer::singleShot(5, &context, failingSlot);
  // A loop of its own: once the application's exec() has returned, Qt
  // ends every later modal loop at once.
  QEventLoop loop;
  QTimer::singleShot(30, &loop, [&] { loop.exit(7); });
  EXPECT_EQ(loop.exec(), 7);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(errors.Texts, QStringList(2, QString::fromUtf16(u"壊れた.")));
}

TEST(ErrorHandlerTest, GuardedClickHandlerShowsTheErrorOnce) {
  TErrorRecorder errors;
  QPushButton button;
  bool done = true;
  QObject::connect(&button, &QPushButton::clicked, [&] {
    done = RunGuarded([] { throw Cp932Error(u"ファイル x を作成できません"); });
  });
  button.show();
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_FALSE(done);
  EXPECT_EQ(errors.Texts, QStringList{QString::fromUtf16(u"ファイル x を作成できません.")});
  EXPECT_TRUE(RunGuarded([] {}));
  EXPECT_EQ(errors.Texts.size(), 1);
}

TEST(ErrorHandlerTest, DefaultBoxIsACriticalBoxWithOneOkButton) {
  Application().SetErrorBox(nullptr);
  bool seen = false;
  WhenModal<QMessageBox>([&](QMessageBox *box) {
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Korvane"));
    EXPECT_EQ(box->text(), QStringLiteral("boom."));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    box->accept();
  });
  Deliver([] { throw std::runtime_error("boom"); });
  EXPECT_TRUE(seen);
}

}  // namespace
