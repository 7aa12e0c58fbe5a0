// Comics: cut-scenes told as a sequence of pages. A page is a list of
// fragments; a fragment is a picture that fades in at a given time after the
// page began, a caption shown from a given time through a text effect of
// main.xml "TextEffects", or both. A comic may also carry a background
// picture, animations that stay on screen over every page and an ambient
// sound. ComicsData is the document read from "comics/<name>"; its owner
// (the comic viewers, comicsviewer.h) steps it on a fixed clock and draws it.
//
// The file format is in docs/comics.md. Main thread only. Depends on the
// shell (settings document, text effects), render/ and ui/.
#pragma once
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/color.h"
#include "platform/string.h"

class TAnimatedSprite;
class TTextEff;
class TTexture;
class TiXmlElement;

namespace story {
// The comic to show next: "com_1.xml" until SetNameComicsToRun changes it
// (also a Lua global of the same name).
void SetNameComicsToRun(const TString& name);
TString GetNameComicsToRun();
}  // namespace story

struct ComicsFragment {
  ComicsFragment();
  ~ComicsFragment();
  ComicsFragment(const ComicsFragment&) = delete;
  ComicsFragment& operator=(const ComicsFragment&) = delete;

  float timePict = 0;     // "timepict": seconds after the page start
  float fadeTime = 0;     // "fadetime": seconds from alpha 0 to 1 (0: shown at once)
  float fadeElapsed = 0;
  boost::shared_ptr<TTexture> picture;  // empty: no picture
  float x = 0, y = 0;     // "pos": the picture's top-left
  bool pictStarted = false;
  float alpha = 0;
  float timeText = 0;     // "timetext"
  std::unique_ptr<TTextEff> text;  // null: no caption
  bool textStarted = false;
};

struct ComicsPage {
  // One step of dt seconds: starts what is due, advances the fades and the
  // captions, and sets the complete flag when every picture and caption of
  // the page has started.
  void Update(float dt);
  // Complete at once: every picture and caption counts as started; fades go
  // on from where they are.
  void Finish();

  float time = 0;
  bool complete = false;
  std::vector<std::unique_ptr<ComicsFragment>> fragments;
  bool hasColor = false;  // "background_color" of the page (kept, not drawn)
  TFloatColor color{0, 0, 0, 0};
};

class ComicsData {
public:
  ComicsData();
  ~ComicsData();
  ComicsData(const ComicsData&) = delete;
  ComicsData& operator=(const ComicsData&) = delete;

  // The current page steps by dt seconds (nothing without pages).
  void Update(float dt);
  void FinishPage();
  // The current page's complete flag; a comic without pages is never complete.
  bool IsPageComplete() const;
  int GetPageCount() const { return int(pages.size()); }
  int GetCurrentPage() const { return current; }
  // One page on or back; nothing at the ends. The pages keep their clocks.
  void GoNext();
  void GoPrev();
  // Inside 2-D drawing: the background picture, the current page's
  // fragments in order, then the animations.
  void Draw();

  int current = 0;
  std::vector<std::unique_ptr<ComicsPage>> pages;
  bool hasBackgroundColor = false;
  TFloatColor backgroundColor{0, 0, 0, 0};  // kept, not drawn
  boost::shared_ptr<TTexture> background;
  std::vector<boost::shared_ptr<TAnimatedSprite>> animations;
  TString soundName;  // the first "Sound" element's "name"
};

// Limits of a comic file; what lies beyond them is not read (logged once).
constexpr size_t kMaxComicsPages = 1000;
constexpr size_t kMaxComicsFragments = 1000;  // per page
constexpr size_t kMaxComicsAnimations = 100;

namespace story {
// Reads "comics/" + name. A missing or damaged file gives an empty document
// (no pages) and a log line; never null.
std::unique_ptr<ComicsData> LoadComics(const TString& name);
// Builds the document from the root element (null: an empty document).
// `name` only names the file in log lines.
std::unique_ptr<ComicsData> ParseComics(const TiXmlElement* root, const TString& name);
}  // namespace story
