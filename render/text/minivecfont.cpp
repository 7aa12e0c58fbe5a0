#include "render/text/minivecfont.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/log.h"

namespace {
std::atomic<uint32_t> gFontSerial{0};

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
}  // namespace

TMiniVecFont::TMiniVecFont(const uint8_t* data, size_t size) {
  serial_ = ++gFontSerial;
  if (!data || size < 4 || std::memcmp(data, "MVC4", 4) != 0) return;
  data_.assign(data, data + size);
  if (!Build()) {
    TraceOut("TMiniVecFont: damaged font data (%zu bytes), the font stays empty", size);
    Free();
  }
}

int16_t TMiniVecFont::Field(int index, int offset) const {
  const uint8_t* p = data_.data() + kHeaderSize + size_t(index) * kEntrySize + offset;
  return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

bool TMiniVecFont::Build() {
  if (data_.size() < kHeaderSize) return false;
  int count = data_[4] | (data_[5] << 8);
  if (kHeaderSize + size_t(count) * kEntrySize > data_.size()) return false;
  codes_.resize(count);
  scales_.assign(count, 1.0f);
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = data_.data() + kHeaderSize + size_t(i) * kEntrySize;
    codes_[i] = ReadU32(e);
    // Every outline must start inside the data (reading it stops at the
    // data's end). (The search expects ascending codes; a code out of order
    // is simply not found.)
    uint32_t outline = ReadU32(e + 14);
    if (outline >= data_.size()) return false;
  }
  count_ = count;

  auto top = [&](int i) { return float(Field(i, 8)) * kUnit; };
  auto bottom = [&](int i) { return float(Field(i, 10)) * kUnit; };

  // Ascent: the height of 'W' (0 for a font without one).
  const int w = FindGlyph('W');
  ascent_ = w >= 0 ? -top(w) : 0.0f;
  // Descent: the deepest of the glyphs for the codes 0 to 127, the underscore excepted.
  descent_ = 0;
  for (uint32_t code = 0; code < 128; ++code) {
    int g = code == '_' ? -1 : FindGlyph(code);
    if (g >= 0) descent_ = std::max(descent_, bottom(g));
  }

  float a = GetLineAbove(), b = GetLineBelow();
  for (int i = 0; i < count_; ++i) {
    float p = a > 0 ? -top(i) / a : 0;
    float q = b > 0 ? bottom(i) / b : 0;
    float m = std::max(p, q);
    scales_[i] = m > 1.0f ? 1.0f / m : 1.0f;
  }
  return true;
}

float TMiniVecFont::GetMargin(bool top) const {
  float h = ascent_ + descent_;
  return (top ? kTopMargin : kBottomMargin) * h / GetContentFraction();
}

int TMiniVecFont::FindGlyph(uint32_t code) const {
  int low = 0, high = count_ - 1;
  while (low <= high) {
    int mid = (low + high) / 2;
    if (codes_[mid] == code) return mid;
    if (codes_[mid] > code) {
      high = mid - 1;
    } else {
      low = mid + 1;
    }
  }
  return -1;
}

float TMiniVecFont::GetLeft(int index) const { return Valid(index) ? Field(index, 4) * kUnit : 0.0f; }
float TMiniVecFont::GetRight(int index) const { return Valid(index) ? Field(index, 6) * kUnit : 0.0f; }
float TMiniVecFont::GetTop(int index) const { return Valid(index) ? Field(index, 8) * kUnit : 0.0f; }
float TMiniVecFont::GetBottom(int index) const { return Valid(index) ? Field(index, 10) * kUnit : 0.0f; }
float TMiniVecFont::GetAdvance(int index) const { return Valid(index) ? Field(index, 12) * kUnit : 0.0f; }

const uint8_t* TMiniVecFont::GetOutline(int index) const {
  if (!Valid(index)) return nullptr;
  return data_.data() + ReadU32(data_.data() + kHeaderSize + size_t(index) * kEntrySize + 14);
}

size_t TMiniVecFont::GetOutlineLimit(int index) const {
  const uint8_t* p = GetOutline(index);
  return p ? size_t(data_.data() + data_.size() - p) : 0;
}

void TMiniVecFont::Free() {
  std::vector<uint8_t>().swap(data_);
  std::vector<uint32_t>().swap(codes_);
  std::vector<float>().swap(scales_);
  count_ = 0;
  ascent_ = descent_ = 0;
}
