// render/sprites: sprites, animations, the software mouse cursor and meshes.
// TSprite: a drawable node - a texture with its own draw record, a visible
// flag, a layer and child sprites drawn relative to it (negative layers
// behind it). Sprites are held by shared pointers; a child's parent pointer
// does not own. Hit tests go by rectangle or, pixel-exactly, by the alpha
// drawn into a shared 4 x 4 render target. Main thread only.
//
// The live-sprite count is mirrored in the setting "current_sprite_count".
#pragma once
#include <list>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/registry/asset.h"
#include "render/drawparams.h"
#include "render/textures/texture.h"

class TSprite;
using TSpriteRef = boost::shared_ptr<TSprite>;

class TSprite : public boost::enable_shared_from_this<TSprite> {
public:
  static const char* ClassId() { return "TSprite"; }
  // The rectangle of a sprite with nothing to show.
  static constexpr int32_t kEmptyBound = 10000000;

  explicit TSprite(int layer = 0);
  virtual ~TSprite();
  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

  virtual const char* GetClassName() const { return "TSprite"; }
  virtual bool IsA(TClassId id) const { return id == &TSprite::ClassId; }
  // Draws this sprite inside the parent's record; depth 0 the sprite alone,
  // negative the whole tree.
  virtual void Draw(const TDrawParams& parent, int depth);
  // False (nothing changed) when `child` is not a child of this sprite.
  virtual bool RemoveChild(const TSpriteRef& child);
  // The rectangle covered inside the parent's record (children united when asked).
  virtual void GetBounds(TRect& out, const TDrawParams& parent, bool withChildren);
  // Whether the point hits the sprite: by rectangle when `threshold` is
  // negative, else when the alpha drawn there is at least `threshold`.
  virtual bool HitTest(const TPoint& point, int threshold, const TDrawParams& parent = TDrawParams(),
                       int depth = 0);
  virtual void SetTexture(const boost::shared_ptr<TTexture>& texture) { texture_ = texture; }
  // Stable sort of the children by layer, ascending.
  virtual void SortChildren();

  // Appends a child (taking it from a former parent) and sorts the children.
  void AddChild(const TSpriteRef& child);
  void RemoveAllChildren();
  const std::list<TSpriteRef>& GetChildren() const { return children_; }
  TSprite* GetParent() const { return parent_; }

  void SetLayer(int layer);
  int GetLayer() const { return layer_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool IsVisible() const { return visible_; }
  const boost::shared_ptr<TTexture>& GetTexture() const { return texture_; }
  TDrawParams& GetDrawParams() { return params_; }
  void SetDrawParams(const TDrawParams& params) { params_ = params; }

  static int GetLiveCount();

protected:
  // The picture's rectangle inside the combined record (the sprite alone).
  void GetOwnBounds(TRect& out, const TDrawParams& combined, float width, float height) const;

  TSprite* parent_ = nullptr;
  bool visible_ = true;
  int layer_;
  boost::shared_ptr<TTexture> texture_;
  TDrawParams params_;
  std::list<TSpriteRef> children_;
};
