// A frame the software display drew, recorded call by call
// (sdev::test::SetDrawRecorder) and drawn again by SDL2's software renderer
// into a 32-bit ARGB surface of the same size: each batch of triangles with
// SDL_RenderGeometry (its texture, the vertices' colours, alpha or additive
// blending, linear or nearest filtering, the clip rectangle), each colour
// fill with SDL_RenderFillRect. A benchmark times both drawings of the same
// frame and compares their pixels.
//
//   bench::TSdlReplay replay(1024, 768);
//   std::string why;
//   bench::Require(replay.Record([&] { DrawTheFrame(); }, &why), "%s", why.c_str());
//   replay.Draw();
#pragma once
#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "render/sdev/fault.h"
#include "render/sdev/sdev.h"

namespace bench {

class TSdlReplay {
public:
  TSdlReplay(int width, int height) : width_(width), height_(height) {
    target_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    renderer_ = target_ ? SDL_CreateSoftwareRenderer(target_) : nullptr;
  }
  ~TSdlReplay() {
    for (auto& t : textures_) SDL_DestroyTexture(t.second);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (target_) SDL_FreeSurface(target_);
  }
  TSdlReplay(const TSdlReplay&) = delete;
  TSdlReplay& operator=(const TSdlReplay&) = delete;

  // Records the batches `draw` makes on the display's back buffer and makes
  // SDL textures of their textures; false (with the reason) when SDL cannot
  // draw one of them the same way.
  bool Record(const std::function<void()>& draw, std::string* why) {
    Start(nullptr);
    draw();
    return Stop(why);
  }
  // Records from now until Stop; with `frame` (the number of the frame being
  // drawn), only the batches of the last frame: a new number starts over.
  void Start(std::function<uint64_t()> frame) {
    ops_.clear();
    problem_.clear();
    sdev::test::SetDrawRecorder([this, frame, number = uint64_t(0)](const sdev::test::DrawCall& call) mutable {
      if (frame && frame() != number) {
        number = frame();
        ops_.clear();
        problem_.clear();
      }
      if (problem_.empty()) problem_ = Take(call);
    });
  }
  bool Stop(std::string* why) {
    sdev::test::SetDrawRecorder(nullptr);
    if (!renderer_) return Fail(why, "SDL's software renderer could not be made");
    if (!problem_.empty()) return Fail(why, problem_);
    return true;
  }

  // Draws the recorded frame.
  void Draw() {
    for (const TOp& op : ops_) {
      SDL_RenderSetClipRect(renderer_, &op.clip);
      if (op.fill) {
        SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer_, uint8_t(op.color >> 16), uint8_t(op.color >> 8), uint8_t(op.color),
                               uint8_t(op.color >> 24));
        SDL_RenderFillRect(renderer_, &op.clip);
        continue;
      }
      if (op.texture) {
        SDL_SetTextureBlendMode(op.texture, op.mode);
        SDL_SetTextureScaleMode(op.texture, op.linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
      } else {
        SDL_SetRenderDrawBlendMode(renderer_, op.mode);
      }
      SDL_RenderGeometry(renderer_, op.texture, op.vertices.data(), int(op.vertices.size()), op.indices.data(),
                         int(op.indices.size()));
    }
    SDL_RenderPresent(renderer_);
  }

  std::vector<uint32_t> Pixels() const {
    std::vector<uint32_t> out(size_t(width_) * size_t(height_));
    for (int y = 0; y < height_; ++y)
      std::memcpy(&out[size_t(y) * size_t(width_)],
                  static_cast<const uint8_t*>(target_->pixels) + size_t(y) * size_t(target_->pitch),
                  size_t(width_) * 4);
    return out;
  }
  // Batches recorded, and the triangles in them.
  size_t Batches() const { return ops_.size(); }
  size_t Triangles() const {
    size_t n = 0;
    for (const TOp& op : ops_) n += op.indices.size() / 3;
    return n;
  }

private:
  struct TOp {
    bool fill = false;
    uint32_t color = 0;
    SDL_Rect clip{0, 0, 0, 0};
    SDL_Texture* texture = nullptr;
    SDL_BlendMode mode = SDL_BLENDMODE_NONE;
    bool linear = false;
    std::vector<SDL_Vertex> vertices;
    std::vector<int> indices;
  };

  static bool Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
  }

  // The stage's colour or alpha: the texture's, the diffuse colour's or their product.
  enum class TSource { kTexture, kDiffuse, kProduct, kOther };
  static TSource Source(uint32_t op, uint32_t arg1, uint32_t arg2, bool textured) {
    auto what = [&](uint32_t arg) {
      arg &= 0xF;
      if (arg == sdev::kArgTexture) return textured ? TSource::kTexture : TSource::kDiffuse;  // no texture: white
      return arg == sdev::kArgDiffuse || arg == sdev::kArgCurrent ? TSource::kDiffuse : TSource::kOther;
    };
    switch (op) {
      case sdev::kOpSelectArg1: return what(arg1);
      case sdev::kOpSelectArg2: return what(arg2);
      case sdev::kOpModulate: {
        const TSource a = what(arg1), b = what(arg2);
        if (a == TSource::kOther || b == TSource::kOther) return TSource::kOther;
        return a == b ? a : TSource::kProduct;
      }
      default: return TSource::kOther;
    }
  }

  // One batch taken over; an empty string, or why SDL cannot draw it.
  std::string Take(const sdev::test::DrawCall& call) {
    TOp op;
    op.clip = SDL_Rect{call.clip.left, call.clip.top, call.clip.right - call.clip.left,
                       call.clip.bottom - call.clip.top};
    if (call.vertices.empty()) {
      op.fill = true;
      op.color = call.srcBlend;
      ops_.push_back(op);
      return std::string();
    }
    if (call.type != sdev::PrimType::TriList) return "a batch of lines or points";
    if (!call.blend)
      op.mode = SDL_BLENDMODE_NONE;
    else if (call.srcBlend == sdev::kBlendSrcAlpha && call.dstBlend == sdev::kBlendInvSrcAlpha)
      op.mode = SDL_BLENDMODE_BLEND;
    else if (call.srcBlend == sdev::kBlendSrcAlpha && call.dstBlend == sdev::kBlendOne)
      op.mode = SDL_BLENDMODE_ADD;
    else
      return "a blend SDL's software renderer does not have (" + std::to_string(call.srcBlend) + ", " +
             std::to_string(call.dstBlend) + ")";
    const bool textured = call.texture != nullptr;
    const TSource color = Source(call.colorOp, call.colorArg1, call.colorArg2, textured);
    const TSource alpha = Source(call.alphaOp, call.alphaArg1, call.alphaArg2, textured);
    if (color == TSource::kOther || alpha == TSource::kOther) return "a texture stage SDL does not have";
    // SDL multiplies the texture by the vertex colour: what the stage takes
    // from the diffuse colour is kept, what it leaves out becomes white.
    const uint32_t keep =
        (color == TSource::kTexture ? 0u : 0x00FFFFFFu) | (alpha == TSource::kTexture ? 0u : 0xFF000000u);
    const bool useTexture = textured && (color != TSource::kDiffuse || alpha != TSource::kDiffuse);
    if (useTexture) {
      op.texture = TextureOf(call);
      if (!op.texture) return "a texture could not be made";
      op.linear = call.linear;
    }
    for (const sdev::test::DrawCall::Vertex& v : call.vertices) {
      const uint32_t c = (v.diffuse & keep) | ~keep;
      op.vertices.push_back(SDL_Vertex{SDL_FPoint{v.x, v.y},
                                       SDL_Color{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)},
                                       SDL_FPoint{v.u, v.v}});
    }
    op.indices.assign(call.indices.begin(), call.indices.end());
    ops_.push_back(std::move(op));
    return std::string();
  }

  // The SDL texture of a texture's texels as they are now (one per generation).
  SDL_Texture* TextureOf(const sdev::test::DrawCall& call) {
    const std::pair<const void*, uint32_t> key(call.texture, call.textureGeneration);
    auto found = textures_.find(key);
    if (found != textures_.end()) return found->second;
    SDL_Texture* t = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, call.texWidth,
                                       call.texHeight);
    if (!t || SDL_UpdateTexture(t, nullptr, call.texels, call.texPitch * 4) != 0) return nullptr;
    textures_[key] = t;
    return t;
  }

  int width_, height_;
  SDL_Surface* target_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  std::vector<TOp> ops_;
  std::string problem_;  // why the recorded batches cannot be drawn; empty when they can
  std::map<std::pair<const void*, uint32_t>, SDL_Texture*> textures_;
};

}  // namespace bench
