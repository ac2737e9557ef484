// Dates as the script language keeps them: a Double counting days from
// 12/30/1899, the fraction being the time of day (for negative dates the
// fraction still counts forward from midnight). Short dates and times follow
// the script locale, and so do the names of months and days.
#pragma once

#include <string>

namespace qfscript {

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  int weekday = 7;  // 1 = Sunday
};

// Serial number of a calendar day (no range check).
double DaySerial(int year, int month, int day);
// DateSerial with VBScript's normalisation of months and days; false when
// the year ends outside 100..9999.
bool MakeDate(int year, int month, int day, double& out);
DateParts SplitDate(double serial);
double Combine(double dayPart, double timePart);  // keeps the sign rules

// "12/31/2020", "1:05:09 PM", "12/31/2020 1:05:09 PM" as CStr gives them.
std::string DateToStr(double serial);
std::string FormatDate(double serial, int namedFormat);  // FormatDateTime

// Reads the date and time texts people write: "12/31/2020", "2020-12-31",
// "March 5, 2021", "5 Mar 2021", "13:05", "1:05:09 PM" and combinations.
// ParseDate reads month before day, as date literals are written;
// ParseLocalDate follows the script locale's order and separator.
bool ParseDate(const std::string& text, double& out);
bool ParseLocalDate(const std::string& text, double& out);

// In the script locale's language.
std::string MonthName(int month, bool abbreviate);  // 1..12
std::string DayName(int weekday, bool abbreviate);  // 1 = Sunday

// Local time now, as a date serial.
double NowSerial();

}  // namespace qfscript
