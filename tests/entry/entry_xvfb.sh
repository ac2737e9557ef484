#!/usr/bin/env bash
# End to end, as a user: QfEntry in a real X window (Xvfb), driven by xdotool.
# New record (F8), type two names, Update (F6), Exit (Ctrl+X); then another program
# (qfd get) finds the new record in the file.
#   entry_xvfb.sh QFENTRY QFD EXAMPLE.Qfd
source "$(dirname "$0")/xvfb_setup.sh"
before=$(records "$work/Contacts")

cat > "$work/drive.sh" <<DRIVE
set -eu
"$qfentry" "$work/Contacts.Qfd" &
app=\$!
win=\$(xdotool search --sync --onlyvisible --name 'Contacts.Qfd' | head -n 1)
xdotool windowfocus --sync "\$win"
sleep 0.5
xdotool key F8
sleep 0.3
xdotool type --delay 30 'zoe'
xdotool key Tab
xdotool type --delay 30 'young'
sleep 0.2
xdotool key F6
sleep 0.5
xdotool key ctrl+x
for i in \$(seq 50); do kill -0 \$app 2>/dev/null || break; sleep 0.1; done
if kill -0 \$app 2>/dev/null; then kill \$app; echo "QfEntry did not end on Ctrl+X"; exit 1; fi
wait \$app
DRIVE
timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/drive.sh"

after=$(records "$work/Contacts")
record=$("$qfd" get "$work/Contacts" "$after" --json)
echo "$record"
[ "$after" -eq $((before + 1)) ] || { echo "expected $((before + 1)) records, found $after"; exit 1; }
grep -q '"FirstName": "Zoe"' <<<"$record" || { echo "FirstName not saved as typed"; exit 1; }
grep -q '"LastName": "Young"' <<<"$record" || { echo "LastName not saved as typed"; exit 1; }
grep -q "\"ContactNo\": \"$after\"" <<<"$record" || { echo "not numbered"; exit 1; }
echo "ok: record $after saved through the window"
