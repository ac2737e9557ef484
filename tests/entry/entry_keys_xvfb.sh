#!/usr/bin/env bash
# The keys and the mouse of a clerk who types all day, in a real X window (Xvfb)
# driven by xdotool: Alt+letters type nothing, Ctrl+C copies from a letters field and
# Ctrl+V / Shift+Insert paste through the format, a drag of letters onto a digits
# field leaves its source alone, and the record table's Down key goes past the rows
# in view. Another program (qfd get) then reads what was saved, numbered.
#   entry_keys_xvfb.sh QFENTRY QFD EXAMPLE.Qfd
source "$(dirname "$0")/xvfb_setup.sh"
# More records than the table shows at once.
for i in $(seq 30); do "$qfd" add "$work/Contacts" FirstName=Zed LastName=Row >/dev/null; done
count=$(records "$work/Contacts")

cat > "$work/drive.sh" <<DRIVE
open_window --name 'Contacts.Qfd' "$qfentry" "$work/Contacts.Qfd"
press F8
# First name: "nina", then Alt+A, Alt+X and Alt+Z at its start type nothing.
xdotool type --delay 30 'nina'
xdotool key Home alt+a alt+x alt+z
# Ctrl+C copies it from the letters field; Ctrl+V pastes it into Company ("*").
xdotool key shift+End ctrl+c Tab
xdotool type --delay 30 'ross'
xdotool key Tab ctrl+v
xdotool type --delay 30 ' 12-34x'
# Shift+Insert of Company's text into Phone (digits, blank, minus first): "1234".
xdotool key shift+Home ctrl+c Tab shift+Insert
sleep 0.2
# Drag the first name onto Phone: refused there, so it stays where it was. The form
# lies below the menu bar; the boxes are 21 pixels high at 110 (First name) and 200
# (Phone), 130 pixels from the left.
eval \$(xdotool getwindowgeometry --shell "\$win")
xdotool mousemove \$((X + 140)) \$((Y + 110 + 34))
xdotool click --repeat 2 --delay 80 1
sleep 0.8  # longer than a double click lasts: the press below starts a drag
xdotool mousedown 1
for step in 1 2 3 4 5 6; do xdotool mousemove \$((X + 140 + 3 * step)) \$((Y + 110 + 34 + 15 * step)); sleep 0.1; done
sleep 0.3
xdotool mouseup 1
sleep 0.3
focus "\$win"
xdotool key F6
sleep 0.5
# The table from the first record: Down 25 times, past the rows in view, and Enter.
xdotool key ctrl+f ctrl+r
sleep 0.8
# A record the update refused (its first name dragged away) leaves a message open
# instead of the table.
table=\$(wait_window '^Select\$') || { echo "no record table: the new record was not saved"; kill \$app; exit 1; }
focus "\$table" 0
for i in \$(seq 25); do xdotool key Down; done
xdotool key Return
sleep 0.5
focus "\$win" 0
# That record gets an "x" after its first name.
press F2
xdotool key ctrl+End
xdotool type --delay 30 'x'
xdotool key F6
sleep 0.5
quit \$app QfEntry
DRIVE
run_x 90

record=$("$qfd" get "$work/Contacts" $((count + 1)) --json)
picked=$("$qfd" get "$work/Contacts" 26 --json)
echo "$record"
echo "$picked"
grep -q '"FirstName": "Nina"' <<<"$record" || fail "Alt typed into the first name, or the drag took it away"
grep -q '"LastName": "Ross"' <<<"$record" || fail "LastName not saved as typed"
grep -q "\"ContactNo\": \"$((count + 1))\"" <<<"$record" || fail "the new record was not numbered"
grep -q '"Company": "Nina 12-34x"' <<<"$record" || fail "Ctrl+C / Ctrl+V did not copy the first name"
grep -q '"Phone": "1234"' <<<"$record" || fail "Shift+Insert did not paste through the format"
grep -q '"FirstName": "Zedx"' <<<"$picked" || fail "Down did not reach row 26 of the table"
echo "ok: keys, paste, drag and the table under X"
