// Native members and functions bound as Lua globals: conversions, results,
// and what happens to a global when its object dies.
#include <memory>
#include <stdexcept>

#include "tests/script/scripttest.h"

namespace {

struct Base {
  int GetBase() const { return 7; }
};

struct Widget : Base {
  explicit Widget(lua_State* L, const char* name = "w") : name(name), lua(L) {
    lua.Bind("Take", this, &Widget::Take);
    lua.Bind("Name", this, &Widget::Name);
    lua.Bind("GetBase", this, &Widget::GetBase);
  }
  // Records what arrived, as "raw|text|int|bool|unsigned|double".
  void Take(const char* raw, TString text, int n, bool flag, unsigned u, double d) {
    got = TString::Printf("%s|%s|%d|%d|%u|%g", raw ? raw : "(null)", text.c_str(), n, flag, u, d).str();
  }
  TString Name() { return name; }

  std::string got, name;
  TLuaBindings lua;  // last, so the bindings go first
};

bool IsEven(int v) { return v % 2 == 0; }
const char* Maybe(bool give) { return give ? "yes" : nullptr; }
void Throw() { throw std::runtime_error("out of range"); }
int Split(lua_State* L) {  // raw access, two results
  lua_pushstring(L, "left");
  lua_pushstring(L, "right");
  return 2;
}

}  // namespace

TEST_F(ScriptTest, ArgumentsAreConvertedTheFrameworkWay) {
  Widget w(L());
  const std::pair<const char*, const char*> cases[] = {
      {"Take(12, 3.5, 3.9, nil, -2, 2.5)", "12|3.5|3|0|0|2.5"},  // number as text, 3.9 -> 3, nil false
      {"Take({}, {}, -3.9, 0, 5e12, 'x')", "(null)||-3|1|4294967295|0"},  // table as text, 0 is true
      {"Take('a', 'b', 1e300, false)", "a|b|2147483647|0|0|0"},
      {"Take('a', 'b', -1e300)", "a|b|-2147483648|0|0|0"},
      {"Take('a', 'b', 0/0)", "a|b|0|0|0|0"}};
  for (const auto& c : cases) {
    Run(c.first);
    EXPECT_EQ(w.got, c.second) << c.first;
  }
}

TEST_F(ScriptTest, ResultsArePushedByType) {
  Widget w(L());
  TLuaBindings lua(L());
  lua.Bind("IsEven", &IsEven);
  lua.Bind("Maybe", &Maybe);
  lua.Bind("Split", &Split);
  Run("r = table.concat({type(IsEven(4)), tostring(IsEven(3.9)), Maybe(true), tostring(Maybe(false)),"
      " select('#', Take()), Name(), GetBase(), Split()}, ',')");
  EXPECT_EQ(Text("r"), "boolean,false,yes,nil,0,w,7,left,right");
}

TEST_F(ScriptTest, ExceptionBecomesALuaErrorAndTheCallerGoesOn) {
  TLuaBindings lua(L());
  lua.Bind("Throw", &Throw);
  EXPECT_FALSE(script.DoLuaString("Throw()", "throwing"));
  EXPECT_TRUE(log.Contains("Lua Error: [string \"Throw()\"]:1: Throw: out of range\n\twhen throwing"));
  Run("ok, msg = pcall(Throw)");
  EXPECT_EQ(Text("msg"), "Throw: out of range");
}

TEST_F(ScriptTest, GlobalGoesBackToThePreviousLiveBinder) {
  auto older = std::make_unique<Widget>(L(), "older");
  auto newer = std::make_unique<Widget>(L(), "newer");
  Run("a = Name(); keep = Name");
  EXPECT_EQ(Text("a"), "newer");
  newer.reset();
  Run("b = Name(); n = select('#', keep())");
  EXPECT_EQ(Text("b"), "older");
  EXPECT_EQ(Number("n"), 0);  // the copy kept by the script no longer reaches the object
  EXPECT_EQ(log.Count("Lua: Name called after its object was destroyed"), 1u);
  older.reset();
  EXPECT_EQ(Type("Name"), "nil");
  EXPECT_EQ(Type("Take"), "nil");

  // The older one dying first leaves the newer binding; a dead one never comes back.
  older = std::make_unique<Widget>(L(), "older");
  newer = std::make_unique<Widget>(L(), "newer");
  older.reset();
  Run("c = Name()");
  EXPECT_EQ(Text("c"), "newer");
  newer.reset();
  EXPECT_EQ(Type("Name"), "nil");

  // A global the script replaced is left alone.
  newer = std::make_unique<Widget>(L());
  Run("function Name() return 'mine' end");
  newer.reset();
  Run("d = Name()");
  EXPECT_EQ(Text("d"), "mine");
}

TEST(ScriptBindings, BindersAndWrappersMayOutliveTheirState) {
  std::unique_ptr<Widget> w;
  std::unique_ptr<TLuaTable> t;
  {
    TScript script;
    w = std::make_unique<Widget>(script.GetState());
    lua_newtable(script.GetState());
    t = std::make_unique<TLuaTable>(script.GetState(), -1);
  }
  EXPECT_EQ(t->GetString(1, "gone"), "gone");
  EXPECT_EQ(t->GetState(), nullptr);
  w.reset();  // nothing to undo; must not touch the closed state
}
