#include "game/shell/widgets/shadow.h"

#include <algorithm>

#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "render/textures/texture.h"
#include "ui/message.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
constexpr float kShortestFade = 0.001f;
constexpr int kSlowestTick = 1000;  // ms
}  // namespace

TShadow::TShadow() {
  darkening_ = IsShadowDarkening();
  alpha_ = darkening_ ? 0.0f : 1.0f;
  const float defaultDuration = 1.0f;
  ReadXmlFloat(GetMainXml(), "Common", "shadowTime", &duration_, &defaultDuration);
  if (!(duration_ >= kShortestFade)) duration_ = kShortestFade;
}

TShadow::~TShadow() = default;

void TShadow::Init(TWindowStyle& style) {
  TWindow::Init(style);
  const int defaultRate = 16;
  int rate = defaultRate;
  ReadXmlInt(GetMainXml(), "Common", "animrate", &rate, &defaultRate);
  rate = std::max(1, std::min(kSlowestTick, rate));
  Animate(uint32_t(rate), true, true, false);
  frameStep_ = float(rate) / 1000.0f;
  texture_ = TTexture::Get("backgrounds/sh1", 0);
}

void TShadow::Run(const std::string& text) {
  if (TWindowManager* wm = GetWindowManager()) wm->RunScriptText(this, TString(text));
}

bool TShadow::Update() {
  TWindowManager* wm = GetWindowManager();
  if (wm) wm->Invalidate();
  elapsed_ += frameStep_;
  float f = std::min(1.0f, elapsed_ / duration_);
  if (darkening_) {
    alpha_ = f;
    Run(kSoundStepText);
  } else {
    alpha_ = 1.0f - f;
  }
  if (elapsed_ < duration_) return true;
  elapsed_ = 0;
  if (darkening_) {
    // Full dark: the change is carried out. It stays stored, so a shadow
    // opened later without a new CSWithSh carries it out again.
    const std::string target = GetShadowTarget(), script = GetShadowScript();
    SetShadowDarkening(false);
    darkening_ = false;
    Run(kPopSelfText);
    if (!target.empty()) Run("PopModal(" + LuaQuote(target) + ")");
    if (!script.empty()) Run("DoModal(" + LuaQuote(script) + ")");
    Run(kOpenShadowText);
  } else {
    // Clear: the transition is over.
    if (wm) wm->PostMessage(new TMessage(kShadowDoneMessage, TString(), nullptr));
    SetShadowDarkening(true);
    darkening_ = true;
    Run(kPopSelfText);
  }
  return true;
}

void TShadow::Draw() {
  if (!texture_) return;
  TRender2dScope scope;
  TRenderer* r = TRenderer::GetInstance();
  TRect client;
  GetClientRect(client);
  float w = float(client.Width()), h = float(client.Height());
  const TVec2 corners[4] = {TVec2(0, 0), TVec2(w, 0), TVec2(w, h), TVec2(0, h)};
  // The whole picture, whatever padding its surface has.
  uint32_t aw = 0, ah = 0;
  texture_->GetAllocatedSize(&aw, &ah);
  const TVec2 uv[2] = {TVec2(0, 0), TVec2(aw ? float(texture_->GetWidth()) / float(aw) : 1.0f,
                                          ah ? float(texture_->GetHeight()) / float(ah) : 1.0f)};
  BuildQuadVertices(vertices_, TVec2(0, 0), corners, uv, TMat3(), alpha_, TFloatColor(1, 1, 1, 1));
  r->SetTexture(texture_);
  r->SetTextureAddressMode(kAddressWrap, kAddressWrap);
  TVertexSet* set = MakeVertexSet2(vertices_, 4);
  r->DrawVertices(kPrimTriangleFan, set);
  FreeVertexSet(set);
  r->SetTextureAddressMode(kAddressClamp, kAddressClamp);
}
