#include "game/story/comics.h"

#include <tinyxml.h>

#include <cmath>

#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/widgets/texteffect.h"
#include "game/story/storyutil.h"
#include "platform/log.h"
#include "render/sprites/animsprite.h"
#include "render/sprites/animtexture.h"
#include "render/drawparams.h"
#include "render/textures/texture.h"

namespace {

// Pictures are drawn with their top-left corner at their position.
constexpr uint32_t kTopLeft = TDrawParams::kAnchorAtCenter;

TString& ComicsName() {
  static TString name("com_1.xml");
  return name;
}

const char* Attr(const TiXmlElement* e, const char* name) {
  const char* v = e->Attribute(name);
  return (v && *v) ? v : nullptr;
}

// A timing in seconds: finite and not negative (0 when absent or unreadable).
float ReadSeconds(const TiXmlElement* e, const char* name) {
  float v = story::AttrFloat(e, name, 0.0f);
  return v > 0 ? v : 0.0f;
}

std::unique_ptr<ComicsFragment> ParseFragment(const TiXmlElement* f, const TString& file, int page, int index) {
  auto fragment = std::make_unique<ComicsFragment>();
  if (const char* pict = Attr(f, "pict")) {
    fragment->picture = TTexture::Get(pict);
    float pos[2] = {0, 0};
    story::ReadFloats(f->Attribute("pos"), pos, 2);
    fragment->x = pos[0];
    fragment->y = pos[1];
    fragment->timePict = ReadSeconds(f, "timepict");
    fragment->fadeTime = ReadSeconds(f, "fadetime");
  }
  const char* label = Attr(f, "text");
  const char* effect = label ? Attr(f, "texteffname") : nullptr;
  if (effect) {
    std::unique_ptr<TTextEff> text(TTextEff::Create(effect));
    TRect rect;
    if (!text) {
      TraceOut("Comics %s: page %d fragment %d: no text effect \"%s\" in main.xml; its caption is left out",
               file.c_str(), page, index, effect);
    } else if (!story::ReadRectXYWH(f->Attribute("rect"), &rect) || rect.IsEmpty()) {
      TraceOut("Comics %s: page %d fragment %d: the caption \"%s\" has no size (\"rect\"); it is left out",
               file.c_str(), page, index, label);
    } else {
      fragment->timeText = ReadSeconds(f, "timetext");
      text->SetPosition(rect.left, rect.top);
      text->w = rect.Width();
      text->SetTextArea(rect.Width(), rect.Height());
      text->SetText(GetLocalizedText(label));
      if (text->GetBlock()) fragment->text = std::move(text);
      else TraceOut("Comics %s: page %d fragment %d: the caption \"%s\" cannot be laid out; it is left out",
                    file.c_str(), page, index, label);
    }
  }
  return fragment;
}

}  // namespace

namespace story {
void SetNameComicsToRun(const TString& name) { ComicsName() = name; }
TString GetNameComicsToRun() { return ComicsName(); }
}  // namespace story

// --- Fragments and pages ---

ComicsFragment::ComicsFragment() = default;
ComicsFragment::~ComicsFragment() = default;

void ComicsPage::Update(float dt) {
  if (!std::isfinite(dt) || dt < 0) dt = 0;
  time += dt;
  complete = true;
  for (auto& f : fragments) {
    if (f->picture && !f->pictStarted) {
      if (f->timePict <= time) f->pictStarted = true;
      else complete = false;
    }
    if (f->text && !f->textStarted) {
      if (f->timeText <= time) f->textStarted = true;
      else complete = false;
    }
    if (f->pictStarted) {
      f->fadeElapsed += dt;
      if (f->fadeTime < f->fadeElapsed) f->fadeElapsed = f->fadeTime;
      // A picture without a fade time shows at once.
      f->alpha = f->fadeTime > 0 ? f->fadeElapsed / f->fadeTime : 1.0f;
    }
    if (f->textStarted && f->text) f->text->Update(dt);
  }
}

void ComicsPage::Finish() {
  complete = true;
  for (auto& f : fragments) {
    f->pictStarted = true;
    f->textStarted = true;
  }
}

// --- The document ---

ComicsData::ComicsData() = default;
ComicsData::~ComicsData() = default;

void ComicsData::Update(float dt) {
  if (!pages.empty()) pages[size_t(current)]->Update(dt);
}

void ComicsData::FinishPage() {
  if (!pages.empty()) pages[size_t(current)]->Finish();
}

bool ComicsData::IsPageComplete() const { return !pages.empty() && pages[size_t(current)]->complete; }

void ComicsData::GoNext() {
  if (current < GetPageCount() - 1) ++current;
}

void ComicsData::GoPrev() {
  if (current >= 1) --current;
}

void ComicsData::Draw() {
  if (background) background->DrawAt(0, 0, 1.0f, 1.0f, 0.0f, kTopLeft);
  if (!pages.empty()) {
    for (auto& f : pages[size_t(current)]->fragments) {
      if (f->pictStarted && f->picture) f->picture->DrawAt(f->x, f->y, f->alpha, 1.0f, 0.0f, kTopLeft);
      if (f->textStarted && f->text) f->text->Draw();
    }
  }
  TDrawParams parent(TVec2(0, 0), 1.0f, 1.0f, 0);
  for (auto& sprite : animations) sprite->Draw(parent, -1);
}

// --- Reading ---

namespace story {

std::unique_ptr<ComicsData> ParseComics(const TiXmlElement* root, const TString& name) {
  auto data = std::make_unique<ComicsData>();
  if (!root) return data;
  if (story::ReadColor255(root->Attribute("background_color"), &data->backgroundColor)) {
    data->hasBackgroundColor = true;
  } else if (const char* pict = Attr(root, "pict")) {
    data->background = TTexture::Get(pict);
  }
  if (const TiXmlElement* sound = root->FirstChildElement("Sound")) {
    if (const char* v = Attr(sound, "name")) data->soundName = v;
  }
  for (const TiXmlElement* a = root->FirstChildElement("Anim"); a; a = a->NextSiblingElement("Anim")) {
    if (data->animations.size() >= kMaxComicsAnimations) {
      TraceOut("Comics %s: more than %zu animations; the rest are left out", name.c_str(), kMaxComicsAnimations);
      break;
    }
    const char* anim = Attr(a, "name");
    boost::shared_ptr<TAnimatedTexture> texture = anim ? TAnimatedTexture::Get(anim) : nullptr;
    if (!texture) {
      TraceOut("Comics %s: the animation \"%s\" cannot be loaded; it is left out", name.c_str(), anim ? anim : "");
      continue;
    }
    boost::shared_ptr<TAnimatedSprite> sprite = TAnimatedSprite::Create();
    sprite->SetTexture(texture);
    sprite->Play("DoAnim");
    sprite->SetDrawParams(TDrawParams(TVec2(float(story::AttrInt(a, "x", 0)), float(story::AttrInt(a, "y", 0))),
                                      1.0f, 1.0f, 0));
    data->animations.push_back(sprite);
  }
  int pageNumber = 0;
  for (const TiXmlElement* p = root->FirstChildElement("page"); p; p = p->NextSiblingElement("page")) {
    if (data->pages.size() >= kMaxComicsPages) {
      TraceOut("Comics %s: more than %zu pages; the rest are left out", name.c_str(), kMaxComicsPages);
      break;
    }
    ++pageNumber;
    auto page = std::make_unique<ComicsPage>();
    page->hasColor = story::ReadColor255(p->Attribute("background_color"), &page->color);
    int index = 0;
    for (const TiXmlElement* f = p->FirstChildElement("fragm"); f; f = f->NextSiblingElement("fragm")) {
      if (page->fragments.size() >= kMaxComicsFragments) {
        TraceOut("Comics %s: page %d has more than %zu fragments; the rest are left out", name.c_str(), pageNumber,
                 kMaxComicsFragments);
        break;
      }
      page->fragments.push_back(ParseFragment(f, name, pageNumber, ++index));
    }
    data->pages.push_back(std::move(page));
  }
  if (data->pages.empty()) TraceOut("Comics %s: the comic has no pages", name.c_str());
  return data;
}

std::unique_ptr<ComicsData> LoadComics(const TString& name) {
  TiXmlDocument doc;
  LoadXmlFile(doc, TString("comics/") + name);
  const TiXmlElement* root = doc.RootElement();
  if (!root) {
    TraceOut("Comics %s: the file comics/%s is missing or unreadable; nothing is shown", name.c_str(), name.c_str());
    return std::make_unique<ComicsData>();
  }
  return ParseComics(root, name);
}

}  // namespace story
