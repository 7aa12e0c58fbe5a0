// render/sprites: sprites, animations, the software mouse cursor and meshes.
// TAnimatedTexture: an animation asset (docs/anm.md), a texture whose
// pictures are frames of other textures, each shown for a time at an offset.
// A sprite (TAnimatedSprite) keeps its own current frame, so one animation
// can play in several places at once. Drawn as a texture it shows frame 0.
#pragma once
#include <vector>

#include "render/sprites/animfile.h"
#include "render/textures/texture.h"

class TAnimatedTexture : public TTexture {
  LANTERN_ASSET_CLASS(TAnimatedTexture, TTexture)

public:
  static constexpr size_t kMaxFileSize = 4u << 20;

  // The animation named `name` ("x.anm", "x.xml" or "x", trying ".anm" then
  // ".xml"), loaded on first use and shared under "<name>:tex"; empty (and a
  // log line) when no file or no frame picture can be loaded.
  static boost::shared_ptr<TAnimatedTexture> Get(const TString& name);
  // An animation made from a description (the pictures are loaded).
  static boost::shared_ptr<TAnimatedTexture> Make(const TAnimationDesc& desc);

  ~TAnimatedTexture() override;

  int GetFrameCount() const { return int(frames_.size()); }
  uint32_t GetFrameTime(int frame) const;
  bool IsLooping() const { return loop_; }
  // Draws frame `frame` with the record (its offset and picture rectangle applied).
  void DrawFrame(int frame, const TDrawParams& params);
  // The frame's picture size.
  uint32_t GetFrameWidth(int frame) const;
  uint32_t GetFrameHeight(int frame) const;
  TPoint GetFrameOffset(int frame) const;

  void Draw(const TDrawParams& params) override { DrawFrame(0, params); }
  uint32_t GetWidth() const override { return GetFrameWidth(0); }
  uint32_t GetHeight() const override { return GetFrameHeight(0); }

private:
  struct Frame {
    boost::shared_ptr<TTexture> texture;
    TRect rect;  // empty: the whole picture
    int dx = 0, dy = 0;
    uint32_t ms = 100;
  };
  bool Valid(int frame) const { return frame >= 0 && frame < int(frames_.size()); }
  std::vector<Frame> frames_;
  bool loop_ = true;
  TString registeredKey_;
};
