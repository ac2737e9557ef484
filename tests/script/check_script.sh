#!/bin/bash
# check_script.sh QFSCRIPT DIR NAME: runs DIR/NAME.vbs from DIR and compares
# its standard output byte for byte with NAME.out. With a NAME.err the run must
# exit with 1 and every line of NAME.err must occur in standard error;
# without one it must exit with 0 and write nothing on standard error.
set -u
qfscript=$1 dir=$2 name=$3
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
cd "$dir" || exit 2
"$qfscript" "$name.vbs" >"$out" 2>"$err"
status=$?
fail=0
if ! cmp -s "$out" "$name.out"; then
  echo "stdout differs from $name.out:"
  diff "$out" "$name.out"
  fail=1
fi
if [ -f "$name.err" ]; then
  if [ "$status" -ne 1 ]; then echo "exit status $status, expected 1"; fail=1; fi
  while IFS= read -r line || [ -n "$line" ]; do
    [ -z "$line" ] && continue
    if ! grep -qF -- "$line" "$err"; then echo "stderr lacks: $line"; fail=1; fi
  done <"$name.err"
else
  if [ "$status" -ne 0 ]; then echo "exit status $status, expected 0"; fail=1; fi
  if [ -s "$err" ]; then echo "unexpected stderr:"; cat "$err"; fail=1; fi
fi
exit $fail
