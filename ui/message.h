// Messages: the small objects windows post to the window manager, which
// delivers them to a target window, bubbles them up the tree and finally
// queues them for the Lua coroutine of the window script.
//
// Ownership: the sender allocates a message; whoever finally takes it deletes
// it (a window whose OnMessage returns true, a listener that returns true, the
// manager for quit messages and messages without receiver, or the Lua side's
// garbage collector once the message was handed to Lua).
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/string.h"

class TWindow;

enum TMessageType : uint32_t {
  kGeneric = 0,
  kCloseWindow = 1,       // text: the name (or id text) of the modal window to close
  kDefaultAction = 2,
  kButtonPress = 3,       // text: the button's command
  kPressAnyKey = 4,       // text: "mouse:up" or "raw:" + key
  kQuitNow = 5,
  kModalClosed = 6,       // text: the id text of the closed modal window
  kTextEditChanged = 7,
  kCommandOnly = 8,       // stands in for a missing message when only a command reaches the script
  kSliderValChanged = 9,
  kSliderMouseUp = 10,
  kSliderPageUp = 11,
  kSliderPageDown = 12,
  kUserMessageBase = 1000,
};

using TMessageClassId = const void*;

class TMessage {
public:
  // `target` is the window the message is addressed to (null: none). It is a
  // full pointer: the manager clears it when that window is queued for deletion.
  TMessage(uint32_t type, const TString& text, TWindow* target = nullptr);
  virtual ~TMessage();
  TMessage(const TMessage&) = delete;
  TMessage& operator=(const TMessage&) = delete;

  virtual const char* GetClassName() const { return "TMessage"; }
  virtual bool IsA(TMessageClassId id) const { return id == ClassId(); }
  static TMessageClassId ClassId();

  // The message listeners and a modal window's focus child see: the message
  // itself, or for a message made on the Lua side the message its Lua value
  // refers to. Only the outer message is ever deleted by the receivers.
  virtual TMessage* GetDeliveryMessage() { return this; }

  uint32_t GetType() const { return type; }
  const TString& GetText() const { return text; }
  TWindow* GetTarget() const { return target; }
  void SetTarget(TWindow* window) { target = window; }

  // Number of live messages in the process (leak and double-delete checks).
  static long LiveCount() { return live_.load(); }

  uint32_t type;
  TString text;
  TWindow* target;

private:
  static std::atomic<long> live_;
};

// Game screens that want every posted message without a target before any
// window sees it implement this and add themselves to the window manager.
class TMessageListener {
public:
  virtual ~TMessageListener() = default;
  // True when the message was taken (the manager then deletes it).
  virtual bool OnMessage(TMessage* message) = 0;
};
