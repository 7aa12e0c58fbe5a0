#include "tests/game/playthrough/walkthrough.h"

#include <tinyxml.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "game/minigames/mg02path.h"
#include "game/minigames/mg03keys.h"
#include "game/minigames/mg05mosaic.h"
#include "game/minigames/mg06wounds.h"
#include "platform/random.h"
#include "tests/platform/pngread.h"

namespace walkthrough {
namespace {

// Places on the demo's screens (the window is taken out of full screen
// first, so the points are the game's).
const TPoint kPlay(310, 362), kPlayers(310, 432), kOptions(310, 502), kAlbum(310, 572);
const TPoint kCredits(690, 725), kCreditsClose(904, 725);
const TPoint kOptionsDone(512, 565), kPlayersClose(628, 579), kAlbumClose(958, 72);
const TPoint kSplashSkip(956, 712), kComicPage(500, 300), kComicNext(884, 724);
const TPoint kTutor(704, 545), kTutorRaised(704, 360), kHint(926, 710);
const TPoint kMenuButton(50, 706), kJournalClose(958, 72), kGalleryBack(128, 664);
const TPoint kSkip(972, 636), kQuitYes(408, 459), kQuitNo(616, 459);

// Waits (ms of the virtual clock) between what the player does and the
// screen that answers, measured on the demo.
constexpr int kFade = 2600;          // a change of screen behind the shadow, to the next screen's first input
constexpr int kObjectGap = 220;      // between two objects found
constexpr int kJournalWrite = 3900;  // the last object to the journal's page written
constexpr int kGameOpen = 4700;      // Play in the main menu to a mini-game's opening message
constexpr int kSecondFade = 2100;    // a location's end through the play screen to a mini-game: a second fade
constexpr int kGalleryFade = 2900;   // the journal closed to the gallery
constexpr int kInfoClose = 600;      // an information page closed to the location's first input
// The last move of a mini-game to its closing message: the board glides
// away (5 s) where the game has a glide, the win counter runs (2 s, the
// chart's 1 s), the message opens.
constexpr int kGameEnd = 7800, kChartEnd = 2000, kWoundsEnd = 3000;

// Frames for `ms` of the virtual clock: a frame comes every 12 ms or a little sooner.
int FramesFor(int ms) { return ms / 12 + 50; }

class TScript {
public:
  void At(int when, const std::string& what) { out_ << when << ' ' << what << '\n'; }
  void Note(const std::string& text) { out_ << "# " << text << '\n'; }
  // Moves to the point, clicks there 40 ms later; the time moves on by `after`.
  void Click(const TPoint& p, int after) {
    At(t, "move " + Str(p));
    At(t + 40, "click left " + Str(p));
    t += after;
  }
  void Key(const std::string& key, int after) {
    At(t, "key " + key);
    t += after;
  }
  static std::string Str(const TPoint& p) { return std::to_string(p.x) + " " + std::to_string(p.y); }
  std::string Text() const { return out_.str(); }

  int t = 0;

private:
  std::ostringstream out_;
};

TPoint Size(const std::string& source, const TString& picture) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ReadPng(source + "/assets/" + picture.str() + ".png", &px, &w, &h);
  return TPoint(w, h);
}

TPoint Middle(const TRect& r) { return TPoint(r.left + r.Width() / 2, r.top + r.Height() / 2); }

// The middle of every object of a level file, in file order.
std::vector<TPoint> Objects(const std::string& source, const std::string& level) {
  TiXmlDocument doc;
  std::vector<TPoint> out;
  if (!doc.LoadFile((source + "/assets/levels/" + level + ".xml").c_str()) || !doc.RootElement()) return out;
  const TiXmlElement* pict = doc.RootElement()->FirstChildElement("Pict");
  for (const TiXmlElement* hs = pict ? pict->FirstChildElement("HotSpot") : nullptr; hs;
       hs = hs->NextSiblingElement("HotSpot"))
    for (const TiXmlElement* item = hs->FirstChildElement("Item"); item; item = item->NextSiblingElement("Item")) {
      int x = 0, y = 0, w = 0, h = 0;
      const char* rect = item->Attribute("rect");
      if (rect && std::sscanf(rect, "%d,%d,%d,%d", &x, &y, &w, &h) == 4) out.push_back(TPoint(x + w / 2, y + h / 2));
    }
  return out;
}

// A location after the shadow: its information page closed (`info`),
// every object clicked, the journal's page written and closed; with a
// photograph, the gallery comes and its back button leads on.
void PlayLocation(TScript& s, const std::string& source, const std::string& level, bool photo, bool info = false) {
  s.Note("the " + level + " location" + (info ? ", its information page first" : ""));
  if (info) s.Key("enter", kInfoClose);
  for (const TPoint& p : Objects(source, level)) s.Click(p, kObjectGap);
  s.t += kJournalWrite;
  s.Click(kJournalClose, kGalleryFade);
  if (photo) s.Click(kGalleryBack, kFade);
}

std::unique_ptr<TiXmlDocument> Load(const std::string& source, const char* name) {
  auto doc = std::make_unique<TiXmlDocument>();
  doc->LoadFile((source + "/assets/" + name).c_str());
  return doc;
}

// The steps of a mini-game's opening or closing message: the Items of the
// tutorial screen its file's Common `which` ("startMessageNum",
// "finMessageNum") names (a screen without an id is screen 0); `otherwise`
// when the file cannot tell.
int MessageSteps(const std::string& source, const char* file, const char* which, int otherwise) {
  auto doc = Load(source, file);
  const TiXmlElement* root = doc->RootElement();
  const TiXmlElement* common = root ? root->FirstChildElement("Common") : nullptr;
  const TiXmlElement* scripts = root ? root->FirstChildElement("TutorScripts") : nullptr;
  const char* number = common ? common->Attribute(which) : nullptr;
  if (!number || !scripts) return otherwise;
  for (const TiXmlElement* screen = scripts->FirstChildElement("TutorScript"); screen;
       screen = screen->NextSiblingElement("TutorScript")) {
    const char* id = screen->Attribute("id");
    if (std::string(id ? id : "0") != number) continue;
    int steps = 0;
    for (const TiXmlElement* item = screen->FirstChildElement("Item"); item; item = item->NextSiblingElement("Item"))
      ++steps;
    return steps > 0 ? steps : otherwise;
  }
  return otherwise;
}

// A mini-game's opening message, read to its last step (two unless the
// game's file says otherwise).
void CloseOpening(TScript& s, int steps = 2) {
  for (int i = 1; i < steps; ++i) s.Click(kTutor, 600);
  s.Click(kTutor, 1200);
}

// The closing message after the win, read to its last step, and the shadow
// to the next screen.
void CloseEnding(TScript& s, int wait = kGameEnd, int steps = 1) {
  s.t += wait;
  for (int i = 1; i < steps; ++i) s.Click(kTutor, 700);
  s.Click(kTutor, kFade);
}

// The keys game as its window lays it out on a fresh start of the program
// (the random generator in its first state): each key carried from the tray
// into its keyhole, then turned home.
void PlayKeys(TScript& s, const std::string& source) {
  auto doc = Load(source, "minigame3_1.xml");
  const TiXmlElement* root = doc->RootElement();
  KeysFileData data;
  TString why;
  if (!root || !ReadKeysFile(root, root->FirstChildElement("Common"), &data, &why)) return;
  std::vector<KeyImages> images;
  for (const KeyFileEntry& k : data.keys) {
    KeyImages pics;
    pics.keyholeSize = Size(source, k.keyhole);
    pics.puzzleSize = Size(source, k.puzzle);
    pics.previewSize = Size(source, k.preview);
    pics.cursorSize = Size(source, k.cursor);
    images.push_back(pics);
  }
  TRandom generator;
  KeysBoard board;
  board.Build(data, images, generator, 2);
  auto hole = [](const KeySlot& k) {
    return Middle(TRect(int(k.homePos.x), int(k.homePos.y), int(k.homePos.x) + k.keyholeSize.x,
                        int(k.homePos.y) + k.keyholeSize.y));
  };
  s.Note("the keys game");
  CloseOpening(s);
  for (const KeySlot& k : board.keys) {
    s.Click(Middle(k.previewRect), 300);
    s.Click(hole(k), 300);
  }
  s.t += 1500;  // the screen for the last key
  s.Click(kTutor, 1200);
  for (const KeySlot& k : board.keys)
    for (int turn = k.step; turn % board.countTurns != 0; ++turn) s.Click(hole(k), 700);
  CloseEnding(s);
}

// The blocks game: each crate picked up with a click on its tray place and
// set down with a click on its cell.
void PlayBlocks(TScript& s, const std::string& source) {
  s.Note("the blocks game");
  CloseOpening(s, MessageSteps(source, "minigame1_1.xml", "startMessageNum", 2));
  auto tray = [](int i) { return TPoint(396 + (i % 3) * 84 + 32, i < 3 ? 636 : 703); };
  auto cell = [](int c, int r) { return TPoint(336 + c * 88 + 44, 126 + r * 88 + 44); };
  const TPoint cells[6] = {cell(0, 0), cell(2, 2), cell(1, 0), cell(0, 1), cell(1, 1), cell(3, 3)};
  for (int i = 0; i < 6; ++i) {
    s.Click(tray(i), 250);
    s.Click(cells[i], 250);
  }
  CloseEnding(s);
}

// The chart: every place of the passage pinned.
void PlayChart(TScript& s, const std::string& source) {
  auto doc = Load(source, "minigame2_1.xml");
  const TiXmlElement* root = doc->RootElement();
  MapPathFileData chart;
  TString why;
  if (!root || !ReadMapPathFile(root, root->FirstChildElement("Common"), &chart, &why)) return;
  s.Note("the chart game");
  CloseOpening(s);
  for (const MapPathPointData& p : chart.points) {
    const float x = chart.mapPos.x + chart.mapDxDy.x + chart.cellSize.x * (float(p.column) + 0.5f);
    const float y = chart.mapPos.y + chart.mapDxDy.y + chart.cellSize.y * (float(p.row) + 0.5f);
    s.Click(TPoint(int(x), int(y)), 300);
  }
  CloseEnding(s, kChartEnd);
}

// The mosaic: every piece taken at its preview's middle, turned as its
// place asks and set down there.
void PlayMosaic(TScript& s, const std::string& source, int variant) {
  auto doc = Load(source, variant == 1 ? "minigame5_1.xml" : "minigame5_2.xml");
  const TiXmlElement* root = doc->RootElement();
  const TiXmlElement* common = root ? root->FirstChildElement("Common") : nullptr;
  MosaicFileData data;
  TString why;
  TVec2 tray;
  if (!root || !ReadMosaicFile(root, common, &data, &why) || !ReadMGVec2(common, "preview_pos", &tray)) return;
  std::vector<MosaicType> types;
  for (const MosaicTypeNames& names : data.types) {
    MosaicType type;
    type.imageSize = Size(source, names.img);
    type.previewSize = Size(source, names.preview);
    types.push_back(type);
  }
  MosaicBoard board;
  board.Build(data, types, tray, 2);
  s.Note("the mosaic game");
  CloseOpening(s);
  for (size_t j = 0; j < board.pieces.size(); ++j) {
    const MosaicPiece& piece = board.pieces[j];
    const MosaicSlot& slot = board.slots[j];
    const TPoint pv = board.PreviewSize(int(j)), im = board.ImageSize(int(j));
    const TPoint from(int(piece.position.x) + pv.x / 2, int(piece.position.y) + pv.y / 2);
    const int turns = slot.states.front();
    const TPoint half = (turns % 2) ? TPoint(im.y / 2, im.x / 2) : TPoint(im.x / 2, im.y / 2);
    s.Click(from, 150);
    for (int k = 0; k < turns; ++k) s.At(s.t + 80 * k, "click right " + TScript::Str(from));
    s.t += 100 + 80 * turns;
    s.Click(TPoint(int(slot.position.x) + half.x, int(slot.position.y) + half.y), 200);
  }
  CloseEnding(s);
}

// The gull: every graze brushed clean row by row, then dabbed with iodine.
void PlayWounds(TScript& s, const std::string& source) {
  auto doc = Load(source, "minigame6_1.xml");
  const TiXmlElement* root = doc->RootElement();
  WoundsFileData data;
  TString why;
  if (!root || !ReadWoundsFile(root, root->FirstChildElement("Common"), &data, &why) || data.tools.size() < 2) return;
  std::vector<TRect> dirt;
  std::vector<TPoint> wounds;
  for (const WoundNames& w : data.wounds) {
    Wound wound;
    wound.Place(w.pos, Size(source, w.dirt), Size(source, w.wound));
    dirt.push_back(TRect(int(w.pos.x), int(w.pos.y), int(w.pos.x) + wound.dirtSize.x, int(w.pos.y) + wound.dirtSize.y));
    wounds.push_back(TPoint(int(wound.woundPosition.x) + wound.woundSize.x / 2,
                            int(wound.woundPosition.y) + wound.woundSize.y / 2));
  }
  const TPoint b = Size(source, data.tools[0].preview), d = Size(source, data.tools[1].preview);
  const TPoint brush(int(data.toolsPos.x) + b.x / 2, int(data.toolsPos.y) + b.y / 2);
  const TPoint bottle(int(data.toolsPos.x) + b.x + kWoundToolGap + d.x / 2, int(data.toolsPos.y) + d.y / 2);
  s.Note("the wounds game");
  CloseOpening(s);
  s.Click(brush, 300);
  for (const TRect& r : dirt) {
    const TPoint first(r.left + 4, r.top + 4);
    s.At(s.t, "move " + TScript::Str(first));
    s.At(s.t + 20, "down left " + TScript::Str(first));
    s.t += 40;
    for (int y = r.top + 4; y < r.bottom; y += 14)
      for (int x = r.left + 4; x < r.right; x += 14) {
        s.At(s.t, "move " + TScript::Str(TPoint(x, y)));
        s.t += 12;
      }
    s.At(s.t, "up left " + TScript::Str(TPoint(r.right - 4, r.bottom - 4)));
    s.t += 100;
  }
  s.Click(TPoint(600, 700), 300);  // the brush back into the satchel
  s.Click(bottle, 300);
  for (const TPoint& p : wounds) s.Click(p, 300);
  CloseEnding(s, kWoundsEnd);
}

// A comic read through: a click completes a page, "next" turns it ("play"
// on the last page ends the comic).
void ReadComic(TScript& s, int pages) {
  for (int i = 0; i < pages; ++i) {
    s.Click(kComicPage, 300);
    s.Click(kComicNext, 400);
  }
  s.t += kFade - 400;
}

TStage Finish(const std::string& name, const std::string& what, TScript& s, int tail) {
  TStage stage;
  stage.name = name;
  stage.frames = FramesFor(s.t + tail);
  stage.text = "# The demo played through, " + what +
               "\n# Made by MakeWalkthrough() (tests/game/playthrough/walkthrough.cpp) from the demo data.\n" +
               "# frames: " + std::to_string(stage.frames) + "\n" + s.Text();
  return stage;
}

// The parts of the walkthrough, each to the moment the next mini-game's
// opening message shows (the last to the end). Played in runs of their own,
// each part after the first starts the program again, and Play in the main
// menu goes on where the saved game stands; played in one run, each goes on
// from the screen the part before left.
void FirstStart(TScript& s, const std::string& source) {
  s.Note("a new player: out of full screen, the name, the menu's screens opened and closed");
  s.At(100, "key alt+enter");
  s.At(300, "text Ada");
  s.At(400, "key enter");
  s.t = 800;
  s.Click(kOptions, 800);
  s.Click(kOptionsDone, 600);
  s.Click(kAlbum, 1000);
  s.Click(kAlbumClose, 800);
  s.Click(kPlayers, 800);
  s.Click(kPlayersClose, 800);
  s.Note("Play: the splash, skipped, and the intro comic, read");
  s.Click(kPlay, 2500);
  s.Click(kSplashSkip, 2400);
  ReadComic(s, 3);
  s.Note("the kitchen's tutorial: its pages, the hint button; it asks for the teacup");
  s.Click(kTutor, 500);
  s.Click(kTutor, 500);
  s.Click(kTutorRaised, 350);
  s.Click(kHint, 350);
  PlayLocation(s, source, "loc11", true);
  PlayLocation(s, source, "loc12", true);
}

void FirstLevel(TScript& s, const std::string& source) {
  PlayKeys(s, source);
  PlayLocation(s, source, "loc13", true, true);
  PlayLocation(s, source, "loc14", true);
  PlayLocation(s, source, "loc15", true);
  s.t += kSecondFade;
  PlayBlocks(s, source);
  s.Note("the comic between the levels, read");
  ReadComic(s, 2);
}

void SecondLevel(TScript& s, const std::string& source) {
  PlayChart(s, source);
  PlayLocation(s, source, "loc21", false, true);
  PlayLocation(s, source, "loc22", true, true);
  s.t += kSecondFade;
  PlayMosaic(s, source, 1);
  PlayLocation(s, source, "loc23", true);
}

void TheEnd(TScript& s, const std::string& source) {
  PlayWounds(s, source);
  s.Note("the game menu over the chapel, and back to the game");
  s.t += 400;
  s.Click(kMenuButton, 1000);
  s.Key("escape", 600);
  PlayLocation(s, source, "loc24", true);
  s.t += kSecondFade;
  s.Note("the chapel's window, skipped");
  CloseOpening(s);
  s.Click(kSkip, 0);
  s.Note("the chapel's window glides aside: the light burning beyond it; the closing message read");
  CloseEnding(s, kGameEnd, MessageSteps(source, "minigame5_2.xml", "finMessageNum", 1));
  s.Note("the game is over: the first level's comic for the new game, read");
  ReadComic(s, 3);
  s.Note("the main menu; the credits, and back; the quit question, no, then yes");
  s.Click(kCredits, 3000);
  s.Click(kCreditsClose, 800);
  s.At(s.t, "close");
  s.t += 600;
  s.Click(kQuitNo, 600);
  s.At(s.t, "close");
  s.t += 600;
  s.Click(kQuitYes, 600);
}

// A stage after the first: the next start, Play in the main menu, the
// mini-game the saved game stands before.
void NextStart(TScript& s, const std::string& what) {
  s.Note("the next start: Play goes on with " + what);
  s.t = 300;
  s.Click(kPlay, kGameOpen);
}

// In one run: the wait from the end of a part to the next mini-game's
// opening message, noted as a moment (a test looks at the screen then).
void Moment(TScript& s, int wait, const std::string& what) {
  s.t += wait;
  s.Note("moment " + std::to_string(s.t) + ": " + what);
}

}  // namespace

std::vector<TStage> MakeWalkthrough(const std::string& source) {
  std::vector<TStage> stages;
  {
    TScript s;
    FirstStart(s, source);
    s.Note("the keys game opens; the program stops there");
    stages.push_back(Finish("walkthrough1.txt", "stage 1: the first start to the keys game", s,
                            kGameOpen - kFade + 300));
  }
  {
    TScript s;
    NextStart(s, "the keys game");
    FirstLevel(s, source);
    s.Note("the chart game opens; the program stops there");
    stages.push_back(Finish("walkthrough2.txt",
                            "stage 2: the rest of the first level and the comic between the levels", s,
                            kSecondFade + 300));
  }
  {
    TScript s;
    NextStart(s, "the second level's chart");
    SecondLevel(s, source);
    s.Note("the wounds game opens; the program stops there");
    stages.push_back(Finish("walkthrough3.txt", "stage 3: the second level to the cliff path", s, kSecondFade + 300));
  }
  {
    TScript s;
    NextStart(s, "the gull on the cliff path");
    TheEnd(s, source);
    stages.push_back(Finish("walkthrough4.txt",
                            "stage 4: the end of the second level, the credits and the quit question", s, 600));
  }
  {
    TScript s;
    FirstStart(s, source);
    Moment(s, kGameOpen - kFade + 300, "the keys game opens");
    FirstLevel(s, source);
    Moment(s, kSecondFade + 300, "the chart game opens");
    SecondLevel(s, source);
    Moment(s, kSecondFade + 300, "the wounds game opens");
    TheEnd(s, source);
    stages.push_back(Finish("walkthrough.txt",
                            "in one run of the program: from a new player to the new game after the last "
                            "level, the credits and the quit question",
                            s, 600));
  }
  return stages;
}

std::vector<TStage> ReadWalkthrough(const std::string& folder) {
  std::vector<TStage> stages;
  for (int n = 1;; ++n) {
    TStage stage;
    stage.name = n <= kStages ? "walkthrough" + std::to_string(n) + ".txt" : "walkthrough.txt";
    std::ifstream in(folder + "/" + stage.name);
    if (!in) break;
    std::ostringstream text;
    text << in.rdbuf();
    stage.text = text.str();
    size_t at = stage.text.find("# frames: ");
    if (at != std::string::npos) stage.frames = std::atoi(stage.text.c_str() + at + 10);
    for (at = stage.text.find("# moment "); at != std::string::npos; at = stage.text.find("# moment ", at + 1)) {
      const size_t colon = stage.text.find(": ", at), end = stage.text.find('\n', at);
      if (colon == std::string::npos || end == std::string::npos || colon > end) continue;
      stage.moments.push_back({std::atoi(stage.text.c_str() + at + 9), stage.text.substr(colon + 2, end - colon - 2)});
    }
    stages.push_back(stage);
    if (n > kStages) break;
  }
  return stages;
}

}  // namespace walkthrough
