// Program entry of the window: the application titled "Korvane" (the caption
// of every error box), its one main window started with the program's
// arguments, and the event loop until that window closes.  No display name
// is set: X11 would append it to the window's caption.
//
// Before the application exists: a start where no display can be reached
// says so and exits with 2 (Qt would abort with its plugin message), and the
// desktop portal is asked for the file dialogs.  Right after: Qt's own
// Japanese texts for the standard dialogs, and the program's icon.

#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ui/TCloseOnSignals.h"
#include "ui/UnitMain.h"
#include "ui/session/DesktopStartup.h"
#include "ui/session/SessionText.h"
#include "ui/session/TKorvaneApplication.h"

int main(int argc, char *argv[]) {
  const TDesktopEnvironment environment = TDesktopEnvironment::FromProcess(argc, argv);
  if (!DisplayNamed(environment)) {
    std::fputs(NoDisplayMessage().c_str(), stderr);
    return kExitNoDisplay;
  }
  if (const std::optional<std::string> theme = PortalPlatformTheme(environment))
    setenv("QT_QPA_PLATFORMTHEME", theme->c_str(), 0);

  TNoDisplayGuard guard;
  TKorvaneApplication application(argc, argv);
  guard.Release();
  TKorvaneApplication::setWindowIcon(KorvaneIcon());
  TKorvaneApplication::setDesktopFileName(DesktopAppId());
  std::unique_ptr<TQtTranslation> qtTexts;
  if (WantsJapaneseQtTexts(environment)) qtTexts = std::make_unique<TQtTranslation>();

  // From argv (which Qt has cleared of its own options) rather than
  // arguments(), which decodes the bytes as UTF-8 and loses those of a name
  // that are not.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QFromSystemText(argv[i]);
  TBunselMain window(TStartOptions{.SettingsFile = std::nullopt, .Arguments = arguments, .JobsFolder = std::nullopt});
  const TCloseOnSignals closeOnSignals(window);
  window.show();
  return TKorvaneApplication::exec();
}
