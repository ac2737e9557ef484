#include "script/vm.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "script/builtins.h"
#include "script/compiler.h"
#include "script/locales.h"
#include "script/objects.h"
#include "script/parser.h"

namespace qfscript {

namespace {

constexpr size_t kStackSlots = size_t(1) << 17;  // locals of all active calls (2 MB)
constexpr int kTickInterval = 2048;              // loop steps between clock checks
constexpr size_t kRuntimeCodeKept = 4096;        // Eval texts kept compiled

// The language error an HRESULT stands for (0 for none): the runtime's own
// facility, and the system errors that have a language counterpart.
int LanguageError(int32_t number) {
  uint32_t h = static_cast<uint32_t>(number);
  if ((h & 0xFFFF0000u) == 0x800A0000u) return static_cast<int>(h & 0xFFFF);
  switch (h) {
    case 0x8007000Eu: return kErrOutOfMemory;     // E_OUTOFMEMORY
    case 0x80070057u: return kErrInvalidCall;     // E_INVALIDARG
    case 0x80070005u: return 70;                  // E_ACCESSDENIED: Permission denied
    case 0x80004001u: return 445;                 // E_NOTIMPL: Object doesn't support this action
    case 0x80020005u: return kErrTypeMismatch;    // DISP_E_TYPEMISMATCH
    case 0x8002000Au: return kErrOverflow;        // DISP_E_OVERFLOW
    case 0x8002000Bu: return kErrSubscript;       // DISP_E_BADINDEX
    case 0x8002000Eu: return kErrWrongArgs;       // DISP_E_BADPARAMCOUNT
    case 0x80020003u: case 0x80020006u: return kErrNoSuchMember;  // member not found, unknown name
    case 0x80020012u: return kErrDivByZero;       // DISP_E_DIVBYZERO
    default: return 0;
  }
}

// The Err object.
class ErrObject : public Object {
 public:
  explicit ErrObject(Interp& in) : in_(in) {}
  std::string TypeName() const override { return "ErrObject"; }
  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    auto arg = [&](size_t i) -> const Variant& {
      static const Variant missing = Variant::Missing();
      return i < args.size() ? args[i]->Deref() : missing;
    };
    bool put = kind == InvokeKind::Let;
    if (name.empty() || SameName(name, "number")) {
      if (put) in_.errNumber = ToLong(arg(args.size() - 1));
      else result = Variant::Long(in_.errNumber);
      return 0;
    }
    if (SameName(name, "description")) {
      if (put) in_.errDescription = ToStr(arg(args.size() - 1));
      else result = Variant::Str(in_.errDescription);
      return 0;
    }
    if (SameName(name, "source")) {
      if (put) in_.errSource = ToStr(arg(args.size() - 1));
      else result = Variant::Str(in_.errSource);
      return 0;
    }
    if (SameName(name, "helpfile")) {
      if (put) in_.errHelpFile = ToStr(arg(args.size() - 1));
      else result = Variant::Str(in_.errHelpFile);
      return 0;
    }
    if (SameName(name, "helpcontext")) {
      if (put) in_.errHelpContext = ToLong(arg(args.size() - 1));
      else result = Variant::Long(in_.errHelpContext);
      return 0;
    }
    if (put) return kErrNoSuchMember;
    if (SameName(name, "clear")) {
      if (!args.empty()) return kErrWrongArgs;
      in_.ClearErr();
      return 0;
    }
    if (SameName(name, "raise")) {
      if (args.empty() || args.size() > 5) return kErrWrongArgs;
      int32_t number = ToLong(arg(0));
      // Negative, HRESULT-style numbers are fine; past 65535 the call is invalid.
      if (number == 0 || number > 65535) return kErrInvalidCall;
      // What the call leaves out keeps the Err object's present values.
      RuntimeError e{number, in_.errDescription, in_.errSource};
      if (int mapped = LanguageError(number)) e.number = mapped;  // an HRESULT of a language error is that error
      if (!arg(1).IsMissing()) e.source = ToStr(arg(1));
      else if (e.source.empty()) e.source = kRuntimeSource;
      if (!arg(2).IsMissing()) e.description = ToStr(arg(2));
      else if (e.description.empty()) e.description = ErrorText(e.number);
      if (!arg(3).IsMissing()) in_.errHelpFile = ToStr(arg(3));
      if (!arg(4).IsMissing()) in_.errHelpContext = ToLong(arg(4));
      e.keepsHelp = true;
      throw e;
    }
    return kErrNoSuchMember;
  }

 private:
  Interp& in_;
};

bool IsVar(const Expr* e) { return e->kind == EK::Local || e->kind == EK::Global || e->kind == EK::FrameVar; }

[[noreturn]] void Raise(int number) { ThrowError(number); }

// An error whose description names what it is about ("Variable is undefined: 'x'").
[[noreturn]] void RaiseNamed(int number, const std::string& name) {
  throw RuntimeError{number, std::string(ErrorText(number)) + ": '" + name + "'", kRuntimeSource};
}

// The text of an object expression as written, for error descriptions ("a.b"); empty when
// it is not a plain name or member chain.
std::string Written(const Expr* e) {
  switch (e->kind) {
    case EK::Local: case EK::Global: case EK::Dynamic: case EK::FrameVar: case EK::GlobalMember:
      return e->parens ? std::string() : e->shown;
    case EK::Me: return "Me";
    case EK::Member: {
      if (e->parens) return std::string();
      std::string base = Written(e->a);
      return base.empty() ? std::string() : base + "." + e->shown;
    }
    default: return std::string();
  }
}

// An object given where a plain value is wanted (a Let, code for Eval): its
// default value; Nothing is 91, and the default member's failure is raised as it is.
[[gnu::cold, gnu::noinline]] Variant ObjectDefault(const Variant& v) {
  if (!v.o) Raise(kErrObjectNotSet);
  Variant keep = v;  // the call may drop the last other reference
  std::vector<Variant*> none;
  Variant r;
  if (int err = keep.o->Invoke("", InvokeKind::Get, none, r)) Raise(err);
  return r;
}

}  // namespace

Interp::Interp() {
  int errSlot = globals.Add("err");
  globals.values[static_cast<size_t>(errSlot)] = Variant::Obj(new ErrObject(*this));
}

Interp::~Interp() {
  // Host objects may hold script values: drop the values before the code.
  // Instances of classes run Class_Terminate as they go, the script's own
  // variables first (the host objects and Err stay usable meanwhile).
  Begin();
  for (size_t i = 0; i < sp_; ++i) stack_[i].Clear();
  for (size_t i = globals.values.size(); i-- > 0;) globals.values[i].Clear();
  *alive = false;
  std::free(stack_);
}

void Interp::EnsureStack() {
  // Taken on the first call only: many runs never call a procedure.
  stackCap_ = kStackSlots;
  stack_ = static_cast<Variant*>(std::calloc(stackCap_, sizeof(Variant)));
  if (!stack_) throw std::bad_alloc();
}

void Interp::AddObject(const std::string& name, Object* obj, bool globalMembers) {
  int slot = globals.Add(Lower(name));
  globals.values[static_cast<size_t>(slot)] = Variant::Obj(obj);
  if (globalMembers) globals.memberHosts.push_back(slot);
}

void Interp::Begin() {
  fatal_ = false;
  ticks_ = kTickInterval;
  if (timeoutMs >= 0)
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  if (depth_ == 0) {
    // Leave room for the host: use at most half the thread's stack (and no more than 8 MB).
    size_t budget = size_t(1) << 20;
    struct rlimit rl;
    if (getrlimit(RLIMIT_STACK, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY)
      budget = std::clamp<size_t>(rl.rlim_cur / 2, size_t(256) << 10, size_t(8) << 20);
    char here;
    stackLimit_ = &here - budget;
  }
}

void Interp::CheckTime() {
  ticks_ = kTickInterval;
  if (timeoutMs >= 0 && std::chrono::steady_clock::now() > deadline_) {
    fatal_ = true;
    Raise(kErrTimeout);
  }
}

namespace {

thread_local Interp* tRunning = nullptr;

struct BusyScope {
  bool& flag;
  Interp* outer;
  BusyScope(bool& f, Interp* in) : flag(f), outer(tRunning) {
    flag = true;
    tRunning = in;
  }
  ~BusyScope() {
    flag = false;
    tRunning = outer;
  }
};

}  // namespace

Interp* Interp::Running() { return tRunning; }

UserWait::UserWait() : start_(std::chrono::steady_clock::now()) {}

UserWait::~UserWait() {
  if (Interp* in = Interp::Running()) in->NotCounted(std::chrono::steady_clock::now() - start_);
}

void Interp::Load(const std::string& source) {
  BusyScope busy(busy_, this);
  LocaleScope locale(lcid);
  std::unique_ptr<Program> prog = Parse(source, globals);
  Compile(*prog, globals);
  programs_.push_back(std::move(prog));
  Program& p = *programs_.back();
  Begin();
  topFrame_ = Frame{};
  topFrame_.program = &p;
  frame_ = &topFrame_;
  locals_ = nullptr;
  ExecBlock(p.top);
}

Program* Interp::CompileRuntime(const std::string& source, const Proc* scope, bool expression,
                                std::unique_ptr<Program>* uncached) {
  char tag[40];
  std::snprintf(tag, sizeof tag, "%c%p:", expression ? 'e' : 'x', static_cast<const void*>(scope));
  std::string key = tag + source;
  auto it = runtimeCode_.find(key);
  if (it != runtimeCode_.end()) return it->second;
  std::unique_ptr<Program> prog;
  try {
    prog = expression ? ParseExpression(source, globals) : Parse(source, globals);
    if (scope) CompileInScope(*prog, globals, scope);
    else Compile(*prog, globals);
  } catch (const CompileError& e) {
    // Code built at run time reports a compile fault as a plain syntax error,
    // except a number that no Double holds.
    int number = e.number == kErrInvalidNumber ? kErrInvalidNumber : kErrSyntax;
    throw RuntimeError{number, ErrorText(number), kCompileSource};
  }
  // Its "Dim a(n)" meets variables that may already hold arrays (13).
  MarkRuntimeDims(prog->top);
  if (uncached && runtimeCode_.size() >= kRuntimeCodeKept) {
    // Many different expressions (Eval in a loop): this one goes after its use.
    *uncached = std::move(prog);
    return uncached->get();
  }
  programs_.push_back(std::move(prog));
  Program* p = programs_.back().get();
  runtimeCode_.emplace(std::move(key), p);
  return p;
}

// Faults inside run-time code are reported at the statement that ran it.
namespace {
template <class F>
auto AtCaller(F f) -> decltype(f()) {
  try {
    return f();
  } catch (RuntimeError& e) {
    e.line = 0;
    e.col = 0;
    e.program = nullptr;
    throw;
  }
}
}  // namespace

[[gnu::cold]] void Interp::MarkRuntimeDims(Block& block) {
  for (Stmt* s : block) {
    if (s->kind == SK::DimArray) s->flag = true;
    for (Block& b : s->blocks) MarkRuntimeDims(b);
    MarkRuntimeDims(s->body);
    for (CaseClause& c : s->cases) MarkRuntimeDims(c.body);
  }
}

namespace {

// The value that Eval/Execute take code from: an object's default value.
Variant CodeArgument(const Variant& code) {
  if (code.vt != vtObject) return code;
  return ObjectDefault(code);
}

}  // namespace

Variant Interp::EvalCode(const Variant& code) {
  Variant v = CodeArgument(code);
  if (v.vt != vtString) return v;
  return EvalText(v.Text());
}

void Interp::ExecCode(const Variant& code, bool global) {
  Variant v = CodeArgument(code);
  if (v.vt != vtString) Raise(kErrTypeMismatch);
  ExecText(v.Text(), global);
}

Variant Interp::EvalText(const std::string& source) {
  std::unique_ptr<Program> uncached;
  Program* p = CompileRuntime(source, frame_->proc, true, &uncached);
  return AtCaller([&] { return Eval(p->evalExpr); });
}

void Interp::ExecText(const std::string& source, bool global) {
  const Proc* scope = global ? nullptr : frame_->proc;
  Program* p = CompileRuntime(source, scope, false);
  if (!scope && frame_ != &topFrame_) {
    // Script level from inside a procedure: the code sees no locals.
    Frame f;
    f.program = p;
    Frame* saved = frame_;
    Variant* savedLocals = locals_;
    struct Restore {
      Interp& in;
      Frame* frame;
      Variant* locals;
      ~Restore() {
        in.frame_ = frame;
        in.locals_ = locals;
      }
    } restore{*this, saved, savedLocals};
    frame_ = &f;
    locals_ = nullptr;
    AtCaller([&] { ExecBlock(p->top); });
    return;
  }
  // The code has its own error handling: a fault ends it, and the caller's
  // On Error Resume Next then applies to the Execute statement.
  struct Resume {
    Frame* frame;
    bool saved;
    ~Resume() { frame->resumeNext = saved; }
  } resume{frame_, frame_->resumeNext};
  frame_->resumeNext = false;
  AtCaller([&] { ExecBlock(p->top); });
}

namespace {

class ProcRefObject : public Object {
 public:
  ProcRefObject(Interp& in, const Proc* p) : in_(in), p_(p) {}
  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (!name.empty() || kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
    // The caller's variables: ByRef parameters write back through them.
    result = in_.CallMethod(p_, nullptr, nullptr, args);
    return 0;
  }

 private:
  Interp& in_;
  const Proc* p_;
};

}  // namespace

namespace {

// An instance of a script's class.
class ClassInstance : public Object {
 public:
  ClassInstance(Interp& in, const ClassDef* cls)
      : fields(cls->fields.size()), in_(in), cls_(cls), alive_(in.alive) {}
  void LastReleased() override {
    // Once the engine and the class's code are gone, the fields just go.
    if (terminated_ || !*alive_ || !cls_->term) {
      delete this;
      return;
    }
    terminated_ = true;
    refs = 1;  // Me inside Class_Terminate must not free it again
    try {
      std::vector<Variant*> none;
      in_.CallMethod(cls_->term, this, fields.data(), none);
    } catch (...) {
      // Faults in Class_Terminate end it quietly.
    }
    // Class_Terminate may have stored Me somewhere: then it lives on.
    if (--refs == 0) delete this;
  }
  std::string TypeName() const override { return cls_->shown; }

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    std::string key = name.empty() ? cls_->defaultMember : Lower(name);
    if (key.empty()) return kErrNoSuchMember;
    bool inside = in_.CurrentMe() == this;
    bool put = kind == InvokeKind::Let || kind == InvokeKind::Set;
    auto f = cls_->fieldIndex.find(key);
    if (f != cls_->fieldIndex.end()) {
      if (!cls_->fieldPublic[static_cast<size_t>(f->second)] && !inside) return kErrNoSuchMember;
      Variant& field = fields[static_cast<size_t>(f->second)];
      if (put) {
        Variant value = args.back()->Deref();
        if (value.vt == vtObject && kind == InvokeKind::Let) {
          // Without Set an object gives its default value.
          if (!value.o) return kErrObjectNotSet;
          std::vector<Variant*> none;
          Variant plain;
          // A failure here is the value's, not this member's: raised as it is, unnamed.
          if (int err = value.o->Invoke("", InvokeKind::Get, none, plain)) Raise(err);
          value = std::move(plain);
        }
        if (args.size() == 1) {
          field = std::move(value);
          return 0;
        }
        if (field.vt == vtObject) return IndexValue(field, kind, args, result);
        // "obj.arr(i) = x": an element of an array field; a scalar takes no index.
        if (field.vt != vtArray) return kErrNoSuchMember;
        size_t offset;
        if (int err = ElementOffset(*field.a, args.data(), args.size() - 1, offset)) return err;
        field.UniqueArray()->data[offset] = std::move(value);
        return 0;
      }
      if (args.empty()) {
        if (kind == InvokeKind::Method) return kErrInvalidCall;  // "obj.var()" names no element
        result = field;
        return 0;
      }
      if (field.vt != vtArray && field.vt != vtObject) return kErrNoSuchMember;
      return IndexValue(field, kind, args, result);
    }
    auto m = cls_->members.find(key);
    if (m == cls_->members.end()) return kErrNoSuchMember;
    const ClassMember& member = m->second;
    if (!member.isPublic && !inside) return kErrNoSuchMember;
    const Proc* p = nullptr;
    switch (kind) {
      case InvokeKind::Method: p = member.method ? member.method : member.get; break;
      case InvokeKind::Get: p = member.get ? member.get : member.method; break;
      case InvokeKind::Let: p = member.let; break;
      case InvokeKind::Set: p = member.set; break;
    }
    if (!p) return kErrNoSuchMember;
    Variant keep = Variant::Obj(this);
    if (p->params.empty() && !args.empty() && (kind == InvokeKind::Get || kind == InvokeKind::Method)) {
      // "obj.Items(1)" where Items takes nothing: index what it returns.
      std::vector<Variant*> none;
      Variant whole = in_.CallMethod(p, this, fields.data(), none);
      return IndexValue(whole, kind, args, result);
    }
    result = in_.CallMethod(p, this, fields.data(), args);
    return 0;
  }

  // An element of an array value, or the default member of an object.
  static int IndexValue(const Variant& v, InvokeKind kind, std::vector<Variant*>& args, Variant& result) {
    if (v.vt == vtObject) {
      if (!v.o) return kErrObjectNotSet;
      Variant hold = v;
      return hold.o->Invoke("", kind, args, result);
    }
    if (v.vt != vtArray) return kErrTypeMismatch;
    size_t offset;
    if (int err = ElementOffset(*v.a, args.data(), args.size(), offset)) return err;
    result = v.a->data[offset];
    return 0;
  }

  static int ElementOffset(const ArrayRep& a, Variant* const* idx, size_t n, size_t& offset) {
    if (a.bounds.size() != n) return kErrSubscript;
    size_t stride = 1;
    offset = 0;
    for (size_t d = 0; d < n; ++d) {
      int32_t i = ToLong(idx[d]->Deref());
      if (i < 0 || i > a.bounds[d]) return kErrSubscript;
      offset += static_cast<size_t>(i) * stride;
      stride *= static_cast<size_t>(a.bounds[d]) + 1;
    }
    return 0;
  }

  std::vector<Variant> fields;

 private:
  Interp& in_;
  const ClassDef* cls_;
  std::shared_ptr<bool> alive_;
  bool terminated_ = false;
};

}  // namespace

Variant Interp::NewInstance(const ClassDef* cls) {
  auto* inst = new ClassInstance(*this, cls);
  Variant v = Variant::Obj(inst);
  for (size_t i = 0; i < cls->fields.size(); ++i) {
    if (!cls->fieldIsArray[i]) continue;
    auto* a = new ArrayRep;
    const auto& b = cls->fieldBounds[i];
    size_t total = b.empty() ? 0 : 1;
    for (int32_t x : b) total *= static_cast<size_t>(x) + 1;
    a->bounds = b;
    a->fixed = !b.empty();
    a->data.resize(total);
    inst->fields[i] = Variant::Arr(a);
  }
  if (cls->init) {
    std::vector<Variant*> none;
    CallMethod(cls->init, inst, inst->fields.data(), none);
  }
  return v;
}

Object* Interp::ProcRef(const std::string& name) {
  auto it = globals.procs.find(Lower(name));
  if (it == globals.procs.end()) return nullptr;
  return new ProcRefObject(*this, it->second);
}

bool Interp::Call(const std::string& name, std::vector<Variant>& args, Variant* result) {
  auto it = globals.procs.find(Lower(name));
  if (it == globals.procs.end()) return false;
  BusyScope busy(busy_, this);
  LocaleScope locale(lcid);
  Begin();
  topFrame_ = Frame{};
  frame_ = &topFrame_;
  locals_ = nullptr;
  Variant r = RunProc(it->second, args);
  if (result) *result = std::move(r);
  return true;
}

// ---- Statements ------------------------------------------------------------


// ExecBlock's work, also written out where a loop or a call runs its body.
[[gnu::always_inline]] inline Interp::Flow Interp::ExecBody(const Block& block) {
  for (Stmt* s : block) {
    Flow f;
    try {
      f = Exec(s);
    } catch (RuntimeError& e) {
      if (e.line == 0) {
        e.line = s->line;
        e.col = s->col;
        e.program = frame_->program;
      }
      if (fatal_ || !frame_->resumeNext) throw;
      NoteError(e);
      continue;
    } catch (const std::bad_alloc&) {
      if (!frame_->resumeNext) {
        RuntimeError e{kErrOutOfMemory, ErrorText(kErrOutOfMemory), kRuntimeSource, s->line, s->col, frame_->program};
        throw e;
      }
      NoteError(RuntimeError{kErrOutOfMemory, ErrorText(kErrOutOfMemory), kRuntimeSource});
      continue;
    }
    if (f != Flow::Normal) return f;
  }
  return Flow::Normal;
}

Interp::Flow Interp::ExecBlock(const Block& block) { return ExecBody(block); }

// The test at the head of a block (If, ElseIf, Do While, While): under On
// Error Resume Next the statement after a failed test is the first one of
// the block, so a failure counts as true.
[[gnu::always_inline]] inline bool Interp::EntryCondition(Expr* e) {
  try {
    return Condition(e);
  } catch (RuntimeError& err) {
    PassOver(err);
    return true;
  }
}

// "v = v & x": appends in place to a string nobody else holds.
[[gnu::noinline]] Interp::Flow Interp::ExecAppend(Stmt* s) {
  Variant tb;
  const Variant& b = Operand(s->e1->b, tb);
  Variant* target = VarRef(s->target);
  if (target->vt == vtString && target->s->refs == 1 && b.vt != vtNull && b.vt != vtObject &&
      !target->s->extra && (b.vt != vtString || !b.s->extra)) [[likely]] {
    std::string& str = target->s->s;
    if (b.vt == vtString) {
      if (str.size() + b.Text().size() > kMaxStringLength) Raise(kErrOutOfMemory);
      str += b.Text();
    } else {
      std::string tail = ToStr(b);
      if (str.size() + tail.size() > kMaxStringLength) Raise(kErrOutOfMemory);
      str += tail;
    }
    return Flow::Normal;
  }
  Variant r = Concat(*target, b);
  *VarRef(s->target) = std::move(r);
  return Flow::Normal;
}

[[gnu::noinline]] Interp::Flow Interp::ExecAssign(Stmt* s) {
  if (s->target->kind == EK::Local && s->e1->kind == EK::Binary && s->e1->pure && s->e1->op < BinOp::Eq) {
    // Whole numbers straight into the variable.
    WholeVal w = Whole(s->e1);
    if (w.vt != vtEmpty) {
      Variant& dest = locals_[s->target->slot].Deref();
      if (!dest.HoldsReference()) [[likely]] dest.SetWhole(w.vt, w.v);
      else Store(dest, w.vt == vtInteger ? Variant::Int(static_cast<int16_t>(w.v))
                                         : Variant::Long(static_cast<int32_t>(w.v)));
      return Flow::Normal;
    }
  }
  Variant v = Eval(s->e1);
  if (s->target->kind == EK::Local && v.vt != vtObject) {
    Store(locals_[s->target->slot].Deref(), std::move(v));
    return Flow::Normal;
  }
  if (s->target->kind == EK::Index && v.vt != vtObject) {
    // An element of an array variable at a whole-number index that runs no code.
    const Expr* var = s->target->a;
    if (var->kind == EK::Local || var->kind == EK::Global) {
      Variant& arr = var->kind == EK::Local ? locals_[var->slot].Deref() : *var->global;
      if (arr.vt == vtArray) {
        ptrdiff_t quick = QuickIndex(*arr.a, s->target->args);
        if (quick >= 0) {
          ArrayRep* a = arr.a->refs == 1 ? arr.a : arr.UniqueArray();
          a->data[static_cast<size_t>(quick)] = std::move(v);
          return Flow::Normal;
        }
      }
    }
  }
  if (v.vt == vtObject && s->target->kind != EK::Member) {
    // Without Set an object gives its default value (a Property Let gets the object).
    v = ObjectDefault(v);
  }
  Assign(s->target, std::move(v), false);
  return Flow::Normal;
}

[[gnu::noinline]] Interp::Flow Interp::ExecIf(Stmt* s) {
  for (size_t i = 0; i < s->conds.size(); ++i)
    if (EntryCondition(s->conds[i])) return ExecBody(s->blocks[i]);
  if (s->hasElse) return ExecBody(s->body);
  return Flow::Normal;
}

Interp::Flow Interp::ExecWhile(Stmt* s) {
  while (EntryCondition(s->e1)) {
    Flow f = ExecBlock(s->body);
    if (f != Flow::Normal) return f;
    Tick();
  }
  return Flow::Normal;
}

Interp::Flow Interp::ExecExit(Stmt* s) {
  switch (s->exit) {
    case ExitKind::Do: return Flow::ExitDo;
    case ExitKind::For: return Flow::ExitFor;
    default:
      ClearErr();  // Exit Sub and Exit Function clear Err, as On Error Resume Next does
      return Flow::ExitProc;
  }
}

Interp::Flow Interp::ExecWith(Stmt* s) {
  Variant obj;
  try {
    obj = Eval(s->e1);
    if (obj.vt != vtObject) Raise(kErrObjectRequired);
  } catch (RuntimeError& e) {
    // Under On Error Resume Next the body runs; its members find no object (424).
    PassOver(e);
    obj.Clear();
  }
  Variant* slot = s->target->isGlobal ? s->target->global : &locals_[s->target->slot];
  *slot = std::move(obj);
  struct Reset {
    Variant* v;
    ~Reset() { v->Clear(); }
  } reset{slot};
  return ExecBlock(s->body);
}

void Interp::ExecDimArray(Stmt* s) {
  Variant* v = VarRef(s->target);
  if (v->vt == vtArray) {
    // Declared again by Execute or ExecuteGlobal: VBScript refuses.
    if (s->flag) Raise(kErrTypeMismatch);
    return;
  }
  size_t total = 1;
  for (int32_t b : s->bounds) {
    total *= static_cast<size_t>(b) + 1;
    if (total > kMaxArrayElements) Raise(kErrOutOfMemory);
  }
  auto* a = new ArrayRep;
  a->fixed = !s->bounds.empty();
  a->bounds = s->bounds;
  if (!s->bounds.empty()) a->data.resize(total);
  *v = Variant::Arr(a);
}

void Interp::ExecErase(Stmt* s) {
  Variant* v = VarRef(s->target);
  if (v->vt != vtArray) Raise(kErrTypeMismatch);
  ArrayRep* a = v->UniqueArray();
  if (a->fixed) {
    for (auto& x : a->data) x.Clear();
  } else {
    a->bounds.clear();
    a->data.clear();
  }
}

void Interp::ExecRandomize(Stmt* s) {
  double seed;
  if (s->e1) seed = ToDouble(Eval(s->e1));
  else seed = static_cast<double>(std::chrono::steady_clock::now().time_since_epoch().count() % 16777216);
  // Any number seeds: mix the bits of the Double into the middle of the seed.
  uint64_t bits;
  std::memcpy(&bits, &seed, sizeof bits);
  uint32_t mixed = static_cast<uint32_t>(bits >> 32) ^ static_cast<uint32_t>(bits);
  rndSeed = (rndSeed & 0xFF) | ((mixed & 0xFFFF) << 8);
}

// A dispatcher of tail calls: each kind of statement runs in a function of its
// own, so that this one, entered for every statement, sets up no frame.
Interp::Flow Interp::Exec(Stmt* s) {
  switch (s->kind) {
    [[likely]] case SK::Assign:  // the commonest statement
      if (s->flag) return ExecAppend(s);
      return ExecAssign(s);
    case SK::If: return ExecIf(s);
    case SK::CallStmt: return ExecCallStatement(s->e1);
    case SK::For: return ExecFor(s);
    case SK::Nop: return Flow::Normal;
    case SK::Set: return ExecSet(s);
    case SK::Select: return ExecSelect(s);
    case SK::ForEach: return ExecForEach(s);
    case SK::Do: return ExecDo(s);
    case SK::While: return ExecWhile(s);
    case SK::Exit: return ExecExit(s);
    case SK::With: return ExecWith(s);
    default: return ExecOther(s);
  }
}

Interp::Flow Interp::ExecSet(Stmt* s) {
  Variant v = Eval(s->e1);
  if (v.vt != vtObject) Raise(kErrObjectRequired);
  Assign(s->target, std::move(v), true);
  return Flow::Normal;
}

Interp::Flow Interp::ExecOther(Stmt* s) {
  switch (s->kind) {
    case SK::OnErrorResume:
      frame_->resumeNext = true;
      ClearErr();
      break;
    case SK::OnErrorGoto0:
      frame_->resumeNext = false;
      ClearErr();
      break;
    case SK::DimArray: ExecDimArray(s); break;
    case SK::ReDim: ExecReDim(s); break;
    case SK::Erase: ExecErase(s); break;
    case SK::Randomize: ExecRandomize(s); break;
    default: break;
  }
  return Flow::Normal;
}

bool Interp::Condition(Expr* e) {
  if (e->kind == EK::Binary && e->pure && e->op >= BinOp::Eq) {
    // A comparison of whole numbers: no Variant for its answer.
    WholeVal w = (e->whole ? e->whole : PickWhole(e))(*this, e);
    if (w.vt == vtBoolean) return w.v != 0;
  }
  return ConditionOf(e);
}

// A value that is a Boolean comes back as one (true, with `b`); any other
// value goes into `other` (false). Not, And and Or of Booleans and array
// elements at simple indexes make no Variant on the way.
// A Boolean array element at a simple index: 0 or 1; else -1 (BoolOf decides).
[[gnu::always_inline]] inline int Interp::QuickBool(const Expr* e) {
  if (e->kind != EK::Index) return -1;
  const Expr* var = e->a;
  if (var->kind != EK::Local && var->kind != EK::Global) return -1;
  const Variant& arr = var->kind == EK::Local ? locals_[var->slot].Deref() : *var->global;
  if (arr.vt != vtArray) return -1;
  ptrdiff_t quick = QuickIndex(*arr.a, e->args);
  if (quick < 0) return -1;
  const Variant& x = arr.a->data[static_cast<size_t>(quick)];
  return x.vt == vtBoolean ? x.b : -1;
}

bool Interp::BoolOf(Expr* e, bool& b, Variant& other) {
  switch (e->kind) {
    case EK::Not: {
      bool x;
      if (int q = QuickBool(e->a); q >= 0) {
        b = !q;
        return true;
      }
      if (BoolOf(e->a, x, other)) {
        b = !x;
        return true;
      }
      other = Not(other);
      return false;
    }
    case EK::Binary:
      if (e->op == BinOp::And || e->op == BinOp::Or) {
        bool x, y;
        if (int q = QuickBool(e->a); q >= 0) {
          x = q;
        } else if (!BoolOf(e->a, x, other)) [[unlikely]] {
          LogicWith(e, other);
          return false;
        }
        if (int q = QuickBool(e->b); q >= 0) {
          y = q;
        } else if (!BoolOf(e->b, y, other)) [[unlikely]] {
          other = Logic(e->op, Variant::Bool(x), other);
          return false;
        }
        b = e->op == BinOp::And ? x && y : x || y;
        return true;
      }
      break;
    case EK::Index: {
      const Expr* var = e->a;
      if (var->kind == EK::Local || var->kind == EK::Global) {
        const Variant& arr = var->kind == EK::Local ? locals_[var->slot].Deref() : *var->global;
        if (arr.vt == vtArray) {
          ptrdiff_t quick = QuickIndex(*arr.a, e->args);
          if (quick >= 0) {
            const Variant& x = arr.a->data[static_cast<size_t>(quick)];
            if (x.vt == vtBoolean) {
              b = x.b;
              return true;
            }
            other = x;
            return false;
          }
        }
      }
      break;
    }
    default: break;
  }
  other = Eval(e);
  if (other.vt == vtBoolean) {
    b = other.b;
    return true;
  }
  return false;
}

// And/Or whose left operand gave `value`, no Boolean: the right one and the operator.
void Interp::LogicWith(Expr* e, Variant& value) {
  bool y;
  Variant vy;
  bool isY = BoolOf(e->b, y, vy);
  value = Logic(e->op, value, isY ? Variant::Bool(y) : vy);
}

bool Interp::ConditionOf(Expr* e) {
  if (e->kind == EK::Not || e->kind == EK::Index || (e->kind == EK::Binary && (e->op == BinOp::And || e->op == BinOp::Or))) {
    bool b;
    Variant v;
    if (BoolOf(e, b, v)) return b;
    if (v.vt == vtNull) return false;
    return ToBool(v);
  }
  Variant v = Eval(e);
  if (v.vt == vtBoolean) return v.b;
  if (v.vt == vtNull) return false;
  return ToBool(v);
}

// The start, end and step of a For loop. False when they failed under On Error
// Resume Next: the loop is then uninitialised (ForNotInitialised).
bool Interp::ForBounds(Stmt* s, Variant& start, Variant& end, Variant& step) {
  try {
    start = Eval(s->e1);
    end = ToNumeric(Eval(s->e2));
    step = s->e3 ? ToNumeric(Eval(s->e3)) : Variant::Int(1);
    start = ToNumeric(start);
    if (start.IsNull() || end.IsNull() || step.IsNull()) Raise(kErrInvalidNull);
  } catch (RuntimeError& e) {
    PassOver(e);
    return false;
  }
  return true;
}

// A loop whose header failed under On Error Resume Next: the body runs once
// and Next fails.
Interp::Flow Interp::ForNotInitialised(Stmt* s) {
  Flow f = ExecBlock(s->body);
  if (f == Flow::ExitFor) return Flow::Normal;
  if (f != Flow::Normal) return f;
  Raise(kErrForNotInit);
}

Interp::Flow Interp::ExecFor(Stmt* s) {
  Variant start, end, step;
  if (!ForBounds(s, start, end, step)) [[unlikely]]
    return ForNotInitialised(s);
  Variant* var = VarRef(s->target);
  *var = start;
  bool whole = (end.vt == vtInteger || end.vt == vtLong) && (step.vt == vtInteger || step.vt == vtLong);
  if (whole) {
    int64_t e = end.vt == vtInteger ? end.i : end.l;
    int64_t st = step.vt == vtInteger ? step.i : step.l;
    bool longs = end.vt == vtLong || step.vt == vtLong || start.vt == vtLong;
    for (;;) {
      Variant& cur = *var;
      int64_t i;
      if (cur.vt == vtInteger) i = cur.i;
      else if (cur.vt == vtLong) i = cur.l;
      else break;  // the body changed its type: go on below
      if (st >= 0 ? i > e : i < e) return Flow::Normal;
      Flow f = ExecBody(s->body);
      if (f == Flow::ExitFor) return Flow::Normal;
      if (f != Flow::Normal) return f;
      Variant& after = *var;
      int64_t j;
      if (after.vt == vtInteger) j = after.i;
      else if (after.vt == vtLong) j = after.l;
      else {
        after = Arith(BinOp::Add, after, step);
        Tick();
        break;
      }
      j += st;
      // `after` holds a whole number: nothing to release.
      if (!longs && j >= INT16_MIN && j <= INT16_MAX) after.SetWhole(vtInteger, j);
      else if (j >= INT32_MIN && j <= INT32_MAX) after.SetWhole(vtLong, j);
      else after = Variant::Double(static_cast<double>(j));
      Tick();
    }
  }
  bool down = ToDouble(step) < 0;
  for (;;) {
    Variant c = Compare(down ? BinOp::Lt : BinOp::Gt, *var, end);
    if (c.vt == vtBoolean && c.b) return Flow::Normal;
    Flow f = ExecBlock(s->body);
    if (f == Flow::ExitFor) return Flow::Normal;
    if (f != Flow::Normal) return f;
    *var = Arith(BinOp::Add, *var, step);
    Tick();
  }
}

Interp::Flow Interp::ExecForEach(Stmt* s) {
  Variant coll;
  try {
    coll = Eval(s->e1);
  } catch (RuntimeError& e) {
    // Under On Error Resume Next the body runs once and Next fails (451).
    PassOver(e);
    return ForEachFailed(s, kErrNotCollection);
  }
  Variant* var = VarRef(s->target);
  if (coll.vt == vtArray) {
    // The loop walks the array as it was: writes to it copy it first.
    const ArrayRep* a = coll.a;
    for (size_t i = 0; i < a->data.size(); ++i) {
      *var = a->data[i];
      Flow f = ExecBlock(s->body);
      if (f == Flow::ExitFor) return Flow::Normal;
      if (f != Flow::Normal) return f;
      Tick();
    }
    return Flow::Normal;
  }
  if (coll.vt == vtObject) {
    if (!coll.o) Raise(kErrObjectNotSet);
    std::vector<Variant> items;
    int err = coll.o->Enumerate(items);
    if (err) return ForEachFailed(s, err);
    for (auto& item : items) {
      *var = item;
      Flow f = ExecBlock(s->body);
      if (f == Flow::ExitFor) return Flow::Normal;
      if (f != Flow::Normal) return f;
      Tick();
    }
    return Flow::Normal;
  }
  return ForEachFailed(s, kErrNotCollection);
}

// An error in the head of a block: rethrown unless On Error Resume Next
// passes it over (called from the handler that caught it).
[[gnu::cold]] void Interp::PassOver(RuntimeError& e) {
  if (fatal_ || !frame_->resumeNext) throw;
  NoteError(e);
}

// An error passed over by On Error Resume Next: the Err object takes it.
[[gnu::cold]] [[gnu::noinline]] void Interp::NoteError(const RuntimeError& e) {
  errNumber = e.number;
  errDescription = e.description;
  errSource = e.source;
  if (!e.keepsHelp) {
    // The engine's own errors have no help; only Err.Raise sets it.
    errHelpFile.clear();
    errHelpContext = 0;
  }
}

// For Each over what is no collection: under On Error Resume Next the body
// runs once, and the loop then ends with the error.
Interp::Flow Interp::ForEachFailed(Stmt* s, int err) {
  if (fatal_ || !frame_->resumeNext) Raise(err);
  Flow f = ExecBlock(s->body);
  if (f == Flow::ExitFor) return Flow::Normal;
  if (f != Flow::Normal) return f;
  Raise(err);
}

Interp::Flow Interp::ExecDo(Stmt* s) {
  for (;;) {
    if (s->flag && s->e1) {
      bool c = EntryCondition(s->e1);
      if (s->until ? c : !c) return Flow::Normal;
    }
    Flow f = ExecBlock(s->body);
    if (f == Flow::ExitDo) return Flow::Normal;
    if (f != Flow::Normal) return f;
    if (!s->flag && s->e1) {
      bool c = Condition(s->e1);
      if (s->until ? c : !c) return Flow::Normal;
    }
    Tick();
  }
}

Interp::Flow Interp::ExecSelect(Stmt* s) {
  Variant subject = Eval(s->e1);
  auto truth = [](const Variant& v) { return v.vt == vtBoolean && v.b; };
  for (CaseClause& c : s->cases) {
    for (CaseItem& item : c.items) {
      bool hit;
      try {
        if (item.kind == 0) {
          hit = truth(Compare(BinOp::Eq, subject, Eval(item.a)));
        } else if (item.kind == 1) {
          Variant lo = Eval(item.a), hi = Eval(item.b);
          hit = truth(Compare(BinOp::Ge, subject, lo)) && truth(Compare(BinOp::Le, subject, hi));
        } else {
          hit = truth(Compare(item.op, subject, Eval(item.a)));
        }
      } catch (RuntimeError& e) {
        // Under On Error Resume Next a failed Case runs its statements.
        PassOver(e);
        hit = true;
      }
      if (hit) return ExecBlock(c.body);
    }
  }
  if (s->hasElse) return ExecBlock(s->body);
  return Flow::Normal;
}

void Interp::StoreArray(Variant& dest, Variant& value) {
  if (dest.vt == vtArray && dest.a->fixed) Raise(kErrFixedArray);
  value.Unfix();
  dest = std::move(value);
}

void Interp::ExecReDim(Stmt* s) {
  // A fixed-size array refuses before its new bounds are looked at.
  if (IsVar(s->target) && VarRef(s->target)->vt == vtArray && VarRef(s->target)->a->fixed) Raise(kErrFixedArray);
  std::vector<int32_t> bounds;
  size_t total = 1;
  for (Expr* e : s->conds) {
    int32_t b = ToLong(Eval(e));
    if (b < -1) Raise(kErrSubscript);
    bounds.push_back(b);
    total *= static_cast<size_t>(b + 1);
    if (total > kMaxArrayElements) Raise(kErrOutOfMemory);
  }
  Variant* v = LRef(s->target);
  if (v->vt == vtArray && v->a->fixed) Raise(kErrFixedArray);
  auto* a = new ArrayRep;
  Variant fresh = Variant::Arr(a);
  a->bounds = bounds;
  a->data.resize(total);
  if (s->flag && v->vt == vtArray && !v->a->bounds.empty()) {
    const ArrayRep& old = *v->a;
    if (old.bounds.size() != bounds.size()) Raise(kErrSubscript);
    for (size_t d = 0; d + 1 < bounds.size(); ++d)
      if (old.bounds[d] != bounds[d]) Raise(kErrSubscript);
    // Only the last dimension changes: the elements keep their offsets.
    size_t keep = std::min(old.data.size(), a->data.size());
    for (size_t i = 0; i < keep; ++i) a->data[i] = old.data[i];
  }
  *v = std::move(fresh);
}

Interp::Flow Interp::ExecCallStatement(Expr* e) {
  switch (e->kind) {
    case EK::Call: CallProc(e->proc, e->args); return Flow::Normal;
    case EK::Builtin:
      CallBuiltin(e);
      if (e->builtin->callError) Raise(e->builtin->callError);
      return Flow::Normal;
    case EK::Member: CallMember(e, InvokeKind::Method, nullptr); return Flow::Normal;
    case EK::Dynamic: CallDynamic(e, true); return Flow::Normal;
    case EK::GlobalMember: {
      bool found;
      CallGlobalMember(e, InvokeKind::Method, nullptr, &found);
      if (!found) Raise(kErrNotDefined);
      return Flow::Normal;
    }
    case EK::Local: case EK::Global: case EK::Index: {
      Variant v = Eval(e->kind == EK::Index ? e->a : e);
      if (v.vt == vtObject && v.o) {
        Invoke(v.o, "", InvokeKind::Method, e->args, nullptr);
        return Flow::Normal;
      }
      Raise(kErrTypeMismatch);
    }
    default: Eval(e); return Flow::Normal;
  }
  return Flow::Normal;
}

// ---- Variables -------------------------------------------------------------

Variant* Interp::VarRef(Expr* e) {
  switch (e->kind) {
    case EK::Local: return &locals_[e->slot].Deref();
    case EK::Global: return e->global;
    case EK::FrameVar: return FrameVar(e, true);
    case EK::Undefined: RaiseNamed(kErrUndefinedVar, e->shown);
    case EK::Illegal: Raise(e->number);
    default: Raise(kErrInvalidCall);
  }
}

size_t Interp::Offset(const ArrayRep& a, const int32_t* idx, size_t n) {
  // "a()" of an array without dimensions names no element.
  if (n == 0 || n != a.bounds.size()) Raise(kErrSubscript);
  size_t off = 0, stride = 1;
  for (size_t d = 0; d < n; ++d) {
    if (idx[d] < 0 || idx[d] > a.bounds[d]) Raise(kErrSubscript);
    off += static_cast<size_t>(idx[d]) * stride;
    stride *= static_cast<size_t>(a.bounds[d]) + 1;
  }
  return off;
}

// The indexes of an element, evaluated left to right into idx (room for 64);
// more than 60 is error 9 before any is evaluated. Returns their count.
size_t Interp::EvalIndexes(const std::vector<Expr*>& args, int32_t* idx) {
  size_t n = args.size();
  if (n > 60) Raise(kErrSubscript);
  for (size_t i = 0; i < n; ++i) idx[i] = ToLong(Eval(args[i]));
  return n;
}

Variant* Interp::LRef(Expr* e) {
  if (e->kind != EK::Index) return VarRef(e);
  int32_t idx[64];
  size_t n = e->args.size();
  if (n > 60) Raise(kErrSubscript);
  for (size_t i = 0; i < n; ++i) idx[i] = ToLong(Eval(e->args[i]));
  if (!IsVar(e->a) && e->a->kind != EK::Index) Raise(kErrIllegalAssign);
  Variant* base = LRef(e->a);
  if (base->vt != vtArray) Raise(kErrTypeMismatch);
  ArrayRep* a = base->UniqueArray();
  return &a->data[Offset(*a, idx, n)];
}

void Interp::Assign(Expr* t, Variant value, bool isSet) {
  switch (t->kind) {
    case EK::Local: Store(locals_[t->slot].Deref(), std::move(value)); return;
    case EK::Global: Store(*t->global, std::move(value)); return;
    case EK::Index: {
      if (IsVar(t->a)) {
        Variant* base = VarRef(t->a);
        if (base->vt == vtObject) {
          if (!base->o) Raise(kErrObjectNotSet);
          Variant obj = *base;
          Invoke(obj.o, "", isSet ? InvokeKind::Set : InvokeKind::Let, t->args, &value);
          return;
        }
        ptrdiff_t quick = base->vt == vtArray ? QuickIndex(*base->a, t->args) : -1;
        if (quick >= 0) {
          base->UniqueArray()->data[static_cast<size_t>(quick)] = std::move(value);
          return;
        }
      }
      *LRef(t) = std::move(value);
      return;
    }
    case EK::FrameVar: Store(*FrameVar(t, true), std::move(value)); return;
    case EK::Dynamic: {
      // "a(1) = x" where a came to be after the code was compiled (ExecuteGlobal "ReDim a(2)").
      Variant* base = DynamicVar(t);
      if (!base) RaiseNamed(kErrTypeMismatch, t->shown);
      if (base->vt == vtObject) {
        if (!base->o) Raise(kErrObjectNotSet);
        Variant obj = *base;
        Invoke(obj.o, "", isSet ? InvokeKind::Set : InvokeKind::Let, t->args, &value);
        return;
      }
      if (base->vt != vtArray) RaiseNamed(kErrTypeMismatch, t->shown);
      int32_t idx[64];
      size_t n = EvalIndexes(t->args, idx);
      base = DynamicVar(t);  // the indexes may have run code
      if (!base || base->vt != vtArray) Raise(kErrTypeMismatch);
      ArrayRep* a = base->UniqueArray();
      a->data[Offset(*a, idx, n)] = std::move(value);
      return;
    }
    case EK::Member: CallMember(t, isSet ? InvokeKind::Set : InvokeKind::Let, &value); return;
    case EK::GlobalMember: {
      bool found;
      CallGlobalMember(t, isSet ? InvokeKind::Set : InvokeKind::Let, &value, &found);
      if (!found) Raise(kErrIllegalAssign);
      return;
    }
    case EK::Undefined: RaiseNamed(kErrUndefinedVar, t->shown);
    case EK::Illegal: Raise(t->number);
    default: Raise(kErrIllegalAssign);
  }
}

Variant Interp::IndexGet(Expr* e) {
  int32_t idx[64];
  size_t n = e->args.size();
  const Variant* base;
  Variant holder;
  if (IsVar(e->a)) {
    base = VarRef(e->a);
  } else {
    holder = Eval(e->a);
    base = &holder;
  }
  if (base->vt == vtObject) {
    if (!base->o) Raise(kErrObjectNotSet);
    Variant obj = *base;
    return Invoke(obj.o, "", InvokeKind::Get, e->args, nullptr);
  }
  if (base->vt != vtArray) Raise(kErrTypeMismatch);
  ptrdiff_t quick = QuickIndex(*base->a, e->args);
  if (quick >= 0) return base->a->data[static_cast<size_t>(quick)];
  if (n > 60) Raise(kErrSubscript);
  // Index expressions may run code that changes the array: hold it.
  Variant arr = *base;
  for (size_t i = 0; i < n; ++i) {
    Variant x = Eval(e->args[i]);
    idx[i] = x.vt == vtInteger ? x.i : x.vt == vtLong ? x.l : ToLong(x);
  }
  return arr.a->data[Offset(*arr.a, idx, n)];
}

// ---- Expressions -----------------------------------------------------------

bool Interp::EvalWhole(const Expr* e, int64_t& v, bool& isLong) {
  const Variant* p;
  switch (e->kind) {
    case EK::Literal: p = &e->lit; break;
    case EK::Local: p = &locals_[e->slot].Deref(); break;
    case EK::Global: p = e->global; break;
    case EK::Binary: {
      int64_t x, y;
      bool lx, ly;
      // Leaves inline; only nested operators recurse.
      auto operand = [&](const Expr* o, int64_t& out, bool& isL) -> bool {
        const Variant* q;
        switch (o->kind) {
          case EK::Literal: q = &o->lit; break;
          case EK::Local: q = &locals_[o->slot].Deref(); break;
          case EK::Global: q = o->global; break;
          default: return EvalWhole(o, out, isL);
        }
        if (q->vt == vtInteger) {
          out = q->i;
          isL = false;
          return true;
        }
        if (q->vt == vtLong) {
          out = q->l;
          isL = true;
          return true;
        }
        return false;
      };
      if (!operand(e->a, x, lx) || !operand(e->b, y, ly)) return false;
      int64_t r;
      switch (e->op) {
        case BinOp::Add: r = x + y; break;
        case BinOp::Sub: r = x - y; break;
        case BinOp::Mul: r = x * y; break;
        case BinOp::Mod:
          if (y == 0) return false;
          r = y == -1 ? 0 : static_cast<int32_t>(x) % static_cast<int32_t>(y);
          break;
        case BinOp::IntDiv:
          if (y == 0) return false;
          r = x / y;
          break;
        default: return false;
      }
      if (!lx && !ly && r >= INT16_MIN && r <= INT16_MAX) {
        v = r;
        isLong = false;
        return true;
      }
      if (r < INT32_MIN || r > INT32_MAX) return false;
      v = r;
      isLong = true;
      return true;
    }
    default: return false;
  }
  if (p->vt == vtInteger) {
    v = p->i;
    isLong = false;
    return true;
  }
  if (p->vt == vtLong) {
    v = p->l;
    isLong = true;
    return true;
  }
  return false;
}

namespace {
enum : int { kLeafLocal, kLeafGlobal, kLeafLiteral, kLeafNode };

int LeafKind(const Expr* o) {
  switch (o->kind) {
    case EK::Local: return kLeafLocal;
    case EK::Global: return kLeafGlobal;
    case EK::Literal: return kLeafLiteral;
    default: return kLeafNode;
  }
}

// x Mod d for a divisor known beforehand: a multiplication by its reciprocal
// (magic = 2^64 / |d| + 1) in place of a division; the sign is the dividend's.
inline int64_t ModByMagic(int64_t x, uint64_t magic, int64_t d) {
  uint32_t ux = static_cast<uint32_t>(x < 0 ? -x : x);
  uint32_t ud = static_cast<uint32_t>(d < 0 ? -d : d);
  uint64_t low = magic * ux;
  auto r = static_cast<int64_t>((static_cast<unsigned __int128>(low) * ud) >> 64);
  return x < 0 ? -r : r;
}
}  // namespace

template <int K>
[[gnu::always_inline]] inline WholeVal Interp::WholeLeaf(const Expr* o) {
  if constexpr (K == kLeafNode) return o->whole(*this, o);
  else if constexpr (K == kLeafLocal) return WholeOf(locals_[o->slot].Deref());
  else if constexpr (K == kLeafGlobal) return WholeOf(*o->global);
  else return WholeOf(o->lit);
}

template <BinOp OP, int KA, int KB>
WholeVal Interp::WholeBinary(Interp& in, const Expr* e) {
  WholeVal a = in.WholeLeaf<KA>(e->a);
  if (a.vt == vtEmpty) return a;
  WholeVal b = in.WholeLeaf<KB>(e->b);
  if (b.vt == vtEmpty) return b;
  int64_t x = a.v, y = b.v, r;
  // A comparison answers a Boolean.
  if constexpr (OP == BinOp::Eq) return {x == y, vtBoolean};
  if constexpr (OP == BinOp::Ne) return {x != y, vtBoolean};
  if constexpr (OP == BinOp::Lt) return {x < y, vtBoolean};
  if constexpr (OP == BinOp::Gt) return {x > y, vtBoolean};
  if constexpr (OP == BinOp::Le) return {x <= y, vtBoolean};
  if constexpr (OP == BinOp::Ge) return {x >= y, vtBoolean};
  if constexpr (OP == BinOp::Add) {
    r = x + y;
  } else if constexpr (OP == BinOp::Sub) {
    r = x - y;
  } else if constexpr (OP == BinOp::Mul) {
    r = x * y;
  } else if constexpr (OP == BinOp::Mod) {
    if (y == 0) return {0, vtEmpty};
    if constexpr (KB == kLeafLiteral) r = ModByMagic(x, e->magic, y);
    else r = y == -1 ? 0 : static_cast<int32_t>(x) % static_cast<int32_t>(y);
  } else if constexpr (OP == BinOp::IntDiv) {
    if (y == 0) return {0, vtEmpty};
    r = x / y;
  } else {
    return {0, vtEmpty};
  }
  if ((a.vt | b.vt) == vtInteger && r >= INT16_MIN && r <= INT16_MAX) return {r, vtInteger};
  if (r < INT32_MIN || r > INT32_MAX) return {0, vtEmpty};
  return {r, vtLong};
}

namespace {
using AnyWholeFn = WholeVal (*)(Interp&, const Expr*);
AnyWholeFn PickOperand(int kb, AnyWholeFn local, AnyWholeFn global, AnyWholeFn literal, AnyWholeFn node) {
  switch (kb) {
    case kLeafLocal: return local;
    case kLeafGlobal: return global;
    case kLeafLiteral: return literal;
    default: return node;
  }
}
}  // namespace

Interp::WholeFn Interp::PickWhole(const Expr* e) {
  // The nested operators first: their evaluators are called directly.
  for (const Expr* o : {e->a, e->b})
    if (o->kind == EK::Binary && !o->whole) const_cast<Expr*>(o)->whole = PickWhole(o);
  if (e->op == BinOp::Mod && e->b->kind == EK::Literal) {
    int64_t d = e->b->lit.vt == vtInteger ? e->b->lit.i : e->b->lit.l;
    uint64_t ud = static_cast<uint64_t>(d < 0 ? -d : d);
    const_cast<Expr*>(e)->magic = ud ? UINT64_MAX / ud + 1 : 0;
  }
  int ka = LeafKind(e->a), kb = LeafKind(e->b);
  WholeFn f = nullptr;
#define QF_WHOLE_B(OP, KA)                                                                                 \
  f = PickOperand(kb, &WholeBinary<OP, KA, kLeafLocal>, &WholeBinary<OP, KA, kLeafGlobal>,      \
                          &WholeBinary<OP, KA, kLeafLiteral>, &WholeBinary<OP, KA, kLeafNode>)
#define QF_WHOLE_A(OP)                                      \
  switch (ka) {                                             \
    case kLeafLocal: QF_WHOLE_B(OP, kLeafLocal); break;     \
    case kLeafGlobal: QF_WHOLE_B(OP, kLeafGlobal); break;   \
    case kLeafLiteral: QF_WHOLE_B(OP, kLeafLiteral); break; \
    default: QF_WHOLE_B(OP, kLeafNode); break;              \
  }
  switch (e->op) {
    case BinOp::Add: QF_WHOLE_A(BinOp::Add); break;
    case BinOp::Sub: QF_WHOLE_A(BinOp::Sub); break;
    case BinOp::Mul: QF_WHOLE_A(BinOp::Mul); break;
    case BinOp::Mod: QF_WHOLE_A(BinOp::Mod); break;
    case BinOp::IntDiv: QF_WHOLE_A(BinOp::IntDiv); break;
    case BinOp::Eq: QF_WHOLE_A(BinOp::Eq); break;
    case BinOp::Ne: QF_WHOLE_A(BinOp::Ne); break;
    case BinOp::Lt: QF_WHOLE_A(BinOp::Lt); break;
    case BinOp::Gt: QF_WHOLE_A(BinOp::Gt); break;
    case BinOp::Le: QF_WHOLE_A(BinOp::Le); break;
    case BinOp::Ge: QF_WHOLE_A(BinOp::Ge); break;
    default: f = [](Interp&, const Expr*) { return WholeVal{0, vtEmpty}; };
  }
#undef QF_WHOLE_A
#undef QF_WHOLE_B
  const_cast<Expr*>(e)->whole = f;
  return f;
}

// The commonest expressions answer at once; the others go on to a function of
// their own, so that this one needs no stack frame of its size.
Variant Interp::Eval(Expr* e) {
  switch (e->kind) {
    case EK::Literal: return e->lit;
    case EK::Local: return locals_[e->slot].Deref();
    case EK::Global: return *e->global;
    case EK::Binary: return EvalBinary(e);
    case EK::Call: return CallProc(e->proc, e->args);
    case EK::Builtin: return CallBuiltin(e);
    case EK::Index: return EvalIndex(e);
    case EK::Not: return EvalNot(e);
    default: return EvalOther(e);
  }
}

Variant Interp::EvalNot(Expr* e) {
  Variant v = Eval(e->a);
  if (v.vt == vtBoolean) return Variant::Bool(!v.b);
  return Not(v);
}

// An element of an array variable at a whole-number index that runs no code
// is read directly; IndexGet does the rest.
Variant Interp::EvalIndex(Expr* e) {
  const Expr* var = e->a;
  if (var->kind == EK::Local || var->kind == EK::Global) {
    const Variant& arr = var->kind == EK::Local ? locals_[var->slot].Deref() : *var->global;
    if (arr.vt == vtArray) {
      ptrdiff_t quick = QuickIndex(*arr.a, e->args);
      if (quick >= 0) return arr.a->data[static_cast<size_t>(quick)];
    }
  }
  return IndexGet(e);
}

// An operator of whole numbers (Expr::pure) is tried in plain integers first:
// intermediate results stay out of Variants.
Variant Interp::EvalBinary(Expr* e) {
  if (e->pure) {
    WholeVal w = (e->whole ? e->whole : PickWhole(e))(*this, e);
    if (w.vt == vtLong) return Variant::Long(static_cast<int32_t>(w.v));
    if (w.vt == vtInteger) return Variant::Int(static_cast<int16_t>(w.v));
    if (w.vt == vtBoolean) return Variant::Bool(w.v != 0);
  }
  return EvalOperator(e);
}

Variant Interp::EvalOperator(Expr* e) {
  Variant ta, tb;
  const Variant& a = Operand(e->a, ta);
  const Variant& b = Operand(e->b, tb);
  if ((a.vt == vtInteger || a.vt == vtLong) && (b.vt == vtInteger || b.vt == vtLong) && e->op <= BinOp::Sub) {
    // Whole numbers added or subtracted: the common case, answered here.
    int64_t x = a.vt == vtInteger ? a.i : a.l;
    int64_t y = b.vt == vtInteger ? b.i : b.l;
    int64_t r = e->op == BinOp::Add ? x + y : x - y;
    if ((a.vt | b.vt) == vtInteger && r >= INT16_MIN && r <= INT16_MAX) return Variant::Int(static_cast<int16_t>(r));
    if (r >= INT32_MIN && r <= INT32_MAX) return Variant::Long(static_cast<int32_t>(r));
    return Variant::Double(static_cast<double>(r));
  }
  return OperatorOf(e, a, b);
}

// The operator on two values: whole numbers without leaving the function, then
// comparisons, Booleans and the rest.
Variant Interp::OperatorOf(Expr* e, const Variant& a, const Variant& b) {
  if ((a.vt == vtInteger || a.vt == vtLong) && (b.vt == vtInteger || b.vt == vtLong)) {
    int64_t x = a.vt == vtInteger ? a.i : a.l;
    int64_t y = b.vt == vtInteger ? b.i : b.l;
    int64_t r;
    switch (e->op) {
      case BinOp::Add: r = x + y; break;
      case BinOp::Sub: r = x - y; break;
      case BinOp::Mul: r = x * y; break;
      case BinOp::Mod:
        if (y == 0) Raise(kErrDivByZero);
        // 32-bit division is much faster than 64-bit; y = -1 would trap on INT32_MIN.
        r = y == -1 ? 0 : static_cast<int32_t>(x) % static_cast<int32_t>(y);
        break;
      case BinOp::Eq: return Variant::Bool(x == y);
      case BinOp::Ne: return Variant::Bool(x != y);
      case BinOp::Lt: return Variant::Bool(x < y);
      case BinOp::Gt: return Variant::Bool(x > y);
      case BinOp::Le: return Variant::Bool(x <= y);
      case BinOp::Ge: return Variant::Bool(x >= y);
      default: return Apply(e->op, a, b);
    }
    if (a.vt == vtInteger && b.vt == vtInteger && r >= INT16_MIN && r <= INT16_MAX)
      return Variant::Int(static_cast<int16_t>(r));
    if (r >= INT32_MIN && r <= INT32_MAX) return Variant::Long(static_cast<int32_t>(r));
    return Variant::Double(static_cast<double>(r));
  }
  if (e->op >= BinOp::Eq && e->op <= BinOp::Ge) {
    // Operands written as literals decide how a string meets a number.
    return Compare(e->op, a, b, e->literals);
  }
  if (a.vt == vtBoolean && b.vt == vtBoolean) {
    if (e->op == BinOp::Or) return Variant::Bool(a.b || b.b);
    if (e->op == BinOp::And) return Variant::Bool(a.b && b.b);
  }
  return Apply(e->op, a, b);
}

// The less frequent expressions, kept apart so that Eval stays small.
Variant Interp::EvalOther(Expr* e) {
  switch (e->kind) {
    case EK::WithObj: return e->isGlobal ? *e->global : locals_[e->slot];
    case EK::Index: return IndexGet(e);
    case EK::Paren: return Eval(e->a);
    case EK::Neg: return Negate(Eval(e->a));
    case EK::Not: return Not(Eval(e->a));
    case EK::Member: return CallMember(e, e->parens ? InvokeKind::Method : InvokeKind::Get, nullptr);
    case EK::Dynamic: return CallDynamic(e, false);
    case EK::GlobalMember: {
      bool found;
      Variant r = CallGlobalMember(e, InvokeKind::Get, nullptr, &found);
      if (!found) {
        if (e->parens) Raise(kErrTypeMismatch);
        return Variant();
      }
      return r;
    }
    case EK::Missing: return Variant::Missing();
    case EK::Me:
      // Me(args): the class's default member.
      if (e->parens && frame_->me) return Invoke(frame_->me, "", InvokeKind::Get, e->args, nullptr);
      return Variant::Obj(frame_->me);
    case EK::FrameVar: {
      if (Variant* v = FrameVar(e, false)) return *v;
      if (!globals.memberHosts.empty()) {
        bool found;
        Variant r = CallGlobalMember(e, InvokeKind::Get, nullptr, &found);
        if (found) return r;
      }
      return Variant();
    }
    case EK::New: {
      // The built-in classes come first: a script's own class RegExp does not hide them.
      if (Object* o = NewBuiltinObject(e->name)) return Variant::Obj(o);
      auto c = globals.classes.find(e->name);
      if (c != globals.classes.end()) return NewInstance(c->second);
      // Under Option Explicit a name declared nowhere is an undefined variable.
      bool declared = globals.slots.count(e->name) || (frame_->proc && frame_->proc->locals.count(e->name));
      Raise(frame_->program && frame_->program->optionExplicit && !declared ? kErrUndefinedVar
                                                                             : kErrClassNotDefined);
    }
    case EK::Undefined: RaiseNamed(kErrUndefinedVar, e->shown);
    case EK::Illegal: Raise(e->number);  // a built-in's text names no built-in
    case EK::Name: Raise(kErrNotDefined);
    default: break;
  }
  return Variant();
}

[[gnu::always_inline]] inline Interp::ProcEntry::ProcEntry(Interp& interp, const Proc* p, size_t nargs)
    : in(interp) {
  if (nargs != p->params.size()) [[unlikely]] RaiseNamed(kErrWrongArgs, p->shown);
  char probe;
  if (&probe < in.stackLimit_ || in.depth_ > 100000) [[unlikely]] Raise(kErrOutOfStack);
  if (!in.stack_) [[unlikely]] in.EnsureStack();
  base = in.sp_;
  need = static_cast<size_t>(p->nslots);
  if (base + need > in.stackCap_) Raise(kErrOutOfStack);
  locals = &in.stack_[base];
  in.sp_ = base + need;
  saved = in.frame_;
  ++in.depth_;
}

[[gnu::always_inline]] inline Interp::ProcEntry::~ProcEntry() {
  in.frame_ = saved;
  in.locals_ = saved->locals;
  for (size_t i = 0; i < need; ++i) locals[i].Clear();
  in.sp_ = base;
  --in.depth_;
  if (held) [[unlikely]] delete held;
}

// An array element given as an argument, for a ByRef parameter: the
// element's storage, or nullptr when `a` is no element of an array variable.
// `held` keeps the arrays alive while the call runs (a ReDim inside the call
// then leaves the parameter pointing into the old elements).
Variant* Interp::ElementRef(Expr* a, std::vector<Variant>& held) {
  if (a->kind != EK::Index || !IsVar(a->a) || VarRef(a->a)->vt != vtArray) return nullptr;
  int32_t idx[64];
  size_t n = EvalIndexes(a->args, idx);
  Variant* base = VarRef(a->a);
  if (base->vt != vtArray) Raise(kErrTypeMismatch);
  bool pinned = false;  // already held for an earlier argument: it is this variable's own
  for (const Variant& h : held) pinned = pinned || h.a == base->a;
  ArrayRep* array = pinned ? base->a : base->UniqueArray();
  Variant* element = &array->data[Offset(*array, idx, n)];
  if (!pinned) held.push_back(*base);
  return element;
}

// A ByRef parameter given an array element: bound to the element. False
// when the argument is no element of an array variable.
bool Interp::BindElement(ProcEntry& entry, Variant& param, Expr* a) {
  if (!entry.held) entry.held = new std::vector<Variant>;
  Variant* element = ElementRef(a, *entry.held);
  if (!element) return false;
  param = Variant::RefTo(element);
  return true;
}

Variant Interp::CallProc(const Proc* p, const std::vector<Expr*>& args) {
  ProcEntry entry(*this, p, args.size());
  Variant* const locals = entry.locals;
  const size_t n = args.size();
  const Param* params = p->params.data();
  for (size_t i = 0; i < n; ++i) {
    Expr* a = args[i];
    // The slots are Empty (a call leaves its slots cleared): values are made in place.
    if (a->kind == EK::Binary && a->pure && a->op < BinOp::Eq) {
      // Whole-number arithmetic, by value.
      WholeVal w = (a->whole ? a->whole : PickWhole(a))(*this, a);
      if (w.vt != vtEmpty) {
        locals[i].SetWhole(w.vt, w.v);
        continue;
      }
    } else if (params[i].byRef && IsVar(a)) {
      locals[i] = Variant::RefTo(VarRef(a));
      continue;
    } else if (a->kind == EK::Index && params[i].byRef && BindElement(entry, locals[i], a)) {
      continue;
    }
    {
      new (&locals[i]) Variant(Eval(a));
      if (locals[i].vt == vtError) locals[i].Clear();
      locals[i].Unfix();
    }
  }
  Frame f;
  f.locals = locals;
  f.proc = p;
  f.program = p->program;
  f.dyn = &entry.dyn;
  frame_ = &f;
  locals_ = locals;
  Tick();
  ExecBody(p->body);
  if (p->resultSlot >= 0) return std::move(locals[p->resultSlot]);
  return Variant();
}

Variant Interp::RunProc(const Proc* p, std::vector<Variant>& args) {
  std::vector<Variant*> ptrs;
  ptrs.reserve(args.size());
  for (Variant& a : args) ptrs.push_back(&a);
  return RunProcAt(p, ptrs.data(), ptrs.size(), nullptr, nullptr);
}

Variant Interp::CallMethod(const Proc* p, Object* me, Variant* fields, std::vector<Variant*>& args) {
  return RunProcAt(p, args.data(), args.size(), me, fields);
}

Variant Interp::RunProcAt(const Proc* p, Variant* const* args, size_t nargs, Object* me, Variant* fields) {
  ProcEntry entry(*this, p, nargs);
  Variant* const locals = entry.locals;
  for (size_t i = 0; i < nargs; ++i) {
    locals[i] = p->params[i].byRef ? Variant::RefTo(&args[i]->Deref()) : args[i]->Deref();
    locals[i].Unfix();
  }
  if (fields)
    for (auto [slot, field] : p->fieldSlots) locals[slot] = Variant::RefTo(&fields[field]);
  Frame f;
  f.locals = locals;
  f.proc = p;
  f.program = p->program;
  f.me = me;
  f.dyn = &entry.dyn;
  frame_ = &f;
  locals_ = locals;
  ExecBlock(p->body);
  if (p->resultSlot >= 0) return std::move(locals[p->resultSlot]);
  return Variant();
}

Variant Interp::CallBuiltin(Expr* e) {
  size_t n = e->args.size();
  if (n <= 8) {
    Variant buf[8];
    for (size_t i = 0; i < n; ++i) buf[i] = Eval(e->args[i]);
    return e->builtin->fn(*this, buf, static_cast<int>(n));
  }
  std::vector<Variant> buf(n);
  for (size_t i = 0; i < n; ++i) buf[i] = Eval(e->args[i]);
  return e->builtin->fn(*this, buf.data(), static_cast<int>(n));
}

[[gnu::cold]] Variant* Interp::FrameVar(Expr* e, bool create) {
  std::unique_ptr<std::unordered_map<std::string, Variant>>* names = frame_->dyn;
  if (names && *names) {
    auto it = (*names)->find(e->name);
    if (it != (*names)->end()) return &it->second;
  }
  if (!e->number) {
    // Not declared by the run-time code itself: a script-level variable of that name.
    auto g = globals.slots.find(e->name);
    if (g != globals.slots.end()) return &globals.values[static_cast<size_t>(g->second)];
  }
  if (!create) return nullptr;
  if (!names) Raise(kErrInvalidCall);
  if (!*names) *names = std::make_unique<std::unordered_map<std::string, Variant>>();
  return &(**names)[e->name];
}

// The variable a name compiled as EK::Dynamic stands for now: a local of the running
// procedure, a variable Execute made in this call, or a script-level one.
[[gnu::cold]] Variant* Interp::DynamicVar(Expr* e) {
  if (frame_->proc) {
    auto l = frame_->proc->locals.find(e->name);
    if (l != frame_->proc->locals.end()) return &locals_[l->second].Deref();
    return FrameVar(e, false);
  }
  auto g = globals.slots.find(e->name);
  return g == globals.slots.end() ? nullptr : &globals.values[static_cast<size_t>(g->second)];
}

[[gnu::cold]] Variant Interp::CallDynamic(Expr* e, bool statement) {
  // Names that did not exist when the code was compiled: variables that Execute made
  // in this call, procedures and script-level variables that later code brought.
  const Variant* found = DynamicVar(e);
  if (!found) {
    auto it = globals.procs.find(e->name);
    if (it != globals.procs.end()) return CallProc(it->second, e->args);
  }
  if (found) {
    const Variant& v = *found;
    if (v.vt == vtObject && v.o) {
      Variant obj = v;
      return Invoke(obj.o, "", statement ? InvokeKind::Method : InvokeKind::Get, e->args, nullptr);
    }
    if (!statement && !e->parens) return v;
    if (!statement && v.vt == vtArray && !e->args.empty()) {
      // An element of an array made at run time (ExecuteGlobal "ReDim a(2)").
      Variant arr = v;
      int32_t idx[64];
      size_t n = EvalIndexes(e->args, idx);
      return arr.a->data[Offset(*arr.a, idx, n)];
    }
  }
  if (statement && !e->parens) Raise(kErrNotDefined);
  RaiseNamed(kErrTypeMismatch, e->shown);
}

Variant Interp::Invoke(Object* obj, const std::string& name, InvokeKind kind, const std::vector<Expr*>& args,
                       const Variant* value, const Expr* site) {
  size_t n = args.size();
  std::vector<Variant> temps;
  temps.reserve(n + 1);
  std::vector<Variant*> ptrs;
  ptrs.reserve(n + 1);
  std::vector<Variant> held;
  for (Expr* a : args) {
    if (IsVar(a)) {
      ptrs.push_back(VarRef(a));
    } else if (Variant* element = a->kind == EK::Index ? ElementRef(a, held) : nullptr) {
      ptrs.push_back(element);
    } else {
      temps.push_back(Eval(a));
      ptrs.push_back(&temps.back());
    }
  }
  if (value) {
    if (kind == InvokeKind::Let && value->vt == vtObject && !dynamic_cast<ClassInstance*>(obj)) {
      // Only a script's Property Let takes an object without Set; others get its default value.
      temps.push_back(ObjectDefault(*value));
    } else {
      temps.push_back(*value);
    }
    ptrs.push_back(&temps.back());
  }
  Variant result;
  Variant keep = Variant::Obj(obj);  // the call may drop the last other reference
  int err = obj->Invoke(name, kind, ptrs, result);
  // A loop of host calls must not outlast the time limit, however few steps it takes.
  if (timeoutMs >= 0) CheckTime();
  if (err == kHostStop) throw StopRequest{};
  if (err == kErrNoSuchMember && site && !dynamic_cast<ErrObject*>(obj)) {
    // "Object doesn't support this property or method: 'obj.Name'", as written.
    std::string base = Written(site->a);
    RaiseNamed(err, base.empty() ? site->shown : base + "." + site->shown);
  }
  if (err) Raise(err);
  return result;
}

Variant Interp::CallMember(Expr* e, InvokeKind kind, const Variant* value) {
  Variant obj = Eval(e->a);
  if (obj.vt != vtObject || !obj.o) Raise(kErrObjectRequired);  // Nothing has no members either
  return Invoke(obj.o, e->shown, kind, e->args, value, e);
}

Variant Interp::CallGlobalMember(Expr* e, InvokeKind kind, const Variant* value, bool* found) {
  *found = false;
  for (int slot : globals.memberHosts) {
    Variant obj = globals.values[static_cast<size_t>(slot)];
    if (obj.vt != vtObject || !obj.o) continue;
    try {
      Variant r = Invoke(obj.o, e->shown, kind == InvokeKind::Get && e->parens ? InvokeKind::Method : kind,
                         e->args, value);
      *found = true;
      return r;
    } catch (const RuntimeError& err) {
      if (err.number != kErrNoSuchMember) throw;
    }
  }
  auto it = globals.procs.find(e->name);
  if (it != globals.procs.end()) {
    *found = true;
    return CallProc(it->second, e->args);
  }
  return Variant();
}

}  // namespace qfscript
