// The window toolkit (lantern_ui): the retained window tree every screen is
// made of, the window manager that routes input and draws frames, window
// styles read from Lua tables, modal windows, messages and the Lua window API.
//
// This header holds the window base class TWindow, the tree visitors, the
// window animation task and the placement codes. Depends on platform/ (tasks,
// clocks, strings, settings, events), script/ (Lua) and render/ (drawing).
#pragma once
#include <atomic>
#include <cstdint>
#include <list>

#include "platform/event.h"
#include "platform/geometry.h"
#include "platform/string.h"
#include "platform/task.h"

class TWindow;
class TWindowStyle;
class TWindowManager;
class TModalWindow;
class TMessage;
class TWindowAnim;

// A window class's creation function. Its address is the class's identity.
using TWindowCreator = TWindow* (*)();
using TWindowClassId = TWindowCreator;

enum TWindowFlag : uint32_t {
  kWindowModal = 0x1,        // class: a modal window (hit testing, bubbling and drawing stop here)
  kWindowFocusable = 0x2,    // class: a press inside gives it the keyboard focus
  kWindowLayer = 0x4,        // class: takes part in the layer pass
  kWindowVisible = 0x100,    // state: shown and live
  kWindowLayerDrawn = 0x400, // state: drawn in this frame's layer pass
  kWindowOpaque = 0x800,     // state: paints its whole rectangle
  kWindowClassMask = 0xFF,
  kWindowStateMask = 0xFF00,
};

// Windows nest at most this deep (the root at depth 0): AddChild refuses a
// child whose subtree would reach further, so every walk of the tree stays
// far from the native stack's end. No screen comes near it.
constexpr int kMaxWindowDepth = 256;

// Placement codes of styles and scripts (kCenter and kMax in Lua).
constexpr int kPlaceCenter = 80000;
constexpr int kPlaceMax = 160000;

// Positions and sizes from styles and scripts are clamped to +-kPlacementLimit
// before they are resolved, so the arithmetic never overflows.
constexpr int kPlacementLimit = 1 << 20;
int ClampPlacement(int value);

// Scales of pictures from styles and scripts stay within 0..kMaxWindowScale
// (the largest picture at the largest scale still fits the placement range):
// a larger one (or +infinity) becomes the limit, a negative one or NaN 1,
// each with the log line "Window <name>: scale <s> is out of range; <t> is used".
constexpr double kMaxWindowScale = 64;
float ClampScale(double scale, const TString& windowName);

// One coordinate against the parent's extent E and the window's size S:
// above 106666 counts from the far edge, above 40000 is centred (plus the
// offset from 80000), negative counts from the far edge unless keepNegative.
int ResolveCoordinate(int value, int extent, int size, bool keepNegative);

// One axis of a placement: alignment of the position by the size, then codes
// in the position and the size resolved against the parent's extent.
// Nothing is resolved without a parent (hasParent false).
void ResolvePlacement(int& pos, int& size, bool hasParent, int extent, bool alignMiddle, bool alignFar,
                      bool keepNegative);

// Declares a window class's identity: its creation function (the class id),
// its class name and its kind-of test. Use inside the class body.
#define LANTERN_WINDOW_CLASS(Class, Base)                                            \
public:                                                                              \
  static TWindow* CreateInstance() { return new Class(); }                           \
  static TWindowCreator ClassCreator() { return &Class::CreateInstance; }            \
  static TWindowClassId ClassId() { return &Class::CreateInstance; }                       \
  const char* GetClassName() const override { return #Class; }                       \
  bool IsA(TWindowClassId id) const override { return id == ClassId() || Base::IsA(id); } \
                                                                                     \
private:

// Visitor over a window's direct children (recursion happens in Visit).
class TWindowSpider {
public:
  virtual ~TWindowSpider() = default;
  // False stops the walk.
  virtual bool Visit(TWindow* child) = 0;
};

class TWindow {
public:
  using ChildList = std::list<TWindow*>;

  TWindow();
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  // --- Identity ---
  static TWindow* CreateInstance();
  static TWindowCreator ClassCreator() { return &TWindow::CreateInstance; }
  static TWindowClassId ClassId() { return &TWindow::CreateInstance; }
  virtual const char* GetClassName() const { return "TWindow"; }
  virtual bool IsA(TWindowClassId id) const { return id == ClassId(); }

  // --- Life in the tree ---
  // Called when added with notify, pushed as a modal window or installed as
  // the root; false refuses the insertion.
  virtual bool OnAdded() { return true; }
  // Reads "name" and the placement keys.
  virtual void Init(TWindowStyle& style);
  // After the children exist: "fit", then the placement keys once more.
  virtual void PostInit(TWindowStyle& style);
  // Draws the window before / after its children.
  virtual void Draw() {}
  virtual void PostDraw() {}
  // Inserts the child at the front (topmost); with notify calls its OnAdded
  // and undoes the insertion when that refuses. Refuses (logged) a child
  // whose subtree would nest deeper than kMaxWindowDepth.
  virtual bool AddChild(TWindow* child, bool notify);
  // Unlinks the child when it is this window's; returns its previous parent
  // (null, and nothing changes, for a window that is not its child).
  virtual TWindow* RemoveChild(TWindow* child);
  virtual void OnModalPopped() {}
  virtual void SetScroll(float fraction) {}
  // True when the message was taken.
  virtual bool OnMessage(TMessage* message) { return false; }
  // Periodic update run by the window's animation; false ends it.
  virtual bool Update() { return false; }

  // --- Input (points in the window's own coordinates); true = handled ---
  virtual bool OnMouseDown(const TPoint& p) { return false; }
  // 0 right up, 1 right down, 2 middle up, 3 middle down, 4/5 extra, 6 wheel forward, 7 wheel back.
  virtual bool OnMouseButton(const TPoint& p, int code) { return false; }
  virtual bool OnMouseUp(const TPoint& p) { return false; }
  virtual bool OnMouseMove(const TPoint& p) { return false; }
  virtual bool OnMouseLeave() { return false; }
  virtual bool OnChar(unsigned char c) { return false; }
  virtual bool OnText(TString text) { return false; }
  // Modifiers: 1 shift, 2 ctrl, 4 alt, 8 extended key.
  virtual bool OnKeyDown(unsigned char key, int modifiers) { return false; }
  virtual bool OnKeyUp(unsigned char key) { return false; }
  // Forwards to the window manager's hover handler.
  virtual bool OnMouseHover(const TPoint& p);
  virtual void OnSetFocus(TWindow* previous) {}

  // --- Fields ---
  TWindow* GetParent() const { return parent_; }
  const ChildList& GetChildren() const { return children_; }
  const TRect& GetRect() const { return rect_; }
  int GetWidth() const { return rect_.Width(); }
  int GetHeight() const { return rect_.Height(); }
  const TString& GetName() const { return name_; }
  void SetName(const TString& name) { name_ = name; }
  uint32_t GetFlags() const { return flags_; }
  bool HasFlag(uint32_t flag) const { return (flags_ & flag) != 0; }
  bool IsModal() const { return HasFlag(kWindowModal); }
  uint32_t GetId() const { return id_; }
  // The id as "%8x" (eight characters, space-padded): another name of the window.
  TString FormatIdHex() const;

  // --- Geometry ---
  void GetScreenRect(TRect& out) const;
  TRect GetScreenRect() const { TRect r; GetScreenRect(r); return r; }
  void GetClientRect(TRect& out) const { out = TRect(0, 0, rect_.Width(), rect_.Height()); }
  void ToScreen(TPoint& p) const;
  void FromScreen(TPoint& p) const;
  void ToParent(TPoint& p) const { p.x += rect_.left; p.y += rect_.top; }
  void FromParent(TPoint& p) const { p.x -= rect_.left; p.y -= rect_.top; }
  void MoveTo(int x, int y);
  void SetSize(int width, int height);
  // Replaces the state byte (0xFF00) of the flags.
  void SetStateFlags(uint32_t flags);
  void ShowWindow(bool show);
  // Shown: this window and every ancestor up to and including the nearest
  // modal one carry kWindowVisible (a modal window: its own bit).
  bool IsFlagSetInherited() const;
  // Nearest ancestor that is a modal window; null when none.
  TModalWindow* GetModalParent() const;
  // The window itself when modal, else its modal parent.
  TModalWindow* GetModalOwner();

  // --- Tree ---
  // Depth-first pre-order search starting with the window itself (level 0);
  // depth -1 is unlimited.
  TWindow* FindChild(const TString& name, int depth = -1);
  // The first shown child (front first) whose rectangle holds the point (in
  // this window's coordinates); the window itself when none.
  TWindow* FindChildAt(const TPoint& p);
  // The same among the children from `first` up to (not including) `last`.
  TWindow* FindChildInRange(const TPoint& p, ChildList::const_iterator first, ChildList::const_iterator last);
  // The deepest shown window under the point; null when depth is 0.
  TWindow* HitTest(const TPoint& p, int depth = -1);
  // Front to back, or back to front when reverse; stops at the first false.
  bool ForEachChild(TWindowSpider& spider, bool reverse = false);
  void FitToChildren();
  // Detaches every child and queues it for deferred deletion.
  void DeleteChildren();
  bool IsAncestorOf(const TWindow* window) const;
  // The number of ancestors (0 for a root or a detached window).
  int GetDepth() const;
  // How many levels the subtree below this window has (0 without children).
  int GetSubtreeHeight() const;
  // Whether `child` (with its subtree) may become a child of this window.
  bool CanNest(const TWindow* child) const;

  // --- Placement from a style ---
  void ApplyPlacement(TWindowStyle& style);

  // --- Events, messages, drawing ---
  // Runs the operation for the event (point in this window's coordinates),
  // moves the focus on a left press, and passes a declined event on to the
  // window below and then the parent. True when handled.
  bool DispatchEvent(const TPlatformEvent& event, bool focusGiven = false);
  // Offers the message to this window and its ancestors up to the modal
  // window (and its focus child); then the window script. Consumes it.
  void BubbleMessage(TMessage* message);
  // Pass 0 normal, 1 layer pass, 2 normal pass after a layer pass.
  bool DrawTree(int pass);

  // --- Animation ---
  TWindowAnim* GetAnim();
  // Update runs on the modal owner's clock after `delayMs`, then every
  // `delayMs` while repeat is set, until Update returns false.
  void Animate(uint32_t delayMs, bool repeat, bool fromNow, bool catchUp);
  TWindowAnim* ReleaseAnim();

  // Number of live windows in the process (leak and double-delete checks).
  static long LiveCount() { return live_.load(); }

protected:
  // Flags of the class byte, fixed at construction by subclasses.
  void SetClassFlags(uint32_t flags) { flags_ = (flags_ & ~kWindowClassMask) | (flags & kWindowClassMask); }
  // Updates the modal parent's record of opaque windows that cover it.
  void UpdateCoverRecord(bool covers, bool againstRoot = false);
  // The window's own operation for the event; `swallowed` when a character
  // was dropped by the hot-key flag.
  bool RunEventOperation(const TPlatformEvent& event, bool& swallowed);

private:
  friend class TWindowAnim;
  friend class TWindowManager;

  TWindow* parent_ = nullptr;
  ChildList children_;
  ChildList::iterator slot_;  // this window's place in parent_->children_ (valid while parent_ is set)
  TRect rect_;
  TString name_;
  uint32_t flags_ = kWindowVisible;
  uint32_t id_;
  TWindowAnim* anim_ = nullptr;

  static std::atomic<uint32_t> nextId_;
  static std::atomic<long> live_;
};

// Checked cast by class identity: the window when it is of that class (or
// derives from it), else null.
template <class T>
T* WindowCast(TWindow* window) {
  return (window && window->IsA(T::ClassId())) ? static_cast<T*>(window) : nullptr;
}

// Runs a window's Update on its modal owner's clock.
class TWindowAnim : public TAnimTask {
public:
  explicit TWindowAnim(TWindow* window) : window_(window) {}
  ~TWindowAnim() override;
  TWindow* GetWindow() const { return window_; }
  void Detach() { window_ = nullptr; }

protected:
  bool Step() override;

private:
  TWindow* window_;
};

// --- Stock visitors ---
// Raises a size to the right and bottom edges of the children.
class GetLargest : public TWindowSpider {
public:
  GetLargest(int width, int height) : width(width), height(height) {}
  bool Visit(TWindow* child) override;
  int width, height;
};

// Detaches each child and queues it for deferred deletion.
class ChildrenDelete : public TWindowSpider {
public:
  explicit ChildrenDelete(TWindow* parent) : parent_(parent) {}
  bool Visit(TWindow* child) override;

private:
  TWindow* parent_;
};

// Replaces each child's state byte by (flags & mask); recursively when asked.
class TWindowClearFlags : public TWindowSpider {
public:
  TWindowClearFlags(uint32_t mask, bool recursive) : mask_(mask), recursive_(recursive) {}
  bool Visit(TWindow* child) override;

private:
  uint32_t mask_;
  bool recursive_;
};

// Calls OnModalPopped on every descendant, children before parents.
class TModalPoppedSpider : public TWindowSpider {
public:
  bool Visit(TWindow* child) override;
};

// The integer value of a style number, truncated toward zero and clamped to
// the int range (NaN gives the default).
int GetStyleInt(TWindowStyle& style, const TString& key, int defaultValue);
