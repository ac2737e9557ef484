#!/bin/bash
# qfd's bash completion, sourced into this shell and asked as bash asks it: the words
# of the line in COMP_WORDS, the word being completed in COMP_CWORD, the answers in
# COMPREPLY. Usage: completion_test.sh COMPLETION_FILE QFD EXAMPLE.Qfd
set -u
completion=$1 qfd=$2 example=$3

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# shellcheck source=/dev/null
source "$completion" || { echo "FAIL: cannot source $completion"; exit 1; }
[[ $(complete -p qfd 2>&1) == "complete -F _qfd qfd" ]] || fail "qfd is not bound: $(complete -p qfd 2>&1)"

# check EXPECTED WHAT: runs the completion for the COMP_* variables set and compares
# the sorted answers, joined by "|", with EXPECTED.
check() {
  COMPREPLY=()
  _qfd
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd'|')
  [ "$got" = "$1" ] || fail "$2: expected [$1], got [$got]"
}

# ask EXPECTED WORD...: completes the last word of "WORD...".
ask() {
  COMP_WORDS=("${@:2}") COMP_CWORD=$(($# - 2)) COMP_LINE="${*:2}"
  COMP_POINT=${#COMP_LINE}
  check "$1" "[${*:2}]"
}

# as_bash EXPECTED LINE: completes the end of LINE, broken into words as bash breaks
# them (also at "=", with the "=" a word of its own).
as_bash() {
  read -ra COMP_WORDS <<<"${2//=/ = }"
  [[ $2 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$2 COMP_POINT=${#2}
  check "$1" "[$2] as bash breaks it"
}

# The commands and the program's own options: every command of qfd's usage, and only those.
commands="accept|add|check|compare|create|delete|dump|export|get|history|import|info|pack|push|resave|set|stats|undelete|verify"
ask "--help|--version|$commands" qfd ""
usage=$("$qfd" --help | sed -n 's/^\(usage:\)\{0,1\} *qfd \([a-z][a-z]*\).*/\2/p' | LC_ALL=C sort -u | paste -sd'|')
[ "$usage" = "$commands" ] || fail "qfd's usage lists [$usage], the completion was checked against [$commands]"
ask "check|compare|create" qfd c

# Form databases in any letter case of ".qfd", and folders; nothing else.
cd "$tmp" || exit 1
mkdir "My Forms" empty
touch Contacts.Qfd CITIES.QFD lower.qfd notes.txt def.json Contacts.Bak out.csv out.dta centre.sqlite "My Forms/Two words.Qfd" "My Forms/x.txt"
ask "CITIES.QFD|Contacts.Qfd|My Forms|empty|lower.qfd" qfd info ""
ask "CITIES.QFD|Contacts.Qfd" qfd check C
ask "My Forms/Two words.Qfd" qfd pack "My Forms/"
# A name as typed on the line: with a backslash before the blank, or in quotes.
ask "My Forms/Two words.Qfd" qfd pack 'My\ Forms/T'
ask "My Forms/Two words.Qfd" qfd pack '"My Forms/T'
ask "My Forms/Two words.Qfd" qfd pack "'My Forms/"
ask "My Forms" qfd create --from def.json 'My\ F'
ask "lower.qfd" qfd export l
# The second word of export is the file of a format; a record number has no completion.
ask "My Forms|centre.sqlite|empty|out.csv|out.dta" qfd export Contacts.Qfd ""
ask "My Forms|empty|out.csv" qfd import Contacts.Qfd ""
ask "csv|dta|sav|sqlite|xlsx" qfd export Contacts.Qfd out --format ""
ask "My Forms|centre.sqlite|empty" qfd push Contacts.Qfd --to ""
ask "--history|--key|--site|--to" qfd push Contacts.Qfd --
ask "" qfd get Contacts.Qfd ""
ask "" qfd info Contacts.Qfd ""
ask "CITIES.QFD|Contacts.Qfd" qfd history C

# Options of each command, and their values.
ask "--json|--with-password" qfd dump -
ask "--csv|--start" qfd history Contacts -
ask "--start|--status" qfd verify Contacts -
ask "CITIES.QFD|Contacts.Qfd" qfd compare Contacts.Qfd C
ask "--csv|--data" qfd check Contacts --
ask "" qfd accept Contacts 3 AGE.Range --note ""
ask "--allow-loss|--from|--recover" qfd resave Contacts --
ask "--yes" qfd pack Contacts -
ask "--dry-run|--encoding|--ignore-unknown|--rfc4180|--skip-bad" qfd import Contacts -
ask "auto|utf-8|windows-1252" qfd import Contacts in.csv --encoding ""
ask "def.json" qfd create --from d
ask "My Forms|def.json|empty" qfd resave Contacts --from ""
ask "no|yes" qfd resave Contacts --from def.json --recover ""
# After an option's value the database is still the first word.
ask "CITIES.QFD|Contacts.Qfd" qfd resave --from def.json C
# create names a new database: only folders.
ask "My Forms|empty" qfd create --from def.json ""

# Field names, read from the database on the line (the example's fields, slot 1
# "ContactNo" being numbered by the store: it takes no value).
cp "$example" "$tmp/Example.Qfd"
ask "Active=|Birthday=|CallAfter=|City=|Company=|Email=|FirstName=|FullName=|LastName=|Notes=|Phone=|Rating=|Tag=|Website=" \
  "$qfd" add Example ""
ask "CallAfter=|City=|Company=" "$qfd" add Example C
# A field given already is not offered again.
ask "CallAfter=|Company=" "$qfd" add Example City=ROME C
ask "FirstName=|FullName=" "$qfd" set Example.Qfd 3 F
ask "" "$qfd" set Example.Qfd F
ask "" "$qfd" add Example "City=RO"
ask "Company|ContactNo" "$qfd" export Example out.csv --fields Co
ask "City,CallAfter|City,Company|City,ContactNo" "$qfd" export Example out.csv --fields City,C
ask "" "$qfd" add Missing ""
ask "CallAfter|City|Company|ContactNo" "$qfd" compare Example Example.Qfd --key C
# Bash breaks NAME=VALUE at "=": a value is not completed, and a field given is
# not offered again.
as_bash "" "$qfd add Example City=C"
as_bash "" "$qfd add Example City="
as_bash "CallAfter=|Company=" "$qfd add Example City=ROME C"
as_bash "Birthday=" "$qfd set Example 2 City=ROME Phone=123 Bi"
as_bash "no|yes" "$qfd resave Example --from def.json --recover "
# The database as typed: quoted, or under the home folder.
mkdir -p "$tmp/home/My Forms"
cp "$example" "$tmp/home/My Forms/Example.Qfd"
HOME=$tmp/home ask "Tag=" "$qfd" add '~/My\ Forms/Example' T
ask "Tag=" "$qfd" add '"home/My Forms/Example.Qfd"' T
# Without a path on the line, the qfd on PATH reads the fields.
PATH=$(dirname "$qfd"):$PATH ask "Tag=" qfd add Example T

[ $status = 0 ] && echo "ok"
exit $status
