#!/usr/bin/env bash
# QfEntry read from outside, as a screen reader reads it: a real X window (Xvfb), a
# session bus with the accessibility bus on it, and entry_atspi.py walking the tree
# through AT-SPI while xdotool presses the keys. Skips (77) without the tools.
#   entry_atspi.sh QFENTRY QFD EXAMPLE.Qfd
source "$(dirname "$0")/xvfb_setup.sh"
launcher=""
for l in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  [ -x "$l" ] && { launcher=$l; break; }
done
[ -n "$launcher" ] || { echo "SKIP: at-spi-bus-launcher is not installed (at-spi2-core)"; exit 77; }
command -v dbus-run-session >/dev/null || { echo "SKIP: dbus-run-session is not installed"; exit 77; }
/usr/bin/python3 -c "import pyatspi" 2>/dev/null || { echo "SKIP: pyatspi is not installed (python3-pyatspi)"; exit 77; }

cat > "$work/session.sh" <<SESSION
set -u
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$launcher" --launch-immediately &
bus=\$!
sleep 1
"$qfentry" "$work/Contacts.Qfd" &
app=\$!
win=\$(xdotool search --sync --onlyvisible --name 'Contacts.Qfd' | head -n 1)
status=0
/usr/bin/python3 "$(dirname "$0")/entry_atspi.py" "\$win" || status=\$?
kill \$app \$bus 2>/dev/null
wait \$app 2>/dev/null
exit \$status
SESSION
before=$(md5sum < "$work/Contacts.Qfd")
timeout 90 xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash "$work/session.sh" 2> "$work/err" || {
  status=$?
  grep -v "fd limit" "$work/err" >&2 || true
  exit $status
}
# Reading the tree writes nothing.
[ "$(md5sum < "$work/Contacts.Qfd")" = "$before" ] || { echo "the database changed"; exit 1; }
