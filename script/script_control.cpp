#include "script/script_control.h"

#include <new>
#include <utility>

#include "script/ast.h"
#include "script/compiler.h"
#include "script/errors.h"
#include "script/parser.h"
#include "script/vm.h"

namespace qfscript {

namespace {

// Presents a host object to the vm.
class HostAdapter : public Object {
 public:
  explicit HostAdapter(std::shared_ptr<HostObject> host) : host_(std::move(host)) {}
  std::string TypeName() const override { return host_->TypeName(); }
  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (kind == InvokeKind::Let || kind == InvokeKind::Set) {
      Variant value = *args.back();
      args.pop_back();
      return host_->Put(name, args, value);
    }
    return host_->Call(name, args, result);
  }
  int Enumerate(std::vector<Variant>& items) override { return host_->Enumerate(items); }

 private:
  std::shared_ptr<HostObject> host_;
};

std::string LineOf(const std::string& text, int line) {
  int current = 1;
  size_t i = 0;
  while (i < text.size() && current < line) {
    char c = text[i++];
    if (c == '\r') {
      if (i < text.size() && text[i] == '\n') ++i;
      ++current;
    } else if (c == '\n') {
      ++current;
    }
  }
  size_t end = i;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  return text.substr(i, end - i);
}

}  // namespace

ScriptControl::ScriptControl() { Reset(); }
ScriptControl::~ScriptControl() = default;

void ScriptControl::Reset() {
  if (in_ && in_->Busy()) return;  // not from inside a host method
  in_.reset();
  in_ = std::make_unique<Interp>();
  in_->ui = ui_;
  in_->makeObject = make_;
  error_ = ScriptError{};
  stopped_ = false;
}

void ScriptControl::SetObjectMaker(ObjectMaker make) {
  make_ = std::move(make);
  in_->makeObject = make_;
}

void ScriptControl::SetUi(ScriptUi* ui) {
  ui_ = ui;
  in_->ui = ui;
}

void ScriptControl::AddObject(const std::string& name, std::shared_ptr<HostObject> object, bool globalMembers) {
  in_->AddObject(name, new HostAdapter(std::move(object)), globalMembers);
}

template <typename F>
bool ScriptControl::Guard(F&& body, const std::string* source) {
  if (in_->Busy()) {
    // A host method may not start more script while the script runs.
    error_ = ScriptError{};
    error_.Number = kErrInvalidCall;
    error_.Description = ErrorText(kErrInvalidCall);
    error_.Source = kRuntimeSource;
    return false;
  }
  error_ = ScriptError{};
  stopped_ = false;
  in_->timeoutMs = Timeout;
  return Catch(std::forward<F>(body), source);
}

// Runs `body`; an error it throws goes into error_ (false).
template <typename F>
bool ScriptControl::Catch(F&& body, const std::string* source) {
  auto textOf = [&](int line) -> std::string {
    if (source) return LineOf(*source, line);
    return std::string();
  };
  try {
    body();
    return true;
  } catch (const CompileError& e) {
    error_.Number = e.number;
    error_.Description = ErrorText(e.number);
    error_.Line = e.line;
    error_.Column = e.column;
    error_.Source = kCompileSource;
    error_.Text = textOf(e.line);
  } catch (const RuntimeError& e) {
    error_.Number = e.number;
    error_.Description = e.description;
    error_.Line = e.line;
    error_.Column = e.col;
    error_.Source = e.source;  // empty when the script raised it so
    error_.Text = e.program ? LineOf(e.program->source, e.line) : std::string();
  } catch (const StopRequest&) {
    stopped_ = true;
    return true;
  } catch (const std::bad_alloc&) {
    error_.Number = kErrOutOfMemory;
    error_.Description = ErrorText(kErrOutOfMemory);
    error_.Source = kRuntimeSource;
  }
  return false;
}

bool ScriptControl::AddCode(const std::string& text) {
  return Guard([&] { in_->Load(text); }, &text);
}

bool ScriptControl::Check(const std::string& text) {
  error_ = ScriptError{};
  bool ok = Catch(
      [&] {
        Globals globals;  // of its own: nothing reaches the loaded code
        std::unique_ptr<Program> program = Parse(text, globals);
        Compile(*program, globals);
      },
      &text);
  // A constant that cannot be worked out may fail without a text of its own.
  if (!ok && error_.Description.empty()) error_.Description = ErrorText(error_.Number);
  return ok;
}

bool ScriptControl::Run(const std::string& procName, std::vector<Variant>& args, Variant* result) {
  bool found = true;
  bool ok = Guard([&] { found = in_->Call(procName, args, result); }, nullptr);
  if (ok && !found) {
    error_.Number = kErrNotDefined;
    error_.Description = ErrorText(kErrNotDefined);
    error_.Source = kRuntimeSource;
    return false;
  }
  return ok;
}

}  // namespace qfscript
