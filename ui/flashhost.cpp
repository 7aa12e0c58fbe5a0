#include "ui/flashhost.h"

#include <list>

#include "platform/folders.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/stringtable.h"
#include "ui/windowmanager.h"

namespace {

TMoviePlayerFactory& Factory() {
  static TMoviePlayerFactory factory;
  return factory;
}

TString LocalText(const TString& label) {
  TPlatform* platform = TPlatform::GetInstance();
  TStringTable* table = platform ? platform->GetStringTable() : nullptr;
  return table ? table->GetString(label) : label;
}

}  // namespace

void SetMoviePlayerFactory(TMoviePlayerFactory factory) { Factory() = std::move(factory); }

TFlashHost::TFlashHost(const TString& movieName) : movieName_(movieName) {
  if (TPlatform* platform = TPlatform::GetInstance()) savedCursor_ = platform->GetApplication()->cursorShown;
}

TFlashHost::~TFlashHost() { Close(); }

int TFlashHost::RequiredVersion(bool localised) {
  int required = localised ? 6 : 4;
  TString setting = GetSettingString("flashmajorversion");
  if (!setting.IsEmpty() && setting.ToInt() > required) required = setting.ToInt();
  return required;
}

std::vector<TString> TFlashHost::ParseTextVarNames(const TString& list) {
  std::vector<TString> names;
  int start = 0;
  for (int at = list.Find(";", start); at >= 0; at = list.Find(";", start)) {
    if (at > start) names.push_back(list.Substring(start, at - start));
    start = at + 1;
  }
  return names;
}

bool TFlashHost::Start(bool loop, bool localised, bool interactive) {
  if (player_) Close();
  if (GetSettingString("dxbroken").ToInt() != 0) return false;
  if (!Factory()) {
    // Nothing to play the movie with: the caller goes on without it.
    TraceOut("TFlashHost::Start: no movie player on this platform, '%s' not played", movieName_.c_str());
    return false;
  }
  player_ = Factory()();
  if (!player_) return false;
  TPlatform* platform = TPlatform::GetInstance();
  if (platform) {
    savedCursor_ = platform->GetApplication()->cursorShown;
    platform->ShowCursor(false);
    cursorHidden_ = true;
  }
  int major = (player_->FlashVersion() >> 16) & 0xFF;
  if (major < RequiredVersion(localised) || !LoadMovie(loop, localised)) {
    player_.reset();
    RestoreCursor();
    return false;
  }
  interactive_ = interactive;
  return true;
}

bool TFlashHost::LoadMovie(bool loop, bool localised) {
  TString path = GetDiskPath(movieName_);
  if (path.IsEmpty()) {
    TraceOut("TFlashHost::Start: movie '%s' not found", movieName_.c_str());
    return false;
  }
  if (!player_->SetMovie(path) || !player_->SetLoop(loop)) return false;
  if (!localised) return true;
  player_->Stop();
  TString names;
  if (player_->GetVariable("textvarnames", &names)) {
    for (const TString& name : ParseTextVarNames(names)) player_->SetVariable(name, LocalText(name));
  }
  TPlatform* platform = TPlatform::GetInstance();
  if (TStringTable* table = platform ? platform->GetStringTable() : nullptr) {
    std::list<TString> labels;
    table->GetFlashStrings(labels);
    for (const TString& label : labels) {
      if (label.StartsWith("FLASH_")) player_->SetVariable(label.Substring(6), table->GetString(label));
    }
  }
  return player_->Play();
}

bool TFlashHost::IsPlaying() {
  bool playing = false;
  return player_ && player_->GetPlaying(&playing) && playing;
}

void TFlashHost::RestoreCursor() {
  if (!cursorHidden_) return;
  cursorHidden_ = false;
  if (TPlatform* platform = TPlatform::GetInstance()) platform->ShowCursor(savedCursor_);
}

void TFlashHost::Close() {
  if (player_) {
    player_->Stop();
    player_.reset();
    // Nothing of the movie may stay on screen.
    if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  }
  interactive_ = false;
  RestoreCursor();
}
