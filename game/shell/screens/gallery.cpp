#include "game/shell/screens/gallery.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/storyservices.h"
#include "game/shell/data/userinfo.h"
#include "game/shell/screens/wallpaper.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "render/renderer.h"
#include "render/text/textsprite.h"
#include "render/textures/texture.h"
#include "script/bind.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {

constexpr int kSlowestTick = 1000;  // ms
constexpr int kSlotsPerPage = 4;
constexpr int kMostSlots = 4096;
// Numbers from the style are kept within this, so every sum of them stays exact enough and in range.
constexpr float kLargestNumber = 100000.0f;
constexpr int kLargestTitleSide = 4096, kLargestFontSize = 512;

std::vector<std::string> Pieces(const TString& text) {
  std::vector<std::string> out;
  SplitString(text.str(), ';', out);
  return out;
}

// Up to `count` numbers separated by commas from one piece; missing ones stay 0.
int ReadNumbers(const std::string& piece, float* out, int count) {
  std::vector<std::string> parts;
  SplitString(piece, ',', parts);
  int read = 0;
  for (int i = 0; i < count; ++i) {
    out[i] = 0;
    if (i < int(parts.size()) && std::sscanf(parts[size_t(i)].c_str(), "%f", &out[i]) == 1 && std::isfinite(out[i])) {
      out[i] = std::max(-kLargestNumber, std::min(kLargestNumber, out[i]));
      ++read;
    } else {
      out[i] = 0;
    }
  }
  return read;
}

// A coordinate from data, kept where the int conversion is defined.
int ToInt(float v) { return int(std::max(-1.0e6f, std::min(1.0e6f, v))); }

void DrawTopLeft(const TTextureRef& texture, float x, float y) {
  if (texture) texture->DrawAt(x, y, 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter);
}

}  // namespace

TGameGallery::TGameGallery() {
  bindings_ = MakeScriptBindings();
  if (bindings_) bindings_->Bind("SetUserWallpaper", this, &TGameGallery::SetUserWallpaper);
}

TGameGallery::~TGameGallery() {
  bindings_.reset();  // the global goes with the window
}

void TGameGallery::Init(TWindowStyle&) {
  // The base Init (the style's name and placement) is not run: PostInit
  // places the window.
  const int defaultRate = 16;
  int rate = defaultRate;
  ReadXmlInt(GetMainXml(), "Common", "animrate", &rate, &defaultRate);
  rate = std::max(1, std::min(kSlowestTick, rate));
  frameTime_ = float(rate) / 1000.0f;
  Animate(uint32_t(rate), true, true, false);
  if (TPlatform* platform = TPlatform::GetInstance()) {
    if (TTextureRef cursor = TTexture::GetFlagged("cursor/cursor")) platform->SetCursor(cursor, 1, 1, 0);
    int w = 0, h = 0;
    bool fullScreen = false;
    platform->GetDisplayMode(&w, &h, &fullScreen);
    if (w > 0 && h > 0) SetSize(w, h);
  }
}

void TGameGallery::PostInit(TWindowStyle& style) {
  TWindow::PostInit(style);
  // The gallery takes its screen's keys through a bare child of its own, which
  // passes them up to it (Escape is its back button). The gallery itself is
  // not its screen's focus child: a message it leaves would be offered to it
  // again there ("wallpaper" without a selection would show the hint twice).
  auto* keys = new TWindow();
  if (AddChild(keys, false)) TakeScreenKeys(keys);
  else delete keys;
  auto text = [&style](const char* key) { return style.GetString(key, TString()); };
  backTex_ = TTexture::Get(text("back"));
  frontTex_ = TTexture::Get(text("front"));
  buttBack_.reset(CreateButtonFromStyle(text("buttback").c_str(), this));
  buttWallpaper_.reset(CreateButtonFromStyle(text("buttwallpaper").c_str(), this));
  buttLeft_.reset(CreateButtonFromStyle(text("buttleft").c_str(), this));
  buttRight_.reset(CreateButtonFromStyle(text("buttright").c_str(), this));
  selectedTex_ = TTexture::Get(text("selected_img"));
  lockedTex_ = TTexture::Get(text("no_img"));
  musicName_ = text("music");
  ambientName_ = text("ambient");
  PlayMusic(musicName_, ambientName_);

  const int noSlots = 0;
  int count = 0;
  ReadXmlInt(GetMainXml(), "Common", "wallpapersCount", &count, &noSlots);
  if (count < 0 || count > kMostSlots) {
    TraceOut("Gallery: \"wallpapersCount\" %d is out of range; using %d", count, std::max(0, std::min(kMostSlots, count)));
    count = std::max(0, std::min(kMostSlots, count));
  }
  slots_.assign(size_t(count), GalleryThumb_t());
  for (int i = 0; i < count; ++i) slots_[size_t(i)].index = i;
  UnlockEarned();

  ReadGeometry(text("list_time"), text("images_rect"), text("title"));
  page_ = 0;
  Layout(true);
  moving_ = 0;
  selected_ = -1;
}

void TGameGallery::UnlockEarned() {
  std::vector<TString> earned;
  std::set<std::string> seen;
  for (const TString& entry : GetGameProgress().photos)
    if (!entry.IsEmpty() && seen.insert(entry.str()).second) earned.push_back(entry);
  if (earned.size() > slots_.size())
    TraceOut("Gallery: %zu wallpapers are earned but only %zu slots exist (\"wallpapersCount\"); the rest are left out",
             earned.size(), slots_.size());
  for (size_t k = 0; k < earned.size() && k < slots_.size(); ++k) {
    GalleryThumb_t& slot = slots_[k];
    slot.wallpaperName = earned[k] + "_wallpaper";
    slot.thumbTex = TTexture::Get(earned[k]);
    slot.unlocked = true;
    char name[64];
    std::snprintf(name, sizeof name, "verdan_wallpaper%zu", k + 1);
    ExportWallpaperBitmap(TTexture::Get(slot.wallpaperName), name);
  }
}

void TGameGallery::ReadGeometry(const TString& listTime, const TString& imagesRect, const TString& title) {
  std::vector<std::string> pieces = Pieces(listTime);
  listTime_ = 0;
  if (pieces.empty() || std::sscanf(pieces[0].c_str(), "%f", &listTime_) != 1 || !(listTime_ >= 0) ||
      !(listTime_ <= 3600)) {
    TraceOut("Gallery: \"list_time\" \"%s\" is not a number; pages change at once", listTime.c_str());
    listTime_ = 0;
  }

  pieces = Pieces(imagesRect);
  float origin[2] = {0, 0}, one[1];
  bool complete = pieces.size() >= 5 && ReadNumbers(pieces[0], origin, 2) == 2;
  if (!pieces.empty() && !complete) ReadNumbers(pieces[0], origin, 2);
  float* fields[4] = {&offsetX_, &offsetY_, &gapX_, &gapY_};
  for (size_t i = 0; i < 4; ++i) {
    bool found = i + 1 < pieces.size() && ReadNumbers(pieces[i + 1], one, 1) == 1;
    *fields[i] = found ? one[0] : 0.0f;
    complete = complete && found;
  }
  if (!complete) TraceOut("Gallery: \"images_rect\" \"%s\" lacks pieces; they count as 0", imagesRect.c_str());

  float w = 0, h = 0;
  SlotSize(&w, &h);
  int x0 = ToInt(origin[0]), y0 = ToInt(origin[1]);
  int iw = int(w), ih = int(h);
  imagesRect_ = TRect(x0, y0, x0 + ToInt(2 * (offsetX_ + iw) + 3 * gapX_), y0 + ToInt(2 * (offsetY_ + ih + gapY_)));

  pieces = Pieces(title);
  titleSprite_.reset();
  if (pieces.size() < 5) {
    if (!title.IsEmpty()) TraceOut("Gallery: \"title\" \"%s\" lacks pieces; no title", title.c_str());
    return;
  }
  float box[4], colour[4];
  ReadNumbers(pieces[1], box, 4);
  ReadNumbers(pieces[4], colour, 4);
  titlePos_ = TVec2(box[0], box[1]);
  int size = std::max(1, std::min(kLargestFontSize, std::atoi(pieces[3].c_str())));
  int boxW = std::max(1, std::min(kLargestTitleSide, ToInt(box[2])));
  int boxH = std::max(1, std::min(kLargestTitleSide, ToInt(box[3])));
  titleSprite_ = TTextSprite::Create(boxW, boxH, 1, TString(pieces[2]), size,
                                     TFloatColor(colour[0] / 255, colour[1] / 255, colour[2] / 255, colour[3] / 255));
  if (titleSprite_) titleSprite_->SetText(GetLocalizedText(pieces[0]));
}

void TGameGallery::SlotSize(float* w, float* h) const {
  *w = lockedTex_ ? float(lockedTex_->GetWidth()) : 0.0f;
  *h = lockedTex_ ? float(lockedTex_->GetHeight()) : 0.0f;
}

int TGameGallery::GetLastPage() const {
  return slots_.empty() ? 0 : (int(slots_.size()) + kSlotsPerPage - 1) / kSlotsPerPage - 1;
}

void TGameGallery::Layout(bool snap) {
  float w = 0, h = 0;
  SlotSize(&w, &h);
  const float pageWidth = 2 * w + 2 * gapX_;
  for (GalleryThumb_t& slot : slots_) {
    int p = slot.index % kSlotsPerPage, row = p / 2, col = p % 2, pg = slot.index / kSlotsPerPage;
    TVec2 target(float(imagesRect_.left) + offsetX_ + float(col) * (w + gapX_) + float(pg - page_) * pageWidth,
                 float(imagesRect_.top) + offsetY_ + float(row) * (h + gapY_));
    slot.from = slot.pos;
    slot.to = target;
    if (snap) slot.pos = target;
    int x = ToInt(target.x), y = ToInt(target.y);
    slot.rect = TRect(x, y, x + int(w), y + int(h));
    slot.onPage = pg == page_;
  }
  selected_ = -1;
  if (buttLeft_) buttLeft_->visible = page_ > 0;
  if (buttRight_) buttRight_->visible = page_ < GetLastPage();
}

void TGameGallery::StartSlide(int newPage) {
  page_ = newPage;
  Layout(false);
  slideElapsed_ = 0;
  moving_ = 1;
}

bool TGameGallery::Update() {
  if (moving_) {
    slideElapsed_ += frameTime_;
    if (slideElapsed_ >= listTime_) {
      moving_ = 0;
      slideElapsed_ = listTime_;
    }
    float t = listTime_ > 0 ? slideElapsed_ / listTime_ : 1.0f;
    for (GalleryThumb_t& slot : slots_) slot.pos = LerpPoint(slot.from.x, slot.from.y, slot.to.x, slot.to.y, t);
  }
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  return true;
}

void TGameGallery::DrawSlots() {
  TRenderer* r = TRenderer::GetInstance();
  const TRect screen = GetScreenRect();
  auto onScreen = [&screen](TRect rc) {
    rc.left += screen.left;
    rc.right += screen.left;
    rc.top += screen.top;
    rc.bottom += screen.top;
    return rc;
  };
  float w = 0, h = 0;
  SlotSize(&w, &h);
  const int ox = int(offsetX_);
  // The page: every slot, of every page and in every slide, is clipped to it.
  const TRect page(imagesRect_.left - ox, imagesRect_.top, imagesRect_.right - ox, imagesRect_.bottom);
  r->PushViewport(onScreen(page));
  for (const GalleryThumb_t& slot : slots_) {
    int x = ToInt(slot.pos.x), y = ToInt(slot.pos.y);
    if (!slot.unlocked || !slot.thumbTex) {
      // An earned slot whose picture is missing shows as locked rather than as nothing.
      DrawTopLeft(lockedTex_, slot.pos.x, slot.pos.y);
      continue;
    }
    TRect visible(std::max(x, 0), std::max(y, 0), x + int(w), y + int(h));
    if (visible.right < visible.left) visible.right = visible.left;
    if (visible.bottom < visible.top) visible.bottom = visible.top;
    // A viewport replaces the one below it: the slot's box is cut to the page here.
    TRect clip(std::max(visible.left, page.left), std::max(visible.top, page.top),
               std::min(visible.right, page.right), std::min(visible.bottom, page.bottom));
    if (clip.right < clip.left) clip.right = clip.left;
    if (clip.bottom < clip.top) clip.bottom = clip.top;
    r->PushViewport(onScreen(clip));
    float cx = slot.pos.x + float(visible.Width()) / 2, cy = slot.pos.y + float(visible.Height()) / 2;
    DrawTopLeft(slot.thumbTex, cx - float(slot.thumbTex->GetWidth()) / 2, cy - float(slot.thumbTex->GetHeight()) / 2);
    r->PopViewport();
  }
  r->PopViewport();
}

void TGameGallery::Draw() {
  TRender2dScope scope;
  DrawTopLeft(backTex_, 0, 0);
  DrawSlots();
  DrawTopLeft(frontTex_, 0, 0);
  if (titleSprite_) titleSprite_->Draw(TDrawParams(titlePos_, 1.0f, 1.0f, 0), -1);
  if (selected_ >= 0 && selected_ < int(slots_.size()) && selectedTex_) {
    const GalleryThumb_t& slot = slots_[size_t(selected_)];
    float cx = slot.pos.x + float(slot.rect.Width()) / 2, cy = slot.pos.y + float(slot.rect.Height()) / 2;
    DrawTopLeft(selectedTex_, cx - float(selectedTex_->GetWidth()) / 2, cy - float(selectedTex_->GetHeight()) / 2);
  }
  for (Button_t* b : {buttBack_.get(), buttWallpaper_.get(), buttLeft_.get(), buttRight_.get()})
    if (b) b->Draw();
}

bool TGameGallery::OnMouseDown(const TPoint& p) {
  if (moving_) return false;
  for (Button_t* b : {buttBack_.get(), buttWallpaper_.get(), buttLeft_.get(), buttRight_.get()})
    if (b) b->OnMouseDown(p.x, p.y);
  if (imagesRect_.Contains(p)) {
    for (const GalleryThumb_t& slot : slots_)
      if (slot.onPage && slot.rect.Contains(p) && slot.unlocked) selected_ = slot.index;
  }
  return true;
}

bool TGameGallery::OnMouseUp(const TPoint& p) {
  if (moving_) return false;
  // A click may open another screen; the buttons are read before each call.
  if (buttBack_) buttBack_->OnMouseUp(p.x, p.y);
  if (buttWallpaper_) buttWallpaper_->OnMouseUp(p.x, p.y);
  if (buttLeft_) buttLeft_->OnMouseUp(p.x, p.y);
  if (buttRight_) buttRight_->OnMouseUp(p.x, p.y);
  return true;
}

bool TGameGallery::OnMouseMove(const TPoint& p) {
  for (Button_t* b : {buttBack_.get(), buttWallpaper_.get(), buttLeft_.get(), buttRight_.get()})
    if (b) b->OnMouseMove(p.x, p.y);
  return true;
}

bool TGameGallery::OnChar(unsigned char c) { return EscapePressesButton(this, c, "back"); }

bool TGameGallery::OnMessage(TMessage* message) {
  if (!message) return false;
  const TString& text = message->GetText();
  TWindowManager* wm = GetWindowManager();
  if (text == "back") {
    UserInfo* users = GetUserInfo();
    const char* target = "scripts/mainmenu.lua";
    if (users && users->NeedShowGallery() == 1) {
      users->ShowGalleryWnd(0);
      target = "scripts/maingame.lua";
    }
    CSWithSh("GameGallery", target);
    if (wm) {
      wm->RunScriptText(this, "if(not(StartSoundFade == nil)) then StartSoundFade(); end");
      wm->RunScriptText(this, "DoModal('scripts/shadow.lua')");
    }
    return true;
  }
  if (text == "listleft") {
    if (page_ > 0 && !moving_) StartSlide(page_ - 1);
    return true;
  }
  if (text == "listright") {
    if (page_ < GetLastPage() && !moving_) StartSlide(page_ + 1);
    return true;
  }
  if (text == "wallpaper") {
    if (selected_ != -1) {
      if (wm) wm->RunScriptText(this, "DoModal('scripts/asksetwallpaper.lua')");
      return true;
    }
    RequestMiniTutor(this, "infowallpaperempty");
    return false;
  }
  return false;
}

void TGameGallery::SetUserWallpaper() {
  if (selected_ < 0 || selected_ >= int(slots_.size()) || !slots_[size_t(selected_)].unlocked) {
    TraceOut("Gallery: SetUserWallpaper without an earned wallpaper selected; nothing is set");
    return;
  }
  const GalleryThumb_t& slot = slots_[size_t(selected_)];
  TTextureRef picture = TTexture::Get(slot.wallpaperName);
  if (!picture) {
    TraceOut("Gallery: the wallpaper picture \"%s\" cannot be loaded; nothing is set", slot.wallpaperName.c_str());
    return;
  }
  SetWallpaperFromTexture(picture, "wt");
}

Button_t* TGameGallery::GetButton(const char* command) const {
  for (Button_t* b : {buttBack_.get(), buttWallpaper_.get(), buttLeft_.get(), buttRight_.get()})
    if (b && b->name == command) return b;
  return nullptr;
}

void RegisterGalleryWindowType(TWindowManager* wm) {
  if (wm) wm->RegisterWindowType("GameGallery", TGameGallery::ClassCreator());
}
