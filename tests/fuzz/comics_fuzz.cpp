// The readers of the comics and the information pop-ups: a comic file (first
// byte even) or an info document (first byte odd) from the input, read as the
// viewers read them, then the comic stepped, finished and paged through and
// every page of the info document made. Nothing may end the process, and the
// comic's current page stays inside its list.
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/shell/data/gamesettings.h"
#include "game/story/comics.h"
#include "game/story/infos.h"
#include "platform/xml.h"

namespace {
const char* kSettings =
    "<Game><Common animrate=\"16\"/><TextEffects><Cap w=\"300\" h=\"60\" fh=\"40\" color=\"255,255,255,255\">"
    "<alpha t1=\"1\" t2=\"1.5\" val=\"0\"/></Cap><NoSize fh=\"20\"/></TextEffects></Game>";

void Check(const ComicsData& c) {
  int page = c.GetCurrentPage();
  if (page < 0 || (c.GetPageCount() > 0 && page >= c.GetPageCount()) || (c.GetPageCount() == 0 && page != 0))
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 16) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  GetMainXml().Clear();
  ParseXmlDocument(GetMainXml(), kSettings, "fuzz");
  TiXmlDocument doc;
  ParseXmlDocument(doc, text, "fuzz");
  if (data[0] % 2 == 0) {
    std::unique_ptr<ComicsData> comic = story::ParseComics(doc.RootElement(), "fuzz");
    Check(*comic);
    const float steps[] = {0.016f, 0.5f, 0.0f, -1.0f, 1e30f};
    for (int round = 0; round < 8; ++round) {
      comic->Update(steps[round % 5]);
      Check(*comic);
      if (round % 3 == 1) comic->FinishPage();
      comic->IsPageComplete();
      if (round % 2) comic->GoNext();
      else if (round == 6) comic->GoPrev();
      Check(*comic);
    }
  } else {
    for (const char* name : {"a", "b", "", "knife"}) story::ParseInfo(doc.RootElement(), name);
  }
  GetMainXml().Clear();
  return 0;
}
