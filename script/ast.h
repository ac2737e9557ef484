// The program tree: what the parser builds and the compiler resolves.
//
// The parser leaves names as EK::Name nodes and records every declaration;
// the compiler (compiler.cpp) then rewrites each name in place into a local
// slot, a global slot, a procedure, a built-in or a literal, so that the vm
// never looks a name up while running (except EK::Dynamic, for procedures
// that a later AddCode may bring).
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/operators.h"
#include "script/variant.h"

namespace qfscript {

struct Proc;
struct Builtin;
class Interp;

// A value in whole numbers: vt is vtInteger or vtLong, or vtEmpty when the
// value is none (another subtype, or a result beyond Long). Two registers.
struct WholeVal {
  int64_t v;
  int32_t vt;
};

enum class EK : uint8_t {
  Literal,
  Name,       // unresolved name (parser output), args when parens
  Local,      // local slot
  Global,     // global slot
  Index,      // a(args): array element (a = the variable)
  Call,       // user procedure
  Builtin,    // built-in function
  Dynamic,    // name looked up at run time
  Undefined,  // Option Explicit: "Variable is undefined" when evaluated
  Illegal,    // assignment to a constant: raises `number`
  Member,     // a.name(args)
  GlobalMember,  // method of a host object added with global members
  WithObj,    // the object of the innermost With (slot/global in `slot`)
  Binary,
  Neg,
  Not,
  Paren,      // (a): a by-value argument
  Missing,    // an omitted argument
  New,        // New name: an instance of a class (name)
  Me,         // the instance a class's procedure runs for
  FrameVar,   // a name that Execute created in the running procedure (looked up by name)
};

struct Expr {
  EK kind = EK::Literal;
  BinOp op = BinOp::Add;
  bool parens = false;  // written with an argument list in parentheses
  bool isGlobal = false;  // WithObj: slot is a global
  bool pure = false;      // whole-number candidate: literals, variables and + - * \ Mod of them
  bool wholeTree = false;  // pure with a nested operator: worth evaluating in whole numbers first
  // Literal: written out in the text (5, "a", True, #1/2/2024#), not a folded
  // -5 nor a constant. Only such a literal converts the text compared with it.
  bool written = false;
  uint8_t literals = 0;  // comparison: kLitA/kLitB for operands that are written literals
  int line = 0, col = 0;
  int slot = -1;
  int number = 0;
  Expr* a = nullptr;
  Expr* b = nullptr;
  std::vector<Expr*> args;
  std::string name;   // lower case
  std::string shown;  // as written
  Variant lit;
  Proc* proc = nullptr;
  const Builtin* builtin = nullptr;
  Variant* global = nullptr;  // Global, and WithObj at script level: the slot itself
  // A pure Binary node: its evaluator in whole numbers, made for the kinds of
  // its operands when it first runs; `magic` the reciprocal of a literal divisor.
  WholeVal (*whole)(Interp&, const Expr*) = nullptr;
  uint64_t magic = 0;
};

enum class SK : uint8_t {
  Nop, CallStmt, Assign, Set, If, Select, For, ForEach, Do, While, Exit, With,
  OnErrorResume, OnErrorGoto0, DimArray, ReDim, Erase, Randomize,
};

enum class ExitKind : uint8_t { Do, For, Proc };

struct Stmt;
using Block = std::vector<Stmt*>;

struct CaseItem {
  int kind = 0;  // 0 value, 1 range (a To b), 2 Is <op> a
  BinOp op = BinOp::Eq;
  Expr* a = nullptr;
  Expr* b = nullptr;
};

struct CaseClause {
  std::vector<CaseItem> items;
  Block body;
};

struct Stmt {
  SK kind = SK::Nop;
  int line = 0, col = 0;
  bool flag = false;   // Do: test at the top; ReDim: Preserve
  bool until = false;  // Do: Until instead of While
  bool hasElse = false;
  ExitKind exit = ExitKind::Do;
  Expr* target = nullptr;  // assigned variable, loop variable, With slot
  Expr* e1 = nullptr;
  Expr* e2 = nullptr;
  Expr* e3 = nullptr;
  std::vector<Expr*> conds;   // If / ElseIf conditions; ReDim bounds
  std::vector<Block> blocks;  // their blocks
  Block body;                 // loop body, Else block, With body
  std::vector<CaseClause> cases;
  std::vector<int32_t> bounds;  // Dim a(3, 4)
};

struct Param {
  std::string name;  // lower case
  bool byRef = true;
};

struct Program;
struct ClassDef;

enum class PropKind : uint8_t { None, Get, Let, Set };

struct Proc {
  const Program* program = nullptr;  // the code it was written in
  std::string name;   // lower case
  std::string shown;  // as written
  bool isFunction = false;
  int line = 0, col = 0;
  std::vector<Param> params;
  int resultSlot = -1;
  int nslots = 0;
  Block body;
  // Declarations, filled by the parser and completed by the compiler.
  std::unordered_map<std::string, int> locals;
  std::unordered_map<std::string, Variant> consts;
  // Procedures of a class: their class, and the local slots that stand for
  // the instance's fields (slot, field index), bound by reference at each call.
  ClassDef* cls = nullptr;
  PropKind prop = PropKind::None;
  std::vector<std::pair<int, int>> fieldSlots;
};

struct ClassMember {
  bool isPublic = true;
  Proc* method = nullptr;  // Sub or Function
  Proc* get = nullptr;
  Proc* let = nullptr;
  Proc* set = nullptr;
};

struct ClassDef {
  std::string name;   // lower case
  std::string shown;  // as written
  std::vector<std::string> fields;  // lower case
  std::vector<bool> fieldPublic;
  std::vector<std::vector<int32_t>> fieldBounds;  // Dim a(3): fixed bounds; empty: a plain variable
  std::vector<bool> fieldIsArray;                 // Dim a(): a dynamic array
  std::unordered_map<std::string, int> fieldIndex;
  std::unordered_map<std::string, ClassMember> members;
  std::unordered_map<std::string, Variant> consts;  // Const inside the class: for its procedures
  std::string defaultMember;  // lower case, empty when none
  Proc* init = nullptr;
  Proc* term = nullptr;
  std::vector<std::unique_ptr<Proc>> procs;
};

// One AddCode text once parsed.
struct Program {
  std::string source;  // the text, for the line of an error
  bool optionExplicit = false;
  Block top;
  std::vector<std::unique_ptr<Proc>> procs;
  std::vector<std::unique_ptr<ClassDef>> classes;
  std::vector<std::string> globalDims;  // names declared at script level (lower case)
  std::vector<std::pair<int, int>> globalDimPos;
  std::unordered_map<std::string, Variant> globalConsts;
  std::vector<std::unique_ptr<Expr>> exprs;  // node storage
  std::vector<std::unique_ptr<Stmt>> stmts;
  int withTemps = 0;  // With slots needed by the top-level code
  Expr* evalExpr = nullptr;  // Eval: the one expression (top is empty)

  Expr* NewExpr(EK kind, int line, int col) {
    exprs.push_back(std::make_unique<Expr>());
    Expr* e = exprs.back().get();
    e->kind = kind;
    e->line = line;
    e->col = col;
    return e;
  }
  Stmt* NewStmt(SK kind, int line, int col) {
    stmts.push_back(std::make_unique<Stmt>());
    Stmt* s = stmts.back().get();
    s->kind = kind;
    s->line = line;
    s->col = col;
    return s;
  }
};

// Script-level names of a running engine: they outlive each AddCode.
struct Globals {
  std::unordered_map<std::string, int> slots;  // variables and host objects
  std::deque<Variant> values;                  // stable addresses (ByRef)
  std::unordered_map<std::string, Variant> consts;
  std::unordered_map<std::string, Proc*> procs;
  std::unordered_map<std::string, ClassDef*> classes;
  std::vector<int> memberHosts;  // slots of host objects whose methods are global

  int Add(const std::string& lowerName) {
    auto it = slots.find(lowerName);
    if (it != slots.end()) return it->second;
    int slot = static_cast<int>(values.size());
    values.emplace_back();
    if (!lowerName.empty()) slots.emplace(lowerName, slot);
    return slot;
  }
};

}  // namespace qfscript
