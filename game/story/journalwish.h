// JournalWish_t: what the player last asked of a journal (open or closed)
// while the book could not do it yet, kept and done as soon as it can. The
// book takes no clicks while it fades in or out and refuses to close while a
// page turns or the pen writes; a close asked then closes it once it is open
// and still, an opening asked while it fades out opens it again once it is
// closed. The last request wins, so the book ends as the last click asked.
// The play screen and the mini-games' frame each keep one beside their book.
#pragma once
#include <functional>

#include "platform/geometry.h"

class LogBook_t;

class JournalWish_t {
public:
  enum class Ask { kNone, kOpen, kClosed };

  // A request to keep: the next Follow does it when the book can.
  void Request(Ask ask) { wish_ = ask; }
  // Forgets the request and the press in hand (a new location).
  void Clear();
  Ask Pending() const { return wish_; }

  // A click on a book that fades (shown but not open) and so takes none:
  // the press and release on its close button ask it closed; on the owner's
  // journal button (`onOpenButton`: the point lies on it) they ask it open.
  // OnMouseDown tells whether the press lies on the fading book's close
  // button; OnMouseUp whether the release kept a request.
  bool OnMouseDown(const LogBook_t& book, const TPoint& p, bool onOpenButton);
  bool OnMouseUp(const LogBook_t& book, const TPoint& p, bool onOpenButton);

  // Does the kept request as soon as the book can; `open` opens the book
  // the owner's way. Owners call it after every request and every update.
  void Follow(LogBook_t& book, const std::function<void()>& open);

private:
  Ask wish_ = Ask::kNone;
  // The press of the click in hand began on the fading book's close button
  // or on the journal button.
  bool pressOnClose_ = false, pressOnOpen_ = false;
};
