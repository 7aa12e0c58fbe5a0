// The presentation every mini-game file shares, and the resources object
// that holds it for the game window.
//
// A mini-game keeps its data in one XML file per variant,
// "assets/minigame<game>_<variant>.xml". Under the root (of any name):
//   "Common"        scalar keys: "background", "pane" (pictures), "mainCursor",
//                   "music", "ambient", "text" (a string-table label),
//                   "text_pos" ("x, y"), "text_angle" (whole degrees),
//                   "preview_pos" ("x, y"), "win_counter", "startMessageNum",
//                   "finMessageNum" and each game's own keys;
//   "Text"          the caption's style: "font", "fh", "color" ("r, g, b, a",
//                   0-255), "rect" ("x, y, w, h": only w and h are used),
//                   "xAlign", "yAlign" (1 left/top, 2 centre, 3 right/bottom);
//   "TutorScripts"  the game's tutorial (docs/tutorial.md);
//   and each game's own elements.
// docs/minigames.md has the whole format and the defaults.
//
// Each game derives its resources class from TMGResources: it names its file
// (GetFileName) and reads its own keys of "Common" (LoadOwn); Load does the
// rest. Depends on platform/, render/ and the shell's loaders.
#pragma once
#include <memory>

#include <boost/shared_ptr.hpp>

#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/string.h"

class TTexture;
class TiXmlDocument;
class TiXmlElement;

// Numbers read from mini-game files are kept within +-kMGLargestNumber.
constexpr float kMGLargestNumber = 100000.0f;

// What a game's board asks of its window at the end of a game
// (TMiniGames::FollowEndStep acts on it).
enum class MGEndStep {
  kPlaying,       // nothing
  kStartClosing,  // start the closing message and set isWon
  kWaiting,       // the closing message shows; wait for CloseMG
  kFinish,        // hand the game to the frame's end, once
};

// The caption's style.
struct MGTextStyle {
  int align = 0;  // horizontal 0..2 plus 4 x vertical 0..2
  int width = 0, height = 0;
  TString font;
  int fh = 24;
  TFloatColor color{0, 0, 0, 0};
};

// The shared part of a file, as written (pictures and texts by name).
struct MGCommonData {
  TString background, pane, mainCursor, music, ambient;
  TString text;  // the label; the resources hold its translation
  TVec2 textPos;
  float textAngle = 0;  // radians
  TVec2 previewPos;
  int winCounter = 2;
  MGTextStyle textStyle;
};

// --- Readers of values ---
// Up to `count` numbers separated by commas, read one after the other as the
// format "%f, %f" reads them: blanks may come before a number, the comma
// right after it. Each number that reads goes into out[i] (kept within
// kMGLargestNumber); the reading stops at the first that does not read or
// is not finite (or at a blank before a comma), and that one and the rest
// keep their values. Whatever follows the last number is not read. Returns
// how many were read.
int ReadMGNumbers(const char* text, float* out, int count);
// The same with blanks allowed before the commas too (the keys game's
// positions).
int ReadMGLooseNumbers(const char* text, float* out, int count);
// Integers read as "%d, %d" reads them (a fraction ends the reading), kept
// within kMGLargestNumber.
int ReadMGInts(const char* text, int* out, int count);
// An attribute "%f, %f" read the same way into *out (an absent one changes
// nothing); true when both numbers were read.
bool ReadMGVec2(const TiXmlElement* element, const char* name, TVec2* out);
// The same with ReadMGLooseNumbers.
bool ReadMGLooseVec2(const TiXmlElement* element, const char* name, TVec2* out);
// An integer attribute within [lo, hi]: the whole number it starts with
// (blanks first are skipped; "3.5" and "3x" read 3). *out keeps its value
// when the attribute is absent or starts with no number, and is clamped
// into the range.
bool ReadMGInt(const TiXmlElement* element, const char* name, int* out, int lo, int hi);
// A text attribute; empty when absent.
TString ReadMGText(const TiXmlElement* element, const char* name);

// The caption style of a "Text" element: "xAlign" 1, 2, 3 -> 0, 1, 2 and
// "yAlign" 1, 2, 3 -> 0, 4, 8 (anything else 0); "color" divided by 255;
// "rect" gives width and height (truncated, 0..4096). Null gives the
// defaults.
MGTextStyle ReadMGTextStyle(const TiXmlElement* text);

// The shared part of a file. False, with the reason, when the document has
// no root element, no "Common" or no "Text".
bool ReadMGCommonDocument(const TiXmlDocument& doc, MGCommonData* out, TString* why);

// The document of a mini-game file; false, with the reason, when it cannot
// be read or has no root element (the document is then empty).
bool OpenMGDocument(const TString& fileName, std::unique_ptr<TiXmlDocument>* doc, TString* why);
// The same, and the root with its "Common" element, which it must have.
bool OpenMGGameFile(const TString& fileName, std::unique_ptr<TiXmlDocument>* doc, const TiXmlElement** root,
                    const TiXmlElement** common, TString* why);

class TMGResources {
public:
  TMGResources() = default;
  virtual ~TMGResources();
  TMGResources(const TMGResources&) = delete;
  TMGResources& operator=(const TMGResources&) = delete;

  // Reads the file of the variant: the shared part, the pictures, then the
  // game's own keys (LoadOwn). False, with one log line naming the file and
  // what is wrong, when the file, its root, "Common" or "Text" is missing or
  // LoadOwn refuses; the fields then keep what was read so far.
  virtual bool Load(int variant);
  // The game's file for the variant ("assets/minigame1_2.xml"); empty here.
  virtual TString GetFileName(int variant) const;

  // Why the last Load failed (empty after a good one).
  const TString& GetFailure() const { return failure_; }

  boost::shared_ptr<TTexture> background;
  boost::shared_ptr<TTexture> pane;
  TString mainCursor;
  TString music;
  TString ambient;
  TString text;  // translated
  TVec2 textPos;
  float textAngle = 0;
  MGTextStyle textStyle;
  // Read for every game: the tray's corner (games 1, 3, 5, 6) and the wait
  // after a win.
  TVec2 previewPos;
  int winCounter = 2;

protected:
  // The game's own keys of "Common" (and anything else under the root);
  // false, with the reason, refuses the file.
  virtual bool LoadOwn(const TiXmlElement* root, const TiXmlElement* common, TString* why);

private:
  TString failure_;
};
