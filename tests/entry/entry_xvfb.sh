#!/usr/bin/env bash
# End to end, as a user: QfEntry in a real X window (Xvfb), driven by xdotool.
# New record (F8), type two names, Update (F6), Exit (Ctrl+X); then another program
# (qfd get) finds the new record in the file.
#   entry_xvfb.sh QFENTRY QFD EXAMPLE.Qfd
set -euo pipefail
unset QT_QPA_PLATFORM  # a real X window this time
qfentry=$1 qfd=$2 example=$3
for tool in xvfb-run xdotool; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$example" "$work/Contacts.Qfd"
# The form's script opens its city lookup, kept beside it.
cp "$(dirname "$example")/Cities.Qfd" "$work/Cities.Qfd"
before=$("$qfd" info "$work/Contacts" | sed -n 's/^Records: *\([0-9]*\).*/\1/p')

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

after=$("$qfd" info "$work/Contacts" | sed -n 's/^Records: *\([0-9]*\).*/\1/p')
record=$("$qfd" get "$work/Contacts" "$after" --json)
echo "$record"
[ "$after" -eq $((before + 1)) ] || { echo "expected $((before + 1)) records, found $after"; exit 1; }
grep -q '"FirstName": "Zoe"' <<<"$record" || { echo "FirstName not saved as typed"; exit 1; }
grep -q '"LastName": "Young"' <<<"$record" || { echo "LastName not saved as typed"; exit 1; }
grep -q "\"ContactNo\": \"$after\"" <<<"$record" || { echo "not numbered"; exit 1; }
echo "ok: record $after saved through the window"
