#include "game/shell/data/userinfo.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/soundmanager.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/savefile.h"
#include "game/shell/upperlayers.h"
#include "platform/folders.h"
#include "platform/gamestate.h"
#include "platform/log.h"
#include "platform/prefs.h"
#include "platform/shell/platform.h"
#include "platform/string.h"
#include "script/bind.h"
#include "ui/window.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

UserInfo* gUserInfo = nullptr;

// The eleven progress keys, in the order they are written.
struct ProgressKey {
  const char* key;
  int GameProgress::*field;
  int readDefault;
};
const ProgressKey kProgressKeys[] = {
    {"levelId", &GameProgress::levelId, 1},
    {"chapterId", &GameProgress::chapterId, 1},
    {"locationId", &GameProgress::locationId, 1},
    {"numCoins", &GameProgress::numCoins, 0},
    {"firstRun", &GameProgress::firstRun, 1},
    {"gameIntroDone", &GameProgress::gameIntroDone, 0},
    {"gameStartMsgDone", &GameProgress::gameStartMsgDone, 0},
    {"gameTutorMsgDone", &GameProgress::gameTutorMsgDone, 0},
    {"gameFinished", &GameProgress::gameFinished, 0},
    {"mLocationType", &GameProgress::mLocationType, 1},
    {"gameNeedClearUserInfo", &GameProgress::gameNeedClearUserInfo, 0},
};
const char* const kBlobKey = "LocInfoPass";

constexpr int kNewProfileLevel = 500;

// A character that shows as a blank: Unicode's white space, the no-break
// and ideographic spaces among them (a name field takes them as typed).
bool IsBlank(uint32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

TString Quoted(const char* what, const TString& name) { return TString::Printf("%s \"%s\"", what, name.c_str()); }

// The name with its letters of every script in lower case; bytes that are
// no character stay as they are.
std::string CaseFolded(const TString& name) {
  std::string out;
  for (const char* p = name.c_str(); *p;) {
    const int length = Utf8CharLength(p);
    const uint32_t c = DecodeUtf8(p);
    if (c == 0) out.append(p, size_t(length));
    else out += TString::FromCodePoint(LowerCaseOfAnyScript(c)).str();
    p += length;
  }
  return out;
}

// Two names that are one for the player: the same letters, blanks and the
// letter case of any script aside ("Élodie" and "élodie").
bool SameName(const TString& a, const TString& b) {
  return CaseFolded(UserInfo::NormalizedName(a)) == CaseFolded(UserInfo::NormalizedName(b));
}

}  // namespace

UserInfo::UserInfo() {
  TWindowManager* windows = GetWindowManager();
  if (TWindowScript* script = windows ? windows->GetScript() : nullptr) {
    bindings_ = std::make_unique<TLuaBindings>(script->GetState());
    TLuaBindings& b = *bindings_;
    b.Bind("ToggleFullScreen", this, &UserInfo::ToggleFullScreen);
    b.Bind("ShowGalleryWnd", this, &UserInfo::ShowGalleryWnd);
    b.Bind("NeedShowGallery", this, &UserInfo::NeedShowGallery);
    b.Bind("ToggleSoundMute", this, &UserInfo::ToggleSoundMute);
    b.Bind("SetCurrentGameMode", this, &UserInfo::SetCurrentGameMode);
    b.Bind("GetNumUsers", this, &UserInfo::GetNumUsers);
    b.Bind("CreateNewUser", this, &UserInfo::CreateNewUser);
    b.Bind("SetCurrentUser", this, &UserInfo::SetCurrentUser);
    b.Bind("ChangeCurrentUserName", this, &UserInfo::ChangeCurrentUserName);
    b.Bind("DeleteUser", this, &UserInfo::DeleteUser);
    b.Bind("IsNameInUse", this, &UserInfo::IsNameInUse);
    b.Bind("QuitToMainMenu", this, &UserInfo::QuitToMainMenu);
    b.Bind("IsNameValid", this, &UserInfo::IsNameValid);
    b.Bind("IsNeedGoToMiniGame", &IsNeedGoToMiniGame);
    b.Bind("StartMG", &StartMG);
    b.Bind("SetMiniGameLevel", &SetMiniGameLevel);
  }
  prefs_ = std::make_unique<TPrefs>(1);
  // No user folder can be made: no save will be written, and the player
  // hears it at the start, once (the notice of a failed save).
  const std::string folder = GetUserFolder().str();
  if (!folder.empty() && !MakeFolders(folder)) {
    TraceOut("Profiles: the user folder %s cannot be made; nothing is saved", folder.c_str());
    saveFailing_ = withoutUserFolder_ = true;
    saveNotice_.info = kNoUserFolderInfo;
    saveNotice_.state = TSaveNotice::kDue;
  }
  // The file could not be read (nor its backup): the store starts empty, and
  // the player would meet the first start's name question without a word.
  if (prefs_->GetOrigin() == TPrefs::kDamagedStartedEmpty) {
    unreadableNotice_.info = kPrefsUnreadableInfo;
    unreadableNotice_.state = TSaveNotice::kDue;
  }
  // What another copy saved at the same time lies beside the file, unread.
  if (!prefs_->GetConflictFiles().empty()) conflictNotice_.state = TSaveNotice::kDue;
  SetCurrentUser(prefs_->GetInt("curuser", -1), false);
}

UserInfo::~UserInfo() = default;

int UserInfo::CurrentProfile(const char* forWhat) const {
  int user = prefs_->GetInt("curuser", -1);
  if (user >= 0 && user < prefs_->GetUserCount()) return user;
  if (forWhat) TraceOut("Profiles: no current player; %s is not written", forWhat);
  return -1;
}

int UserInfo::GetCurrentUserIndex() const { return CurrentProfile(nullptr); }
int UserInfo::GetNumUsers() const { return prefs_->GetUserCount(); }

TString UserInfo::GetUserName(int index) const { return prefs_->GetString("name", "", index < 0 ? -2 : index); }

TString UserInfo::GetCurrentUserName() const {
  int user = CurrentProfile(nullptr);
  return user < 0 ? TString() : GetUserName(user);
}

// --- Operations that promise a save ---

UserInfo::TSaveScope::TSaveScope(UserInfo& users) : users_(users), outermost_(users.saveScopes_ == 0) {
  if (outermost_) {
    users_.savePromised_ = users_.saveRefused_ = false;
    users_.saveWhat_ = TString();
  }
  ++users_.saveScopes_;
  users_.prefs_->BeginBatch();
}

void UserInfo::TSaveScope::Describe(const TString& what) {
  if (outermost_ || users_.saveWhat_.IsEmpty()) users_.saveWhat_ = what;
}

bool UserInfo::TSaveScope::End() {
  if (ended_) return result_;
  ended_ = true;
  --users_.saveScopes_;
  const bool written = users_.prefs_->EndBatch();
  if (!outermost_) return result_ = true;
  result_ = written && !users_.saveRefused_;
  if (users_.savePromised_) users_.NoteSaveResult(users_.saveWhat_, result_);
  return result_;
}

void UserInfo::SetCurrentUser(int index, bool saveFirst) {
  TSaveScope save(*this);
  GameProgress& progress = GetGameProgress();
  int count = prefs_->GetUserCount();
  if (count != 0 && saveFirst && CurrentProfile(nullptr) >= 0) SaveProgress();
  if (index >= count) return;
  // A switch is a save the player is promised; selecting the stored player
  // again (at the start) writes nothing new of theirs.
  if (index >= 0 && (saveFirst || index != prefs_->GetInt("curuser", -1))) {
    save.Describe(Quoted("the choice of player", GetUserName(index)));
    save.Promise();
  }
  if (index < 0) {
    prefs_->SetInt("curuser", -1, -1, 1);
    progress.Reset();
    progress.playerName = TString();
    return;
  }
  prefs_->SetInt("curuser", index, -1, 1);
  ApplyUserVolumes();
  progress.playerName = GetUserName(index);
  TString why;
  if (!LoadProgress(&why)) KeepUnreadableSave(index, why);
}

bool UserInfo::LoadProgress(TString* why) {
  GameProgress& progress = GetGameProgress();
  progress.Reset();
  lastLoadOtherVersion_ = false;
  int user = CurrentProfile(nullptr);
  if (user < 0) return true;
  for (const ProgressKey& k : kProgressKeys) {
    // A save may hold any number: counts and ids are kept within a game's range.
    const int stored = prefs_->GetInt(k.key, k.readDefault, user);
    const int low = k.field == &GameProgress::numCoins ? 0 : -kProgressIntLimit;
    progress.*k.field = ClampProgressInt(stored, low, kProgressIntLimit);
    if (progress.*k.field != stored)
      TraceOut("Profiles: %s %d of the save is out of range; read as %d", k.key, stored, progress.*k.field);
  }
  int length = 0;
  if (prefs_->GetData(kBlobKey, nullptr, 0, user, &length) == -1) return true;
  TSaveRead result;
  TString reason;
  if (size_t(length) > kSaveBlobMaxSize) {
    result = TSaveRead::kDamaged;
    reason = TString::Printf("%d bytes, more than %zu", length, kSaveBlobMaxSize);
  } else {
    std::vector<uint8_t> blob(size_t(length) + 1);
    prefs_->GetData(kBlobKey, blob.data(), length, user);
    result = ReadSaveBlob(blob.data(), size_t(length), uint32_t(GetSaveVersion()), progress, &reason,
                          &lastLoadVersion_);
  }
  if (result == TSaveRead::kOk) return true;
  lastLoadOtherVersion_ = result == TSaveRead::kOtherVersion;
  if (why) *why = reason;
  return false;
}

void UserInfo::KeepUnreadableSave(int user, const TString& why) {
  TSaveScope save(*this);
  save.Promise();
  save.Describe(Quoted("the progress of player", GetUserName(user)));
  TString suffix = lastLoadOtherVersion_ ? TString::Printf(".v%u", lastLoadVersion_) : TString(".damaged");
  for (const ProgressKey& k : kProgressKeys) {
    if (prefs_->GetData(k.key, nullptr, 0, user) == -1) continue;
    prefs_->SetString(TString(k.key) + suffix, prefs_->GetString(k.key, "", user), user);
  }
  int length = 0;
  if (prefs_->GetData(kBlobKey, nullptr, 0, user, &length) != -1) {
    std::vector<uint8_t> blob(size_t(length) + 1);
    prefs_->GetData(kBlobKey, blob.data(), length, user);
    prefs_->SetData(TString(kBlobKey) + suffix, blob.data(), length, user);
  }
  TraceOut("Profiles: the saved game of player \"%s\" %s (%s); it is kept as \"%s%s\" and the player starts a new game",
           GetUserName(user).c_str(), lastLoadOtherVersion_ ? "cannot be read by this version" : "is damaged",
           why.c_str(), kBlobKey, suffix.c_str());
  GetGameProgress().Reset();
  SaveProgress();
  if (unreadableNotice_.state != TSaveNotice::kShowing) {
    unreadableNotice_.info = kSaveUnreadableInfo;
    unreadableNotice_.state = TSaveNotice::kDue;
  }
}

bool UserInfo::SaveProgress() {
  int user = CurrentProfile("the progress");
  if (user < 0) return false;
  TSaveScope save(*this);
  save.Describe(Quoted("the progress of player", GetUserName(user)));
  const GameProgress& progress = GetGameProgress();
  std::vector<uint8_t> blob = WriteSaveBlob(progress, uint32_t(GetSaveVersion()));
  if (blob.size() > kSaveBlobMaxSize) {
    TraceOut("Profiles: the progress of player \"%s\" needs %zu bytes, more than %zu", GetUserName(user).c_str(),
             blob.size(), kSaveBlobMaxSize);
    save.Refuse();
    return save.End();
  }
  save.Promise();
  for (const ProgressKey& k : kProgressKeys) prefs_->SetInt(k.key, progress.*k.field, user, 1);
  prefs_->SetData(kBlobKey, blob.data(), int(blob.size()), user, 1);
  return save.End();
}

void UserInfo::NoteSaveResult(const TString& what, bool written) {
  if (written) {
    // What could not be saved first is on disk now, with everything since.
    if (saveFailing_) TraceOut("Profiles: %s is saved again", failedWhat_.c_str());
    saveFailing_ = false;
    return;
  }
  // The progress stays in memory (and in the store's), so the next save
  // writes it; the file on disk keeps the last save whole.
  if (!saveFailing_) failedWhat_ = what;
  saveFailing_ = true;
  TraceOut("Profiles: %s could not be saved; it is kept and saved at the next chance", what.c_str());
  if (saveNotice_.state == TSaveNotice::kNone) saveNotice_.state = TSaveNotice::kDue;
}

void UserInfo::TellNoticesWhenDue() {
  TNotice* const notices[] = {&unreadableNotice_, &saveNotice_, &conflictNotice_};
  for (TNotice* notice : notices) {
    bool otherShowing = false;
    for (const TNotice* other : notices) otherShowing |= other != notice && other->state == TSaveNotice::kShowing;
    if (!otherShowing) TellWhenDue(*notice);
  }
}

void UserInfo::TellWhenDue(TNotice& notice) {
  TWindowManager* windows = GetWindowManager();
  auto isOpen = [&](uint32_t id) {
    if (windows)
      for (TWindow* w : windows->GetModalStack())
        if (w->GetId() == id) return true;
    return false;
  };
  if (notice.state == TSaveNotice::kShowing) {
    if (isOpen(notice.window)) return;
    // Closed by the player over its screen, or closed with the screen by a
    // screen change before anyone could read it: then it comes again.
    notice.state = isOpen(notice.screen) ? TSaveNotice::kGiven : TSaveNotice::kDue;
  }
  if (notice.state != TSaveNotice::kDue) return;
  TWindow* top = windows ? windows->GetTopModal() : nullptr;
  // Not over the fade of a screen change (scripts/shadow.lua's modal window):
  // it would hold the fade and go with the screen it stands on.
  if (!top || top->GetName() == "sShadow") return;
  ShowMiniTutor(top, notice.info);
  TWindow* shown = windows->GetTopModal();
  if (shown && shown != top) {
    notice = TNotice{notice.info, TSaveNotice::kShowing, top->GetId(), shown->GetId()};
  } else {
    notice.state = TSaveNotice::kGiven;  // no pop-up to follow: its log line told it
  }
}

void UserInfo::CreateNewUser(const TString& given) {
  const TString name = NormalizedName(given);
  TSaveScope save(*this);
  save.Describe(Quoted("the new player", name));
  save.Promise();
  int index = prefs_->GetUserCount();
  if (index != 0 && CurrentProfile(nullptr) >= 0) SaveProgress();
  prefs_->SetString("name", name, index, 1);
  prefs_->SetInt("soundlevel", kNewProfileLevel, index, 1);
  prefs_->SetInt("musiclevel", kNewProfileLevel, index, 1);
  prefs_->SetInt("ambientlevel", kNewProfileLevel, index, 1);
  prefs_->SetInt("soundoff", 0, index, 1);
  prefs_->SetInt("gotogallery", 0, index, 1);
  if (index >= prefs_->GetUserCount()) return;
  prefs_->SetInt("curuser", index, -1, 1);
  ApplyUserVolumes();
  GameProgress& progress = GetGameProgress();
  progress.Reset();
  progress.playerName = name;
  // The new game's keys go with the profile: read back without them, a
  // player would count as having the level's mini-game due.
  SaveProgress();
}

void UserInfo::DeleteUser(int index) {
  if (index < 0 || index >= prefs_->GetUserCount()) {
    TraceOut("Profiles: DeleteUser(%d) ignored: there are %d players", index, prefs_->GetUserCount());
    return;
  }
  TSaveScope save(*this);
  save.Describe(Quoted("the deletion of player", GetUserName(index)));
  save.Promise();
  prefs_->DeleteUser(index);
  prefs_->Save();
  SetCurrentUser(index < prefs_->GetUserCount() ? index : index - 1, false);
}

void UserInfo::ChangeCurrentUserName(const TString& given) {
  int user = CurrentProfile("the new name");
  if (user < 0) return;
  const TString name = NormalizedName(given);
  prefs_->SetString("name", name, user, 1);
  GetGameProgress().playerName = name;
}

TString UserInfo::NormalizedName(const TString& name) {
  std::string out;
  bool blank = false;
  for (const char* p = name.c_str(); *p;) {
    const int length = Utf8CharLength(p);
    if (IsBlank(DecodeUtf8(p))) {  // bytes that are no character are kept as they are
      blank = true;
    } else {
      if (blank && !out.empty()) out += ' ';
      blank = false;
      out.append(p, size_t(length));
    }
    p += length;
  }
  return TString(out);
}

bool UserInfo::IsNameInUse(const TString& name) const {
  for (int i = 0; i < prefs_->GetUserCount(); ++i)
    if (SameName(GetUserName(i), name)) return true;
  return false;
}

bool UserInfo::IsNameInUseExceptCurrent(const TString& name, bool exceptCurrent) const {
  int user = CurrentProfile(nullptr);
  if (exceptCurrent && user >= 0 && SameName(GetUserName(user), name)) return false;
  return IsNameInUse(name);
}

bool UserInfo::IsNameValid(const TString& name) const { return !NormalizedName(name).IsEmpty(); }

void UserInfo::ShowGalleryWnd(int value) {
  int user = CurrentProfile("the gallery choice");
  if (user >= 0) prefs_->SetInt("gotogallery", value, user, 1);
}

int UserInfo::NeedShowGallery() const {
  if (GetGameProgress().photos.empty()) return 0;
  int user = CurrentProfile(nullptr);
  return user < 0 ? 1 : prefs_->GetInt("gotogallery", 1, user);
}

void UserInfo::ToggleSoundMute() {
  int user = CurrentProfile("the sound switch");
  if (user < 0) return;
  int off = int((static_cast<long long>(prefs_->GetInt("soundoff", 0, user)) + 1) % 2);
  TGameState* state = TGameState::GetInstance();
  state->SetStateInt("mute", off);
  prefs_->SetInt("soundoff", off, user, 1);
  // The player's own switch counts at once, whatever a portal handler says.
  if (TSoundManager* sound = GetSoundManager()) sound->SetMasterVolume(off || state->QueryMuteGame() ? 0.0f : 1.0f);
}

bool UserInfo::ToggleFullScreen() {
  TPlatform* platform = TPlatform::GetInstance();
  if (!platform) return false;
  bool full = !platform->IsFullScreen();
  if (!platform->SetFullScreen(full)) return false;
  prefs_->SetInt("fullscreen", full ? 1 : 0, -1, 1);
  return true;
}

void UserInfo::SetCurrentGameMode(int mode) {
  if (mode == 0 || mode == 1) gameMode_ = mode;
}

void UserInfo::QuitToMainMenu() {
  TWindowManager* windows = GetWindowManager();
  if (!windows) return;
  while (TWindow* top = windows->GetTopModal()) {
    if (!top->GetParent() || !windows->PopModalUntil(top->FormatIdHex())) break;
  }
}

float UserInfo::VolumeOfLevel(int level) {
  float v = float(level) / 1000.0f;
  return v < 0.1f ? 0.0f : std::sqrt(v);
}

void UserInfo::ApplyUserVolumes() {
  TSoundManager* sound = GetSoundManager();
  if (!sound) return;
  int user = CurrentProfile(nullptr);
  auto level = [&](const char* key) { return user < 0 ? kNewProfileLevel : prefs_->GetInt(key, kNewProfileLevel, user); };
  float effects = VolumeOfLevel(level("soundlevel"));
  sound->SetGroupVolume(1000, effects);
  sound->SetGroupVolume(0, effects);
  sound->SetGroupVolume(1001, VolumeOfLevel(level("musiclevel")));
  sound->SetGroupVolume(1002, VolumeOfLevel(level("ambientlevel")));
  bool off = user >= 0 && prefs_->GetInt("soundoff", 0, user) != 0;
  sound->SetMasterVolume(off ? 0.0f : 1.0f);
}

void UserInfo::OpenGameDisplay() {
  if (TPlatform* platform = TPlatform::GetInstance())
    platform->OpenDisplay(1024, 768, prefs_->GetInt("fullscreen", 1) == 1);
  ApplyUserVolumes();
}

void UserInfo::StoreFullScreenPref() {
  prefs_->SetInt("fullscreen", IsFullScreen() ? 1 : 0, -1, 1);
}

bool UserInfo::IsFullScreen() const {
  TPlatform* platform = TPlatform::GetInstance();
  return platform && platform->IsFullScreen();
}

const char* const kSaveFailedInfo = "infosavefailed";
const char* const kSaveUnreadableInfo = "infosaveunreadable";
const char* const kPrefsUnreadableInfo = "infoprefsunreadable";
const char* const kPrefsConflictInfo = "infoprefsconflict";
const char* const kNoUserFolderInfo = "infonouserfolder";

UserInfo* GetUserInfo() { return gUserInfo; }

void TellNoticesWhenDue() {
  if (gUserInfo) gUserInfo->TellNoticesWhenDue();
}

void DeleteUserInfo() {
  if (!gUserInfo) return;
  UserInfo* old = gUserInfo;
  // (Without a user folder, the start said that nothing is saved.)
  if (!old->SaveProgress() && old->GetCurrentUserIndex() >= 0 && !old->IsWithoutUserFolder()) {
    const std::string who = old->GetCurrentUserName().str(), log = GetLogFilePath();
    TraceOut("Profiles: the game ends without the last save of player \"%s\"; the user folder keeps the one before",
             who.c_str());
    std::fprintf(stderr,
                 "lantern: the game ended without saving the progress of player \"%s\" (%s); the user folder "
                 "keeps the last save written\n",
                 who.c_str(), log.empty() ? "no log could be written" : (log + " tells why").c_str());
  }
  gUserInfo = nullptr;
  delete old;
}

void RecreateUserInfo() {
  DeleteUserInfo();
  gUserInfo = new UserInfo();
}
