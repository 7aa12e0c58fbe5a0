// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// Picture panes: a picture placed at a position, with an optional link text,
// described by one style text "texture,x,y[,link]". The main menu builds its
// layers from them and the play screen uses the same record.
// Depends on platform/ and render/.
#pragma once
#include <memory>

#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/string.h"

class TTexture;

struct PaneDescr_t {
  boost::shared_ptr<TTexture> texture;
  TString link;
  // left, top inclusive; right, bottom exclusive (the picture's size).
  TRect rect;
  // The picture with its top-left at the rectangle's, alpha 1, unscaled.
  void Draw() const;
  bool Contains(int x, int y) const { return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom; }
};

// The pane of "texture,x,y[,link]" (pieces trimmed, empty ones skipped);
// null, logged as "Invalid pane <text>", with fewer than three pieces or a
// position that is not a number. A picture that cannot be loaded gives a
// pane of no size that draws nothing.
std::unique_ptr<PaneDescr_t> ParsePaneDescr(const TString& text);
