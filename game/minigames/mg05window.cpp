#include "game/minigames/mg05window.h"

#include <tinyxml.h>

#include <algorithm>
#include <vector>

#include "audio/sound.h"
#include "game/minigames/mgdraw.h"
#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/gameutils.h"
#include "game/story/logbook.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "render/drawparams.h"
#include "render/renderer.h"
#include "render/text/textsprite.h"
#include "render/textures/texture.h"
#include "ui/windowmanager.h"

using namespace mgdraw;

namespace {

constexpr const char* kWindowType = "mg05window";
constexpr const char* kEmptyCursor = "cursor/cursor_empty";
constexpr float kHalfPi = 1.57079632679489661923f;


}  // namespace

// --- Resources ---

TString Game05Resources_t::GetFileName(int variant) const {
  TString name;
  name.AssignFormat("assets/minigame5_%d.xml", variant);
  return name;
}

// --- The window ---

TMG05Window::TMG05Window() : TMiniGames(kWindowType) {}

TMG05Window::~TMG05Window() = default;

void TMG05Window::SetMainCursor() { SetCursorPicture(resources.mainCursor); }
void TMG05Window::SetEmptyCursor() { SetCursorPicture(kEmptyCursor); }

void TMG05Window::Init(TWindowStyle&) {
  // The style is not read: the window takes no name and no placement from
  // it (PostInit sizes it to the display).
  Animate(uint32_t(animRate), true, true, false);
  isWon = closeRequested = false;
  if (!resources.Load(gMiniGameVariant) || !LoadMosaic()) {
    board = MosaicBoard();
    SetLoadFailed();
    return;
  }
  SetSoundNames(resources.music, resources.ambient);
  SetMainCursor();
  caption = Caption(resources.textStyle, resources.text);
  clickSound = TSound::Get("audio/sfx/button_click.ogg", true, kGroupSoundEffects);
  StartTutorScreen(startMessageNum);
}

bool TMG05Window::LoadMosaic() {
  const TString file = resources.GetFileName(gMiniGameVariant);
  std::unique_ptr<TiXmlDocument> doc;
  TString why;
  MosaicFileData data;
  const TiXmlElement *root = nullptr, *common = nullptr;
  bool good = OpenMGGameFile(file, &doc, &root, &common, &why) && ReadMosaicFile(root, common, &data, &why);
  std::vector<MosaicType> types;
  for (size_t k = 0; good && k < data.types.size(); ++k) {
    const MosaicTypeNames& names = data.types[k];
    MosaicType type;
    type.num = names.num;
    type.image = LoadTextureWithAlpha(names.img);
    type.preview = LoadTextureWithAlpha(names.preview);
    type.imageSize = Size(type.image);
    type.previewSize = Size(type.preview);
    if (type.imageSize.x <= 0 || type.imageSize.y <= 0 || type.previewSize.x <= 0 || type.previewSize.y <= 0) {
      why = TString::Printf("a picture of type %zu (\"%s\", \"%s\") cannot be loaded", k, names.img.c_str(),
                            names.preview.c_str());
      good = false;
    }
    types.push_back(type);
  }
  if (!good) {
    TraceOut("Mini-game file %s: %s", file.c_str(), why.c_str());
    return false;
  }
  startMessageNum = data.startMessageNum;
  finMessageNum = data.finMessageNum;
  boardImage = data.board.IsEmpty() ? boost::shared_ptr<TTexture>() : LoadTextureWithAlpha(data.board);
  board = MosaicBoard();
  board.Build(data, types, resources.previewPos, float(resources.winCounter));
  board.boardWidth = float(Width(boardImage));
  const int screen = resources.background ? Height(resources.background) : (GetHeight() > 0 ? GetHeight() : 768);
  board.paneTop = screen - Height(resources.pane);
  LoadTutorial(root);
  TraceOut("%s: %zu pieces of %zu types, the board at %g, %g", kWindowType, board.pieces.size(), board.types.size(),
           double(board.boardPosition.x), double(board.boardPosition.y));
  return true;
}

// --- Input ---

bool TMG05Window::OnMouseDown(const TPoint& p) {
  if (board.held == -1 && TMiniGames::OnMouseDown(p)) return true;
  if (IsLoadFailed()) return true;
  FollowPress(board.Press(p));
  return true;
}

void TMG05Window::FollowPress(const MosaicBoard::PressResult& r) {
  if (r.pickedUp) SetEmptyCursor();
  if (r.dropped) SetMainCursor();
  if (r.snapped && clickSound) clickSound->Play(false);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}

void TMG05Window::PutDownHeld() {
  if (IsLoadFailed() || board.held == -1) return;
  FollowPress(board.Press(TPoint(int(board.lastMouse.x), int(board.lastMouse.y))));
}

bool TMG05Window::OnMouseButton(const TPoint&, int code) {
  if (code == 1 && !IsLoadFailed() && board.Turn()) {
    if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  }
  return false;
}

bool TMG05Window::OnMouseUp(const TPoint& p) {
  if (board.held != -1) return true;
  return TMiniGames::OnMouseUp(p);
}

bool TMG05Window::OnMouseMove(const TPoint& p) {
  if (board.held == -1 && TMiniGames::OnMouseMove(p)) return true;
  if (IsLoadFailed()) return true;
  board.Move(p);
  return true;
}

void TMG05Window::SkipGame() {
  if (IsLoadFailed()) return;
  bool dropped = false;
  if (!board.Skip(&dropped)) return;
  if (dropped) SetMainCursor();
  TraceOut("%s: skipped; every piece lies on its place", kWindowType);
}

// --- Clock ---

bool TMG05Window::Update() {
  TMiniGames::Update();
  if (IsLoadFailed()) return true;
  const bool wasSolved = board.solved;
  const float sign = gMiniGameVariant == 2 ? -1.0f : 1.0f;
  if (FollowEndStep(board.Update(animStep, sign, isWon, closeRequested, IsLogBookOpen()), kWindowType)) return true;
  if (board.solved && !wasSolved) TraceOut("%s: the mosaic is complete", kWindowType);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  return true;
}

// --- Drawing ---

void TMG05Window::DrawPiece(const MosaicPiece& piece, bool preview) const {
  const MosaicType& type = board.types[size_t(piece.type)];
  const boost::shared_ptr<TTexture>& picture = preview ? type.preview : type.image;
  if (!picture) return;
  TDrawParams params(piece.origin, 1.0f, 1.0f, TDrawParams::kAnchorAtCenter);
  if (!preview && piece.rotation != 0) {
    params.transform.Rotate(float(piece.rotation) * kHalfPi);
  }
  picture->Draw(params);
}

void TMG05Window::Draw() {
  TRender2dScope scope;
  if (IsLoadFailed()) {
    TMiniGames::Draw();
    return;
  }
  DrawTopLeft(resources.background, TVec2(0, 0));
  DrawTopLeft(boardImage, board.boardPosition);
  // Pieces by depth, back to front; of one depth in index order.
  const int n = int(board.pieces.size());
  std::vector<int> order;
  for (int d = n - 1; d >= 0; --d)
    for (int j = 0; j < n; ++j)
      if (board.pieces[size_t(j)].depth == d) order.push_back(j);
  for (int j : order)
    if (!board.pieces[size_t(j)].inTray && j != board.held) DrawPiece(board.pieces[size_t(j)], false);
  DrawTutorial();
  DrawTopLeft(resources.pane, TVec2(0, float(board.paneTop)));
  if (caption) DrawTextureAt(caption, resources.textPos, resources.textAngle, 1.0f);
  DrawWithTray([&] {
    for (int j : order)
      if (board.pieces[size_t(j)].inTray) DrawPiece(board.pieces[size_t(j)], true);
  });
  if (board.held >= 0 && board.held < n) DrawPiece(board.pieces[size_t(board.held)], false);
}
