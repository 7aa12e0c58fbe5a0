#include "render/sprites/animtexture.h"

#include "platform/log.h"
#include "platform/readfile.h"

boost::shared_ptr<TAnimatedTexture> TAnimatedTexture::Make(const TAnimationDesc& desc) {
  boost::shared_ptr<TAnimatedTexture> anim(new TAnimatedTexture());
  anim->loop_ = desc.loop;
  for (const TAnimationFrame& f : desc.frames) {
    Frame frame;
    frame.texture = TTexture::Get(f.image, TTexture::kFlagAlpha);
    if (!frame.texture) return boost::shared_ptr<TAnimatedTexture>();
    frame.rect = f.rect;
    frame.dx = f.dx;
    frame.dy = f.dy;
    frame.ms = f.ms ? f.ms : kDefaultFrameMs;
    anim->frames_.push_back(frame);
  }
  if (anim->frames_.empty()) return boost::shared_ptr<TAnimatedTexture>();
  return anim;
}

boost::shared_ptr<TAnimatedTexture> TAnimatedTexture::Get(const TString& name) {
  const TString key = name + ":tex";
  TAssetManager* manager = GetAssetManager();
  if (manager) {
    if (auto found = AssetCast<TAnimatedTexture>(manager->Find(key))) return found;
  }
  std::vector<TString> candidates = {name};
  if (!name.EndsWith(".anm") && !name.EndsWith(".xml")) candidates = {name + ".anm", name + ".xml", name};
  std::vector<uint8_t> bytes;
  TString file;
  for (const TString& c : candidates) {
    if (ReadWholeFile(c, bytes, kMaxFileSize)) {
      file = c;
      break;
    }
  }
  if (file.IsEmpty()) {
    TraceOut("TAnimatedTexture::Get: cannot load %s", name.c_str());
    return boost::shared_ptr<TAnimatedTexture>();
  }
  TAnimationDesc desc;
  TString why;
  if (!ParseAnimation(bytes.data(), bytes.size(), desc, &why)) {
    TraceOut("TAnimatedTexture::Get: %s %s", file.c_str(), why.c_str());
    return boost::shared_ptr<TAnimatedTexture>();
  }
  boost::shared_ptr<TAnimatedTexture> anim = Make(desc);
  if (!anim) {
    TraceOut("TAnimatedTexture::Get: a picture of %s cannot be loaded", file.c_str());
    return anim;
  }
  if (manager) {
    manager->Add(key, anim);
    anim->registeredKey_ = key;
  }
  return anim;
}

TAnimatedTexture::~TAnimatedTexture() {
  if (!registeredKey_.IsEmpty()) {
    if (TAssetManager* manager = GetAssetManager()) manager->Remove(registeredKey_, this);
  }
}

uint32_t TAnimatedTexture::GetFrameTime(int frame) const { return Valid(frame) ? frames_[frame].ms : 0; }

uint32_t TAnimatedTexture::GetFrameWidth(int frame) const {
  if (!Valid(frame)) return 0;
  const Frame& f = frames_[frame];
  return f.rect.IsEmpty() ? f.texture->GetWidth() : uint32_t(f.rect.Width());
}

uint32_t TAnimatedTexture::GetFrameHeight(int frame) const {
  if (!Valid(frame)) return 0;
  const Frame& f = frames_[frame];
  return f.rect.IsEmpty() ? f.texture->GetHeight() : uint32_t(f.rect.Height());
}

TPoint TAnimatedTexture::GetFrameOffset(int frame) const {
  return Valid(frame) ? TPoint(frames_[frame].dx, frames_[frame].dy) : TPoint();
}

void TAnimatedTexture::DrawFrame(int frame, const TDrawParams& params) {
  if (!Valid(frame)) return;
  const Frame& f = frames_[frame];
  TDrawParams p = params;
  if (!f.rect.IsEmpty()) {
    p.flags |= TDrawParams::kUseSourceRect;
    p.sourceRect = f.rect;
  }
  if (f.dx || f.dy) {
    // The offset is in the picture's own space, before the record's transform.
    TMat3 shift;
    shift.Translate(float(f.dx), float(f.dy));
    p.transform = shift * p.transform;
  }
  f.texture->Draw(p);
}
