// Object_t: one picture of the play screen (a hidden object of the
// location) with its place, and the picture effect it carries while it is
// found or hinted at. Depends on render/ and the shell's picture effects.
#pragma once
#include <memory>

#include <boost/shared_ptr.hpp>

#include "game/shell/widgets/pictureeffect.h"
#include "platform/geometry.h"
#include "platform/string.h"

class TTexture;

class Object_t {
public:
  Object_t();
  ~Object_t();
  Object_t(const Object_t&) = delete;
  Object_t& operator=(const Object_t&) = delete;

  // Attaches the effect main.xml defines as "PictEffects"/<name>: false when
  // the object carries an effect already or there is no such definition.
  // The effect starts on the picture as drawn: centred on the rectangle's
  // centre, at the rectangle's size (scale = rectangle width over picture
  // width), transparent unless the object is shown, with the object's zoom
  // as its base scale when that is not 1. `holder` hears of its end;
  // `target` (may be null) is where "move" tracks fly the centre to.
  bool SetEffect(const char* name, TEffHolder_t* holder, const TVec2* target);
  bool HasEffect() const { return effect_ != nullptr; }
  const PictEff_t* GetEffect() const { return effect_.get(); }
  // Drops the effect without telling its holder.
  void CancelEffect() { effect_.reset(); }
  // Steps the effect; when it ends, the effect is deleted and then (unless
  // `suppressEffectEnd`) its holder's OnEffectEnd hears the name.
  void Update(float dt);
  // Through the effect while one runs; else the picture on its rectangle
  // when shown. Inside 2-D drawing; `alpha` multiplies.
  void Draw(float alpha = 1.0f) const;
  // The point lies in the rectangle.
  bool Contains(int x, int y) const;
  TVec2 Center() const;

  TString name;
  boost::shared_ptr<TTexture> texture;
  TRect rect;
  float zoom = 1.0f;
  bool shown = true;
  bool suppressEffectEnd = false;

private:
  std::unique_ptr<PictEff_t> effect_;
};
