#!/usr/bin/env bash
# Two clerks, two QfEntry windows on one database, in a real X server (Xvfb) driven
# by xdotool. Both edit record 1: A's city and B's phone are both kept without a
# question. Then both change the last name: A is asked, answers Yes, and Page Down
# and Ctrl+X work at once afterwards. Another program (qfd get) reads the result.
#   entry_clerks_xvfb.sh QFENTRY QFD EXAMPLE.Qfd
source "$(dirname "$0")/xvfb_setup.sh"

cat > "$work/drive.sh" <<DRIVE
open_window --name 'Contacts.Qfd' "$qfentry" "$work/Contacts.Qfd"
a=\$app winA=\$win
open_window --name 'Contacts.Qfd' "$qfentry" "$work/Contacts.Qfd"
b=\$app winB=\$win
# Side by side, so that a click lands in the window meant.
xdotool windowmove --sync \$winA 0 0
xdotool windowmove --sync \$winB 700 0
sleep 0.5
# Goes to the end of the box `tabs` Tab presses after the first (the last name 1,
# the phone 3, the city 6).
box() { focus "\$1"; xdotool key \$(yes Tab | head -n \$2) ctrl+End; }
edit() { focus "\$1"; press F2; }
save() { press F6; }
# Waits until record \$1 as another program reads it matches \$2; says which step failed.
saved() {
  for i in \$(seq 80); do "$qfd" get "$work/Contacts" \$1 --json | grep -q "\$2" && return 0; sleep 0.1; done
  echo "record \$1 never showed \$2"; exit 1
}

# Both edit record 1; B adds to the phone and saves, A to the city.
edit \$winA; edit \$winB
box \$winB 3; xdotool type --delay 30 '9'; save; saved 1 '"Phone": "0039 06 555 01019"'
box \$winA 6; xdotool type --delay 30 'x'; save; saved 1 '"City": "ROMEX"'
xdotool search --onlyvisible --name '^WRITE RECORD\$' >/dev/null 2>&1 && { echo "A different field asked"; exit 1; }

# Both change the last name: A is asked and answers Yes.
edit \$winA; edit \$winB
box \$winB 1; xdotool type --delay 30 'b'; save; saved 1 '"LastName": "Bakerb"'
box \$winA 1; xdotool type --delay 30 'a'
xdotool key F6
q=\$(wait_window '^WRITE RECORD\$') || { echo "no question for the last name"; exit 1; }
focus "\$q"
xdotool key y
saved 1 '"LastName": "Bakera"'
# Straight on: Page Down to record 2, edit its city, save; then Ctrl+X ends A.
focus \$winA
press Next
press F2
box \$winA 6; xdotool type --delay 30 'q'; save; saved 2 '"City": "[A-Z ]*Q"'
quit \$a "QfEntry, after the question,"
focus \$winB
quit \$b QfEntry
DRIVE
run_x 100 1400x800x24

one=$("$qfd" get "$work/Contacts" 1 --json)
two=$("$qfd" get "$work/Contacts" 2 --json)
echo "$one"
grep -q '"City": "[A-Z ]*Q"' <<<"$two" || fail "Page Down or the edit after the question did not reach record 2"
grep -q '"Phone": "0039 06 555 01019"' <<<"$one" || fail "B's phone was undone"
grep -q '"City": "ROMEX"' <<<"$one" || fail "A's city was not saved"
grep -q '"LastName": "Bakera"' <<<"$one" || fail "Yes did not save A's last name"
echo "ok: two windows on one record"
