#include "game/story/journalwish.h"

#include "game/story/logbook.h"
#include "platform/log.h"

namespace {
// Shown (opening, open or closing) but not open: the book takes no clicks.
bool Fading(const LogBook_t& book) {
  const int state = book.GetState();
  return state == LogBook_t::kOpening || state == LogBook_t::kClosing;
}
}  // namespace

void JournalWish_t::Clear() {
  wish_ = Ask::kNone;
  pressOnClose_ = pressOnOpen_ = false;
}

bool JournalWish_t::OnMouseDown(const LogBook_t& book, const TPoint& p, bool onOpenButton) {
  pressOnClose_ = pressOnOpen_ = false;
  if (!Fading(book)) return false;
  pressOnClose_ = book.IsOnCloseButton(p);
  pressOnOpen_ = onOpenButton;
  return pressOnClose_;
}

bool JournalWish_t::OnMouseUp(const LogBook_t& book, const TPoint& p, bool onOpenButton) {
  const bool onClose = pressOnClose_, onOpen = pressOnOpen_;
  pressOnClose_ = pressOnOpen_ = false;
  if (!Fading(book)) return false;
  if (onClose && book.IsOnCloseButton(p)) wish_ = Ask::kClosed;
  else if (onOpen && onOpenButton) wish_ = Ask::kOpen;
  else return false;
  return true;
}

void JournalWish_t::Follow(LogBook_t& book, const std::function<void()>& open) {
  if (wish_ == Ask::kNone) return;
  const int state = book.GetState();
  if (wish_ == Ask::kOpen) {
    if (state == LogBook_t::kClosing) return;
    wish_ = Ask::kNone;
    if (state == LogBook_t::kClosed) {
      TraceOut("journal: opens as asked while it closed");
      open();
    }
    return;
  }
  if (state == LogBook_t::kOpening) return;
  if (state == LogBook_t::kOpen) {
    book.StartClosing();  // refused while a page turns or the pen writes
    if (book.GetState() != LogBook_t::kClosing) return;
    TraceOut("journal: closes as asked");
  }
  wish_ = Ask::kNone;
}
