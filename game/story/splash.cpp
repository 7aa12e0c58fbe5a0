#include "game/story/splash.h"

#include <tinyxml.h>

#include <algorithm>

#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/widgets/shadow.h"
#include "game/story/storyutil.h"
#include "platform/log.h"
#include "render/drawparams.h"
#include "render/renderer.h"
#include "render/textures/texture.h"
#include "ui/flashhost.h"
#include "ui/message.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {

// More "Text" elements than this are not read.
constexpr size_t kMaxSplashTexts = 64;
// A click-stop delay at or below this has no wait: the exit follows on the next update.
constexpr float kShortestStopDelay = 0.01f;

struct SplashState {
  TString movie, picture, script;
  std::unique_ptr<TFlashHost> host;
  bool playing = false;
  int clickInFlash = 0;
  float stopDelay = 0;
  bool stoppedByClick = false;
  float stopClock = 0;
};

SplashState& State() {
  static SplashState state;
  return state;
}

void DeleteMovie() {
  SplashState& s = State();
  if (s.host) {
    s.host->Close();
    s.host.reset();
  }
  s.playing = false;
}

}  // namespace

namespace story {

void SetSplashInfo(const TString& movie, const TString& picture, const TString& script) {
  SplashState& s = State();
  s.movie = movie;
  s.picture = picture;
  s.script = script;
}

const TString& GetSplashMovie() { return State().movie; }
const TString& GetSplashPicture() { return State().picture; }
const TString& GetSplashScript() { return State().script; }

bool IsFlashMoviePlaying() { return State().host && State().playing; }

void StopFlashMovieOnClick() {
  SplashState& s = State();
  if (!s.host || !s.playing || s.clickInFlash != 1) return;
  DeleteMovie();
  // Set whatever the delay: with a delay of 0.01 s or less the next update leaves.
  s.stoppedByClick = true;
}

void CloseSplashMovie() { DeleteMovie(); }

}  // namespace story

SplashText::SplashText() = default;
SplashText::~SplashText() = default;

// --- The window ---

ComicsSpl_t::ComicsSpl_t() {
  SplashState& s = State();
  const int noClick = 0;
  const float noDelay = 0;
  ReadXmlInt(GetMainXml(), "Common", "clickinflash", &s.clickInFlash, &noClick);
  ReadXmlFloat(GetMainXml(), "Common", "flashStopDelay", &s.stopDelay, &noDelay);
  if (!(s.stopDelay >= 0) || s.stopDelay > 3600) s.stopDelay = 0;
  s.stoppedByClick = false;
  s.stopClock = 0;
}

ComicsSpl_t::~ComicsSpl_t() {
  DeleteMovie();
  skip_.reset();
  story::SetCursorPicture("cursor/cursor");
  texts_.clear();
  picture_.reset();
}

void ComicsSpl_t::Init(TWindowStyle& style) {
  TWindow::Init(style);
  // The splash takes its screen's keys: Escape and Enter skip the still screen.
  TakeScreenKeys(this);
  SplashState& s = State();
  GetGameProgress().MarkShown(s.movie);
  int rate = story::ReadAnimRate();
  Animate(uint32_t(rate), true, true, false);
  step_ = float(rate) / 1000.0f;
  PlayMusic(style.GetString("music", TString()), style.GetString("ambient", TString()));
  story::SetCursorPicture("cursor/cursor_empty_black");

  DeleteMovie();
  s.host = std::make_unique<TFlashHost>(s.movie);
  int noFlash = 0;
  const int flashAllowed = 0;
  ReadXmlInt(GetMainXml(), "Common", "noFlash", &noFlash, &flashAllowed);
  movieActive_ = noFlash == 1 ? false : s.host->Start(false, true, false);
  s.playing = true;
  if (movieActive_) return;

  // The still screen.
  TraceOut("ComicsSpl: the still screen stands for \"%s\"", s.movie.c_str());
  DeleteMovie();
  story::SetCursorPicture("cursor/cursor");
  TString img = style.GetString("img", TString());
  if (!img.IsEmpty()) picture_ = TTexture::Get(img);
  TString skip = style.GetString("buttskip", TString());
  if (!skip.IsEmpty()) skip_.reset(CreateButtonFromStyle(skip.c_str(), this));
  LoadTexts();
}

void ComicsSpl_t::LoadTexts() {
  const TiXmlElement* root = GetMainXml().RootElement();
  const TiXmlElement* spl = root ? root->FirstChildElement("Spl") : nullptr;
  if (!spl) return;
  for (const TiXmlElement* e = spl->FirstChildElement("Text"); e; e = e->NextSiblingElement("Text")) {
    if (texts_.size() >= kMaxSplashTexts) {
      TraceOut("ComicsSpl: main.xml \"Spl\" has more than %zu texts; the rest are left out", kMaxSplashTexts);
      break;
    }
    auto text = std::make_unique<SplashText>();
    text->id = story::AttrInt(e, "id", 0);
    story::ReadRectXYWH(e->Attribute("rect"), &text->rect);
    const char* label = e->Attribute("textId");
    TString shown = (label && *label) ? GetLocalizedText(label) : TString(" ");
    const char* font = e->Attribute("font");
    // Each alignment is read on its own: an absent one is 0.
    int align = story::ReadAlign(e, "xAlign") + 4 * story::ReadAlign(e, "yAlign");
    story::ReadColor255(e->Attribute("color"), &text->color);
    text->activeColor = text->color;
    story::ReadColor255(e->Attribute("actcolor"), &text->activeColor);
    int height = std::max(0, std::min(TText::kMaxFontSize, story::AttrInt(e, "fh", TText::kDefaultFontSize)));
    text->label = std::make_unique<TText>(false);
    if (!text->label->CreateText(shown, text->rect.Width(), text->rect.Height(), align, font ? font : "", height,
                                 text->color))
      TraceOut("ComicsSpl: the text %d of main.xml \"Spl\" has no size (\"rect\"); it is not shown", text->id);
    texts_.push_back(std::move(text));
  }
  if (texts_.empty()) return;
  // The link's rectangle is the laid-out text's.
  SplashText& last = *texts_.back();
  if (last.label->GetBlock()) {
    TRect bounds;
    last.label->GetTextBounds(bounds);
    last.rect.right = last.rect.left + bounds.right;
    last.rect.bottom = last.rect.top + bounds.bottom;
  }
}

void ComicsSpl_t::Draw() {
  TRender2dScope scope;
  if (movieActive_) return;
  if (picture_) picture_->Draw(TDrawParams(TVec2(0, 0), 1.0f, 1.0f, TDrawParams::kAnchorAtCenter));
  if (skip_) skip_->Draw();
  for (const auto& text : texts_) story::DrawLabel(text->label.get(), text->rect);
}

bool ComicsSpl_t::OnMouseMove(const TPoint& p) {
  if (movieActive_) return false;
  if (skip_) skip_->OnMouseMove(p.x, p.y);
  if (!texts_.empty()) {
    SplashText& last = *texts_.back();
    last.label->SetColor(last.rect.Contains(p) ? last.activeColor : last.color);
  }
  return true;
}

bool ComicsSpl_t::OnMouseDown(const TPoint& p) {
  if (movieActive_) return false;
  if (skip_) skip_->OnMouseDown(p.x, p.y);
  // The link is opened (or refused, logged) by the platform; the game goes on either way.
  if (!texts_.empty() && texts_.back()->rect.Contains(p)) story::OpenLink(texts_.back()->label->GetText());
  return false;
}

bool ComicsSpl_t::OnMouseUp(const TPoint& p) {
  if (movieActive_) return false;
  if (skip_) skip_->OnMouseUp(p.x, p.y);
  return true;
}

bool ComicsSpl_t::OnChar(unsigned char c) {
  if (c != 27 && c != 13) return false;
  if (!movieActive_ && skip_) Exit();
  return true;
}

bool ComicsSpl_t::OnMessage(TMessage* message) {
  if (message && message->type == kButtonPress && message->text == "skip" && skip_) Exit();
  return false;
}

bool ComicsSpl_t::Update() {
  if (!movieActive_) return true;
  SplashState& s = State();
  if (s.host && !movieEnded_ && !s.host->IsPlaying()) {
    story::SetCursorPicture("cursor/cursor");
    SetgameIntroDone(1);
    movieEnded_ = true;
    s.playing = false;
    if (!s.stoppedByClick) ChangeScreen();
  }
  if (s.stoppedByClick && !movieEnded_) {
    s.stopClock += step_;
    if (s.stopDelay <= kShortestStopDelay || s.stopDelay <= s.stopClock) {
      s.stoppedByClick = false;
      story::SetCursorPicture("cursor/cursor");
      Exit();
    }
  }
  return true;
}

void ComicsSpl_t::Exit() {
  if (exited_) return;
  SetgameIntroDone(1);
  ChangeScreen();
}

void ComicsSpl_t::ChangeScreen() {
  if (exited_) return;
  exited_ = true;
  TraceOut("ComicsSpl: on to %s", State().script.c_str());
  CSWithSh("ComicsSpl", State().script.c_str());
  if (TWindowManager* wm = GetWindowManager()) {
    wm->RunScriptText(this, "if(not(StartSoundFade == nil)) then StartSoundFade(); end");
    wm->RunScriptText(this, TShadow::kOpenShadowText);
  }
}
