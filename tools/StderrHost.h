// The Host of the command-line tools: every message goes to stderr as
// "TITLE: text" (lines of a several-line text joined by blanks); questions are
// answered from the tool's flags (`answer`), or by the box's default button.
#pragma once

#include <cstdio>
#include <string>

#include "Host.h"

namespace qfd {

class StderrHost final : public modDB::Host {
 public:
  int answer = 0;  // 0: the default button; else vbYes / vbNo
  int shown = 0;   // messages printed so far

  int MsgBox(const std::string& text, int style, const std::string& title) override {
    std::string flat = text;
    for (char& c : flat)
      if (c == '\r' || c == '\n') c = ' ';
    std::fprintf(stderr, "%s: %s\n", title.c_str(), flat.c_str());
    ++shown;
    const bool question = (style & 7) != 0;
    return question && answer != 0 ? answer : modDB::DefaultAnswer(style);
  }
  void DoEvents() override {}
  void ShowPer(int32_t, int32_t) override {}
  void HidePer() override {}
};

}  // namespace qfd
