// The vm: runs compiled programs (ast.h after Compile).
//
// Locals live on one Variant stack that never moves (so ByRef pointers to
// them stay valid); script-level variables in Globals. Runtime faults are
// RuntimeError exceptions, caught per statement when On Error Resume Next is
// active. The vm enforces the time limit, the call depth ("Out of stack
// space") and the size limits ("Out of memory").
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/ast.h"
#include "script/errors.h"
#include "script/script_host.h"

namespace qfscript {

// Thrown through the vm when a host asks to stop the script (kHostStop).
struct StopRequest {};

class Interp {
 public:
  Interp();
  ~Interp();
  Interp(const Interp&) = delete;
  Interp& operator=(const Interp&) = delete;

  Globals globals;
  ScriptUi* ui = nullptr;
  std::function<Object*(const std::string&)> makeObject;  // CreateObject's classes of the host
  int64_t timeoutMs = -1;

  // Adds a host object (and its global members).
  void AddObject(const std::string& name, Object* obj, bool globalMembers);

  // Parses and compiles (CompileError), then runs the top-level code
  // (RuntimeError, StopRequest).
  void Load(const std::string& source);
  // Calls a procedure by name (RuntimeError, StopRequest). False when there is no such procedure.
  bool Call(const std::string& name, std::vector<Variant>& args, Variant* result);

  // The Err object's state.
  int errNumber = 0;
  std::string errDescription;
  std::string errSource;
  std::string errHelpFile;
  int32_t errHelpContext = 0;
  void ClearErr() {
    errNumber = 0;
    errDescription.clear();
    errSource.clear();
    errHelpFile.clear();
    errHelpContext = 0;
  }

  // Random numbers (Rnd, Randomize).
  uint32_t rndSeed = 327680;
  float rndLast = 0;
  // The script locale (SetLocale), made current for each run.
  int32_t lcid = 1033;

  // Time spent waiting for the user (dialogs, UserWait in host methods) does
  // not count against the time limit: the caller measures it and hands it back.
  void NotCounted(std::chrono::steady_clock::duration d) { deadline_ += d; }
  // The engine running on this thread (inside Load or Call), or nullptr.
  static Interp* Running();
  bool Busy() const { return busy_; }

  // Eval, Execute and ExecuteGlobal: code built at run time, in the scope of
  // the running procedure (global: at script level). Compile errors become
  // runtime errors with their numbers.
  Variant EvalText(const std::string& source);
  void ExecText(const std::string& source, bool global);
  // The same for the argument of Eval/Execute/ExecuteGlobal: an object gives
  // its default value (438 without one); Eval returns anything but a string
  // unchanged, while Execute wants a string (13).
  Variant EvalCode(const Variant& code);
  void ExecCode(const Variant& code, bool global);
  // GetRef: an object whose default method calls the procedure; nullptr
  // when there is no such procedure.
  Object* ProcRef(const std::string& name);
  // Calls a procedure with argument values (GetRef's objects).
  Variant CallWithValues(const Proc* p, std::vector<Variant>& args) { return RunProc(p, args); }
  // Calls a procedure of a class for an instance: `fields` are the
  // instance's, args the caller's variables (ByRef parameters write back).
  Variant CallMethod(const Proc* p, Object* me, Variant* fields, std::vector<Variant*>& args);
  // The instance the running procedure belongs to (nullptr outside classes).
  Object* CurrentMe() const { return frame_->me; }
  // False once the engine is gone: instances a host still holds then end
  // without Class_Terminate.
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);

  // For built-ins that evaluate things themselves.
  Variant Eval(Expr* e);
  [[gnu::noinline]] Variant EvalOther(Expr* e);
  [[gnu::noinline]] Variant EvalBinary(Expr* e);
  [[gnu::noinline]] Variant EvalOperator(Expr* e);
  [[gnu::noinline]] Variant OperatorOf(Expr* e, const Variant& a, const Variant& b);
  [[gnu::noinline]] Variant EvalIndex(Expr* e);
  [[gnu::noinline]] Variant EvalNot(Expr* e);
  // A pure expression (Expr::pure) in whole numbers; false when some value is
  // not an Integer or Long or the result would leave them (the general path
  // then evaluates it, with the same result subtypes).
  bool EvalWhole(const Expr* e, int64_t& v, bool& isLong);
  // The same through the node's own evaluator (Expr::whole) when it is an operator.
  WholeVal Whole(const Expr* e) {
    const Variant* q;
    switch (e->kind) {
      case EK::Local: q = &locals_[e->slot].Deref(); break;
      case EK::Literal: q = &e->lit; break;
      case EK::Global: q = e->global; break;
      case EK::Binary: return (e->whole ? e->whole : PickWhole(e))(*this, e);
      default: return {0, vtEmpty};
    }
    return WholeOf(*q);
  }
  static WholeVal WholeOf(const Variant& q) {
    if (q.vt == vtInteger) return {q.i, vtInteger};
    if (q.vt == vtLong) return {q.l, vtLong};
    return {0, vtEmpty};
  }
  bool Whole(const Expr* e, int64_t& v, bool& isLong) {
    WholeVal w = Whole(e);
    v = w.v;
    isLong = w.vt == vtLong;
    return w.vt == vtInteger || w.vt == vtLong;
  }

  // An operand without a copy when it is a literal or a variable; else
  // evaluated into tmp, which must be Empty (the value is made in place).
  const Variant& Operand(Expr* e, Variant& tmp) {
    switch (e->kind) {
      case EK::Literal: return e->lit;
      case EK::Local: return locals_[e->slot].Deref();
      case EK::Global: return *e->global;
      default: new (&tmp) Variant(Eval(e)); return tmp;
    }
  }

 private:
  enum class Flow { Normal, ExitDo, ExitFor, ExitProc };

  // Whole-number evaluators of pure operators, one per operator and kinds of
  // operands (local, global, literal, nested operator), so that the common
  // expressions run without the general evaluator's tests.
  using WholeFn = WholeVal (*)(Interp&, const Expr*);
  [[gnu::noinline]] static WholeFn PickWhole(const Expr* e);
  template <int K>
  WholeVal WholeLeaf(const Expr* o);
  template <BinOp OP, int KA, int KB>
  static WholeVal WholeBinary(Interp& in, const Expr* e);

  struct Frame {
    Variant* locals = nullptr;
    const Proc* proc = nullptr;
    const Program* program = nullptr;
    bool resumeNext = false;
    Object* me = nullptr;
    // Names that Execute declared in this call of the procedure (ProcEntry owns them).
    std::unique_ptr<std::unordered_map<std::string, Variant>>* dyn = nullptr;
  };

  // A procedure's place on the locals stack from entry to return: the checks of a
  // call (argument count, stack room), its locals, and on the way out, also through
  // an error, the caller's frame back first (clearing a local may run a
  // Class_Terminate), then the locals cleared and the stack given back.
  struct ProcEntry {
    ProcEntry(Interp& in, const Proc* p, size_t nargs);
    ~ProcEntry();
    ProcEntry(const ProcEntry&) = delete;
    ProcEntry& operator=(const ProcEntry&) = delete;
    Interp& in;
    Variant* locals;
    size_t need, base;
    Frame* saved;
    std::vector<Variant>* held = nullptr;  // arrays whose elements are ByRef arguments
    std::unique_ptr<std::unordered_map<std::string, Variant>> dyn;
  };
  [[gnu::noinline, gnu::cold]] bool BindElement(ProcEntry& entry, Variant& param, Expr* a);

  std::vector<std::unique_ptr<Program>> programs_;
  std::unordered_map<std::string, Program*> runtimeCode_;  // Eval/Execute texts compiled, by scope and text
  Program* CompileRuntime(const std::string& source, const Proc* scope, bool expression,
                          std::unique_ptr<Program>* uncached = nullptr);
  Variant* stack_ = nullptr;  // calloc: all-zero bytes are Empty variants
  size_t stackCap_ = 0;
  size_t sp_ = 0;
  Frame topFrame_;
  Frame* frame_ = &topFrame_;
  Variant* locals_ = nullptr;  // frame_->locals, kept at hand for the evaluator
  const char* stackLimit_ = nullptr;
  int depth_ = 0;
  int ticks_ = 0;
  bool fatal_ = false;
  bool busy_ = false;  // inside Load or Call
  std::chrono::steady_clock::time_point deadline_;

  void EnsureStack();
  void Begin();  // start of a run: time limit and native stack budget
  void Tick() {
    if (--ticks_ <= 0) CheckTime();
  }
  void CheckTime();

  Flow ExecBlock(const Block& block);
  Flow ExecBody(const Block& block);
  Flow Exec(Stmt* s);
  // Exec hands each kind of statement to a helper of its own, as it does the loops below.
  Flow ExecAssign(Stmt* s);
  Flow ExecAppend(Stmt* s);
  Flow ExecSet(Stmt* s);
  Flow ExecOther(Stmt* s);
  Flow ExecIf(Stmt* s);
  Flow ExecWhile(Stmt* s);
  Flow ExecExit(Stmt* s);
  Flow ExecWith(Stmt* s);
  void ExecDimArray(Stmt* s);
  void ExecErase(Stmt* s);
  void ExecRandomize(Stmt* s);
  Flow ExecFor(Stmt* s);
  [[gnu::noinline]] bool ForBounds(Stmt* s, Variant& start, Variant& end, Variant& step);
  [[gnu::noinline, gnu::cold]] Flow ForNotInitialised(Stmt* s);
  Flow ExecForEach(Stmt* s);
  Flow ExecDo(Stmt* s);
  void NoteError(const RuntimeError& e);  // into Err, under On Error Resume Next
  void PassOver(RuntimeError& e);         // the same, or rethrown without it
  Flow ForEachFailed(Stmt* s, int err);
  Flow ExecSelect(Stmt* s);
  void ExecReDim(Stmt* s);
  // Stores a value in a variable. A fixed array stays as it is (10), and one
  // stored elsewhere is copied free of its bounds.
  static void Store(Variant& dest, Variant&& value) {
    if ((dest.vt | value.vt) & vtArray) [[unlikely]] StoreArray(dest, value);
    else dest = std::move(value);
  }
  [[gnu::noinline, gnu::cold]] static void StoreArray(Variant& dest, Variant& value);
  Flow ExecCallStatement(Expr* e);
  void MarkRuntimeDims(Block& block);

  bool Condition(Expr* e);
  [[gnu::noinline]] bool ConditionOf(Expr* e);
  bool BoolOf(Expr* e, bool& b, Variant& other);
  int QuickBool(const Expr* e);
  [[gnu::noinline, gnu::cold]] void LogicWith(Expr* e, Variant& value);
  bool EntryCondition(Expr* e);
  // The element of a one-dimensional array whose index is whole numbers of
  // literals and variables, which runs no code: its offset, or -1 when the
  // general way must decide (other indexes, other types, out of range).
  ptrdiff_t QuickIndex(const ArrayRep& a, const std::vector<Expr*>& args) {
    if (args.size() != 1 || a.bounds.size() != 1) return -1;
    const Expr* ix = args[0];
    if (ix->kind == EK::Binary && !ix->pure) return -1;
    WholeVal w = Whole(ix);
    if ((w.vt != vtInteger && w.vt != vtLong) || w.v < 0 || w.v > a.bounds[0]) return -1;
    return static_cast<ptrdiff_t>(w.v);
  }
  Variant* VarRef(Expr* e);  // Local/Global storage
  Variant* LRef(Expr* e);    // storage for an assignment target
  void Assign(Expr* target, Variant value, bool isSet);
  Variant IndexGet(Expr* e);
  Variant* ElementRef(Expr* a, std::vector<Variant>& held);
  size_t Offset(const ArrayRep& a, const int32_t* idx, size_t n);
  size_t EvalIndexes(const std::vector<Expr*>& args, int32_t* idx);
  Variant CallProc(const Proc* p, const std::vector<Expr*>& args);
  Variant CallBuiltin(Expr* e);
  Variant CallDynamic(Expr* e, bool statement);
  Variant* FrameVar(Expr* e, bool create);  // an Execute-made name of the running call
  Variant* DynamicVar(Expr* e);              // the variable an EK::Dynamic name now stands for
  // site: the member expression, which names the member in a 438 description.
  Variant Invoke(Object* obj, const std::string& name, InvokeKind kind, const std::vector<Expr*>& args,
                 const Variant* value, const Expr* site = nullptr);
  Variant CallMember(Expr* e, InvokeKind kind, const Variant* value);
  Variant CallGlobalMember(Expr* e, InvokeKind kind, const Variant* value, bool* found);
  Variant RunProc(const Proc* p, std::vector<Variant>& args);
  Variant RunProcAt(const Proc* p, Variant* const* args, size_t n, Object* me, Variant* fields);
  Variant NewInstance(const ClassDef* cls);
};

}  // namespace qfscript
