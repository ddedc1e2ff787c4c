// SIGTERM, SIGINT and SIGHUP close the window as its close button does: the
// settings are written, and a run under way stops first.

#include <QDeadlineTimer>
#include <QDialog>
#include <QTimer>

#include <csignal>

#include "SessionFixture.h"
#include "ui/TCloseOnSignals.h"

namespace {

class SignalCloseTest : public SessionTest {
protected:
  void SetUp() override {
    SessionTest::SetUp();
    W().show();
    W().SetCarryOver(true);
    C().ComboBoxFolder->setEditText(Scratch(QStringLiteral("targets")));
    C().ComboBoxFilter->setEditText(QStringLiteral("*.txt"));
  }
  // Pumps until the window is closed, for at most two seconds.
  bool ClosedSoon() {
    const QDeadlineTimer deadline(2000);
    while (W().isVisible() && !deadline.hasExpired()) QCoreApplication::processEvents();
    return !W().isVisible();
  }
};

TEST_F(SignalCloseTest, EachSignalClosesTheWindowAndWritesTheSettings) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    QFile::remove(QString::fromStdString(SettingsFile()));
    const TCloseOnSignals closer(W());
    ASSERT_EQ(std::raise(signal), 0);
    EXPECT_TRUE(ClosedSoon());
    EXPECT_EQ(Stored("Settings", "Success"), "1");
    EXPECT_EQ(Stored("FindFile", "Folder"), Cp(Scratch(QStringLiteral("targets"))));
    W().show();
  }
}

TEST_F(SignalCloseTest, SignalDuringARunStopsItAndThenCloses) {
  for (const char *name : {"a.txt", "b.txt", "c.txt"}) {
    WriteText(Scratch(QStringLiteral("targets/") + QLatin1String(name)), {"x"});
  }
  C().CheckBoxRecycled->setChecked(false);
  const TCloseOnSignals closer(W());
  QTimer::singleShot(0, &W(), [] { std::raise(SIGTERM); });
  C().SpeedButtonDelete->click();
  EXPECT_TRUE(ClosedSoon());
  EXPECT_EQ(LogLines().back(), QStringLiteral("中断"));
  EXPECT_EQ(Stored("Settings", "Success"), "1");
}

// A dialog open when the signal comes is closed first, so the window's own
// close is not left waiting behind it.
TEST_F(SignalCloseTest, OpenDialogIsClosedBeforeTheWindow) {
  const TCloseOnSignals closer(W());
  bool dialogClosed = false;
  W().Dialogs().OpenFile = [&](QWidget *parent, const QString &) {
    QDialog dialog(parent);
    QTimer::singleShot(0, &dialog, [] { std::raise(SIGTERM); });
    dialog.exec();
    dialogClosed = true;
    return QString();
  };
  C().SpeedButtonLogOpen->click();
  EXPECT_TRUE(dialogClosed);
  EXPECT_TRUE(ClosedSoon());
  EXPECT_EQ(Stored("Settings", "Success"), "1");
}

}  // namespace
