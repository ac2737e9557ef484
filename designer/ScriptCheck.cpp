#include "ScriptCheck.h"

#include <memory>

#include "compiler.h"
#include "errors.h"
#include "parser.h"

namespace ScriptCheck {

std::string Compile(const std::string& source, int& line, int& column) {
  line = column = 0;
  try {
    qfscript::Globals globals;
    std::unique_ptr<qfscript::Program> program = qfscript::Parse(source, globals);
    qfscript::Compile(*program, globals);
    return "";
  } catch (const qfscript::CompileError& e) {
    line = e.line;
    column = e.column;
    return qfscript::ErrorText(e.number);
  } catch (const qfscript::RuntimeError& e) {  // a constant that cannot be worked out
    line = e.line;
    column = e.col;
    return e.description.empty() ? qfscript::ErrorText(e.number) : e.description;
  }
}

}  // namespace ScriptCheck
