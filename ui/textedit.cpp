#include "ui/textedit.h"

#include <algorithm>

#include "platform/event.h"
#include "render/text/font.h"
#include "render/text/minivecfont.h"
#include "render/text/textblock.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {

// The byte offset where the character that ends at `end` starts.
size_t PreviousCharStart(const std::string& text, size_t end) {
  size_t pos = 0;
  while (pos < end) {
    size_t len = static_cast<size_t>(std::max(1, Utf8CharLength(text.c_str() + pos)));
    if (pos + len >= end) return pos;
    pos += len;
  }
  return pos;
}

size_t CharLengthAt(const std::string& text, size_t pos) {
  if (pos >= text.size()) return 0;
  return std::min(static_cast<size_t>(std::max(1, Utf8CharLength(text.c_str() + pos))), text.size() - pos);
}

// Text shown in a text block as typed: markup characters are written as entities,
// so typed text can never make a link, a caret or any other tag.
std::string EscapeMarkup(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

}  // namespace

bool IsSingleByteText(const TString& text) {
  for (char c : text.str()) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b == 0 || b >= 0xC0) return false;
  }
  return true;
}

// Finds the edit list to join: the first other text edit of the modal window
// that has a list without this edit in it.
class TextSpider : public TWindowSpider {
public:
  explicit TextSpider(TTextEdit* edit) : edit_(edit) {}
  bool Visit(TWindow* child) override {
    auto* other = WindowCast<TTextEdit>(child);
    if (other && other != edit_) {
      auto& list = other->list_;
      if (list && std::find(list->begin(), list->end(), edit_) == list->end()) {
        found = list;
        return false;
      }
      return true;
    }
    return child->ForEachChild(*this);
  }
  std::shared_ptr<TTextEditList> found;

private:
  TTextEdit* edit_;
};

TTextEdit::TTextEdit() : TText(false) {
  SetClassFlags(GetFlags() | kWindowFocusable);
  blink_.Reset();
  blink_.Start();
}

TTextEdit::~TTextEdit() {
  if (list_) list_->erase(std::remove(list_->begin(), list_->end(), this), list_->end());
  list_.reset();
}

void TTextEdit::JoinList() {
  if (list_) return;
  TModalWindow* modal = GetModalParent();
  if (!modal) return;
  Animate(kBlinkUpdateMs, true, true, false);
  TextSpider spider(this);
  modal->ForEachChild(spider);
  list_ = spider.found ? spider.found : std::make_shared<TTextEditList>();
  list_->push_back(this);
}

void TTextEdit::Init(TWindowStyle& style) {
  JoinList();
  bool password = style.GetBool("password", false);
  int length = GetStyleInt(style, "length", kDefaultLength);
  TString ignore = style.GetString("ignore", TString());
  utf8_ = style.GetBool("utf8", false);
  // The label is the text as typed: never translated.
  TWindowManager* wm = GetWindowManager();
  bool flag = wm ? wm->ExchangeScriptFlag(false) : false;
  if (password) {
    password_ = true;
    Refresh();
  }
  TText::Init(style);
  if (wm) wm->ExchangeScriptFlag(flag);
  maxLength_ = length;
  ignore_ = ignore;
}

bool TTextEdit::OnAdded() {
  JoinList();
  return true;
}

void TTextEdit::Draw() {
  JoinList();
  TText::Draw();
}

bool TTextEdit::Update() {
  Refresh();
  return true;
}

void TTextEdit::SetText(const TString& text) {
  text_ = text;
  caret_ = static_cast<uint32_t>(text_.Length());
  Refresh();
}

void TTextEdit::Refresh() {
  const std::string& text = text_.str();
  std::string shown = password_ ? std::string(text.size(), '*') : text;
  size_t caret = std::min<size_t>(caret_, shown.size());
  TWindowManager* wm = GetWindowManager();
  bool focused = wm && wm->GetFocus() == this;
  bool visible = focused && blink_.GetTime() % kBlinkPeriodMs > kBlinkPeriodMs / 2;
  if (visible != caretPhase_) {
    caretPhase_ = visible;
    if (wm) wm->Invalidate();
  }
  std::string display;
  if (visible && enabled_) {
    display = EscapeMarkup(shown.substr(0, caret)) + "<cursor>" + EscapeMarkup(shown.substr(caret));
  } else {
    display = EscapeMarkup(shown);
  }
  ShowText(display);
}

void TTextEdit::PostChanged() {
  if (TWindowManager* wm = GetWindowManager()) wm->PostMessage(new TMessage(kTextEditChanged, GetName(), nullptr));
}

// --- The hook and the check ---

bool TTextEdit::OnEditEvent(int code, uint32_t c) {
  switch (code) {
    case kEditInsert:
      if (utf8_ || text_.Length() + 1 < maxLength_) return true;
      OnEditEvent(kEditRefused, c);
      return false;
    case kEditMove:
    case kEditPaste: return true;
    default: return false;
  }
}

bool TTextEdit::CanShow(uint32_t codePoint) {
  TTextBlock* block = GetBlock();
  TMiniVecFont* own = block ? GetFont(block->GetFontName()) : nullptr;
  if (!own) return true;
  if (own->FindGlyph(codePoint) >= 0) return true;
  TMiniVecFont* fallback = GetFont("fonts/default.mvec");
  return fallback && fallback->FindGlyph(codePoint) >= 0;
}

bool TTextEdit::CheckEditEvent(int code, uint32_t c) {
  uint32_t shown = c < 0x80 ? c : ' ';
  if (code == kEditInsert) {
    if ((utf8_ && Utf8CharCount(text_.c_str()) >= maxLength_) || !CanShow(c)) {
      OnEditEvent(kEditRefused, shown);
      return false;
    }
  }
  return OnEditEvent(code, shown);
}

bool TTextEdit::IsIgnored(const TString& character) const {
  const std::string& ignore = ignore_.str();
  const std::string& ch = character.str();
  for (size_t pos = 0; pos < ignore.size();) {
    size_t len = CharLengthAt(ignore, pos);
    if (ignore.compare(pos, len, ch) == 0) return true;
    pos += len;
  }
  return false;
}

// --- Typing ---

bool TTextEdit::OnChar(unsigned char c) { return OnText(TString(reinterpret_cast<const char*>(&c), 1)); }

bool TTextEdit::OnText(TString text) {
  if (!enabled_ || text.IsEmpty()) return false;
  std::string edited = text_.str();
  unsigned char first = static_cast<unsigned char>(text[0]);
  switch (first) {
    case PlatformKey::kBackspace:
      if (caret_ == 0) {
        CheckEditEvent(kEditRefused, first);
      } else if (OnEditEvent(kEditMove, first)) {
        size_t start = PreviousCharStart(edited, caret_);
        text_ = edited.erase(start, caret_ - start);
        caret_ = static_cast<uint32_t>(start);
        Refresh();
        PostChanged();
      }
      return true;
    case PlatformKey::kTab:
      if (CheckEditEvent(kEditTab, first)) PostChanged();
      else MoveFocusOn();
      return true;
    case PlatformKey::kEnter:
      // A refused Enter goes on to the dialog, whose default button takes it.
      if (!CheckEditEvent(kEditEnter, first)) return false;
      PostChanged();
      return true;
    default: break;
  }
  if (first < 0x20) return false;
  if (first >= 0x80 && !password_ && !utf8_) return false;
  // One whole, well-formed character; anything else is not typed text.
  TString character = text.Substring(0, Utf8CharLength(text.c_str()));
  uint32_t code = DecodeUtf8(character.c_str());
  if (code == 0) return true;
  if (IsIgnored(character)) return true;
  if (!CheckEditEvent(kEditInsert, code)) return true;
  edited.insert(std::min<size_t>(caret_, edited.size()), character.str());
  text_ = edited;
  caret_ += static_cast<uint32_t>(character.Length());
  Refresh();
  PostChanged();
  return true;
}

void TTextEdit::MoveFocusOn() {
  TWindowManager* wm = GetWindowManager();
  if (!list_ || !wm) return;
  auto it = std::find(list_->begin(), list_->end(), this);
  if (it == list_->end()) return;
  size_t n = list_->size(), at = static_cast<size_t>(it - list_->begin());
  for (size_t step = 1; step <= n; ++step) {
    TTextEdit* next = (*list_)[(at + step) % n];
    if (next->IsFlagSetInherited()) {
      wm->SetFocus(next);
      return;
    }
  }
}

bool TTextEdit::OnKeyDown(unsigned char key, int modifiers) {
  JoinList();
  bool plain = (modifiers & (PlatformMod::kCtrl | PlatformMod::kAlt | PlatformMod::kExtended)) == 0;
  const std::string& text = text_.str();
  switch (key) {
    case PlatformKey::kLeft:
      if (caret_ == 0) {
        OnEditEvent(kEditRefused, key);
        return true;
      }
      if (!OnEditEvent(kEditMove, key)) return plain;
      caret_ = static_cast<uint32_t>(PreviousCharStart(text, caret_));
      Refresh();
      return true;
    case PlatformKey::kRight:
      if (caret_ >= text.size()) {
        OnEditEvent(kEditRefused, key);
        return true;
      }
      if (!OnEditEvent(kEditMove, key)) return plain;
      caret_ += static_cast<uint32_t>(CharLengthAt(text, caret_));
      Refresh();
      return true;
    case PlatformKey::kDelete:
      if (caret_ >= text.size()) {
        OnEditEvent(kEditRefused, key);
      } else {
        // Removed and shown; no edit event and no change message.
        std::string edited = text;
        text_ = edited.erase(caret_, CharLengthAt(text, caret_));
        Refresh();
      }
      return true;
    default: break;
  }
  if (key >= 0x5B && key <= 0x7F) return false;
  bool paste = (key == 'V' && (modifiers & PlatformMod::kCtrl)) || (key == PlatformKey::kInsert && modifiers == 0);
  if (paste && CheckEditEvent(kEditPaste, 0)) {
    TWindowManager* wm = GetWindowManager();
    TString clip = wm ? wm->GetEnvironment()->GetClipboardText() : TString();
    if (!clip.IsEmpty() && (utf8_ || IsSingleByteText(clip))) {
      TString pasted = FilterPaste(clip);
      SetText(TString());
      if (!pasted.IsEmpty()) {
        CheckEditEvent(kEditInsert, ' ');
        SetText(pasted);
      }
      // A paste replaces the whole text and posts no change message.
      return true;
    }
  }
  return plain;
}

TString TTextEdit::FilterPaste(const TString& clip) {
  // Cut after "length" characters (in either mode), then filtered.
  int limit = maxLength_;
  const std::string& in = clip.str();
  std::string cut;
  int count = 0;
  for (size_t pos = 0; pos < in.size() && count < limit; ++count) {
    size_t len = CharLengthAt(in, pos);
    cut.append(in, pos, len);
    pos += len;
  }
  std::string out;
  for (size_t pos = 0; pos < cut.size();) {
    size_t len = CharLengthAt(cut, pos);
    TString character(cut.substr(pos, len));
    pos += len;
    uint32_t code = DecodeUtf8(character.c_str());
    if (code < 0x20 || IsIgnored(character)) continue;
    out += character.str();
  }
  return out;
}
