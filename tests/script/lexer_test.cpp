#include "script/lexer.h"

#include <gtest/gtest.h>

#include "script/errors.h"

namespace qfscript {
namespace {

std::vector<Token> L(const std::string& s) { return Lex(s); }

// The number, line and column of the fault lexing `s` finds; all 0 when there is none.
std::vector<int> CompileErrorOf(const std::string& s) {
  try {
    Lex(s);
  } catch (const CompileError& e) {
    return {e.number, e.line, e.column};
  }
  return {0, 0, 0};
}

TEST(Lexer, NumberLiteralsTakeTheSmallestSubtype) {
  auto t = L("32767 32768 2147483647 2147483648 &HFF &HFFFF &HFFFF& &H10000 &O17 100& 1.5 .5 1e3 1.5E-3 x.5");
  const std::pair<int, double> want[] = {{vtInteger, 32767}, {vtLong, 32768},     {vtLong, 2147483647},
                                         {vtDouble, 2147483648.0}, {vtInteger, 255}, {vtInteger, -1},
                                         {vtLong, 65535},   {vtLong, 65536},      {vtInteger, 15},
                                         {vtLong, 100},     {vtDouble, 1.5},      {vtDouble, 0.5},
                                         {vtDouble, 1000},  {vtDouble, 0.0015}};
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(t[i].value.vt, want[i].first) << i;
    const Variant& v = t[i].value;
    EXPECT_DOUBLE_EQ(v.vt == vtInteger ? v.i : v.vt == vtLong ? v.l : v.d, want[i].second) << i;
  }
  // After a name a dot is member access, not a number.
  EXPECT_EQ(t[14].type, Tok::Name);
  EXPECT_EQ(t[15].type, Tok::Dot);
}

TEST(Lexer, LinesCommentsAndContinuations) {
  auto t = L("a = 1 ' comment\r\nb = _\n  2 : Rem all of this\rc");
  // a = 1 NL b = 2 : NL c END
  std::vector<Tok> types;
  for (auto& k : t) types.push_back(k.type);
  std::vector<Tok> want = {Tok::Name, Tok::Eq, Tok::Number, Tok::Newline, Tok::Name, Tok::Eq, Tok::Number,
                           Tok::Colon, Tok::Newline, Tok::Name, Tok::End};
  EXPECT_EQ(types, want);
  EXPECT_EQ(std::make_pair(t[6].line, t[6].col), std::make_pair(3, 3));  // the continued line keeps its own number
  EXPECT_EQ(t[9].line, 4);  // a lone CR ends a line too
}

TEST(Lexer, Errors) {
  EXPECT_EQ(CompileErrorOf("x = \"abc\ny = 1"), std::vector<int>({kErrUnterminatedString, 1, 9}));
  EXPECT_EQ(CompileErrorOf("x = 1 $ 2"), std::vector<int>({kErrInvalidChar, 1, 7}));
  EXPECT_EQ(CompileErrorOf("x = a _ b")[0], kErrInvalidChar);
  EXPECT_EQ(CompileErrorOf("x = 99999999999999999999&")[0], kErrInvalidNumber);
  EXPECT_EQ(CompileErrorOf("x = #not a date#")[0], kErrSyntax);
}

}  // namespace
}  // namespace qfscript
