// TFlashHost: plays a movie (intro movies, cut scenes) over the game, filling
// the movie's text variables from the string table so that movies can be
// localised, and hiding the game's cursor while it runs.
//
// The movie itself is played by an IMoviePlayer made by the factory set with
// SetMoviePlayerFactory. This program has no movie player: without a factory
// Start reports at once that it cannot start, and every caller takes its
// fallback ("StartMovie" returns false, DisplaySplash shows its picture).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/string.h"
#include "ui/windowscript.h"

// What the host needs of a movie player: the members of the movie control.
class IMoviePlayer {
public:
  virtual ~IMoviePlayer() = default;
  // The control's version; bits 16-23 are the major version.
  virtual int FlashVersion() = 0;
  virtual bool SetMovie(const TString& path) = 0;  // property "Movie"
  virtual bool SetLoop(bool loop) = 0;             // property "Loop"
  virtual bool GetPlaying(bool* playing) = 0;      // property "Playing"
  virtual bool Play() = 0;
  virtual bool Stop() = 0;
  virtual bool GetVariable(const TString& name, TString* value) = 0;
  virtual bool SetVariable(const TString& name, const TString& value) = 0;
};

using TMoviePlayerFactory = std::function<std::unique_ptr<IMoviePlayer>()>;
// Installs the player factory (an empty one: no player, the default).
void SetMoviePlayerFactory(TMoviePlayerFactory factory);

class TFlashHost : public TMovieHost {
public:
  explicit TFlashHost(const TString& movieName);
  ~TFlashHost() override;

  // Starts the movie; false (with the cursor as it was) when it cannot.
  // `localised` fills the movie's text variables; `interactive` lets the
  // movie take the mouse.
  bool Start(bool loop, bool localised, bool interactive);
  bool IsPlaying() override;
  // Stops and removes the player; safe to call again.
  void Close() override;

  // The movie host of the Lua window API ("StartMovie"): flags bit 0 loops.
  bool Start(int flags, bool translate, bool allowInput) override {
    return Start((flags & 1) != 0, translate, allowInput);
  }

  // The major version a movie needs: 6 with localised text, else 4, raised
  // (never lowered) by the setting "flashmajorversion".
  static int RequiredVersion(bool localised);
  // The names of a "textvarnames" list: each ended by ";" (a last name without one is not used).
  static std::vector<TString> ParseTextVarNames(const TString& list);

  const TString& GetMovieName() const { return movieName_; }

private:
  bool LoadMovie(bool loop, bool localised);
  void RestoreCursor();

  TString movieName_;
  std::unique_ptr<IMoviePlayer> player_;
  bool savedCursor_ = true;
  bool cursorHidden_ = false;
  bool interactive_ = false;
};
