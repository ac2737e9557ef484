// A Host for tests: keeps every message box (title, text, style) and answers from a
// queue of replies, then from each box's default button. Progress calls are counted.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "engine/Host.h"

namespace modDB {

struct RecordedBox {
  std::string title, text;
  int style = 0;
};

class RecordingHost final : public Host {
 public:
  RecordingHost() { SetHost(this); }
  ~RecordingHost() override { SetHost(nullptr); }

  std::vector<RecordedBox> boxes;
  std::deque<int> replies;  // answers to give, in order
  int doEvents = 0, showPer = 0, hidePer = 0;
  int32_t lastCurrent = 0, lastTotal = 0;

  int MsgBox(const std::string& text, int style, const std::string& title) override {
    boxes.push_back({title, text, style});
    if (replies.empty()) return DefaultAnswer(style);
    const int r = replies.front();
    replies.pop_front();
    return r;
  }
  void DoEvents() override { ++doEvents; }
  void ShowPer(int32_t current, int32_t total) override {
    ++showPer;
    lastCurrent = current;
    lastTotal = total;
  }
  void HidePer() override { ++hidePer; }

  // "TITLE: text" of the last box, or "" when none was shown.
  std::string Last() const { return boxes.empty() ? "" : boxes.back().title + ": " + boxes.back().text; }
  void Clear() { boxes.clear(); }
  // The progress calls: shown, DoEvents, the last current and total, hidden.
  std::vector<int> Progress() const { return {showPer, doEvents, lastCurrent, lastTotal, hidePer}; }
  // "TITLE: text" of every box, in order.
  std::vector<std::string> All() const {
    std::vector<std::string> out;
    for (const RecordedBox& b : boxes) out.push_back(b.title + ": " + b.text);
    return out;
  }
};

}  // namespace modDB
