#include "engine/Host.h"

namespace modDB {

namespace {
struct SilentHost final : Host {
  int MsgBox(const std::string&, int style, const std::string&) override { return DefaultAnswer(style); }
  void DoEvents() override {}
  void ShowPer(int32_t, int32_t) override {}
  void HidePer() override {}
};
SilentHost g_silent;
Host* g_host = &g_silent;
}  // namespace

int DefaultAnswer(int style) {
  const int buttons = style & 7;
  const bool second = (style & vbDefaultButton2) != 0;
  switch (buttons) {
    case vbYesNoCancel: return (style & vbDefaultButton3) != 0 ? vbCancel : second ? vbNo : vbYes;
    case vbYesNo: return second ? vbNo : vbYes;
    case vbOKCancel: return second ? vbCancel : vbOK;
    default: return vbOK;
  }
}

void SetHost(Host* host) { g_host = host ? host : &g_silent; }
Host& GetHost() { return *g_host; }

void Fail(const std::string& title, const std::string& text) {
  GetHost().MsgBox(text, vbCritical | vbOKOnly, title);
}

}  // namespace modDB
