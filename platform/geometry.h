// Integer rectangles and points, float vectors and matrices.
//
// TRect: right and bottom are exclusive (a point is inside when
// left <= x < right and top <= y < bottom). TMat3 is used with row vectors:
// p' = p * M, the translation sits in the third row.
#pragma once
#include <cmath>
#include <cstdint>

struct TPoint {
  int32_t x = 0, y = 0;
  TPoint() = default;
  TPoint(int32_t x_, int32_t y_) : x(x_), y(y_) {}
  bool operator==(const TPoint& o) const { return x == o.x && y == o.y; }
  bool operator!=(const TPoint& o) const { return !(*this == o); }
};

struct TRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  TRect() = default;
  TRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
  bool Contains(int32_t x, int32_t y) const { return left <= x && x < right && top <= y && y < bottom; }
  bool Contains(const TPoint& p) const { return Contains(p.x, p.y); }
  // Max of left/top, min of right/bottom (may come out empty).
  TRect Intersect(const TRect& o) const;
  // Min of left/top, max of right/bottom.
  TRect Union(const TRect& o) const;
  void Offset(int32_t dx, int32_t dy) { left += dx; right += dx; top += dy; bottom += dy; }
  bool operator==(const TRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const TRect& o) const { return !(*this == o); }
};

inline TRect MakeRectXYWH(int32_t x, int32_t y, int32_t w, int32_t h) { return TRect(x, y, x + w, y + h); }
inline bool RectContains(const TRect& r, const TPoint& p) { return r.Contains(p); }
inline void CopyRect4(TRect& dst, const TRect& src) { dst = src; }

struct TVec2 {
  float x = 0, y = 0;
  TVec2() = default;
  TVec2(float x_, float y_) : x(x_), y(y_) {}
  TVec2 operator+(const TVec2& o) const { return {x + o.x, y + o.y}; }
  TVec2 operator-(const TVec2& o) const { return {x - o.x, y - o.y}; }
  TVec2 operator-() const { return {-x, -y}; }
  TVec2 operator*(float s) const { return {x * s, y * s}; }
  TVec2 operator/(float s) const { return {x / s, y / s}; }
  TVec2& operator+=(const TVec2& o) { x += o.x; y += o.y; return *this; }
  TVec2& operator-=(const TVec2& o) { x -= o.x; y -= o.y; return *this; }
  TVec2& operator*=(float s) { x *= s; y *= s; return *this; }
  bool operator==(const TVec2& o) const { return x == o.x && y == o.y; }
  bool operator!=(const TVec2& o) const { return !(*this == o); }
  float Length() const { return std::sqrt(x * x + y * y); }
  // A zero vector stays unchanged.
  TVec2& Normalize() { float l = Length(); if (l > 0) { x /= l; y /= l; } return *this; }
};

struct TVec3 {
  float x = 0, y = 0, z = 0;
  TVec3() = default;
  TVec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
  TVec3 operator+(const TVec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
  TVec3 operator-(const TVec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
  TVec3 operator-() const { return {-x, -y, -z}; }
  TVec3 operator*(float s) const { return {x * s, y * s, z * s}; }
  TVec3 operator/(float s) const { return {x / s, y / s, z / s}; }
  TVec3& operator+=(const TVec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
  bool operator==(const TVec3& o) const { return x == o.x && y == o.y && z == o.z; }
  bool operator!=(const TVec3& o) const { return !(*this == o); }
  float Length() const { return std::sqrt(x * x + y * y + z * z); }
  float Dot(const TVec3& o) const { return x * o.x + y * o.y + z * o.z; }
  TVec3 Cross(const TVec3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
  TVec3& Normalize() { float l = Length(); if (l > 0) { x /= l; y /= l; z /= l; } return *this; }
};

struct TVec4 {
  float x = 0, y = 0, z = 0, w = 0;
  TVec4() = default;
  TVec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
  TVec4 operator+(const TVec4& o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
  TVec4 operator-(const TVec4& o) const { return {x - o.x, y - o.y, z - o.z, w - o.w}; }
  TVec4 operator-() const { return {-x, -y, -z, -w}; }
  TVec4 operator*(float s) const { return {x * s, y * s, z * s, w * s}; }
  TVec4 operator/(float s) const { return {x / s, y / s, z / s, w / s}; }
  TVec4& operator+=(const TVec4& o) { x += o.x; y += o.y; z += o.z; w += o.w; return *this; }
  bool operator==(const TVec4& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
  bool operator!=(const TVec4& o) const { return !(*this == o); }
  float Length() const { return std::sqrt(x * x + y * y + z * z + w * w); }
  TVec4& Normalize() { float l = Length(); if (l > 0) { x /= l; y /= l; z /= l; w /= l; } return *this; }
};

// 3 x 3 matrix for 2-D transforms of row vectors; m[row][column].
struct TMat3 {
  float m[3][3];
  TMat3() { SetIdentity(); }
  void SetIdentity();
  TMat3 operator*(const TMat3& o) const;
  TMat3& operator*=(const TMat3& o) { *this = *this * o; return *this; }
  bool operator==(const TMat3& o) const;
  // Multiplies the linear (upper 2 x 2) part by a rotation of `radians`
  // (this = this * R on the linear part); the translation row stays.
  void Rotate(float radians);
  void Scale(float sx, float sy);  // scales the linear part; translation stays
  void Translate(float dx, float dy) { m[2][0] += dx; m[2][1] += dy; }
  TVec2 Transform(const TVec2& p) const {
    return {p.x * m[0][0] + p.y * m[1][0] + m[2][0], p.x * m[0][1] + p.y * m[1][1] + m[2][1]};
  }
  TVec2 TransformVector(const TVec2& v) const {
    return {v.x * m[0][0] + v.y * m[1][0], v.x * m[0][1] + v.y * m[1][1]};
  }
};

// Rows cos, sin, 0 / -sin, cos, 0 / 0, 0, 1.
TMat3 MakeRotationMatrix(float radians);

// 4 x 4 matrix for row vectors; m[row][column], translation in the fourth row.
struct TMat4 {
  float m[4][4];
  TMat4() { SetIdentity(); }
  void SetIdentity();
  TMat4 operator*(const TMat4& o) const;
  bool operator==(const TMat4& o) const;
  TVec3 TransformPoint(const TVec3& p) const;  // w = 1, divided by the result's w when not 1
  static TMat4 Translation(float x, float y, float z);
  static TMat4 Scaling(float x, float y, float z);
  static TMat4 RotationZ(float radians);
  // Orthographic projection of the box [l, r] x [b, t] x [zn, zf] to clip space.
  static TMat4 Orthographic(float l, float r, float b, float t, float zn, float zf);
};
