// AppStart: the start-up both window programs share. RunProgram answers --version
// (printing "<program> <version>", no window, no display needed); otherwise it makes
// the application with the program's name, icon and version, sets the screen's twips
// per pixel and the form fonts, installs the Qt host and the About box's version
// information, and then calls run, whose result is the program's exit code.
#pragma once

#include <functional>

namespace AppStart {

int RunProgram(int argc, char** argv, const char* program, const std::function<int()>& run);

}  // namespace AppStart
