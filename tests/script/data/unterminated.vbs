WScript.Echo "ok"
x = "open
