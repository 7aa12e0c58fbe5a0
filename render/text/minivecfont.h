// render/text: vector fonts, their rasteriser, text layout and text sprites.
// TMiniVecFont: one vector font in memory, made from the bytes of a ".mvec"
// file. It indexes the glyphs by character code and derives the line metrics
// that the text layout uses (see docs/mvec.md for the file format).
//
// Every metric is in em units (the file's 1/128 units times 0.0078125); the
// layout multiplies them by the text size. The font validates the whole
// glyph table and every outline offset when it is built: a damaged file
// gives an empty font, never a read outside the bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class TMiniVecFont {
public:
  // Takes a copy of `size` bytes. Null, a wrong magic or a damaged table
  // leaves the font empty (count 0, ascent and descent 0).
  TMiniVecFont(const uint8_t* data, size_t size);
  ~TMiniVecFont() { Free(); }
  TMiniVecFont(const TMiniVecFont&) = delete;
  TMiniVecFont& operator=(const TMiniVecFont&) = delete;

  static constexpr size_t kHeaderSize = 12;
  static constexpr size_t kEntrySize = 18;
  static constexpr float kUnit = 0.0078125f;        // 1/128
  static constexpr float kTopMargin = 0.15f;        // of the line
  static constexpr float kBottomMargin = 0.05f;

  int GetCount() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }

  // Glyph index of the code, or -1.
  int FindGlyph(uint32_t code) const;
  uint32_t GetCode(int index) const { return Valid(index) ? codes_[index] : 0; }

  // Per glyph (an index outside the table gives the value in brackets).
  float GetLeft(int index) const;      // left ink edge (0)
  float GetRight(int index) const;     // right ink edge (0)
  float GetTop(int index) const;       // top of the ink, negative above the baseline (0)
  float GetBottom(int index) const;    // bottom of the ink (0)
  float GetAdvance(int index) const;   // advance width (0)
  float GetGlyphScale(int index) const { return Valid(index) ? scales_[index] : 1.0f; }
  // The outline commands inside the font bytes (null), and the bytes left
  // from there to the end of the data, so a reader never runs past it.
  const uint8_t* GetOutline(int index) const;
  size_t GetOutlineLimit(int index) const;

  float GetAscent() const { return ascent_; }
  float GetDescent() const { return descent_; }
  // The line box above and below the baseline: ascent or descent plus its margin.
  float GetLineAbove() const { return ascent_ + GetMargin(true); }
  float GetLineBelow() const { return descent_ + GetMargin(false); }
  float GetLineHeight() const { return GetLineAbove() + GetLineBelow(); }
  static float GetContentFraction() { return 1.0f - kTopMargin - kBottomMargin; }
  float GetMargin(bool top) const;

  // Read by the glyph drawer: a flag (0) and a factor (1.0).
  uint8_t GetFlag() const { return flag_; }
  float GetFactor() const { return factor_; }

  // A number that no other font built in this process shares; the glyph
  // cache uses it so that a freed font's outlines are never mistaken for a
  // new font's.
  uint32_t GetSerial() const { return serial_; }

  const std::vector<uint8_t>& GetData() const { return data_; }

  // Drops the bytes and the tables; the font reads as empty afterwards.
  void Free();

private:
  bool Valid(int index) const { return index >= 0 && index < count_; }
  int16_t Field(int index, int offset) const;
  bool Build();

  std::vector<uint8_t> data_;
  int count_ = 0;
  std::vector<uint32_t> codes_;
  std::vector<float> scales_;
  float ascent_ = 0, descent_ = 0;
  uint8_t flag_ = 0;
  float factor_ = 1.0f;
  uint32_t serial_ = 0;
};
