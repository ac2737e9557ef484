#!/usr/bin/env bash
# End to end, as a user: QfEntry in a real X window (Xvfb), driven by xdotool.
# New record (F8), type two names, Update (F6), Exit (Ctrl+X); then another program
# (qfd get) finds the new record in the file.
#   entry_xvfb.sh QFENTRY QFD EXAMPLE.Qfd
source "$(dirname "$0")/xvfb_setup.sh"
before=$(records "$work/Contacts")

cat > "$work/drive.sh" <<DRIVE
open_window --name 'Contacts.Qfd' "$qfentry" "$work/Contacts.Qfd"
xdotool key F8
sleep 0.3
xdotool type --delay 30 'zoe'
xdotool key Tab
xdotool type --delay 30 'young'
sleep 0.2
xdotool key F6
sleep 0.5
quit \$app QfEntry
DRIVE
run_x 60

after=$(records "$work/Contacts")
record=$("$qfd" get "$work/Contacts" "$after" --json)
echo "$record"
[ "$after" -eq $((before + 1)) ] || fail "expected $((before + 1)) records, found $after"
grep -q '"FirstName": "Zoe"' <<<"$record" || fail "FirstName not saved as typed"
grep -q '"LastName": "Young"' <<<"$record" || fail "LastName not saved as typed"
grep -q "\"ContactNo\": \"$after\"" <<<"$record" || fail "not numbered"
echo "ok: record $after saved through the window"
