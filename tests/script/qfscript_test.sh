#!/bin/bash
# qfscript_test.sh QFSCRIPT DATA: the console runner's exit codes, output and error lines.
set -u
qfscript=$1 data=$2
fail=0
check() {  # NAME WANT_STATUS WANT_STDOUT WANT_STDERR
  local out err status
  out=$(cd "$data" && "$qfscript" "$1" 2>/tmp/qfscript_test.$$)
  status=$?
  err=$(cat /tmp/qfscript_test.$$)
  rm -f /tmp/qfscript_test.$$
  if [ "$status" != "$2" ]; then echo "$1: exit status $status, expected $2"; fail=1; fi
  if [ "$out" != "$3" ]; then printf '%s: stdout\n%s\nexpected\n%s\n' "$1" "$out" "$3"; fail=1; fi
  if [ "$err" != "$4" ]; then printf '%s: stderr\n%s\nexpected\n%s\n' "$1" "$err" "$4"; fail=1; fi
}
check quit.vbs 3 $'start 2\nProceed?\nanswer 1 default name' ""
check crlf-runtime.vbs 1 "" "crlf-runtime.vbs(3, 3) Microsoft VBScript runtime error: Division by zero"
check unterminated.vbs 1 "" "unterminated.vbs(2, 10) Microsoft VBScript compilation error: Unterminated string constant"
check missing.vbs 2 "" "qfscript: cannot read missing.vbs"
exit $fail
