// render/text: vector fonts, their rasteriser, text layout and text sprites.
// TTextBlock: a text laid out in a box with a vector font, a size, a colour
// and an alignment, with a small markup (docs/textmarkup.md): links, colour
// runs, underlines, a caret and line breaks. It answers layout questions
// (line count, lines that fit, bounds, the link under a point) and draws its
// lines through the glyph drawer onto the screen, a render target, a texture
// or raw pixels. Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/string.h"
#include "render/text/minivecdraw.h"

class TMiniVecFont;
class TTexture;
class TTextBlock;

// Optional extra drawing after a block drew its lines (DrawAt).
class TTextBlockExtraDraw {
public:
  virtual ~TTextBlockExtraDraw() = default;
  virtual void DrawExtra(const TTextBlock& block, const TVec2& topLeft, float scale, float alpha) = 0;
};

class TTextBlock {
public:
  // Alignment: horizontal (0 left, 1 centre, 2 right) plus 4 x vertical
  // (0 top, 1 centre, 2 bottom).
  static constexpr int kHAlignCenter = 1, kHAlignRight = 2, kVAlignCenter = 4, kVAlignBottom = 8;
  // Draw flags for texture targets: copy writes colour and alpha, accumulate merges alpha.
  static constexpr int kDrawCopy = 1, kDrawAccumulate = 2;

  static TTextBlock* Create(const TString& text, int width, int height, int flags, const TString& fontName,
                            int fontSize, const TFloatColor& colour);
  static void Destroy(TTextBlock* block);

  void SetText(const TString& text);
  void SetColor(const TFloatColor& colour);
  void SetSize(int width, int height);
  void SetRotation(float degrees, int originX, int originY);
  const TString& GetText() const { return text_; }
  const TFloatColor& GetColor() const { return colour_; }
  const TString& GetFontName() const { return fontName_; }
  int GetFontSize() const { return fontSize_; }
  int GetFlags() const { return flags_; }
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  float GetRotation() const { return rotation_; }

  // The first visible line (a float line index; drawing starts at its integer part).
  float GetScroll() const { return scroll_; }
  void SetScroll(float line) { scroll_ = line; }

  // Draws the lines with the block's top-left at `position`; lines reaching
  // below `heightLimit` pixels are not drawn; nothing at alpha 0. `target`
  // draws into a texture instead of the screen.
  void Draw(const TVec2& position, float heightLimit, float alpha, int flags, float scale,
            const boost::shared_ptr<TTexture>& target = boost::shared_ptr<TTexture>());
  // The block at the rectangle's top-left, limited to the block's height.
  void DrawAt(const TRect& rect, float scale, int padding, float alpha, TTextBlockExtraDraw* extra = nullptr);
  // The same into raw 32-bit pixels.
  void DrawToPixels(const TMiniVecPixels& pixels, const TVec2& position, float heightLimit, float alpha, int flags,
                    float scale, int padding = 0);

  // The id of the link under a point in block pixels, empty when none.
  TString GetLinkAt(const TPoint& point, int padding) const;
  // Highlights the link under the point (null: none); true when that changed.
  bool UpdateHoverLink(const TPoint* point, int padding);
  const TString& GetHoverLink() const { return hover_; }

  int GetLineCount() const { return int(lines_.size()); }
  // Walking back from the last line, the first line from which every
  // remaining line ((line height + padding) x scale) fits in the height.
  int GetLinesFittingFromEnd(float scale, int padding) const;
  // The bounding rectangle of the text from the first visible line.
  void GetTextBounds(TRect& out, float scale) const;
  // Line height in pixels (without padding).
  float GetLineHeight() const { return lineHeight_; }

  // Drawing on the screen keeps a picture of each of the last two drawings
  // seen twice unchanged (the same text, layout, colour, alpha, scale,
  // rotation, position and scroll): the next such drawings blend the picture
  // instead of the glyph spans, with the same pixels. On by default; off for
  // tests and benchmarks that compare the two.
  static void SetPicturesEnabled(bool on);
  static bool GetPicturesEnabled();
  // Pictures made so far by every block (tests).
  static uint64_t GetPicturesMade();

  ~TTextBlock();
  TTextBlock(const TTextBlock&) = delete;
  TTextBlock& operator=(const TTextBlock&) = delete;

private:
  TTextBlock() = default;

  struct Style {
    TColor colour;
    bool hasColour = false;
    bool underline = false;
    int link = -1;  // index into links_
  };
  struct Item {
    const TMiniVecFont* font;
    int glyph;          // -1: caret
    uint32_t code;
    float x;            // pen position in the line (pixels)
    float advance;      // pixels
    float scale;        // font-unit to pixel factor at scale 1
    int style;
  };
  struct Line {
    int first = 0, last = 0;  // items [first, last)
    float width = 0;          // ink width
    float offsetX = 0;        // alignment
  };

  void Layout();
  void Parse(std::vector<Item>& items, std::vector<bool>& breaks);
  float LineTop(int line, float scale, int padding) const;
  float VerticalOffset(float scale, int padding) const;
  bool ToBlock(const TPoint& point, float& x, float& y) const;
  void DrawLines(const TVec2& position, float heightLimit, float alpha, int flags, float scale, int padding);
  // The glyphs and spans of the visible lines through the glyph drawer (begun by the caller).
  void EmitLines(TKnMiniVecDraw* draw, const TVec2& position, float heightLimit, float alpha, float scale,
                 int padding);

  // What a screen drawing depends on besides the display.
  struct PictureKey {
    uint64_t layout = 0;
    TFloatColor colour;
    float rotation = 0;
    int rotationX = 0, rotationY = 0;
    float scroll = 0;
    TString hover;
    float x = 0, y = 0, heightLimit = 0, alpha = 0, scale = 0;
    int padding = 0;
    uint32_t drawer = 0;
    bool operator==(const PictureKey& o) const;
  };
  // A drawing kept as a picture: the pixels its spans cover first, and the
  // spans over pixels already covered (drawn after the picture, in order).
  struct Picture {
    PictureKey key;
    bool used = false;
    bool refused = false;  // too large, or no texture: drawn as spans
    uint64_t lastUse = 0;
    boost::shared_ptr<TTexture> texture;
    uint32_t surfaceSerial = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<TMiniVecVertex> extra;
    bool Valid() const;
  };
  // Draws the screen drawing of `key` from a picture when it has one or is
  // seen the second time; false when it draws nothing (the caller draws).
  bool DrawFromPicture(const PictureKey& key, const TVec2& position, float heightLimit, float alpha, float scale,
                       int padding);
  bool MakePicture(Picture& p, const std::vector<TMiniVecVertex>& lines);
  void ShowPicture(const Picture& p);

  TString text_, fontName_;
  int width_ = 0, height_ = 0, flags_ = 0, fontSize_ = 16;
  TFloatColor colour_;
  float rotation_ = 0;
  int rotationX_ = 0, rotationY_ = 0;
  float scroll_ = 0;
  TMiniVecFont* font_ = nullptr;
  float lineHeight_ = 0, baseline_ = 0;
  std::vector<Item> items_;
  std::vector<Line> lines_;
  std::vector<Style> styles_;
  std::vector<TString> links_;
  TString hover_;

  // How DrawLines starts its target.
  enum class Target { kScreen, kPixels, kTexture } target_ = Target::kScreen;
  TMiniVecPixels pixels_;
  boost::shared_ptr<TTexture> texture_;

  uint64_t layoutSerial_ = 0;  // bumped by every layout
  Picture pictures_[2];
  uint64_t pictureClock_ = 0;
};
