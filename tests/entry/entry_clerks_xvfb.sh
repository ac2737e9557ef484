#!/usr/bin/env bash
# Two clerks, two QfEntry windows on one database, in a real X server (Xvfb) driven
# by xdotool. Both edit record 1: A's city and B's phone are both kept without a
# question. Then both change the last name: A is asked, answers Yes, and Page Down
# and Ctrl+X work at once afterwards. Another program (qfd get) reads the result.
#   entry_clerks_xvfb.sh QFENTRY QFD EXAMPLE.Qfd
source "$(dirname "$0")/xvfb_setup.sh"

cat > "$work/drive.sh" <<DRIVE
start() {  # starts a window, prints its process and window ids
  local before=\$(xdotool search --onlyvisible --name 'Contacts.Qfd' 2>/dev/null | sort)
  "$qfentry" "$work/Contacts.Qfd" >/dev/null 2>&1 &
  local pid=\$! win=
  for i in \$(seq 100); do
    win=\$(comm -13 <(echo "\$before") <(xdotool search --onlyvisible --name 'Contacts.Qfd' 2>/dev/null | sort) | head -n 1)
    [ -n "\$win" ] && break
    sleep 0.1
  done
  echo "\$pid \$win"
}
read a winA < <(start)
read b winB < <(start)
# Side by side, so that a click lands in the window meant.
xdotool windowmove --sync \$winA 0 0
xdotool windowmove --sync \$winB 700 0
sleep 0.5
# Goes to the end of the box `tabs` Tab presses after the first (the last name 1,
# the phone 3, the city 6).
box() {
  xdotool windowfocus --sync "\$1"
  sleep 0.3
  for i in \$(seq \$2); do xdotool key Tab; done
  xdotool key ctrl+End
}
edit() { xdotool windowfocus --sync "\$1"; sleep 0.3; xdotool key F2; sleep 0.3; }
save() { xdotool key F6; sleep 0.3; }
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
q=
for i in \$(seq 50); do
  q=\$(xdotool search --onlyvisible --name '^WRITE RECORD\$' 2>/dev/null | head -n 1) && [ -n "\$q" ] && break
  sleep 0.1
done
[ -n "\$q" ] || { echo "no question for the last name"; exit 1; }
xdotool windowfocus --sync "\$q"
sleep 0.3
xdotool key y
saved 1 '"LastName": "Bakera"'
# Straight on: Page Down to record 2, edit its city, save; then Ctrl+X ends A.
xdotool windowfocus --sync \$winA
sleep 0.3
xdotool key Next
sleep 0.3
xdotool key F2
sleep 0.3
box \$winA 6; xdotool type --delay 30 'q'; save; saved 2 '"City": "[A-Z ]*Q"'
xdotool key ctrl+x
for i in \$(seq 50); do kill -0 \$a 2>/dev/null || break; sleep 0.1; done
if kill -0 \$a 2>/dev/null; then kill \$a; kill \$b; echo "QfEntry did not end on Ctrl+X after the question"; exit 1; fi
xdotool windowfocus --sync \$winB
sleep 0.3
xdotool key ctrl+x
for i in \$(seq 50); do kill -0 \$b 2>/dev/null || break; sleep 0.1; done
kill \$b 2>/dev/null || true
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
