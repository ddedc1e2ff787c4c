#pragma once
// Helpers for the tests of the window's session: settings files written as
// text, dialogs answered with a chosen path, drops sent as the shell sends
// them.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "WindowFixture.h"
#include "core/IniFile.h"
#include "ui/session/SessionDialogs.h"

class SessionTest : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(files_.isValid());
  }

  // A path inside the test's scratch folder (ASCII, so CP932 as it is).
  QString Scratch(const QString &relative) const { return files_.filePath(relative); }
  static std::string Cp(const QString &path) { return path.toStdString(); }

  // Writes an INI text (CR LF line ends) to `path`.
  static void WriteText(const QString &path, const QStringList &lines) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
  }
  std::string Stored(const char *section, const char *key) const {
    return TIniFile(SettingsFile()).ReadString(section, key, "<missing>");
  }

  // Restarts the window as the program does: closes the one there is (so
  // its settings are written) and starts a new one on the same file.
  void Restart(const QStringList &arguments = {}) {
    if (window_) window_->close();
    window_ = NewWindow(arguments);
  }
  // Starts a window without closing the one there was (nothing is written).
  void StartFresh(const QStringList &arguments = {}) {
    window_.reset();
    window_ = NewWindow(arguments);
  }

  // The open or save dialog answers with `path`; counts its calls.
  void AnswerFileDialogs(const QString &path) {
    auto answer = [this, path](QWidget *, const QString &) {
      ++dialogCalls_;
      return path;
    };
    W().Dialogs().OpenFile = answer;
    W().Dialogs().SaveFile = answer;
  }

  QTemporaryDir files_;
  int dialogCalls_ = 0;
};
