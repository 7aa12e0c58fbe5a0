#include "game/minigames/mg01window.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "audio/sound.h"
#include "game/minigames/mgdraw.h"
#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/widgets/gameutils.h"
#include "game/story/logbook.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "render/device/displayhandler.h"
#include "render/drawparams.h"
#include "render/renderer.h"
#include "render/text/textsprite.h"
#include "render/textures/texture.h"
#include "ui/windowmanager.h"

using namespace mgdraw;

namespace {

constexpr const char* kWindowType = "mg01window";
constexpr float kSlideTime = 5.0f;
constexpr int kTrayGap = 20;
constexpr int kTrayRowGap = 3;

bool gComposing = true;

void AddTexture(std::vector<uintptr_t>& key, const boost::shared_ptr<TTexture>& t) {
  key.push_back(reinterpret_cast<uintptr_t>(t.get()));
  key.push_back(t && t->GetData() ? t->GetData()->surfaceSerial : 0);
}

void AddFloat(std::vector<uintptr_t>& key, float f) {
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  key.push_back(bits);
}

void AddInts(std::vector<uintptr_t>& key, std::initializer_list<int> values) {
  for (int v : values) key.push_back(uintptr_t(uint32_t(v)));
}

}  // namespace

// --- Resources ---

TString Game01Resources_t::GetFileName(int variant) const {
  TString name;
  name.AssignFormat("assets/minigame1_%d.xml", variant);
  return name;
}

bool Game01Resources_t::LoadOwn(const TiXmlElement*, const TiXmlElement* common, TString* why) {
  const TString board = ReadMGText(common, "bigBlock");
  const TString cell = ReadMGText(common, "boundsimg");
  bigBlock = board.IsEmpty() ? boost::shared_ptr<TTexture>() : LoadTextureWithAlpha(board);
  boundsImg = cell.IsEmpty() ? boost::shared_ptr<TTexture>() : LoadTextureWithAlpha(cell);
  if (!boundsImg || boundsImg->GetWidth() == 0 || boundsImg->GetHeight() == 0) {
    *why = TString::Printf("the cell picture \"boundsimg\" (\"%s\") cannot be loaded", cell.c_str());
    return false;
  }
  return true;
}

// --- The window ---

TMG01Window::TMG01Window() : TMiniGames(kWindowType) {}

TMG01Window::~TMG01Window() {
  if (sandSound) sandSound->StopAll();
}

void TMG01Window::Init(TWindowStyle&) {
  // The style is not read: the window takes no name and no placement from
  // it (PostInit sizes it to the display).
  Animate(uint32_t(animRate), true, true, false);
  skipped = solved = finishing = isWon = closeRequested = false;
  heldPiece = carriedPiece = -1;
  slideState = 0;
  if (!resources.Load(gMiniGameVariant) || !LoadLevel()) {
    types.clear();
    cells.clear();
    pieces.clear();
    SetLoadFailed();
    return;
  }
  SetSoundNames(resources.music, resources.ambient);
  SetCursorPicture(resources.mainCursor);
  winDelay = float(resources.winCounter);
  captionSprite = Caption(resources.textStyle, resources.text);
  clickSound = TSound::Get("audio/sfx/button_click.ogg", true, kGroupSoundEffects);
  sandSound = TSound::Get("audio/sfx/sand.ogg", true, kGroupSoundEffects);
  StartTutorScreen(startMessageNum);
}

bool TMG01Window::LoadLevel() {
  const TString file = resources.GetFileName(gMiniGameVariant);
  std::unique_ptr<TiXmlDocument> doc;
  TString why;
  BlocksFileData data;
  bool good = OpenMGDocument(file, &doc, &why) && ReadBlocksDocument(*doc, &data, &why);
  std::vector<BlockType> loaded;
  for (size_t k = 0; good && k < data.types.size(); ++k) {
    const BlocksTypeNames& names = data.types[k];
    BlockType type{LoadTextureWithAlpha(names.img), LoadTextureWithAlpha(names.incorrectImg),
                   LoadTextureWithAlpha(names.preview)};
    if (!type.img || !type.incorrectImg || !type.preview) {
      why = TString::Printf("a picture of kind %zu (\"%s\", \"%s\", \"%s\") cannot be loaded", k, names.img.c_str(),
                            names.incorrectImg.c_str(), names.preview.c_str());
      good = false;
    }
    loaded.push_back(type);
  }
  if (!good) {
    TraceOut("Mini-game file %s: %s", file.c_str(), why.c_str());
    return false;
  }
  startMessageNum = data.startMessageNum;
  finMessageNum = data.finMessageNum;
  boardOrigin = boardPos = data.boardOrigin;
  blockDx = data.blockDx;
  blockDy = data.blockDy;
  types = loaded;
  cells = MakeBlockCells(data);
  pieces.clear();
  for (int kind : MovableBlockKinds(cells, Kinds())) {
    BlockPiece piece;
    piece.type = kind;
    piece.z = int(pieces.size());
    pieces.push_back(piece);
  }
  for (int i = 0; i < int(pieces.size()); ++i) TrayPosition(i);
  const long freeCells = std::count_if(cells.begin(), cells.end(), [](const BlockCell& c) { return c.playerCell; });
  if (long(pieces.size()) != freeCells)
    TraceOut("Mini-game file %s: the tray holds %zu blocks for %ld free cells (a kind is pre-filled more than %d "
             "times); the board cannot be finished by hand, skip ends it",
             file.c_str(), pieces.size(), freeCells, kBlocksPerKind);
  LoadTutorial(doc->RootElement());
  return true;
}

void TMG01Window::TrayPosition(int i) {
  if (i < 0 || i >= int(pieces.size())) return;
  BlockPiece& piece = pieces[size_t(i)];
  const boost::shared_ptr<TTexture>& preview = types[size_t(piece.type)].preview;
  const int half = int(pieces.size()) / 2;
  const float w = float(Width(preview)), h = float(Height(preview));
  const TVec2& corner = resources.previewPos;
  if (i < half)
    piece.pos = TVec2(corner.x + float(i) * (w + kTrayGap), corner.y);
  else
    piece.pos = TVec2(corner.x + float(i - half) * (w + kTrayGap), corner.y + h + kTrayRowGap);
  piece.inTray = true;
}

TVec2 TMG01Window::CellCorner(int index) const {
  const BlockCell& cell = cells[size_t(index)];
  const float w = float(Width(resources.boundsImg)), h = float(Height(resources.boundsImg));
  return TVec2(float(int(boardPos.x + blockDx + float(cell.col) * w)),
               float(int(boardPos.y + blockDy + float(cell.row) * h)));
}

TVec2 TMG01Window::PlaceInCell(int index, int kind) const {
  const boost::shared_ptr<TTexture>& img = types[size_t(kind)].img;
  const int dx = (Width(resources.boundsImg) - Width(img)) / 2;
  const int dy = (Height(resources.boundsImg) - Height(img)) / 2;
  return CellCorner(index) + TVec2(float(dx), float(dy));
}

float TMG01Window::TrayTop() const {
  const int screen = resources.background ? Height(resources.background) : (GetHeight() > 0 ? GetHeight() : 768);
  return float(screen - Height(resources.pane));
}

int TMG01Window::CellAt(const TPoint& p) const {
  const int n = Kinds();
  const int w = Width(resources.boundsImg), h = Height(resources.boundsImg);
  for (int col = 0; col < n; ++col)
    for (int row = 0; row < n; ++row) {
      const int index = n * row + col;
      const TVec2 corner = CellCorner(index);
      const TRect rect(int(corner.x), int(corner.y), int(corner.x) + w, int(corner.y) + h);
      if (rect.Contains(p)) return index;
    }
  return -1;
}

boost::shared_ptr<TTexture> TMG01Window::PictureOf(const BlockPiece& piece) const {
  const BlockType& type = types[size_t(piece.type)];
  if (piece.inTray) return type.preview;
  return piece.correct ? type.img : type.incorrectImg;
}

bool TMG01Window::HitsBlock(int i, const TPoint& p) const {
  const BlockPiece& piece = pieces[size_t(i)];
  if (!piece.visible) return false;
  const BlockType& type = types[size_t(piece.type)];
  const boost::shared_ptr<TTexture>& picture = piece.inTray ? type.preview : type.incorrectImg;
  if (!picture) return false;
  const float x = float(p.x) - piece.pos.x, y = float(p.y) - piece.pos.y;
  if (x < 0 || y < 0 || x >= float(picture->GetWidth()) || y >= float(picture->GetHeight())) return false;
  uint32_t* pixels = nullptr;
  uint32_t pitch = 0;
  if (!picture->Lock(&pixels, &pitch)) return true;  // no surface to read: the rectangle decides
  const uint32_t pixel = pixels[size_t(int(y)) * pitch + size_t(int(x))];
  picture->Unlock();
  return (pixel >> 24) != 0;
}

// --- Input ---

bool TMG01Window::OnMouseDown(const TPoint& p) {
  if (carriedPiece == -1 && TMiniGames::OnMouseDown(p)) return true;
  if (IsLoadFailed() || solved || skipped) return true;
  Press(p);
  return true;
}

void TMG01Window::PutDownHeld() {
  if (IsLoadFailed() || solved || skipped || (carriedPiece == -1 && heldPiece == -1)) return;
  Press(TPoint(int(lastMouse.x), int(lastMouse.y)));
}

void TMG01Window::Press(const TPoint& p) {
  lastMouse = TVec2(float(p.x), float(p.y));
  if (carriedPiece != -1) {
    BlockPiece& piece = pieces[size_t(carriedPiece)];
    const BlockType& type = types[size_t(piece.type)];
    if (piece.pos.y + float(Height(type.img)) >= TrayTop()) {
      TrayPosition(carriedPiece);
      carriedPiece = -1;
      CheckBoard();
      return;
    }
    piece.inTray = false;
    piece.pos += TVec2(float(Width(type.preview) / 2 - Width(type.img) / 2),
                       float(Height(type.preview) / 2 - Height(type.img) / 2));
    heldPiece = carriedPiece;
    carriedPiece = -1;
    CheckBoard();
    PutDown(p);
    return;
  }
  if (heldPiece != -1) {
    PutDown(p);
    return;
  }
  for (int i = 0; i < int(pieces.size()); ++i) {
    if (!HitsBlock(i, p)) continue;
    Pick(i);
    break;
  }
}

void TMG01Window::Pick(int i) {
  BlockPiece& piece = pieces[size_t(i)];
  piece.correct = false;
  if (piece.inTray) {
    carriedPiece = i;
    MoveBlockInDrawOrder(pieces, i, int(pieces.size()) - 1);
    return;
  }
  heldPiece = i;
  piece.state = 1;
  for (BlockCell& cell : cells)
    if (cell.piece == i) {
      cell.piece = -1;
      cell.type = -1;
    }
  MoveBlockInDrawOrder(pieces, i, int(pieces.size()) - 1);
  CheckBoard();
}

void TMG01Window::PutDown(const TPoint& p) {
  const int held = heldPiece;
  if (held < 0) return;
  const int index = CellAt(p);
  if (index >= 0 && !cells[size_t(index)].playerCell) {
    TrayPosition(held);
  } else if (index >= 0) {
    BlockCell& cell = cells[size_t(index)];
    if (cell.type != -1 && cell.piece >= 0 && cell.piece != held) {
      BlockPiece& previous = pieces[size_t(cell.piece)];
      TrayPosition(cell.piece);
      previous.correct = false;
      previous.state = 1;
    }
    BlockPiece& piece = pieces[size_t(held)];
    cell.piece = held;
    cell.type = piece.type;
    piece.pos = PlaceInCell(index, piece.type);
    MoveBlockInDrawOrder(pieces, held, 0);
    heldPiece = -1;
    CheckBoard();
    if (clickSound) clickSound->Play(false);
    return;
  }
  heldPiece = -1;
  CheckBoard();
}

bool TMG01Window::OnMouseMove(const TPoint& p) {
  if (carriedPiece == -1 && TMiniGames::OnMouseMove(p)) return true;
  if (IsLoadFailed() || solved || skipped) return true;
  const TVec2 mouse(float(p.x), float(p.y));
  const TVec2 d = mouse - lastMouse;
  if (heldPiece != -1) {
    // A block from the board never goes down into the tray: a move that
    // would reach it is refused whole, and the pointer's offset is kept.
    BlockPiece& piece = pieces[size_t(heldPiece)];
    if (piece.pos.y + d.y + float(Height(types[size_t(piece.type)].img)) >= TrayTop()) return false;
    piece.pos += d;
  }
  if (carriedPiece != -1) pieces[size_t(carriedPiece)].pos += d;
  lastMouse = mouse;
  return true;
}

bool TMG01Window::OnMouseUp(const TPoint& p) {
  if (carriedPiece == -1 && TMiniGames::OnMouseUp(p)) return true;
  if (IsLoadFailed() || solved) return true;
  CheckBoard();
  return true;
}

// --- Rules ---

void TMG01Window::CheckBoard() {
  if (skipped) return;
  const int n = Kinds();
  for (int i = 0; i < int(cells.size()); ++i) {
    const BlockCell& cell = cells[size_t(i)];
    if (!cell.playerCell || cell.piece < 0) continue;
    BlockPiece& piece = pieces[size_t(cell.piece)];
    const bool right = BlockCellIsRight(cells, n, i);
    piece.correct = right;
    if (right) {
      piece.state = 1;  // rests where it is
    } else {
      piece.state = 0;
      piece.shakeBase = CellCorner(i);
    }
  }
}

bool TMG01Window::IsSolved() const {
  if (solved) return true;
  for (const BlockPiece& piece : pieces)
    if (!piece.correct) return false;
  return true;
}

int TMG01Window::SolveStep(std::vector<BlockCandidates>& records) {
  return SolveBlocksStep(records, Kinds(), Random());
}

void TMG01Window::SkipGame() {
  if (IsLoadFailed() || solved || slideState != 0) return;
  for (BlockCell& cell : cells)
    if (cell.playerCell) cell.piece = cell.type = -1;
  heldPiece = carriedPiece = -1;
  for (int i = 0; i < int(pieces.size()); ++i) TrayPosition(i);
  std::vector<int> filling;
  bool guessed = false;
  if (!SolveBlocks(cells, Kinds(), Random(), &filling, &guessed))
    TraceOut("%s: the board has no completion; skip fills it as far as the pre-filled cells let it", kWindowType);
  if (filling.size() != cells.size()) return;  // no board at all
  pieces.clear();
  for (int i = 0; i < int(cells.size()); ++i) {
    BlockCell& cell = cells[size_t(i)];
    // A cell where no kind may stand stays empty.
    if (!cell.playerCell || filling[size_t(i)] < 0) continue;
    BlockPiece piece;
    piece.type = filling[size_t(i)];
    piece.pos = PlaceInCell(i, piece.type);
    piece.correct = true;
    piece.inTray = false;
    piece.z = int(pieces.size());
    cell.piece = int(pieces.size());
    pieces.push_back(piece);
  }
  skipped = true;
  TraceOut("%s: skipped; the board is filled%s", kWindowType, guessed ? " (with guesses)" : "");
}

// --- Clock ---

void TMG01Window::StepShake(BlockPiece& piece, float dt) {
  if (piece.state == 1) {
    piece.shakeTime = 0;
    return;
  }
  piece.shakeTime += dt;
  const float t = piece.shakeTime;
  piece.pos = TVec2(piece.shakeBase.x + 2.0f * std::sin(30.0f * t), piece.shakeBase.y + 2.0f * std::sin(45.0f * t));
}

void TMG01Window::StepSlide(float dt) {
  if (slideState != 1) return;
  slideTime += dt;
  if (slideTime >= kSlideTime) {
    slideTime = kSlideTime;
    slideState = 2;
    winDelay -= dt;
  }
  const float f = slideTime / kSlideTime;
  const float bottom = float(GetHeight() > 0 ? GetHeight() : 768);
  boardPos = boardOrigin + (TVec2(boardOrigin.x, bottom) - boardOrigin) * f;
  const TVec2 shift(0.0f, (bottom - boardOrigin.y) * f);
  for (BlockPiece& piece : pieces) piece.pos = piece.slideStart + shift;
}

bool TMG01Window::Update() {
  TMiniGames::Update();
  if (IsLoadFailed()) return true;
  solved = IsSolved();
  if (solved && slideState == 0) {
    slideTime = 0;
    slideState = 1;
    if (sandSound) sandSound->Play(false);
    for (BlockPiece& piece : pieces) piece.slideStart = piece.pos;
    TraceOut("%s: solved", kWindowType);
  }
  if (slideState == 2) {
    if (sandSound) sandSound->StopAll();
    winDelay -= animStep;
  }
  if (solved && !finishing && winDelay <= 0 && slideState == 2 && !IsLogBookOpen()) {
    const MGEndStep step =
        !isWon ? MGEndStep::kStartClosing : (closeRequested ? MGEndStep::kFinish : MGEndStep::kWaiting);
    finishing = step == MGEndStep::kFinish;
    FollowEndStep(step, kWindowType);
    return true;
  }
  StepSlide(animStep);
  for (BlockPiece& piece : pieces) StepShake(piece, animStep);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  return true;
}

// --- Drawing ---

void TMG01Window::DrawPiece(const BlockPiece& piece) {
  if (!piece.visible) return;
  DrawTopLeft(PictureOf(piece), piece.pos);
}

void TMG01Window::Draw() {
  TRender2dScope scope;
  if (IsLoadFailed()) {
    TMiniGames::Draw();
    return;
  }
  composed_.shown = DrawComposed();
  if (!composed_.shown) DrawPieces();
}

void TMG01Window::DrawPieces() {
  DrawTopLeft(resources.background, TVec2(0, 0));
  DrawTopLeft(resources.bigBlock, boardPos);
  for (int i = 0; i < int(cells.size()); ++i) {
    const BlockCell& cell = cells[size_t(i)];
    if (!cell.playerCell && cell.type >= 0) DrawTopLeft(types[size_t(cell.type)].img, PlaceInCell(i, cell.type));
  }
  std::vector<const BlockPiece*> order;
  for (const BlockPiece& piece : pieces) order.push_back(&piece);
  std::stable_sort(order.begin(), order.end(), [](const BlockPiece* a, const BlockPiece* b) { return a->z < b->z; });
  for (const BlockPiece* piece : order)
    if (!piece->inTray) DrawPiece(*piece);
  DrawTutorial();
  const int paneTop = Height(resources.background) - Height(resources.pane);
  DrawTopLeft(resources.pane, TVec2(0, float(paneTop)));
  if (captionSprite) DrawTextureAt(captionSprite, resources.textPos, resources.textAngle, 1.0f);
  DrawWithTray([&] {
    for (const BlockPiece* piece : order)
      if (piece->inTray) DrawPiece(*piece);
  });
}

// --- The composed picture ---

void TMG01Window::SetComposingEnabled(bool enabled) { gComposing = enabled; }

bool TMG01Window::ComposableNow() const {
  if (!gComposing || !resources.background) return false;
  // The journal, a message box and the shadow are drawn between the pieces
  // and change from frame to frame.
  if (logBook && !logBook->IsClosed()) return false;
  const MessageRecord& shadow = tutor.GetShadow();
  if (tutor.IsBoxShown() || (shadow.texture && shadow.value > 0)) return false;
  TDisplayHandler* h = GetDisplayHandler();
  if (!h || h->GetViewportScale() != 1.0f) return false;
  TRenderer* r = TRenderer::GetInstance();
  if (r->GetRenderTarget() || r->GetDrawOrigin() != TPoint(0, 0)) return false;
  // The picture is the background's size: the screen must show no more.
  const TRect view = r->GetViewport();
  return view.right <= int(resources.background->GetWidth()) && view.bottom <= int(resources.background->GetHeight());
}

const TString& TMG01Window::CaptionText() const {
  static const TString kNone;
  return captionSprite && captionSprite->GetTextBlock() ? captionSprite->GetTextBlock()->GetText() : kNone;
}

void TMG01Window::ComposedKey(std::vector<uintptr_t>& key) const {
  key.clear();
  AddInts(key, {TRenderer::GetInstance()->GetBlendMode(), int(cells.size()), int(pieces.size())});
  for (float f : {boardPos.x, boardPos.y, blockDx, blockDy, resources.textPos.x, resources.textPos.y,
                  resources.textAngle})
    AddFloat(key, f);
  for (const boost::shared_ptr<TTexture>& t :
       {resources.background, resources.bigBlock, resources.boundsImg, resources.pane, composed_.picture})
    AddTexture(key, t);
  for (const BlockType& type : types)
    for (const boost::shared_ptr<TTexture>& t : {type.img, type.incorrectImg, type.preview}) AddTexture(key, t);
  for (const BlockCell& cell : cells) AddInts(key, {int(cell.playerCell), cell.type});
  for (const BlockPiece& piece : pieces) {
    AddInts(key, {piece.type, piece.z, int(piece.visible), int(piece.inTray), int(piece.correct)});
    AddFloat(key, piece.pos.x);
    AddFloat(key, piece.pos.y);
  }
  key.push_back(reinterpret_cast<uintptr_t>(captionSprite.get()));
  key.push_back(reinterpret_cast<uintptr_t>(captionSprite ? captionSprite->GetTextBlock() : nullptr));
  for (const Button_t* b : {buttMenu, buttSkip, buttRestart, buttLogbook}) {
    key.push_back(reinterpret_cast<uintptr_t>(b));
    if (!b) continue;
    AddInts(key, {int(b->visible), int(b->selected), int(b->held), int(b->hover), int(b->disabled),
                  b->drawRect.left, b->drawRect.top});
    for (const boost::shared_ptr<TTexture>& t : {b->normalImage, b->pressedImage, b->rolloverImage, b->disabledImage})
      AddTexture(key, t);
  }
}

bool TMG01Window::DrawComposed() {
  ComposedPicture& c = composed_;
  if (!ComposableNow()) {
    c.lastKey.clear();
    return false;
  }
  ComposedKey(c.frameKey);
  if (!c.picture || c.frameKey != c.key || !(CaptionText() == c.caption)) {
    // Composed once the game has stood still for a frame: a block carried
    // or shaking changes every frame and is drawn piece by piece meanwhile.
    const bool still = c.frameKey == c.lastKey;
    c.lastKey = c.frameKey;
    if (!still) return false;
    c.composed = false;
    c.key.clear();
    // Composing can fail for a moment (a lost device): tried again at the next frame.
    if (!Compose()) return false;
    ComposedKey(c.key);
    c.caption = CaptionText();
  }
  if (!c.composed) return false;
  DrawTopLeft(c.picture, TVec2(0, 0));
  return true;
}

bool TMG01Window::Compose() {
  const boost::shared_ptr<TTexture>& background = resources.background;
  const uint32_t w = background->GetWidth(), h = background->GetHeight();
  boost::shared_ptr<TTexture>& picture = composed_.picture;
  if (!picture || picture->GetWidth() != w || picture->GetHeight() != h) picture = TTexture::CreateBlank(w, h, true);
  TRenderer* renderer = TRenderer::GetInstance();
  // A render target ends the 2-D drawing it was opened in; it is entered
  // again afterwards for the rest of the frame, in the same blend mode.
  const bool was2d = renderer->Is2d();
  const int blend = renderer->GetBlendMode();
  auto restore = [&] {
    if (was2d && !renderer->Is2d()) renderer->Begin2d();
    renderer->SetBlendMode(blend);
  };
  if (!picture || !renderer->BeginRenderTarget(picture, 4)) {
    restore();
    return false;
  }
  const bool entered = renderer->Begin2d();
  renderer->SetBlendMode(blend);
  DrawPieces();
  if (entered) renderer->End2d();
  renderer->EndRenderTarget();
  restore();
  // Over an opaque background every pixel drawn is opaque, whatever alpha
  // the target kept; over any other the pieces would show what lies under
  // the game, which the picture cannot.
  if (!background->IsOpaque()) return true;
  uint32_t* px = nullptr;
  uint32_t pitch = 0;
  if (picture->Lock(&px, &pitch) && px) {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t* p = px + size_t(y) * pitch, *end = p + w; p < end; ++p) *p |= 0xFF000000u;
    composed_.composed = true;
  }
  picture->Unlock();
  return true;
}
