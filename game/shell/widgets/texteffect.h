// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// Text effects: short animated captions (a translated text that fades, grows,
// slides or turns on a timeline, with an optional drop shadow), defined by
// name under main.xml "TextEffects" (docs/effects.md). A TTextEff is a text
// window that its owner creates by name, steps every frame, draws from its
// own Draw and deletes; it is not placed in the window tree.
// Depends on platform/, render/, ui/ and TinyXML.
#pragma once
#include <memory>
#include <vector>

#include "platform/color.h"
#include "platform/string.h"
#include "ui/text.h"

class TiXmlElement;

class TTextEff : public TText {
  LANTERN_WINDOW_CLASS(TTextEff, TText)

public:
  // One track: from the value at its start to `to` (or by (dx, dy)) between
  // t1 and t1 + duration; it starts on the first step after t1 and applies on
  // the steps after that while the clock is inside its window.
  class Eff_t {
  public:
    explicit Eff_t(TTextEff* owner) : owner(owner) {}
    virtual ~Eff_t() = default;
    virtual void Start() = 0;
    virtual void Apply() = 0;
    virtual void Load(const TiXmlElement* element) = 0;
    // (time - t1) / duration within [0, 1]; 1 for a track without duration.
    float Fraction() const;

    TTextEff* owner;
    float t1 = 0;
    float duration = 0;
    bool started = false;
  };
  class AlphaEff_t;
  class SizeEff_t;
  class ShiftEff_t;
  class AngleEff_t;

  TTextEff();
  ~TTextEff() override;

  // The effect main.xml defines under that name; null when main.xml has no
  // "TextEffects" section or no such effect. The caller owns the result.
  static TTextEff* Create(const char* name);
  bool Parse(const TiXmlElement* element);
  // Advances the clock and the tracks; true when the lifetime is over.
  bool Update(float dt);
  using TText::Update;
  void SetPosition(int px, int py);
  // Resizes the text block; an effect without one (no "w" and "h") stays
  // without, and draws nothing.
  void SetTextArea(int width, int height);
  // The shadow pass (when it has an offset), then the text, at (x, y) of the
  // current drawing origin. Nothing without a text area.
  void Draw() override;
  void SetText(const TString& value) override;
  int GetAlignFlags() const { return alignFlags_; }

  float x = 0, y = 0;
  int w = 0, h = 0;
  TFloatColor color{0, 0, 0, 0};
  TFloatColor shadowColor{0, 0, 0, 0};
  TString text;
  float lifetime = -10.0f;  // never ends by itself when -5 or less
  float time = 0;
  float size = 1.0f;
  float angle = 0;  // degrees, about the text area's centre
  float alpha = 1.0f;
  int xAlign = 1, yAlign = 1;
  std::vector<std::unique_ptr<Eff_t>> effects;
  int shadowX = 0, shadowY = 0;

private:
  TString font_;
  int fontHeight_ = TText::kDefaultFontSize;
  int alignFlags_ = 0;
};

class TTextEff::AlphaEff_t : public TTextEff::Eff_t {
public:
  using Eff_t::Eff_t;
  void Start() override;
  void Apply() override;
  void Load(const TiXmlElement* element) override;
  float from = 0, to = 0;
};

class TTextEff::SizeEff_t : public TTextEff::Eff_t {
public:
  using Eff_t::Eff_t;
  void Start() override;
  void Apply() override;
  void Load(const TiXmlElement* element) override;
  float from = 0, to = 0;
};

class TTextEff::ShiftEff_t : public TTextEff::Eff_t {
public:
  using Eff_t::Eff_t;
  void Start() override;
  void Apply() override;
  void Load(const TiXmlElement* element) override;
  float fromX = 0, fromY = 0, dx = 0, dy = 0;
};

class TTextEff::AngleEff_t : public TTextEff::Eff_t {
public:
  using Eff_t::Eff_t;
  void Start() override;
  void Apply() override;
  void Load(const TiXmlElement* element) override;
  float from = 0, to = 0;
};
