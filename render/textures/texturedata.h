// render/textures: textures, their pixels on the display device, and the image readers.
// TDxTextureData: a texture's pixels in one surface of the display device,
// with a converted system-memory copy while locked when the surface is not
// 32-bit ARGB, a z-buffer for render targets, and enough of its source to
// rebuild itself after a device loss. Plus the helpers of texture creation.
//
// A surface that still holds the picture TTexture::Load put there (nothing
// drew, blitted, cleared or changed it under a lock since) gives that
// picture to the kept pictures (render/textures/keptpictures.h) when the data
// goes or the surface is locked (an unlock after reading only takes it back),
// and keeps it itself over a device loss, for the restore.
// Part of render/; over render/sdev.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/string.h"
#include "render/sdev/sdev.h"
#include "render/textures/imagereaders.h"
#include "render/textures/keptpictures.h"
#include "render/textures/texture.h"

class TDxTextureData : public TTextureData {
public:
  TDxTextureData() = default;
  ~TDxTextureData() override;

  void Release() override;
  bool Restore() override;
  bool Upload(const uint32_t* pixels, uint32_t pitch) override;
  // Uploads kept pixels: a surface the upload would give the same bytes
  // (made through D3DX, 32-bit, of the picture's size) takes their memory,
  // no copy made (kept.pixels is then empty); others get a copy.
  bool UploadKept(TKeptPicture& kept);
  bool CreateSurface(uint32_t width, uint32_t height, bool clear) override;
  void CopyTo(const TRect& src, const TRect& dst, TTexture* target) override;
  void Clear() override;
  bool Lock(uint32_t** pixels, uint32_t* pitch) override;
  void Unlock() override;
  bool HasSurface() const override { return surface_ != nullptr; }
  // From the surface's opacity runs (those its drawing uses).
  bool IsOpaque() override;

  // The surface's pixels as 32-bit blue, green, red, alpha (width x height).
  bool ReadPixels(uint32_t width, uint32_t height, uint32_t* out);
  sdev::Surface* GetSurface() const { return surface_; }

  int32_t mipLevel = 0;  // 0 the top level, -1 all levels
  bool createdThroughD3DX = false;
  bool forceConvert = false;  // uploads take the converting path even for D3DX textures

  // TTexture::Load has just uploaded `image`, the picture of `key`: the
  // surface holds it until its pixels change. Nothing is marked when the
  // surface could not give the picture back byte for byte (not 32-bit RGB,
  // or the upload dropped an alpha that was not all 255).
  void MarkLoaded(const TPictureKey& key, const TDecodedImage& image);
  // Forgets the picture marked loaded and the pixels kept over a device loss.
  void ForgetLoaded();
  // The pixels of `key` kept over a device loss (taken), or null.
  std::unique_ptr<TKeptPicture> TakeKeptPixels(const TPictureKey& key);
  // Keeps pixels for the restore (the texture was made while there was no device).
  void KeepForRestore(std::unique_ptr<TKeptPicture> picture) { kept_ = std::move(picture); }

private:
  enum class Way { kMade, kFailed, kD3DX };
  Way CreateDirect(uint32_t width, uint32_t height);
  bool CreateThroughD3DX(uint32_t width, uint32_t height);
  // The picture marked loaded, read back while the surface still holds it
  // (null otherwise); the mark is gone either way.
  std::unique_ptr<TKeptPicture> ReadLoaded();
  sdev::Surface* surface_ = nullptr;
  std::vector<uint32_t> systemCopy_;
  bool locked_ = false;
  uint64_t counted_ = 0;  // bytes added to the display's texture count
  // The picture marked loaded: the surface's generation then (0: none), its
  // key, the decode's alpha flag, and whether its alpha reads back as 0.
  uint32_t loadedGeneration_ = 0;
  TPictureKey loadedKey_;
  bool loadedHasAlpha_ = false, loadedAlphaDropped_ = false;
  bool lockedLoaded_ = false;  // locked in place while it held the picture marked loaded
  std::unique_ptr<TKeptPicture> kept_;  // over a device loss, until the restore
};


// Cuts the name at '?'; keeps it when that file exists, else tries ".jp2",
// ".png" and ".jpg" appended, in this order. False when none exists.
bool FindImageFile(TString& name);
// 2 for n < 3, else the smallest power of two >= n.
uint32_t NextPowerOfTwo(uint32_t n);
int CountMaskBits(uint32_t mask);
int MaskShift(uint32_t mask);  // position of the lowest set bit; 0 for 0
// Among the device's RGB texture formats with alpha of exactly `bits` bits,
// the one with the most alpha bits (one with fewer than 3 red bits does not
// replace an earlier one). Kept until the depth changes or a re-search is asked.
bool FindAlphaTextureFormat(uint32_t bits, sdev::PixelFormat* out, bool reSearch = false);
