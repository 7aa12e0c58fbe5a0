#include "game/minigames/mg02window.h"

#include <tinyxml.h>

#include <algorithm>

#include "game/minigames/mgdraw.h"
#include "game/shell/widgets/gameutils.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "render/drawparams.h"
#include "render/renderer.h"
#include "render/text/textblock.h"
#include "render/text/textsprite.h"
#include "render/textures/texture.h"
#include "ui/text.h"
#include "ui/windowmanager.h"

using namespace mgdraw;

namespace {

constexpr const char* kWindowType = "mg02window";
// Place names are centred across and down their line.
constexpr int kNameAlign = 5;


boost::shared_ptr<TTexture> Picture(const TString& name) {
  return name.IsEmpty() ? boost::shared_ptr<TTexture>() : LoadTextureWithAlpha(name);
}

}  // namespace

// --- Resources ---

TString Game02Resources_t::GetFileName(int variant) const {
  TString name;
  name.AssignFormat("assets/minigame2_%d.xml", variant);
  return name;
}

bool Game02Resources_t::LoadOwn(const TiXmlElement* root, const TiXmlElement* common, TString* why) {
  if (!ReadMapPathFile(root, common, &file, why)) return false;
  needRestart = file.needRestart;
  map = Picture(file.map);
  thumbtack = Picture(file.thumbtack);
  return true;
}

// --- The window ---

TMG02Window::TMG02Window() : TMiniGames(kWindowType) {}

TMG02Window::~TMG02Window() = default;

void TMG02Window::Init(TWindowStyle&) {
  // The style is not read: the window takes no name and no placement from
  // it (PostInit sizes it to the display).
  Animate(uint32_t(animRate), true, true, false);
  if (!resources.Load(gMiniGameVariant)) {
    SetLoadFailed();
    return;
  }
  SetSoundNames(resources.music, resources.ambient);
  SetCursorPicture(resources.mainCursor);
  initialised = false;
  LoadSettings();
  RestartGame();
  titleText = Caption(resources.file.textStyles[0], resources.text);
  canRestart = resources.needRestart;
  StartTutorScreen(startMessageNum);
  initialised = true;
  TraceOut("%s: chart of %d x %d cells, %zu places to pin", kWindowType, board.columns, board.rows,
           board.points.size());
}

void TMG02Window::LoadSettings() {
  delay = resources.file.delay;
  restartTime = resources.file.restartTime;
  std::unique_ptr<TiXmlDocument> doc;
  TString why;
  if (!OpenMGDocument(resources.GetFileName(gMiniGameVariant), &doc, &why)) return;
  const TiXmlElement* root = doc->RootElement();
  hasTutorial_ = root->FirstChildElement("TutorScripts") != nullptr;
  if (hasTutorial_) LoadTutorial(root);
}

void TMG02Window::RestartGame() {
  if (IsLoadFailed()) return;
  LoadPath();
  isWon = false;
  closeRequested = false;
  if (initialised) TraceOut("%s: the chart starts over", kWindowType);
}

void TMG02Window::LoadPath() {
  const MapPathFileData& file = resources.file;
  startMessageNum = file.startMessageNum;
  finMessageNum = file.finMessageNum;
  if (!pathSection && !file.pathSection.IsEmpty()) pathSection = Picture(file.pathSection);
  board.Build(file, resources.winCounter);
  const MGTextStyle& names = file.textStyles[1];
  for (MapPoint& point : board.points) {
    point.label = std::make_unique<TText>(false);
    point.label->CreateText(point.text, point.right - point.left, point.bottom - point.top, kNameAlign, names.font,
                            names.fh, names.color);
  }
  if (hasTutorial_) {
    tutor.Reset();
    tutor.HideCurrentScreen();
  }
  // A restart does not show the opening message again.
  if (initialised) tutor.MarkScreensDone(startMessageNum);
}

// --- Input ---

bool TMG02Window::OnMouseDown(const TPoint& p) {
  if (TMiniGames::OnMouseDown(p)) return true;
  if (IsLoadFailed()) return true;
  return board.Press(p.x, p.y);
}

bool TMG02Window::OnMouseUp(const TPoint& p) {
  TMiniGames::OnMouseUp(p);
  return true;
}

bool TMG02Window::OnMouseMove(const TPoint& p) {
  TMiniGames::OnMouseMove(p);
  return true;
}

void TMG02Window::SkipGame() {
  if (IsLoadFailed() || isWon) return;
  board.Skip();
  TraceOut("%s: skipped; the passage is pinned", kWindowType);
}

// --- Clock ---

bool TMG02Window::Update() {
  if (IsLoadFailed()) return TMiniGames::Update();
  const bool wasSolved = board.solved;
  board.CheckSolved();
  if (board.solved && !wasSolved) TraceOut("%s: solved", kWindowType);
  TMiniGames::Update();
  FollowEndStep(board.StepEnd(isWon, closeRequested), kWindowType);
  return true;
}

// --- Drawing ---

void TMG02Window::DrawPathSection(float x1, float y1, float x2, float y2) {
  const PathSectionRun run = LayPathSections(x1, y1, x2, y2, Width(pathSection));
  for (const TPoint& corner : run.corners) DrawTextureRotated(pathSection, corner.x, corner.y, run.angle, 1.0f);
}

void TMG02Window::DrawName(const MapPoint& point, const TFloatColor& bar) {
  if (!point.label || !point.label->GetBlock()) return;
  point.label->GetBlock()->Draw(TVec2(float(point.left), float(point.top)), float(point.right - point.left), 1.0f, 0,
                                1.0f);
  if (!point.reached) return;
  TRect bounds;
  point.label->GetTextBounds(bounds);
  TRenderer::GetInstance()->FillRect(StrikeBarRect(point, bounds), bar);
}

void TMG02Window::Draw() {
  TRender2dScope scope;
  if (IsLoadFailed()) {
    TMiniGames::Draw();
    return;
  }
  DrawTopLeft(resources.background, 0, 0);
  DrawTopLeft(resources.map, resources.file.mapPos.x, resources.file.mapPos.y);
  const std::vector<MapPoint>& points = board.points;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    if (!points[i].reached || !points[i + 1].reached) continue;
    const TPoint a = board.cells[size_t(board.CellIndex(points[i]))].Centre();
    const TPoint b = board.cells[size_t(board.CellIndex(points[i + 1]))].Centre();
    DrawPathSection(float(a.x), float(a.y), float(b.x), float(b.y));
  }
  if (resources.thumbtack) {
    const int w = Width(resources.thumbtack), h = Height(resources.thumbtack);
    for (const MapCell& cell : board.cells) {
      if (cell.empty) continue;
      const TPoint corner = PinCorner(cell, w, h);
      DrawTopLeft(resources.thumbtack, float(corner.x), float(corner.y));
    }
  }
  const TFloatColor& ink = resources.file.textStyles[1].color;
  for (const MapPoint& point : points) DrawName(point, ink);
  DrawTutorial();
  DrawTopLeft(resources.pane, 0, float(Height(resources.background) - Height(resources.pane)));
  if (titleText) DrawTextureAt(titleText, resources.textPos, resources.textAngle, 1.0f);
  TMiniGames::Draw();
}
