// Harness of the tutorial tests: a window manager with its Lua script, a
// display on the software device, the box style in main.xml with pictures
// of plain colours, and an owner window that hands button commands to its
// tutorial the way the play screen and the mini-games do.
#pragma once
#include <tinyxml.h>

#include <map>
#include <memory>
#include <string>

#include "game/shell/data/gameprogress.h"
#include "platform/log.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/story/tutorscripts.h"
#include "tests/game/support/widgetfixture.h"
#include "ui/message.h"
#include "ui/text.h"
#include "ui/window.h"

namespace tutortest {

// Colours of the style's pictures.
constexpr uint32_t kBox = 0xFF204060u, kNext = 0xFF00C000u, kClose = 0xFFC00000u, kPointer = 0xFFFFFF00u,
                   kLeftPointer = 0xFF00FFFFu, kShadow = 0xFF000000u;

// Box at (300, 500), 400 x 100; text area (310, 510, 200 x 60); next button
// 40 x 30 at (540, 560), close button 40 x 30 at (600, 560); pointer
// pictures 20 x 20; the shadow 64 x 64, fading in 1 s to 0.5. `changes`
// replaces or adds style attributes (an empty value removes one).
inline std::string StyleXml(const std::string& common = "VO=\"0\"",
                            const std::map<std::string, std::string>& changes = {}) {
  std::map<std::string, std::string> a = {
      {"pos", "300,500"},
      {"back", "tut/box"},
      {"buttclose", "close;600,560,0,0,0,0;tut/close;tut/close;tut/close"},
      {"buttnext", "next;540,560,0,0,0,0;tut/next;tut/next;tut/next"},
      {"shadow", "tut/shadow;0,0,64,64;1;0.5"},
      {"pointer", "tut/pointer"},
      {"left_pointer", "tut/left"},
      {"font", ""},
      {"fh", "20"},
      {"color", "255, 255, 255, 255"},
      {"rect", "310, 510, 200, 60"},
      {"xAlign", "0"},
      {"yAlign", "0"}};
  for (const auto& [k, v] : changes) a[k] = v;
  std::string out = "<Game><Common " + common + "/><Tutorial";
  for (const auto& [k, v] : a)
    if (!v.empty() || k == "font") out += " " + k + "=\"" + v + "\"";
  return out + "/></Game>";
}

class TOwner : public TWindow {
public:
  bool OnMessage(TMessage* m) override {
    commands.push_back(m->GetText().str());
    return tutor && tutor->OnCommand(m);
  }
  TutorScripts_t* tutor = nullptr;
  std::vector<std::string> commands;
};

class TutorTest : public widgettest::TWidgetWindowTest {
protected:
  TutorTest() {
    GetGameProgress().Clear();
    Solid("tut/box.png", 400, 100, kBox);
    Solid("tut/next.png", 40, 30, kNext);
    Solid("tut/close.png", 40, 30, kClose);
    Solid("tut/shadow.png", 64, 64, kShadow);
    Solid("tut/p0.png", 20, 20, kPointer);
    Solid("tut/l0.png", 20, 20, kLeftPointer);
    Write("tut/pointer.xml", "<anm><frame image=\"tut/p0\"/></anm>");
    Write("tut/left.xml", "<anm><frame image=\"tut/l0\"/></anm>");
    MainXml(StyleXml());
    owner.tutor = &tutor;
  }
  ~TutorTest() override { GetGameProgress().Clear(); }

  // Loads the screens (the inside of "TutorScripts") for the owner.
  void Load(const std::string& screens) {
    doc.Clear();
    doc.Parse(("<Level><TutorScripts>" + screens + "</TutorScripts></Level>").c_str());
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    tutor.Load(&owner, doc.RootElement());
  }
  // The Lua global "log" that the statements of the test scripts append to.
  std::string LogText() {
    std::string s = Global("log");
    return s == "nil" ? "" : s;
  }
  // A full click as the owner forwards it; true when the tutorial took the press.
  bool Click(int x, int y) {
    TPoint p(x, y);
    tutor.OnMouseMove(p);
    bool taken = tutor.OnMouseDown(p);
    tutor.OnMouseUp(p);
    return taken;
  }
  // Updates until the box is up (at most `n` times), one second each.
  void Open(int n = 1) {
    for (int i = 0; i < n && !tutor.IsBoxUp(); ++i) tutor.Update(1.0f, 0, true);
  }

  TLogCapture log;
  TiXmlDocument doc;
  TOwner owner;
  TutorScripts_t tutor;
};

// A step element: text name, then optional extra attributes and children.
inline std::string Item(const std::string& text, const std::string& attrs = "", const std::string& children = "") {
  return "<Item " + attrs + ">" + (text.empty() ? "" : "<text name=\"" + text + "\"/>") + children + "</Item>";
}

}  // namespace tutortest
