#include "game/story/infos.h"

#include <tinyxml.h>

#include <algorithm>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/data/userinfo.h"
#include "game/story/storyutil.h"
#include "platform/file.h"
#include "platform/log.h"
#include "render/drawparams.h"
#include "render/renderer.h"
#include "render/textures/texture.h"
#include "ui/message.h"
#include "ui/text.h"
#include "ui/windowmanager.h"

namespace {

struct InfoState {
  TString name;
  bool closeNotify = false;
};

InfoState& State() {
  static InfoState state;
  return state;
}

void RunModal(TWindow* caller, const TString& name, const char* text) {
  story::SetNameInfosToRun(name);
  if (TWindowManager* wm = GetWindowManager()) wm->RunScriptText(caller, text);
  else TraceOut("Pop-up %s: no window manager; not shown", name.c_str());
}

// Once per player: the shown list of the current progress decides.
bool RunOnce(TWindow* caller, const TString& name, const char* text) {
  GameProgress& progress = GetGameProgress();
  if (progress.IsInfoShown(name)) return false;
  progress.MarkInfoShown(name);
  if (UserInfo* users = GetUserInfo()) users->SaveProgress();
  RunModal(caller, name, text);
  return true;
}

// The first "Info" whose "id" is the name, exactly.
const TiXmlElement* FindInfo(const TiXmlElement* root, const TString& name) {
  if (!root) return nullptr;
  for (const TiXmlElement* info = root->FirstChildElement("Info"); info; info = info->NextSiblingElement("Info")) {
    const char* id = info->Attribute("id");
    if (id && name == id) return info;
  }
  return nullptr;
}

std::unique_ptr<InfoFragment> ParseFragment(const TiXmlElement* f, const TString& info, int index) {
  auto fragment = std::make_unique<InfoFragment>();
  const char* img = f->Attribute("img");
  if (img && *img) {
    fragment->picture = TTexture::Get(img);
    int pos[2] = {0, 0};
    story::ReadInts(f->Attribute("pos"), pos, 2);
    fragment->x = float(pos[0]);
    fragment->y = float(pos[1]);
    return fragment;
  }
  const char* label = f->Attribute("text");
  if (!label || !*label) return fragment;
  story::ReadRectXYWH(f->Attribute("rect"), &fragment->rect);
  const char* font = f->Attribute("font");
  fragment->fontHeight = std::max(0, std::min(TText::kMaxFontSize, story::AttrInt(f, "fh", 0)));
  TFloatColor colour(1, 1, 1, 1);
  story::ReadColor255(f->Attribute("color"), &colour);
  int align = story::ReadAlign(f, "xAlign") + 4 * story::ReadAlign(f, "yAlign");
  fragment->label = std::make_unique<TText>(false);
  if (!fragment->label->CreateText(GetLocalizedText(label), fragment->rect.Width(), fragment->rect.Height(), align,
                                   font ? font : "", fragment->fontHeight, colour))
    TraceOut("Info %s: fragment %d (\"%s\") has no size (\"rect\"); it is not shown", info.c_str(), index, label);
  return fragment;
}

}  // namespace

InfoFragment::InfoFragment() = default;
InfoFragment::~InfoFragment() = default;

namespace story {

void SetNameInfosToRun(const TString& name) { State().name = name; }
TString GetNameInfosToRun() { return State().name; }
void SetMiniTutorCloseNotify() { State().closeNotify = true; }
bool GetMiniTutorCloseNotify() { return State().closeNotify; }

void ShowInfos(TWindow* caller, const TString& name) { RunModal(caller, name, "DoModal('scripts/infos.lua')"); }

void ShowMiniTutor(TWindow* caller, const TString& name) {
  RunModal(caller, name, "DoModal('scripts/minitutor.lua')");
}

bool ShowInfosOnce(TWindow* caller, const TString& name) {
  return RunOnce(caller, name, "DoModal('scripts/infos.lua')");
}

bool ShowMiniTutorOnce(TWindow* caller, const TString& name) {
  return RunOnce(caller, name, "DoModal('scripts/minitutor.lua')");
}

bool HasInfo(const TString& name) { return FindInfo(GetInfosXml().RootElement(), name) != nullptr; }

void RequestedMiniTutor(TWindow* caller, const TString& key) {
  TraceOut("Hint %s: %s", key.c_str(), GetLocalizedText(key.str()).c_str());
  if (!HasInfo(key)) return;
  TFile script;
  if (!script.Open("scripts/minitutor.lua", "rb")) {
    TraceOut("Hint %s: there is no scripts/minitutor.lua to show it", key.c_str());
    return;
  }
  script.Close();
  ShowMiniTutor(caller, key);
}

std::unique_ptr<InfoList> ParseInfo(const TiXmlElement* root, const TString& name) {
  const TiXmlElement* info = FindInfo(root, name);
  if (!info) return nullptr;
  auto list = std::make_unique<InfoList>();
  int index = 0;
  for (const TiXmlElement* f = info->FirstChildElement("fragm"); f; f = f->NextSiblingElement("fragm")) {
    if (list->size() >= kMaxInfoFragments) {
      TraceOut("Info %s: more than %zu fragments; the rest are left out", name.c_str(), kMaxInfoFragments);
      break;
    }
    list->push_back(ParseFragment(f, name, ++index));
  }
  return list;
}

std::unique_ptr<InfoList> LoadInfo(const TString& name) {
  std::unique_ptr<InfoList> list = ParseInfo(GetInfosXml().RootElement(), name);
  if (!list) TraceOut("Info %s: infos.xml has no \"Info\" with that id", name.c_str());
  return list;
}

}  // namespace story

// --- The windows ---

InfoWindowBase::InfoWindowBase() = default;
InfoWindowBase::~InfoWindowBase() = default;

void InfoWindowBase::Init(TWindowStyle& style) { list_ = story::LoadInfo(story::GetNameInfosToRun()); }

void InfoWindowBase::Draw() {
  if (!list_) return;
  TRender2dScope scope;
  for (const auto& f : *list_) {
    if (f->picture) f->picture->DrawAt(f->x, f->y, 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter);
    if (f->label && f->fontHeight != 0) story::DrawLabel(f->label.get(), f->rect);
  }
}

MiniTutor_t::~MiniTutor_t() {
  list_.reset();
  InfoState& state = State();
  if (state.closeNotify) {
    if (TWindowManager* wm = GetWindowManager()) wm->PostMessage(new TMessage(kClosedMessage, TString(), nullptr));
  }
  state.closeNotify = false;
}
