// render/textures: textures, their pixels on the display device, and the image readers.
// Textures: TTexture, the shared texture asset, and TTextureData, the
// abstract storage of its pixels (render/textures/texturedata.h has the display's).
//
// Textures load from PNG, JPEG and JPEG-2000 files (render/textures/imagereaders.h)
// through the file layer. A name without an extension tries ".jp2", ".png"
// and ".jpg" in that order; options may follow a '?' ("alpha", "slow"). They
// register in the asset registry under "<name>:tex" (flags added as
// "<name>#<flags>:tex"), generated ones under "%x:tex:r", and rebuild
// themselves after a device loss. Main thread only.
//
// Part of render/; depends on platform/ and platform/registry/.
#pragma once
#include <cstdint>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/registry/asset.h"
#include "platform/string.h"
#include "render/drawparams.h"

class TTexture;
using TTextureRef = boost::shared_ptr<TTexture>;

// Storage of a texture's pixels. The option bits are those of the texture loader.
class TTextureData {
public:
  enum : uint8_t {
    kOptRenderTarget = 0x01,  // gets a z-buffer; drawn into with BeginRenderTarget
    kOptAlpha = 0x02,         // keeps the alpha channel
    kOptCursor = 0x04,        // a cursor picture (GetFlagged)
    kOptMipMaps = 0x08,
    kOptPlain = 0x10,         // a plain surface made directly, never resized
    kOptSystemMemory = 0x20,  // with kOptPlain: kept in system memory ("?slow")
    kOptDeviceLost = 0x80,    // "no device": CreateSurface without a device answers true, left empty until Restore
  };

  virtual ~TTextureData() = default;
  // Gives up the surface, keeping what is needed to rebuild it.
  virtual void Release() = 0;
  // Rebuilds the surface after a device loss: reloads the files, or makes a cleared surface.
  virtual bool Restore() = 0;
  // Writes 32-bit ARGB pixels (rows `pitch` pixels apart) into the surface.
  virtual bool Upload(const uint32_t* pixels, uint32_t pitch) = 0;
  virtual bool CreateSurface(uint32_t width, uint32_t height, bool clear) = 0;
  // Copies `src` of this texture to `dst` of the target texture (or of the screen when none).
  virtual void CopyTo(const TRect& src, const TRect& dst, TTexture* target) = 0;
  virtual void Clear() = 0;
  // 32-bit ARGB pixels (rows `pitch` pixels apart) until Unlock.
  virtual bool Lock(uint32_t** pixels, uint32_t* pitch) = 0;
  virtual void Unlock() = 0;
  virtual bool HasSurface() const = 0;
  // Every texel of the picture (imageWidth x imageHeight from the offset) is
  // opaque; false when that cannot be told (no surface).
  virtual bool IsOpaque() { return false; }

  TString fileName;  // the image loaded (empty for generated textures)
  TString maskName;  // the alpha-mask image, when one was used
  uint32_t width = 0, height = 0;                // as allocated
  uint32_t surfaceWidth = 0, surfaceHeight = 0;  // as the surface reports
  uint32_t offsetX = 0, offsetY = 0;             // where the picture starts in the surface
  uint8_t options = 0;
  // Bumped whenever the surface is given up (loss, restore, a new surface):
  // pixels written into it earlier are gone when it changed.
  uint32_t surfaceSerial = 0;
  // The picture's own size (the image's, or the blank texture's).
  uint32_t imageWidth = 0, imageHeight = 0;
};

// New texture data for the current display.
TTextureData* CreateTextureData();

class TTexture : public TAsset {
  LANTERN_ASSET_CLASS(TTexture, TAsset)

public:
  enum : uint32_t { kFlagMipMaps = 1, kFlagAlpha = 2 };

  // The texture of that image, loaded on first use and shared afterwards;
  // empty (and a log line) when no image can be loaded. While the device is
  // lost or broken the texture is made without a surface (nothing draws) and
  // gets one from its file when the device returns.
  static TTextureRef Get(const TString& name, uint32_t flags = 0);
  // Colours from one image, alpha from the other (its red channel: a grey
  // mask, white opaque). Empty when either cannot be loaded.
  static TTextureRef GetWithMask(const TString& colorName, const TString& maskName, uint32_t flags = 0);
  // As Get, for cursor pictures: a plain surface ("?alpha" keeps alpha, "?slow" system memory).
  static TTextureRef GetFlagged(const TString& name);
  // Get for each name, in order (an animation's frames). The pictures not
  // loaded yet are decoded side by side on a few worker threads first, a
  // few at a time, then made into textures here as Get makes them.
  static std::vector<TTextureRef> GetMany(const std::vector<TString>& names, uint32_t flags = 0);
  // A new blank (transparent black) texture with an alpha channel; empty when
  // the device refuses.
  static TTextureRef CreateBlank(uint32_t width, uint32_t height, bool renderTarget);
  // Loads the file (and mask) into existing texture data; false when it cannot.
  static bool Load(TTextureData* data, const TString& fileName, const TString& maskName);

  TTexture();
  ~TTexture() override;

  // Draws inside 2-D drawing (TRenderer::Begin2d) with the record's
  // transform, anchor, flips, source rectangle, tint and alpha.
  virtual void Draw(const TDrawParams& params);
  // Draws at (x, y): centred there, or with the top-left there with flag 8;
  // scaled, then turned by `angle` radians about that point.
  virtual void DrawAt(float x, float y, float alpha = 1.0f, float scale = 1.0f, float angle = 0.0f,
                      uint32_t flags = 0);
  // Copies the picture (or `src` of it) unblended to the screen with its top-left at (x, y).
  virtual void CopyToScreen(int x, int y, const TRect* src = nullptr);
  virtual uint32_t GetWidth() const;
  virtual uint32_t GetHeight() const;
  // The surface size (the picture may use only its top-left part).
  virtual void GetAllocatedSize(uint32_t* width, uint32_t* height) const;
  TPoint GetAllocatedSize() const;

  // 32-bit ARGB pixels (bytes blue, green, red, alpha) and the pitch in
  // pixels; false when there is no surface. Always followed by Unlock.
  bool Lock(uint32_t** pixels, uint32_t* pitchPixels);
  void Unlock();
  // Fills the whole surface with transparent black.
  void Clear();
  // Every texel of the picture has alpha 255 (read without a lock, so the
  // picture stays as loaded); false without a surface.
  bool IsOpaque();

  TTextureData* GetData() const { return data_; }
  const TString& GetKey() const { return key_; }

  void ReleaseResources() override;
  void RestoreResources() override;

  // The shared handle of this texture (empty while none exists).
  TTextureRef GetRef();

private:
  friend class TTextureLoader;
  TTextureData* data_ = nullptr;
  TString key_;
};
