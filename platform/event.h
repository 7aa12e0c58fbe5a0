// TPlatformEvent: the one event record the platform's event source hands to
// the game loop and the window manager, one per call.
#pragma once
#include <cstdint>

struct TPlatformEvent {
  uint32_t type = 0;  // TPlatformEventType
  uint32_t a = 0;     // button or wheel sub-code, key code, character code, activation state
  int32_t x = 0;      // mouse position in game coordinates (signed 16-bit values widened)
  int32_t y = 0;
  uint32_t b = 0;     // modifier bits: 1 shift, 2 ctrl, 4 alt, 8 extended key
};

enum TPlatformEventType : uint32_t {
  kEventTick = 1,
  kEventNull = 2,
  kEventClose = 3,         // close request
  kEventQuit = 4,
  kEventLeftDown = 5,
  kEventButton = 6,        // a: 0 right up, 1 right down, 2 middle up, 3 middle down, 4/5 extra, 6/7 wheel
  kEventLeftUp = 7,
  kEventMouseMove = 8,
  kEventMouseLeave = 9,    // the mouse left the window, or the capture was lost
  kEventHover = 10,
  kEventKeyDown = 11,
  kEventKeyUp = 12,
  kEventChar = 13,         // a: one byte
  kEventUnicode = 14,      // a: one code point (surrogate pairs joined)
  kEventPaint = 15,
  kEventReleaseLayer = 17, // release the layer texture
  kEventActivate = 18,     // a: 1 active, 0 inactive
  kEventModeChange = 19,   // switched between full screen and window
};

// Key codes of key events (single bytes); letters and digits are their upper-case ASCII codes.
namespace PlatformKey {
constexpr uint32_t kBackspace = 8, kTab = 9, kEnter = 13, kEscape = 27;
constexpr uint32_t kUp = 0x80, kDown = 0x81, kLeft = 0x82, kRight = 0x83, kInsert = 0x84;
constexpr uint32_t kPageUp = 0x85, kPageDown = 0x86, kDelete = 0xFF;
constexpr uint32_t kF1 = 0x70;  // ... kF1 + 11 (F12)
}  // namespace PlatformKey

// Modifier bits of TPlatformEvent::b.
namespace PlatformMod {
constexpr uint32_t kShift = 1, kCtrl = 2, kAlt = 4, kExtended = 8;
}
