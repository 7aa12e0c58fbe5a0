// The journal's style, its life and its requests. Pages and photographs are
// in logbookpages.cpp, the animations in logbookupdate.cpp, drawing and
// input in logbookdraw.cpp.
#include "game/story/logbook.h"

#include <tinyxml.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "audio/sound.h"
#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "platform/task.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "ui/text.h"

namespace {

// Style coordinates stay within this range, so rectangles cannot overflow.
constexpr float kCoordinateLimit = 100000.0f;
constexpr long kSizeLimit = 8192;
constexpr int kFontHeightLimit = 512;
// More "Page" elements than this are not read.
constexpr size_t kPageLimit = 4096;
constexpr float kDefaultEffTime = 0.5f;
constexpr float kDefaultEffAlphaTime = 2.0f;
constexpr int kDefaultJournalFontHeight = 18;
constexpr int kDefaultPhotoFontHeight = 16;
constexpr const char* kWritingSound = "audio/sfx/writing.ogg";

std::function<void(const TString&)>& CursorHook() {
  static std::function<void(const TString&)> hook;
  return hook;
}

std::string Attr(const TiXmlElement* e, const char* name) {
  const char* v = e ? e->Attribute(name) : nullptr;
  return v ? std::string(v) : std::string();
}

// A finite float from the start of the text (after blanks); false when there is none.
bool ParseFloat(const char*& p, float* out) {
  while (*p == ' ' || *p == '\t') ++p;
  char* end = nullptr;
  float v = std::strtof(p, &end);
  if (end == p || !std::isfinite(v)) return false;
  p = end;
  *out = std::max(-kCoordinateLimit, std::min(kCoordinateLimit, v));
  return true;
}

// "x,y" into two floats; what cannot be read stays as it was.
void ReadPair(const std::string& text, float* x, float* y) {
  const char* p = text.c_str();
  if (!ParseFloat(p, x)) return;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p != ',') return;
  ++p;
  ParseFloat(p, y);
}

// "r,g,b,a" (0..1 each); missing or unreadable parts read as 0.
TFloatColor ReadColor(const std::string& text) {
  float c[4] = {0, 0, 0, 0};
  const char* p = text.c_str();
  for (int i = 0; i < 4; ++i) {
    if (!ParseFloat(p, &c[i])) break;
    c[i] = std::max(0.0f, std::min(1.0f, c[i]));
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != ',') break;
    ++p;
  }
  return TFloatColor(c[0], c[1], c[2], c[3]);
}

// A positive duration in seconds (0 allowed: the effect is immediate).
float ReadDuration(const TiXmlElement* e, const char* name, float fallback) {
  std::string text = Attr(e, name);
  const char* p = text.c_str();
  float v = 0;
  if (text.empty() || !ParseFloat(p, &v) || v < 0) {
    TraceOut("LogBook_t: \"%s\" is missing or not a duration; %g s is used", name, double(fallback));
    return fallback;
  }
  return std::min(v, 3600.0f);
}

int ReadFontHeight(const TiXmlElement* e, const char* name, int fallback) {
  std::string text = Attr(e, name);
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end == text.c_str() || v <= 0) {
    TraceOut("LogBook_t: \"%s\" is missing or not a font height; %d is used", name, fallback);
    return fallback;
  }
  return int(std::min<long>(v, kFontHeightLimit));
}

// "x;y;w;h" relative to `pos`; missing pieces read as 0.
TRect ReadTextRect(const std::string& text, const TVec2& pos) {
  std::vector<std::string> pieces;
  SplitString(text, ';', pieces);
  long v[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < 4 && i < pieces.size(); ++i) {
    v[i] = std::strtol(pieces[i].c_str(), nullptr, 10);
    long limit = i < 2 ? long(kCoordinateLimit) : kSizeLimit;
    v[i] = std::max(i < 2 ? -limit : 0L, std::min(limit, v[i]));
  }
  int left = int(float(v[0]) + pos.x), top = int(float(v[1]) + pos.y);
  return MakeRectXYWH(left, top, int(v[2]), int(v[3]));
}

TTextureRef GetImage(const std::string& name) {
  return name.empty() ? TTextureRef() : TTexture::Get(TString(name), 0);
}

// "image;dx,dy": the page image and its rectangle at pos + offset.
TTextureRef ReadPage(const std::string& value, const TVec2& pos, TRect* rect) {
  std::vector<std::string> pieces;
  SplitString(value, ';', pieces);
  TTextureRef image = GetImage(pieces.empty() ? std::string() : pieces[0]);
  float dx = 0, dy = 0;
  if (pieces.size() > 1) ReadPair(pieces[1], &dx, &dy);
  int left = int(pos.x + dx), top = int(pos.y + dy);
  int w = image ? int(std::min<uint32_t>(image->GetWidth(), uint32_t(kSizeLimit))) : 0;
  int h = image ? int(std::min<uint32_t>(image->GetHeight(), uint32_t(kSizeLimit))) : 0;
  *rect = MakeRectXYWH(left, top, w, h);
  return image;
}

// Draws the heading again after the display came back (generated textures
// return cleared).
class THeadingRestore : public TTask {
public:
  explicit THeadingRestore(std::function<void()> redo) : redo_(std::move(redo)) {}
  bool DoTask() override {
    redo_();
    return true;
  }

private:
  std::function<void()> redo_;
};

Button_t* ReadButton(const TiXmlElement* e, const char* name, TWindow* owner) {
  std::string value = Attr(e, name);
  if (value.empty()) {
    TraceOut("LogBook_t: the journal has no \"%s\" button", name);
    return nullptr;
  }
  return CreateButtonFromStyle(value.c_str(), owner);
}

void Disable(Button_t* b, bool value) {
  if (b) b->SetDisabled(value);
}

}  // namespace

// --- Construction ---

LogBook_t::LogBook_t(TWindow* owner) : owner_(owner) {
  ReadStyle();
  TPlatform* platform = TPlatform::GetInstance();
  if (hasStyle_ && platform) {
    restoreTask_ = new THeadingRestore([this] { RenderHeading(); });
    platform->AddRestoreTask(restoreTask_);
  }
}

void LogBook_t::RenderHeading() {
  headingImage_ = RenderTextTexture(TVec2(float(leftPageRect_.Width()), float(leftPageRect_.Height())),
                                    headingText_, 0, fhPhoto_, true);
}

void LogBook_t::ReadStyle() {
  const TiXmlElement* root = GetMainXml().RootElement();
  const TiXmlElement* book = root ? root->FirstChildElement("LogBook") : nullptr;
  if (!book) {
    TraceOut("LogBook_t: main.xml has no \"LogBook\" element; the journal is left out");
    enabled_ = false;
    return;
  }
  hasStyle_ = true;
  ReadPair(Attr(book, "pos"), &pos.x, &pos.y);
  background_ = GetImage(Attr(book, "bkgnd"));
  std::string heading = Attr(book, "sister_name");
  if (!heading.empty()) headingText_ = GetLocalizedText(heading);
  efftime_ = ReadDuration(book, "efftime", kDefaultEffTime);
  effAlphaTime_ = ReadDuration(book, "effAlphaTime", kDefaultEffAlphaTime);
  close_ = ReadButton(book, "butt", owner_);
  prev_ = ReadButton(book, "buttleft", owner_);
  next_ = ReadButton(book, "buttright", owner_);
  journalTab_ = ReadButton(book, "buttjournal", owner_);
  photosTab_ = ReadButton(book, "buttphotographs", owner_);
  leftPage_ = ReadPage(Attr(book, "left_page"), pos, &leftPageRect_);
  rightPage_ = ReadPage(Attr(book, "right_page"), pos, &rightPageRect_);
  rightPagePhoto_ = GetImage(Attr(book, "right_page_photo"));

  const TiXmlElement* journal = book->FirstChildElement("Journal");
  if (!journal) TraceOut("LogBook_t: the \"LogBook\" element has no \"Journal\"; the pages stay empty");
  leftTextRect_ = ReadTextRect(Attr(journal, "rect_left"), pos);
  rightTextRect_ = ReadTextRect(Attr(journal, "rect_right"), pos);
  leftPhotoRect_ = leftTextRect_;
  rightPhotoRect_ = rightTextRect_;
  font_ = TString(Attr(journal, "font"));
  fhJournal_ = ReadFontHeight(journal, "fh_journal", kDefaultJournalFontHeight);
  fhPhoto_ = ReadFontHeight(journal, "fh_photo", kDefaultPhotoFontHeight);
  textColor_ = ReadColor(Attr(journal, "color"));
  for (const TiXmlElement* page = journal ? journal->FirstChildElement("Page") : nullptr; page;
       page = page->NextSiblingElement("Page")) {
    if (pageImages_.size() >= kPageLimit) {
      TraceOut("LogBook_t: more than %zu journal pages; the rest are left out", kPageLimit);
      break;
    }
    pageImages_.push_back(TString(Attr(page, "img")));
    std::string intro = Attr(page, "text_intro"), outro = Attr(page, "text_outro");
    openingTemplates_.push_back(intro.empty() ? TString() : GetLocalizedText(intro));
    closingTemplates_.push_back(outro.empty() ? TString() : GetLocalizedText(outro));
  }
  openingTexts_.assign(pageImages_.size(), TString());
  closingTexts_.assign(pageImages_.size(), TString());

  // The eight text windows: four journal texts in half the right text
  // rectangle, four captions in the whole of it.
  const int w = rightTextRect_.Width(), h = rightTextRect_.Height();
  for (TText** text : {&other_.opening, &other_.closing, &current_.opening, &current_.closing}) {
    *text = new TText(false);
    (*text)->CreateText(TString(), w, h / 2, 0, font_, fhJournal_, textColor_);
  }
  for (TText** text : {&otherPhotos_.leftCaption, &otherPhotos_.rightCaption, &currentPhotos_.leftCaption,
                       &currentPhotos_.rightCaption}) {
    *text = new TText(false);
    (*text)->CreateText(TString(), w, h, TTextBlock::kHAlignCenter, font_, fhPhoto_, textColor_);
  }

  enabled_ = true;
  locationCompleted = true;
  RenderHeading();
  writingSuppressed = false;
}

LogBook_t::~LogBook_t() {
  if (restoreTask_) {
    if (TPlatform* platform = TPlatform::GetInstance()) platform->RemoveRestoreTask(restoreTask_);
    delete restoreTask_;
  }
  if (magnifier_) MagnifierOff();
  for (Button_t* b : {close_, prev_, next_, journalTab_, photosTab_}) delete b;
  for (TText* t : {other_.opening, other_.closing, current_.opening, current_.closing, otherPhotos_.leftCaption,
                   otherPhotos_.rightCaption, currentPhotos_.leftCaption, currentPhotos_.rightCaption})
    delete t;
  if (writingSound_) writingSound_->StopAll();
}

// --- Requests ---

bool LogBook_t::WritingBlocks() const { return writing_ || transition_ != kIdle; }

void LogBook_t::ClearButtonLooks() {
  Disable(prev_, false);
  Disable(next_, false);
}

void LogBook_t::Open(int section, int spread) {
  if (!hasStyle_ || IsOpen()) return;
  section_ = section == kPhotographs ? kPhotographs : kJournal;
  // Photographs that do not exist are not shown: that section is then empty.
  spread_ = section_ == kPhotographs && photoNames_.empty() ? -1 : spread;
  ClearButtonLooks();
  Disable(journalTab_, true);
  Disable(photosTab_, false);
  UpdatePageButtons();
  // Show what was asked for: a section opened on another spread than the
  // one loaded (or on photographs added after the last rebuild) loads it now.
  if (section_ == kJournal) LoadJournalSet(current_, spread_);
  else LoadPhotoSet(currentPhotos_, spread_, true);
}

void LogBook_t::StartOpening() {
  if (!hasStyle_ || IsOpen()) return;
  state_ = kOpening;
  timer_ = 0;
}

bool LogBook_t::IsOnCloseButton(const TPoint& p) const {
  return close_ && close_->visible && close_->Contains(p.x, p.y);
}

void LogBook_t::StartClosing() {
  if (!hasStyle_ || WritingBlocks() || state_ == kClosed) return;
  // The magnifier cursor never outlives the open book.
  if (magnifier_) MagnifierOff();
  state_ = kClosing;
  timer_ = 0;
}

void LogBook_t::TurnPageBack() {
  if (!hasStyle_ || WritingBlocks()) return;
  // Nothing lies before the first spread.
  if (spread_ <= 0) return;
  transition_ = kBackRequested;
  ClearButtonLooks();
}

void LogBook_t::TurnPageForward() {
  if (!hasStyle_ || WritingBlocks()) return;
  // Nothing lies after the newest page or the last photographs.
  int last = section_ == kJournal ? lastLocation : GetLastSpread();
  if (spread_ < 0 || spread_ >= last) return;
  transition_ = kForwardRequested;
  ClearButtonLooks();
}

void LogBook_t::ShowJournal() {
  if (!hasStyle_ || section_ != kPhotographs || WritingBlocks()) return;
  ClearButtonLooks();
  Disable(journalTab_, true);
  Disable(photosTab_, false);
  transition_ = kToJournalRequested;
}

void LogBook_t::ShowPhotographs() {
  if (!hasStyle_ || section_ != kJournal || WritingBlocks()) return;
  ClearButtonLooks();
  Disable(journalTab_, false);
  Disable(photosTab_, true);
  transition_ = kToPhotographsRequested;
}

void LogBook_t::StartWriting() {
  if (!hasStyle_) return;
  writingSound_ = TSound::Get(kWritingSound, true, kGroupSoundEffects);
  if (writingSound_) writingSound_->Play(true);
}

// --- Cursor ---

void LogBook_t::SetCursorHook(std::function<void(const TString&)> hook) { CursorHook() = std::move(hook); }

void LogBook_t::SetCursorTo(const char* name) {
  if (CursorHook()) {
    CursorHook()(TString(name));
    return;
  }
  TPlatform* platform = TPlatform::GetInstance();
  if (!platform) return;
  // The magnifier's empty pointer is an ordinary picture; the arrow is a cursor picture.
  TTextureRef texture = TString(name) == "cursor/cursor" ? TTexture::GetFlagged(name) : TTexture::Get(name, 0);
  if (texture) platform->SetCursor(texture, 1, 1, 0);
}

void LogBook_t::MagnifierOff() {
  magnifier_ = false;
  SetCursorTo("cursor/cursor");
}

// --- Questions ---

int LogBook_t::GetLastSpread() const {
  int n = int(photoNames_.size());
  return n % 2 == 0 ? n / 2 - 1 : (n - 1) / 2;
}

bool LogBook_t::HasRightPhoto(int spread) const {
  return spread >= 0 && 2 * size_t(spread) + 1 < photoNames_.size();
}

namespace {
const TString& Entry(const std::vector<TString>& list, int i) {
  static const TString empty;
  return i >= 0 && size_t(i) < list.size() ? list[size_t(i)] : empty;
}
TString TextOf(const TText* t) { return t ? t->GetText() : TString(); }
}  // namespace

const TString& LogBook_t::GetPageImage(int page) const { return Entry(pageImages_, page); }
const TString& LogBook_t::GetOpeningText(int page) const { return Entry(openingTexts_, page); }
const TString& LogBook_t::GetClosingText(int page) const { return Entry(closingTexts_, page); }
TString LogBook_t::GetCurrentOpeningText() const { return TextOf(current_.opening); }
TString LogBook_t::GetCurrentClosingText() const { return TextOf(current_.closing); }
TString LogBook_t::GetCurrentLeftCaption() const { return TextOf(currentPhotos_.leftCaption); }
TString LogBook_t::GetCurrentRightCaption() const { return TextOf(currentPhotos_.rightCaption); }
