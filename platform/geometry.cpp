#include "platform/geometry.h"

#include <algorithm>

TRect TRect::Intersect(const TRect& o) const {
  return TRect(std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom));
}

TRect TRect::Union(const TRect& o) const {
  return TRect(std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom));
}

void TMat3::SetIdentity() {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m[r][c] = r == c ? 1.0f : 0.0f;
}

TMat3 TMat3::operator*(const TMat3& o) const {
  TMat3 out;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) out.m[r][c] = m[r][0] * o.m[0][c] + m[r][1] * o.m[1][c] + m[r][2] * o.m[2][c];
  return out;
}

bool TMat3::operator==(const TMat3& o) const {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      if (m[r][c] != o.m[r][c]) return false;
  return true;
}

void TMat3::Rotate(float radians) {
  float c = std::cos(radians), s = std::sin(radians);
  for (int r = 0; r < 2; ++r) {
    float a = m[r][0], b = m[r][1];
    m[r][0] = a * c - b * s;
    m[r][1] = a * s + b * c;
  }
}

void TMat3::Scale(float sx, float sy) {
  for (int r = 0; r < 2; ++r) {
    m[r][0] *= sx;
    m[r][1] *= sy;
  }
}

TMat3 MakeRotationMatrix(float radians) {
  TMat3 out;
  float c = std::cos(radians), s = std::sin(radians);
  out.m[0][0] = c;  out.m[0][1] = s;
  out.m[1][0] = -s; out.m[1][1] = c;
  return out;
}

void TMat4::SetIdentity() {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m[r][c] = r == c ? 1.0f : 0.0f;
}

TMat4 TMat4::operator*(const TMat4& o) const {
  TMat4 out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      float v = 0;
      for (int k = 0; k < 4; ++k) v += m[r][k] * o.m[k][c];
      out.m[r][c] = v;
    }
  return out;
}

bool TMat4::operator==(const TMat4& o) const {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (m[r][c] != o.m[r][c]) return false;
  return true;
}

TVec3 TMat4::TransformPoint(const TVec3& p) const {
  float v[4];
  for (int c = 0; c < 4; ++c) v[c] = p.x * m[0][c] + p.y * m[1][c] + p.z * m[2][c] + m[3][c];
  if (v[3] != 0.0f && v[3] != 1.0f) return {v[0] / v[3], v[1] / v[3], v[2] / v[3]};
  return {v[0], v[1], v[2]};
}

TMat4 TMat4::Translation(float x, float y, float z) {
  TMat4 out;
  out.m[3][0] = x; out.m[3][1] = y; out.m[3][2] = z;
  return out;
}

TMat4 TMat4::Scaling(float x, float y, float z) {
  TMat4 out;
  out.m[0][0] = x; out.m[1][1] = y; out.m[2][2] = z;
  return out;
}

TMat4 TMat4::RotationZ(float radians) {
  TMat4 out;
  float c = std::cos(radians), s = std::sin(radians);
  out.m[0][0] = c;  out.m[0][1] = s;
  out.m[1][0] = -s; out.m[1][1] = c;
  return out;
}

TMat4 TMat4::Orthographic(float l, float r, float b, float t, float zn, float zf) {
  TMat4 out;
  out.m[0][0] = 2.0f / (r - l);
  out.m[1][1] = 2.0f / (t - b);
  out.m[2][2] = 1.0f / (zf - zn);
  out.m[3][0] = (l + r) / (l - r);
  out.m[3][1] = (t + b) / (b - t);
  out.m[3][2] = zn / (zn - zf);
  return out;
}
