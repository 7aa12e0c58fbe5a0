// The journal's reader: main.xml's "LogBook" style from the input (its page
// texts stand for their translations, so they are the templates), with a
// progress of a few locations and photographs picked by the first byte, then
// the journal walked through its requests, updates and mouse events in every
// section. Nothing may end the process, and the spread, state and alpha stay
// in range.
#include <tinyxml.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/story/logbook.h"
#include "platform/xml.h"

namespace {
void Check(const LogBook_t& b) {
  const int last = b.lastLocation > b.GetLastSpread() ? b.lastLocation : b.GetLastSpread();
  if (b.GetSpread() < -1 || b.GetSpread() > (last < 0 ? 0 : last)) std::abort();
  if (b.GetState() < 0 || b.GetState() > 3 || b.GetTransition() < 0 || b.GetTransition() > 8) std::abort();
  if (!(b.GetAlpha() >= 0 && b.GetAlpha() <= 1) || !std::isfinite(b.GetZoomScale())) std::abort();
  if (b.lastLocation >= b.GetPageCount()) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 16) return 0;
  const uint8_t pick = data[0];
  GetMainXml().Clear();
  ParseXmlDocument(GetMainXml(), std::string(reinterpret_cast<const char*>(data) + 1, size - 1), "fuzz");
  GameProgress& progress = GetGameProgress();
  progress.Reset();
  for (int i = 0; i < (pick & 7); ++i) {
    LocationInfo& info = progress.FindLocationInfo(TString::Printf("loc%d", i));
    if (i != 2) info.SetStartDateTime("03-05-2009", "09:07");
    if (i % 2 == 0) info.SetPassDateTime("%s%n", "%d");
  }
  LogBook_t b(nullptr);
  b.lastLocation = int(progress.locationInfos.size()) - 1;
  for (int i = 0; i < ((pick >> 3) & 7); ++i) b.AddEntry(TString::Printf("photo%d", i % 5));
  b.Rebuild();
  b.photosOnly = pick & 0x40;
  b.locationCompleted = pick & 0x80;
  Check(b);
  const TPoint points[] = {TPoint(5, 5), TPoint(300, 200), TPoint(600, 300), TPoint(-70000, 99999)};
  const float steps[] = {0.016f, 0.3f, NAN, 1e9f, -1.0f, 0.2f};
  for (int round = 0; round < 8; ++round) {
    b.Open(round % 2, round - 3);
    b.StartOpening();
    b.StartWriting();
    for (float dt : steps) {
      b.Update(dt);
      Check(b);
    }
    switch (round % 4) {
      case 0: b.TurnPageForward(); break;
      case 1: b.TurnPageBack(); break;
      case 2: b.ShowPhotographs(); break;
      default: b.ShowJournal(); break;
    }
    for (const TPoint& p : points) {
      b.OnMouseMove(p);
      b.OnMouseDown(p);
      b.Update(0.1f);
      b.OnMouseUp(p);
      Check(b);
    }
    for (float dt : steps) b.Update(dt);
    b.Draw();
    if (round == 5) b.SetEnabled(false);
    b.StartClosing();
    b.Update(10.0f);
    Check(b);
  }
  progress.Reset();
  GetMainXml().Clear();
  return 0;
}
