// Every text the demo's data gives a box on a screen fits that box: laid out
// by the game's own text layout with the box's font and size, all its lines
// lie inside the box's height and no word is broken for want of width.
//
// The boxes and their texts come from the data as the game reads it:
// - the screens' scripts (assets/scripts/*.lua), run by the real window
//   library (ui/screeninit.lua) with the program's half left out: every
//   window they build is recorded with its style table, and every command a
//   button runs is run too (once with the game's questions answered no, once
//   yes), so the labels a screen sets later (a refusal, a notice) are seen
//   with the box they go into. Texts that name a player are given the
//   widest name a player can type;
// - the tutorials' boxes (main.xml) with every tutorial text of the levels
//   and mini-games, the comics' captions, the information pages, the
//   splash's lines, the mini-games' captions and the journal's entries.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <dirent.h>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/stringtable.h"
#include "render/text/font.h"
#include "render/text/textblock.h"
#include "script/luaapi.h"
#include "tests/support/testsupport.h"

namespace {

struct TBox {
  std::string where;  // the file and the box, for the report
  int w = 0, h = 0;
  std::string font;
  int size = 0;
};

struct TCase {
  TBox box;
  std::string text;
};

using TBlock = std::unique_ptr<TTextBlock, void (*)(TTextBlock*)>;

TBlock Layout(const TBox& box, const std::string& text) {
  return TBlock(TTextBlock::Create(TString(text), box.w, box.h, 0, TString(box.font), box.size,
                                   TFloatColor(1, 1, 1, 1)),
                &TTextBlock::Destroy);
}

// The words of a text without its markup ("<...>" tags).
std::vector<std::string> Words(const std::string& text) {
  std::string plain;
  bool tag = false;
  for (char c : text) {
    if (c == '<') tag = true;
    if (!tag) plain += c;
    if (c == '>') tag = false;
  }
  std::vector<std::string> words;
  std::istringstream in(plain);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// Empty when the text fits its box; else what is wrong.
std::string Misfit(const TBox& box, const std::string& text) {
  if (box.w <= 0 || box.h <= 0) return "the box has no size";
  TBlock block = Layout(box, text);
  if (block->GetLinesFittingFromEnd(1.0f, 0) != 0)
    return std::to_string(block->GetLineCount()) + " lines of " + std::to_string(int(block->GetLineHeight())) +
           " px do not fit " + std::to_string(box.h) + " px";
  for (const std::string& word : Words(text))
    if (Layout(box, word)->GetLineCount() > 1) return "\"" + word + "\" is wider than " + std::to_string(box.w) + " px";
  return std::string();
}

// The widest name a player can type into a field of `length` characters:
// the widest of a few broad letters of the Latin, Greek and Cyrillic
// alphabets in that font and size, `length` times.
std::string WidestName(const std::string& font, int size, int length) {
  std::string widest;
  int most = -1;
  for (const char* letter : {"W", "M", "m", "w", "\xC3\x86", "\xC5\x92", "\xCE\xA9", "\xD0\xA8", "\xD0\xA9", "\xD0\x96",
                             "\xD0\xAE", "\xD1\x88", "\xD1\x89", "\xD0\xB6"}) {
    TBox wide{"", 4096, 4096, font, size};
    TRect bounds;
    Layout(wide, letter)->GetTextBounds(bounds, 1.0f);
    // The advance shows in a pair better than in the ink of one letter.
    TRect two;
    Layout(wide, std::string(letter) + letter)->GetTextBounds(two, 1.0f);
    if (two.Width() > most) most = two.Width(), widest = letter;
  }
  std::string name;
  for (int i = 0; i < length; ++i) name += widest;
  return name;
}

std::vector<std::string> Files(const std::string& folder, const std::string& suffix) {
  std::vector<std::string> out;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) out.push_back(n);
    }
    closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

int Int(const TiXmlElement* e, const char* name, int fallback = 0) {
  int v = fallback;
  e->QueryIntAttribute(name, &v);
  return v;
}

std::string Attr(const TiXmlElement* e, const char* name) {
  const char* v = e ? e->Attribute(name) : nullptr;
  return v ? v : "";
}

// "x,y,w,h" (spaces allowed) into the box's size.
bool RectSize(const std::string& text, TBox* box) {
  int x = 0, y = 0;
  return std::sscanf(text.c_str(), "%d ,%d ,%d ,%d", &x, &y, &box->w, &box->h) == 4;
}

// Every element named `name` under `e`, at any depth.
void FindAll(const TiXmlElement* e, const char* name, std::vector<const TiXmlElement*>* out) {
  for (const TiXmlElement* c = e ? e->FirstChildElement() : nullptr; c; c = c->NextSiblingElement()) {
    if (c->ValueStr() == name) out->push_back(c);
    FindAll(c, name, out);
  }
}

std::vector<const TiXmlElement*> All(const TiXmlElement* e, const char* name) {
  std::vector<const TiXmlElement*> out;
  FindAll(e, name, &out);
  return out;
}

// --- The screens' scripts under the window library ---

TStringTable* g_strings = nullptr;
std::string g_playerName;  // what a text that names a player is given

// _GetString(id, a1..a5): the text with its substitutions; an argument that
// is no string (a player's name the script would read from the game) is the
// widest name.
int LuaGetString(lua_State* L) {
  TString args[5];
  for (int i = 0; i < 5; ++i) {
    int at = 2 + i;
    if (lua_type(L, at) == LUA_TSTRING || lua_type(L, at) == LUA_TNUMBER) args[i] = TString(lua_tostring(L, at));
    else if (!lua_isnoneornil(L, at)) args[i] = TString(g_playerName);
  }
  TString text = g_strings->GetString(TString(luaL_checkstring(L, 1)), args[0], args[1], args[2], args[3], args[4]);
  lua_pushstring(L, text.c_str());
  return 1;
}

int LuaTooLong(lua_State* L) { return luaL_error(L, "the script runs too long"); }
void Hook(lua_State* L, lua_Debug*) { LuaTooLong(L); }

// The program's half of the window library, as the screens meet it: every
// window made is kept (gMade, with the index of its parent), a label set
// later is kept (gSet), a modal screen opened is never waited for. The
// game's other functions answer as gAnswers says: "no" (nil), "yes" (1), or
// the two in turn, so that two questions in a row can be answered yes then
// no; one that asks for a name gets the widest name.
const char kHarness[] = R"(
gMade, gSet, gAnswers, gTurn = {}, {}, 'no', 0
local function Answer()
  gTurn = gTurn + 1
  if gAnswers == 'yes' then return 1 end
  if gAnswers == 'yes-no' and gTurn % 2 == 1 then return 1 end
  if gAnswers == 'no-yes' and gTurn % 2 == 0 then return 1 end
  return nil
end
local stack = {}
function GenericCreate(t)
  table.insert(gMade, { t = t, parent = stack[#stack] })
  table.insert(stack, #gMade)
  return true
end
function PopWindow() table.remove(stack) end
function SetLabel(name, text) table.insert(gSet, { name = name, text = text }) end
function GetLabel(name) return gPlayerName end
function DoModal(file) return 'yes' end
function DoMainWindow(file) end
function DisplayDialog(t) return 'yes' end
function WaitForMessage() return nil end
-- The chooser is full when every question is answered no, else empty.
function GetNumUsers() if gAnswers == 'no' then return 5 end return 0 end
function WaitForCloseMessage() end
function Pause() end
function Yield() end
local function Stub(name)
  return function(a, ...)
    if type(a) == 'table' and select('#', ...) == 0 and getmetatable(a) == nil and a.typename == nil then
      a.typename = name
      return function() DoWindow(a) end
    end
    if string.find(name, 'Name$') then return gPlayerName end
    return Answer()
  end
end
setmetatable(_G, { __index = function(_, k) return Stub(k) end })
)";

struct TLuaScreens {
  lua_State* L = luaL_newstate();
  ~TLuaScreens() { lua_close(L); }

  bool Run(const std::string& code, const std::string& name, std::string* error) {
    lua_sethook(L, Hook, LUA_MASKCOUNT, 5000000);
    bool ok = luaL_loadbuffer(L, code.data(), code.size(), name.c_str()) == 0 && lua_pcall(L, 0, 0, 0) == 0;
    if (!ok) {
      *error = lua_tostring(L, -1) ? lua_tostring(L, -1) : "?";
      lua_pop(L, 1);
    }
    lua_sethook(L, nullptr, 0, 0);
    return ok;
  }
};

// A number of a style table, or `fallback`.
int Field(lua_State* L, int table, const char* key, int fallback = 0) {
  lua_getfield(L, table, key);
  int v = lua_isnumber(L, -1) ? int(lua_tonumber(L, -1)) : fallback;
  lua_pop(L, 1);
  return v;
}

std::string TextField(lua_State* L, int table, const char* key) {
  lua_getfield(L, table, key);
  std::string v = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "";
  lua_pop(L, 1);
  return v;
}

// A window's text box from its style: its size, its font { name, size, colour }.
bool TextBox(lua_State* L, int table, TBox* box) {
  box->w = Field(L, table, "w");
  box->h = Field(L, table, "h");
  lua_getfield(L, table, "font");
  if (lua_istable(L, -1)) {
    lua_rawgeti(L, -1, 1);
    box->font = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "";
    lua_pop(L, 1);
    lua_rawgeti(L, -1, 2);
    box->size = lua_isnumber(L, -1) ? int(lua_tonumber(L, -1)) : 0;
    lua_pop(L, 1);
  }
  lua_pop(L, 1);
  // Sizes given as "the rest of the screen" are no boxes of their own.
  return !box->font.empty() && box->size > 0 && box->w > 0 && box->w < 4096 && box->h > 0 && box->h < 4096;
}

class DemoTexts : public ::testing::Test {
protected:
  void SetUp() override {
    ClearFontCache();
    ASSERT_TRUE(strings.Load("strings.xml"));
    g_strings = &strings;
  }
  void TearDown() override {
    g_strings = nullptr;
    ClearFontCache();
  }

  // Checks every case; the report names each one that does not fit.
  void Check(const std::vector<TCase>& cases, size_t least) {
    EXPECT_GE(cases.size(), least);
    for (const TCase& c : cases) {
      std::string why = Misfit(c.box, c.text);
      EXPECT_EQ(why, "") << c.box.where << " (" << c.box.w << " x " << c.box.h << ", " << c.box.font << " "
                         << c.box.size << "): \"" << c.text << "\"";
    }
  }

  std::string Text(const std::string& label) { return strings.GetString(TString(label)).str(); }

  // Every screen script's boxes and the texts they are given.
  std::vector<TCase> ScreenCases();
  void ScreenCases(const std::string& file, std::vector<TCase>* out);

  // The game's working folder: its data lie under assets/.
  testing_support::ScopedChdir cd{testing_support::SourceDir()};
  TStringTable strings;
};

// The longest name a script's fields take (their "length"), 16 by default.
int NameLength() {
  int longest = 0;
  for (const std::string& file : Files("assets/scripts", ".lua")) {
    std::string text = testing_support::ReadFile("assets/scripts/" + file);
    for (size_t at = text.find("length ="); at != std::string::npos; at = text.find("length =", at + 1))
      longest = std::max(longest, std::atoi(text.c_str() + at + 8));
  }
  return longest > 0 ? longest : 16;
}

void DemoTexts::ScreenCases(const std::string& file, std::vector<TCase>* out) {
  TLuaScreens lua;
  lua_State* L = lua.L;
  luaL_openlibs(L);
  lua_register(L, "_GetString", LuaGetString);
  std::string error;
  ASSERT_TRUE(lua.Run(testing_support::ReadFile("ui/screeninit.lua"), "screeninit", &error)) << error;
  ASSERT_TRUE(lua.Run(kHarness, "harness", &error)) << error;
  lua_pushstring(L, g_playerName.c_str());
  lua_setglobal(L, "gPlayerName");
  // The screen itself (one that waits for the game stops at its time limit).
  lua.Run("ReadFile('scripts/" + file + "')", file, &error);
  // Its buttons' commands, under each way of answering.
  for (const char* answers : {"no", "yes", "yes-no", "no-yes"}) {
    lua.Run("gAnswers, gTurn = '" + std::string(answers) +
                "', 0\nfor _, m in ipairs(gMade) do"
                "  if type(m.t.command) == 'function' then pcall(m.t.command) end "
                "end",
            file + " commands", &error);
  }
  lua_getglobal(L, "gMade");
  const int made = lua_gettop(L);
  std::map<std::string, std::vector<TBox>> byName;
  for (int i = 1; lua_rawgeti(L, made, i), !lua_isnil(L, -1); ++i) {
    lua_getfield(L, -1, "t");
    const int t = lua_gettop(L);
    const std::string type = TextField(L, t, "typename"), name = TextField(L, t, "name");
    TBox box;
    box.where = file + ": " + type + " '" + name + "'";
    if (type == "Text" && TextBox(L, t, &box)) {
      byName[name].push_back(box);
      lua_getfield(L, t, "label");
      if (lua_type(L, -1) == LUA_TSTRING) out->push_back({box, lua_tostring(L, -1)});
      lua_pop(L, 1);
    } else if (type == "TextEdit" && TextBox(L, t, &box)) {
      // A field shows what is typed: the widest name of its length.
      out->push_back({box, WidestName(box.font, box.size, Field(L, t, "length", 16))});
    } else if (type == "MainMenu") {
      // The player's name under the greeting: "font;size;x,y,w,h;colour".
      std::string def = TextField(L, t, "usernamedef");
      std::vector<std::string> parts;
      std::istringstream in(def);
      for (std::string p; std::getline(in, p, ';');) parts.push_back(p);
      if (parts.size() == 4 && RectSize(parts[2], &box)) {
        box.font = parts[0];
        box.size = std::atoi(parts[1].c_str());
        box.where = file + ": the greeting's name";
        out->push_back({box, g_playerName});
      } else {
        ADD_FAILURE() << file << ": usernamedef \"" << def << "\"";
      }
    } else if (type == "ChoosePlayerWindow") {
      // A row of the player list.
      if (RectSize(TextField(L, t, "listRect"), &box)) {
        box.font = TextField(L, t, "listFontName");
        box.size = Field(L, t, "fontH");
        box.where = file + ": a row of the player list";
        out->push_back({box, g_playerName});
      } else {
        ADD_FAILURE() << file << ": listRect";
      }
    }
    lua_pop(L, 2);
  }
  lua_pop(L, 2);
  // The labels set later, in the boxes of that name.
  lua_getglobal(L, "gSet");
  const int set = lua_gettop(L);
  for (int i = 1; lua_rawgeti(L, set, i), !lua_isnil(L, -1); ++i) {
    const std::string name = TextField(L, lua_gettop(L), "name"), text = TextField(L, lua_gettop(L), "text");
    for (const TBox& box : byName[name])
      if (!text.empty()) out->push_back({box, text});
    lua_pop(L, 1);
  }
  lua_pop(L, 2);
}

std::vector<TCase> DemoTexts::ScreenCases() {
  std::vector<TCase> cases;
  for (const std::string& file : Files("assets/scripts", ".lua")) ScreenCases(file, &cases);
  return cases;
}

}  // namespace

TEST_F(DemoTexts, EveryScreenTextFitsItsBox) {
  g_playerName = WidestName("fonts/default.mvec", 26, NameLength());
  std::vector<TCase> cases = ScreenCases();
  // The texts that come only from what a player does are among them.
  auto has = [&](const std::string& text) {
    return std::any_of(cases.begin(), cases.end(), [&](const TCase& c) { return c.text == text; });
  };
  EXPECT_TRUE(has(Text("players_name_refused")));
  EXPECT_TRUE(has(Text("players_full")));
  EXPECT_TRUE(has(strings.GetString("players_created", TString(g_playerName)).str()));
  EXPECT_TRUE(has(Text("gamemenu_resume")));
  EXPECT_TRUE(has(Text("mgmenu_resume")));
  EXPECT_TRUE(has(g_playerName));
  Check(cases, 60);
}

TEST_F(DemoTexts, EveryTextOfTheGameDataFitsItsBox) {
  std::vector<TCase> cases;
  TiXmlDocument main;
  ASSERT_TRUE(main.LoadFile("assets/main.xml"));
  const TiXmlElement* game = main.RootElement();
  ASSERT_TRUE(game);

  // The tutorials' box, with every text of the levels' and mini-games' tutorials.
  const TiXmlElement* tutorial = game->FirstChildElement("Tutorial");
  ASSERT_TRUE(tutorial);
  TBox tutor{"the tutorial box", 0, 0, Attr(tutorial, "font"), Int(tutorial, "fh")};
  ASSERT_TRUE(RectSize(Attr(tutorial, "rect"), &tutor));
  std::vector<std::string> tutorFiles;
  for (const std::string& f : Files("assets", ".xml")) tutorFiles.push_back(f);
  for (const std::string& f : Files("assets/levels", ".xml")) tutorFiles.push_back("levels/" + f);
  for (const std::string& f : Files("assets/tutorials", ".xml")) tutorFiles.push_back("tutorials/" + f);
  for (const std::string& file : tutorFiles) {
    TiXmlDocument doc;
    if (!doc.LoadFile("assets/" + file)) continue;
    for (const TiXmlElement* scripts : All(doc.RootElement(), "TutorScripts"))
      for (const TiXmlElement* text : All(scripts, "text")) {
        TBox box = tutor;
        box.where = file + ": the tutorial box";
        if (text->Attribute("fh")) box.size = Int(text, "fh");
        cases.push_back({box, Text(Attr(text, "name"))});
      }
  }

  // The comics' captions in their fragments' rectangles.
  std::map<std::string, TBox> effects;
  if (const TiXmlElement* te = game->FirstChildElement("TextEffects"))
    for (const TiXmlElement* e = te->FirstChildElement(); e; e = e->NextSiblingElement())
      effects[e->ValueStr()] = TBox{e->ValueStr(), Int(e, "w"), Int(e, "h"), Attr(e, "font"), Int(e, "fh")};
  for (const std::string& file : Files("assets/comics", ".xml")) {
    TiXmlDocument doc;
    ASSERT_TRUE(doc.LoadFile("assets/comics/" + file));
    for (const TiXmlElement* f : All(doc.RootElement(), "fragm")) {
      if (!f->Attribute("text")) continue;
      TBox box = effects[Attr(f, "texteffname")];
      box.where = "comics/" + file + ": " + Attr(f, "text");
      ASSERT_TRUE(RectSize(Attr(f, "rect"), &box));
      cases.push_back({box, Text(Attr(f, "text"))});
    }
  }

  // The information pages and notices.
  {
    TiXmlDocument doc;
    ASSERT_TRUE(doc.LoadFile("assets/infos.xml"));
    for (const TiXmlElement* f : All(doc.RootElement(), "fragm")) {
      if (!f->Attribute("text")) continue;
      TBox box{"infos.xml: " + Attr(f, "text"), 0, 0, Attr(f, "font"), Int(f, "fh")};
      ASSERT_TRUE(RectSize(Attr(f, "rect"), &box));
      cases.push_back({box, Text(Attr(f, "text"))});
    }
  }

  // The splash's lines.
  for (const TiXmlElement* t : All(game->FirstChildElement("Spl"), "Text")) {
    TBox box{"main.xml: the splash's " + Attr(t, "textId"), 0, 0, Attr(t, "font"), Int(t, "fh")};
    ASSERT_TRUE(RectSize(Attr(t, "rect"), &box));
    cases.push_back({box, Text(Attr(t, "textId"))});
  }

  // The mini-games' captions (the first Text style of each game's file).
  for (const std::string& file : Files("assets", ".xml")) {
    if (file.compare(0, 8, "minigame") != 0) continue;
    TiXmlDocument doc;
    ASSERT_TRUE(doc.LoadFile("assets/" + file));
    const TiXmlElement* common = doc.RootElement()->FirstChildElement("Common");
    const TiXmlElement* style = doc.RootElement()->FirstChildElement("Text");
    if (!common || !style) continue;
    TBox box{file + ": the caption", 0, 0, Attr(style, "font"), Int(style, "fh")};
    ASSERT_TRUE(RectSize(Attr(style, "rect"), &box));
    for (const char* key : {"text", "text2"})
      if (common->Attribute(key)) cases.push_back({box, Text(Attr(common, key))});
  }

  // The journal's entries: each in half the right page, with the longest date and time.
  const TiXmlElement* journal = game->FirstChildElement("LogBook")->FirstChildElement("Journal");
  ASSERT_TRUE(journal);
  int page[4] = {0, 0, 0, 0};
  ASSERT_EQ(std::sscanf(Attr(journal, "rect_right").c_str(), "%d;%d;%d;%d", &page[0], &page[1], &page[2], &page[3]), 4);
  for (const TiXmlElement* p : All(journal, "Page"))
    for (const char* key : {"text_intro", "text_outro"}) {
      std::string text = Text(Attr(p, key));
      for (const char* value : {"28-09-2009", "23:59"}) {
        size_t at = text.find("%s");
        if (at != std::string::npos) text.replace(at, 2, value);
      }
      cases.push_back({TBox{"the journal: " + Attr(p, key), page[2], page[3] / 2, Attr(journal, "font"),
                            Int(journal, "fh_journal")},
                       text});
    }
  Check(cases, 60);
}
