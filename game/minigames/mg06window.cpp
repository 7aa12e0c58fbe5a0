#include "game/minigames/mg06window.h"

#include <tinyxml.h>

#include <algorithm>
#include <vector>

#include "audio/sound.h"
#include "game/minigames/mgdraw.h"
#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/gameutils.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "render/drawparams.h"
#include "render/renderer.h"
#include "render/text/textsprite.h"
#include "render/textures/texture.h"
#include "ui/windowmanager.h"

using namespace mgdraw;

namespace {

constexpr const char* kWindowType = "mg06window";
constexpr const char* kEmptyCursor = "cursor/mg06/cursor_empty";

bool Usable(const boost::shared_ptr<TTexture>& t) { return t && t->GetWidth() > 0 && t->GetHeight() > 0; }

}  // namespace

// --- Resources and the restore task ---

TString Game06Resources_t::GetFileName(int variant) const {
  TString name;
  name.AssignFormat("assets/minigame6_%d.xml", variant);
  return name;
}

bool TextureRefreshTaskMG06::DoTask() {
  if (window_) window_->RefreshWoundTextures();
  return true;
}

// --- The window ---

TMG06Window::TMG06Window() : TMiniGames(kWindowType) {}

TMG06Window::~TMG06Window() {
  if (TWindowManager* wm = GetWindowManager()) wm->RemoveCapture(this);
  if (refreshTask_) {
    if (TPlatform* platform = TPlatform::GetInstance()) platform->RemoveRestoreTask(refreshTask_);
    delete refreshTask_;
    refreshTask_ = nullptr;
  }
}

void TMG06Window::SetMainCursor() { SetCursorPicture(resources.mainCursor); }

void TMG06Window::ApplyToolChange(const WoundsBoard::ToolChange& change) {
  if (change.taken) SetCursorPicture(kEmptyCursor);
  if (change.putBack) SetMainCursor();
}

void TMG06Window::StopBrushing() {
  board.Release();
  if (TWindowManager* wm = GetWindowManager()) wm->RemoveCapture(this);
}

void TMG06Window::Init(TWindowStyle&) {
  // The style is not read: the window takes no name and no placement from
  // it (PostInit sizes it to the display).
  Animate(uint32_t(animRate), true, true, false);
  RestartGame();
  if (!loaded_) {
    SetLoadFailed();
    return;
  }
  SetSoundNames(resources.music, resources.ambient);
  SetMainCursor();
  clickSound = TSound::Get("audio/sfx/button_click.ogg", true, kGroupSoundEffects);
  isWon = closeRequested = false;
  board.tutorShareReached = false;
  StartTutorScreen(startMessageNum);
}

void TMG06Window::RestartGame() {
  StopBrushing();
  board = WoundsBoard();
  loaded_ = resources.Load(gMiniGameVariant) && LoadGameFile();
  if (!loaded_) board = WoundsBoard();
  caption = Caption(resources.textStyle, resources.text);
  TPlatform* platform = TPlatform::GetInstance();
  if (platform) {
    int w = 0, h = 0;
    bool fullScreen = false;
    platform->GetDisplayMode(&w, &h, &fullScreen);
    if (w > 0 && h > 0) SetSize(w, h);
  }
  if (!refreshTask_) {
    refreshTask_ = new TextureRefreshTaskMG06(this);
    if (platform) platform->AddRestoreTask(refreshTask_);
  }
}

bool TMG06Window::LoadGameFile() {
  const TString file = resources.GetFileName(gMiniGameVariant);
  std::unique_ptr<TiXmlDocument> doc;
  TString why;
  WoundsFileData data;
  const TiXmlElement *root = nullptr, *common = nullptr;
  bool good = OpenMGGameFile(file, &doc, &root, &common, &why) && ReadWoundsFile(root, common, &data, &why);
  boost::shared_ptr<TTexture> brush;
  if (good) {
    brush = LoadTextureWithAlpha(data.brush);
    if (data.brush.IsEmpty()) {
      TraceOut("Mini-game file %s: it names no brush (\"cursor_brush\"); brushing takes no dirt away", file.c_str());
    } else if (!Usable(brush)) {
      why = TString::Printf("the brush \"%s\" cannot be loaded", data.brush.c_str());
      good = false;
    }
  }
  std::vector<WoundTool> tools;
  for (size_t i = 0; good && i < data.tools.size(); ++i) {
    WoundTool tool;
    tool.preview = LoadTextureWithAlpha(data.tools[i].preview);
    tool.image = LoadTextureWithAlpha(data.tools[i].image);
    tool.previewSize = Size(tool.preview);
    tool.imageSize = Size(tool.image);
    if (!Usable(tool.preview) || !Usable(tool.image)) {
      why = TString::Printf("a picture of tool %zu (\"%s\", \"%s\") cannot be loaded", i,
                            data.tools[i].preview.c_str(), data.tools[i].image.c_str());
      good = false;
    }
    tools.push_back(tool);
  }
  std::vector<Wound> wounds;
  for (size_t i = 0; good && i < data.wounds.size(); ++i) {
    const WoundNames& names = data.wounds[i];
    Wound wound;
    wound.dirtImage = LoadTextureWithAlpha(names.dirt);
    wound.woundImage = LoadTextureWithAlpha(names.wound);
    if (!Usable(wound.dirtImage) || !Usable(wound.woundImage)) {
      why = TString::Printf("a picture of wound %zu (\"%s\", \"%s\") cannot be loaded", i, names.dirt.c_str(),
                            names.wound.c_str());
      good = false;
      break;
    }
    // Brushing edits the dirt picture itself: one shared with anything else
    // of the game would be brushed there too.
    bool shared = wound.dirtImage == brush || wound.dirtImage == resources.background ||
                  wound.dirtImage == resources.pane || wound.dirtImage == wound.woundImage;
    for (const Wound& other : wounds)
      shared = shared || wound.dirtImage == other.dirtImage || wound.dirtImage == other.woundImage;
    for (const WoundTool& tool : tools) shared = shared || wound.dirtImage == tool.image || wound.dirtImage == tool.preview;
    if (shared) {
      TraceOut("Mini-game file %s: wound %zu: its dirt \"%s\" is used for another picture of the game; the wound is "
               "left out",
               file.c_str(), i, names.dirt.c_str());
      continue;
    }
    wound.Place(names.pos, Size(wound.dirtImage), Size(wound.woundImage));
    if (!wound.BuildAlphaMaps())
      TraceOut("%s: wound %zu: the dirt \"%s\" cannot be read now; it is read when the display comes back",
               kWindowType, i, names.dirt.c_str());
    wounds.push_back(wound);
  }
  if (!good) {
    TraceOut("Mini-game file %s: %s", file.c_str(), why.c_str());
    return false;
  }
  startMessageNum = data.startMessageNum;
  finMessageNum = data.finMessageNum;
  board.Build(data, wounds, tools, brush, Size(brush), float(resources.winCounter));
  const int screen = resources.background ? Height(resources.background) : (GetHeight() > 0 ? GetHeight() : 768);
  board.paneTop = screen - Height(resources.pane);
  LoadTutorial(root);
  TraceOut("%s: %zu wounds, %zu tools", kWindowType, board.wounds.size(), board.tools.size());
  return true;
}

void TMG06Window::RefreshWoundTextures() {
  board.RefreshTextures();
  TraceOut("%s: the brushed dirt is written back into %zu wounds", kWindowType, board.wounds.size());
}

// --- Input ---

bool TMG06Window::OnMouseDown(const TPoint& p) {
  if (TMiniGames::OnMouseDown(p)) return true;
  if (IsLoadFailed() || board.solved) return true;
  ApplyToolChange(board.Press(p.x, p.y));
  // Held while the button is down, so that leaving the window is heard.
  if (board.mousePressed)
    if (TWindowManager* wm = GetWindowManager()) wm->AddCapture(this);
  return true;
}

bool TMG06Window::OnMouseUp(const TPoint& p) {
  StopBrushing();
  TMiniGames::OnMouseUp(p);
  return true;
}

bool TMG06Window::OnMouseLeave() {
  StopBrushing();
  return false;
}

bool TMG06Window::OnMouseMove(const TPoint& p) {
  if (TMiniGames::OnMouseMove(p)) return true;
  if (IsLoadFailed() || board.solved) return true;
  board.Move(p.x, p.y);
  if (board.held != -1)
    if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  return true;
}

void TMG06Window::PutDownHeld() {
  if (board.held == -1) return;
  board.PutBackTool();
  StopBrushing();
  SetMainCursor();
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}

void TMG06Window::SkipGame() {
  if (IsLoadFailed()) return;
  WoundsBoard::ToolChange change;
  if (!board.Skip(&change)) return;
  StopBrushing();
  ApplyToolChange(change);
  TraceOut("%s: skipped; every wound is clean and disinfected", kWindowType);
}

// --- Clock ---

bool TMG06Window::Update() {
  TMiniGames::Update();
  if (IsLoadFailed()) return true;
  const bool wasSolved = board.solved;
  bool dirtBack = false;
  WoundsBoard::ToolChange change;
  const WoundsBoard::EndStep step =
      board.Update(animStep, tutor.IsBoxUp(), isWon, closeRequested, IsLogBookOpen(), &dirtBack, &change);
  ApplyToolChange(change);
  if (board.solved && !wasSolved) TraceOut("%s: every wound is clean and disinfected", kWindowType);
  if (FollowEndStep(step, kWindowType)) return true;
  if (dirtBack && board.tutorShareReached) {
    StartTutorScreen(board.bitNum);
    if (tutor.IsWaiting()) PutDownHeld();
  }
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  return true;
}

// --- Drawing ---

void TMG06Window::Draw() {
  TRender2dScope scope;
  if (IsLoadFailed()) {
    TMiniGames::Draw();
    return;
  }
  DrawTopLeft(resources.background, TVec2(0, 0));
  for (const Wound& w : board.wounds) {
    if (w.dirty) DrawTopLeft(w.dirtImage, w.position);
    if (w.needsDisinfection) DrawTopLeft(w.woundImage, w.woundPosition);
  }
  DrawTutorial();
  DrawTopLeft(resources.pane, TVec2(0, float(board.paneTop)));
  if (caption) DrawTextureAt(caption, resources.textPos, resources.textAngle, 1.0f);
  auto drawTool = [](const WoundTool& tool) {
    if (tool.taken)
      DrawTopLeft(tool.image, tool.imagePosition);
    else
      DrawTopLeft(tool.preview, tool.previewPosition);
  };
  for (int i = 0; i < int(board.tools.size()); ++i)
    if (i != board.held) drawTool(board.tools[size_t(i)]);
  TMiniGames::Draw();
  if (board.held >= 0 && board.held < int(board.tools.size())) drawTool(board.tools[size_t(board.held)]);
}
