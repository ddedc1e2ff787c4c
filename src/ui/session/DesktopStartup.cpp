#include "ui/session/DesktopStartup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#ifndef KORVANE_APP_ID
#define KORVANE_APP_ID "org.korvane.Korvane"
#endif

// Outside any namespace, as Qt's resource initialiser must be.
static void InitialiseKorvaneResources() { Q_INIT_RESOURCE(KorvaneResources); }

namespace {

std::string Variable(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

// Platforms that draw without a display server.
bool NeedsNoDisplay(std::string_view platform) {
  for (std::string_view headless : {"offscreen", "minimal", "minimalegl", "vnc", "linuxfb", "eglfs",
                                    "vkkhrdisplay"}) {
    if (platform.substr(0, platform.find(':')) == headless) return true;
  }
  return false;
}

// --- Qt's messages while the application object is made.

struct THeldMessage {
  QtMsgType Type;
  std::string Category;
  QString Text;
};

std::vector<THeldMessage> gHeldMessages;

void PrintHeld() {
  for (const THeldMessage &held : gHeldMessages)
    std::fprintf(stderr, "%s\n", qUtf8Printable(held.Text));
}

void HoldMessage(QtMsgType type, const QMessageLogContext &context, const QString &text) {
  if (type != QtFatalMsg) {
    gHeldMessages.push_back({type, context.category ? context.category : "", text});
    return;
  }
  bool display = text.contains(QStringLiteral("display"), Qt::CaseInsensitive);
  for (const THeldMessage &held : gHeldMessages)
    display = display || held.Text.contains(QStringLiteral("display"), Qt::CaseInsensitive);
  if (display) {
    std::fputs(NoDisplayMessage().c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(kExitNoDisplay);
  }
  // Some other reason the platform failed: Qt's own words, and its abort.
  PrintHeld();
  std::fprintf(stderr, "%s\n", qUtf8Printable(text));
  std::abort();
}

}  // namespace

TDesktopEnvironment TDesktopEnvironment::FromProcess(int argc, char **argv) {
  TDesktopEnvironment environment;
  environment.QtPlatform = Variable("QT_QPA_PLATFORM");
  environment.QtPlatformTheme = Variable("QT_QPA_PLATFORMTHEME");
  environment.Display = Variable("DISPLAY");
  environment.WaylandDisplay = Variable("WAYLAND_DISPLAY");
  environment.SessionBus = Variable("DBUS_SESSION_BUS_ADDRESS");
  environment.LcAll = Variable("LC_ALL");
  environment.LcMessages = Variable("LC_MESSAGES");
  environment.Lang = Variable("LANG");
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
      environment.PlatformArgument = true;
  }
  return environment;
}

bool DisplayNamed(const TDesktopEnvironment &environment) {
  // A platform given on the command line is Qt's to judge.
  if (environment.PlatformArgument) return true;
  if (NeedsNoDisplay(environment.QtPlatform)) return true;
  return !environment.Display.empty() || !environment.WaylandDisplay.empty();
}

std::string NoDisplayMessage() {
  return "korvane: ディスプレイが見つかりません。同じジョブは korvane-batch で実行できます"
         " (korvane-batch --help)。\n"
         "korvane: no display found; korvane-batch runs the same jobs"
         " (see korvane-batch --help).\n";
}

std::optional<std::string> PortalPlatformTheme(const TDesktopEnvironment &environment) {
  if (!environment.QtPlatformTheme.empty() || environment.SessionBus.empty()) return std::nullopt;
  if (NeedsNoDisplay(environment.QtPlatform)) return std::nullopt;
  return std::string("xdgdesktopportal");
}

TNoDisplayGuard::TNoDisplayGuard() {
  gHeldMessages.clear();
  qInstallMessageHandler(HoldMessage);
}

TNoDisplayGuard::~TNoDisplayGuard() { Release(); }

void TNoDisplayGuard::Release() {
  if (!Active_) return;
  Active_ = false;
  qInstallMessageHandler(nullptr);
  std::vector<THeldMessage> held;
  held.swap(gHeldMessages);
  for (const THeldMessage &message : held) {
    QMessageLogger logger(nullptr, 0, nullptr, message.Category.c_str());
    switch (message.Type) {
    case QtDebugMsg: logger.debug("%s", qUtf8Printable(message.Text)); break;
    case QtInfoMsg: logger.info("%s", qUtf8Printable(message.Text)); break;
    case QtWarningMsg: logger.warning("%s", qUtf8Printable(message.Text)); break;
    case QtCriticalMsg:
    case QtFatalMsg: logger.critical("%s", qUtf8Printable(message.Text)); break;
    }
  }
}

bool WantsJapaneseQtTexts(const TDesktopEnvironment &environment) {
  // The first of these that is set decides, as it does for every program.
  const std::string &locale = !environment.LcAll.empty()        ? environment.LcAll
                              : !environment.LcMessages.empty() ? environment.LcMessages
                                                                : environment.Lang;
  if (locale.empty() || locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0) return true;
  return locale.rfind("ja", 0) == 0;
}

TQtTranslation::TQtTranslation() : Translator_(std::make_unique<QTranslator>()) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  Loaded_ = Translator_->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                              QStringLiteral("_"), folder);
  if (!Loaded_) {
    qWarning("korvane: Qt's Japanese texts (qtbase_ja.qm) are not in %s; the standard dialogs "
             "stay in English (Debian package qt6-translations-l10n)",
             qUtf8Printable(folder));
    return;
  }
  QCoreApplication::installTranslator(Translator_.get());
}

TQtTranslation::~TQtTranslation() {
  if (Loaded_) QCoreApplication::removeTranslator(Translator_.get());
}

QString DesktopAppId() { return QStringLiteral(KORVANE_APP_ID); }

QIcon KorvaneIcon() {
  InitialiseKorvaneResources();
  return QIcon::fromTheme(DesktopAppId(),
                          QIcon(QStringLiteral(":/korvane/" KORVANE_APP_ID "-256.png")));
}
