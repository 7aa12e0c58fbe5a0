// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// Small helpers every game screen shares: arithmetic, 3 x 3 matrix
// composition (row vectors, translation in the third row), local date and
// time strings, drawing below the sprite layer (lit quads and meshes, turned
// and clipped textures) and loaders for textures with separate alpha masks,
// XML documents and translated texts. (The sound-device warning is a
// game-flow value: game/shell/data/gameprogress.h.)
// Depends on platform/ and render/.
#pragma once
#include <ctime>
#include <string>

#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/string.h"

class TTexture;
class TSprite;
using TTextureRef = boost::shared_ptr<TTexture>;
using TSpriteRef = boost::shared_ptr<TSprite>;

// --- Arithmetic ---
// (b - a) x t + a.
float Lerp(float a, float b, float t);
// The point t of the way from (x1, y1) to (x2, y2).
TVec2 LerpPoint(float x1, float y1, float x2, float y2, float t);
TVec2 LerpPoint(const TVec2& a, const TVec2& b, float t);
// `v` limited to [lo, hi]; the value comes last: Clamp(0, 10, v).
float Clamp(float lo, float hi, float v);
// The same with the value first: ClampValue(x, 0, 1).
float ClampValue(float v, float lo, float hi);
float DegToRad(float degrees);

// --- Matrices ---
// m = m x T(v): the translation is applied after what m does.
void TranslateMatrix(TMat3& m, const TVec2& v);
// m = T(v) x m: the translation is applied before what m does.
void PreTranslateMatrix(TMat3& m, const TVec2& v);
// m = m x diag(s, s, 1).
void ScaleMatrix(TMat3& m, float s);

// --- Date and time of the machine ---
// "%02d-%02d-%d": month, day, year.
TString FormatDate();
TString FormatDate(const std::tm& when);
// "%02d:%02d": hour (0..23), minute.
TString FormatTime();
TString FormatTime(const std::tm& when);

// --- Drawing (inside 2-D drawing) ---
// A lit, textured quad: corners top-left, bottom-left, top-right,
// bottom-right (z as given), texture coordinates in the same order over the
// picture (0..1 covers the picture, whatever the surface's padding).
void DrawTextureQuad(const TTextureRef& texture, const TVec3 corners[4], const TVec2 uv[4], int blendMode);

// A vertex of a textured page mesh.
struct TMeshVertex {
  TVec3 position;
  TVec2 uv;
};
constexpr int kPageMeshVertices = 192;  // 64 triangles
// The 192 vertices as a list of 64 lit, textured triangles.
void DrawTextureMesh(const TTextureRef& texture, const TMeshVertex* vertices, int blendMode);

// The picture with its top-left at (x, y), turned by `angle` radians about its centre.
void DrawTextureRotated(const TTextureRef& texture, int x, int y, float angle, float alpha);
// Inside a 260 x 170 clip whose centre is `clipCenter`: the picture of
// w x h with its top-left at `position` (both in the current 2-D
// coordinates), scaled by `scale` about the clip's centre.
void DrawTextureTransformed(const TTextureRef& texture, float scale, const TVec2& clipCenter, const TVec2& position,
                            float w, float h);
// The sprite (with its children) centred at the position, turned by `angle` radians.
void DrawSpriteAt(const TSpriteRef& sprite, const TVec2& position, float angle, float alpha);
// The same for a sprite or a plain texture.
void DrawTextureAt(const TSpriteRef& sprite, const TVec2& position, float angle, float alpha);
void DrawTextureAt(const TTextureRef& texture, const TVec2& position, float angle, float alpha);

// --- The cursor ---
// The default cursor "cursor/cursor", hot spot (1, 1), as the cursor's main
// picture (the last argument 0).
void SetDefaultGameCursor();

// --- Loading ---
// name + ".jpg" with the alpha mask name + "_a.png" when that mask exists,
// else the texture of `name` itself (which tries the loader's extensions).
TTextureRef LoadTextureWithAlpha(const TString& name);
// name + ".png" when it exists, else the masked form above.
TTextureRef LoadTexturePreferPng(const TString& name);
// (LoadXmlDocument, which reads an asset file into a document, is in game/shell/data/gamesettings.h.)
// The translated text of a label of the string table.
TString GetLocalizedText(const std::string& key);

// A Lua string literal holding `text` exactly, for script texts built from names.
std::string LuaQuote(const std::string& text);
