#include "game/story/albumjournal.h"

#include "game/shell/upperlayers.h"
#include "game/story/logbook.h"

namespace {

class TAlbumJournal : public TAlbumLogBook {
public:
  explicit TAlbumJournal(TWindow* owner) : book_(owner) {}
  bool HasStyle() const { return book_.HasStyle(); }

  int GetSection() const override { return book_.GetSection(); }
  bool IsIdle() const override { return book_.GetTransition() == LogBook_t::kIdle; }
  int GetOpenState() const override { return book_.GetState(); }
  bool IsEnabled() const override { return book_.IsEnabled(); }
  void SetLastSpreadLimit(int spread) override { book_.lastLocation = spread; }
  void SetAlbumMode(bool on) override { book_.photosOnly = on; }
  void SetPageStates(int zoomState, int zoomSide) override {
    book_.zoomState = zoomState;
    book_.zoomSide = zoomSide;
  }
  void AddEntry(const TString& name) override { book_.AddEntry(name); }
  void Rebuild() override { book_.Rebuild(); }
  int GetLastSpread() const override { return book_.GetLastSpread(); }
  void Open(int section, int spread) override { book_.Open(section, spread); }
  void StartOpening() override { book_.StartOpening(); }
  void StartClosing() override { book_.StartClosing(); }
  void TurnPageBack() override { book_.TurnPageBack(); }
  void TurnPageForward() override { book_.TurnPageForward(); }
  void ShowJournal() override { book_.ShowJournal(); }
  void ShowPhotographs() override { book_.ShowPhotographs(); }
  void OnMouseDown(const TPoint& p) override { book_.OnMouseDown(p); }
  void OnMouseMove(const TPoint& p) override { book_.OnMouseMove(p); }
  void OnMouseUp(const TPoint& p) override { book_.OnMouseUp(p); }
  void Draw() override { book_.Draw(); }
  void Update(float seconds) override { book_.Update(seconds); }

private:
  LogBook_t book_;
};

}  // namespace

std::unique_ptr<TAlbumLogBook> MakeAlbumJournal(TWindow* owner) {
  auto journal = std::make_unique<TAlbumJournal>(owner);
  if (!journal->HasStyle()) return nullptr;
  return journal;
}
