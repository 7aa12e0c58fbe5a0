#include "game/minigames/mg03window.h"

#include <tinyxml.h>

#include <algorithm>
#include <string>

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

constexpr const char* kWindowType = "mg03window";
constexpr const char* kClickSound = "audio/sfx/button_click.ogg";


}  // namespace

// --- Resources ---

TString Game03Resources_t::GetFileName(int variant) const {
  TString name;
  name.AssignFormat("assets/minigame3_%d.xml", variant);
  return name;
}

bool Game03Resources_t::LoadOwn(const TiXmlElement*, const TiXmlElement* common, TString*) {
  const TString label = ReadKeysSecondCaption(common);
  text2 = label.IsEmpty() ? TString() : GetLocalizedText(label.str());
  return true;
}

// --- The window ---

TMG03Window::TMG03Window() : TMiniGames(kWindowType) {}

TMG03Window::~TMG03Window() = default;

void TMG03Window::Init(TWindowStyle&) {
  // The style is not read: the window takes no name and no placement from
  // it (PostInit sizes it to the display).
  Animate(uint32_t(animRate), true, true, false);
  if (!resources.Load(gMiniGameVariant)) {
    SetLoadFailed();
    return;
  }
  SetSoundNames(resources.music, resources.ambient);
  SetCursorPicture(resources.mainCursor);
  if (!LoadKeys()) {
    board = KeysBoard();
    SetLoadFailed();
    return;
  }
  skipped = false;
  textSprite = Caption(resources.textStyle, resources.text);
  text2Sprite = Caption(resources.textStyle, resources.text2);
  clickSound = TSound::Get(kClickSound, true, kGroupSoundEffects);
  isWon = false;
  closeRequested = false;
  StartTutorScreen(startMessageNum);
  std::string starts, tray;
  for (const KeySlot& k : board.keys) starts += " " + std::to_string(k.step);
  for (int place : board.TrayOrder()) tray += " " + std::to_string(place);
  TraceOut("%s: %zu keys, %d positions a turn; they start at%s, the tray holds%s", kWindowType, board.keys.size(),
           board.countTurns, starts.c_str(), tray.c_str());
}

bool TMG03Window::LoadKeys() {
  const TString file = resources.GetFileName(gMiniGameVariant);
  std::unique_ptr<TiXmlDocument> doc;
  TString why;
  KeysFileData data;
  const TiXmlElement *root = nullptr, *common = nullptr;
  if (!OpenMGGameFile(file, &doc, &root, &common, &why) || !ReadKeysFile(root, common, &data, &why)) {
    TraceOut("Mini-game file %s: %s", file.c_str(), why.c_str());
    return false;
  }
  startMessageNum = data.startMessageNum;
  finMessageNum = data.finMessageNum;
  setKeyNum = data.setKeyNum;
  plateImage = data.plate.IsEmpty() ? boost::shared_ptr<TTexture>() : LoadTextureWithAlpha(data.plate);
  std::vector<KeyImages> images;
  for (const KeyFileEntry& entry : data.keys) {
    KeyImages pics;
    pics.keyhole = LoadTextureWithAlpha(entry.keyhole);
    pics.key = LoadTextureWithAlpha(entry.key);
    pics.puzzle = LoadTextureWithAlpha(entry.puzzle);
    pics.preview = LoadTextureWithAlpha(entry.preview);
    pics.cursor = LoadTextureWithAlpha(entry.cursor);
    pics.keyholeSize = Size(pics.keyhole);
    pics.puzzleSize = Size(pics.puzzle);
    pics.previewSize = Size(pics.preview);
    pics.cursorSize = Size(pics.cursor);
    images.push_back(pics);
  }
  board.Build(data, images, Random(), float(resources.winCounter));
  board.plateHeight = Height(plateImage);
  if (root->FirstChildElement("TutorScripts")) LoadTutorial(root);
  return true;
}

// --- Input ---

bool TMG03Window::OnMouseDown(const TPoint& p) {
  if (board.heldKey == -1 && TMiniGames::OnMouseDown(p)) return true;
  if (IsLoadFailed()) return true;
  const KeysBoard::PressResult r = board.Press(p.x, p.y);
  if (r.click && clickSound) clickSound->Play(false);
  if (r.pickedUp) SetCursorPicture(kEmptyCursor);
  if (r.dropped) SetCursorPicture(resources.mainCursor);
  if (r.allIn) StartTutorScreen(setKeyNum);
  return true;
}

bool TMG03Window::OnMouseUp(const TPoint& p) {
  // A key is carried between two presses: a release while it is held does nothing.
  if (board.heldKey == -1) TMiniGames::OnMouseUp(p);
  return true;
}

bool TMG03Window::OnMouseMove(const TPoint& p) {
  if (board.heldKey == -1 && TMiniGames::OnMouseMove(p)) return true;
  board.Move(p.x, p.y);
  return true;
}

void TMG03Window::PutDownHeld() {
  if (!board.PutBackKey()) return;
  SetCursorPicture(resources.mainCursor);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}

void TMG03Window::SkipGame() {
  if (IsLoadFailed()) return;
  bool dropped = false;
  if (!board.Skip(&dropped)) return;
  skipped = true;
  if (dropped) SetCursorPicture(resources.mainCursor);
  TraceOut("%s: skipped; every key goes home%s", kWindowType, dropped ? " (the key in the hand first)" : "");
}

// --- Clock ---

bool TMG03Window::Update() {
  TMiniGames::Update();
  if (IsLoadFailed()) return true;
  const bool wasSolved = board.solved;
  const KeysBoard::EndStep step = board.Update(animStep, isWon, closeRequested, IsLogBookOpen());
  if (board.solved && !wasSolved) TraceOut("%s: solved", kWindowType);
  FollowEndStep(step, kWindowType);
  return true;
}

// --- Drawing ---

void TMG03Window::DrawSlot(const KeySlot& slot) {
  DrawTopLeft(slot.keyholeImage, slot.homePos.x, slot.homePos.y);
  if (slot.inTray) return;
  if (slot.keyImage) DrawTextureRotated(slot.keyImage, int(slot.keyPos.x), int(slot.keyPos.y), slot.angle, 1.0f);
  if (slot.puzzleImage)
    DrawTextureRotated(slot.puzzleImage, int(slot.puzzlePos.x), int(slot.puzzlePos.y), slot.angle, slot.alpha);
}

void TMG03Window::DrawHeldKey(const TVec2& mouse) {
  if (board.heldKey < 0 || board.heldKey >= int(board.keys.size())) return;
  const KeySlot& slot = board.keys[size_t(board.heldKey)];
  if (!slot.inTray || !slot.held || !slot.heldImage) return;
  DrawTopLeft(slot.heldImage, mouse.x, mouse.y - float(Height(slot.heldImage) / 2));
}

void TMG03Window::Draw() {
  TRender2dScope scope;
  if (IsLoadFailed()) {
    TMiniGames::Draw();
    return;
  }
  DrawTopLeft(resources.background, 0, 0);
  DrawTopLeft(plateImage, board.platePos.x, board.platePos.y);
  const int turning = board.turningKey;
  for (int i = 0; i < int(board.keys.size()); ++i)
    if (i != turning) DrawSlot(board.keys[size_t(i)]);
  DrawTutorial();
  DrawTopLeft(resources.pane, 0, float(Height(resources.background) - Height(resources.pane)));
  auto drawPreview = [](const KeySlot& slot) {
    if (slot.inTray && !slot.held)
      DrawTopLeft(slot.previewImage, float(slot.previewRect.left), float(slot.previewRect.top));
  };
  for (int i = 0; i < int(board.keys.size()); ++i)
    if (i != turning) drawPreview(board.keys[size_t(i)]);
  if (turning >= 0 && turning < int(board.keys.size())) {
    DrawSlot(board.keys[size_t(turning)]);
    drawPreview(board.keys[size_t(turning)]);
  }
  if (textSprite) DrawTextureAt(textSprite, resources.textPos, resources.textAngle, 1.0f - board.captionFade);
  if (text2Sprite) DrawTextureAt(text2Sprite, resources.textPos, resources.textAngle, board.captionFade);
  TMiniGames::Draw();
  if (board.heldKey >= 0) DrawHeldKey(board.mousePos);
}
