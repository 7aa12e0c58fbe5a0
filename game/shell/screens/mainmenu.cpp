#include "game/shell/screens/mainmenu.h"

#include <cstdio>
#include <string>
#include <vector>

#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/particles/particles.h"
#include "game/shell/widgets/styletext.h"
#include "game/shell/upperlayers.h"
#include "game/shell/data/userinfo.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "render/renderer.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "script/bind.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
constexpr float kScreenWidth = 1024.0f;
constexpr int kOffX = 1024, kOffY = 768;
constexpr float kTwoPi = 6.2831855f;
}  // namespace

float TMainMenu::cloudOffset1 = 0;
float TMainMenu::cloudOffset2 = 0;
int TMainMenu::focusCounter = 0;
int TMainMenu::cheatFlag = 0;

void TMainMenu::RotatingPicture::Step(float dt) {
  if (!(period > 0)) return;  // no period: it stands still (and never divides by zero)
  elapsed += dt;
  if (elapsed >= period) elapsed = period;
  angle = Lerp(0.0f, kTwoPi, elapsed / period);
  if (elapsed >= period) elapsed = 0;
}

float TMainMenu::StepCloud(float offset, float speed) {
  offset += speed;
  if (offset > kScreenWidth) offset -= kScreenWidth;
  return offset;
}

TMainMenu::TMainMenu() {
  bindings_ = MakeScriptBindings();
  if (bindings_) {
    bindings_->Bind("SetWelcomeName", this, &TMainMenu::SetWelcomeName);
    bindings_->Bind("ReloadAll", this, &TMainMenu::ReloadAll);
    bindings_->Bind("IsButtAlbumVisible", this, &TMainMenu::IsButtAlbumVisible);
    bindings_->Bind("IsNeedWelcome", this, &TMainMenu::IsNeedWelcome);
  }
  SetDefaultGameCursor();
  const int noCheat = 0;
  ReadXmlInt(GetMainXml(), "Common", "Cheet", &cheatFlag, &noCheat);
}

TMainMenu::~TMainMenu() { bindings_.reset(); }

void TMainMenu::Run(const char* text) {
  if (TWindowManager* wm = GetWindowManager()) wm->RunScriptText(this, text);
}

bool TMainMenu::ReloadGameData() {
  TWindowManager* wm = GetWindowManager();
  TWindow* top = wm ? wm->GetTopModal() : nullptr;
  if (top && top != GetModalOwner()) {
    TraceOut("Main menu: game data not reloaded while another screen is open");
    return false;
  }
  LoadMainXml();
  LoadInfosXml();
  return true;
}

void TMainMenu::SetWelcomeName() {
  UserInfo* users = GetUserInfo();
  welcomeText_.SetText(users ? users->GetCurrentUserName() : TString());
}

void TMainMenu::ReloadAll() {
  if (cheatFlag == 1) ReloadGameData();
}

bool TMainMenu::IsButtAlbumVisible() const { return !GetGameProgress().photos.empty(); }

void TMainMenu::ReadWelcome(const TString& text) {
  std::vector<std::string> parts;
  SplitString(text.str(), ';', parts);
  int size = 0;
  TRect rect;
  TFloatColor colour;
  if (parts.size() < 4 || !ParseIntList(parts[1], &size, 1) || !ParseRectText(parts[2], &rect) ||
      !ParseColorText(parts[3], &colour)) {
    if (!text.IsEmpty()) TraceOut("Main menu: usernamedef \"%s\" is not \"font;size;x,y,w,h;r,g,b,a\"", text.c_str());
    return;
  }
  welcomeRect_ = rect;
  welcomeText_.CreateText(TString(), rect.Width(), rect.Height(), 5, parts[0].c_str(), size, colour);
  SetWelcomeName();
}

void TMainMenu::ReadParticles(const TString& text) {
  std::vector<std::string> parts;
  SplitString(text.str(), ';', parts);
  if (parts.size() % 3 != 0) TraceOut("Main menu: particles \"%s\" ends in an incomplete group; ignored", text.c_str());
  for (size_t i = 0; i + 2 < parts.size(); i += 3) {
    int pos[2];
    if (!ParseIntList(parts[i + 1] + "," + parts[i + 2], pos, 2)) {
      TraceOut("Main menu: particle group %s has no position; ignored", parts[i].c_str());
      continue;
    }
    if (pendingEmitters_.size() >= size_t(kMaxEmitters)) {
      TraceOut("Main menu: more than %d particle effects; the rest are ignored", kMaxEmitters);
      break;
    }
    pendingEmitters_.push_back({parts[i], pos[0], pos[1]});
  }
}

void TMainMenu::ReadZInfo(const TString& text) {
  std::vector<std::string> parts;
  SplitString(text.str(), ';', parts);
  if (parts.empty()) return;
  float v[3] = {0, 0, 0};
  if (parts.size() < 2 || !ParseFloatList(parts[1], v, 3)) {
    TraceOut("Main menu: z_info_anim \"%s\" is not \"texture;x, y, period\"", text.c_str());
    return;
  }
  zInfoAnim_.texture = TTexture::Get(parts[0].c_str());
  zInfoAnim_.x = v[0];
  zInfoAnim_.y = v[1];
  zInfoAnim_.period = v[2];
  if (!(v[2] > 0)) TraceOut("Main menu: z_info_anim period %g: the picture does not turn", double(v[2]));
  zInfoAnim_.angle = 0;
  zInfoAnim_.elapsed = 0;
}

void TMainMenu::PostInit(TWindowStyle& style) {
  TWindow::PostInit(style);
  if (cheatFlag == 1) ReloadGameData();
  Animate(16, true, true, false);
  frameStep_ = 0.016f;
  ReadWelcome(style.GetString("usernamedef", ""));
  // The panes' pictures are decoded side by side first; each pane below then
  // finds its texture made.
  std::vector<TString> pictures;
  for (const char* key : {"pane1", "panecloud1", "panecloud2", "pane3", "logo"}) {
    const std::string text = style.GetString(key, "").str();
    if (!text.empty()) pictures.push_back(TString(text.substr(0, text.find(','))));
  }
  const std::vector<TTextureRef> decoded = TTexture::GetMany(pictures);
  // A missing pane is no pane; only a malformed one is logged.
  auto pane = [&](const char* key) {
    TString text = style.GetString(key, "");
    return text.IsEmpty() ? nullptr : ParsePaneDescr(text);
  };
  pane1_ = pane("pane1");
  paneCloud1_ = pane("panecloud1");
  paneCloud2_ = pane("panecloud2");
  pane3_ = pane("pane3");
  logo_ = pane("logo");
  cloudSpeed1_ = float(style.GetNumber("cloudSpeed1", 0));
  cloudSpeed2_ = float(style.GetNumber("cloudSpeed2", 0));
  TString buttZ = style.GetString("buttZ", "");
  if (!buttZ.IsEmpty()) buttZ_.reset(CreateButtonFromStyle(buttZ.c_str(), this));
  TString albumOff = style.GetString("buttphotoalbum", "");
  if (!albumOff.IsEmpty()) albumOffImage_ = TTexture::Get(albumOff);
  PlayMusic(style.GetString("music", ""), style.GetString("ambient", ""));
  waterfall_.Load("assets/anim/waterfall_anim.xml");
  waterfall_.Restart();
  ReadParticles(style.GetString("particles", ""));
  if (ShouldWarnNoSoundDevice()) ShowMiniTutor(this, "infosoundcarddisabled");
  if (TWindow* welcome = FindChild("welcomea")) welcomePos_ = TPoint(welcome->GetRect().left, welcome->GetRect().top);
  else TraceOut("Main menu: no child \"welcomea\"");
  if (TWindow* album = FindChild("album")) albumPos_ = TPoint(album->GetRect().left, album->GetRect().top);
  else TraceOut("Main menu: no child \"album\"");
  albumHidden_ = !IsButtAlbumVisible();
  ReadZInfo(style.GetString("z_info_anim", ""));
}

void TMainMenu::MoveChild(const char* name, const TPoint& home, bool away) {
  TWindow* child = FindChild(name);
  if (!child) return;
  if (away) child->MoveTo(kOffX, kOffY);
  else if (child->GetRect().left != home.x || child->GetRect().top != home.y) child->MoveTo(home.x, home.y);
}

bool TMainMenu::Update() {
  if (!pendingEmitters_.empty()) {
    for (const PendingEmitter& e : pendingEmitters_)
      AddParticleEmitter(e.name.c_str(), float(e.x), float(e.y), 0, true, 0, 1);
    pendingEmitters_.clear();
  }
  if (++focusCounter >= 10) {
    Run(kFocusText);
    focusCounter = 0;
  }
  UserInfo* users = GetUserInfo();
  if (!users || users->GetNumUsers() == 0) SetNeedFirstEnterName(1);
  cloudOffset1 = StepCloud(cloudOffset1, cloudSpeed1_);
  cloudOffset2 = StepCloud(cloudOffset2, cloudSpeed2_);
  MoveChild("welcomea", welcomePos_, GetNeedFirstEnterName() == 1);
  albumHidden_ = !IsButtAlbumVisible();
  MoveChild("album", albumPos_, albumHidden_);
  waterfall_.Update(frameStep_);
  zInfoAnim_.Step(frameStep_);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  UpdateParticles(frameStep_);
  return true;
}

void TMainMenu::Draw() {
  TRender2dScope scope;
  if (pane1_) pane1_->Draw();
  for (auto layer : {std::make_pair(paneCloud1_.get(), cloudOffset1), std::make_pair(paneCloud2_.get(), cloudOffset2)}) {
    if (!layer.first || !layer.first->texture) continue;
    for (float x : {layer.second, layer.second - kScreenWidth})
      layer.first->texture->Draw(TDrawParams(TVec2(x, 0), 1.0f, 1.0f, TDrawParams::kAnchorAtCenter));
  }
  if (pane3_) pane3_->Draw();
  if (logo_) logo_->Draw();
  if (TTextBlock* block = welcomeText_.GetBlock())
    block->Draw(TVec2(float(welcomeRect_.left), float(welcomeRect_.top)), float(welcomeRect_.Height()), 1.0f, 0, 1.0f);
  if (albumHidden_ && albumOffImage_)
    albumOffImage_->Draw(TDrawParams(TVec2(float(albumPos_.x), float(albumPos_.y)), 1.0f, 1.0f,
                                     TDrawParams::kAnchorAtCenter));
  waterfall_.Draw(0, 0, 1024, 768, 1.0f);
  DrawParticleEmitter(0, 1.0f, TRect(0, 0, 10, 10), 1);
  if (zInfoAnim_.texture) DrawTextureRotated(zInfoAnim_.texture, int(zInfoAnim_.x), int(zInfoAnim_.y), zInfoAnim_.angle, 1.0f);
  if (buttZ_) buttZ_->Draw();
}

void TMainMenu::PostDraw() { TRender2dScope scope; }

bool TMainMenu::OnMessage(TMessage* message) {
  if (!message) return false;
  if (message->type == 1001) return true;
  const TString& text = message->text;
  if (text == "album") {
    Run(kAlbumText1);
    Run(kAlbumText2);
    return true;
  }
  if (text == "windrose") {
    Run(kWindroseText);
    return true;
  }
  if (text == "choospl") {
    Run(kChooseText);
    return true;
  }
  return false;
}

bool TMainMenu::OnKeyDown(unsigned char key, int modifiers) {
  if (key == 0x71 && cheatFlag == 1 && GetNeedFirstEnterName() == 0) {
    if (ReloadGameData()) {
      SetCanUseSymbol(1);
      Run(kEnterLevelText);
    }
  }
  return false;
}

bool TMainMenu::OnMouseDown(const TPoint& p) {
  if (logo_ && !logo_->link.IsEmpty() && logo_->Contains(p.x, p.y))
    if (TPlatform* platform = TPlatform::GetInstance()) platform->OpenUrl(logo_->link);
  if (buttZ_) buttZ_->OnMouseDown(p.x, p.y);
  return true;
}

bool TMainMenu::OnMouseMove(const TPoint& p) {
  if (buttZ_) buttZ_->OnMouseMove(p.x, p.y);
  return true;
}

bool TMainMenu::OnMouseUp(const TPoint& p) {
  if (buttZ_) buttZ_->OnMouseUp(p.x, p.y);
  return true;
}
