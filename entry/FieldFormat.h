// FieldFormat: what a field's format lets the user type, and how its text is cased.
//
// A format is a set of one-character flags in any order. These routines hold the
// rules of the entry window's input boxes without any window: the box hands each
// typed key, its text and the caret here and does what the answer says.
#pragma once

#include <string>

namespace FieldFormat {

// What to do with one typed key.
struct KeyAnswer {
  int key = 0;            // the character to enter (possibly changed), 0 to swallow
  bool nextField = false; // Enter: move on to the next field instead
  bool replaceText = false;
  std::string text;       // with replaceText: the box's whole new text ("Y" or "N")
};

// format: the field's format, trimmed; key: the character code typed (Windows-1252);
// text: the box's text before the key; caret: the caret position in it.
KeyAnswer FilterFieldKey(const std::string& format, int key, const std::string& text, int caret);

// A date field puts its separators in as the clerk types at the end of its text
// ("12031985" shows "12/03/1985"): after a digit, what follows `text` ("/" after the
// day's and after the month's two digits, else nothing); and whether a "/" typed after
// `text` would double the one put in, and is passed over.
std::string DateSeparatorAfter(const std::string& format, const std::string& text);
bool SlashPutIn(const std::string& format, const std::string& text);

// Text that reaches a box without keystrokes of its own (a paste, a drop, the middle
// button, an input method's commit): it is typed character by character through
// FilterFieldKey, as if each one were a key, starting from `text` with the caret at
// `caret` (the selection already removed). A line break ("\r\n" or "\n") is Enter,
// which only a multi-line field keeps; other control characters are dropped; nothing
// goes past maxLength (0: no limit; a line break counts two).
struct TextAnswer {
  bool replaceText = false;  // "Y"/"N" fields: `text` is the box's whole new text
  std::string text;          // otherwise: what to insert at the caret
};
TextAnswer FilterArrivingText(const std::string& format, const std::string& arriving, const std::string& text,
                              int caret, int maxLength);

// The text after the format's case conversion: "U" upper, then "L" lower, then "F"
// proper case; the last applied wins. Only ASCII letters change.
std::string ApplyCase(const std::string& format, const std::string& text);

// First letter of every word upper case, the rest lower case.
std::string ProperCase(const std::string& text);

// Alignment of a value: 0 left, 1 right, 2 centred ("<", ">", "^"; the last test wins).
int Alignment(const std::string& format);

// True when the format holds the flag.
inline bool Has(const std::string& format, char flag) { return format.find(flag) != std::string::npos; }

// A field that is never an input box: computed ("=") or numbered ("#").
inline bool IsCaptionOnly(const std::string& format) { return Has(format, '=') || Has(format, '#'); }

// The link kind of a field: 'W' web, 'E' e-mail (only as the first flag), else 0.
inline char LinkKind(const std::string& format) {
  return !format.empty() && (format[0] == 'W' || format[0] == 'E') ? format[0] : 0;
}

// The address a link caption opens: web captions get "Http://" in front unless they
// start with "HTTP://" or "HTTPS://" in any case; mail captions get "mailto:".
// "" for no link.
std::string LinkAddress(char kind, const std::string& caption);

// Today's date in the open form's date order ("dd/mm/yyyy", or "mm/dd/yyyy" for
// order 2), and the time of day ("hh:mm:ss"): what Ctrl+T and Ctrl+U type.
std::string DateNow();
std::string TimeNow();

}  // namespace FieldFormat
