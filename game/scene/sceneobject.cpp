#include "game/scene/sceneobject.h"

#include "game/shell/widgets/gameutils.h"
#include "render/drawparams.h"
#include "render/textures/texture.h"

Object_t::Object_t() = default;
Object_t::~Object_t() = default;

bool Object_t::SetEffect(const char* effectName, TEffHolder_t* holder, const TVec2* target) {
  if (effect_) return false;
  const TiXmlElement* definition = PictEff_t::FindDefinition(effectName);
  if (!definition) return false;
  auto effect = std::make_unique<PictEff_t>();
  effect->name = effectName;
  effect->basePos = Center();
  effect->frameWidth = rect.Width();
  effect->frameHeight = rect.Height();
  if (!shown) effect->SetAlpha(0);
  if (zoom != 1.0f) effect->baseScale = zoom;
  effect->LoadEffects(definition);
  effect->texture = texture;
  if (texture && texture->GetWidth() > 0 && texture->GetHeight() > 0) {
    effect->imageWidth = float(texture->GetWidth());
    effect->imageHeight = float(texture->GetHeight());
    // The picture is drawn at the rectangle's size, so the effect starts
    // there too: rectangle over picture, not the other way round.
    effect->scaleX = float(rect.Width()) / effect->imageWidth;
    effect->scaleY = float(rect.Height()) / effect->imageHeight;
  }
  effect->ResetPosition();
  effect->holder = holder;
  if (target) effect->target = *target;
  effect_ = std::move(effect);
  return true;
}

void Object_t::Update(float dt) {
  if (!effect_ || !effect_->Update(dt)) return;
  // The effect goes first: the holder may attach the next one.
  std::unique_ptr<PictEff_t> done = std::move(effect_);
  if (!suppressEffectEnd && done->holder) done->holder->OnEffectEnd(TString(done->name.c_str()));
}

void Object_t::Draw(float alpha) const {
  if (effect_) {
    if (alpha <= 0) return;
    TMat3 at;
    TranslateMatrix(at, effect_->pos);
    int saved = effect_->alpha;
    effect_->alpha = int(float(saved) * alpha);
    effect_->Draw(at);
    effect_->alpha = saved;
    return;
  }
  if (!shown || !texture || texture->GetWidth() == 0) return;
  float scale = float(rect.Width()) / float(texture->GetWidth());
  TDrawParams params(TVec2(float(rect.left), float(rect.top)), alpha, scale, TDrawParams::kAnchorAtCenter);
  texture->Draw(params);
}

bool Object_t::Contains(int x, int y) const {
  return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

TVec2 Object_t::Center() const {
  return TVec2(float(rect.left) + float(rect.Width()) / 2, float(rect.top) + float(rect.Height()) / 2);
}
