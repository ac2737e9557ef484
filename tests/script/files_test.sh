#!/bin/bash
# files_test.sh QFSCRIPT: the file objects of the console runner. A table of
# expressions and statements with the value or error number each must give,
# then the exact bytes of the files the script wrote.
set -u
qfscript=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 2
fail=0
export LC_ALL=C.UTF-8 QF_FILES_TEST=value
printf 'one\r\ntwo\nthree' >lines.txt
printf '\xef\xbb\xbfA\xc4\x80\n' >utf8.txt
printf 'x' >ro.txt && chmod a-w ro.txt

cat >files.vbs <<'VBS'
Set fso = CreateObject("Scripting.FileSystemObject")
Set sh = CreateObject("WScript.Shell")
here = sh.CurrentDirectory
Set t = fso.CreateTextFile("w.txt") : t.Write "ab" : t.WriteLine : t.WriteBlankLines 2 : t.WriteLine "c" & Chr(233)
wLine = t.Line & "/" & t.Column : t.Close
Set t = fso.OpenTextFile("w.txt", 8) : t.Write ChrW(256) : t.Close
Set t = fso.OpenTextFile("utf8.txt", 8) : t.WriteLine ChrW(256) : t.Close
Set t = fso.OpenTextFile("u16.txt", 2, True, -1) : t.WriteLine "h" & ChrW(256) : t.Close
Set t = fso.CreateTextFile("u16b.txt", True, True) : t.Close
Set r = fso.OpenTextFile("lines.txt")
fso.CreateFolder "d" : fso.CreateFolder "d\sub" : fso.CopyFile "lines.txt", "d/" : fso.CopyFile "*.txt", "d\sub"
fso.CopyFile "lines.txt", "d/copy.txt" : fso.MoveFile "d/copy.txt", "d/moved.txt"
n = 0 : For Each f In fso.GetFolder("d").Files : names = names & f.Name & "," : n = n + f.Size : Next
For Each f In fso.GetFolder("d").SubFolders : names = names & f.Name & "/" & f.Files.Count : Next
cases = Array( _
  "wLine", "5/1", _
  "r.ReadLine & r.Line & r.Column & r.AtEndOfLine", "one21False", _
  "r.Read(2) & r.Column & r.AtEndOfLine", "tw3False", _
  "r.Read(1) & r.AtEndOfLine & r.AtEndOfStream", "oTrueFalse", _
  "r.ReadAll & r.AtEndOfStream & r.Line", "" & vbLf & "threeTrue3", _
  "AscW(fso.OpenTextFile(""utf8.txt"").ReadLine)", "65", _
  "AscW(Mid(fso.OpenTextFile(""utf8.txt"").ReadAll, 2, 1))", "256", _
  "AscW(Mid(fso.OpenTextFile(""u16.txt"", 1, False, -1).ReadLine, 2))", "256", _
  "fso.OpenTextFile(""new.txt"", 1, True).AtEndOfStream", "True", _
  "fso.FileExists(""d\lines.txt"") & fso.FileExists(""d"") & fso.FolderExists(""d/sub/"")", "TrueFalseTrue", _
  "names", "lines.txt,moved.txt,sub/6", _
  "n = 2 * fso.GetFile(""lines.txt"").Size", "True", _
  "fso.GetFolder(""d"").Size = n + fso.GetFolder(""d/sub"").Size", "True", _
  "fso.GetFile(""d/lines.txt"").Path = here & ""/d/lines.txt""", "True", _
  "Abs(fso.GetFile(""lines.txt"").DateLastModified - Now) < 1 / 24", "True", _
  "fso.GetFolder(""d"").SubFolders(""sub"").Name & fso.GetFolder(""d"").Files.Item(""moved.txt"")", "sub" & here & "/d/moved.txt", _
  "fso.GetFileName(""a\b.tar.gz"") & ""|"" & fso.GetBaseName(""/a/b.tar.gz"") & ""|"" & fso.GetExtensionName(""b"")", "b.tar.gz|b.tar|", _
  "fso.GetParentFolderName(""a\b\c\"") & ""|"" & fso.GetParentFolderName(""/a"") & ""|"" & fso.GetParentFolderName(""a"")", "a/b|/|", _
  "fso.BuildPath(""a"", ""b"") & ""|"" & fso.BuildPath(""a\"", ""\b"") & ""|"" & fso.BuildPath("""", ""b"")", "a/b|a/b|b", _
  "fso.GetAbsolutePathName(""x/./y/../z"") = here & ""/x/z""", "True", _
  "Len(fso.GetTempName) & Right(fso.GetTempName, 4)", "12.tmp", _
  "sh.ExpandEnvironmentStrings(""<%QF_FILES_TEST%|%QF_NOT_SET%|%>"")", "<value|%QF_NOT_SET%|%>")
errors = Array( _
  "r.ReadLine", 62, "r.Read 1", 62, "r.SkipLine", 62, "r.Write ""x""", 54, _
  "fso.OpenTextFile(""new.txt"", 2).ReadLine", 54, "fso.OpenTextFile ""w.txt"", 3", 5, _
  "fso.OpenTextFile ""none.txt""", 53, "fso.OpenTextFile ""none.txt"", 8", 53, _
  "fso.OpenTextFile ""nodir/a.txt"", 2, True", 76, "fso.CreateTextFile ""nodir\a.txt""", 76, _
  "fso.CreateTextFile ""w.txt"", False", 58, "fso.CreateTextFile ""d""", 70, _
  "fso.GetFile ""none""", 53, "fso.GetFolder ""none""", 76, "fso.CreateFolder ""d""", 58, _
  "fso.CreateFolder ""none/x""", 76, "fso.DeleteFile ""d/*.none""", 53, "fso.DeleteFile ""ro.txt""", 70, _
  "fso.DeleteFolder ""none""", 76, "fso.CopyFile ""none"", ""x""", 53, _
  "fso.CopyFile ""lines.txt"", ""d/lines.txt"", False", 58, "fso.MoveFile ""w.txt"", ""lines.txt""", 58, _
  "fso.CopyFile ""lines.txt"", ""none/""", 76, "sh.CurrentDirectory = ""/none""", 76, _
  "fso.Nothing", 438, "fso.GetFile", 450)
On Error Resume Next
For i = 0 To UBound(cases) Step 2
  got = "" : got = CStr(Eval(cases(i)))
  If Err.Number Then got = "error " & Err.Number : Err.Clear
  If got <> cases(i + 1) Then WScript.Echo cases(i) & ": " & got
Next
For i = 0 To UBound(errors) Step 2
  Execute errors(i)
  If Err.Number <> errors(i + 1) Then WScript.Echo errors(i) & ": error " & Err.Number
  Err.Clear
Next
fso.DeleteFile "d/*.txt" : fso.DeleteFile "ro.txt", True : fso.DeleteFolder "d"
WScript.Echo fso.FolderExists("d"), fso.FileExists("ro.txt"), Err.Number
VBS
out=$("$qfscript" files.vbs 2>&1)
if [ "$out" != "False False 0" ]; then printf 'files.vbs:\n%s\n' "$out"; fail=1; fi

# bytes: NAME PRINTF-FORMAT
bytes() {
  printf "$2" >want
  if ! cmp -s "$1" want; then echo "$1:"; od -c "$1"; echo "expected"; od -c want; fail=1; fi
}
bytes w.txt 'ab\n\n\nc\351\n?'
bytes utf8.txt '\357\273\277A\304\200\n\304\200\n'
bytes u16.txt '\377\376h\0\0\1\n\0'
bytes u16b.txt '\377\376'
exit $fail
