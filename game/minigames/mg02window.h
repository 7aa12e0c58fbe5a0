// The map path game, window type "mg02window" (TMG02Window): a sea chart
// with an invisible grid over it and a list of place names beside it. The
// player pins the places of a passage, in any order; a pinned place is
// crossed off and the course is drawn between consecutive pinned places.
// One wrong pin may stand, a second takes both away. When every place is
// pinned the closing message follows after "win_counter" updates (update
// steps in this game, not seconds). "Skip" pins the passage; "restart"
// (when the file has NeedRestart="1") starts the chart over.
//
// Data: "assets/minigame2_<variant>.xml" (docs/minigames.md); the board
// without the window is in mg02path.h.
#pragma once
#include <boost/shared_ptr.hpp>

#include "game/minigames/mg02path.h"
#include "game/minigames/minigames.h"

class TTextSprite;

class Game02Resources_t : public TMGResources {
public:
  // "assets/minigame2_<variant>.xml".
  TString GetFileName(int variant) const override;

  // The game's own part of the file as read (the names' styles, the grid,
  // the path), and the pictures it names.
  MapPathFileData file;
  bool needRestart = false;
  boost::shared_ptr<TTexture> map;
  boost::shared_ptr<TTexture> thumbtack;

protected:
  // Refuses a file with fewer than two "Text" styles or without "Path".
  bool LoadOwn(const TiXmlElement* root, const TiXmlElement* common, TString* why) override;
};

class TMG02Window : public TMiniGames {
  LANTERN_WINDOW_CLASS(TMG02Window, TMiniGames)

public:
  TMG02Window();
  ~TMG02Window() override;

  // Starts the update clock, loads the file, sets the cursor, loads the
  // tutorial, builds the chart (RestartGame), makes the title, offers the
  // restart when the file asks, and starts the opening message. A refused
  // file ends as a skipped game (TMiniGames::SetLoadFailed).
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool Update() override;
  // A press the frame does not take pins the empty cell under it; true
  // when no pin was placed.
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseButton(const TPoint&, int) override { return false; }

  // Pins exactly the passage; the next update finds it solved.
  void SkipGame() override;
  // Builds the chart again from the file: no pins, no place reached, the
  // win delay from the start, not won; after Init the opening message is
  // not shown again.
  void RestartGame() override;

  // The course between two cell centres (copies of "path_section").
  void DrawPathSection(float x1, float y1, float x2, float y2);
  // A place name, and the bar across it once reached.
  void DrawName(const MapPoint& point, const TFloatColor& bar);

  const Game02Resources_t& GetResources() const { return resources; }
  MapPathBoard& GetBoard() { return board; }
  bool IsInitialised() const { return initialised; }

  MapPathBoard board;
  boost::shared_ptr<TTexture> pathSection;
  boost::shared_ptr<TTextSprite> titleText;
  bool initialised = false;
  float delay = 0, restartTime = 0;  // read, not used by any rule
  Game02Resources_t resources;

private:
  // The window's pass over the file: the tutorial, "delay", "restart_time".
  void LoadSettings();
  // The grid, the path and the names, and the tutorial back at its start.
  void LoadPath();
  bool hasTutorial_ = false;
};
