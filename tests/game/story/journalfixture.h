// Harness of the journal tests: the shared-widget harness (temporary asset
// folder, software display, main.xml from text) with a window manager whose
// string table the test fills, solid-colour pictures for the book, a style
// with three pages, the player's progress emptied at both ends, and the
// cursor names the journal asks for.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "game/story/logbook.h"
#include "platform/log.h"
#include "tests/game/support/widgetfixture.h"
#include "ui/windowmanager.h"

namespace journaltest {

class TStringsEnv : public TWindowEnvironment {
public:
  TString GetString(const TString& label, const TString*, int) override {
    auto it = strings.find(label.str());
    return it == strings.end() ? label : TString(it->second);
  }
  std::map<std::string, std::string> strings;
};

// Colours of the test pictures.
constexpr uint32_t kBookColor = 0xFF806040u;
constexpr uint32_t kPageColor = 0xFFF0E8D0u;
constexpr uint32_t kPhotoPageColor = 0xFFE0F0E0u;

// The book at (100, 50): background 600 x 420; left page (110, 70) and
// right page (400, 70), 280 x 380 each; left text rectangle
// (120, 80)-(380, 420), right (410, 80)-(670, 420). `bookExtra` and
// `journalExtra` are added to the two elements' attributes (a later
// attribute of the same name is refused by the XML reader, so extras only
// add); `pages` "Page" elements with pictures "pages/p<i>" and labels
// "in<i>"/"out<i>".
inline std::string BookXml(const std::string& bookExtra = "", const std::string& journalExtra = "",
                           int pages = 3, const std::string& rects = "rect_left=\"20;30;260;340\" "
                                                                    "rect_right=\"310;30;260;340\"") {
  std::string xml =
      "<Game><LogBook pos=\"100,50\" bkgnd=\"book/bg\" efftime=\"0.4\" effAlphaTime=\"2\""
      " butt=\"logbookclose;650,60,0,0;b/close;b/close;b/close\""
      " buttleft=\"logbookprev;120,440,0,0;b/prev;b/prev;b/prev;b/off\""
      " buttright=\"logbooknext;620,440,0,0;b/next;b/next;b/next;b/off\""
      " buttjournal=\"logbookjournal;705,100,0,0;b/tab;b/tab;b/tab;b/off\""
      " buttphotographs=\"logbookphotographs;705,180,0,0;b/tab;b/tab;b/tab;b/off\""
      " left_page=\"book/left;10,20\" right_page=\"book/right;300,20\" right_page_photo=\"book/rightphoto\" " +
      bookExtra + "><Journal " + rects + " font=\"fonts/none.mvec\" fh_journal=\"18\" fh_photo=\"16\""
      " color=\"0.2,0.1,0,1\" " + journalExtra + ">";
  for (int i = 0; i < pages; ++i) {
    std::string n = std::to_string(i);
    xml += "<Page img=\"pages/p" + n + "\" text_intro=\"in" + n + "\" text_outro=\"out" + n + "\"/>";
  }
  return xml + "</Journal></LogBook></Game>";
}

class TJournalTest : public widgettest::TWidgetTest {
protected:
  TJournalTest() {
    wm = new TWindowManager(&env);
    GetGameProgress().Reset();
    LogBook_t::SetCursorHook([this](const TString& name) { cursors.push_back(name.str()); });
    Solid("book/bg.png", 600, 420, kBookColor);
    Solid("book/left.png", 280, 380, kPageColor);
    Solid("book/right.png", 280, 380, kPageColor);
    Solid("book/rightphoto.png", 280, 380, kPhotoPageColor);
    for (const char* b : {"b/close.png", "b/prev.png", "b/next.png", "b/tab.png", "b/off.png"}) Solid(b, 40, 40, 0xFF303030u);
    Solid("cursor/magnifier.png", 48, 48, 0xFFC0A000u);
    Solid("pages/p0.png", 100, 80, 0xFF0000C0u);
    Solid("pages/p1.png", 100, 80, 0xFF00C000u);
    Solid("pages/p2.png", 100, 80, 0xFFC00000u);
  }
  ~TJournalTest() override {
    book.reset();
    LogBook_t::SetCursorHook(nullptr);
    GetGameProgress().Reset();
    delete wm;
  }

  // A location record entered (and, with a pass date, finished).
  void Enter(const char* name, const char* date, const char* time, const char* passDate = nullptr,
             const char* passTime = nullptr) {
    LocationInfo& info = GetGameProgress().FindLocationInfo(name);
    info.SetStartDateTime(date, time);
    if (passDate) {
      info.SetPassDateTime(passDate, passTime);
      info.passed = 1;
    }
  }

  // A journal made as the play scene makes it: newest page = pages - 1.
  LogBook_t& Make(bool completed = false) {
    book = std::make_unique<LogBook_t>(nullptr);
    book->lastLocation = book->CountJournalPages() - 1;
    book->Rebuild();
    book->photosOnly = false;
    book->locationCompleted = completed;
    book->zoomState = 0;
    book->zoomSide = 2;
    return *book;
  }

  // Opens it on a section and spread and runs the opening to its end.
  void OpenFully(int section, int spread) {
    book->Open(section, spread);
    book->StartOpening();
    book->Update(1.0f);
  }

  // Runs a requested turn to its end.
  void RunTurn() { RunTurn(*book); }
  static void RunTurn(LogBook_t& b) {
    for (int i = 0; i < 200 && b.GetTransition() != LogBook_t::kIdle; ++i) b.Update(0.016f);
  }

  TStringsEnv env;
  TWindowManager* wm = nullptr;
  std::unique_ptr<LogBook_t> book;
  std::vector<std::string> cursors;
  TLogCapture logLines;  // every line logged while the test runs
};

}  // namespace journaltest
