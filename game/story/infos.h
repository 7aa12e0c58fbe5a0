// Information pop-ups: Infos_t (Lua type "Infos") shows one information
// page of infos.xml, MiniTutor_t (Lua type "MiniTutor") one short tutorial
// hint. The program picks the page by its id with SetNameInfosToRun and runs
// "scripts/infos.lua" or "scripts/minitutor.lua", which open the window in a
// modal dialog with its buttons; the window reads the name in its Init.
//
// An "Info" element (the first whose "id" equals the name) holds "fragm"
// elements, each a picture ("img", "pos" "x,y") or a text ("text" label,
// "rect" "x,y,w,h", "font", "fh", "color" "r,g,b,a" on 0..255, "xAlign" and
// "yAlign" 0..2); see docs/comics.md.
//
// A mini tutorial can tell the play screen that it closed: after
// SetMiniTutorCloseNotify the next MiniTutor_t to go posts one message of
// type 1099 and clears the request.
// Depends on the shell (infos.xml, progress), render/ and ui/.
#pragma once
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/string.h"
#include "ui/window.h"

class TText;
class TTexture;
class TiXmlElement;

// More fragments than this in one "Info" are not read.
constexpr size_t kMaxInfoFragments = 256;

struct InfoFragment;
using InfoList = std::vector<std::unique_ptr<InfoFragment>>;

namespace story {
// The id of the page to show (also a Lua global).
void SetNameInfosToRun(const TString& name);
TString GetNameInfosToRun();
void SetMiniTutorCloseNotify();
bool GetMiniTutorCloseNotify();

// Shows the information page / mini tutorial `name` over `caller`:
// SetNameInfosToRun(name), then "DoModal('scripts/infos.lua')" (or
// "scripts/minitutor.lua") in the window script with `caller` as the current
// window.
void ShowInfos(TWindow* caller, const TString& name);
void ShowMiniTutor(TWindow* caller, const TString& name);
// The same once per player: false, and nothing shown, when the current
// player's progress has the page among its shown pop-ups; otherwise the page
// is added to that list, the progress saved and the page shown.
bool ShowInfosOnce(TWindow* caller, const TString& name);
bool ShowMiniTutorOnce(TWindow* caller, const TString& name);

// Whether infos.xml has an "Info" of that id.
bool HasInfo(const TString& name);
// The mini tutorial the shell's screens and the play screen ask for
// (RequestMiniTutor): logs "Hint <key>: <text of the key>", then shows the
// page when infos.xml has it and the program has "scripts/minitutor.lua".
void RequestedMiniTutor(TWindow* caller, const TString& key);

// The fragments of the first "Info" of infos.xml whose id is `name`; null
// when there is none.
std::unique_ptr<InfoList> LoadInfo(const TString& name);
// The same from the root element of an info document.
std::unique_ptr<InfoList> ParseInfo(const TiXmlElement* root, const TString& name);
}  // namespace story

struct InfoFragment {
  InfoFragment();
  ~InfoFragment();
  boost::shared_ptr<TTexture> picture;
  float x = 0, y = 0;
  std::unique_ptr<TText> label;  // not in any window tree
  TRect rect;
  int fontHeight = 0;  // 0: the label is not drawn
};

// What both pop-up windows share. Not a window type of its own.
class InfoWindowBase : public TWindow {
public:
  InfoWindowBase();
  ~InfoWindowBase() override;
  // Loads the page named by GetNameInfosToRun. The base window's keys (its
  // name) are not read.
  void Init(TWindowStyle& style) override;
  // The pictures, then the labels with a font height.
  void Draw() override;
  const InfoList* GetList() const { return list_.get(); }

protected:
  std::unique_ptr<InfoList> list_;
};

class Infos_t : public InfoWindowBase {
  LANTERN_WINDOW_CLASS(Infos_t, TWindow)

public:
  Infos_t() = default;
};

class MiniTutor_t : public InfoWindowBase {
  LANTERN_WINDOW_CLASS(MiniTutor_t, TWindow)

public:
  // The message a closing mini tutorial posts when asked to.
  static constexpr uint32_t kClosedMessage = 1099;

  MiniTutor_t() = default;
  // Posts message 1099 when the close-notify request is set, then clears it.
  ~MiniTutor_t() override;
};
