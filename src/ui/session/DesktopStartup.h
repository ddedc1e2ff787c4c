#pragma once
// What the window's program settles with the desktop before and right after
// the application object exists: whether a display can be reached at all,
// the desktop portal's file dialogs, Qt's own Japanese texts, and the
// program's icon and desktop name.

#include <QIcon>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <string>

class QCoreApplication;
class QTranslator;

// The environment variables these decisions read, so tests can give their own.
struct TDesktopEnvironment {
  std::string QtPlatform;       // QT_QPA_PLATFORM
  std::string QtPlatformTheme;  // QT_QPA_PLATFORMTHEME
  std::string Display;          // DISPLAY
  std::string WaylandDisplay;   // WAYLAND_DISPLAY
  std::string SessionBus;       // DBUS_SESSION_BUS_ADDRESS
  std::string LcAll, LcMessages, Lang;
  bool PlatformArgument = false;  // -platform on the command line

  static TDesktopEnvironment FromProcess(int argc, char **argv);
};

// False when the window has nowhere to go: no platform is named that needs
// no display, and neither an X11 nor a Wayland display is set.
bool DisplayNamed(const TDesktopEnvironment &environment);

// The two lines, Japanese then English, that say no display was found and
// that korvane-batch runs the same jobs (UTF-8, each ending in a line end).
std::string NoDisplayMessage();

// The exit status of a start without a display (a usage error).
inline constexpr int kExitNoDisplay = 2;

// The platform theme to ask Qt for: the desktop portal's, whose file and
// folder dialogs are the desktop's own, when no theme is named and a
// session bus (where the portal lives) is there.  Qt falls back by itself:
// without a portal to the dialogs of the desktop's theme, without those to
// its own.  nullopt: leave the choice to Qt.
std::optional<std::string> PortalPlatformTheme(const TDesktopEnvironment &environment);

// Catches Qt's fatal "no platform plugin could be initialised" while the
// application object is made (a display that is named but cannot be
// reached: ssh without X forwarding, a stale DISPLAY): prints
// NoDisplayMessage() and ends the process with kExitNoDisplay, instead of
// the plugin message and an abort.  Qt's messages meanwhile are held back
// and passed on when the construction succeeded (Release or destruction).
class TNoDisplayGuard {
public:
  TNoDisplayGuard();
  ~TNoDisplayGuard();
  TNoDisplayGuard(const TNoDisplayGuard &) = delete;
  TNoDisplayGuard &operator=(const TNoDisplayGuard &) = delete;
  void Release();

private:
  bool Active_ = true;
};

// True when the user's messages locale is Japanese, or no locale is set
// (unset, "C" or "POSIX"): the window speaks Japanese, so should Qt's
// standard dialogs and context menus.
bool WantsJapaneseQtTexts(const TDesktopEnvironment &environment);

// Qt's own Japanese translation (qtbase_ja) installed into the application
// for as long as the object lives.  Loaded() is false when the translation
// is not there (qt6-translations-l10n not installed); the reason is logged.
class TQtTranslation {
public:
  TQtTranslation();
  ~TQtTranslation();
  TQtTranslation(const TQtTranslation &) = delete;
  TQtTranslation &operator=(const TQtTranslation &) = delete;
  bool Loaded() const { return Loaded_; }

private:
  std::unique_ptr<QTranslator> Translator_;
  bool Loaded_ = false;
};

// The desktop's name for the program (its .desktop file and icon).
QString DesktopAppId();
// The program's icon: the installed theme icon, else the one built in.
QIcon KorvaneIcon();
