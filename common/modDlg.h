// modDlg: the shared modal dialogs of both programs and their exchange state.
//
// The dialogs take no parameters and return nothing. A caller fills the exchange
// members below, calls a launcher, and reads the results from the same members when
// the launcher returns. Launchers overwrite only the members they name; the others
// keep what the last caller left, so a caller that needs a default sets it each time.
// A dialog closed without Ok (Cancel, Escape, its close box) changes none of them.
//
// Every modal window of the programs runs through RunModal. When a shown-hook is set
// it is called once the dialog is on screen and its event loop runs: tests drive the
// dialog from there with real key and mouse events and close it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class QDialog;
class QWidget;

namespace modDlg {

// Caption of the next dialog (also of the input box).
extern std::string DialogTitle;
// File picker: the chosen (or, for saving, proposed) file name, the pattern of files
// to list ("*.Qfd"; empty lists every file), save mode (0 load, -1 save) and the
// folder to show (empty: the process's current folder; out: the folder at Ok).
extern std::string DialogFileName;
extern std::string DialogFilter;
extern int16_t DialogSaveMode;
extern std::string DialogFolder;
// Input box: default text in, entered text out; maximum length (0 means 32); the
// allowed set and options (upper case; "P" masks every character with "#").
extern std::string InputText;
extern int16_t InputMaxLength;
extern std::string InputMode;
// Calendar: date text in and out; screen position of the window in twips; the date
// order of the text (1 day/month/year, 2 month/day/year).
extern std::string DateText;
extern int32_t DatePickerLeft;
extern int32_t DatePickerTop;
extern int16_t DatePickerOrder;
// Colour picker: 0x00BBGGRR in and out.
extern int32_t DialogColor;
// Font picker: name, size and style in and out.
extern std::string DialogFontName;
extern int16_t DialogFontSize;
extern uint8_t DialogFontBold;
extern uint8_t DialogFontItalic;
// Help viewer: the file name in the program's folder, and the topic to show first.
extern std::string HelpFileName;
extern std::string HelpTopic;

// Launchers: each shows its dialog modally and returns when it has closed.
void ShowColorDialog();                        // DialogTitle := "Select Color"
void ShowFontDialog();                         // DialogTitle := "Select Font"
void ShowOpenDialog(const std::string& title = "Load");  // DialogFileName := ""; load mode
void ShowSaveDialog();                         // "Save As"; save mode; name as the caller left it
void ShowDatePicker(int32_t left, int32_t top, int16_t order);  // twips; date order 1 or 2
void ShowInputBox(const std::string& mode);    // InputMode := mode trimmed, upper case
void ShowHelp(const std::string& topic);       // HelpTopic := topic
void ShowAbout();
// F1 opens the help at the topic of the window in front, in every window of the
// program (installed once at start-up; the help viewer itself ignores it).
void InstallHelpKey();
std::string HelpTopicOf(const QWidget* window);

// Opens a web or mail address; when no program takes it, a message says so.
void OpenLink(const std::string& address);

// The progress window: shown and brought up to date, or unloaded.
void ShowPer(int32_t current, int32_t total);
void HidePer();

// The window a new dialog or message box belongs to: the active window (never the
// progress window), or none.
QWidget* OwnerWindow();

// Runs a dialog modally (see above) and returns its result.
int RunModal(QDialog& dialog);
using ShownHook = std::function<void(QDialog*)>;
void SetShownHook(ShownHook hook);  // empty: no hook

}  // namespace modDlg
