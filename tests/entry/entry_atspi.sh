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

cat > "$work/drive.sh" <<DRIVE
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$launcher" --launch-immediately &
bus=\$!
sleep 1
open_window --name 'Contacts.Qfd' "$qfentry" "$work/Contacts.Qfd"
status=0
/usr/bin/python3 "$(dirname "$0")/entry_atspi.py" "\$win" || status=\$?
kill \$app \$bus 2>/dev/null || true
wait \$app 2>/dev/null || true
exit \$status
DRIVE
before=$(md5sum < "$work/Contacts.Qfd")
XVFB_WRAP="dbus-run-session --" run_x 90 2> "$work/err" || {
  status=$?
  grep -v "fd limit" "$work/err" >&2 || true
  exit $status
}
# Reading the tree writes nothing.
[ "$(md5sum < "$work/Contacts.Qfd")" = "$before" ] || { echo "the database changed"; exit 1; }
