#pragma once
// The application object.  Every error that reaches the event loop ends up
// here: the hourglass is taken away (an error during a run would otherwise
// leave it up), the message is shown in a box captioned with the
// application title, and the program goes on.  Whatever the error
// interrupted is not resumed.

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <string>

// The application title: the caption of every error box.
QString ApplicationTitle();

// The text an error box shows for a message: the message with "." appended
// when it does not end in one.  An empty message gets a general text, since
// a box with nothing to say helps no one.
QString ErrorBoxText(const QString &message);

// The message of an exception: EKorvaneError messages are CP932, other
// standard exceptions carry the library's (UTF-8) text, anything else gets a
// general text.
QString ExceptionMessage(const std::exception_ptr &error);

class TKorvaneApplication : public QApplication {
public:
  // Shows one error: caption and text.  The default is a modal message box
  // with an error icon and one OK button; tests put a recorder in its place.
  using TErrorBox = std::function<void(const QString &caption, const QString &text)>;

  TKorvaneApplication(int &argc, char **argv);

  bool notify(QObject *receiver, QEvent *event) override;

  void SetErrorBox(TErrorBox errorBox);

  // What the handler does for one error; also for the window's own use when
  // it catches an error it wants shown the same way.
  void ShowError(const std::exception_ptr &error);
  // The same for a message already in hand (CP932 or as a window text).
  void ShowErrorText(const QString &message);

private:
  TErrorBox errorBox_;
};

// Runs `action` and shows any error it raises as the error handler would;
// false when an error was shown.  The window's slots of mouse and key
// events should run their work through it: an exception that unwinds
// through Qt's own input handling is still caught by notify(), but Qt's
// frames in between are left without their cleanup (the event's data
// leaks, a mouse grab may stay).
bool RunGuarded(const std::function<void()> &action);

// Shows a CP932 error message as the application's error handler would:
// through TKorvaneApplication when that is the application, else in a plain
// message box.
void ShowErrorMessage(const std::string &cp932Message);
// The same for a message that is already a window text.
void ShowErrorMessage(const QString &message);
