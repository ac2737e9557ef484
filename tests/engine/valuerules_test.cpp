// A format's allowed characters and case conversion, as the import and qfd apply them
// to whole values: every byte, at the start, the middle and the end of values long
// enough to be checked sixteen characters at a time, must get the answer the entry
// window's keys give one character at a time.
#include <gtest/gtest.h>

#include <string>

#include "engine/ValueRules.h"

namespace {

bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// What a key is let in by a format of N, A, S and M, or by a date or a time (which
// take digits and their separator whatever else the format says).
bool Allowed(const std::string& format, int c) {
  auto has = [&](char f) { return format.find(f) != std::string::npos; };
  if (c == '\r' || c == '\n') return has('M');
  if (has('D')) return IsDigit(c) || c == '/';
  if (has('T')) return IsDigit(c) || c == ':';
  if (IsDigit(c)) return has('N');
  if (IsLetter(c)) return has('A');
  return c == ' ' && has('S');
}

TEST(ValueRules, EveryByteAnywhereInALongValueAndLineBreaksInFreeText) {
  for (const std::string format : {"N", "A", "S", "NS", "AS", "NAS", "NASM", "AM", "D", "T", "DT", "DA", "TN", "DM"}) {
    const char filler = Allowed(format, '7') ? '7' : Allowed(format, 'k') ? 'k' : ' ';
    ASSERT_TRUE(Allowed(format, filler)) << format;
    const modDB::FormatRules rules(format);
    for (const size_t length : {1u, 15u, 16u, 17u, 33u, 48u}) {
      for (const size_t at : {size_t{0}, size_t{7}, size_t{15}, size_t{16}, size_t{31}, length - 1}) {
        if (at >= length) continue;
        for (int c = 1; c < 256; ++c) {
          std::string value(length, filler);
          value[at] = static_cast<char>(c);
          const size_t expected = Allowed(format, c) ? std::string::npos : at;
          ASSERT_EQ(rules.Refused(value), expected)
              << "format " << format << ", byte " << c << " at " << at << " of " << length;
          ASSERT_EQ(modDB::RefusedChar(format, value), expected);
        }
      }
    }
  }
  // Free text refuses only line breaks, and only without M.
  const std::string value = std::string(40, 'x') + "\r\n" + "y";
  EXPECT_EQ(modDB::FormatRules("*").Refused(value), 40u);
  EXPECT_EQ(modDB::FormatRules("*M").Refused(value), std::string::npos);
  // The import knows from the split whether a value holds a line break at all.
  EXPECT_EQ(modDB::FormatRules("*").Refused(std::string(40, 'x'), false), std::string::npos);
}

TEST(ValueRules, CaseChangesOnlyAsciiLetters) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  std::string upper = all, lower = all;
  for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  for (size_t from = 0; from < 40; ++from) {  // every alignment of the sixteen-byte steps
    const std::string part = all.substr(from);
    EXPECT_EQ(modDB::CasedValue("U", part), upper.substr(from)) << from;
    EXPECT_EQ(modDB::CasedValue("Y", part), upper.substr(from)) << from;
    EXPECT_EQ(modDB::CasedValue("L", part), lower.substr(from)) << from;
    EXPECT_EQ(modDB::CasedValue("N", part), part) << from;
  }
  EXPECT_EQ(modDB::CasedValue("F", "mARY o'BRIEN-smith\r\nnEW line, \xE9t\xE9 ab"), "Mary O'brien-smith\r\nNew Line, \xE9t\xE9 Ab");
  EXPECT_EQ(modDB::CasedValue("UL", "MiXeD"), "mixed");  // U, then L
}

TEST(ValueRules, SaveChecksInTheEntryWindowsOrder) {
  using enum modDB::SaveCheck;
  const std::tuple<const char*, const char*, int16_t, modDB::SaveCheck> checks[] = {
      {"D", "31/02/2020", 1, Date}, {"D", "02/29/2020", 2, Ok}, {"D!", "", 1, Required},
      {"T", "25:00", 1, Time},      {"Y", "y", 1, YesNo},       {"Y", "N", 1, Ok}};
  for (const auto& [format, value, order, check] : checks)
    EXPECT_EQ(modDB::CheckForSave(format, value, order), check) << format << " " << value;
  EXPECT_EQ(modDB::FormatRules("DT!").CheckForSave("12/13/2020", 1), Date);
  for (const auto& [typed, kept] : std::vector<std::pair<std::string, std::string>>{
           {"9:30", "09:30:00"}, {"09:30", "09:30:00"}, {"9:30:15", "09:30:15"}, {"23:59:59", "23:59:59"},
           {"9:3", "9:3"}, {"930", "930"}, {"123:30", "123:30"}, {"9:30:1", "9:30:1"}, {"", ""}})
    EXPECT_EQ(modDB::TimeAsStored(typed), kept) << typed;
  EXPECT_EQ(modDB::SaveCheckText(Date, 1) + "|" + modDB::SaveCheckText(Date, 2),
            "Invalid date. Format (DD/MM/YYYY)|Invalid date. Format (MM/DD/YYYY)");
}

}  // namespace
