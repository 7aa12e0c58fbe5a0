// Game-state reporting: the game tells the world what it is doing (session
// events, level, score, pause, mute) through one singleton, which stores each
// pair and passes it to every installed handler. Handlers are the built-in
// one, which asks for muting while the state "mute" is non-zero, and portal
// plug-in modules (".knmod", see platform/knmod.h) loaded from the asset
// folder. Portal host windows ("-msn", "-zylom", "-aol") do not exist on this
// system: asking for one is logged and otherwise ignored.
// Main thread only. Part of platform/; uses settings, log and dlopen.
#pragma once
#include <map>
#include <memory>
#include <vector>

#include "platform/string.h"

class TGameStateHandler {
public:
  virtual ~TGameStateHandler() = default;
  virtual void SetState(const TString& key, const TString& value) = 0;
  // True when the handler asks for the game to be muted.
  virtual bool QueryMuteGame() { return false; }
};

// The built-in handler: asks for muting while the stored "mute" reads non-zero.
class TDefaultGameStateHandler : public TGameStateHandler {
public:
  void SetState(const TString& key, const TString& value) override;
  bool QueryMuteGame() override { return mute_; }

private:
  bool mute_ = false;
};

class TGameState {
public:
  // The singleton, created on first use with the built-in handler installed.
  static TGameState* GetInstance();
  // Destroys it (plug-ins are unloaded); the next GetInstance makes a fresh one.
  static void DestroyInstance();

  // Stores the pair and passes it to every handler, in installation order.
  void SetState(const TString& key, const TString& value);
  void SetStateInt(const TString& key, int value);
  // The stored value, or empty.
  TString GetState(const TString& key) const;
  // Whether any installed handler asks for the game to be muted.
  bool QueryMuteGame() const;

  void AddHandler(std::unique_ptr<TGameStateHandler> handler);
  size_t GetHandlerCount() const { return handlers_.size(); }

  // Loads every ".knmod" module of a folder (default: the working folder's
  // "assets/"), in file-name order; returns how many were installed. Modules
  // that fail to load are logged and skipped.
  int LoadPlugins(const TString& folder = "assets");

  ~TGameState();

private:
  TGameState();
  std::map<TString, TString> states_;
  std::vector<std::unique_ptr<TGameStateHandler>> handlers_;
};

// The entry point behind the Lua global "_SetState" (key, value).
void ScriptSetState(const char* key, const char* value);
