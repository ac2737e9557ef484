#!/usr/bin/env bash
# End to end, as a user: QfLayout in a real X window (Xvfb), driven by xdotool.
# Add Field (Ctrl+F, Enter takes the proposal), drag the field with the mouse, Save As
# (a click on the empty page, Ctrl+A, a name, Enter), Exit (Ctrl+X); then another program (qfd dump --json)
# finds the field where it was dropped.
#   designer_xvfb.sh QFLAYOUT QFD
source "$(dirname "$0")/../support/xvfb.sh"
qflayout=$1 qfd=$2

cat > "$work/drive.sh" <<DRIVE
cd "$work"
open_window --class QfLayout "$qflayout"
xdotool key ctrl+f
sleep 0.5
xdotool key Return
sleep 0.5
# Without a window manager the closed dialog leaves no window focused.
xdotool windowfocus --sync "\$win"
# The field lies at the canvas' left edge, just below the toolbar (25 pixels) and
# the menu bar. Press inside it, move right and down, release.
eval \$(xdotool getwindowgeometry --shell "\$win")
xdotool mousemove \$((X + 6)) \$((Y + 50))
sleep 0.2
xdotool mousedown 1
for step in 1 2 3 4; do
  xdotool mousemove \$((X + 6 + 25 * step)) \$((Y + 50 + 20 * step))
  sleep 0.1
done
xdotool mouseup 1
sleep 0.3
xdotool windowfocus --sync "\$win"
# Inside the field Ctrl+A would select its text: a click on the empty page first.
xdotool mousemove \$((X + 500)) \$((Y + 400)) click 1
sleep 0.3
xdotool key ctrl+a
sleep 0.5
picker=\$(xdotool search --sync --onlyvisible --name 'Save As' | head -n 1)
xdotool windowfocus --sync "\$picker"
# The file picker opens with the focus in its name box.
xdotool type --delay 30 'Dropped'
xdotool key Return
sleep 1
xdotool windowfocus --sync "\$win"
quit \$app QfLayout
DRIVE
run_x 60

json=$("$qfd" dump --json "$work/Dropped")
echo "$json"
grep -q '"Name": *"FIELD1"' <<<"$json" || fail "the proposed field was not saved"
grep -q '"X": *100' <<<"$json" || fail "the field is not 100 pixels to the right"
grep -q '"Y": *105' <<<"$json" || fail "the field is not 80 pixels lower"
echo "ok: the field was dragged and saved through the window"
