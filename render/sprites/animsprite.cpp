#include "render/sprites/animsprite.h"

#include <set>

#include "platform/log.h"
#include "platform/time.h"
#include "script/script.h"

namespace {
std::set<TAnimatedSprite*> gLive;
TScript* gInstalled = nullptr;
std::unique_ptr<TScript> gOwn;
std::set<TScript*> gPrepared;

const char* const kDefaultScript = R"(
ganimationscript = ganimationscript or {}
if not ganimationscript.DoAnim then
  function ganimationscript.DoAnim(sprite)
    local n = AnimFrameCount(sprite)
    repeat
      for i = 0, n - 1 do
        if not AnimSetFrame(sprite, i) then return end
        AnimWait(AnimFrameTime(sprite, i))
      end
    until not AnimIsLooping(sprite) or n == 0
  end
end
)";

TAnimatedSprite* SpriteArg(lua_State* L) {
  auto* s = static_cast<TAnimatedSprite*>(lua_touserdata(L, 1));
  return gLive.count(s) ? s : nullptr;
}

int AnimFrameCount(lua_State* L) {
  TAnimatedSprite* s = SpriteArg(L);
  lua_pushinteger(L, s && s->GetAnimation() ? s->GetAnimation()->GetFrameCount() : 0);
  return 1;
}
int AnimFrameTime(lua_State* L) {
  TAnimatedSprite* s = SpriteArg(L);
  int frame = int(luaL_optinteger(L, 2, 0));
  lua_pushinteger(L, s && s->GetAnimation() ? lua_Integer(s->GetAnimation()->GetFrameTime(frame)) : 0);
  return 1;
}
int AnimIsLooping(lua_State* L) {
  TAnimatedSprite* s = SpriteArg(L);
  lua_pushboolean(L, s && s->GetAnimation() && s->GetAnimation()->IsLooping());
  return 1;
}
int AnimSetFrame(lua_State* L) {
  TAnimatedSprite* s = SpriteArg(L);
  lua_pushboolean(L, s && s->SetFrame(int(luaL_optinteger(L, 2, 0))));
  return 1;
}
int AnimWait(lua_State* L) {
  TScript* script = TScript::FromState(L);
  int ms = int(luaL_optinteger(L, 1, 0));
  if (!script) return 0;
  return script->Wait(L, 0, ms < 1 ? 1 : ms);
}

// Defines the protocol's functions (and the default DoAnim) in a state once.
void Prepare(TScript* script) {
  if (gPrepared.count(script)) return;
  lua_State* L = script->GetState();
  lua_register(L, "AnimFrameCount", AnimFrameCount);
  lua_register(L, "AnimFrameTime", AnimFrameTime);
  lua_register(L, "AnimIsLooping", AnimIsLooping);
  lua_register(L, "AnimSetFrame", AnimSetFrame);
  lua_register(L, "AnimWait", AnimWait);
  script->DoLuaString(kDefaultScript, "the default animation script");
  gPrepared.insert(script);
}
}  // namespace

void TAnimatedSprite::SetAnimationScript(TScript* script) {
  gInstalled = script;
  gPrepared.erase(script);
}

TScript* TAnimatedSprite::GetAnimationScript() {
  if (gInstalled) return gInstalled;
  if (!gOwn) gOwn.reset(new TScript());
  return gOwn.get();
}

void TAnimatedSprite::Update() {
  // Once per millisecond of platform time, however many sprites draw.
  static uint32_t last = 0;
  static bool stepped = false;
  uint32_t now = GetPlatformTime();
  if (stepped && now == last) return;
  if (!gInstalled && gOwn && gOwn->IsReady(1)) gOwn->DoTask();
  last = now;
  stepped = true;
}

boost::shared_ptr<TAnimatedSprite> TAnimatedSprite::Create(int layer) {
  return boost::shared_ptr<TAnimatedSprite>(new TAnimatedSprite(layer));
}

TAnimatedSprite::TAnimatedSprite(int layer) : TSprite(layer) { gLive.insert(this); }

TAnimatedSprite::~TAnimatedSprite() {
  gLive.erase(this);
  // Its coroutine ends with it: left to wait, it would stay suspended until
  // some other animated sprite draws (the own state is stepped from draws),
  // and a new sprite made at this address would be taken for this one.
  if (thread_ && thread_->GetState())
    if (TScript* script = TScript::FromState(thread_->GetState())) script->Abandon(thread_);
}

void TAnimatedSprite::SetTexture(const boost::shared_ptr<TTexture>& texture) {
  TSprite::SetTexture(texture);
  anim_ = AssetCast<TAnimatedTexture>(texture);
  frame_ = 0;
}

bool TAnimatedSprite::SetFrame(int frame) {
  if (!anim_ || frame < 0 || frame >= anim_->GetFrameCount()) return false;
  frame_ = frame;
  return true;
}

bool TAnimatedSprite::IsPlaying() const {
  return thread_ && thread_->GetStatus() == TLuaThread::TState::kSuspended;
}

bool TAnimatedSprite::Play(const TString& function) {
  if (IsPlaying()) return true;
  TScript* script = GetAnimationScript();
  Prepare(script);
  lua_State* L = script->GetState();
  LuaRawGetField(L, LUA_GLOBALSINDEX, "ganimationscript");
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    TraceOut("TAnimatedSprite::Play: no ganimationscript table");
    return false;
  }
  LuaRawGetField(L, -1, function.c_str());
  lua_remove(L, -2);
  if (!lua_isfunction(L, -1)) {
    lua_pop(L, 1);
    TraceOut("TAnimatedSprite::Play: no function ganimationscript.%s", function.c_str());
    return false;
  }
  lua_pushlightuserdata(L, this);
  thread_ = script->StartThread(1, "ganimationscript." + function);
  return thread_ != nullptr;
}

void TAnimatedSprite::Draw(const TDrawParams& parent, int depth) {
  Update();
  if (!anim_) {
    TSprite::Draw(parent, depth);
    return;
  }
  if (!visible_) return;
  TDrawParams combined = params_.Combine(parent);
  auto it = children_.begin();
  if (depth != 0) {
    for (; it != children_.end() && (*it)->GetLayer() < 0; ++it) (*it)->Draw(combined, depth - 1);
  }
  anim_->DrawFrame(frame_, combined);
  if (depth != 0) {
    for (; it != children_.end(); ++it) (*it)->Draw(combined, depth - 1);
  }
}

void TAnimatedSprite::GetBounds(TRect& out, const TDrawParams& parent, bool withChildren) {
  if (!anim_) {
    TSprite::GetBounds(out, parent, withChildren);
    return;
  }
  // The children's part from the base, then the current frame's own rectangle.
  boost::shared_ptr<TTexture> keep = texture_;
  texture_.reset();
  TSprite::GetBounds(out, parent, withChildren);
  texture_ = keep;
  TDrawParams combined = params_.Combine(parent);
  TPoint offset = anim_->GetFrameOffset(frame_);
  if (offset.x || offset.y) {
    TMat3 shift;
    shift.Translate(float(offset.x), float(offset.y));
    combined.transform = shift * combined.transform;
  }
  TRect own;
  GetOwnBounds(own, combined, float(anim_->GetFrameWidth(frame_)), float(anim_->GetFrameHeight(frame_)));
  out = TRect(std::min(out.left, own.left), std::min(out.top, own.top), std::max(out.right, own.right),
              std::max(out.bottom, own.bottom));
}
