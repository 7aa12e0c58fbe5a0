// End to end: the framework started headless in a child process on the demo
// data, with a game main that registers the shared widgets and a screen
// window that shows them. A Lua screen with a picture effect, animations, a
// caption and a game button; a scripted click changes to a second screen
// behind the fade window; the final frames and the log are checked.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/frameanim.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/widgets/pictureeffect.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/widgets/shellwidgets.h"
#include "game/shell/widgets/texteffect.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "render/renderer.h"
#include "render/textures/texture.h"
#include "tests/platform/pngread.h"
#include "tests/support/testsupport.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"
#include "ui/windowstyle.h"

namespace {

// A screen as the game's screens use the widgets: it owns them, steps them
// every 16 ms, draws them and feeds its button; the button's click changes
// the screen behind the fade.
class TWidgetShow : public TWindow, public CommonSound_t, public TEffHolder_t {
  LANTERN_WINDOW_CLASS(TWidgetShow, TWindow)

public:
  TWidgetShow() = default;
  void Init(TWindowStyle& style) override {
    TWindow::Init(style);
    next_ = style.GetString("next", TString()).str();
    button_.reset(CreateButtonFromStyle(style.GetString("button", TString()).c_str(), this));
    anim_.Load(style.GetString("anim", TString()));
    anim_.Restart();
    atlas_.Load(style.GetString("atlas", TString()));
    atlas_.x = float(style.GetNumber("atlasx", 0));
    atlas_.y = float(style.GetNumber("atlasy", 0));
    atlas_.Restart();
    effect_ = std::make_unique<PictEff_t>();
    effect_->name = style.GetString("effect", TString()).str();
    effect_->holder = this;
    effect_->texture = TTexture::Get(style.GetString("picture", TString()));
    effect_->basePos = TVec2(float(style.GetNumber("effectx", 0)), float(style.GetNumber("effecty", 0)));
    effect_->LoadEffects(PictEff_t::FindDefinition(effect_->name.c_str()));
    effect_->ResetPosition();
    caption_.reset(TTextEff::Create(style.GetString("caption", TString()).c_str()));
    Animate(16, true, true, false);
  }
  bool Update() override {
    anim_.Update(0.016f);
    if (!atlas_.Update(0.016f)) atlas_.Restart();
    if (effect_ && effect_->Update(0.016f)) {
      OnEffectEnd(TString(effect_->name));
      effect_.reset();
    }
    if (caption_ && caption_->Update(0.016f)) caption_.reset();
    if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
    return true;
  }
  void Draw() override {
    TRender2dScope scope;
    anim_.Draw(0, 0, GetWidth(), GetHeight(), 1.0f);
    atlas_.Draw(0, 0, GetWidth(), GetHeight(), 1.0f);
    if (effect_) {
      TMat3 at;
      TranslateMatrix(at, effect_->pos);
      effect_->Draw(at);
    }
    if (caption_) caption_->Draw();
    if (button_) button_->Draw();
  }
  bool OnMouseMove(const TPoint& p) override { return button_ && button_->OnMouseMove(p.x, p.y); }
  bool OnMouseDown(const TPoint& p) override { return button_ && button_->OnMouseDown(p.x, p.y); }
  bool OnMouseUp(const TPoint& p) override { return button_ && button_->OnMouseUp(p.x, p.y); }
  bool OnMessage(TMessage* m) override {
    if (m->type != kButtonPress || m->text != "go") return false;
    TraceOut("widgets: go");
    TModalWindow* modal = GetModalParent();
    CSWithSh(modal ? modal->GetName().c_str() : "", next_.c_str());
    TWindowManager* wm = GetWindowManager();
    wm->RunScriptText(this, "if(not(StartSoundFade == nil)) then StartSoundFade(); end");
    wm->RunScriptText(this, TShadow::kOpenShadowText);
    return true;
  }
  void OnEffectEnd(TString name) override { TraceOut("widgets: effect end %s", name.c_str()); }

private:
  std::string next_;
  std::unique_ptr<Button_t> button_;
  Anim_t anim_;
  AtlasAnim_t atlas_;
  std::unique_ptr<PictEff_t> effect_;
  std::unique_ptr<TTextEff> caption_;
};

// Logs the end of each screen change.
class TChangeLog : public TMessageListener {
public:
  bool OnMessage(TMessage* m) override {
    if (m->type == kShadowDoneMessage) TraceOut("widgets: change done");
    return false;
  }
};

// The child's game main: the demo main loop with the widgets registered.
void WidgetsGameMain(TPlatform* platform, const TString&) {
  platform->OpenDisplay(1024, 768, false);
  LoadMainXml();
  TWindowManager* wm = platform->GetWindowManager();
  RegisterShellWidgetTypes(wm);
  wm->RegisterWindowType("WidgetShow", TWidgetShow::ClassCreator());
  TChangeLog changes;
  wm->AddListener(&changes);
  wm->GetScript()->DoLuaString("DoModal('scripts/widgets_first.lua')", "the first screen");
  TPlatformEvent event;
  for (platform->GetEvent(&event); event.type != kEventQuit && !platform->IsQuitPosted(); platform->GetEvent(&event)) {
    if (event.type == kEventClose) break;
    if (event.type == kEventTick) wm->Invalidate();
    wm->HandleEvent(event);
  }
  wm->RemoveListener(&changes);
  std::string stack;
  for (TWindow* w : wm->GetModalStack()) stack += " " + w->GetName().str();
  TraceOut("widgets: modal stack%s", stack.c_str());
}

// A working folder with the demo data the screens use and the test's two screens.
void PrepareFolder(const testing_support::TempDir& dir) {
  namespace fs = std::filesystem;
  fs::path from = fs::path(testing_support::SourceDir()) / "assets", to = fs::path(dir.Path()) / "assets";
  fs::create_directories(to);
  for (const char* file : {"main.xml", "strings.xml"}) fs::copy_file(from / file, to / file);
  for (const char* folder : {"scripts", "backgrounds", "ui", "anim", "fonts"})
    fs::copy(from / folder, to / folder, fs::copy_options::recursive);
  fs::path screens = fs::path(testing_support::TestDataDir()) / "game";
  for (const char* file : {"widgets_first.lua", "widgets_second.lua"}) fs::copy_file(screens / file, to / "scripts" / file);
}

// Runs the child in that folder; its exit code.
int RunWidgets(const testing_support::TempDir& dir, const std::string& options) {
  PrepareFolder(dir);
  pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.Path().c_str()) != 0) _exit(126);
    std::string program = "lantern", arg = "options=" + options;
    char* argv[] = {program.data(), arg.data(), nullptr};
    _exit(ApplicationMain(2, argv, WidgetsGameMain));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct TShot {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  // Mean brightness (r + g + b) / 3 over a rectangle.
  double Brightness(const TRect& r) const {
    double sum = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        uint32_t c = At(x, y);
        sum += double(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3;
      }
    return sum / double(r.Width() * r.Height());
  }
};

TShot ReadShot(const std::string& path) {
  TShot s;
  EXPECT_TRUE(ReadPng(path, &s.px, &s.w, &s.h));
  EXPECT_EQ(s.w, 1024);
  EXPECT_EQ(s.h, 768);
  return s;
}

std::vector<std::string> WidgetLines(const std::string& log) {
  std::vector<std::string> out;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    for (const char* tag : {"widgets: ", "screen: "}) {
      size_t at = line.find(tag);
      if (at != std::string::npos) out.push_back(line.substr(at));
    }
  }
  return out;
}

}  // namespace

// The first screen alone, then the same screen clicked: its button changes to
// the second screen behind the fade. Both screens lie on the same background,
// so where no widget was the last frames match once the fade has lifted.
TEST(WidgetsEndToEnd, ButtonChangesToTheSecondScreenBehindTheFade) {
  testing_support::TempDir first, second;
  std::string firstShot = first.File("first.png"), secondShot = second.File("second.png");
  ASSERT_EQ(RunWidgets(first, "headless=1,frames=30,screenshot=" + firstShot + ",userfolder=" + first.File("user")), 0);
  std::string firstLog = testing_support::ReadFile(first.File("user/logfile.txt"));
  EXPECT_EQ(WidgetLines(firstLog), (std::vector<std::string>{"screen: first", "widgets: modal stack _screen_ first"}))
      << firstLog;
  std::string input = second.Write("input.txt", "1400 move 500 640\n1500 click left 500 640\n");
  ASSERT_EQ(RunWidgets(second, "headless=1,frames=380,input=" + input + ",screenshot=" + secondShot +
                                   ",userfolder=" + second.File("user")),
            0);
  std::string secondLog = testing_support::ReadFile(second.File("user/logfile.txt"));
  std::vector<std::string> lines = WidgetLines(secondLog);
  std::vector<std::string> wanted = {"screen: first", "widgets: effect end EffArt", "widgets: go", "screen: second",
                                     "widgets: change done", "widgets: modal stack _screen_ second"};
  EXPECT_EQ(lines, wanted) << secondLog;

  TShot a = ReadShot(firstShot), b = ReadShot(secondShot);
  if (a.w != 1024 || b.w != 1024) return;
  // The first screen: the lamp glow (64 x 64 at (480, 300)) is warm and bright
  // at its centre; the button's face (200 x 50 at (412, 620)) stands out.
  uint32_t glow = a.At(512, 332);
  EXPECT_GT(int((glow >> 16) & 0xFF), 200);
  EXPECT_GT(int((glow >> 16) & 0xFF), int(glow & 0xFF) + 40);
  double buttonBefore = a.Brightness(TRect(430, 632, 590, 656)), besideBefore = a.Brightness(TRect(640, 632, 800, 656));
  EXPECT_GT(std::abs(buttonBefore - besideBefore), 10);
  // The second screen: the same background where nothing was drawn (no shadow
  // left), no glow and no button, and its caption in warm ink.
  for (const TRect& r : {TRect(0, 0, 200, 200), TRect(800, 0, 1024, 200), TRect(640, 632, 800, 656)})
    EXPECT_NEAR(b.Brightness(r), a.Brightness(r), 1.5) << r.left << "," << r.top;
  uint32_t after = b.At(512, 332);
  EXPECT_LT(int((after >> 16) & 0xFF), int((glow >> 16) & 0xFF) - 60);
  EXPECT_GT(std::abs(b.Brightness(TRect(430, 632, 590, 656)) - buttonBefore), 10);
  int warm = 0;
  for (int y = 340; y < 420; ++y)
    for (int x = 300; x < 724; ++x) {
      uint32_t c = b.At(x, y);
      warm += ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) > 170 && (c & 0xFF) < 190;
    }
  EXPECT_GT(warm, 500);
}
