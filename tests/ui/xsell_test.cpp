// The cross-sell window: the description file (plain, packed, missing,
// damaged, too long), the text it writes, the slots it hides, the windows it
// re-centres and the addresses it opens.
#include <gtest/gtest.h>

#include <zlib.h>

#include "platform/host/hosts.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "stocktest.h"
#include "ui/button.h"
#include "ui/text.h"
#include "ui/xsell.h"

using stocktest::TStockFixture;

namespace {

std::string Games(int count, bool site) {
  std::string xml = "<xsell>";
  for (int i = 1; i <= count; ++i) {
    std::string n = std::to_string(i);
    xml += "<gameinfo description='Game " + n + "' link='https://example.com/" + n + "'" +
           (i == 2 ? "" : " linktext='Play " + n + "'") + "/>";
  }
  if (site) xml += "<sitelink link='https://example.com/site'/>";
  return xml + "<centertext text1='More games' text2='From us'/></xsell>";
}

std::vector<uint8_t> Packed(const std::string& xml) {
  uLongf size = compressBound(xml.size());
  std::vector<uint8_t> out(8 + size);
  compress(out.data() + 8, &size, reinterpret_cast<const Bytef*>(xml.data()), xml.size());
  out.resize(8 + size);
  const char magic[4] = {'Z', 'X', 'M', 'L'};
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(magic[i]);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(xml.size() >> (8 * i));
  return out;
}

class XSellTest : public ::testing::Test {
protected:
  XSellTest() { f.wm->RegisterWindowType("XSellWindow", TXSellWindow::ClassCreator()); }
  // The cross-sell screen: eight descriptions and buttons, logos and the site button.
  TXSellWindow* Build(const std::string& config = "xsell/xsell.xml") {
    std::string lua = "XSellWindow{name='xs', x=100, y=50, config='" + config + "',";
    for (int i = 1; i <= 8; ++i) {
      std::string n = std::to_string(i);
      lua += "Text{name='descrip" + n + "', x=0, y=" + std::to_string(i * 40) + ", w=400, h=30},";
      lua += "Button{name='xsellbutton" + n + "', x=500, y=" + std::to_string(i * 40) + ", w=40, h=20},";
    }
    lua += "Text{name='centertext1', x=0, y=400, w=300, h=30}, Text{name='centertext2', x=0, y=440, w=300, h=30},"
           "Button{name='sitelogo', x=200, y=500, w=60, h=30}, Button{name='gamesite', x=300, y=500, w=61, h=31}}()";
    f.Lua(lua);
    return f.Find<TXSellWindow>("xs");
  }
  bool Shown(const char* name) { return f.screen->FindChild(name)->HasFlag(kWindowVisible); }
  TString Text(const char* name) { return f.Find<TText>(name)->GetText(); }

  // The platform (its headless host records the addresses opened) outlives the windows.
  THeadlessHost* host = nullptr;
  std::unique_ptr<TPlatform> platform = CreateHeadlessPlatform(TPlatformHooks(), &host);
  TStockFixture f;
};

}  // namespace

TEST_F(XSellTest, ThreeGamesFillTheirSlotsAndHideTheRest) {
  f.dir.Write("assets/xsell/xsell.xml", Games(3, true));
  TXSellWindow* xs = Build();
  f.Lua("SetupXSell()");
  EXPECT_EQ(Text("descrip1"),
            "Game 1 <u><font color=\"003cff\"><a id='xsellbutton1'>Play 1</a></font></u>");
  EXPECT_EQ(Text("descrip2"), "Game 2");
  EXPECT_EQ(Text("centertext1"), "More games");
  EXPECT_EQ(Text("centertext2"), "From us");
  for (const char* n : {"descrip1", "descrip3", "xsellbutton3", "gamesite"}) EXPECT_TRUE(Shown(n)) << n;
  for (const char* n : {"descrip4", "xsellbutton4", "descrip8", "xsellbutton8"}) EXPECT_FALSE(Shown(n)) << n;
  EXPECT_EQ(xs->GetGameLink(3), "https://example.com/3");

  // The designed positions become the centres (in the parent's coordinates), and
  // a second call shifts the windows again.
  EXPECT_EQ(f.screen->FindChild("xsellbutton1")->GetRect().left, 480);
  EXPECT_EQ(f.screen->FindChild("xsellbutton1")->GetRect().top, 30);
  EXPECT_EQ(f.screen->FindChild("gamesite")->GetRect().left, 270);
  EXPECT_EQ(f.screen->FindChild("gamesite")->GetRect().top, 485);
  f.Lua("SetupXSell()");
  EXPECT_EQ(f.screen->FindChild("gamesite")->GetRect().left, 240);
  EXPECT_EQ(f.screen->FindChild("gamesite")->GetRect().top, 470);
  EXPECT_EQ(f.screen->FindChild("xsellbutton1")->GetRect().left, 460);

  f.Lua("LaunchGameLink(3) LaunchGameLink(0) LaunchGameLink(8)");
  EXPECT_EQ(host->GetOpenedUrls(), (std::vector<std::string>{"https://example.com/3", "https://example.com/site",
                                                              "https://example.com/site"}));
}

TEST_F(XSellTest, WithoutASiteLinkTheEighthGameIsTheSite) {
  f.dir.Write("assets/xsell/xsell.xml", Games(8, false));
  Build();
  f.Lua("SetupXSell() LaunchGameLink(0)");
  EXPECT_FALSE(Shown("gamesite"));
  EXPECT_EQ(host->GetOpenedUrls(), std::vector<std::string>{"https://example.com/8"});

  f.dir.Write("assets/other.xml", Games(2, false));
  f.Lua("DestroyWindow('xs')");
  f.Tick(10);  // deletes the window
  f.Lua("SetupXSell() LaunchGameLink(8)");  // the window is gone: nothing happens
  EXPECT_EQ(host->GetOpenedUrls().size(), 1u);
  Build("other.xml");
  f.Lua("SetupXSell() LaunchGameLink(0) LaunchGameLink(8) LaunchGameLink(7)");
  EXPECT_EQ(host->GetOpenedUrls().size(), 1u);  // nothing more to open
}

TEST_F(XSellTest, PackedMissingDamagedAndOverlongFiles) {
  f.dir.Write("assets/packed.xml", Packed(Games(2, true)));
  TXSellWindow* xs = Build("packed.xml");
  f.Lua("SetupXSell()");
  EXPECT_EQ(Text("descrip2"), "Game 2");
  EXPECT_TRUE(Shown("gamesite"));
  EXPECT_EQ(xs->GetSiteLink(), "https://example.com/site");

  for (const char* config : {"missing.xml", "damaged.xml"}) {
    f.dir.Write("assets/damaged.xml", Games(3, true).substr(0, 60));
    f.Lua("DestroyWindow('xs')");
    f.Tick(10);  // deletes the window
    TLogCapture log;
    xs = Build(config);
    f.Lua("SetupXSell()");
    EXPECT_FALSE(log.Lines().empty());
    for (const char* n : {"descrip1", "xsellbutton1", "descrip8", "gamesite"}) EXPECT_FALSE(Shown(n)) << config << n;
    EXPECT_EQ(xs->GetSiteLink(), "");
  }

  // Twelve games: eight addresses kept; out-of-range numbers open nothing.
  f.dir.Write("assets/twelve.xml", Games(12, false));
  f.Lua("DestroyWindow('xs')");
  f.Tick(10);  // deletes the window
  xs = Build("twelve.xml");
  f.Lua("SetupXSell() LaunchGameLink(-1) LaunchGameLink(9) LaunchGameLink(1e9)");
  EXPECT_EQ(xs->GetSiteLink(), "https://example.com/8");
  EXPECT_TRUE(host->GetOpenedUrls().empty());
}

TEST_F(XSellTest, ADeeplyNestedFileIsRefusedAndTheSlotsStayHidden) {
  std::string deep = "<xsell><gameinfo description='Game 1' link='https://example.com/1'/>";
  for (int i = 0; i < 20000; ++i) deep += "<g>";
  f.dir.Write("assets/deep.xml", deep);
  TLogCapture log;
  TXSellWindow* xs = Build("deep.xml");
  f.Lua("SetupXSell()");
  EXPECT_TRUE(log.Contains("deep.xml is refused: elements nested deeper than 256 levels"));
  EXPECT_FALSE(Shown("descrip1"));
  EXPECT_EQ(xs->GetSiteLink(), "");
}

TEST_F(XSellTest, InitReadsOnlyItsOwnKeysAndPostInitPlacesTheWindow) {
  // While its children are built the window has no size yet; its place and
  // size come once they exist.
  f.Lua("XSellWindow{name='xs', x=10, y=20, w=300, h=200, config='other.xml', autoexpand=true,"
        "  function() seenWidth, seenHeight = gDialogWidth, gDialogHeight end,"
        "  Text{name='descrip1', x=0, y=0, w=100, h=20}}()");
  EXPECT_EQ(f.Global("seenWidth"), "0");
  EXPECT_EQ(f.Global("seenHeight"), "0");
  auto* xs = f.Find<TXSellWindow>("xs");
  ASSERT_NE(xs, nullptr);
  EXPECT_EQ(xs->GetRect(), TRect(10, 20, 310, 220));
  f.dir.Write("assets/other.xml", Games(1, true));
  f.Lua("SetupXSell()");
  EXPECT_EQ(Text("descrip1"), "Game 1 <u><font color=\"003cff\"><a id='xsellbutton1'>Play 1</a></font></u>");
}
