#include "ui/session/TKorvaneApplication.h"

#include <QMessageBox>

#include "platform/Errors.h"
#include "ui/session/SessionText.h"

namespace {

QString GeneralErrorText() { return QString::fromUtf16(u"予期しないエラーが発生しました"); }

void ShowMessageBox(const QString &caption, const QString &text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

void RestoreAllOverrideCursors() {
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
}

}  // namespace

QString ApplicationTitle() { return QStringLiteral(u"Korvane"); }

QString ErrorBoxText(const QString &message) {
  if (message.isEmpty()) return GeneralErrorText() + u'.';
  if (message.endsWith(u'.')) return message;
  return message + u'.';
}

QString ExceptionMessage(const std::exception_ptr &error) {
  try {
    std::rethrow_exception(error);
  } catch (const EKorvaneError &korvaneError) {
    return QFromCp932(korvaneError.what());
  } catch (const std::exception &standardError) {
    return QString::fromUtf8(standardError.what());
  } catch (...) {
    return GeneralErrorText();
  }
}

TKorvaneApplication::TKorvaneApplication(int &argc, char **argv)
    : QApplication(argc, argv), errorBox_(ShowMessageBox) {
  setApplicationName(ApplicationTitle());
}

bool TKorvaneApplication::notify(QObject *receiver, QEvent *event) {
  std::exception_ptr error;
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    error = std::current_exception();
  }
  // The box runs its own event loop; it is shown after the handler has been
  // left, so nothing of the failed event is still being unwound meanwhile.
  ShowError(error);
  return false;
}

void TKorvaneApplication::SetErrorBox(TErrorBox errorBox) {
  errorBox_ = errorBox ? std::move(errorBox) : TErrorBox(ShowMessageBox);
}

void TKorvaneApplication::ShowError(const std::exception_ptr &error) {
  ShowErrorText(ExceptionMessage(error));
}

void TKorvaneApplication::ShowErrorText(const QString &message) {
  RestoreAllOverrideCursors();
  const QString text = ErrorBoxText(message);
  try {
    errorBox_(ApplicationTitle(), text);
  } catch (...) {
    // Showing the error failed too (no memory for the box, say): the
    // message must still go somewhere, and throwing on would end the program.
    qCritical("%s: %s", qUtf8Printable(ApplicationTitle()), qUtf8Printable(text));
  }
}

namespace {

void ShowApplicationError(const QString &message) {
  if (auto *application = dynamic_cast<TKorvaneApplication *>(QCoreApplication::instance())) {
    application->ShowErrorText(message);
  } else {
    RestoreAllOverrideCursors();
    ShowMessageBox(ApplicationTitle(), ErrorBoxText(message));
  }
}

}  // namespace

void ShowErrorMessage(const std::string &cp932Message) {
  ShowApplicationError(QFromCp932(cp932Message));
}

void ShowErrorMessage(const QString &message) { ShowApplicationError(message); }

bool RunGuarded(const std::function<void()> &action) {
  std::exception_ptr error;
  try {
    action();
    return true;
  } catch (...) {
    error = std::current_exception();
  }
  ShowApplicationError(ExceptionMessage(error));
  return false;
}
