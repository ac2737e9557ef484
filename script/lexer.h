// Lexer: turns script text into tokens with their 1-based line and column.
//
// Keywords and names are case-insensitive: each name token carries its
// lower-case form. Line continuations (" _" before a line end) and comments
// never reach the parser; ends of lines and ':' become statement separators.
// Errors (invalid character, unterminated string) throw CompileError.
#pragma once

#include <string>
#include <vector>

#include "script/variant.h"

namespace qfscript {

enum class Tok : uint8_t {
  End,        // end of text
  Newline,    // end of a line
  Colon,      // ':'
  Name,       // identifier or keyword (see kw)
  Number,     // value holds Integer, Long or Double
  String,
  Date,
  LParen, RParen, Comma, Dot,
  Plus, Minus, Star, Slash, Backslash, Caret, Amp,
  Eq, Ne, Lt, Gt, Le, Ge,
};

enum class Kw : uint8_t {
  None,
  And, ByRef, ByVal, Call, Case, Class, Const, Dim, Do, Each, Else, ElseIf, Empty, End, Eqv,
  Erase, Exit, False, For, Function, Get, GoTo, If, Imp, In, Is, Let, Loop, Mod, New, Next, Not,
  Nothing, Null, On, Option, Or, Preserve, Private, Property, Public, ReDim, Rem, Resume, Select,
  Set, Step, Sub, Then, To, True, Until, Wend, While, With, Xor, Error, Explicit, Default, Stop,
  Randomize,
};

struct Token {
  Tok type = Tok::End;
  Kw kw = Kw::None;        // for names that are keywords
  bool spaceBefore = false;  // blank before the token (a With member ".x")
  int line = 1;
  int col = 1;
  std::string text;        // names: as written; strings: the value
  std::string lower;       // names: lower case
  Variant value;           // numbers and dates
};

// Keywords that may not be used as variable names.
bool IsReserved(Kw kw);

std::vector<Token> Lex(const std::string& source);

}  // namespace qfscript
