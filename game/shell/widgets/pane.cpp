#include "game/shell/widgets/pane.h"

#include <string>
#include <vector>

#include "game/shell/widgets/styletext.h"
#include "platform/log.h"
#include "render/textures/texture.h"

void PaneDescr_t::Draw() const {
  if (texture) texture->DrawAt(float(rect.left), float(rect.top), 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter);
}

std::unique_ptr<PaneDescr_t> ParsePaneDescr(const TString& text) {
  std::vector<std::string> parts;
  SplitString(text.str(), ',', parts);
  int pos[2];
  if (parts.size() < 3 || !ParseIntList(parts[1] + "," + parts[2], pos, 2)) {
    TraceOut("Invalid pane %s", text.c_str());
    return nullptr;
  }
  auto pane = std::make_unique<PaneDescr_t>();
  pane->texture = TTexture::Get(parts[0].c_str());
  if (parts.size() > 3) pane->link = parts[3].c_str();
  int w = pane->texture ? int(pane->texture->GetWidth()) : 0, h = pane->texture ? int(pane->texture->GetHeight()) : 0;
  pane->rect = TRect(pos[0], pos[1], pos[0] + w, pos[1] + h);
  return pane;
}
