#include "lexer.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "datetime.h"
#include "errors.h"

namespace qfscript {

namespace {

const std::unordered_map<std::string, Kw>& Keywords() {
  static const std::unordered_map<std::string, Kw> map = {
      {"and", Kw::And},         {"byref", Kw::ByRef},     {"byval", Kw::ByVal},   {"call", Kw::Call},
      {"case", Kw::Case},       {"class", Kw::Class},     {"const", Kw::Const},   {"dim", Kw::Dim},
      {"do", Kw::Do},           {"each", Kw::Each},       {"else", Kw::Else},     {"elseif", Kw::ElseIf},
      {"empty", Kw::Empty},     {"end", Kw::End},         {"eqv", Kw::Eqv},       {"erase", Kw::Erase},
      {"exit", Kw::Exit},       {"false", Kw::False},     {"for", Kw::For},       {"function", Kw::Function},
      {"get", Kw::Get},         {"goto", Kw::GoTo},       {"if", Kw::If},         {"imp", Kw::Imp},
      {"in", Kw::In},           {"is", Kw::Is},           {"let", Kw::Let},       {"loop", Kw::Loop},
      {"mod", Kw::Mod},         {"new", Kw::New},         {"next", Kw::Next},     {"not", Kw::Not},
      {"nothing", Kw::Nothing}, {"null", Kw::Null},       {"on", Kw::On},         {"option", Kw::Option},
      {"or", Kw::Or},           {"preserve", Kw::Preserve}, {"private", Kw::Private},
      {"property", Kw::Property}, {"public", Kw::Public}, {"redim", Kw::ReDim},   {"rem", Kw::Rem},
      {"resume", Kw::Resume},   {"select", Kw::Select},   {"set", Kw::Set},       {"step", Kw::Step},
      {"sub", Kw::Sub},         {"then", Kw::Then},       {"to", Kw::To},         {"true", Kw::True},
      {"until", Kw::Until},     {"wend", Kw::Wend},       {"while", Kw::While},   {"with", Kw::With},
      {"xor", Kw::Xor},         {"error", Kw::Error},     {"explicit", Kw::Explicit},
      {"default", Kw::Default}, {"stop", Kw::Stop},       {"randomize", Kw::Randomize},
  };
  return map;
}

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)); }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

}  // namespace

bool IsReserved(Kw kw) {
  switch (kw) {
    case Kw::None: case Kw::Get: case Kw::Error: case Kw::Explicit: case Kw::Default:
    case Kw::Property: case Kw::Step: case Kw::Preserve: case Kw::Randomize: case Kw::Let:
    case Kw::Resume: case Kw::Stop:
      return false;
    default: return true;
  }
}

std::vector<Token> Lex(const std::string& src) {
  std::vector<Token> out;
  out.reserve(src.size() / 3 + 4);
  size_t i = 0, n = src.size();
  int line = 1;
  size_t lineStart = 0;
  bool space = true;

  auto fail = [&](int number, size_t at) -> void {
    throw CompileError{number, line, static_cast<int>(at - lineStart) + 1};
  };
  auto push = [&](Tok t, size_t start) -> Token& {
    out.emplace_back();
    Token& k = out.back();
    k.type = t;
    k.line = line;
    k.col = static_cast<int>(start - lineStart) + 1;
    k.spaceBefore = space;
    space = false;
    return k;
  };
  auto newline = [&](size_t start, size_t len) {
    push(Tok::Newline, start);
    i = start + len;
    ++line;
    lineStart = i;
    space = true;
  };

  while (i < n) {
    char c = src[i];
    if (c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\0') {
      ++i;
      space = true;
      continue;
    }
    if (c == '\r') {
      newline(i, (i + 1 < n && src[i + 1] == '\n') ? 2 : 1);
      continue;
    }
    if (c == '\n') {
      newline(i, 1);
      continue;
    }
    if (c == '\'') {
      while (i < n && src[i] != '\r' && src[i] != '\n') ++i;
      continue;
    }
    size_t start = i;
    if (c == '_') {
      // Line continuation: "_" then only blanks up to the end of the line.
      size_t j = i + 1;
      while (j < n && (src[j] == ' ' || src[j] == '\t')) ++j;
      if (j >= n || src[j] == '\r' || src[j] == '\n') {
        if (j < n) j += (src[j] == '\r' && j + 1 < n && src[j + 1] == '\n') ? 2 : 1;
        i = j;
        ++line;
        lineStart = i;
        space = true;
        continue;
      }
      fail(kErrInvalidChar, i);
    }
    if (IsNameStart(c)) {
      while (i < n && IsNameChar(src[i])) ++i;
      std::string text = src.substr(start, i - start);
      std::string lower = Lower(text);
      auto it = Keywords().find(lower);
      // "Rem" starts a comment, except as a member name ("obj.Rem").
      bool member = !out.empty() && out.back().type == Tok::Dot;
      if (it != Keywords().end() && it->second == Kw::Rem && !member) {
        while (i < n && src[i] != '\r' && src[i] != '\n') ++i;
        continue;
      }
      Token& t = push(Tok::Name, start);
      t.kw = it == Keywords().end() ? Kw::None : it->second;
      t.text = std::move(text);
      t.lower = std::move(lower);
      continue;
    }
    if (c == '[') {
      size_t j = i + 1;
      while (j < n && src[j] != ']' && src[j] != '\r' && src[j] != '\n') ++j;
      if (j >= n || src[j] != ']') fail(1007, j);
      Token& t = push(Tok::Name, start);
      t.text = src.substr(i + 1, j - i - 1);
      // "[]" is a name of its own; no other name can be written with brackets in it.
      t.lower = t.text.empty() ? "[]" : Lower(t.text);
      i = j + 1;
      continue;
    }
    if (c == '"') {
      std::string value;
      ++i;
      for (;;) {
        if (i >= n || src[i] == '\r' || src[i] == '\n') fail(kErrUnterminatedString, i);
        if (src[i] == '"') {
          if (i + 1 < n && src[i + 1] == '"') {
            value += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += src[i++];
      }
      Token& t = push(Tok::String, start);
      t.text = std::move(value);
      continue;
    }
    bool dotNumber = c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(src[i + 1])) &&
                     !(out.size() && !space &&
                       (out.back().type == Tok::Name || out.back().type == Tok::RParen));
    if (std::isdigit(static_cast<unsigned char>(c)) || dotNumber) {
      while (i < n && std::isdigit(static_cast<unsigned char>(src[i]))) ++i;
      bool real = false;
      if (i < n && src[i] == '.') {
        real = true;
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(src[i]))) ++i;
      }
      if (i < n && (src[i] == 'e' || src[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (src[j] == '+' || src[j] == '-')) ++j;
        if (j < n && std::isdigit(static_cast<unsigned char>(src[j]))) {
          real = true;
          i = j;
          while (i < n && std::isdigit(static_cast<unsigned char>(src[i]))) ++i;
        }
      }
      std::string digits = src.substr(start, i - start);
      Token& t = push(Tok::Number, start);
      double d = std::strtod(digits.c_str(), nullptr);
      if (std::isinf(d)) fail(kErrInvalidNumber, start);
      if (!real && i < n && src[i] == '&') {
        ++i;
        if (d > 2147483647.0) fail(kErrInvalidNumber, start);
        t.value = Variant::Long(static_cast<int32_t>(d));
      } else if (!real && d <= 32767) {
        t.value = Variant::Int(static_cast<int16_t>(d));
      } else if (!real && d <= 2147483647.0) {
        t.value = Variant::Long(static_cast<int32_t>(d));
      } else {
        t.value = Variant::Double(d);
      }
      if (i < n && IsNameChar(src[i])) fail(kErrExpectedEndOfStatement, i);
      continue;
    }
    // "&h" or "&o" with at least one digit is a number; otherwise "&" is the operator ("x" &hi).
    int base = 0;
    if (c == '&' && i + 2 < n) {
      char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(src[i + 1])));
      char first = static_cast<char>(std::tolower(static_cast<unsigned char>(src[i + 2])));
      if (kind == 'h' && (std::isdigit(static_cast<unsigned char>(first)) || (first >= 'a' && first <= 'f'))) base = 16;
      else if (kind == 'o' && first >= '0' && first <= '7') base = 8;
    }
    if (base) {
      size_t j = i + 2;
      uint64_t v = 0;
      bool any = false;
      for (; j < n; ++j) {
        int dgt;
        char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(src[j])));
        if (ch >= '0' && ch <= '9') dgt = ch - '0';
        else if (base == 16 && ch >= 'a' && ch <= 'f') dgt = ch - 'a' + 10;
        else break;
        if (dgt >= base) break;
        v = v * base + dgt;
        if (v > 0xFFFFFFFFull) fail(kErrInvalidNumber, start);
        any = true;
      }
      if (!any) fail(kErrSyntax, start);
      Token& t = push(Tok::Number, start);
      // Up to four hex digits are 16 bits with a sign (a trailing & makes them
      // 32 bits); the value then takes Integer when it lies in -32767..32767
      // (so &H8000 is the Long -32768 and &hFFFFFFFF& the Integer -1).
      bool wide = j < n && src[j] == '&';
      if (wide) ++j;
      int32_t value = wide || v > 0xFFFF ? static_cast<int32_t>(static_cast<uint32_t>(v))
                                         : static_cast<int16_t>(static_cast<uint16_t>(v));
      if (value >= -32767 && value <= 32767) t.value = Variant::Int(static_cast<int16_t>(value));
      else t.value = Variant::Long(value);
      i = j;
      continue;
    }
    if (c == '#') {
      size_t j = i + 1;
      while (j < n && src[j] != '#' && src[j] != '\r' && src[j] != '\n') ++j;
      if (j >= n || src[j] != '#') fail(kErrSyntax, i);
      double serial;
      if (!ParseDate(src.substr(i + 1, j - i - 1), serial)) fail(kErrSyntax, i);
      Token& t = push(Tok::Date, start);
      t.value = Variant::Date(serial);
      i = j + 1;
      continue;
    }
    Tok type;
    size_t len = 1;
    switch (c) {
      case ':': type = Tok::Colon; break;
      case '(': type = Tok::LParen; break;
      case ')': type = Tok::RParen; break;
      case ',': type = Tok::Comma; break;
      case '.': type = Tok::Dot; break;
      case '+': type = Tok::Plus; break;
      case '-': type = Tok::Minus; break;
      case '*': type = Tok::Star; break;
      case '/': type = Tok::Slash; break;
      case '\\': type = Tok::Backslash; break;
      case '^': type = Tok::Caret; break;
      case '&': type = Tok::Amp; break;
      case '=':
        // "=>" and "=<" are ">=" and "<=".
        if (i + 1 < n && src[i + 1] == '>') { type = Tok::Ge; len = 2; }
        else if (i + 1 < n && src[i + 1] == '<') { type = Tok::Le; len = 2; }
        else type = Tok::Eq;
        break;
      case '<':
        if (i + 1 < n && src[i + 1] == '>') { type = Tok::Ne; len = 2; }
        else if (i + 1 < n && src[i + 1] == '=') { type = Tok::Le; len = 2; }
        else type = Tok::Lt;
        break;
      case '>':
        if (i + 1 < n && src[i + 1] == '=') { type = Tok::Ge; len = 2; }
        else if (i + 1 < n && src[i + 1] == '<') { type = Tok::Ne; len = 2; }  // "><" is "<>"
        else type = Tok::Gt;
        break;
      default:
        fail(kErrInvalidChar, i);
        type = Tok::End;
    }
    push(type, start);
    i += len;
  }
  Token& end = push(Tok::End, i);
  (void)end;
  return out;
}

}  // namespace qfscript
