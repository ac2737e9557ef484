// modLIB: the small pure routines both programs share.
//
// Character classes work on single character codes and recognise only the ASCII
// ranges; accented letters are neither letters nor digits. Predicates return -1 for
// true and 0 for false. Nothing here keeps state, shows a message or touches a file,
// except that the twips/pixel conversions read the one twips-per-pixel setting
// (15 by default; the window programs set the screen's value at start-up).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace modLIB {

// Character classes and case (one character code).
int16_t IsUpper(int16_t c);
int16_t IsLower(int16_t c);
int16_t IsDigit(int16_t c);
int16_t IsAlpha(int16_t c);
int16_t IsAlnum(int16_t c);
int16_t IsHexDigit(int16_t c);
int16_t ToUpper(int16_t c);
int16_t ToLower(int16_t c);

// Text validation; the text is taken as it is (not trimmed).
int16_t IsValidName(std::string_view s);
int16_t IsNumber(std::string_view s);
int16_t IsNumberInRange(std::string_view s, int32_t low, int32_t high);
// order 2: month/day/year; anything else: day/month/year.
int16_t IsValidDate(std::string_view s, int order);
bool IsValidTime(std::string_view s);

// The key filter of every restricted text box: returns the key to let through
// (possibly changed in case) or 0 to swallow it. See modLIB.cpp for the rules.
int16_t FilterKey(int16_t key, std::string_view allowed);

// Calendar.
int16_t IsLeapYear(int16_t year);
int16_t DaysInMonth(int16_t month, int16_t year);
// Days from 1 January 1970 of a Gregorian date (negative before it).
int64_t DaysFromCivil(int64_t year, int month, int day);
std::string MonthName(int16_t month);

// Twips and pixels; results rounded to the nearest whole number, halves to even.
void SetTwipsPerPixel(double x, double y);
double TwipsPerPixelX();
double TwipsPerPixelY();
int32_t TwipsToPixelsX(int32_t twips);
int32_t TwipsToPixelsY(int32_t twips);
int32_t PixelsToTwipsX(int32_t pixels);
int32_t PixelsToTwipsY(int32_t pixels);

// The part of a path behind its last "\", "/" or ":".
std::string FileTitle(std::string_view path);

// Shared text helpers used across the programs.
int64_t RoundHalfEven(double v);            // the one rounding rule: nearest, halves to even
std::string Trim(std::string_view s);       // blanks (spaces) off both sides
std::string_view TrimView(std::string_view s);       // the same, as a view into s
std::string_view TrimRightView(std::string_view s);  // blanks off the end, as a view into s
std::string UCase(std::string_view s);      // ASCII letters to upper case
std::string PadRight(std::string_view s, size_t width);  // cut or pad with blanks

}  // namespace modLIB
