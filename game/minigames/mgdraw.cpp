#include "game/minigames/mgdraw.h"

#include <algorithm>

#include "game/minigames/mgresources.h"
#include "platform/shell/platform.h"
#include "render/drawparams.h"
#include "render/text/textsprite.h"
#include "render/textures/texture.h"

namespace mgdraw {

int Width(const boost::shared_ptr<TTexture>& t) { return t ? int(t->GetWidth()) : 0; }
int Height(const boost::shared_ptr<TTexture>& t) { return t ? int(t->GetHeight()) : 0; }

void DrawTopLeft(const boost::shared_ptr<TTexture>& t, float x, float y) {
  if (t) t->DrawAt(x, y, 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter);
}

void SetCursorPicture(const TString& name) {
  if (name.IsEmpty()) return;
  if (TPlatform* platform = TPlatform::GetInstance()) platform->SetCursor(TTexture::GetFlagged(name), 1, 1, 0);
}

boost::shared_ptr<TTextSprite> Caption(const MGTextStyle& style, const TString& text) {
  auto sprite = TTextSprite::Create(std::max(1, style.width), std::max(1, style.height), style.align, style.font,
                                    style.fh, style.color);
  if (sprite) sprite->SetText(text);
  return sprite;
}

}  // namespace mgdraw
