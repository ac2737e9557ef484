// The Host of the command-line tools: every message goes to stderr as
// "TITLE: text" (lines of a several-line text joined by blanks, the text as Shown
// gives it); questions are answered from the tool's flags (`answers` in turn, then
// `answer`), or by the box's default button.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "engine/Host.h"
#include "lib/Codepage.h"

namespace qfd {

// A text of the file for the terminal: every byte by the text's length (a zero byte
// does not end it), control characters written as \xNN so that no escape sequence
// reaches the terminal, the rest in UTF-8. The bytes that Windows-1252 leaves
// undefined are control characters too.
inline std::string Shown(const std::string& cp1252) {
  std::string out, run;
  auto flush = [&] {
    out += modLIB::Cp1252ToUtf8(run);
    run.clear();
  };
  for (const char c : cp1252) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
      flush();
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", b);
      out += buf;
    } else {
      run += c;
    }
  }
  flush();
  return out;
}

class StderrHost final : public modDB::Host {
 public:
  int answer = 0;  // 0: the default button; else vbYes / vbNo
  std::vector<int> answers;  // the first questions' answers, in turn, before `answer`
  int shown = 0;   // messages printed so far

  int MsgBox(const std::string& text, int style, const std::string& title) override {
    std::string flat = text;
    for (char& c : flat)
      if (c == '\r' || c == '\n') c = ' ';
    const std::string line = Shown(title) + ": " + Shown(flat) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    ++shown;
    const bool question = (style & 7) != 0;
    if (question && !answers.empty()) {
      const int a = answers.front();
      answers.erase(answers.begin());
      return a;
    }
    return question && answer != 0 ? answer : modDB::DefaultAnswer(style);
  }
  void DoEvents() override {}
  void ShowPer(int32_t, int32_t) override {}
  void HidePer() override {}
};

}  // namespace qfd
