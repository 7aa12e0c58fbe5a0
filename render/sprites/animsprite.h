// render/sprites: sprites, animations, the software mouse cursor and meshes.
// TAnimatedSprite: a sprite that plays an animation asset (TAnimatedTexture)
// through a Lua coroutine: Play("DoAnim") runs ganimationscript.DoAnim(sprite)
// in the animation script state, which picks frames and waits between them
// (protocol in docs/anm.md). The sprite keeps its own current frame.
//
// The script state is the one installed with SetAnimationScript; without
// one (the game installs none) the sprites make a state of their own on first
// use and step it from their draws. A sprite's coroutine ends when the sprite
// is destroyed. Main thread only.
#pragma once
#include <memory>

#include "render/sprites/animtexture.h"
#include "render/sprites/sprite.h"

class TScript;
class TLuaThread;

class TAnimatedSprite : public TSprite {
public:
  static const char* ClassId() { return "TAnimatedSprite"; }
  static boost::shared_ptr<TAnimatedSprite> Create(int layer = 0);

  explicit TAnimatedSprite(int layer = 0);
  ~TAnimatedSprite() override;

  const char* GetClassName() const override { return "TAnimatedSprite"; }
  bool IsA(TClassId id) const override { return id == &TAnimatedSprite::ClassId || TSprite::IsA(id); }
  void Draw(const TDrawParams& parent, int depth) override;
  void GetBounds(TRect& out, const TDrawParams& parent, bool withChildren) override;
  // Takes the animation (a texture that is not an animation shows as a still picture).
  void SetTexture(const boost::shared_ptr<TTexture>& texture) override;

  // Starts the coroutine at ganimationscript[function], or lets a running
  // one go on. False when the state has no such function.
  bool Play(const TString& function);
  bool IsPlaying() const;
  // Runs the animation script's due work (the own state only; an installed
  // state is stepped by its owner's task list).
  static void Update();

  int GetFrame() const { return frame_; }
  // False for a frame the animation does not have.
  bool SetFrame(int frame);
  const boost::shared_ptr<TAnimatedTexture>& GetAnimation() const { return anim_; }

  // The state animations run in (null: their own).
  static void SetAnimationScript(TScript* script);
  static TScript* GetAnimationScript();

private:
  boost::shared_ptr<TAnimatedTexture> anim_;
  int frame_ = 0;
  std::shared_ptr<TLuaThread> thread_;
};
