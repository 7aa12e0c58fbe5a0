#include "game/minigames/mg06wounds.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>

#include "platform/log.h"
#include "render/textures/texture.h"

namespace {

constexpr int kLargestTutorScreen = 100000;

// A number of "Common" within [lo, hi] (lo excluded when `openBelow`); the
// default, logged, when it is given but unreadable or out of range.
void ReadShare(const TiXmlElement* common, const char* name, float lo, float hi, bool openBelow, float* out) {
  const char* text = common->Attribute(name);
  if (!text) return;
  float v = 0;
  const bool good = ReadMGNumbers(text, &v, 1) == 1 && v <= hi && (openBelow ? v > lo : v >= lo);
  if (good) {
    *out = v;
    return;
  }
  TraceOut("Wounds game: \"%s\" should be a number %s %g and at most %g (got \"%s\"); %g is used", name,
           openBelow ? "above" : "of at least", double(lo), double(hi), text, double(*out));
}

// Screen coordinates truncated toward zero, kept within the int range.
int Truncate(float v) {
  if (!(v == v)) return 0;
  return int(std::max(-1.0e8f, std::min(1.0e8f, v)));
}

}  // namespace

// --- The file ---

bool ReadWoundsFile(const TiXmlElement* root, const TiXmlElement* common, WoundsFileData* out, TString* why) {
  WoundsFileData data;
  ReadMGInt(common, "startMessageNum", &data.startMessageNum, -1, kLargestTutorScreen);
  ReadMGInt(common, "finMessageNum", &data.finMessageNum, -1, kLargestTutorScreen);
  ReadMGInt(common, "bitNum", &data.bitNum, -1, kLargestTutorScreen);
  data.brush = ReadMGText(common, "cursor_brush");
  ReadShare(common, "part_find_pixels", 0.0f, 1.0f, true, &data.cleanShare);
  ReadShare(common, "part_find_pixels_for_tutor", 0.0f, 1.0f, false, &data.tutorShare);
  ReadShare(common, "disinfectionTime", 0.0f, kLongestDisinfectionTime, false, &data.disinfectionTime);

  const TiXmlElement* wounds = root->FirstChildElement("Wounds");
  if (!wounds) {
    *why = "it has no \"Wounds\" element";
    return false;
  }
  int index = 0;
  for (const TiXmlElement* w = wounds->FirstChildElement("Wound"); w; w = w->NextSiblingElement("Wound"), ++index) {
    if (int(data.wounds.size()) >= kMaxWounds) {
      TraceOut("Wounds game: only the first %d wounds are used", kMaxWounds);
      break;
    }
    WoundNames wound;
    if (w->Attribute("pos") && !ReadMGVec2(w, "pos", &wound.pos))
      TraceOut("Wounds game: wound %d: \"pos\" should be \"x, y\" (got \"%s\"); %g, %g is used", index,
               w->Attribute("pos"), double(wound.pos.x), double(wound.pos.y));
    wound.dirt = ReadMGText(w, "image_dirt");
    wound.wound = ReadMGText(w, "image_wound");
    if (wound.dirt.IsEmpty() || wound.wound.IsEmpty()) {
      TraceOut("Wounds game: wound %d has no \"image_dirt\" or no \"image_wound\"; it is left out", index);
      continue;
    }
    data.wounds.push_back(wound);
  }

  const TiXmlElement* tools = root->FirstChildElement("Tools");
  if (!tools) {
    *why = "it has no \"Tools\" element";
    return false;
  }
  if (tools->Attribute("preview_pos") && !ReadMGVec2(tools, "preview_pos", &data.toolsPos))
    TraceOut("Wounds game: \"Tools\" \"preview_pos\" should be \"x, y\" (got \"%s\"); %g, %g is used",
             tools->Attribute("preview_pos"), double(data.toolsPos.x), double(data.toolsPos.y));
  for (const TiXmlElement* t = tools->FirstChildElement("Tool"); t; t = t->NextSiblingElement("Tool")) {
    if (int(data.tools.size()) >= kMaxWoundTools) {
      TraceOut("Wounds game: only the first %d tools are used", kMaxWoundTools);
      break;
    }
    WoundToolNames tool{ReadMGText(t, "preview"), ReadMGText(t, "image")};
    if (tool.preview.IsEmpty() || tool.image.IsEmpty()) {
      *why = TString::Printf("tool %zu has no \"preview\" or no \"image\"", data.tools.size());
      return false;
    }
    data.tools.push_back(tool);
  }
  if (data.tools.size() < 2 && !data.wounds.empty()) {
    *why = "it has fewer than two tools (the brush and the disinfectant) for its wounds";
    return false;
  }
  *out = data;
  return true;
}

// --- Pixels ---

TextureLock::TextureLock(const boost::shared_ptr<TTexture>& texture) : texture_(texture) {
  if (!texture_) return;
  locked_ = texture_->Lock(&view_.pixels, &view_.pitch);
  if (!locked_) return;
  view_.width = int(std::min(texture_->GetWidth(), view_.pitch));
  view_.height = int(texture_->GetHeight());
}

TextureLock::~TextureLock() {
  if (locked_) texture_->Unlock();
}

// --- A wound ---

void Wound::Place(const TVec2& pos, const TPoint& dirt, const TPoint& wound) {
  position = pos;
  dirtSize = dirt;
  woundSize = wound;
  woundPosition = pos + TVec2(float(dirt.x / 2 - wound.x / 2), float(dirt.y / 2 - wound.y / 2));
}

void Wound::BuildAlphaMapsFrom(const PixelView& dirt) {
  const int w = std::min(dirt.width, dirtSize.x), h = std::min(dirt.height, dirtSize.y);
  opaqueCount = cleanedCount = 0;
  alphaMap.assign(size_t(std::max(0, dirtSize.x)) * size_t(std::max(0, dirtSize.y)), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t a = dirt.Alpha(x, y);
      alphaMap[size_t(y) * size_t(dirtSize.x) + size_t(x)] = a;
      if (a > 0) ++opaqueCount;
    }
  initialAlphaMap = alphaMap;
  mapsBuilt = true;
  phase = kCounting;
}

bool Wound::BuildAlphaMaps() {
  TextureLock lock(dirtImage);
  if (!lock.ok()) {
    mapsBuilt = false;
    opaqueCount = cleanedCount = 0;
    alphaMap.clear();
    initialAlphaMap.clear();
    return false;
  }
  BuildAlphaMapsFrom(lock.view());
  return true;
}

bool Wound::ContainsPoint(int x, int y) const {
  const int left = Truncate(position.x), top = Truncate(position.y);
  return x >= left && x < left + dirtSize.x && y >= top && y < top + dirtSize.y;
}

bool Wound::HitWoundImage(int x, int y) const {
  const int left = Truncate(woundPosition.x), top = Truncate(woundPosition.y);
  if (x < left || x >= left + woundSize.x || y < top || y >= top + woundSize.y) return false;
  TextureLock lock(woundImage);
  if (!lock.ok()) return true;
  const int u = x - left, v = y - top;
  if (u >= lock.view().width || v >= lock.view().height) return false;
  return lock.view().Alpha(u, v) > 0;
}

void Wound::RubPixels(PixelView* dirt, const PixelView& brush, const TVec2& brushCorner, float cleanShare,
                      float tutorShare, bool* tutorReached) {
  if (!mapsBuilt) BuildAlphaMapsFrom(*dirt);
  const int w = std::min(dirtSize.x, dirt->width), h = std::min(dirtSize.y, dirt->height);
  const TVec2 o = brushCorner - position;
  for (int i = 0; i < brush.width; ++i) {
    const float u = float(i) + o.x;
    if (!(u >= 0 && u < float(w))) continue;
    for (int j = 0; j < brush.height; ++j) {
      const float v = float(j) + o.y;
      if (!(v >= 0 && v < float(h))) continue;
      const int b = brush.Alpha(i, j);
      const int x = int(u), y = int(v);
      uint8_t& mirror = alphaMap[size_t(y) * size_t(dirtSize.x) + size_t(x)];
      const int n = std::max(0, int(mirror) - b);
      dirt->SetAlpha(x, y, uint8_t(n));
      if (n == 0 && mirror > 0) {
        ++cleanedCount;
        if (float(cleanedCount) >= cleanShare * float(opaqueCount)) dirty = false;
        if (float(cleanedCount) >= tutorShare * float(opaqueCount) && tutorReached) *tutorReached = true;
      }
      mirror = uint8_t(n);
    }
  }
}

void Wound::Rub(const PixelView& brush, const TVec2& brushCorner, float cleanShare, float tutorShare,
                bool* tutorReached) {
  TextureLock lock(dirtImage);
  if (!lock.ok()) return;
  RubPixels(&lock.view(), brush, brushCorner, cleanShare, tutorShare, tutorReached);
}

void Wound::ApplyAlphaMapTo(PixelView* dirt) const {
  const int w = std::min(dirtSize.x, dirt->width), h = std::min(dirtSize.y, dirt->height);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dirt->SetAlpha(x, y, alphaMap[size_t(y) * size_t(dirtSize.x) + size_t(x)]);
}

void Wound::ApplyAlphaMap() {
  TextureLock lock(dirtImage);
  if (!lock.ok()) return;
  // A picture that could not be read at loading is read now, as the file gave it.
  if (!mapsBuilt) {
    BuildAlphaMapsFrom(lock.view());
    return;
  }
  ApplyAlphaMapTo(&lock.view());
}

void Wound::DirtBack() {
  dirty = true;
  phase = kDirtBack;
  cleanedCount = 0;
  alphaMap = initialAlphaMap;
  // Without a surface now, the display's restore brings the file's picture,
  // which is the dirt as at loading.
  TextureLock lock(dirtImage);
  if (lock.ok() && mapsBuilt) ApplyAlphaMapTo(&lock.view());
}

bool Wound::Step(float dt) {
  if (!needsDisinfection) return false;
  if (phase == kCounting) {
    timer += dt;
    if (timer >= disinfectionTime) {
      phase = kTimeUp;
      timer = disinfectionTime;
    }
    return false;
  }
  if (phase == kTimeUp) {
    if (cleanedCount == 0) return false;
    DirtBack();
    return true;
  }
  return false;
}

// --- The board ---

void WoundsBoard::Build(const WoundsFileData& data, std::vector<Wound> loadedWounds,
                        std::vector<WoundTool> loadedTools, const boost::shared_ptr<TTexture>& brush,
                        const TPoint& brushPixels, float winSeconds) {
  wounds = std::move(loadedWounds);
  tools = std::move(loadedTools);
  brushImage = brush;
  brushSize = brushPixels;
  bitNum = data.bitNum;
  cleanShare = data.cleanShare;
  tutorShare = data.tutorShare;
  for (size_t i = 0; i < wounds.size(); ++i) {
    Wound& w = wounds[i];
    w.dirty = w.needsDisinfection = true;
    w.disinfectionTime = data.disinfectionTime;
    w.timer = 0;
    w.phase = Wound::kCounting;
    if (w.mapsBuilt && w.opaqueCount == 0) {
      TraceOut("Wounds game: wound %zu has no dirt to brush; it starts clean", i);
      w.dirty = false;
    }
  }
  float d = 0;
  for (WoundTool& tool : tools) {
    tool.taken = false;
    tool.imagePosition = TVec2();
    tool.previewPosition = TVec2(data.toolsPos.x + d, data.toolsPos.y);
    d += float(tool.previewSize.x) + float(kWoundToolGap);
  }
  tutorShareReached = mousePressed = brushing = solved = finishStarted = false;
  held = -1;
  winCounter = winSeconds;
}

WoundsBoard::ToolChange WoundsBoard::Press(int x, int y) {
  ToolChange change;
  if (solved) return change;
  lastMouse = TVec2(float(x), float(y));
  mousePressed = true;
  if (held == kDisinfectantTool) {
    for (Wound& w : wounds)
      if (!w.dirty && w.HitWoundImage(x, y)) w.needsDisinfection = false;
  }
  if (held == -1) {
    for (size_t i = 0; i < tools.size(); ++i) {
      WoundTool& tool = tools[i];
      const int left = Truncate(tool.previewPosition.x), top = Truncate(tool.previewPosition.y);
      if (x < left || x >= left + tool.previewSize.x || y < top || y >= top + tool.previewSize.y) continue;
      held = int(i);
      tool.taken = true;
      tool.imagePosition = lastMouse;
      change.taken = true;
      break;
    }
    return change;
  }
  if (y > paneTop) change.putBack = PutBackTool();
  return change;
}

bool WoundsBoard::PutBackTool() {
  if (held < 0 || held >= int(tools.size())) {
    held = -1;
    return false;
  }
  tools[size_t(held)].taken = false;
  held = -1;
  return true;
}

void WoundsBoard::Release() {
  mousePressed = false;
  brushing = false;
}

void WoundsBoard::Move(int x, int y) {
  TextureLock lock(brushImage);
  if (lock.ok()) {
    PixelView view = lock.view();
    view.width = std::min(view.width, brushSize.x);
    view.height = std::min(view.height, brushSize.y);
    MoveWithBrush(x, y, view);
  } else {
    MoveWithBrush(x, y, PixelView());
  }
}

void WoundsBoard::MoveWithBrush(int x, int y, const PixelView& brush) {
  if (solved) return;
  const TVec2 at{float(x), float(y)};
  const TVec2 d = at - lastMouse;
  lastMouse = at;
  if (held >= 0 && held < int(tools.size())) tools[size_t(held)].imagePosition += d;
  brushing = mousePressed && held == kBrushTool;
  brushCorner = TVec2(float(x) - float(brushSize.x) * 0.5f, float(y) - float(brushSize.y) * 0.5f);
  if (brushing) {
    for (Wound& w : wounds) {
      const bool inside = w.ContainsPoint(x, y);
      if (inside) {
        w.phase = Wound::kBrushOver;
        w.timer = 0;
      }
      if (inside && w.dirty) {
        if (brush.pixels) w.Rub(brush, brushCorner, cleanShare, tutorShare, &tutorShareReached);
      } else if (w.phase == Wound::kBrushOver && w.needsDisinfection) {
        w.phase = Wound::kCounting;
      }
    }
    return;
  }
  for (Wound& w : wounds)
    if (w.phase == Wound::kBrushOver && w.needsDisinfection) {
      w.phase = Wound::kCounting;
      w.timer = 0;
    }
}

bool WoundsBoard::CheckSolved(ToolChange* change) {
  if (solved) return false;
  for (const Wound& w : wounds)
    if (w.dirty || w.needsDisinfection) return false;
  if (held >= 0 && held < int(tools.size()) && tools[size_t(held)].taken) {
    tools[size_t(held)].taken = false;
    if (change) change->putBack = true;
  }
  return true;
}

bool WoundsBoard::Skip(ToolChange* change) {
  if (solved) return false;
  for (Wound& w : wounds) w.dirty = w.needsDisinfection = false;
  mousePressed = brushing = false;
  if (held >= 0 && held < int(tools.size()) && tools[size_t(held)].taken) {
    tools[size_t(held)].taken = false;
    if (change) change->putBack = true;
  }
  return true;
}

WoundsBoard::EndStep WoundsBoard::Update(float dt, bool tutorBoxUp, bool isWon, bool closeRequested,
                                         bool logBookOpen, bool* dirtBack, ToolChange* change) {
  if (dirtBack) *dirtBack = false;
  if (!solved) solved = CheckSolved(change);
  if (solved) winCounter -= dt;
  if (!finishStarted && solved && winCounter <= 0 && !logBookOpen) {
    if (!isWon) return EndStep::kStartClosing;
    if (closeRequested) {
      finishStarted = true;
      return EndStep::kFinish;
    }
    return EndStep::kWaiting;
  }
  if (!tutorBoxUp) {
    bool back = false;
    for (Wound& w : wounds) back = w.Step(dt) || back;
    if (dirtBack) *dirtBack = back;
  }
  return EndStep::kPlaying;
}

void WoundsBoard::RefreshTextures() {
  for (Wound& w : wounds) w.ApplyAlphaMap();
}
