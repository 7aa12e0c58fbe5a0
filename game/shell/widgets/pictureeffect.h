// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// Picture effects: a short animation of one picture of the play screen (a
// fade, a grow or shrink, a slide, a flight to a target point, a turn) on a
// timeline read from main.xml "PictEffects"/<name>. The owner steps it every
// frame with the frame time, draws through it while it runs and, when Update
// reports the end, tells its TEffHolder_t and deletes it.
//
// main.xml (docs/effects.md): the element's "time" is the picture's
// lifetime; each child is one track: "alpha" (t1, t2, al), "size" (t1, t2,
// kx, ky), "shift" (t1, t2, shift "dx,dy"), "move" (t1, speed) and "rotate"
// (t1, t2, angle in half-degrees: 360 turns by half a turn).
// Depends on platform/, render/ and TinyXML.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/string.h"

class TTexture;
class TiXmlElement;

// Told by the owner of a picture effect when the effect has ended.
class TEffHolder_t {
public:
  virtual ~TEffHolder_t() = default;
  virtual void OnEffectEnd(TString name) {}
};

class PictEff_t {
public:
  // One track of the timeline. A track starts on the first step after t1
  // and applies while the clock is within t1 + duration; there is no final
  // apply, so a value stays where the last step inside the window left it.
  class Eff_t {
  public:
    explicit Eff_t(PictEff_t* owner) : owner(owner) {}
    virtual ~Eff_t() = default;
    virtual void Step();
    virtual void Start() = 0;
    virtual void Apply() = 0;
    // False when the element cannot make a track (then it is skipped).
    virtual bool Load(const TiXmlElement* element) = 0;
    // (time - t1) / duration within [0, 1]; 1 for a track without duration.
    float Fraction() const;

    PictEff_t* owner;
    float t1 = 0;
    float duration = 0;
    bool started = false;
    bool finished = false;
  };
  class AlphaEff_t;
  class SizeEff_t;
  class ShiftEff_t;
  class MoveEff_t;
  class RotEff_t;

  PictEff_t();
  ~PictEff_t();
  PictEff_t(const PictEff_t&) = delete;
  PictEff_t& operator=(const PictEff_t&) = delete;

  // Reads the lifetime and the tracks of the element; always true.
  bool LoadEffects(const TiXmlElement* element);
  // Advances the clock and the tracks; true when the picture is done.
  bool Update(float dt);
  // The picture turned and scaled about its centre, with that centre at the
  // origin of `parent` (the owner builds it from `pos`).
  void Draw(TMat3 parent);
  void ResetPosition() { pos = basePos; }
  void SetAlpha(int value) { alpha = value; }

  // The main.xml element "PictEffects"/<name>, or null.
  static const TiXmlElement* FindDefinition(const char* name);

  std::string name;
  TEffHolder_t* holder = nullptr;  // not owned
  boost::shared_ptr<TTexture> texture;
  TVec2 basePos;
  int frameHeight = 0, frameWidth = 0;
  float imageWidth = 0, imageHeight = 0;
  TVec2 pos;
  int alpha = 255;
  float lifetime = -10.0f;  // fixed life when 0 or more; until the tracks end when -1 or less
  float time = 0;
  float scaleX = 1.0f, scaleY = 1.0f;
  float angle = 0;  // radians
  std::vector<std::unique_ptr<Eff_t>> effects;
  float baseScale = 1.0f;
  float effectsEnd = 0;
  TVec2 target;
};

class PictEff_t::AlphaEff_t : public PictEff_t::Eff_t {
public:
  using Eff_t::Eff_t;
  void Start() override;
  void Apply() override;
  bool Load(const TiXmlElement* element) override;
  int startAlpha = 0, endAlpha = 0;
};

class PictEff_t::SizeEff_t : public PictEff_t::Eff_t {
public:
  using Eff_t::Eff_t;
  void Start() override;
  void Apply() override;
  bool Load(const TiXmlElement* element) override;
  float startX = 1, startY = 1, endX = 1, endY = 1, kx = 1, ky = 1;
};

class PictEff_t::ShiftEff_t : public PictEff_t::Eff_t {
public:
  using Eff_t::Eff_t;
  void Start() override;
  void Apply() override;
  bool Load(const TiXmlElement* element) override;
  float startX = 0, startY = 0, dx = 0, dy = 0;
};

// Flies the base position to the owner's target at `speed` units per second
// and lands exactly on it; a target equal to the start, or a speed of 0 or
// less, lands at once.
class PictEff_t::MoveEff_t : public PictEff_t::Eff_t {
public:
  using Eff_t::Eff_t;
  void Step() override;
  void Start() override;
  void Apply() override;
  bool Load(const TiXmlElement* element) override;
  TVec2 start;
  float distance = 0;
  float speed = 0;
  TVec2 direction;
};

class PictEff_t::RotEff_t : public PictEff_t::Eff_t {
public:
  using Eff_t::Eff_t;
  void Start() override;
  void Apply() override;
  bool Load(const TiXmlElement* element) override;
  float startAngle = 0, endAngle = 0;
};
