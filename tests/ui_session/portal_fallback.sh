#!/usr/bin/env bash
# portal_fallback.sh UI_SESSION_TESTS: the file dialogs with the desktop
# portal's platform theme loaded on a real X server and a session bus where
# no portal answers: the theme must load, and the dialogs must fall back to
# Qt's own (the dialog tests find and answer them).  Skipped (77) where the
# tools are missing.
set -uo pipefail
tests=$1
plugin=$(ls /usr/lib/*/qt6/plugins/platformthemes/libqxdgdesktopportal.so 2>/dev/null | head -1)
if ! command -v xvfb-run >/dev/null || ! command -v dbus-run-session >/dev/null || [ -z "$plugin" ]; then
  echo "xvfb-run, dbus-run-session or the portal theme plugin is missing"
  exit 77
fi
out=$(env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb \
        QT_QPA_PLATFORMTHEME=xdgdesktopportal QT_DEBUG_PLUGINS=1 \
      timeout 120 dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" \
        "$tests" --gtest_filter='DialogsTest.Real*' 2>&1)
status=$?
echo "$out" | grep -E '^\[|FAIL' || true
grep -q 'libqxdgdesktopportal.so" loaded library' <<<"$out" || { echo "the portal theme did not load"; exit 1; }
exit $status
