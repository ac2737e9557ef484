#!/bin/bash
# console_host_test.sh QFSCRIPT: the console runner and its WScript object — exit
# codes and error lines, exact bytes of every writing member on stdout and stderr,
# standard input read from a pipe to its end, arguments, and UTF-8 in and out.
set -u
qfscript=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 2
fail=0

# run NAME STDIN WANT_STATUS WANT_STDOUT WANT_STDERR [ARGUMENT ...]: runs NAME.vbs
# (written beforehand) with the bytes STDIN on its standard input; the wanted
# texts are printf formats, compared byte for byte.
run() {
  local name=$1 input=$2 status=$3 want_out=$4 want_err=$5
  shift 5
  printf "$input" | "$qfscript" "$name.vbs" "$@" >out 2>err
  local got=$?
  printf "$want_out" >want_out
  printf "$want_err" >want_err
  if [ "$got" != "$status" ]; then echo "$name: exit status $got, expected $status"; fail=1; fi
  if ! cmp -s out want_out; then echo "$name: stdout"; od -c out; echo "expected"; od -c want_out; fail=1; fi
  if ! cmp -s err want_err; then echo "$name: stderr"; od -c err; echo "expected"; od -c want_err; fail=1; fi
}

export LC_ALL=C.UTF-8

# Every writing member, and Line and Column as the text moves them.
cat >write.vbs <<'VBS'
Set o = WScript.StdOut
o.Write "a" : o.Write 12 : o.WriteLine : o.WriteLine "b c"
o.WriteBlankLines 2 : o.WriteBlankLines 0 : o.Write "xy"
WScript.StdErr.Write "e1" : WScript.StdErr.WriteLine : WScript.StdErr.WriteLine "e2"
WScript.StdErr.WriteBlankLines 1
o.WriteLine " " & o.Line & "/" & o.Column & " " & WScript.StdErr.Line & "/" & WScript.StdErr.Column
WScript.Echo "echo", 1, Null
WScript.Echo
VBS
run write "" 0 'a12\nb c\n\n\nxy 5/3 4/1\necho 1 Null\n\n' 'e1\ne2\n\n'

# Close: output after it is refused (Bad file mode); StdErr still writes.
cat >close.vbs <<'VBS'
WScript.StdOut.Write "before"
WScript.StdOut.Close
On Error Resume Next
WScript.StdOut.Write "after"
WScript.StdErr.Write Err.Number & " " & Err.Description
WScript.StdErr.Close
Err.Clear : WScript.StdErr.Write "gone" : WScript.Echo Err.Number
VBS
run close "" 0 'before' '54 Bad file mode'

# Reading a pipe to its end: lines (LF and CR LF), Read, Skip, SkipLine,
# AtEndOfLine, the last line without its end, then past the end (62).
cat >read.vbs <<'VBS'
Set i = WScript.StdIn
WScript.Echo "[" & i.Read(2) & "]", i.Line, i.Column, i.AtEndOfLine
i.Skip 1
WScript.Echo "[" & i.ReadLine & "]", i.Line, i.Column, i.AtEndOfLine
i.SkipLine
Do Until i.AtEndOfStream
  WScript.Echo "<" & i.ReadLine & ">"
Loop
On Error Resume Next
s = i.ReadLine : WScript.Echo Err.Number, Err.Description
Err.Clear : s = i.Read(1) : WScript.Echo Err.Number
Err.Clear : i.WriteLine "x" : WScript.Echo Err.Number
Err.Clear : WScript.StdOut.ReadLine : WScript.Echo Err.Number
VBS
run read 'abcdef\r\n\nskip\nthird\n\nlast' 0 \
  '[ab] 1 3 False\n[def] 2 1 True\n<skip>\n<third>\n<>\n<last>\n62 Input past end of file\n62\n54\n54\n' ''

# ReadAll takes everything, line ends included; on an empty input it is past the end.
cat >all.vbs <<'VBS'
s = WScript.StdIn.ReadAll
WScript.StdOut.Write Len(s) & ":" & s
VBS
run all 'one\r\ntwo\n' 0 '9:one\r\ntwo\n' ''
run all '' 1 '' 'all.vbs(1, 1) Microsoft VBScript runtime error: Input past end of file\n'

# Arguments: all of them in order, /name:value and /name named, the rest unnamed.
cat >args.vbs <<'VBS'
Set a = WScript.Arguments
WScript.Echo a.Count, a.Length, a(0), a.Item(3), WScript.Arguments(1)
For Each x In a : WScript.StdOut.Write "[" & x & "]" : Next : WScript.Echo
Set n = a.Named
WScript.Echo n.Count, n.Exists("OUT"), n("out"), n.Item("Out"), IsEmpty(n("v")), n.Exists("v"), n.Exists("w"), IsEmpty(n("w"))
For Each x In n : WScript.StdOut.Write x & ";" : Next : WScript.Echo
WScript.Echo a.Unnamed.Count, a.Unnamed(0), a.Unnamed.Item(1), a.Named("out")
On Error Resume Next
x = a(5) : WScript.Echo Err.Number
VBS
run args "" 0 '5 5 one /v /out:a:b.txt\n[one][/out:a:b.txt][two words][/v][/]\n2 True a:b.txt a:b.txt True True False True\nout;v;\n3 one two words a:b.txt\n9\n' '' \
  one /out:a:b.txt "two words" /v /
cat >noargs.vbs <<'VBS'
WScript.Echo WScript.Arguments.Count, WScript.Arguments.Named.Count, WScript.Arguments.Unnamed.Count
For Each x In WScript.Arguments : WScript.Echo "never" : Next
VBS
run noargs "" 0 '0 0 0\n' ''

# UTF-8 in and out: ChrW(232) and a character beyond Windows-1252 written,
# standard input and arguments read back as one character each.
cat >utf8.vbs <<'VBS'
WScript.StdOut.WriteLine ChrW(232) & ChrW(256) & Chr(128)
WScript.Echo ChrW(232), WScript.Arguments(0), Len(WScript.Arguments(0)), AscW(WScript.Arguments(0))
s = WScript.StdIn.ReadLine
WScript.Echo s, Len(s), AscW(s), AscW(Mid(s, 2)), s = ChrW(233) & ChrW(256)
WScript.StdErr.WriteLine "err " & ChrW(232)
VBS
run utf8 '\303\251\304\200\n' 0 '\303\250\304\200\342\202\254\n\303\250 \303\250 1 232\n\303\251\304\200 2 233 256 True\n' 'err \303\250\n' $'\303\250'
# Without a UTF-8 locale the bytes are Windows-1252.
LC_ALL=C run utf8 '\351x\n' 0 '\350?\200\n\350 \350 1 232\n\351x 2 233 120 False\n' 'err \350\n' $'\350'
# A script saved as UTF-8 means the characters it shows.
printf 'WScript.Echo "caf\303\251", Len("caf\303\251")\n' >saved.vbs
run saved "" 0 'caf\303\251 4\n' ''

# The host's own properties.
cat >host.vbs <<'VBS'
WScript.Echo WScript.ScriptName, WScript.Name, WScript.Version, WScript.Interactive
WScript.Interactive = False : WScript.Echo WScript.Interactive
WScript.Echo WScript.ScriptFullName = WScript.StdIn.ReadLine
Set d = WScript.CreateObject("Scripting.Dictionary") : d.Add "k", 1 : WScript.Echo d.Count
On Error Resume Next
Set f = WScript.CreateObject("Word.Application") : WScript.Echo Err.Number
WScript.Sleep 1
WScript.Quit 4
VBS
run host "$dir/host.vbs\n" 4 'host.vbs qfscript 5.8 True\nFalse\nTrue\n1\n429\n' ''

# The runner's exit codes and error lines: Quit's code (MsgBox and InputBox answer with
# their defaults from an empty input), a run-time error in a file of CR LF lines, a
# compilation error, a missing file.
printf 'WScript.Echo "start", 1 + 1\nr = MsgBox("Proceed?", vbOKCancel)\nWScript.Echo "answer", r, InputBox("Name?", "Title", "default name")\nWScript.Quit 3\nWScript.Echo "never"\n' >quit.vbs
run quit "" 3 'start 2\nProceed?\nanswer 1 default name\n' ''
printf 'Sub Work()\r\n  x = 1\r\n  y = x / 0\r\nEnd Sub\r\nWork\r\n' >crlf.vbs
run crlf "" 1 '' 'crlf.vbs(3, 3) Microsoft VBScript runtime error: Division by zero\n'
printf 'WScript.Echo "ok"\nx = "open\n' >open.vbs
run open "" 1 '' 'open.vbs(2, 10) Microsoft VBScript compilation error: Unterminated string constant\n'
run missing "" 2 '' 'qfscript: cannot read missing.vbs\n'

# An error raised with an empty source prints its number and text alone.
printf 'WScript.StdOut.Write "x"\nErr.Raise 1000 + 7, "", "Disk \351"\n' >nosource.vbs
run nosource "" 1 'x' 'nosource.vbs(2, 1) Error 1007: Disk \303\251\n'

# --help and --version answer on standard output, nothing on standard error.
"$qfscript" --help >out 2>err && grep -q 'usage: qfscript' out && [ ! -s err ] || { echo "--help"; fail=1; }
"$qfscript" --version >out 2>err && [ "$(head -c 9 out)" = "qfscript " ] && [ ! -s err ] || { echo "--version"; fail=1; }

exit $fail
