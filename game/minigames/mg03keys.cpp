#include "game/minigames/mg03keys.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/log.h"
#include "platform/random.h"

namespace {

constexpr float kTwoPi = 6.28318530717958647692f;
constexpr int kLargestTutorScreen = 100000;

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return std::string();
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

// "x, y" into *pos number by number: a number that does not read keeps the
// value it had, and so does every number after it.
void ReadPosition(const char* text, TVec2* pos) {
  float xy[2] = {pos->x, pos->y};
  ReadMGLooseNumbers(text, xy, 2);
  *pos = TVec2(xy[0], xy[1]);
}

// "picture;x, y": the picture and the position; false (logged) unless both are there.
bool ReadPlate(const TiXmlElement* common, TString* picture, TVec2* pos) {
  const char* text = common->Attribute("plate");
  std::vector<std::string> pieces, raw;
  if (text) SplitString(text, ';', raw);
  for (const std::string& piece : raw) {
    std::string t = Trim(piece);
    if (!t.empty()) pieces.push_back(t);
  }
  if (pieces.size() < 2) {
    TraceOut("Keys game: \"plate\" should be \"picture;x, y\" (got \"%s\"); the keys stand without a plate",
             text ? text : "");
    return false;
  }
  *picture = TString(pieces[0]);
  ReadPosition(pieces[1].c_str(), pos);
  return true;
}

float Angle(int step, int count) { return float(step) * kTwoPi / float(count); }

}  // namespace

TString ReadKeysSecondCaption(const TiXmlElement* common) {
  return ReadMGText(common, common && common->Attribute("text2") ? "text2" : "text");
}

bool ReadKeysFile(const TiXmlElement* root, const TiXmlElement* common, KeysFileData* out, TString* why) {
  KeysFileData data;
  data.text2 = ReadKeysSecondCaption(common);
  ReadMGInt(common, "startMessageNum", &data.startMessageNum, -1, kLargestTutorScreen);
  ReadMGInt(common, "finMessageNum", &data.finMessageNum, -1, kLargestTutorScreen);
  ReadMGInt(common, "setKeyNum", &data.setKeyNum, -1, kLargestTutorScreen);
  ReadPlate(common, &data.plate, &data.platePos);

  const TiXmlElement* keys = root->FirstChildElement("Keys");
  if (!keys) {
    *why = "it has no \"Keys\" element";
    return false;
  }
  // The three starts are read through one text: an absent one reads the
  // text of the one before it (an absent "pos" stays at 0, 0).
  const char* last = nullptr;
  for (auto [name, out] : {std::pair{"pos", &data.pos}, std::pair{"puzzle_pos", &data.puzzlePos},
                           std::pair{"preview_pos", &data.previewPos}}) {
    if (const char* text = keys->Attribute(name)) last = text;
    if (last) ReadPosition(last, out);
  }
  data.secondRow = keys->Attribute("pos_2") || keys->Attribute("puzzle_pos_2");
  ReadMGLooseVec2(keys, "pos_2", &data.pos2);
  ReadMGLooseVec2(keys, "puzzle_pos_2", &data.puzzlePos2);
  int turns = 0;
  ReadMGInt(keys, "count_turns", &turns, -1000000, 1000000);
  if (turns < 1 || turns > kMaxCountTurns) {
    data.countTurns = std::max(1, std::min(kMaxCountTurns, turns));
    TraceOut("Keys game: \"count_turns\" should be 1 to %d (got \"%s\"); %d is used", kMaxCountTurns,
             keys->Attribute("count_turns") ? keys->Attribute("count_turns") : "", data.countTurns);
  } else {
    data.countTurns = turns;
  }

  int index = 0;
  for (const TiXmlElement* k = keys->FirstChildElement("Key"); k; k = k->NextSiblingElement("Key"), ++index) {
    if (int(data.keys.size()) >= kMaxKeys) {
      TraceOut("Keys game: only the first %d keys are used", kMaxKeys);
      break;
    }
    KeyFileEntry entry;
    entry.keyhole = ReadMGText(k, "keyhole");
    if (data.secondRow && k->Attribute("key_pos")) {
      float xy[2] = {0, 0};
      entry.keyPosNumbers = ReadMGLooseNumbers(k->Attribute("key_pos"), xy, 2);
      entry.keyPos = TVec2(xy[0], xy[1]);
    }
    entry.key = ReadMGText(k, "img_key");
    entry.puzzle = ReadMGText(k, "puzzle_elem");
    entry.preview = ReadMGText(k, "key_preview");
    entry.cursor = ReadMGText(k, "key_cursor");
    if (entry.keyhole.IsEmpty() || entry.key.IsEmpty() || entry.puzzle.IsEmpty() || entry.preview.IsEmpty() ||
        entry.cursor.IsEmpty()) {
      TraceOut("Keys game: key %d left out: it needs \"keyhole\", \"img_key\", \"puzzle_elem\", \"key_preview\" "
               "and \"key_cursor\"",
               index + 1);
      continue;
    }
    data.keys.push_back(std::move(entry));
  }
  *out = std::move(data);
  return true;
}

bool KeySlot::HitTest(int x, int y) const {
  const int left = int(homePos.x), top = int(homePos.y);
  return left <= x && x < left + keyholeSize.x && top <= y && y < top + keyholeSize.y;
}

void KeySlot::StartTurn(int count) {
  if (!fadeDone || inTray || turnState != kIdle || count < 1) return;
  step = step + 1 >= count ? 0 : step + 1;
  turnState = kTurnForward;
  animTime = 0;
}

bool KeySlot::Step(float dt, int count) {
  if (count < 1) count = 1;
  if (!fadeDone) {
    animTime += dt;
    if (animTime >= kKeyFadeTime) {
      animTime = kKeyFadeTime;
      fadeDone = true;
    }
    alpha = animTime / kKeyFadeTime;
    if (fadeDone) animTime = 0;
    return true;
  }
  const float p = kTwoPi / float(count);
  switch (turnState) {
    case kTurnForward: {
      animTime += dt;
      if (animTime >= kKeyTurnTime) {
        animTime = kKeyTurnTime;
        turnState = kIdle;
      }
      // After a wrap to 0 the key goes on to a full turn rather than back.
      const float from = step > 0 ? float(step - 1) * p : float(count - 1) * p;
      const float to = step > 0 ? float(step) * p : float(count) * p;
      angle = from + (to - from) * animTime / kKeyTurnTime;
      return true;
    }
    case kTurnHome: {
      animTime += dt;
      if (animTime >= kKeyTurnTime || step == 0) {
        animTime = kKeyTurnTime;
        turnState = kIdle;
        step = 0;
      }
      const float a = float(step) * p;
      angle = a + (0 - a) * animTime / kKeyTurnTime;
      return true;
    }
    default:
      return false;
  }
}

void KeysBoard::Build(const KeysFileData& data, const std::vector<KeyImages>& images, TRandom& random,
                      float winSeconds) {
  *this = KeysBoard();
  countTurns = std::max(1, std::min(kMaxCountTurns, data.countTurns));
  platePos = data.platePos;
  winCountdown = winSeconds;
  TVec2 keyholeStart = data.pos, puzzleStart = data.puzzlePos;
  int keyholeOffset = 0, puzzleOffset = 0, trayOffset = 0;
  const size_t count = std::min(data.keys.size(), images.size());
  for (size_t i = 0; i < count; ++i) {
    const KeyFileEntry& entry = data.keys[i];
    const KeyImages& pics = images[i];
    if (data.secondRow && i == size_t(kKeysInFirstRow)) {
      keyholeStart = data.pos2;
      puzzleStart = data.puzzlePos2;
      keyholeOffset = puzzleOffset = 0;
    }
    KeySlot slot;
    slot.keyholeImage = pics.keyhole;
    slot.keyholeSize = pics.keyholeSize;
    slot.homePos = TVec2(keyholeStart.x + float(keyholeOffset), keyholeStart.y);
    slot.keyPos = slot.homePos;
    if (data.secondRow && entry.keyPosNumbers >= 1) slot.keyPos.x = entry.keyPos.x;
    if (data.secondRow && entry.keyPosNumbers >= 2) slot.keyPos.y = entry.keyPos.y;
    keyholeOffset += pics.keyholeSize.x;
    slot.keyImage = pics.key;
    slot.step = random.Range(0, countTurns - 1);
    slot.fadeDone = true;
    slot.turnState = KeySlot::kIdle;
    slot.angle = Angle(slot.step, countTurns);
    slot.alpha = 0;
    slot.animTime = 0;
    slot.puzzleImage = pics.puzzle;
    slot.puzzlePos = TVec2(puzzleStart.x + float(puzzleOffset), puzzleStart.y);
    puzzleOffset += pics.puzzleSize.x;
    slot.previewImage = pics.preview;
    const int left = int(data.previewPos.x) + trayOffset, top = int(data.previewPos.y);
    slot.previewRect = TRect(left, top, left + pics.previewSize.x, top + pics.previewSize.y);
    trayOffset += pics.previewSize.x;
    slot.heldImage = pics.cursor;
    slot.heldSize = pics.cursorSize;
    slot.inTray = true;
    slot.held = false;
    keys.push_back(slot);
  }
  for (const KeySlot& k : keys) trayPlaces_.emplace_back(k.previewRect.left, k.previewRect.top);
  // The tray: every key changes places with another drawn at random (with
  // two keys the two swaps undo each other). One key stays where it is.
  const int n = int(keys.size());
  for (int i = 0; i < n && n >= 2; ++i) {
    int j = random.Range(0, n - 2);
    if (j >= i) ++j;  // any place but its own, each as likely
    TRect& a = keys[size_t(i)].previewRect;
    TRect& b = keys[size_t(j)].previewRect;
    const TPoint pa(a.left, a.top), pb(b.left, b.top);
    a = TRect(pb.x, pb.y, pb.x + a.Width(), pb.y + a.Height());
    b = TRect(pa.x, pa.y, pa.x + b.Width(), pa.y + b.Height());
  }
}

std::vector<int> KeysBoard::TrayOrder() const {
  std::vector<int> order;
  for (const KeySlot& k : keys) {
    int at = -1;
    for (size_t j = 0; j < trayPlaces_.size(); ++j)
      if (trayPlaces_[j] == TPoint(k.previewRect.left, k.previewRect.top)) at = int(j);
    order.push_back(at);
  }
  return order;
}

bool KeysBoard::AllKeysInserted() const {
  return std::none_of(keys.begin(), keys.end(), [](const KeySlot& k) { return k.inTray; });
}

bool KeysBoard::IsSolved() const {
  if (solved) return true;
  return std::all_of(keys.begin(), keys.end(), [](const KeySlot& k) {
    return k.step == 0 && !k.held && !k.inTray && k.turnState == KeySlot::kIdle && k.fadeDone;
  });
}

KeysBoard::PressResult KeysBoard::Press(int x, int y) {
  PressResult r;
  if (solved || skipped) return r;
  mousePos = TVec2(float(x), float(y));
  if (heldKey >= 0 && heldKey < int(keys.size())) {
    KeySlot& k = keys[size_t(heldKey)];
    if (k.HitTest(x, y)) {
      r.click = true;
      k.inTray = false;
      k.fadeDone = false;
      k.animTime = 0;
      if (AllKeysInserted()) {
        captionFadeTime = 0;
        captionFadeDone = false;
        r.allIn = true;
      }
    }
    k.held = false;
    heldKey = -1;
    r.dropped = true;
    return r;
  }
  heldKey = -1;
  for (size_t i = 0; i < keys.size(); ++i) {
    KeySlot& k = keys[i];
    if (k.inTray && k.previewRect.Contains(x, y)) {
      k.held = true;
      heldKey = int(i);
      r.pickedUp = true;
      return r;
    }
    if (!k.inTray && turningKey == -1 && k.HitTest(x, y)) {
      r.click = true;
      k.StartTurn(countTurns);
      turningKey = int(i);
      return r;
    }
  }
  return r;
}

void KeysBoard::Move(int x, int y) {
  if (!solved && !skipped) mousePos = TVec2(float(x), float(y));
}

bool KeysBoard::PutBackKey() {
  if (heldKey < 0) return false;
  if (heldKey < int(keys.size())) keys[size_t(heldKey)].held = false;
  heldKey = -1;
  return true;
}

bool KeysBoard::Skip(bool* droppedKey) {
  if (droppedKey) *droppedKey = false;
  if (solved || skipped) return false;
  for (const KeySlot& k : keys)
    if (k.turnState == KeySlot::kTurnForward || !k.fadeDone || winState == 1) return false;
  // A key in the hand goes back first, so the frame gets the presses again.
  if (PutBackKey() && droppedKey) *droppedKey = true;
  for (KeySlot& k : keys) {
    if (k.inTray) k.fadeDone = false;
    k.turnState = KeySlot::kTurnHome;
    k.animTime = 0;
    k.held = false;
    k.inTray = false;
  }
  skipped = true;
  captionFadeTime = 0;
  captionFadeDone = false;
  return true;
}

void KeysBoard::StepWinSlide(float dt) {
  if (!captionFadeDone) {
    captionFadeTime += dt;
    if (captionFadeTime >= kCaptionFadeTime) {
      captionFadeTime = kCaptionFadeTime;
      captionFadeDone = true;
    }
    captionFade = captionFadeTime / kCaptionFadeTime;
  }
  if (winState != 1) return;
  slideTime += dt;
  if (slideTime >= kPlateSlideTime) {
    slideTime = kPlateSlideTime;
    winState = 2;
    winCountdown -= dt;
  }
  const float oldY = platePos.y;
  const TVec2 target(plateStart.x, -float(plateHeight));
  platePos = plateStart + (target - plateStart) * (slideTime / kPlateSlideTime);
  const float rise = oldY - platePos.y;
  for (KeySlot& k : keys) {
    k.homePos.y -= rise;
    k.keyPos.y -= rise;
    k.puzzlePos.y -= rise;
  }
}

KeysBoard::EndStep KeysBoard::Update(float dt, bool isWon, bool closeRequested, bool logBookOpen) {
  StepWinSlide(dt);
  bool animating = false;
  for (KeySlot& k : keys) animating = k.Step(dt, countTurns) || animating;
  if (!animating) turningKey = -1;
  if (!solved) solved = IsSolved();
  if (solved && winState == 0) {
    plateStart = platePos;
    slideTime = 0;
    winState = 1;
  }
  if (winState == 2) winCountdown -= dt;
  if (!finishing && solved && winCountdown <= 0 && winState == 2 && !logBookOpen) {
    if (!isWon) return EndStep::kStartClosing;
    if (!closeRequested) return EndStep::kWaiting;
    finishing = true;
    return EndStep::kFinish;
  }
  return EndStep::kPlaying;
}
