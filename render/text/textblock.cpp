#include "render/text/textblock.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/device/displayhandler.h"
#include "render/text/font.h"
#include "render/text/minivecfont.h"
#include "render/renderer.h"
#include "render/textures/texture.h"

namespace {
constexpr int kCaret = -1;
constexpr int kBreak = -2;
constexpr float kPi = 3.14159265358979f;

bool ParseHexColour(const std::string& v, TColor& out) {
  std::string h = v;
  if (!h.empty() && h[0] == '#') h.erase(0, 1);
  if (h.size() != 6 && h.size() != 8) return false;
  for (char c : h) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  uint32_t value = uint32_t(std::strtoul(h.c_str(), nullptr, 16));
  if (h.size() == 6) value |= 0xFF000000u;
  out = TColor(value);
  return true;
}

// The value of attribute `name` in a tag text such as: a id='x'
std::string Attribute(const std::string& tag, const char* name) {
  size_t n = std::strlen(name);
  for (size_t p = tag.find(name); p != std::string::npos; p = tag.find(name, p + 1)) {
    if (p > 0 && !std::isspace(static_cast<unsigned char>(tag[p - 1]))) continue;
    size_t q = p + n;
    while (q < tag.size() && tag[q] == ' ') ++q;
    if (q >= tag.size() || tag[q] != '=') continue;
    ++q;
    while (q < tag.size() && tag[q] == ' ') ++q;
    if (q >= tag.size()) return std::string();
    char quote = tag[q];
    if (quote == '\'' || quote == '"') {
      size_t end = tag.find(quote, q + 1);
      return tag.substr(q + 1, end == std::string::npos ? std::string::npos : end - q - 1);
    }
    size_t end = tag.find(' ', q);
    return tag.substr(q, end == std::string::npos ? std::string::npos : end - q);
  }
  return std::string();
}

TColor ToColour(const TFloatColor& c, float alpha) {
  TFloatColor k = c;
  k.a = c.a * alpha;
  return k.ToColor();
}

bool g_picturesEnabled = true;
uint64_t g_picturesMade = 0;
// A picture's largest side and area; larger drawings stay spans.
constexpr int kMaxPictureSide = 2048;
constexpr int64_t kMaxPicturePixels = int64_t(1) << 21;
}  // namespace

void TTextBlock::SetPicturesEnabled(bool on) { g_picturesEnabled = on; }
bool TTextBlock::GetPicturesEnabled() { return g_picturesEnabled; }
uint64_t TTextBlock::GetPicturesMade() { return g_picturesMade; }

TTextBlock* TTextBlock::Create(const TString& text, int width, int height, int flags, const TString& fontName,
                               int fontSize, const TFloatColor& colour) {
  TTextBlock* block = new TTextBlock();
  block->text_ = text;
  block->width_ = width;
  block->height_ = height;
  block->flags_ = flags;
  block->fontName_ = fontName;
  block->fontSize_ = fontSize;
  block->colour_ = colour;
  block->font_ = GetFont(fontName.IsEmpty() ? TString("__DEFAULT") : fontName);
  block->Layout();
  return block;
}

void TTextBlock::Destroy(TTextBlock* block) { delete block; }

TTextBlock::~TTextBlock() = default;

void TTextBlock::SetText(const TString& text) {
  if (text == text_) return;
  text_ = text;
  Layout();
}

void TTextBlock::SetColor(const TFloatColor& colour) { colour_ = colour; }

void TTextBlock::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  Layout();
}

void TTextBlock::SetRotation(float degrees, int originX, int originY) {
  rotation_ = std::isfinite(degrees) ? degrees : 0;
  rotationX_ = originX;
  rotationY_ = originY;
}

// ------------------------------------------------------------------ layout

void TTextBlock::Parse(std::vector<Item>& items, std::vector<bool>& breakAfter) {
  const std::string& s = text_.str();
  TMiniVecFont* fallback = GetFont("fonts/default.mvec");
  std::vector<int> styleStack = {0};
  auto& styles = styles_;
  auto& links = links_;
  styles.assign(1, Style());
  links.clear();
  auto pushStyle = [&](const Style& st) {
    styles.push_back(st);
    styleStack.push_back(int(styles.size()) - 1);
  };
  auto popStyle = [&]() {
    if (styleStack.size() > 1) styleStack.pop_back();
  };
  auto add = [&](uint32_t code) {
    Item it{};
    it.style = styleStack.back();
    it.code = code;
    it.glyph = font_ ? font_->FindGlyph(code) : -1;
    it.font = font_;
    if (it.glyph < 0 && fallback && fallback != font_) {
      it.glyph = fallback->FindGlyph(code);
      it.font = fallback;
    }
    if (it.glyph < 0) return;  // nothing to show for it
    it.scale = fontSize_ * it.font->GetGlyphScale(it.glyph) * TMiniVecFont::kUnit;
    it.advance = it.font->GetAdvance(it.glyph) * fontSize_ * it.font->GetGlyphScale(it.glyph);
    items.push_back(it);
    breakAfter.push_back(code == ' ');
  };
  auto special = [&](int kind) {
    Item it{};
    it.style = styleStack.back();
    it.glyph = kind;
    it.font = font_;
    items.push_back(it);
    breakAfter.push_back(false);
  };

  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == '<') {
      size_t end = s.find('>', i);
      if (end != std::string::npos) {
        std::string tag = s.substr(i + 1, end - i - 1);
        std::string name = tag.substr(0, tag.find(' '));
        for (char& k : name) k = char(std::tolower(static_cast<unsigned char>(k)));
        bool known = true;
        if (name == "a") {
          Style st = styles[styleStack.back()];
          links.push_back(TString(Attribute(tag, "id")));
          st.link = int(links.size()) - 1;
          pushStyle(st);
        } else if (name == "font") {
          Style st = styles[styleStack.back()];
          TColor colour;
          if (ParseHexColour(Attribute(tag, "color"), colour)) {
            st.colour = colour;
            st.hasColour = true;
          }
          pushStyle(st);
        } else if (name == "u") {
          Style st = styles[styleStack.back()];
          st.underline = true;
          pushStyle(st);
        } else if (name == "/a" || name == "/font" || name == "/u") {
          popStyle();
        } else if (name == "cursor") {
          special(kCaret);
        } else if (name == "br" || name == "br/") {
          special(kBreak);
        } else {
          known = false;
        }
        if (known) {
          i = end + 1;
          continue;
        }
      }
    } else if (c == '&') {
      static const struct {
        const char* text;
        char c;
      } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
      bool done = false;
      for (const auto& e : kEntities) {
        size_t n = std::strlen(e.text);
        if (s.compare(i, n, e.text) == 0) {
          add(uint32_t(e.c));
          i += n;
          done = true;
          break;
        }
      }
      if (done) continue;
    } else if (c == '\n') {
      special(kBreak);
      ++i;
      continue;
    } else if (c == '\r') {
      ++i;
      continue;
    }
    int n = Utf8CharLength(s.c_str() + i);
    if (n <= 0) break;
    uint32_t code = n == 1 ? uint8_t(c) : DecodeUtf8(s.c_str() + i);
    if (code == '\t') code = ' ';
    if (code) add(code);
    i += size_t(n);
  }
}

void TTextBlock::Layout() {
  ++layoutSerial_;
  items_.clear();
  lines_.clear();
  if (!font_) font_ = GetFont("__DEFAULT");
  lineHeight_ = font_->GetLineHeight() * fontSize_;
  baseline_ = font_->GetLineAbove() * fontSize_;
  // Every item takes at least one byte of the text: room for all at once,
  // not copied again and again as a long text grows them.
  std::vector<bool> breakAfter;
  breakAfter.reserve(text_.str().size());
  items_.reserve(text_.str().size());
  Parse(items_, breakAfter);

  const float limit = float(width_) + 0.01f;
  size_t i = 0;
  while (i < items_.size()) {
    Line line;
    line.first = int(i);
    float pen = 0;
    bool started = false;
    int lastBreak = -1;  // index of the item after which the line may break
    size_t j = i;
    for (; j < items_.size(); ++j) {
      Item& it = items_[j];
      if (it.glyph == kBreak) break;
      if (it.glyph == kCaret) {
        it.x = pen;
        continue;
      }
      if (!started) {
        // The ink of the line starts at its left edge.
        pen = -it.font->GetLeft(it.glyph) * it.scale / TMiniVecFont::kUnit;
        started = true;
      }
      // A glyph fits when its ink ends inside the width.
      float ink = pen + it.font->GetRight(it.glyph) * it.scale / TMiniVecFont::kUnit;
      if (ink > limit && j > i && it.code != ' ') {
        if (lastBreak >= 0) {
          j = size_t(lastBreak) + 1;
        }
        break;
      }
      it.x = pen;
      pen += it.advance;
      if (breakAfter[j]) lastBreak = int(j);
    }
    line.last = int(j);
    // Ink width: up to the right ink of the last glyph that is not a space.
    for (int k = line.last - 1; k >= line.first; --k) {
      const Item& it = items_[k];
      if (it.glyph < 0 || it.code == ' ') continue;
      line.width = it.x + it.font->GetRight(it.glyph) * it.scale / TMiniVecFont::kUnit;
      break;
    }
    int h = flags_ & 3;
    if (h == 1) line.offsetX = (width_ - line.width) / 2;
    if (h == 2) line.offsetX = width_ - line.width;
    lines_.push_back(line);
    i = j;
    if (i < items_.size() && items_[i].glyph == kBreak) {
      ++i;
      if (i == items_.size()) {
        Line empty;
        empty.first = empty.last = int(i);
        lines_.push_back(empty);
      }
    }
  }
}

float TTextBlock::VerticalOffset(float scale, int padding) const {
  int v = (flags_ >> 2) & 3;
  if (v == 0) return 0;
  int first = std::min(std::max(int(scroll_), 0), int(lines_.size()));
  float total = (lineHeight_ + padding) * scale * float(int(lines_.size()) - first);
  float room = height_ * scale - total;
  if (room <= 0) return 0;
  return v == 1 ? room / 2 : room;
}

float TTextBlock::LineTop(int line, float scale, int padding) const {
  int first = std::max(int(scroll_), 0);
  return VerticalOffset(scale, padding) + (line - first) * (lineHeight_ + padding) * scale;
}

int TTextBlock::GetLinesFittingFromEnd(float scale, int padding) const {
  float used = 0;
  for (int k = int(lines_.size()) - 1; k >= 0; --k) {
    used += (lineHeight_ + padding) * scale;
    if (used > height_ + 0.001f) return k + 1;
  }
  return 0;
}

void TTextBlock::GetTextBounds(TRect& out, float scale) const {
  out = TRect();
  int first = std::max(int(scroll_), 0);
  bool any = false;
  float l = 0, t = 0, r = 0, b = 0;
  for (int k = first; k < int(lines_.size()); ++k) {
    const Line& line = lines_[k];
    float top = LineTop(k, scale, 0);
    float ll = line.offsetX * scale, rr = (line.offsetX + line.width) * scale, bb = top + lineHeight_ * scale;
    if (!any) {
      l = ll, t = top, r = rr, b = bb;
      any = true;
    }
    l = std::min(l, ll);
    r = std::max(r, rr);
    t = std::min(t, top);
    b = std::max(b, bb);
  }
  if (!any) return;
  if (rotation_ != 0) {
    float a = rotation_ * kPi / 180, c = std::cos(a), s = std::sin(a);
    float ox = rotationX_ * scale, oy = rotationY_ * scale;
    float xs[4] = {l, r, l, r}, ys[4] = {t, t, b, b};
    float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
    for (int k = 0; k < 4; ++k) {
      float dx = xs[k] - ox, dy = ys[k] - oy;
      float x = ox + dx * c - dy * s, y = oy + dx * s + dy * c;
      minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    l = minX, t = minY, r = maxX, b = maxY;
  }
  // A little slack so that rounding in the turn does not widen the rectangle.
  out = TRect(int32_t(std::floor(l + 1e-3f)), int32_t(std::floor(t + 1e-3f)), int32_t(std::ceil(r - 1e-3f)),
              int32_t(std::ceil(b - 1e-3f)));
}

// ------------------------------------------------------------------ links

bool TTextBlock::ToBlock(const TPoint& point, float& x, float& y) const {
  x = float(point.x);
  y = float(point.y);
  if (rotation_ != 0) {
    float a = -rotation_ * kPi / 180, c = std::cos(a), s = std::sin(a);
    float dx = x - rotationX_, dy = y - rotationY_;
    x = rotationX_ + dx * c - dy * s;
    y = rotationY_ + dx * s + dy * c;
  }
  return true;
}

TString TTextBlock::GetLinkAt(const TPoint& point, int padding) const {
  if (links_.empty()) return TString();
  float x, y;
  ToBlock(point, x, y);
  int first = std::max(int(scroll_), 0);
  for (int k = first; k < int(lines_.size()); ++k) {
    float top = LineTop(k, 1.0f, padding);
    if (y < top || y >= top + lineHeight_ + padding) continue;
    const Line& line = lines_[k];
    for (int i = line.first; i < line.last; ++i) {
      const Item& it = items_[i];
      if (it.glyph < 0) continue;
      float gx = line.offsetX + it.x;
      if (x >= gx && x < gx + it.advance) {
        int link = styles_[it.style].link;
        return link >= 0 ? links_[link] : TString();
      }
    }
    return TString();
  }
  return TString();
}

bool TTextBlock::UpdateHoverLink(const TPoint* point, int padding) {
  TString now = point ? GetLinkAt(*point, padding) : TString();
  if (now == hover_) return false;
  hover_ = now;
  return true;
}

// ------------------------------------------------------------------ drawing

void TTextBlock::Draw(const TVec2& position, float heightLimit, float alpha, int flags, float scale,
                      const boost::shared_ptr<TTexture>& target) {
  target_ = target ? Target::kTexture : Target::kScreen;
  texture_ = target;
  DrawLines(position, heightLimit, alpha, flags, scale, 0);
  texture_.reset();
}

void TTextBlock::DrawAt(const TRect& rect, float scale, int padding, float alpha, TTextBlockExtraDraw* extra) {
  target_ = Target::kScreen;
  TVec2 topLeft(float(rect.left), float(rect.top));
  DrawLines(topLeft, float(height_) * scale, alpha, 0, scale, padding);
  if (extra) extra->DrawExtra(*this, topLeft, scale, alpha);
}

void TTextBlock::DrawToPixels(const TMiniVecPixels& pixels, const TVec2& position, float heightLimit, float alpha,
                              int flags, float scale, int padding) {
  target_ = Target::kPixels;
  pixels_ = pixels;
  DrawLines(position, heightLimit, alpha, flags, scale, padding);
  pixels_ = TMiniVecPixels();
}

void TTextBlock::DrawLines(const TVec2& position, float heightLimit, float alpha, int flags, float scale,
                           int padding) {
  if (!(alpha > 0) || !(scale > 0) || lines_.empty()) return;
  TKnMiniVecDraw* draw = GetMiniVecDraw();
  if (target_ == Target::kScreen && g_picturesEnabled && !draw->HasLineSink()) {
    PictureKey key;
    key.layout = layoutSerial_;
    key.colour = colour_;
    key.rotation = rotation_;
    key.rotationX = rotationX_;
    key.rotationY = rotationY_;
    key.scroll = scroll_;
    key.hover = hover_;
    key.x = position.x;
    key.y = position.y;
    key.heightLimit = heightLimit;
    key.alpha = alpha;
    key.scale = scale;
    key.padding = padding;
    key.drawer = draw->GetStateSerial();
    if (DrawFromPicture(key, position, heightLimit, alpha, scale, padding)) return;
  }
  switch (target_) {
    case Target::kPixels:
      draw->Begin(position.x, position.y, pixels_);
      break;
    case Target::kTexture:
      draw->Begin(position.x, position.y, texture_);
      break;
    default:
      draw->Begin(position.x, position.y);
      break;
  }
  draw->SetTargetMode((flags & kDrawCopy) ? TKnMiniVecDraw::kModeCopy
                                          : (flags & kDrawAccumulate) ? TKnMiniVecDraw::kModeAccumulate
                                                                      : TKnMiniVecDraw::kModeBlend);
  EmitLines(draw, position, heightLimit, alpha, scale, padding);
  draw->Flush();
}

void TTextBlock::EmitLines(TKnMiniVecDraw* draw, const TVec2& position, float heightLimit, float alpha, float scale,
                           int padding) {
  const float angle = rotation_;
  const float ca = std::cos(angle * kPi / 180), sa = std::sin(angle * kPi / 180);
  const float ox = rotationX_ * scale, oy = rotationY_ * scale;
  auto place = [&](float x, float y, int& qx, int& qy) {
    if (angle != 0) {
      float dx = x - ox, dy = y - oy;
      x = ox + dx * ca - dy * sa;
      y = oy + dx * sa + dy * ca;
    }
    qx = int(std::floor(x * 4 + 0.5f));
    qy = int(std::floor(y * 4 + 0.5f));
  };
  const TColor base = ToColour(colour_, alpha);
  float currentScale = -1;
  const int first = std::max(int(scroll_), 0);
  for (int k = first; k < int(lines_.size()); ++k) {
    float top = LineTop(k, scale, padding);
    if (top + lineHeight_ * scale > heightLimit + 0.5f) break;
    const Line& line = lines_[k];
    // Baselines on whole pixels: sharper text, and a quarter of the glyph
    // rasterisations (only the x position keeps its quarter-pixel phase).
    float baseline = std::floor(position.y + top + baseline_ * scale + 0.5f) - position.y;
    for (int i = line.first; i < line.last; ++i) {
      const Item& it = items_[i];
      const Style& st = styles_[it.style];
      TColor colour = base;
      if (st.hasColour) {
        colour = st.colour;
        colour.SetAlpha(uint8_t(std::min(255.0f, st.colour.GetAlpha() * colour_.a * alpha + 0.5f)));
      }
      // Every glyph: an outline may define colour 1 itself.
      draw->SetColor(1, colour);
      float x = (line.offsetX + it.x) * scale;
      if (it.glyph == kCaret) {
        int w = std::max(4, int(fontSize_ * scale / 3));  // quarter pixels
        int y0 = int(std::floor((baseline - font_->GetAscent() * fontSize_ * scale) * 4));
        int y1 = int(std::ceil((baseline + font_->GetDescent() * fontSize_ * scale) * 4));
        int qx = int(std::floor(x * 4));
        for (int y = y0; y < y1; y += 4) draw->DrawSpan(qx, qx + w, y);
        continue;
      }
      if (it.glyph < 0) continue;
      if (it.scale * scale != currentScale) {
        currentScale = it.scale * scale;
        draw->SetTransform(currentScale, currentScale, angle, false);
      }
      int qx, qy;
      place(x, baseline, qx, qy);
      draw->DrawGlyph(*it.font, it.glyph, qx, qy);
      bool underline = st.underline || (st.link >= 0 && !hover_.IsEmpty() && links_[st.link] == hover_);
      if (underline && angle == 0) {
        float uy = baseline + fontSize_ * scale * 0.1f;
        int rows = std::max(1, int(fontSize_ * scale / 14 + 0.5f));
        int x0 = int(std::floor(x * 4)), x1 = int(std::floor((x + it.advance * scale) * 4));
        for (int r = 0; r < rows; ++r) draw->DrawSpan(x0, x1, int(std::floor(uy * 4)) + r * 4);
      }
    }
  }
}

// ------------------------------------------------------------------ pictures

bool TTextBlock::PictureKey::operator==(const PictureKey& o) const {
  return layout == o.layout && colour.r == o.colour.r && colour.g == o.colour.g && colour.b == o.colour.b &&
         colour.a == o.colour.a && rotation == o.rotation && rotationX == o.rotationX && rotationY == o.rotationY &&
         scroll == o.scroll && hover == o.hover && x == o.x && y == o.y && heightLimit == o.heightLimit &&
         alpha == o.alpha && scale == o.scale && padding == o.padding && drawer == o.drawer;
}

bool TTextBlock::Picture::Valid() const {
  TTextureData* data = texture ? texture->GetData() : nullptr;
  return data && data->HasSurface() && data->surfaceSerial == surfaceSerial;
}

bool TTextBlock::DrawFromPicture(const PictureKey& key, const TVec2& position, float heightLimit, float alpha,
                                 float scale, int padding) {
  // The picture is blended as the spans would be only on a 32-bit display
  // drawn at its own scale.
  TDisplayHandler* display = GetDisplayHandler();
  if (!display || display->Data().sixteenBitMode || display->GetViewportScale() != 1.0f ||
      !TRenderer::GetInstance()->IsDrawing())
    return false;
  ++pictureClock_;
  Picture* p = nullptr;
  for (Picture& q : pictures_)
    if (q.used && q.key == key) p = &q;
  if (!p) {
    // Seen the first time: remembered in place of the older entry, drawn as spans.
    Picture& old = pictures_[0].lastUse <= pictures_[1].lastUse ? pictures_[0] : pictures_[1];
    old = Picture();
    old.used = true;
    old.key = key;
    old.lastUse = pictureClock_;
    return false;
  }
  p->lastUse = pictureClock_;
  if (p->refused) return false;
  if (!p->Valid()) {
    // The spans, caught on their way to the screen.
    TKnMiniVecDraw* draw = GetMiniVecDraw();
    draw->Flush();
    std::vector<TMiniVecVertex> lines;
    draw->SetLineSink([&lines](const TMiniVecVertex* v, int n) { lines.insert(lines.end(), v, v + n); });
    draw->Begin(position.x, position.y);
    draw->SetTargetMode(TKnMiniVecDraw::kModeBlend);
    EmitLines(draw, position, heightLimit, alpha, scale, padding);
    draw->Flush();
    draw->SetLineSink(nullptr);
    if (!MakePicture(*p, lines)) {
      p->refused = true;
      draw->DrawLineList(lines.data(), int(lines.size()));
      return true;
    }
  }
  ShowPicture(*p);
  return true;
}

bool TTextBlock::MakePicture(Picture& p, const std::vector<TMiniVecVertex>& lines) {
  p.texture.reset();
  p.extra.clear();
  if (lines.empty()) {
    p.width = p.height = 0;
    return true;
  }
  float x0 = lines[0].x, x1 = lines[0].x, y0 = lines[0].y, y1 = lines[0].y;
  for (const TMiniVecVertex& v : lines) {
    x0 = std::min(x0, v.x);
    x1 = std::max(x1, v.x);
    y0 = std::min(y0, v.y);
    y1 = std::max(y1, v.y);
  }
  if (!(x1 - x0 <= kMaxPictureSide && y1 - y0 < kMaxPictureSide)) return false;
  p.x = int(x0);
  p.y = int(y0);
  p.width = int(x1) - p.x;
  p.height = int(y1) - p.y + 1;
  if (p.width <= 0 || int64_t(p.width) * p.height > kMaxPicturePixels) return false;
  // Each pixel takes the first span over it; spans over pixels already
  // covered are kept to be drawn after the picture, in their order.
  std::vector<uint32_t> pixels(size_t(p.width) * size_t(p.height), 0);
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    const TMiniVecVertex& a = lines[i];
    int left = int(a.x) - p.x, right = int(lines[i + 1].x) - p.x, row = int(a.y) - p.y;
    uint32_t* line = &pixels[size_t(row) * size_t(p.width)];
    int from = -1;
    for (int x = left; x <= right; ++x) {
      bool covered = x < right && line[x] != 0;
      if (x < right && !covered) line[x] = a.diffuse;
      if (covered && from < 0) from = x;
      if (!covered && from >= 0) {
        p.extra.push_back({float(from + p.x), a.y, 0.0f, 1.0f, a.diffuse});
        p.extra.push_back({float(x + p.x), a.y, 0.0f, 1.0f, a.diffuse});
        from = -1;
      }
    }
  }
  p.texture = TTexture::CreateBlank(uint32_t(p.width), uint32_t(p.height), false);
  uint32_t* dst = nullptr;
  uint32_t pitch = 0;
  if (!p.texture || !p.texture->Lock(&dst, &pitch)) {
    p.texture.reset();
    return false;
  }
  for (int y = 0; y < p.height; ++y)
    std::memcpy(dst + size_t(y) * pitch, &pixels[size_t(y) * size_t(p.width)], size_t(p.width) * 4);
  p.texture->Unlock();
  p.surfaceSerial = p.texture->GetData()->surfaceSerial;
  ++g_picturesMade;
  return true;
}

void TTextBlock::ShowPicture(const Picture& p) {
  TRenderer* r = TRenderer::GetInstance();
  if (p.texture) {
    uint32_t aw = 0, ah = 0;
    p.texture->GetAllocatedSize(&aw, &ah);
    const float left = float(p.x), top = float(p.y), right = float(p.x + p.width), bottom = float(p.y + p.height);
    const float u = float(p.width) / float(aw), v = float(p.height) / float(ah);
    TScreenVertex quad[4] = {{left, top, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                             {right, top, 0, 1, 0xFFFFFFFFu, 0, u, 0},
                             {right, bottom, 0, 1, 0xFFFFFFFFu, 0, u, v},
                             {left, bottom, 0, 1, 0xFFFFFFFFu, 0, 0, v}};
    r->SetTexture(p.texture);
    TVertexSet* set = MakeVertexSet3(quad, 4);
    r->DrawVertices(kPrimTriangleFan, set);
    FreeVertexSet(set);
    r->SetTexture(TTextureRef());
  }
  GetMiniVecDraw()->DrawLineList(p.extra.data(), int(p.extra.size()));
}
