#include "script/parser.h"

#include "script/builtins.h"
#include "script/errors.h"
#include "script/lexer.h"

namespace qfscript {

namespace {

// Binary operator precedences, loosest first.
enum Prec {
  pNone = 0, pImp, pEqv, pXor, pOr, pAnd, pNot, pCompare, pConcat, pAddSub, pMod, pIntDiv, pMulDiv, pPow,
};

constexpr int kMaxNesting = 400;

class Parser {
 public:
  Parser(std::vector<Token> toks, Globals& globals) : t_(std::move(toks)), globals_(globals) {
    prog_ = std::make_unique<Program>();
  }

  std::unique_ptr<Program> Run() {
    SkipSeparators();
    if (Is(Kw::Option)) {
      Next();
      if (!Is(Kw::Explicit)) Fail(kErrSyntax);
      Next();
      prog_->optionExplicit = true;
      EndOfStatement();
    }
    ParseBlock(prog_->top, [&] { return false; });
    if (pendingNext_) Fail(kErrUnexpectedNext);
    if (Cur().type != Tok::End) Fail(kErrExpectedStatement);
    return std::move(prog_);
  }

  std::unique_ptr<Program> RunExpression() {
    prog_->evalExpr = ParseExpr();
    SkipSeparators();
    if (Cur().type != Tok::End) Fail(kErrExpectedEndOfStatement);
    return std::move(prog_);
  }

 private:
  std::vector<Token> t_;
  size_t p_ = 0;
  Globals& globals_;
  std::unique_ptr<Program> prog_;
  Proc* proc_ = nullptr;  // procedure being parsed
  ClassDef* class_ = nullptr;  // class being parsed
  int doDepth_ = 0, forDepth_ = 0;
  int pendingNext_ = 0;  // loops that a "Next j, i" has closed beyond its own
  int nesting_ = 0;
  std::vector<Expr*> withStack_;

  // ---- Tokens ----
  const Token& Cur() const { return t_[p_]; }
  const Token& Peek(size_t k = 1) const { return t_[p_ + k < t_.size() ? p_ + k : t_.size() - 1]; }
  void Next() { if (p_ + 1 < t_.size()) ++p_; }
  bool Is(Kw kw) const { return Cur().type == Tok::Name && Cur().kw == kw; }
  bool Is(Tok tok) const { return Cur().type == tok; }
  [[noreturn]] void Fail(int number) { throw CompileError{number, Cur().line, Cur().col}; }
  [[noreturn]] void FailAt(int number, const Token& t) { throw CompileError{number, t.line, t.col}; }
  void Expect(Tok tok, int err) {
    if (!Is(tok)) Fail(err);
    Next();
  }
  void Expect(Kw kw, int err) {
    if (!Is(kw)) Fail(err);
    Next();
  }
  // "End If", "End Sub" ... may follow a statement on its line without a colon.
  bool AtEndOfStatement() const {
    return Is(Tok::Newline) || Is(Tok::Colon) || Is(Tok::End) || Is(Kw::End) || (singleLine_ && Is(Kw::Else));
  }
  void EndOfStatement() {
    if (!AtEndOfStatement()) Fail(kErrExpectedEndOfStatement);
  }
  void SkipSeparators() {
    while (Is(Tok::Newline) || Is(Tok::Colon)) Next();
  }
  bool singleLine_ = false;

  // A name usable as a variable or procedure.
  std::string TakeName(std::string* shown = nullptr) {
    if (!Is(Tok::Name) || IsReserved(Cur().kw)) Fail(kErrExpectedIdent);
    std::string name = Cur().lower;
    if (shown) *shown = Cur().text;
    Next();
    return name;
  }

  // ---- Declarations ----
  int DeclareLocal(const std::string& name, const Token& at) {
    if (proc_->locals.count(name) || proc_->consts.count(name)) FailAt(kErrNameRedefined, at);
    int slot = proc_->nslots++;
    proc_->locals.emplace(name, slot);
    return slot;
  }
  void DeclareVariable(const std::string& name, const Token& at) {
    if (proc_) {
      DeclareLocal(name, at);
    } else {
      for (auto& g : prog_->globalDims)
        if (g == name) FailAt(kErrNameRedefined, at);
      if (prog_->globalConsts.count(name)) FailAt(kErrNameRedefined, at);
      prog_->globalDims.push_back(name);
      prog_->globalDimPos.emplace_back(at.line, at.col);
    }
  }

  // ---- Statements ----
  template <typename Stop>
  void ParseBlock(Block& block, Stop stop) {
    for (;;) {
      // "Next j, i" closed the enclosing loops too: every block between ends there.
      if (pendingNext_) return;
      SkipSeparators();
      if (Is(Tok::End) || stop()) return;
      ParseStatement(block);
    }
  }

  void ParseStatement(Block& block) {
    Depth guard(*this);
    const Token& start = Cur();
    if (Is(Tok::Dot)) {
      ParseNameStatement(block, false);
      return;
    }
    if (!Is(Tok::Name)) Fail(kErrExpectedStatement);
    switch (Cur().kw) {
      case Kw::Dim: Next(); ParseDim(block); return;
      case Kw::Public: case Kw::Private:
        if (proc_) Fail(kErrExpectedStatement);
        Next();
        if (Is(Kw::Sub) || Is(Kw::Function)) { ParseProc(); return; }
        if (Is(Kw::Const)) { Next(); ParseConst(); return; }
        if (Is(Kw::Property) || Is(Kw::Class)) Fail(kErrSyntax);
        ParseDim(block);
        return;
      case Kw::Const: Next(); ParseConst(); return;
      case Kw::ReDim: Next(); ParseReDim(block); return;
      case Kw::If: ParseIf(block); return;
      case Kw::Select: ParseSelect(block); return;
      case Kw::For: ParseFor(block); return;
      case Kw::Do: ParseDo(block); return;
      case Kw::While: ParseWhile(block); return;
      case Kw::With: ParseWith(block); return;
      case Kw::Exit: ParseExit(block); return;
      case Kw::On: ParseOnError(block); return;
      case Kw::Sub: case Kw::Function:
        if (proc_ || singleLine_ || doDepth_ || forDepth_ || !withStack_.empty()) Fail(kErrSyntax);
        ParseProc();
        return;
      case Kw::Call:
        Next();
        ParseNameStatement(block, true);
        return;
      case Kw::Set: {
        Next();
        Stmt* s = prog_->NewStmt(SK::Set, start.line, start.col);
        s->target = ParseTarget();
        Expect(Tok::Eq, kErrExpectedEquals);
        s->e1 = ParseExpr();
        EndOfStatement();
        block.push_back(s);
        return;
      }
      case Kw::Erase: {
        Next();
        Stmt* s = prog_->NewStmt(SK::Erase, start.line, start.col);
        s->target = Name(TakeName(), start);
        EndOfStatement();
        block.push_back(s);
        return;
      }
      case Kw::Randomize: {
        Next();
        Stmt* s = prog_->NewStmt(SK::Randomize, start.line, start.col);
        if (!AtEndOfStatement()) s->e1 = ParseExpr();
        EndOfStatement();
        block.push_back(s);
        return;
      }
      case Kw::Stop: Next(); EndOfStatement(); return;
      case Kw::Option: Fail(kErrSyntax);
      case Kw::Class:
        if (proc_ || class_ || singleLine_ || doDepth_ || forDepth_ || !withStack_.empty())
          Fail(kErrSyntax);
        ParseClass();
        return;
      case Kw::Property:  // an ordinary name outside class declarations
        ParseNameStatement(block, false);
        return;
      case Kw::Let:
        Next();
        ParseNameStatement(block, false);
        return;
      default:
        if (IsReserved(Cur().kw)) Fail(kErrExpectedStatement);
        ParseNameStatement(block, false);
        return;
    }
  }

  Expr* Name(const std::string& lower, const Token& at) {
    Expr* e = prog_->NewExpr(EK::Name, at.line, at.col);
    e->name = lower;
    e->shown = at.text;
    return e;
  }

  void ParseDim(Block& block) {
    for (;;) {
      const Token at = Cur();
      std::string name = TakeName();
      DeclareVariable(name, at);
      if (Is(Tok::LParen)) {
        Next();
        std::vector<int32_t> bounds;
        if (!Is(Tok::RParen)) {
          for (;;) {
            if (!Is(Tok::Number) || Cur().value.vt == vtDouble) Fail(kErrExpectedInteger);
            int32_t b = ToLong(Cur().value);
            if (b < 0) Fail(kErrExpectedInteger);
            bounds.push_back(b);
            Next();
            if (!Is(Tok::Comma)) break;
            Next();
          }
        }
        Expect(Tok::RParen, kErrExpectedRParen);
        if (bounds.size() > 60) Fail(kErrSyntax);
        Stmt* s = prog_->NewStmt(SK::DimArray, at.line, at.col);
        s->target = Name(name, at);
        s->bounds = std::move(bounds);
        block.push_back(s);
      }
      if (!Is(Tok::Comma)) break;
      Next();
    }
    EndOfStatement();
  }

  void ParseConst() {
    for (;;) {
      const Token at = Cur();
      std::string name = TakeName();
      Expect(Tok::Eq, kErrExpectedEquals);
      Expr* e = ParseExpr();
      Variant value;
      if (!Fold(e, value)) FailAt(kErrExpectedLiteral, at);
      if (proc_) {
        if (proc_->locals.count(name) || proc_->consts.count(name)) FailAt(kErrNameRedefined, at);
        proc_->consts.emplace(name, value);
      } else if (class_) {
        if (class_->consts.count(name) || class_->fieldIndex.count(name) || class_->members.count(name))
          FailAt(kErrNameRedefined, at);
        class_->consts.emplace(name, value);
      } else {
        for (auto& g : prog_->globalDims)
          if (g == name) FailAt(kErrNameRedefined, at);
        if (prog_->globalConsts.count(name)) FailAt(kErrNameRedefined, at);
        prog_->globalConsts.emplace(name, value);
      }
      if (!Is(Tok::Comma)) break;
      Next();
    }
    EndOfStatement();
  }

  bool Fold(Expr* e, Variant& out) {
    try {
      switch (e->kind) {
        case EK::Literal: out = e->lit; return true;
        case EK::Paren: return Fold(e->a, out);
        case EK::Neg: {
          Variant v;
          if (!Fold(e->a, v)) return false;
          out = Negate(v);
          return true;
        }
        case EK::Not: {
          Variant v;
          if (!Fold(e->a, v)) return false;
          out = Not(v);
          return true;
        }
        case EK::Binary: {
          Variant x, y;
          if (!Fold(e->a, x) || !Fold(e->b, y)) return false;
          out = Apply(e->op, x, y);
          return true;
        }
        case EK::Name: {
          if (e->parens) return false;
          if (proc_) {
            auto it = proc_->consts.find(e->name);
            if (it != proc_->consts.end()) { out = it->second; return true; }
            if (proc_->locals.count(e->name)) return false;
          }
          if (class_) {
            auto it = class_->consts.find(e->name);
            if (it != class_->consts.end()) { out = it->second; return true; }
          }
          auto it = prog_->globalConsts.find(e->name);
          if (it != prog_->globalConsts.end()) { out = it->second; return true; }
          auto g = globals_.consts.find(e->name);
          if (g != globals_.consts.end()) { out = g->second; return true; }
          return FindConstant(e->name, out);
        }
        default: return false;
      }
    } catch (const RuntimeError&) {
      return false;
    }
  }

  void ParseReDim(Block& block) {
    bool preserve = false;
    if (Is(Kw::Preserve)) {
      preserve = true;
      Next();
    }
    for (;;) {
      const Token at = Cur();
      Stmt* s = prog_->NewStmt(SK::ReDim, at.line, at.col);
      s->flag = preserve;
      s->target = Name(TakeName(), at);
      Expect(Tok::LParen, kErrExpectedLParen);
      for (;;) {
        s->conds.push_back(ParseExpr());
        if (!Is(Tok::Comma)) break;
        Next();
      }
      Expect(Tok::RParen, kErrExpectedRParen);
      if (s->conds.size() > 60) Fail(kErrSyntax);
      block.push_back(s);
      if (!Is(Tok::Comma)) break;
      Next();
    }
    EndOfStatement();
  }

  void ParseIf(Block& block) {
    const Token at = Cur();
    Next();
    Stmt* s = prog_->NewStmt(SK::If, at.line, at.col);
    s->conds.push_back(ParseExpr());
    Expect(Kw::Then, kErrExpectedThen);
    block.push_back(s);
    if (!Is(Tok::Newline) && !Is(Tok::End)) {
      // Single-line form: statements up to the end of the line.
      bool saved = singleLine_;
      singleLine_ = true;
      s->blocks.emplace_back();
      ParseLineStatements(s->blocks.back());
      if (Is(Kw::Else)) {
        Next();
        s->hasElse = true;
        ParseLineStatements(s->body);
      }
      singleLine_ = saved;
      if (Is(Kw::End) && Peek().type == Tok::Name && Peek().kw == Kw::If) {
        // A trailing "End If" on the line belongs to the single-line If; more statements may follow.
        Next();
        Next();
        if (Is(Tok::Colon)) return;
      }
      // Anything but a line end may only be the "End ..." of an enclosing block.
      if (!Is(Tok::Newline) && !Is(Tok::End) && !Is(Kw::End) && !(saved && Is(Kw::Else)))
        Fail(kErrExpectedEndOfStatement);
      return;
    }
    bool saved = singleLine_;
    singleLine_ = false;
    s->blocks.emplace_back();
    auto stop = [&] { return Is(Kw::ElseIf) || Is(Kw::Else) || Is(Kw::End); };
    ParseBlock(s->blocks.back(), stop);
    for (;;) {
      if (Is(Kw::ElseIf)) {
        Next();
        s->conds.push_back(ParseExpr());
        Expect(Kw::Then, kErrExpectedThen);
        s->blocks.emplace_back();
        ParseBlock(s->blocks.back(), stop);
      } else if (Is(Kw::Else)) {
        Next();
        s->hasElse = true;
        ParseBlock(s->body, [&] { return Is(Kw::End) || Is(Kw::ElseIf) || Is(Kw::Else); });
        if (!Is(Kw::End)) Fail(kErrExpectedEnd);
      } else {
        break;
      }
    }
    if (!Is(Kw::End)) Fail(kErrExpectedEnd);
    Next();
    Expect(Kw::If, kErrExpectedIf);
    singleLine_ = saved;
    EndOfStatement();
  }

  // The statements of a single-line If part: colons between them, possibly none at all
  // ("If c Then :", "Else:"), up to the line end, Else or an "End ...".
  void ParseLineStatements(Block& block) {
    for (;;) {
      while (Is(Tok::Colon)) Next();
      if (Is(Tok::Newline) || Is(Tok::End) || Is(Kw::Else) || Is(Kw::End)) return;
      ParseStatement(block);
      if (!Is(Tok::Colon)) return;
    }
  }

  void ParseSelect(Block& block) {
    const Token at = Cur();
    Next();
    Expect(Kw::Case, kErrExpectedCase);
    Stmt* s = prog_->NewStmt(SK::Select, at.line, at.col);
    s->e1 = ParseExpr();
    EndOfStatement();
    bool saved = singleLine_;
    singleLine_ = false;
    SkipSeparators();
    while (Is(Kw::Case)) {
      Next();
      if (Is(Kw::Else)) {
        Next();
        s->hasElse = true;
        ParseBlock(s->body, [&] { return Is(Kw::End) || Is(Kw::Case); });
        break;
      }
      CaseClause clause;
      for (;;) {
        CaseItem item;
        if (Is(Kw::Is)) {
          Next();
          item.kind = 2;
          switch (Cur().type) {
            case Tok::Eq: item.op = BinOp::Eq; break;
            case Tok::Ne: item.op = BinOp::Ne; break;
            case Tok::Lt: item.op = BinOp::Lt; break;
            case Tok::Gt: item.op = BinOp::Gt; break;
            case Tok::Le: item.op = BinOp::Le; break;
            case Tok::Ge: item.op = BinOp::Ge; break;
            default: Fail(kErrSyntax);
          }
          Next();
          item.a = ParseExpr(pConcat);
        } else {
          item.a = ParseExpr();
          if (Is(Kw::To)) {
            Next();
            item.kind = 1;
            item.b = ParseExpr();
          }
        }
        clause.items.push_back(item);
        if (!Is(Tok::Comma)) break;
        Next();
      }
      // A statement may follow the values on the same line, even without ':'.
      ParseBlock(clause.body, [&] { return Is(Kw::End) || Is(Kw::Case); });
      s->cases.push_back(std::move(clause));
    }
    if (!Is(Kw::End)) Fail(kErrExpectedEnd);
    Next();
    Expect(Kw::Select, kErrExpectedSelect);
    singleLine_ = saved;
    EndOfStatement();
    block.push_back(s);
  }

  void ParseFor(Block& block) {
    const Token at = Cur();
    Next();
    bool saved = singleLine_;
    singleLine_ = false;
    Stmt* s;
    if (Is(Kw::Each)) {
      Next();
      s = prog_->NewStmt(SK::ForEach, at.line, at.col);
      const Token vt = Cur();
      s->target = Name(TakeName(), vt);
      Expect(Kw::In, kErrExpectedIn);
      s->e1 = ParseExpr();
    } else {
      s = prog_->NewStmt(SK::For, at.line, at.col);
      const Token vt = Cur();
      if (!Is(Tok::Name) || IsReserved(Cur().kw)) Fail(kErrExpectedIdent);
      s->target = Name(TakeName(), vt);
      Expect(Tok::Eq, kErrExpectedEquals);
      s->e1 = ParseExpr();
      Expect(Kw::To, kErrExpectedTo);
      s->e2 = ParseExpr();
      if (Is(Kw::Step)) {
        Next();
        s->e3 = ParseExpr();
      }
    }
    EndOfStatement();
    ++forDepth_;
    ParseBlock(s->body, [&] { return Is(Kw::Next) || Is(Kw::End) || Is(Kw::Loop) || Is(Kw::Wend); });
    --forDepth_;
    singleLine_ = saved;
    block.push_back(s);
    if (pendingNext_) {
      // An inner loop's "Next j, i" closed this one too.
      --pendingNext_;
      return;
    }
    if (!Is(Kw::Next)) Fail(kErrExpectedNext);
    Next();
    if (Is(Tok::Name) && !IsReserved(Cur().kw)) {
      // "Next i"; "Next j, i" closes the enclosing loops as well.
      Next();
      int more = 0;
      while (Is(Tok::Comma)) {
        Next();
        if (!Is(Tok::Name) || IsReserved(Cur().kw)) Fail(kErrExpectedIdent);
        Next();
        ++more;
      }
      if (more > forDepth_) Fail(kErrUnexpectedNext);
      pendingNext_ = more;
    }
    EndOfStatement();
  }

  void ParseDo(Block& block) {
    const Token at = Cur();
    Next();
    Stmt* s = prog_->NewStmt(SK::Do, at.line, at.col);
    bool saved = singleLine_;
    singleLine_ = false;
    if (Is(Kw::While) || Is(Kw::Until)) {
      s->flag = true;
      s->until = Is(Kw::Until);
      Next();
      s->e1 = ParseExpr();
    }
    EndOfStatement();
    ++doDepth_;
    ParseBlock(s->body, [&] { return Is(Kw::Loop) || Is(Kw::End) || Is(Kw::Next) || Is(Kw::Wend); });
    --doDepth_;
    if (!Is(Kw::Loop)) Fail(kErrExpectedLoop);
    Next();
    if (Is(Kw::While) || Is(Kw::Until)) {
      if (s->e1) Fail(kErrExpectedEndOfStatement);
      s->until = Is(Kw::Until);
      Next();
      s->e1 = ParseExpr();
    }
    singleLine_ = saved;
    EndOfStatement();
    block.push_back(s);
  }

  void ParseWhile(Block& block) {
    const Token at = Cur();
    Next();
    Stmt* s = prog_->NewStmt(SK::While, at.line, at.col);
    s->e1 = ParseExpr();
    EndOfStatement();
    bool saved = singleLine_;
    singleLine_ = false;
    ParseBlock(s->body, [&] { return Is(Kw::Wend) || Is(Kw::End) || Is(Kw::Loop) || Is(Kw::Next); });
    if (!Is(Kw::Wend)) Fail(kErrExpectedWend);
    Next();
    singleLine_ = saved;
    EndOfStatement();
    block.push_back(s);
  }

  void ParseWith(Block& block) {
    const Token at = Cur();
    Next();
    Stmt* s = prog_->NewStmt(SK::With, at.line, at.col);
    s->e1 = ParseExpr();
    EndOfStatement();
    Expr* slot = prog_->NewExpr(EK::WithObj, at.line, at.col);
    if (proc_) {
      slot->slot = proc_->nslots++;
    } else {
      slot->slot = globals_.Add("");
      slot->isGlobal = true;
      slot->global = &globals_.values[static_cast<size_t>(slot->slot)];
    }
    s->target = slot;
    bool saved = singleLine_;
    singleLine_ = false;
    withStack_.push_back(slot);
    ParseBlock(s->body, [&] { return Is(Kw::End); });
    withStack_.pop_back();
    if (!Is(Kw::End)) Fail(kErrExpectedEnd);
    Next();
    Expect(Kw::With, kErrExpectedWith);
    singleLine_ = saved;
    EndOfStatement();
    block.push_back(s);
  }

  void ParseExit(Block& block) {
    const Token at = Cur();
    Next();
    Stmt* s = prog_->NewStmt(SK::Exit, at.line, at.col);
    if (Is(Kw::Do)) {
      if (!doDepth_) Fail(kErrInvalidExit);
      s->exit = ExitKind::Do;
    } else if (Is(Kw::For)) {
      if (!forDepth_) Fail(kErrInvalidExit);
      s->exit = ExitKind::For;
    } else if (Is(Kw::Sub) || Is(Kw::Function) || Is(Kw::Property)) {
      bool prop = proc_ && proc_->prop != PropKind::None;
      if (!proc_ || (Is(Kw::Property) != prop) || (Is(Kw::Sub) && proc_->isFunction) ||
          (Is(Kw::Function) && !proc_->isFunction))
        Fail(kErrInvalidExit);
      s->exit = ExitKind::Proc;
    } else {
      Fail(kErrInvalidExit);
    }
    Next();
    EndOfStatement();
    block.push_back(s);
  }

  void ParseOnError(Block& block) {
    const Token at = Cur();
    Next();
    Expect(Kw::Error, kErrSyntax);
    if (Is(Kw::Resume)) {
      Next();
      Expect(Kw::Next, kErrSyntax);
      block.push_back(prog_->NewStmt(SK::OnErrorResume, at.line, at.col));
    } else if (Is(Kw::GoTo)) {
      Next();
      if (!Is(Tok::Number) || ToDouble(Cur().value) != 0) Fail(kErrSyntax);
      Next();
      block.push_back(prog_->NewStmt(SK::OnErrorGoto0, at.line, at.col));
    } else {
      Fail(kErrSyntax);
    }
    EndOfStatement();
  }

  void ParseProc(bool isPublic = true, bool isDefault = false) {
    const Token at = Cur();
    auto proc = std::make_unique<Proc>();
    proc->program = prog_.get();
    proc->isFunction = Is(Kw::Function);
    proc->cls = class_;
    if (Is(Kw::Property)) {
      if (!class_) Fail(kErrSyntax);
      Next();
      if (Is(Kw::Get)) proc->prop = PropKind::Get;
      else if (Is(Kw::Let)) proc->prop = PropKind::Let;
      else if (Is(Kw::Set)) proc->prop = PropKind::Set;
      else Fail(kErrSyntax);
      proc->isFunction = proc->prop == PropKind::Get;
    }
    Next();
    proc->line = at.line;
    proc->col = at.col;
    const Token nameTok = Cur();
    proc->name = TakeName(&proc->shown);
    if (class_) {
      // At script level a later definition of a name replaces the earlier one.
      ClassMember& m = class_->members[proc->name];
      Proc** where = proc->prop == PropKind::Get   ? &m.get
                     : proc->prop == PropKind::Let ? &m.let
                     : proc->prop == PropKind::Set ? &m.set
                                                   : &m.method;
      if (*where || class_->fieldIndex.count(proc->name) ||
          (proc->prop == PropKind::None ? (m.get || m.let || m.set) : m.method != nullptr))
        FailAt(kErrNameRedefined, nameTok);
      *where = proc.get();
      m.isPublic = isPublic;
      if (isDefault) {
        if (!class_->defaultMember.empty() && class_->defaultMember != proc->name) FailAt(kErrSyntax, at);
        class_->defaultMember = proc->name;
      }
      if (proc->prop == PropKind::None && !proc->isFunction) {
        if (proc->name == "class_initialize") class_->init = proc.get();
        if (proc->name == "class_terminate") class_->term = proc.get();
      }
    }
    proc_ = proc.get();
    if (Is(Tok::LParen)) {
      Next();
      if (!Is(Tok::RParen)) {
        for (;;) {
          bool byRef = true;
          if (Is(Kw::ByVal)) { byRef = false; Next(); }
          else if (Is(Kw::ByRef)) Next();
          const Token pt = Cur();
          std::string pname = TakeName();
          if (Is(Tok::LParen)) {
            Next();
            Expect(Tok::RParen, kErrExpectedRParen);
          }
          DeclareLocal(pname, pt);
          proc->params.push_back({pname, byRef});
          if (!Is(Tok::Comma)) break;
          Next();
        }
      }
      Expect(Tok::RParen, kErrExpectedRParen);
    }
    if (proc->isFunction) {
      proc->resultSlot = proc->nslots++;
    }
    // The body may begin on the header's line ("Sub f() x = 1 End Sub").
    bool saved = singleLine_;
    singleLine_ = false;
    ParseBlock(proc->body, [&] { return Is(Kw::End); });
    if (!Is(Kw::End)) Fail(kErrExpectedEnd);
    Next();
    if (proc->prop != PropKind::None) Expect(Kw::Property, kErrExpectedProperty);
    else Expect(proc->isFunction ? Kw::Function : Kw::Sub, proc->isFunction ? kErrExpectedFunction : kErrExpectedSub);
    singleLine_ = saved;
    EndOfStatement();
    proc_ = nullptr;
    if (class_) class_->procs.push_back(std::move(proc));
    else prog_->procs.push_back(std::move(proc));
  }

  // Class name ... End Class: fields, Subs, Functions and Properties.
  void ParseClass() {
    Next();
    auto cls = std::make_unique<ClassDef>();
    const Token nameTok = Cur();
    cls->name = TakeName(&cls->shown);
    for (auto& other : prog_->classes)
      if (other->name == cls->name) FailAt(kErrNameRedefined, nameTok);
    EndOfStatement();
    class_ = cls.get();
    for (;;) {
      SkipSeparators();
      if (Is(Tok::End)) Fail(kErrExpectedEnd);
      if (Is(Kw::End)) {
        Next();
        if (!Is(Kw::Class)) Fail(kErrSyntax);
        Next();
        EndOfStatement();
        break;
      }
      bool isPublic = true, isDefault = false, modifier = false;
      if (Is(Kw::Public)) {
        Next();
        modifier = true;
        if (Is(Kw::Default)) {
          Next();
          isDefault = true;
          if (!Is(Kw::Sub) && !Is(Kw::Function) && !Is(Kw::Property)) Fail(kErrSyntax);
        }
      } else if (Is(Kw::Private)) {
        Next();
        modifier = true;
        isPublic = false;
      } else if (Is(Kw::Dim)) {
        Next();
        ParseFields(true);
        continue;
      }
      if (Is(Kw::Const)) {
        // Constants of the class: seen by its procedures only.
        Next();
        ParseConst();
        continue;
      }
      if (Is(Kw::Sub) || Is(Kw::Function) || Is(Kw::Property)) {
        ParseProc(isPublic, isDefault);
        continue;
      }
      if (!modifier) Fail(kErrExpectedStatement);
      ParseFields(isPublic);
    }
    // Every procedure sees the fields as variables unless it declares the name itself.
    for (auto& p : cls->procs) {
      for (auto& [name, value] : cls->consts)
        if (!p->locals.count(name)) p->consts.emplace(name, value);
      for (size_t i = 0; i < cls->fields.size(); ++i) {
        const std::string& f = cls->fields[i];
        if (p->locals.count(f) || p->consts.count(f)) continue;
        int slot = p->nslots++;
        p->locals.emplace(f, slot);
        p->fieldSlots.emplace_back(slot, static_cast<int>(i));
      }
    }
    class_ = nullptr;
    prog_->classes.push_back(std::move(cls));
  }

  void ParseFields(bool isPublic) {
    for (;;) {
      const Token at = Cur();
      std::string name = TakeName();
      if (class_->fieldIndex.count(name) || class_->members.count(name)) FailAt(kErrNameRedefined, at);
      std::vector<int32_t> bounds;
      bool isArray = false;
      if (Is(Tok::LParen)) {
        Next();
        isArray = true;
        if (!Is(Tok::RParen)) {
          for (;;) {
            if (!Is(Tok::Number)) Fail(kErrExpectedInteger);
            bounds.push_back(ToLong(Cur().value));
            Next();
            if (!Is(Tok::Comma)) break;
            Next();
          }
        }
        Expect(Tok::RParen, kErrExpectedRParen);
      }
      class_->fieldIndex.emplace(name, static_cast<int>(class_->fields.size()));
      class_->fields.push_back(name);
      class_->fieldPublic.push_back(isPublic);
      class_->fieldBounds.push_back(std::move(bounds));
      class_->fieldIsArray.push_back(isArray);
      if (!Is(Tok::Comma)) break;
      Next();
    }
    EndOfStatement();
  }

  // "name ...", "obj.member ...", "a(i) = ...": an assignment or a call.
  void ParseNameStatement(Block& block, bool isCall) {
    const Token at = Cur();
    // "Call (f)(x)", "Call (New C).m": after Call, any parenthesised expression.
    Expr* target = isCall && Is(Tok::LParen) ? ParsePrimary() : ParseTarget();
    if (!isCall && Is(Tok::Eq)) {
      Next();
      Stmt* s = prog_->NewStmt(SK::Assign, at.line, at.col);
      s->target = target;
      s->e1 = ParseExpr();
      EndOfStatement();
      block.push_back(s);
      return;
    }
    Stmt* s = prog_->NewStmt(SK::CallStmt, at.line, at.col);
    s->e1 = target;
    if (isCall) {
      EndOfStatement();
      block.push_back(s);
      return;
    }
    if (AtEndOfStatement()) {
      if (target->parens) {
        if (target->args.size() > 1) FailAt(kErrParensOnSubCall, at);
        if (target->args.size() == 1) {
          // "Name(x)": one argument in parentheses, passed by value.
          Expr* p = prog_->NewExpr(EK::Paren, target->args[0]->line, target->args[0]->col);
          p->a = target->args[0];
          target->args[0] = p;
        }
      }
      block.push_back(s);
      return;
    }
    // Arguments without parentheses follow.
    std::vector<Expr*> args;
    if (target->parens) {
      if (target->args.size() != 1 || target->args[0]->kind == EK::Missing) Fail(kErrExpectedEndOfStatement);
      Expr* p = prog_->NewExpr(EK::Paren, target->args[0]->line, target->args[0]->col);
      p->a = target->args[0];
      args.push_back(BinaryRest(p, pImp));
      target->args.clear();
      target->parens = false;
      if (Is(Tok::Comma)) {
        Next();
        ParseArgList(args);
      }
    } else {
      ParseArgList(args);
    }
    target->args = std::move(args);
    EndOfStatement();
    block.push_back(s);
  }

  // Comma-separated arguments, some possibly omitted, up to the end of the statement.
  void ParseArgList(std::vector<Expr*>& args) {
    for (;;) {
      if (Is(Tok::Comma)) {
        args.push_back(prog_->NewExpr(EK::Missing, Cur().line, Cur().col));
        Next();
        continue;
      }
      args.push_back(ParseExpr());
      if (!Is(Tok::Comma)) break;
      Next();
      if (AtEndOfStatement()) args.push_back(prog_->NewExpr(EK::Missing, Cur().line, Cur().col));
    }
  }

  // name or .name, then any chain of (args) and .member.
  Expr* ParseTarget() {
    Expr* e;
    const Token at = Cur();
    if (Is(Tok::Dot)) {
      e = WithObject(at);
    } else {
      if (!Is(Tok::Name) || IsReserved(Cur().kw)) Fail(kErrExpectedIdent);
      e = Name(Cur().lower, at);
      Next();
    }
    return Postfix(e);
  }

  // The object of ".member": the innermost With's; outside any With a node
  // that raises "Invalid or unqualified reference" when it runs.
  Expr* WithObject(const Token& at) {
    if (!withStack_.empty()) return withStack_.back();
    Expr* e = prog_->NewExpr(EK::Illegal, at.line, at.col);
    e->number = kErrUnqualifiedRef;
    return e;
  }

  Expr* Postfix(Expr* e) {
    for (;;) {
      if (Is(Tok::LParen) && (e->kind == EK::Name || e->kind == EK::Member || e->parens || e->kind == EK::Paren)) {
        if (e->kind == EK::Paren) {
          // "(f)(x)" calls f with x, as "f(x)" does; "(f(x))(a)" and "(New C)(a)"
          // index the value or call its default member.
          Expr* inner = e->a;
          while (inner->kind == EK::Paren) inner = inner->a;
          if (inner->kind == EK::Name && !inner->parens) {
            e = inner;
          } else {
            Expr* idx = prog_->NewExpr(EK::Index, Cur().line, Cur().col);
            idx->a = e;
            e = idx;
          }
        } else if (e->parens) {
          // a(1)(2): index the result.
          Expr* idx = prog_->NewExpr(EK::Index, Cur().line, Cur().col);
          idx->a = e;
          e = idx;
        }
        Next();
        e->parens = true;
        if (!Is(Tok::RParen)) {
          for (;;) {
            if (Is(Tok::Comma) || Is(Tok::RParen)) {
              e->args.push_back(prog_->NewExpr(EK::Missing, Cur().line, Cur().col));
            } else {
              e->args.push_back(ParseExpr());
            }
            if (!Is(Tok::Comma)) break;
            Next();
          }
        }
        Expect(Tok::RParen, kErrExpectedRParen);
        continue;
      }
      // "x .y" inside With: .y is the next argument, not a member of x.
      if (Is(Tok::Dot) && !(Cur().spaceBefore && !withStack_.empty() && e->kind != EK::WithObj)) {
        Next();
        // Any name, keywords included ("obj.Rem", "obj.End").
        if (!Is(Tok::Name)) Fail(kErrExpectedIdent);
        Expr* m = prog_->NewExpr(EK::Member, Cur().line, Cur().col);
        m->a = e;
        m->name = Cur().lower;
        m->shown = Cur().text;
        Next();
        e = m;
        continue;
      }
      return e;
    }
  }

  // ---- Expressions ----
  static int PrecOf(const Token& t, BinOp& op) {
    switch (t.type) {
      case Tok::Caret: op = BinOp::Pow; return pPow;
      case Tok::Star: op = BinOp::Mul; return pMulDiv;
      case Tok::Slash: op = BinOp::Div; return pMulDiv;
      case Tok::Backslash: op = BinOp::IntDiv; return pIntDiv;
      case Tok::Plus: op = BinOp::Add; return pAddSub;
      case Tok::Minus: op = BinOp::Sub; return pAddSub;
      case Tok::Amp: op = BinOp::Concat; return pConcat;
      case Tok::Eq: op = BinOp::Eq; return pCompare;
      case Tok::Ne: op = BinOp::Ne; return pCompare;
      case Tok::Lt: op = BinOp::Lt; return pCompare;
      case Tok::Gt: op = BinOp::Gt; return pCompare;
      case Tok::Le: op = BinOp::Le; return pCompare;
      case Tok::Ge: op = BinOp::Ge; return pCompare;
      case Tok::Name:
        switch (t.kw) {
          case Kw::Mod: op = BinOp::Mod; return pMod;
          case Kw::Is: op = BinOp::Is; return pCompare;
          case Kw::And: op = BinOp::And; return pAnd;
          case Kw::Or: op = BinOp::Or; return pOr;
          case Kw::Xor: op = BinOp::Xor; return pXor;
          case Kw::Eqv: op = BinOp::Eqv; return pEqv;
          case Kw::Imp: op = BinOp::Imp; return pImp;
          default: return pNone;
        }
      default: return pNone;
    }
  }

  struct Depth {
    Parser& p;
    explicit Depth(Parser& parser) : p(parser) {
      if (++p.nesting_ > kMaxNesting) p.Fail(kErrOutOfStack);
    }
    ~Depth() { --p.nesting_; }
  };

  Expr* ParseExpr(int minPrec = pImp) {
    Depth guard(*this);
    Expr* lhs = ParseOperand();
    return BinaryRest(lhs, minPrec);
  }

  Expr* BinaryRest(Expr* lhs, int minPrec) {
    for (;;) {
      BinOp op;
      int prec = PrecOf(Cur(), op);
      if (prec == pNone || prec < minPrec) return lhs;
      const Token at = Cur();
      Next();
      Expr* rhs = ParseOperand();
      for (;;) {
        BinOp next;
        int p2 = PrecOf(Cur(), next);
        if (p2 == pNone || p2 <= prec) break;
        rhs = BinaryRest(rhs, prec + 1);
      }
      Expr* b = prog_->NewExpr(EK::Binary, at.line, at.col);
      b->op = op;
      b->a = lhs;
      b->b = rhs;
      lhs = b;
    }
  }

  Expr* ParseOperand() {
    Depth guard(*this);
    const Token& at = Cur();
    if (Is(Tok::Minus)) {
      Next();
      Expr* e = prog_->NewExpr(EK::Neg, at.line, at.col);
      if (Is(Tok::Number)) {
        // A minus sign written on a number makes a negative literal, which
        // then binds tighter than ^ (-3 ^ 2 = 9) ...
        e->a = ParsePrimary();
        try {
          e->lit = Negate(e->a->lit);
          e->kind = EK::Literal;
        } catch (const RuntimeError&) {
        }
        return e;
      }
      // ... while on anything else it applies after ^ (-x ^ 2 = -(x ^ 2)).
      e->a = BinaryRest(ParseOperand(), pPow);
      if (e->a->kind == EK::Literal && e->a->lit.IsNumeric()) {
        try {
          e->lit = Negate(e->a->lit);
          e->kind = EK::Literal;
        } catch (const RuntimeError&) {
        }
      }
      return e;
    }
    if (Is(Tok::Plus)) {
      Next();
      return ParseOperand();
    }
    if (Is(Kw::Not)) {
      Next();
      Expr* e = prog_->NewExpr(EK::Not, at.line, at.col);
      e->a = ParseExpr(pCompare);
      return e;
    }
    return ParsePrimary();
  }

  Expr* Literal(const Variant& v, const Token& at) {
    Expr* e = prog_->NewExpr(EK::Literal, at.line, at.col);
    e->lit = v;
    e->written = true;
    Next();
    return e;
  }

  Expr* ParsePrimary() {
    const Token& at = Cur();
    switch (at.type) {
      case Tok::Number: case Tok::Date: return Literal(at.value, at);
      case Tok::String: return Literal(Variant::Str(at.text), at);
      case Tok::LParen: {
        Next();
        Expr* e = prog_->NewExpr(EK::Paren, at.line, at.col);
        e->a = ParseExpr();
        Expect(Tok::RParen, kErrExpectedRParen);
        return Postfix(e);
      }
      case Tok::Dot:
        return Postfix(WithObject(at));
      case Tok::Name:
        switch (at.kw) {
          case Kw::True: return Literal(Variant::Bool(true), at);
          case Kw::False: return Literal(Variant::Bool(false), at);
          case Kw::Empty: return Literal(Variant(), at);
          case Kw::Null: return Literal(Variant::Null(), at);
          case Kw::Nothing: return Literal(Variant::Nothing(), at);
          case Kw::New: {
            Expr* e = prog_->NewExpr(EK::New, at.line, at.col);
            Next();
            if (Cur().type != Tok::Name || IsReserved(Cur().kw)) Fail(kErrExpectedIdent);
            e->name = Cur().lower;
            e->shown = Cur().text;
            Next();
            // "New C.Init(1, 2)" is "(New C).Init(1, 2)".
            if (Is(Tok::Dot)) return Postfix(e);
            return e;
          }
          default: break;
        }
        if (IsReserved(at.kw)) Fail(kErrExpectedExpression);
        {
          Expr* e = Name(at.lower, at);
          Next();
          return Postfix(e);
        }
      default: Fail(kErrExpectedExpression);
    }
  }
};

}  // namespace

std::unique_ptr<Program> Parse(const std::string& source, Globals& globals) {
  Parser parser(Lex(source), globals);
  std::unique_ptr<Program> prog = parser.Run();
  prog->source = source;
  return prog;
}

std::unique_ptr<Program> ParseExpression(const std::string& source, Globals& globals) {
  Parser parser(Lex(source), globals);
  std::unique_ptr<Program> prog = parser.RunExpression();
  prog->source = source;
  return prog;
}

}  // namespace qfscript
