#include "script/lexer.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "script/datetime.h"
#include "script/errors.h"

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

namespace {

// One pass over a text: the position, the line it is on, and the tokens so far.
class Lexer {
 public:
  explicit Lexer(const std::string& src) : src_(src), n_(src.size()) { out_.reserve(src.size() / 3 + 4); }

  std::vector<Token> Run() {
    while (i_ < n_) Next();
    Push(Tok::End, i_);
    return std::move(out_);
  }

 private:
  const std::string& src_;
  size_t i_ = 0, n_;
  int line_ = 1;
  size_t lineStart_ = 0;
  bool space_ = true;
  std::vector<Token> out_;

  [[noreturn]] void Fail(int number, size_t at) {
    throw CompileError{number, line_, static_cast<int>(at - lineStart_) + 1};
  }

  Token& Push(Tok t, size_t start) {
    out_.emplace_back();
    Token& k = out_.back();
    k.type = t;
    k.line = line_;
    k.col = static_cast<int>(start - lineStart_) + 1;
    k.spaceBefore = space_;
    space_ = false;
    return k;
  }

  void Newline(size_t start, size_t len) {
    Push(Tok::Newline, start);
    i_ = start + len;
    ++line_;
    lineStart_ = i_;
    space_ = true;
  }

  void SkipToLineEnd() {
    while (i_ < n_ && src_[i_] != '\r' && src_[i_] != '\n') ++i_;
  }

  bool IsDigitAt(size_t j) const { return j < n_ && std::isdigit(static_cast<unsigned char>(src_[j])); }

  // One token, a blank, a line end or a comment.
  void Next() {
    char c = src_[i_];
    if (c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\0') {
      ++i_;
      space_ = true;
      return;
    }
    if (c == '\r') return Newline(i_, (i_ + 1 < n_ && src_[i_ + 1] == '\n') ? 2 : 1);
    if (c == '\n') return Newline(i_, 1);
    if (c == '\'') return SkipToLineEnd();
    if (c == '_') return Continuation();
    if (IsNameStart(c)) return Name();
    if (c == '[') return BracketName();
    if (c == '"') return String();
    bool dotNumber = c == '.' && IsDigitAt(i_ + 1) &&
                     !(out_.size() && !space_ && (out_.back().type == Tok::Name || out_.back().type == Tok::RParen));
    if (std::isdigit(static_cast<unsigned char>(c)) || dotNumber) return Number();
    if (int base = RadixAt(); base) return RadixNumber(base);
    if (c == '#') return DateLiteral();
    Operator(c);
  }

  // Line continuation: "_" then only blanks up to the end of the line.
  void Continuation() {
    size_t j = i_ + 1;
    while (j < n_ && (src_[j] == ' ' || src_[j] == '\t')) ++j;
    if (j < n_ && src_[j] != '\r' && src_[j] != '\n') Fail(kErrInvalidChar, i_);
    if (j < n_) j += (src_[j] == '\r' && j + 1 < n_ && src_[j + 1] == '\n') ? 2 : 1;
    i_ = j;
    ++line_;
    lineStart_ = i_;
    space_ = true;
  }

  void Name() {
    size_t start = i_;
    while (i_ < n_ && IsNameChar(src_[i_])) ++i_;
    std::string text = src_.substr(start, i_ - start);
    std::string lower = Lower(text);
    auto it = Keywords().find(lower);
    // "Rem" starts a comment, except as a member name ("obj.Rem").
    bool member = !out_.empty() && out_.back().type == Tok::Dot;
    if (it != Keywords().end() && it->second == Kw::Rem && !member) return SkipToLineEnd();
    Token& t = Push(Tok::Name, start);
    t.kw = it == Keywords().end() ? Kw::None : it->second;
    t.text = std::move(text);
    t.lower = std::move(lower);
  }

  void BracketName() {
    size_t j = i_ + 1;
    while (j < n_ && src_[j] != ']' && src_[j] != '\r' && src_[j] != '\n') ++j;
    if (j >= n_ || src_[j] != ']') Fail(1007, j);
    Token& t = Push(Tok::Name, i_);
    t.text = src_.substr(i_ + 1, j - i_ - 1);
    // "[]" is a name of its own; no other name can be written with brackets in it.
    t.lower = t.text.empty() ? "[]" : Lower(t.text);
    i_ = j + 1;
  }

  void String() {
    size_t start = i_;
    std::string value;
    ++i_;
    for (;;) {
      if (i_ >= n_ || src_[i_] == '\r' || src_[i_] == '\n') Fail(kErrUnterminatedString, i_);
      if (src_[i_] == '"') {
        if (i_ + 1 < n_ && src_[i_ + 1] == '"') {
          value += '"';
          i_ += 2;
          continue;
        }
        ++i_;
        break;
      }
      value += src_[i_++];
    }
    Token& t = Push(Tok::String, start);
    t.text = std::move(value);
  }

  void SkipDigits() {
    while (IsDigitAt(i_)) ++i_;
  }

  // A decimal number: Integer, Long (or with a trailing & always Long) or Double.
  void Number() {
    size_t start = i_;
    SkipDigits();
    bool real = false;
    if (i_ < n_ && src_[i_] == '.') {
      real = true;
      ++i_;
      SkipDigits();
    }
    if (i_ < n_ && (src_[i_] == 'e' || src_[i_] == 'E')) {
      size_t j = i_ + 1;
      if (j < n_ && (src_[j] == '+' || src_[j] == '-')) ++j;
      if (IsDigitAt(j)) {
        real = true;
        i_ = j;
        SkipDigits();
      }
    }
    std::string digits = src_.substr(start, i_ - start);
    Token& t = Push(Tok::Number, start);
    double d = std::strtod(digits.c_str(), nullptr);
    if (std::isinf(d)) Fail(kErrInvalidNumber, start);
    if (!real && i_ < n_ && src_[i_] == '&') {
      ++i_;
      if (d > 2147483647.0) Fail(kErrInvalidNumber, start);
      t.value = Variant::Long(static_cast<int32_t>(d));
    } else if (!real && d <= 32767) {
      t.value = Variant::Int(static_cast<int16_t>(d));
    } else if (!real && d <= 2147483647.0) {
      t.value = Variant::Long(static_cast<int32_t>(d));
    } else {
      t.value = Variant::Double(d);
    }
    if (i_ < n_ && IsNameChar(src_[i_])) Fail(kErrExpectedEndOfStatement, i_);
  }

  // "&h" or "&o" with at least one digit is a number (16 or 8); otherwise "&"
  // is the operator ("x" &hi) and this is 0.
  int RadixAt() const {
    if (src_[i_] != '&' || i_ + 2 >= n_) return 0;
    char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(src_[i_ + 1])));
    char first = static_cast<char>(std::tolower(static_cast<unsigned char>(src_[i_ + 2])));
    if (kind == 'h' && (std::isdigit(static_cast<unsigned char>(first)) || (first >= 'a' && first <= 'f'))) return 16;
    if (kind == 'o' && first >= '0' && first <= '7') return 8;
    return 0;
  }

  void RadixNumber(int base) {
    size_t start = i_;
    size_t j = i_ + 2;
    uint64_t v = 0;
    bool any = false;
    for (; j < n_; ++j) {
      int dgt;
      char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(src_[j])));
      if (ch >= '0' && ch <= '9') dgt = ch - '0';
      else if (base == 16 && ch >= 'a' && ch <= 'f') dgt = ch - 'a' + 10;
      else break;
      if (dgt >= base) break;
      v = v * base + dgt;
      if (v > 0xFFFFFFFFull) Fail(kErrInvalidNumber, start);
      any = true;
    }
    if (!any) Fail(kErrSyntax, start);
    Token& t = Push(Tok::Number, start);
    // Up to four hex digits are 16 bits with a sign (a trailing & makes them
    // 32 bits); the value then takes Integer when it lies in -32767..32767
    // (so &H8000 is the Long -32768 and &hFFFFFFFF& the Integer -1).
    bool wide = j < n_ && src_[j] == '&';
    if (wide) ++j;
    int32_t value = wide || v > 0xFFFF ? static_cast<int32_t>(static_cast<uint32_t>(v))
                                       : static_cast<int16_t>(static_cast<uint16_t>(v));
    if (value >= -32767 && value <= 32767) t.value = Variant::Int(static_cast<int16_t>(value));
    else t.value = Variant::Long(value);
    i_ = j;
  }

  void DateLiteral() {
    size_t j = i_ + 1;
    while (j < n_ && src_[j] != '#' && src_[j] != '\r' && src_[j] != '\n') ++j;
    if (j >= n_ || src_[j] != '#') Fail(kErrSyntax, i_);
    double serial;
    if (!ParseDate(src_.substr(i_ + 1, j - i_ - 1), serial)) Fail(kErrSyntax, i_);
    Token& t = Push(Tok::Date, i_);
    t.value = Variant::Date(serial);
    i_ = j + 1;
  }

  // Punctuation and the operators, one or two characters.
  void Operator(char c) {
    auto followedBy = [&](char next) { return i_ + 1 < n_ && src_[i_ + 1] == next; };
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
        if (followedBy('>')) { type = Tok::Ge; len = 2; }
        else if (followedBy('<')) { type = Tok::Le; len = 2; }
        else type = Tok::Eq;
        break;
      case '<':
        if (followedBy('>')) { type = Tok::Ne; len = 2; }
        else if (followedBy('=')) { type = Tok::Le; len = 2; }
        else type = Tok::Lt;
        break;
      case '>':
        if (followedBy('=')) { type = Tok::Ge; len = 2; }
        else if (followedBy('<')) { type = Tok::Ne; len = 2; }  // "><" is "<>"
        else type = Tok::Gt;
        break;
      default: Fail(kErrInvalidChar, i_);
    }
    Push(type, i_);
    i_ += len;
  }
};

}  // namespace

std::vector<Token> Lex(const std::string& src) { return Lexer(src).Run(); }

}  // namespace qfscript
