#include "game/minigames/mg05mosaic.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/log.h"
#include "render/textures/texture.h"

namespace {

constexpr int kLargestTutorScreen = 100000;
// Screen coordinates are kept within this before they become integers.
constexpr float kLargestCoordinate = 1.0e8f;

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return std::string();
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

int ToInt(float v) {
  if (!(v == v)) return 0;
  return int(std::max(-kLargestCoordinate, std::min(kLargestCoordinate, v)));
}

int Quarter(int rotation) { return ((rotation % 4) + 4) % 4; }

}  // namespace

// --- The file ---

bool ReadMosaicStates(const char* text, std::vector<int>* out) {
  out->clear();
  if (!text) return true;
  std::vector<std::string> items;
  SplitString(text, ';', items);
  bool good = true;
  for (const std::string& raw : items) {
    const std::string item = Trim(raw);
    if (item.empty()) continue;
    char* end = nullptr;
    const long v = std::strtol(item.c_str(), &end, 10);
    if (end == item.c_str() || *end != '\0' || v < 0 || v > 3) {
      good = false;
      continue;
    }
    out->push_back(int(v));
  }
  return good;
}

bool ReadMosaicFile(const TiXmlElement* root, const TiXmlElement* common, MosaicFileData* out, TString* why) {
  MosaicFileData data;
  ReadMGInt(common, "startMessageNum", &data.startMessageNum, -1, kLargestTutorScreen);
  ReadMGInt(common, "finMessageNum", &data.finMessageNum, -1, kLargestTutorScreen);
  data.board = ReadMGText(common, "mosaic_back");
  if (common->Attribute("mosaic_pos") && !ReadMGVec2(common, "mosaic_pos", &data.boardPos))
    TraceOut("Mosaic game: \"mosaic_pos\" should be \"x, y\" (got \"%s\"); the board stands at %g, %g",
             common->Attribute("mosaic_pos"), double(data.boardPos.x), double(data.boardPos.y));

  const TiXmlElement* types = root->FirstChildElement("Types");
  if (!types) {
    *why = "it has no \"Types\" element";
    return false;
  }
  for (const TiXmlElement* t = types->FirstChildElement("Type"); t; t = t->NextSiblingElement("Type")) {
    if (int(data.types.size()) >= kMaxMosaicTypes) {
      TraceOut("Mosaic game: only the first %d types are used", kMaxMosaicTypes);
      break;
    }
    MosaicTypeNames type;
    ReadMGInt(t, "num", &type.num, -kLargestTutorScreen, kLargestTutorScreen);
    type.img = ReadMGText(t, "img");
    type.preview = ReadMGText(t, "preview");
    if (type.img.IsEmpty() || type.preview.IsEmpty()) {
      *why = TString::Printf("type %zu has no \"img\" or no \"preview\"", data.types.size());
      return false;
    }
    data.types.push_back(type);
  }

  const TiXmlElement* mosaic = root->FirstChildElement("Mosaic");
  if (!mosaic) {
    *why = "it has no \"Mosaic\" element";
    return false;
  }
  int index = 0;
  for (const TiXmlElement* p = mosaic->FirstChildElement("Part"); p; p = p->NextSiblingElement("Part"), ++index) {
    if (int(data.parts.size()) >= kMaxMosaicParts) {
      TraceOut("Mosaic game: only the first %d parts are used", kMaxMosaicParts);
      break;
    }
    MosaicPartData part;
    part.type = -1;
    ReadMGInt(p, "type_num", &part.type, -1, kMaxMosaicTypes);
    if (part.type < 0 || part.type >= int(data.types.size())) {
      TraceOut("Mosaic game: part %d names no type of the file (\"type_num\" \"%s\"); it is left out", index,
               p->Attribute("type_num") ? p->Attribute("type_num") : "");
      continue;
    }
    if (!ReadMGVec2(p, "pos", &part.pos)) {
      TraceOut("Mosaic game: part %d has no \"pos\" \"x, y\"; it is left out", index);
      continue;
    }
    if (!ReadMosaicStates(p->Attribute("state"), &part.states))
      TraceOut("Mosaic game: part %d: \"state\" \"%s\" holds turns other than 0 to 3; they are dropped", index,
               p->Attribute("state"));
    if (part.states.empty())
      TraceOut("Mosaic game: part %d accepts no turn: only the skip can finish the mosaic", index);
    data.parts.push_back(part);
  }
  *out = data;
  return true;
}

// --- Geometry ---

void MosaicGeometry(const TVec2& position, int rotation, float w, float h, TVec2* origin, TVec2* bounds) {
  const TVec2 c = position + TVec2(w / 2, h / 2);
  switch (Quarter(rotation)) {
    case 0:
      *origin = position;
      *bounds = position;
      break;
    case 1:
      *origin = TVec2(c.x + h / 2, c.y - w / 2);
      *bounds = TVec2(c.x - h / 2, c.y - w / 2);
      break;
    case 2:
      *origin = TVec2(c.x + w / 2, c.y + h / 2);
      *bounds = position;
      break;
    default:
      *origin = TVec2(c.x - h / 2, c.y + w / 2);
      *bounds = TVec2(c.x - h / 2, c.y - w / 2);
      break;
  }
}

TRect MosaicCoveredRect(const TVec2& o, int rotation, float w, float h) {
  switch (Quarter(rotation)) {
    case 0: return TRect(ToInt(o.x), ToInt(o.y), ToInt(o.x + w), ToInt(o.y + h));
    case 1: return TRect(ToInt(o.x - h), ToInt(o.y), ToInt(o.x), ToInt(o.y + w));
    case 2: return TRect(ToInt(o.x - w), ToInt(o.y - h), ToInt(o.x), ToInt(o.y));
    default: return TRect(ToInt(o.x), ToInt(o.y - w), ToInt(o.x + h), ToInt(o.y));
  }
}

bool MosaicSlot::Accepts(int rotation) const {
  return std::find(states.begin(), states.end(), rotation) != states.end();
}

// --- The board ---

bool MosaicBoard::TextureOpaqueAt(const boost::shared_ptr<TTexture>& picture, int u, int v) {
  if (!picture) return true;
  uint32_t* pixels = nullptr;
  uint32_t pitch = 0;
  if (!picture->Lock(&pixels, &pitch)) return true;
  bool opaque = true;
  if (u >= 0 && v >= 0 && uint32_t(u) < picture->GetWidth() && uint32_t(v) < picture->GetHeight())
    opaque = (pixels[size_t(v) * pitch + size_t(u)] >> 24) != 0;
  picture->Unlock();
  return opaque;
}

void MosaicBoard::Build(const MosaicFileData& data, const std::vector<MosaicType>& loadedTypes,
                        const TVec2& trayStartPos, float winSeconds) {
  types = loadedTypes;
  boardPosition = boardSlideStart = data.boardPos;
  trayStart = trayStartPos;
  slots.clear();
  pieces.clear();
  for (const MosaicPartData& part : data.parts) {
    if (part.type < 0 || part.type >= int(types.size())) continue;
    MosaicSlot slot;
    slot.type = part.type;
    slot.states = part.states;
    slot.position = part.pos + boardPosition;
    slots.push_back(slot);
  }
  for (size_t i = 0; i < slots.size(); ++i) {
    MosaicPiece piece;
    piece.type = slots[i].type;
    piece.depth = int(i);
    pieces.push_back(piece);
  }
  for (int j = 0; j < int(pieces.size()); ++j) PutInTray(j);
  held = -1;
  winPhase = 0;
  slideTime = 0;
  solved = false;
  finishStarted = false;
  winCounter = winSeconds;
}

TPoint MosaicBoard::ImageSize(int j) const { return types[size_t(pieces[size_t(j)].type)].imageSize; }
TPoint MosaicBoard::PreviewSize(int j) const { return types[size_t(pieces[size_t(j)].type)].previewSize; }

TVec2 MosaicBoard::GetTrayPosition(int j) const {
  float x = trayStart.x;
  for (int k = 0; k < j && k < int(pieces.size()); ++k) x += float(PreviewSize(k).x) + float(kMosaicTrayGap);
  return TVec2(x, trayStart.y);
}

void MosaicBoard::PutInTray(int j) {
  MosaicPiece& piece = pieces[size_t(j)];
  piece.position = GetTrayPosition(j);
  piece.inTray = true;
  piece.rotation = 0;
  UpdateGeometry(j);
}

void MosaicBoard::UpdateGeometry(int j) {
  MosaicPiece& piece = pieces[size_t(j)];
  const TPoint size = piece.inTray ? PreviewSize(j) : ImageSize(j);
  MosaicGeometry(piece.position, piece.rotation, float(size.x), float(size.y), &piece.origin, &piece.bounds);
}

TRect MosaicBoard::GetPieceRect(int j) const {
  const MosaicPiece& piece = pieces[size_t(j)];
  const TPoint size = ImageSize(j);
  TVec2 origin, bounds;
  MosaicGeometry(piece.position, piece.rotation, float(size.x), float(size.y), &origin, &bounds);
  return MosaicCoveredRect(origin, piece.rotation, float(size.x), float(size.y));
}

void MosaicBoard::SetPieceDepth(int j, int depth) {
  const int old = pieces[size_t(j)].depth;
  for (MosaicPiece& other : pieces) {
    if (depth > old && other.depth > old && other.depth <= depth) --other.depth;
    if (depth < old && other.depth >= depth && other.depth < old) ++other.depth;
  }
  pieces[size_t(j)].depth = depth;
}

bool MosaicBoard::HitTestPiece(int j, const TPoint& p, bool preview) const {
  const MosaicPiece& piece = pieces[size_t(j)];
  const MosaicType& type = types[size_t(piece.type)];
  const TPoint size = preview ? type.previewSize : type.imageSize;
  const float w = float(size.x), h = float(size.y);
  const float x = float(p.x), y = float(p.y);
  const TVec2& o = piece.origin;
  const int r = Quarter(piece.rotation);
  // The covered rectangle, edges included.
  float left = o.x, top = o.y, right = o.x + w, bottom = o.y + h;
  if (r == 1) left = o.x - h, right = o.x, bottom = o.y + w;
  if (r == 2) left = o.x - w, top = o.y - h, right = o.x, bottom = o.y;
  if (r == 3) top = o.y - w, right = o.x + h, bottom = o.y;
  if (x < left || x > right || y < top || y > bottom) return false;
  const float dx = std::fabs(x - o.x), dy = std::fabs(y - o.y);
  const float u = (r == 1 || r == 3) ? dy : dx;
  const float v = (r == 1 || r == 3) ? dx : dy;
  if (!(u > 0 && u < w && v > 0 && v < h)) return false;
  return opaqueAt(preview ? type.preview : type.image, int(u), int(v));
}

MosaicBoard::PressResult MosaicBoard::Press(const TPoint& p) {
  PressResult result;
  if (solved) return result;
  lastMouse = TVec2(float(p.x), float(p.y));
  const int n = int(pieces.size());
  if (held != -1) {
    const int j = held;
    MosaicPiece& piece = pieces[size_t(j)];
    held = -1;
    result.dropped = true;
    if (GetPieceRect(j).top >= paneTop) {
      PutInTray(j);
      return result;
    }
    for (const MosaicSlot& slot : slots) {
      if (slot.type != piece.type || !slot.Accepts(piece.rotation)) continue;
      if (std::fabs(slot.position.x - piece.bounds.x) > kMosaicSnapDistance ||
          std::fabs(slot.position.y - piece.bounds.y) > kMosaicSnapDistance)
        continue;
      piece.position += slot.position - piece.bounds;
      UpdateGeometry(j);
      // The bounds are the place itself, so rounding can never part them.
      piece.bounds = slot.position;
      SetPieceDepth(j, n - 1);
      result.snapped = true;
      return result;
    }
    return result;
  }
  for (int j = 0; j < n; ++j) {
    MosaicPiece& piece = pieces[size_t(j)];
    if (!piece.inTray || !HitTestPiece(j, p, true)) continue;
    const TPoint pv = PreviewSize(j), im = ImageSize(j);
    held = j;
    SetPieceDepth(j, 0);
    piece.inTray = false;
    piece.position += TVec2(float(pv.x / 2 - im.x / 2), float(pv.y / 2 - im.y / 2));
    UpdateGeometry(j);
    result.pickedUp = true;
    return result;
  }
  std::vector<int> order(size_t(n), -1);
  for (int j = 0; j < n; ++j) {
    const int d = pieces[size_t(j)].depth;
    if (d >= 0 && d < n) order[size_t(d)] = j;
  }
  for (int j : order) {
    if (j < 0 || pieces[size_t(j)].inTray || !HitTestPiece(j, p, false)) continue;
    held = j;
    SetPieceDepth(j, 0);
    result.pickedUp = true;
    return result;
  }
  return result;
}

void MosaicBoard::Move(const TPoint& p) {
  if (solved) return;
  const TVec2 at{float(p.x), float(p.y)};
  if (held != -1) {
    pieces[size_t(held)].position += at - lastMouse;
    UpdateGeometry(held);
  }
  lastMouse = at;
}

bool MosaicBoard::Turn() {
  if (held == -1) return false;
  MosaicPiece& piece = pieces[size_t(held)];
  piece.rotation = (piece.rotation + 1) % 4;
  UpdateGeometry(held);
  return true;
}

bool MosaicBoard::IsSolved() {
  if (held != -1) return false;
  for (MosaicSlot& slot : slots) slot.free = true;
  for (const MosaicPiece& piece : pieces) {
    if (piece.inTray) return false;
    bool found = false;
    for (MosaicSlot& slot : slots) {
      if (!slot.free || slot.position != piece.bounds || slot.type != piece.type || !slot.Accepts(piece.rotation))
        continue;
      slot.free = false;
      found = true;
      break;
    }
    if (!found) return false;
  }
  return true;
}

bool MosaicBoard::Skip(bool* dropped) {
  if (dropped) *dropped = false;
  if (solved || winPhase != 0) return false;
  if (held != -1) {
    held = -1;
    if (dropped) *dropped = true;
  }
  for (MosaicSlot& slot : slots) slot.free = true;
  for (MosaicPiece& piece : pieces) piece.placedBySkip = false;
  for (int j = 0; j < int(pieces.size()); ++j) {
    MosaicPiece& piece = pieces[size_t(j)];
    for (MosaicSlot& slot : slots) {
      if (slot.type != piece.type || !slot.free || piece.placedBySkip || slot.states.empty()) continue;
      piece.inTray = false;
      slot.free = false;
      piece.rotation = slot.states.back();
      // The turned picture's bounds go on the place (for a piece that is not
      // square its unturned corner would lie elsewhere).
      piece.position = slot.position;
      UpdateGeometry(j);
      piece.position += slot.position - piece.bounds;
      UpdateGeometry(j);
      piece.bounds = slot.position;
      piece.placedBySkip = true;
    }
  }
  solved = true;
  return true;
}

void MosaicBoard::StepWinSlide(float dt, float shiftSign) {
  slideTime += dt;
  if (slideTime >= kMosaicSlideTime) {
    slideTime = kMosaicSlideTime;
    winPhase = 2;
    winCounter -= dt;
  }
  const float f = slideTime / kMosaicSlideTime;
  const float shift = shiftSign * boardWidth / kMosaicSlideDivisor * f;
  boardPosition = boardSlideStart + TVec2(shift, 0);
  for (int j = 0; j < int(pieces.size()); ++j) {
    pieces[size_t(j)].position = pieces[size_t(j)].slideStart + TVec2(shift, 0);
    UpdateGeometry(j);
  }
}

MosaicBoard::EndStep MosaicBoard::Update(float dt, float shiftSign, bool isWon, bool closeRequested,
                                         bool logBookOpen) {
  if (winPhase == 1) StepWinSlide(dt, shiftSign);
  if (!solved) solved = IsSolved();
  if (solved && winPhase == 0) {
    winPhase = 1;
    slideTime = 0;
    boardSlideStart = boardPosition;
    for (MosaicPiece& piece : pieces) piece.slideStart = piece.position;
  }
  if (winPhase == 2) winCounter -= dt;
  if (solved && !finishStarted && winCounter <= 0 && winPhase == 2 && !logBookOpen) {
    if (!isWon) return EndStep::kStartClosing;
    if (closeRequested) {
      finishStarted = true;
      return EndStep::kFinish;
    }
    return EndStep::kWaiting;
  }
  return EndStep::kPlaying;
}
