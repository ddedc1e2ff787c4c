// Start-up decisions of the window's program: display, portal dialogs, Qt's
// Japanese texts and the icon.

#include <QCoreApplication>
#include <QIcon>

#include <algorithm>

#include <gtest/gtest.h>

#include "ui/session/DesktopStartup.h"

namespace {

TDesktopEnvironment Desktop() {
  TDesktopEnvironment environment;
  environment.Display = ":0";
  environment.SessionBus = "unix:path=/run/user/1000/bus";
  return environment;
}

TEST(DesktopStartupTest, ADisplayIsNeededUnlessThePlatformDrawsWithoutOne) {
  const struct {
    const char *Platform, *Display, *Wayland;
    bool Argument, Named;
  } cases[] = {
      {"", ":0", "", false, true},
      {"", "", "wayland-0", false, true},
      {"", "", "", false, false},             // ssh, a server
      {"xcb", "", "", false, false},
      {"wayland", "", "", false, false},
      {"offscreen", "", "", false, true},
      {"vnc:size=800x600", "", "", false, true},
      {"", "", "", true, true},               // -platform: Qt's to judge
  };
  for (const auto &c : cases) {
    TDesktopEnvironment environment;
    environment.QtPlatform = c.Platform;
    environment.Display = c.Display;
    environment.WaylandDisplay = c.Wayland;
    environment.PlatformArgument = c.Argument;
    EXPECT_EQ(DisplayNamed(environment), c.Named) << c.Platform << "|" << c.Display << "|" << c.Wayland;
  }
  const std::string message = NoDisplayMessage();
  EXPECT_NE(message.find("ディスプレイが見つかりません"), std::string::npos);
  EXPECT_NE(message.find("no display found; korvane-batch runs the same jobs"), std::string::npos);
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 2);
}

TEST(DesktopStartupTest, ThePortalIsAskedForTheDialogsOnADesktop) {
  EXPECT_EQ(PortalPlatformTheme(Desktop()), "xdgdesktopportal");
  TDesktopEnvironment chosen = Desktop();
  chosen.QtPlatformTheme = "kde";
  EXPECT_EQ(PortalPlatformTheme(chosen), std::nullopt) << "the user's own choice stays";
  TDesktopEnvironment noBus = Desktop();
  noBus.SessionBus.clear();
  EXPECT_EQ(PortalPlatformTheme(noBus), std::nullopt);
  TDesktopEnvironment offscreen = Desktop();
  offscreen.QtPlatform = "offscreen";
  EXPECT_EQ(PortalPlatformTheme(offscreen), std::nullopt);
}

TEST(DesktopStartupTest, QtSpeaksJapaneseWhenTheLocaleIsJapaneseOrUnset) {
  const struct {
    const char *All, *Messages, *Lang;
    bool Japanese;
  } cases[] = {
      {"", "", "", true},
      {"", "", "C", true},
      {"", "", "C.UTF-8", true},
      {"POSIX", "", "de_DE.UTF-8", true},
      {"", "", "ja_JP.UTF-8", true},
      {"", "", "ja_JP.eucJP", true},
      {"", "", "en_US.UTF-8", false},
      {"", "ja_JP.UTF-8", "en_US.UTF-8", true},
      {"en_GB.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", false},
  };
  for (const auto &c : cases) {
    TDesktopEnvironment environment;
    environment.LcAll = c.All;
    environment.LcMessages = c.Messages;
    environment.Lang = c.Lang;
    EXPECT_EQ(WantsJapaneseQtTexts(environment), c.Japanese) << c.All << "|" << c.Messages << "|" << c.Lang;
  }
}

TEST(DesktopStartupTest, QtsOwnJapaneseTextsForTheStandardDialogs) {
  const QString english = QCoreApplication::translate("QFileDialog", "Look in:");
  {
    TQtTranslation translation;
    ASSERT_TRUE(translation.Loaded()) << "qt6-translations-l10n is installed by tools/setup.sh";
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), english);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf16(u"キャンセル"));
  }
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), english);
}

TEST(DesktopStartupTest, TheIconIsThereWithoutAnInstall) {
  const QIcon icon = KorvaneIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_FALSE(icon.pixmap(48, 48).isNull());
  EXPECT_EQ(DesktopAppId(), QStringLiteral("org.korvane.Korvane"));
}

}  // namespace
