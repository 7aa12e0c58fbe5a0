// The tutorial's readers: the box style of main.xml (first byte even) or a
// "TutorScripts" element (first byte odd) from the input, the other part
// fixed, then the driver walked through updates, events, commands and mouse
// events. Nothing may end the process, the current screen stays inside its
// list, and while the box is up so does the current step (a screen passed by
// "next" keeps its step index past its last step, box down).
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/shell/data/gamesettings.h"
#include "game/story/tutorscripts.h"
#include "platform/xml.h"
#include "ui/message.h"

namespace {
const char* kStyle =
    "<Game><Common VO=\"1\"/><Tutorial pos=\"300,500\" back=\"box\" buttclose=\"close;600,560,0,0,0,0;c;c;c\""
    " buttnext=\"next;540,560,0,0,0,0;n;n;n\" shadow=\"s;0,0,64,64;1;0.5\" pointer=\"p\" left_pointer=\"l\""
    " fh=\"20\" color=\"255, 255, 255, 255\" rect=\"310, 510, 200, 60\" xAlign=\"0\" yAlign=\"4\"/></Game>";
const char* kScreens =
    "<L><TutorScripts><TutorScript do_in_end=\"x=1\"><Item><text name=\"a\"/><Event evt_id=\"e\"/></Item>"
    "<Item need_shadow=\"0\"><text name=\"b\"/><image name=\"p\" pos=\"10,300\" click_rect=\"0;0;50;50\"/>"
    "<AllowedRects><AllowedRect rec=\"60;60;10;10\"/></AllowedRects></Item></TutorScript>"
    "<TutorScript id=\"2\" play_time=\"1\"><Item><text name=\"c\"/></Item></TutorScript></TutorScripts></L>";

void Check(const TutorScripts_t& t) {
  int screen = t.GetCurrentScreen(), step = t.GetCurrentItem();
  int screens = int(t.GetScreens().size());
  if (screen < -1 || screen > screens || (screens > 0 && (screen < 0 || screen >= screens))) std::abort();
  if (step < -1 || (t.IsBoxUp() && step >= int(t.GetScreens()[size_t(screen)].items.size()))) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 16) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  bool style = data[0] % 2 == 0;
  GetMainXml().Clear();
  ParseXmlDocument(GetMainXml(), style ? text : std::string(kStyle), "fuzz");
  TiXmlDocument doc;
  ParseXmlDocument(doc, style ? std::string(kScreens) : text, "fuzz");
  TutorScripts_t t;
  t.Load(nullptr, doc.RootElement());
  Check(t);
  const TPoint points[] = {TPoint(5, 5), TPoint(545, 565), TPoint(605, 565), TPoint(65, 65), TPoint(-9, 99999)};
  for (int round = 0; round < 6; ++round) {
    t.Update(round == 3 ? 1e9f : 0.5f, 0, true);
    t.StepNotice(0.3f);
    for (const TPoint& p : points) {
      t.OnMouseMove(p);
      t.OnMouseDown(p);
      t.OnMouseUp(p);
      t.OnClickRect(p);
      t.IsOverClickRect(p);
    }
    Check(t);
    t.OnEvent("e");
    if (data[0] & 2) t.ShowCurrentScreen();
    t.HideCurrentScreen();
    TMessage m(3, round % 2 ? "next" : "skip");
    t.OnCommand(&m);
    t.MarkFound("p");
    t.StartScreen(round);
    Check(t);
  }
  t.FinishAll();
  t.Reset();
  Check(t);
  GetMainXml().Clear();
  return 0;
}
