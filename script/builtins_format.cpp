// The Format functions: FormatNumber, FormatCurrency, FormatPercent and
// FormatDateTime, in the script locale's forms.
#include "script/builtins_common.h"

#include <algorithm>
#include <string>

#include "script/datetime.h"
#include "script/locales.h"

namespace qfscript {

namespace {

using namespace builtin;

int Tristate(Variant* a, int n, int i) {
  if (!Has(a, n, i)) return -2;
  int32_t t = LongArg(a, n, i, -2);
  if (t < -2 || t > 0) Fail(kErrInvalidCall);
  return t;
}

enum class NumberForm { Number, Currency, Percent };

// FormatNumber, FormatCurrency and FormatPercent: the decimal value the number
// stands for, rounded half away from zero, in the locale's separators.
// leading, parens and group are tristates (-2: the locale's choice).
Variant FormatFixed(Decimal x, int digits, int leading, int parens, int group, NumberForm form) {
  const LocaleInfo& loc = CurrentLocale();
  if (digits < -1 || digits > 255) Fail(kErrInvalidCall);
  if (digits == -1) digits = form == NumberForm::Currency ? loc.currencyDigits : 2;
  if (form == NumberForm::Percent && !x.digits.empty()) x.point += 2;
  RoundDecimal(x, digits, false);
  bool neg = x.negative && !x.digits.empty();
  std::string text = FixedText(x, digits);
  size_t dot = text.find('.');
  std::string whole = dot == std::string::npos ? text : text.substr(0, dot);
  std::string frac = dot == std::string::npos ? "" : loc.decimal + text.substr(dot + 1);
  if (whole == "0" && leading == 0) whole.clear();
  if (group != 0 && whole.size() > 3) {
    std::string g;
    int count = 0;
    for (size_t i = whole.size(); i-- > 0;) {
      g += whole[i];
      if (++count % 3 == 0 && i > 0) g += loc.thousands;
    }
    std::reverse(g.begin(), g.end());
    whole = g;
  }
  std::string number = whole + frac;
  if (form == NumberForm::Percent) number += '%';
  if (form != NumberForm::Currency) {
    if (!neg) return Str(number);
    return Str(parens == -1 ? "(" + number + ")" : "-" + number);
  }
  // The sixteen negative and four positive currency forms: '$' is the
  // symbol, 'n' the number.
  static const char* const kNegative[16] = {"($n)", "-$n",  "$-n",  "$n-",  "(n$)", "-n$", "n-$",  "n$-",
                                            "-n $", "-$ n", "n $-", "$ n-", "$ -n", "n- $", "($ n)", "(n $)"};
  static const char* const kPositive[4] = {"$n", "n$", "$ n", "n $"};
  std::string pattern = kPositive[loc.currencyPositive];
  if (neg) {
    const char* localForm = kNegative[loc.currencyNegative];
    bool localParens = localForm[0] == '(';
    if (parens == -1) pattern = "(" + pattern + ")";
    else if (parens == 0 && localParens) pattern = "-" + pattern;
    else pattern = localForm;
  }
  std::u16string out;
  for (char c : pattern) {
    if (c == '$') {
      out += Utf8ToUnits(loc.currency);
    } else if (c == 'n') {
      for (unsigned char d : number) out += static_cast<char16_t>(Cp1252ToUnicode(d));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return StrFromUnits(out);
}

// The value of a Format function: Null is a type mismatch here.
Decimal FormatValue(Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) Fail(kErrTypeMismatch);
  if (v.vt == vtCurrency) {
    // All of a Currency's digits, which may be more than a Double holds.
    // The scaled integer's digits with the point four places from the right.
    Decimal x;
    if (v.cy == 0) return x;
    x.negative = v.cy < 0;
    x.digits = std::to_string(x.negative ? 0 - static_cast<uint64_t>(v.cy) : static_cast<uint64_t>(v.cy));
    x.point = static_cast<int>(x.digits.size()) - 4;
    while (x.digits.back() == '0') x.digits.pop_back();
    return x;
  }
  return ToDecimal(ToDouble(v));
}

Variant Formatted(Variant* a, int n, NumberForm form) {
  Decimal x = FormatValue(a, n);
  return FormatFixed(x, LongArg(a, n, 1, -1), Tristate(a, n, 2), Tristate(a, n, 3), Tristate(a, n, 4), form);
}

Variant FnFormatNumber(Interp&, Variant* a, int n) { return Formatted(a, n, NumberForm::Number); }
Variant FnFormatCurrency(Interp&, Variant* a, int n) { return Formatted(a, n, NumberForm::Currency); }
Variant FnFormatPercent(Interp&, Variant* a, int n) { return Formatted(a, n, NumberForm::Percent); }

Variant FnFormatDateTime(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) Fail(kErrTypeMismatch);
  int32_t fmt = LongArg(a, n, 1, 0);
  if (fmt < 0 || fmt > 4) Fail(kErrInvalidCall);
  return Str(FormatDate(ToDate(v), fmt));
}

const Builtin kFormatBuiltins[] = {
    {"formatnumber", 1, 5, FnFormatNumber},
    {"formatcurrency", 1, 5, FnFormatCurrency},
    {"formatpercent", 1, 5, FnFormatPercent},
    {"formatdatetime", 1, 2, FnFormatDateTime},
};

}  // namespace

std::span<const Builtin> FormatBuiltins() { return kFormatBuiltins; }

}  // namespace qfscript
