// TTexture: loading, registry keys, drawing, copying, locking, restoring.
#include "render/textures/texture.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/file.h"
#include "platform/log.h"
#include "render/textures/imagereaders.h"
#include "render/textures/keptpictures.h"
#include "render/renderer.h"
#include "render/textures/texturedata.h"

namespace {

uint32_t g_blankCounter = 0;

TString MakeKey(const TString& name, uint32_t flags) {
  if (!flags) return name + ":tex";
  return TString::Printf("%s#%x:tex", name.c_str(), flags);
}

// Options after '?': "alpha" keeps alpha, "slow" keeps a plain surface in system memory.
uint8_t NameOptions(const TString& name) {
  int q = name.FindChar('?');
  if (q < 0) return 0;
  std::vector<std::string> parts;
  SplitString(name.Substring(q + 1).str(), ',', parts);
  uint8_t o = 0;
  for (const auto& p : parts) {
    if (p == "alpha") o |= TTextureData::kOptAlpha;
    if (p == "slow") o |= TTextureData::kOptSystemMemory;
  }
  return o;
}

TTextureRef Register(TTextureRef t) {
  if (TAssetManager* am = GetAssetManager()) am->Add(t->GetKey(), t);
  return t;
}

TTextureRef Lookup(const TString& key) {
  TAssetManager* am = GetAssetManager();
  return am ? AssetCast<TTexture>(am->Find(key)) : TTextureRef();
}

// Pictures decoded ahead by GetMany for the loads that follow on this
// thread: a failed decode is kept too (its reason is logged already).
struct TDecodedAhead {
  TString name;
  bool ok = false, taken = false;
  TDecodedImage image;
};
std::vector<std::unique_ptr<TDecodedAhead>>* g_decodedAhead = nullptr;

// At most this many pictures are decoded at once (and held before upload).
constexpr size_t kDecodeThreads = 4;

// Decodes every picture of the group, this thread taking its share.
void DecodeSideBySide(std::vector<std::unique_ptr<TDecodedAhead>>& group) {
  std::atomic<size_t> next{0};
  auto work = [&group, &next] {
    for (size_t i; (i = next.fetch_add(1)) < group.size();) group[i]->ok = LoadImageFile(group[i]->name, &group[i]->image, true);
  };
  std::vector<std::thread> threads;
  for (size_t t = 1; t < group.size(); ++t) {
    try {
      threads.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // no more threads: the others and this one share the work
    }
  }
  work();
  for (std::thread& t : threads) t.join();
}

// The image of `name` (`found`: its file as FindImageFile finds it):
// decoded ahead, else decoded now.
bool DecodeImage(const TString& name, const TString& found, TDecodedImage* out) {
  if (g_decodedAhead) {
    for (auto& d : *g_decodedAhead) {
      if (d->taken || d->name != name) continue;
      d->taken = true;
      if (d->ok) out->TakeFrom(d->image);
      return d->ok;
    }
  }
  if (!LoadImageFile(found, out, true)) return false;
  keptpictures::CountDecode(found, out->width, out->height);
  return true;
}

// A view of kept pixels as a decoded image (the pixels stay the picture's).
void ViewKept(TKeptPicture& kept, TDecodedImage* out) {
  out->Reset();
  out->width = kept.width;
  out->height = kept.height;
  out->side = ImageSide(kept.width, kept.height);
  out->pitch = kept.width;
  out->tight = true;
  out->hasAlpha = kept.hasAlpha;
  out->pixels = kept.pixels.get();
}

}  // namespace

class TTextureLoader {
public:
  static TTextureRef Make(const TString& key, uint8_t options, const TString& file, const TString& mask) {
    TTextureRef t(new TTexture);
    t->key_ = key;
    t->data_ = CreateTextureData();
    // Made even while the device is lost or broken: the surface follows
    // when the device returns (RestoreResources).
    t->data_->options = options | TTextureData::kOptDeviceLost;
    if (!TTexture::Load(t->data_, file, mask)) {
      TraceOut("TTexture: cannot load %s%s%s", file.c_str(), mask.IsEmpty() ? "" : " with mask ", mask.c_str());
      return TTextureRef();
    }
    return Register(t);
  }
};

TTexture::TTexture() = default;

TTexture::~TTexture() {
  if (!key_.IsEmpty())
    if (TAssetManager* am = GetAssetManager()) am->Remove(key_, this);
  delete data_;
}

TTextureRef TTexture::Get(const TString& name, uint32_t flags) {
  TString key = MakeKey(name, flags);
  if (TTextureRef t = Lookup(key)) return t;
  uint8_t options = NameOptions(name);
  if (flags & kFlagAlpha) options |= TTextureData::kOptAlpha;
  if (flags & kFlagMipMaps) options |= TTextureData::kOptMipMaps;
  return TTextureLoader::Make(key, options, name, TString());
}

std::vector<TTextureRef> TTexture::GetMany(const std::vector<TString>& names, uint32_t flags) {
  // The names not loaded yet and not kept, each once, in order of first use.
  std::vector<TString> missing;
  for (const TString& name : names)
    if (!Lookup(MakeKey(name, flags)) && std::find(missing.begin(), missing.end(), name) == missing.end() &&
        !keptpictures::Holds(PictureKeyOf(name, TString())))
      missing.push_back(name);
  std::vector<std::unique_ptr<TDecodedAhead>> ahead;
  std::vector<std::unique_ptr<TDecodedAhead>>* outer = g_decodedAhead;
  if (missing.size() > 1) g_decodedAhead = &ahead;
  std::vector<TTextureRef> out;
  out.reserve(names.size());
  size_t next = 0;  // the first missing name not decoded yet
  for (const TString& name : names) {
    if (g_decodedAhead == &ahead && next < missing.size() && name == missing[next]) {
      ahead.clear();  // the last group's pictures are all taken by now
      size_t end = std::min(missing.size(), next + kDecodeThreads);
      for (; next < end; ++next) {
        ahead.emplace_back(new TDecodedAhead);
        ahead.back()->name = missing[next];
      }
      DecodeSideBySide(ahead);
      for (const auto& d : ahead) {
        TString file = d->name;
        if (d->ok && FindImageFile(file)) keptpictures::CountDecode(file, d->image.width, d->image.height);
      }
    }
    out.push_back(Get(name, flags));
  }
  g_decodedAhead = outer;
  return out;
}

TTextureRef TTexture::GetWithMask(const TString& colorName, const TString& maskName, uint32_t flags) {
  TString key = MakeKey(colorName + "|" + maskName, flags);
  if (TTextureRef t = Lookup(key)) return t;
  uint8_t options = NameOptions(colorName) | TTextureData::kOptAlpha;
  if (flags & kFlagMipMaps) options |= TTextureData::kOptMipMaps;
  return TTextureLoader::Make(key, options, colorName, maskName);
}

TTextureRef TTexture::GetFlagged(const TString& name) {
  uint8_t options = NameOptions(name) | TTextureData::kOptPlain | TTextureData::kOptCursor;
  TString key = MakeKey(name, uint32_t(options) << 8);
  if (TTextureRef t = Lookup(key)) return t;
  return TTextureLoader::Make(key, options, name, TString());
}

TTextureRef TTexture::CreateBlank(uint32_t width, uint32_t height, bool renderTarget) {
  if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide) return TTextureRef();
  TTextureRef t(new TTexture);
  t->data_ = CreateTextureData();
  t->data_->options = TTextureData::kOptAlpha | (renderTarget ? TTextureData::kOptRenderTarget : 0);
  t->data_->imageWidth = width;
  t->data_->imageHeight = height;
  if (!t->data_->CreateSurface(width, height, true)) return TTextureRef();
  t->key_ = TString::Printf("%x:tex:r", ++g_blankCounter);
  return Register(t);
}

bool TTexture::Load(TTextureData* data, const TString& fileName, const TString& maskName) {
  if (!data) return false;
  // The picture kept over a device loss or in the kept pictures, else decoded.
  auto* dx = dynamic_cast<TDxTextureData*>(data);
  TString file, maskFile;
  const TPictureKey key = PictureKeyOf(fileName, maskName, &file, &maskFile);
  std::unique_ptr<TKeptPicture> kept;
  if (dx) {
    kept = dx->TakeKeptPixels(key);
    if (!kept) kept = keptpictures::Take(key);
    dx->ForgetLoaded();
  }
  TDecodedImage image, mask;
  if (kept) {
    ViewKept(*kept, &image);
    keptpictures::CountTaken();
  } else if (!DecodeImage(fileName, file, &image)) {
    return false;
  }
  if (!maskName.IsEmpty() && !kept) {
    if (!DecodeImage(maskName, maskFile, &mask)) return false;
    // Alpha from the mask's red channel, the mask stretched over the picture.
    for (uint32_t y = 0; y < image.height; ++y) {
      uint32_t my = uint32_t(uint64_t(y) * mask.height / image.height);
      for (uint32_t x = 0; x < image.width; ++x) {
        uint32_t mx = uint32_t(uint64_t(x) * mask.width / image.width);
        uint32_t a = (mask.pixels[size_t(my) * mask.pitch + mx] >> 16) & 0xFF;
        uint32_t& p = image.pixels[size_t(y) * image.pitch + x];
        p = (p & 0x00FFFFFFu) | a << 24;
      }
    }
  }
  if (!maskName.IsEmpty() || image.hasAlpha) data->options |= TTextureData::kOptAlpha;
  data->fileName = fileName;
  data->maskName = maskName;
  data->imageWidth = image.width;
  data->imageHeight = image.height;
  if (!data->CreateSurface(image.width, image.height, false)) return false;
  if (!data->HasSurface()) {
    // No device now: rebuilt when it returns, from these pixels or the file.
    if (dx && kept) dx->KeepForRestore(std::move(kept));
    return true;
  }
  // The surface may be larger than the buffer (square-only devices; a tight
  // buffer holds the picture alone): pad it as the reader pads its own.
  uint32_t sw = data->width, sh = data->height;
  uint32_t bw = image.pitch, bh = image.tight ? image.height : image.side;
  bool uploaded;
  if (sw > bw || sh > bh) {
    std::vector<uint32_t> padded(size_t(sw) * sh, 0);
    for (uint32_t y = 0; y < std::min(sh, bh); ++y)
      std::memcpy(&padded[size_t(y) * sw], &image.pixels[size_t(y) * image.pitch], std::min(sw, bw) * 4);
    uploaded = data->Upload(padded.data(), sw);
  } else if (kept && dx) {
    uploaded = dx->UploadKept(*kept);  // (image views the pixels wherever they now are)
  } else {
    uploaded = data->Upload(image.pixels, image.pitch);
  }
  if (uploaded && dx) dx->MarkLoaded(key, image);
  return uploaded;
}

// --- Drawing ---

void TTexture::Draw(const TDrawParams& params) {
  TRenderer* r = TRenderer::GetInstance();
  if (!r->Is2d() || !data_ || !data_->HasSurface()) return;
  float sx = 0, sy = 0, w = float(GetWidth()), h = float(GetHeight());
  if (params.flags & TDrawParams::kUseSourceRect) {
    sx = float(params.sourceRect.left);
    sy = float(params.sourceRect.top);
    w = float(params.sourceRect.Width());
    h = float(params.sourceRect.Height());
  }
  TVec2 anchor = (params.flags & TDrawParams::kAnchorAtCenter) ? -params.center : TVec2(-w / 2, -h / 2);
  const TVec2 corners[4] = {TVec2(0, 0), TVec2(w, 0), TVec2(w, h), TVec2(0, h)};
  float aw = float(std::max(1u, data_->width)), ah = float(std::max(1u, data_->height));
  float u0 = (float(data_->offsetX) + sx) / aw, v0 = (float(data_->offsetY) + sy) / ah;
  float u1 = u0 + w / aw, v1 = v0 + h / ah;
  if (params.flags & TDrawParams::kFlipHorizontal) std::swap(u0, u1);
  if (params.flags & TDrawParams::kFlipVertical) std::swap(v0, v1);
  const TVec2 uv[2] = {TVec2(u0, v0), TVec2(u1, v1)};
  TLitVertex v[4];
  BuildQuadVertices(v, anchor, corners, uv, params.transform, params.alpha, params.tint);
  r->SetTexture(GetRef());
  r->DrawQuad(v);
}

void TTexture::DrawAt(float x, float y, float alpha, float scale, float angle, uint32_t flags) {
  TDrawParams p(TVec2(x, y), alpha, scale, flags);
  if (angle != 0.0f) p.transform.Rotate(angle);
  Draw(p);
}

void TTexture::CopyToScreen(int x, int y, const TRect* src) {
  if (!data_) return;
  TRect s = src ? *src : TRect(0, 0, int32_t(GetWidth()), int32_t(GetHeight()));
  data_->CopyTo(s, TRect(x, y, x + s.Width(), y + s.Height()), nullptr);
}

uint32_t TTexture::GetWidth() const { return data_ ? data_->imageWidth : 0; }
uint32_t TTexture::GetHeight() const { return data_ ? data_->imageHeight : 0; }

void TTexture::GetAllocatedSize(uint32_t* width, uint32_t* height) const {
  if (width) *width = data_ ? data_->width : 0;
  if (height) *height = data_ ? data_->height : 0;
}

TPoint TTexture::GetAllocatedSize() const {
  return data_ ? TPoint(int32_t(data_->width), int32_t(data_->height)) : TPoint();
}

bool TTexture::Lock(uint32_t** pixels, uint32_t* pitchPixels) { return data_ && data_->Lock(pixels, pitchPixels); }

void TTexture::Unlock() {
  if (data_) data_->Unlock();
}

void TTexture::Clear() {
  if (data_) data_->Clear();
}

bool TTexture::IsOpaque() { return data_ && data_->IsOpaque(); }

void TTexture::ReleaseResources() {
  if (data_) data_->Release();
}

void TTexture::RestoreResources() {
  if (data_) data_->Restore();
}

TTextureRef TTexture::GetRef() {
  boost::shared_ptr<TAsset> self = weak_from_this().lock();
  return boost::static_pointer_cast<TTexture>(self);
}
