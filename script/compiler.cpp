#include "script/compiler.h"

#include "script/builtins.h"
#include "script/errors.h"

#include <unordered_set>

namespace qfscript {

namespace {

enum class Use { Value, Target, CallStatement };

class Compiler {
 public:
  Compiler(Program& prog, Globals& globals, const Proc* scope = nullptr)
      : prog_(prog), g_(globals), scope_(const_cast<Proc*>(scope)) {}

  void Run() {
    // Declarations first: script-level names are visible everywhere.
    for (size_t i = 0; i < prog_.globalDims.size(); ++i) {
      const std::string& name = prog_.globalDims[i];
      for (auto& p : prog_.procs)
        if (p->name == name) throw CompileError{kErrNameRedefined, prog_.globalDimPos[i].first, prog_.globalDimPos[i].second};
      // Execute inside a procedure declares its names in that call of the procedure.
      if (scope_) frameNames_.insert(name);
      else g_.Add(name);
    }
    for (auto& p : prog_.procs) {
      if (prog_.globalConsts.count(p->name)) throw CompileError{kErrNameRedefined, p->line, p->col};
    }
    for (auto& [name, value] : prog_.globalConsts) g_.consts[name] = value;
    for (auto& p : prog_.procs) g_.procs[p->name] = p.get();
    for (auto& c : prog_.classes) g_.classes[c->name] = c.get();

    // Script-level variables that the top-level code assigns exist for the
    // procedures; names it only reads do not (a procedure's own undeclared
    // name is then its local).
    if (!prog_.optionExplicit && !scope_) DeclareAssigned(prog_.top);
    for (auto& p : prog_.procs) {
      proc_ = p.get();
      CollectAssigned(p->body);
      ResolveBlock(p->body);
      assigned_.clear();
    }
    for (auto& c : prog_.classes) {
      for (auto& p : c->procs) {
        proc_ = p.get();
        CollectAssigned(p->body);
        ResolveBlock(p->body);
        assigned_.clear();
      }
    }
    proc_ = scope_;
    ResolveBlock(prog_.top);
    if (prog_.evalExpr) Resolve(prog_.evalExpr, Use::Value);
    proc_ = nullptr;
  }

 private:
  Program& prog_;
  Globals& g_;
  Proc* proc_ = nullptr;
  Proc* scope_ = nullptr;  // Execute/Eval inside a procedure: whose locals are visible (never extended)
  std::unordered_set<std::string> frameNames_;  // names its Dim declares in the running call
  std::unordered_set<std::string> assigned_;    // undeclared names the procedure assigns

  void CollectAssigned(const Block& block) {
    for (const Stmt* s : block) {
      switch (s->kind) {
        case SK::Assign: case SK::Set: case SK::For: case SK::ForEach: case SK::ReDim:
          if (s->target->kind == EK::Name && !s->target->parens) assigned_.insert(s->target->name);
          break;
        default: break;
      }
      for (const Block& b : s->blocks) CollectAssigned(b);
      CollectAssigned(s->body);
      for (const CaseClause& c : s->cases) CollectAssigned(c.body);
    }
  }

  void DeclareAssigned(const Block& block) {
    for (const Stmt* s : block) {
      switch (s->kind) {
        case SK::Assign: case SK::Set: case SK::For: case SK::ForEach: case SK::ReDim:
          if (s->target->kind == EK::Name && !s->target->parens) DeclareImplicit(s->target->name);
          break;
        default: break;
      }
      for (const Block& b : s->blocks) DeclareAssigned(b);
      DeclareAssigned(s->body);
      for (const CaseClause& c : s->cases) DeclareAssigned(c.body);
    }
  }

  void DeclareImplicit(const std::string& n) {
    if (g_.slots.count(n) || g_.consts.count(n) || g_.procs.count(n) || FindBuiltin(n)) return;
    Variant constant;
    if (FindConstant(n, constant)) return;
    g_.Add(n);
  }

  void ResolveBlock(Block& block) {
    for (Stmt* s : block) ResolveStmt(s);
  }

  void ResolveStmt(Stmt* s) {
    switch (s->kind) {
      case SK::CallStmt: Resolve(s->e1, Use::CallStatement); break;
      case SK::Assign: case SK::Set:
        // The target first, so that "x = x + 1" makes x a variable.
        Resolve(s->target, Use::Target);
        Resolve(s->e1, Use::Value);
        if (s->kind == SK::Assign && (s->target->kind == EK::Local || s->target->kind == EK::Global) &&
            s->e1->kind == EK::Binary && s->e1->op == BinOp::Concat && s->e1->a->kind == s->target->kind &&
            s->e1->a->slot == s->target->slot)
          s->flag = true;  // "v = v & x" may append in place
        break;
      case SK::If:
        for (Expr* c : s->conds) Resolve(c, Use::Value);
        for (Block& b : s->blocks) ResolveBlock(b);
        ResolveBlock(s->body);
        break;
      case SK::Select:
        Resolve(s->e1, Use::Value);
        for (CaseClause& c : s->cases) {
          for (CaseItem& item : c.items) {
            Resolve(item.a, Use::Value);
            if (item.b) Resolve(item.b, Use::Value);
          }
          ResolveBlock(c.body);
        }
        ResolveBlock(s->body);
        break;
      case SK::For:
        Resolve(s->target, Use::Target);
        Resolve(s->e1, Use::Value);
        Resolve(s->e2, Use::Value);
        if (s->e3) Resolve(s->e3, Use::Value);
        ResolveBlock(s->body);
        break;
      case SK::ForEach:
        Resolve(s->target, Use::Target);
        Resolve(s->e1, Use::Value);
        ResolveBlock(s->body);
        break;
      case SK::Do: case SK::While:
        if (s->e1) Resolve(s->e1, Use::Value);
        ResolveBlock(s->body);
        break;
      case SK::With:
        Resolve(s->e1, Use::Value);
        ResolveBlock(s->body);
        break;
      case SK::DimArray: case SK::Erase:
        Resolve(s->target, Use::Target);
        break;
      case SK::ReDim:
        Resolve(s->target, Use::Target);
        for (Expr* e : s->conds) Resolve(e, Use::Value);
        break;
      case SK::Randomize:
        if (s->e1) Resolve(s->e1, Use::Value);
        break;
      default: break;
    }
  }

  void Resolve(Expr* e, Use use) {
    switch (e->kind) {
      case EK::Paren: case EK::Neg: case EK::Not:
        Resolve(e->a, Use::Value);
        if (e->kind != EK::Paren) e->a = Unwrap(e->a);
        return;
      case EK::Binary:
        Resolve(e->a, Use::Value);
        Resolve(e->b, Use::Value);
        // Parentheses matter only around arguments (by value); inside an expression they are gone.
        e->a = Unwrap(e->a);
        e->b = Unwrap(e->b);
        e->pure = Pure(e->a) && Pure(e->b) &&
                  (e->op == BinOp::Add || e->op == BinOp::Sub || e->op == BinOp::Mul || e->op == BinOp::Mod ||
                   e->op == BinOp::IntDiv || e->op == BinOp::Eq || e->op == BinOp::Ne || e->op == BinOp::Lt ||
                   e->op == BinOp::Gt || e->op == BinOp::Le || e->op == BinOp::Ge);
        e->wholeTree = e->pure && (e->a->kind == EK::Binary || e->b->kind == EK::Binary);
        e->literals = static_cast<uint8_t>((Written(e->a) ? kLitA : 0) | (Written(e->b) ? kLitB : 0));
        return;
      case EK::Member:
        Resolve(e->a, Use::Value);
        for (Expr* a : e->args) Resolve(a, Use::Value);
        return;
      case EK::Index:
        Resolve(e->a, use == Use::Target ? Use::Target : Use::Value);
        for (Expr* a : e->args) Resolve(a, Use::Value);
        return;
      case EK::Name:
        for (Expr* a : e->args) Resolve(a, Use::Value);
        ResolveName(e, use);
        return;
      default: return;
    }
  }

  // Operands the vm may try in whole numbers without side effects.
  static bool Pure(const Expr* e) {
    switch (e->kind) {
      case EK::Literal: return e->lit.vt == vtInteger || e->lit.vt == vtLong;
      case EK::Local: case EK::Global: return true;
      case EK::Binary:
        return e->pure && e->op != BinOp::Eq && e->op != BinOp::Ne && e->op != BinOp::Lt &&
               e->op != BinOp::Gt && e->op != BinOp::Le && e->op != BinOp::Ge;
      default: return false;
    }
  }

  // A literal as the script wrote it: a negated number (-5) and a named
  // constant are values of expressions, even though they are folded.
  static bool Written(const Expr* e) { return e->kind == EK::Literal && e->written; }

  static Expr* Unwrap(Expr* e) {
    while (e->kind == EK::Paren) e = e->a;
    return e;
  }

  // Turns a Name node into a variable, possibly indexed.
  void MakeVariable(Expr* e, EK kind, int slot) {
    Variant* global = kind == EK::Global ? &g_.values[static_cast<size_t>(slot)] : nullptr;
    if (!e->parens) {
      e->kind = kind;
      e->slot = slot;
      e->global = global;
      return;
    }
    Expr* var = prog_.NewExpr(kind, e->line, e->col);
    var->slot = slot;
    var->global = global;
    var->name = e->name;
    var->shown = e->shown;
    e->kind = EK::Index;
    e->a = var;
  }

  // A name of run-time code in a procedure, looked up when it runs: a variable that
  // Execute made in the running call, else a script-level one. Declared by this
  // code's own Dim (number 1), it is always the call's own.
  void MakeFrameVar(Expr* e, bool declared) {
    if (!e->parens) {
      e->kind = EK::FrameVar;
      e->number = declared ? 1 : 0;
      return;
    }
    Expr* var = prog_.NewExpr(EK::FrameVar, e->line, e->col);
    var->name = e->name;
    var->shown = e->shown;
    var->number = declared ? 1 : 0;
    e->kind = EK::Index;
    e->a = var;
  }

  void MakeLiteral(Expr* e, const Variant& v, Use use) {
    if (use == Use::Target || e->parens) {
      e->kind = EK::Illegal;
      e->number = use == Use::Target ? kErrIllegalAssign : kErrTypeMismatch;
      return;
    }
    e->kind = EK::Literal;
    e->lit = v;
  }

  void ResolveName(Expr* e, Use use) {
    const std::string& n = e->name;
    if (proc_) {
      if (proc_->isFunction && n == proc_->name && !e->parens) {
        MakeVariable(e, EK::Local, proc_->resultSlot);
        return;
      }
      auto c = proc_->consts.find(n);
      if (c != proc_->consts.end()) { MakeLiteral(e, c->second, use); return; }
      auto l = proc_->locals.find(n);
      if (l != proc_->locals.end()) { MakeVariable(e, EK::Local, l->second); return; }
      if (proc_->cls) {
        if (n == "me") {
          if (use == Use::Target) {
            e->kind = EK::Illegal;
            e->number = kErrIllegalAssign;
          } else {
            e->kind = EK::Me;
          }
          return;
        }
        if (proc_->cls->members.count(n)) {
          // Another member of the same class: a call on Me.
          Expr* me = prog_.NewExpr(EK::Me, e->line, e->col);
          e->kind = EK::Member;
          e->a = me;
          return;
        }
      }
    }
    bool inCall = scope_ && proc_ == scope_;  // run-time code of a procedure
    if (inCall && frameNames_.count(n)) { MakeFrameVar(e, true); return; }
    auto gc = g_.consts.find(n);
    if (gc != g_.consts.end()) { MakeLiteral(e, gc->second, use); return; }
    auto gs = g_.slots.find(n);
    if (gs != g_.slots.end() && !(inCall && !e->parens)) { MakeVariable(e, EK::Global, gs->second); return; }
    auto pr = g_.procs.find(n);
    if (pr != g_.procs.end()) {
      if (use == Use::Target) {
        e->kind = EK::Illegal;
        e->number = kErrIllegalAssign;
        return;
      }
      e->kind = EK::Call;
      e->proc = pr->second;
      return;
    }
    Variant constant;
    if (FindConstant(n, constant)) { MakeLiteral(e, constant, use); return; }
    if (const Builtin* b = FindBuiltin(n)) {
      if (use == Use::Target) {
        e->kind = EK::Illegal;
        e->number = kErrIllegalAssign;
        return;
      }
      int count = static_cast<int>(e->args.size());
      if (count < b->minArgs || count > b->maxArgs) {
        e->kind = EK::Illegal;
        e->number = kErrWrongArgs;
        return;
      }
      e->kind = EK::Builtin;
      e->builtin = b;
      return;
    }
    if (inCall && (use == Use::Target || (!e->parens && use == Use::Value))) {
      // Names the procedure's own code does not know: they live in this call.
      MakeFrameVar(e, false);
      return;
    }
    if (!g_.memberHosts.empty() && use != Use::Target) {
      e->kind = EK::GlobalMember;
      return;
    }
    if (e->parens || use == Use::CallStatement) {
      e->kind = EK::Dynamic;
      return;
    }
    if (prog_.optionExplicit) {
      e->kind = EK::Undefined;
      return;
    }
    // An implicit variable: script-level, or local to the procedure. A name the
    // procedure only reads is looked up when it runs: run-time code (ExecuteGlobal,
    // Execute) may make it meanwhile.
    if (proc_ && proc_ != scope_ && !assigned_.count(n) && use == Use::Value) {
      MakeFrameVar(e, false);
      return;
    }
    if (proc_ && proc_ != scope_) {
      int slot = proc_->nslots++;
      proc_->locals.emplace(n, slot);
      MakeVariable(e, EK::Local, slot);
    } else {
      MakeVariable(e, EK::Global, g_.Add(n));
    }
  }
};

}  // namespace

void Compile(Program& program, Globals& globals) {
  Compiler c(program, globals);
  c.Run();
}

void CompileInScope(Program& program, Globals& globals, const Proc* scope) {
  Compiler c(program, globals, scope);
  c.Run();
}

}  // namespace qfscript
