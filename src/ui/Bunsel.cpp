// Program entry of the window: the application titled "Korvane" (the caption
// of every error box), its one main window started with the program's
// arguments, and the event loop until that window closes.  No display name
// is set: X11 would append it to the window's caption.

#include <QStringList>

#include "ui/UnitMain.h"
#include "ui/session/SessionText.h"
#include "ui/session/TKorvaneApplication.h"

int main(int argc, char *argv[]) {
  TKorvaneApplication application(argc, argv);
  // From argv (which Qt has cleared of its own options) rather than
  // arguments(), which decodes the bytes as UTF-8 and loses those of a name
  // that are not.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QFromSystemText(argv[i]);
  TBunselMain window(TStartOptions{.SettingsFile = std::nullopt, .Arguments = arguments});
  window.show();
  return TKorvaneApplication::exec();
}
