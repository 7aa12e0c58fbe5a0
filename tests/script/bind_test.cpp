// Native members and functions bound as Lua globals: conversions, results,
// and what happens to a global when its object dies.
#include <memory>
#include <stdexcept>

#include "tests/script/scripttest.h"

namespace {

struct Base {
  int base = 7;
  int GetBase() const { return base; }
};

struct Widget : Base {
  explicit Widget(lua_State* L, const char* prefix = "") : lua(L) {
    std::string p = prefix;
    lua.Bind((p + "Take").c_str(), this, &Widget::Take);
    lua.Bind((p + "Name").c_str(), this, &Widget::Name);
    lua.Bind((p + "GetBase").c_str(), this, &Widget::GetBase);
  }
  void Take(const char* raw, TString text, int n, bool flag, unsigned u, double d) {
    rawNull = raw == nullptr;
    this->raw = raw ? raw : "";
    this->text = text.str();
    this->n = n;
    this->flag = flag;
    this->u = u;
    this->d = d;
  }
  TString Name() { return name; }

  bool rawNull = false;
  std::string raw, text, name = "w";
  int n = -1;
  bool flag = false;
  unsigned u = 99;
  double d = -1;
  TLuaBindings lua;  // last, so the bindings go first
};

bool IsEven(int v) { return v % 2 == 0; }
const char* Maybe(bool give) { return give ? "yes" : nullptr; }
void Throw() { throw std::runtime_error("out of range"); }
// Raw access: two results.
int Split(lua_State* L) {
  TString s = LuaToText(L, 1);
  int at = s.FindChar('&');
  PushLuaString(L, at < 0 ? s : s.Substring(0, at));
  PushLuaString(L, at < 0 ? TString() : s.Substring(at + 1));
  return 2;
}

}  // namespace

TEST_F(ScriptTest, ArgumentsAreConvertedTheFrameworkWay) {
  Widget w(L());
  Run("Take(12, 3.5, 3.9, nil, -2, 2.5)");
  EXPECT_EQ(w.raw, "12");  // a number passed as text
  EXPECT_EQ(w.text, "3.5");
  EXPECT_EQ(w.n, 3);  // truncated toward zero
  EXPECT_FALSE(w.flag);
  EXPECT_EQ(w.u, 0u);  // negative clamps to the unsigned range
  EXPECT_EQ(w.d, 2.5);

  Run("Take({}, {}, -3.9, 0, 5e12, 'x')");
  EXPECT_TRUE(w.rawNull);  // a table where text is expected
  EXPECT_EQ(w.text, "");
  EXPECT_EQ(w.n, -3);
  EXPECT_TRUE(w.flag);  // Lua truth: 0 is true
  EXPECT_EQ(w.u, 4294967295u);
  EXPECT_EQ(w.d, 0);

  Run("Take('a', 'b', 1e300, false)");
  EXPECT_EQ(w.n, 2147483647);
  EXPECT_FALSE(w.flag);
  Run("Take('a', 'b', -1e300, true)");
  EXPECT_EQ(w.n, -2147483647 - 1);
  Run("Take('a', 'b', 0/0)");
  EXPECT_EQ(w.n, 0);
  EXPECT_FALSE(w.flag);  // missing arguments read as nil
}

TEST_F(ScriptTest, ResultsArePushedByType) {
  Widget w(L());
  TLuaBindings lua(L());
  lua.Bind("IsEven", &IsEven);
  lua.Bind("Maybe", &Maybe);
  lua.Bind("Split", &Split);
  Run("a = Name(); b = IsEven(4); c = IsEven(3.9); d = Maybe(true); e = Maybe(false)"
      "; n = select('#', Take()); s1, s2 = Split('&Options'); base = GetBase()");
  EXPECT_EQ(Text("a"), "w");
  EXPECT_EQ(Type("b"), "boolean");
  EXPECT_EQ(Text("d"), "yes");
  EXPECT_EQ(Type("e"), "nil");
  EXPECT_EQ(Number("n"), 0);  // void gives no result
  EXPECT_EQ(Text("s1"), "");
  EXPECT_EQ(Text("s2"), "Options");
  EXPECT_EQ(Number("base"), 7);  // a member declared in a base class
  lua_getglobal(L(), "c");
  EXPECT_FALSE(script.PopBool());  // 3.9 -> 3
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
  auto older = std::make_unique<Widget>(L());
  older->name = "older";
  auto newer = std::make_unique<Widget>(L());
  newer->name = "newer";
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
}

TEST_F(ScriptTest, OlderBinderDyingLeavesTheNewerBinding) {
  auto older = std::make_unique<Widget>(L());
  auto newer = std::make_unique<Widget>(L());
  newer->name = "newer";
  older.reset();
  Run("a = Name()");
  EXPECT_EQ(Text("a"), "newer");
  newer.reset();
  EXPECT_EQ(Type("Name"), "nil");  // the dead older one is not brought back
}

TEST_F(ScriptTest, GlobalReplacedByTheScriptIsLeftAlone) {
  auto w = std::make_unique<Widget>(L());
  Run("function Name() return 'mine' end");
  w.reset();
  Run("a = Name()");
  EXPECT_EQ(Text("a"), "mine");
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
