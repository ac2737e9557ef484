WScript.Echo "start", 1 + 1
r = MsgBox("Proceed?", vbOKCancel)
WScript.Echo "answer", r, InputBox("Name?", "Title", "default name")
WScript.Quit 3
WScript.Echo "never"
