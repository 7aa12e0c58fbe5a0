// The player's journal, LogBook_t: a two-page book drawn over its owner's
// screen (the play scene, a mini-game or the photo album). Its journal
// section has one spread per location the player entered (the location's
// picture on the left page; on the right, an opening text stamped with the
// date and time the location was entered and a closing text stamped with the
// date and time it was finished); its photographs section shows the
// photographs collected, two per spread, each with a caption, and enlarges
// one on a click. The book fades in and out, turns its pages with a bending
// page, switches sections with the same turn and writes the newest closing
// text with a fading pen effect.
//
// It is not a window: the owner creates it with itself as the window that
// gets the button commands ("logbookclose", "logbookprev", "logbooknext",
// "logbookjournal", "logbookphotographs"), and feeds it the per-frame
// update, its drawing and the mouse. The look comes from main.xml's root
// element "LogBook" and its child "Journal" with one "Page" per location
// (docs/journal.md). Main thread only.
//
// How an owner drives it:
//   1. construct; set lastLocation (CountJournalPages() - 1 is the newest
//      page); Rebuild(); set photosOnly, locationCompleted, zoomState = 0,
//      zoomSide = 2; AddEntry every photograph of the progress;
//   2. on its "logbook" button, when !IsOpen(): Open(section, spread) and
//      StartOpening() (or an effect of its own that calls it);
//   3. each frame: Update(seconds) unless IsClosed(), then Draw();
//   4. mouse events to OnMouseDown/Up/Move, a true result meaning taken;
//   5. its button commands to StartClosing, TurnPageBack, TurnPageForward,
//      ShowJournal and ShowPhotographs.
// Depends on game/shell (settings, progress, buttons, utilities), render/,
// ui/ and audio/.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/string.h"

class Button_t;
class GameProgress;
class TSound;
class TTask;
class TText;
class TTexture;
class TWindow;
struct TMeshVertex;
using TTextureRef = boost::shared_ptr<TTexture>;

// One picture lying on one page of the turning page.
struct PageLayer {
  TTextureRef texture;
  TRect page;       // the rectangle of the page image it lies on
  TRect placement;  // where the picture lies on the screen when the page is flat
};

class LogBook_t {
public:
  enum Section : int { kJournal = 0, kPhotographs = 1 };
  enum State : int { kOpening = 0, kOpen = 1, kClosing = 2, kClosed = 3 };
  // Page turns and section switches: requested (odd of each pair), running.
  enum Transition : int {
    kIdle = 0,
    kBackRequested = 1,
    kBackRunning = 2,
    kForwardRequested = 3,
    kForwardRunning = 4,
    kToJournalRequested = 5,
    kToPhotographsRequested = 6,
    kToJournalRunning = 7,
    kToPhotographsRunning = 8,
  };
  enum Zoom : int { kZoomNone = 0, kZoomEnlarging = 1, kZoomEnlarged = 2, kZoomShrinking = 3 };
  // Each half of a page turn lasts this long (seconds).
  static constexpr float kHalfTurnTime = 0.3f;
  // The screen point an enlarged photograph travels to.
  static constexpr float kZoomCenterX = 512.0f, kZoomCenterY = 324.0f;

  // Reads the style from main.xml. Without a "LogBook" element the journal
  // is absent: it draws nothing, takes no input and ignores every request.
  explicit LogBook_t(TWindow* owner);
  ~LogBook_t();
  LogBook_t(const LogBook_t&) = delete;
  LogBook_t& operator=(const LogBook_t&) = delete;

  // --- Filling (pages and photographs) ---
  // Back to closed, on the newest page; refills the texts from the progress.
  void Rebuild();
  // Adds a photograph (its name is also its picture) unless present; its
  // caption is the translation of name + "_info".
  void AddEntry(const TString& name);
  // Formats every page's texts from the progress and shows the newest page.
  void AddPage();
  // The number of journal pages the progress gives: page i belongs to the
  // i-th location record, at most one per "Page".
  int CountJournalPages() const;

  // --- Requests ---
  // Shows that section and spread; nothing while the book is open.
  void Open(int section, int spread);
  void StartOpening();
  void StartClosing();
  void TurnPageBack();
  void TurnPageForward();
  void ShowJournal();
  void ShowPhotographs();
  // The pen sound; the writing itself starts when the opening completes.
  void StartWriting();
  void SetEnabled(bool value) { enabled_ = value; }
  void ReleaseLevel() {}

  // --- Per frame ---
  void Update(float seconds);
  void Draw();
  bool OnMouseMove(const TPoint& p);
  bool OnMouseDown(const TPoint& p);
  bool OnMouseUp(const TPoint& p);

  // --- Questions ---
  bool IsOpen() const { return state_ == kOpen && enabled_; }
  bool IsClosed() const { return state_ == kClosed; }
  bool IsEnabled() const { return enabled_; }
  // Whether the point lies on the shown close button (in any state).
  bool IsOnCloseButton(const TPoint& p) const;
  // Whether main.xml gave the journal a style.
  bool HasStyle() const { return hasStyle_; }
  // The last photographs spread: ceil(n / 2) - 1 for n photographs.
  int GetLastSpread() const;
  bool HasRightPhoto(int spread) const;
  int GetState() const { return state_; }
  int GetSection() const { return section_; }
  int GetTransition() const { return transition_; }
  int GetSpread() const { return spread_; }
  int GetPreviousSpread() const { return previousSpread_; }
  float GetAlpha() const { return alpha_; }
  float GetWritingAlpha() const { return writingAlpha_; }
  bool IsWriting() const { return writing_; }
  bool IsFirstHalf() const { return firstHalf_; }
  float GetTimer() const { return timer_; }
  float GetZoomScale() const { return zoomScale_; }
  bool IsMagnifierOn() const { return magnifier_; }
  const TVec2& GetPos() const { return pos; }

  // The style as read.
  float GetEffTime() const { return efftime_; }
  float GetEffAlphaTime() const { return effAlphaTime_; }
  int GetJournalFontHeight() const { return fhJournal_; }
  int GetPhotoFontHeight() const { return fhPhoto_; }
  const TFloatColor& GetTextColor() const { return textColor_; }
  const TRect& GetLeftPageRect() const { return leftPageRect_; }
  const TRect& GetRightPageRect() const { return rightPageRect_; }
  const TRect& GetLeftTextRect() const { return leftTextRect_; }
  const TRect& GetRightTextRect() const { return rightTextRect_; }
  const TRect& GetLeftPhotoRect() const { return leftPhotoRect_; }
  const TRect& GetRightPhotoRect() const { return rightPhotoRect_; }
  int GetPageCount() const { return int(pageImages_.size()); }
  const TString& GetPageImage(int page) const;
  const TString& GetOpeningText(int page) const;
  const TString& GetClosingText(int page) const;
  const std::vector<TString>& GetPhotoNames() const { return photoNames_; }
  const std::vector<TString>& GetCaptions() const { return captions_; }
  const TString& GetHeadingText() const { return headingText_; }

  // What the current spread shows (journal picture and texts, photographs
  // with their caption texts) and what the running turn left behind.
  const TTextureRef& GetCurrentPicture() const { return current_.picture; }
  TString GetCurrentOpeningText() const;
  TString GetCurrentClosingText() const;
  const TTextureRef& GetOtherPicture() const { return other_.picture; }
  const TTextureRef& GetCurrentLeftPhoto() const { return currentPhotos_.left; }
  const TTextureRef& GetCurrentRightPhoto() const { return currentPhotos_.right; }
  TString GetCurrentLeftCaption() const;
  TString GetCurrentRightCaption() const;
  const TTextureRef& GetHeadingImage() const { return headingImage_; }
  const std::vector<PageLayer>& GetLeftLayers() const { return leftLayers_; }
  const std::vector<PageLayer>& GetRightLayers() const { return rightLayers_; }
  Button_t* GetCloseButton() const { return close_; }
  Button_t* GetPrevButton() const { return prev_; }
  Button_t* GetNextButton() const { return next_; }
  Button_t* GetJournalTab() const { return journalTab_; }
  Button_t* GetPhotographsTab() const { return photosTab_; }

  // --- Helpers ---
  // A photograph centred horizontally in the rectangle, hanging from its top,
  // at the picture's own size.
  static TRect FitPhotoRect(const TTextureRef& texture, const TRect& rect);
  // The text as dark letters on a transparent texture of that size (the
  // journal's font); empty when the display cannot make or fill one. With
  // `keep` (the heading, made at every opening) the pixels are kept: the
  // same text of the same size, alignment and font on the same display is
  // copied from them the next time, not drawn again.
  TTextureRef RenderTextTexture(const TVec2& size, const TString& text, int alignment, int fontHeight,
                                bool keep = false) const;
  // A page template with its first two "%s" replaced by the two values;
  // "%%" becomes "%", anything else stays as written.
  static TString FormatTemplate(const TString& format, const TString& first, const TString& second);
  // The 192 vertices of one layer of the turning page. sideFlag 1: a layer
  // of the left page (spine at its right edge), 0: of the right page;
  // direction 0 for a back turn, 1 for a forward turn; progress 0..1.
  static void BuildPageMesh(const PageLayer& layer, int sideFlag, int direction, float progress,
                            TMeshVertex* out);
  // Who sets the mouse cursor ("cursor/cursor_empty_for_magnifier" over a
  // photograph, "cursor/cursor" again); the platform's by default. Tests
  // replace it; an empty function restores the default.
  static void SetCursorHook(std::function<void(const TString& name)> hook);
  // The still open spread is drawn from one composed picture (on by
  // default); off, piece by piece, the plain drawing comparisons use.
  static void SetComposingEnabled(bool enabled);
  // Whether the last still spread drawn came from its composed picture.
  bool IsSpreadComposed() const { return spreadPicture_.shown; }

  // --- Set by the owners ---
  TVec2 pos;                       // the book's top-left corner
  int lastLocation = -1;           // the newest journal page, -1 for none
  bool photosOnly = false;         // no tabs, no journal pictures or texts
  bool locationCompleted = false;  // the newest closing text is shown (and written)
  bool writingSuppressed = false;  // the newest closing text is shown at once
  int zoomState = kZoomNone;
  int zoomSide = 2;  // 0 left, 1 right, 2 none

private:
  struct JournalSet {
    TTextureRef picture;
    TText* opening = nullptr;
    TText* closing = nullptr;
  };
  struct PhotoSet {
    TTextureRef left, right;
    TText* leftCaption = nullptr;
    TText* rightCaption = nullptr;
  };

  void ReadStyle();
  void RenderHeading();
  void SetCursorTo(const char* name);
  void MagnifierOff();
  bool WritingBlocks() const;
  // Loads page `page` (nothing for a page that does not exist) into a set.
  void LoadJournalSet(JournalSet& set, int page);
  // Loads the photographs of a spread; refits the photograph rectangles for
  // the current set.
  void LoadPhotoSet(PhotoSet& set, int spread, bool current);
  void UpdatePageButtons();
  void ClearButtonLooks();
  bool ClosingTextShown(int spread) const;

  // Turns and effects.
  void BeginBackTurn();
  void BeginForwardTurn();
  void ZoomStep(float seconds);
  void AddLayer(std::vector<PageLayer>& list, const TTextureRef& texture, const TRect& page, int x, int y);
  void AddJournalLeftLayers(std::vector<PageLayer>& list, const JournalSet& set);
  void AddJournalRightLayers(std::vector<PageLayer>& list, const JournalSet& set, bool withClosing);
  void AddPhotoLayers(std::vector<PageLayer>& list, const PhotoSet& set, bool left, bool withPage);

  // Drawing.
  void DrawLeftJournalPage(const TTextureRef& picture);
  void DrawJournalText(TText* text, bool upper, bool closingOfNewest);
  void DrawPhotograph(int side, const TTextureRef& texture, TText* caption, const TRect& photoRect, float scale);
  void DrawStillSpread();
  // The still open spread from its composed picture; false when it must be
  // drawn piece by piece.
  bool DrawComposedSpread();
  // Composes the still spread into spreadPicture_; false when it could not
  // draw now (to be tried again).
  bool ComposeSpread();
  // Checks the composed picture against the book and makes it opaque where
  // the book is; false when drawing it would not give the pieces' pixels.
  bool KeepExactTexels();
  // What the composed spread is drawn from, but for the texts' words, which
  // are compared in place.
  void SpreadKey(std::vector<uintptr_t>& key) const;
  std::array<const TText*, 4> SpreadTexts() const;
  void KeepSpreadTexts(std::vector<TString>& texts) const;
  bool SameSpreadTexts(const std::vector<TString>& texts) const;
  void DrawBackTurn();
  void DrawForwardTurn();
  void DrawTurningPage(const std::vector<PageLayer>& layers, int sideFlag, int direction);
  void DrawPageButtons();
  // The close button and the section tabs, while the book is open.
  void DrawFrameButtons();
  bool OverPhotograph(const TPoint& p) const;

  TWindow* owner_ = nullptr;
  bool hasStyle_ = false;
  TTextureRef background_;
  int state_ = kClosed;
  TTextureRef headingImage_;
  TString headingText_;
  int section_ = kJournal;
  int transition_ = kIdle;
  Button_t* close_ = nullptr;
  Button_t* prev_ = nullptr;
  Button_t* next_ = nullptr;
  Button_t* journalTab_ = nullptr;
  Button_t* photosTab_ = nullptr;
  bool writing_ = false;
  float efftime_ = 0.5f;
  float effAlphaTime_ = 2.0f;
  float alpha_ = 0;
  float writingAlpha_ = 0;
  float zoomScale_ = 1.0f;
  float timer_ = 0;
  bool enabled_ = true;
  bool magnifier_ = false;
  TTextureRef magnifierImage_;
  TVec2 mouse_;
  TTextureRef leftPage_, rightPage_, rightPagePhoto_;
  TRect leftPageRect_, rightPageRect_;
  std::vector<PageLayer> leftLayers_, rightLayers_;
  bool firstHalf_ = false;
  std::vector<TString> pageImages_;
  std::vector<TString> openingTexts_, closingTexts_;
  std::vector<TString> openingTemplates_, closingTemplates_;
  JournalSet other_, current_;
  std::vector<TString> photoNames_;
  std::vector<TString> captions_;
  PhotoSet otherPhotos_, currentPhotos_;
  TRect leftTextRect_, rightTextRect_;
  TRect leftPhotoRect_, rightPhotoRect_;
  int spread_ = -1;
  int previousSpread_ = -1;
  TString font_;
  int fhJournal_ = 18;
  int fhPhoto_ = 16;
  TFloatColor textColor_{0, 0, 0, 0};
  boost::shared_ptr<TSound> writingSound_;
  bool pageLimitLogged_ = false;
  TTask* restoreTask_ = nullptr;  // draws the heading again after a device loss
  // The still open spread (book, pages, pictures, texts) composed into one
  // picture, and what it was composed from; `composed` is false when that
  // spread cannot be composed exactly (it is then drawn piece by piece).
  struct ComposedSpread {
    TTextureRef picture;
    std::vector<uintptr_t> key;
    std::vector<TString> texts;
    std::vector<uintptr_t> frameKey;  // the key of the frame being drawn
    bool composed = false;
    bool shown = false;  // the last Draw drew it
  } spreadPicture_;
};
