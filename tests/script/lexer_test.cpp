#include "script/lexer.h"

#include <gtest/gtest.h>

#include "script/errors.h"

namespace qfscript {
namespace {

std::vector<Token> L(const std::string& s) { return Lex(s); }

int CompileErrorOf(const std::string& s, int* line = nullptr, int* col = nullptr) {
  try {
    Lex(s);
  } catch (const CompileError& e) {
    if (line) *line = e.line;
    if (col) *col = e.column;
    return e.number;
  }
  return 0;
}

TEST(Lexer, NamesAreCaseInsensitiveAndKeywordsRecognised) {
  auto t = L("DiM myVar, [odd name]");
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].kw, Kw::Dim);
  EXPECT_EQ(t[1].type, Tok::Name);
  EXPECT_EQ(t[1].kw, Kw::None);
  EXPECT_EQ(t[1].text, "myVar");
  EXPECT_EQ(t[1].lower, "myvar");
  EXPECT_EQ(t[2].type, Tok::Comma);
  EXPECT_EQ(t[3].lower, "odd name");
  EXPECT_EQ(t[4].type, Tok::End);
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

TEST(Lexer, StringsDoubleTheirQuotes) {
  auto t = L("\"say \"\"hi\"\"\" \"\"");
  EXPECT_EQ(t[0].type, Tok::String);
  EXPECT_EQ(t[0].text, "say \"hi\"");
  EXPECT_EQ(t[1].text, "");
}

TEST(Lexer, DateLiterals) {
  auto t = L("#12/31/2020# #1/2/2003 1:05:09 PM#");
  EXPECT_EQ(t[0].type, Tok::Date);
  EXPECT_DOUBLE_EQ(t[0].value.d, 44196);
  EXPECT_NEAR(t[1].value.d, 37623 + (13 * 3600 + 5 * 60 + 9) / 86400.0, 1e-9);
}

TEST(Lexer, OperatorsIncludingTwoCharacterOnes) {
  auto t = L("<> <= >= < > = & \\ ^");
  Tok want[] = {Tok::Ne, Tok::Le, Tok::Ge, Tok::Lt, Tok::Gt, Tok::Eq, Tok::Amp, Tok::Backslash, Tok::Caret};
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(t[i].type, want[i]) << i;
}

TEST(Lexer, LinesCommentsAndContinuations) {
  auto t = L("a = 1 ' comment\r\nb = _\n  2 : Rem all of this\rc");
  // a = 1 NL b = 2 : NL c END
  std::vector<Tok> types;
  for (auto& k : t) types.push_back(k.type);
  std::vector<Tok> want = {Tok::Name, Tok::Eq, Tok::Number, Tok::Newline, Tok::Name, Tok::Eq, Tok::Number,
                           Tok::Colon, Tok::Newline, Tok::Name, Tok::End};
  EXPECT_EQ(types, want);
  EXPECT_EQ(t[6].line, 3);  // the continued line keeps its own number
  EXPECT_EQ(t[6].col, 3);
  EXPECT_EQ(t[9].line, 4);  // a lone CR ends a line too
}

TEST(Lexer, PositionsAreOneBased) {
  auto t = L("x = 1\n  y");
  EXPECT_EQ(t[0].line, 1);
  EXPECT_EQ(t[0].col, 1);
  EXPECT_EQ(t[2].col, 5);
  EXPECT_EQ(t[4].line, 2);
  EXPECT_EQ(t[4].col, 3);
}

TEST(Lexer, Errors) {
  int line, col;
  EXPECT_EQ(CompileErrorOf("x = \"abc\ny = 1", &line, &col), kErrUnterminatedString);
  EXPECT_EQ(line, 1);
  EXPECT_EQ(col, 9);
  EXPECT_EQ(CompileErrorOf("x = 1 $ 2", &line, &col), kErrInvalidChar);
  EXPECT_EQ(col, 7);
  EXPECT_EQ(CompileErrorOf("x = a _ b"), kErrInvalidChar);
  EXPECT_EQ(CompileErrorOf("x = 99999999999999999999&"), kErrInvalidNumber);
  EXPECT_EQ(CompileErrorOf("x = #not a date#"), kErrSyntax);
}

}  // namespace
}  // namespace qfscript
