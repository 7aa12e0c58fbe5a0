// game/shell/data: the game data: main.xml and the level model, progress, saves, profiles, play log.
// Player profiles: UserInfo owns the preferences store and knows the current
// player; it creates, selects, renames and deletes profiles, saves and loads
// their progress (the integer progress keys and the blob of savefile.h),
// applies their sound volumes, keeps the display mode preference, and offers
// all this to the scripts as Lua globals.
//
// A profile is one user map of the store (index 0 .. n-1, "name" its
// player's name). The global map holds "curuser" (-1: nobody) and
// "fullscreen". Every change is written through at once; a save (the eleven
// progress keys and "LocInfoPass") is one write of the file.
// Nothing is ever written to a profile while no valid profile is current.
// A saved game that cannot be read (another save version, or damaged) is kept
// aside in the profile under "<key>.v<version>" or "<key>.damaged", logged,
// and the player starts a new game with name and volumes kept. A save that
// cannot be written keeps the progress in memory for the next save and is
// told to the player once. Creating, choosing (with a save first) and
// deleting a player are each one write, whose own result is told.
// A name is kept trimmed: the blanks it begins and ends with go, and a run
// of blanks inside becomes one space (NormalizedName).
// Depends on platform/ (prefs, game state, platform), ui/ (window manager,
// script), audio/ (group volumes), gameprogress.h, savefile.h and
// upperlayers.h (the information pop-up).
#pragma once
#include <cstdint>
#include <memory>

#include "platform/string.h"

class TPrefs;
class TLuaBindings;

// The infos (infos.xml, strings.xml) of the notices: the progress cannot be
// saved ("infosavefailed"); a saved game could not be read and was kept aside
// ("infosaveunreadable"); the preferences file could not be read, so every
// player's saved game is gone from the list, kept aside in the file beside it
// ("infoprefsunreadable"); two copies of the game saved at once, and the
// one that saved second kept its preferences beside the file
// ("infoprefsconflict"); no user folder can be made, so nothing is saved
// ("infonouserfolder", told at the start in place of "infosavefailed").
extern const char* const kSaveFailedInfo;
extern const char* const kSaveUnreadableInfo;
extern const char* const kPrefsUnreadableInfo;
extern const char* const kPrefsConflictInfo;
extern const char* const kNoUserFolderInfo;

class UserInfo {
public:
  // Registers the Lua globals on the window manager's script (when there is
  // one), opens "user:prefs.dat" and selects the stored current player.
  UserInfo();
  ~UserInfo();
  UserInfo(const UserInfo&) = delete;
  UserInfo& operator=(const UserInfo&) = delete;

  TPrefs* GetPrefs() const { return prefs_.get(); }

  // Selects profile `index` (saving the current one first when asked) and
  // loads its progress. An index at or beyond the count selects nobody and
  // leaves "curuser"; a negative one stores -1.
  void SetCurrentUser(int index, bool saveFirst);
  // Saves the current player, adds a profile with volumes 500 under the
  // name (NormalizedName), makes it current with a new game and saves that,
  // all in one write.
  void CreateNewUser(const TString& name);
  // Removes the profile and selects the one now at its index, else the one
  // before it, in one write. An index outside the profiles changes nothing (logged).
  void DeleteUser(int index);
  void ChangeCurrentUserName(const TString& name);

  TString GetUserName(int index) const;
  TString GetCurrentUserName() const;
  // "curuser" when it names a profile, else -1.
  int GetCurrentUserIndex() const;
  int GetNumUsers() const;

  // Names compare normalised (NormalizedName) and lower-cased.
  bool IsNameInUse(const TString& name) const;
  // False for the current player's own name when `exceptCurrent` is set.
  bool IsNameInUseExceptCurrent(const TString& name, bool exceptCurrent) const;
  // False for "" and for names made only of blanks.
  bool IsNameValid(const TString& name) const;
  // The name as it is kept: without the blanks (spaces, tabs, line breaks,
  // Unicode's other white space such as U+00A0 and U+3000) it begins and
  // ends with, each run of blanks inside one space.
  static TString NormalizedName(const TString& name);

  void ShowGalleryWnd(int value);
  // 0 while the progress has no photos, else the profile's "gotogallery".
  int NeedShowGallery() const;
  void ToggleSoundMute();
  // Switches between full screen and a window; false (nothing changed) when
  // the switch failed.
  bool ToggleFullScreen();
  // 0 or 1; anything else is ignored.
  void SetCurrentGameMode(int mode);
  int GetCurrentGameMode() const { return gameMode_; }
  // Pops every modal window that has a parent; the root screen stays.
  void QuitToMainMenu();
  // The current profile's volume levels (thousandths) to the sound groups.
  void ApplyUserVolumes();
  // Opens the 1024 x 768 display in the stored mode, then applies the volumes.
  void OpenGameDisplay();
  void StoreFullScreenPref();
  bool IsFullScreen() const;

  // Writes the current player's eleven progress keys and "LocInfoPass" in
  // one write of the file. False (logged) with no current player, a blob
  // above kSaveBlobMaxSize, or when the write failed: then the file keeps the
  // last save whole, the progress stays in memory and the next save (the
  // next save point, or the program's end) writes it; the first such failure
  // is told to the player (TellNoticesWhenDue). Within a player's creation,
  // choice or deletion the write is that operation's, and so is its result
  // (true here). A user folder that cannot be made at all is told at the
  // start, in the same words, and only then.
  bool SaveProgress();
  // The last save of the progress failed.
  bool IsSaveFailing() const { return saveFailing_; }
  // The user folder could not be made at the start (told then): nothing is ever saved.
  bool IsWithoutUserFolder() const { return withoutUserFolder_; }
  // Once a save has failed, the first time a screen stands (a top modal
  // window that is not the fade of a screen change): the small information
  // pop-up kSaveFailedInfo over it. Once in the life of the manager: a
  // notice that went with the screen it stood on (a screen change that
  // closed both) was not seen, and comes again over the next screen.
  // Likewise, after a saved game that could not be read was kept aside, the
  // pop-up kSaveUnreadableInfo (once for each such save), and after the store
  // started empty because the file itself could not be read (kept aside
  // beside it, docs/prefs.md), kPrefsUnreadableInfo; and at each start while
  // a conflict file of two copies' saves lies beside the preferences file,
  // kPrefsConflictInfo. One notice at a time.
  void TellNoticesWhenDue();
  // New game, then the current player's keys and blob. False when the blob
  // has another version (keys loaded, lists empty) or is damaged (lists
  // empty); `why` then says what was wrong.
  bool LoadProgress(TString* why = nullptr);

  // Volume of a stored level: 0 below 100, else the square root of level/1000.
  static float VolumeOfLevel(int level);

private:
  enum class TSaveNotice { kNone, kDue, kShowing, kGiven };
  // What a notice shows (one of the pop-ups of the notices) and the state it is in.
  struct TNotice {
    const char* info;     // the pop-up that tells it
    TSaveNotice state = TSaveNotice::kNone;
    uint32_t screen = 0;  // the top modal window it was opened over
    uint32_t window = 0;  // its own modal window
  };
  // Opens the notice's pop-up over the top modal window once it is due and a
  // screen stands; follows it until the player has seen it (see TellNoticesWhenDue).
  void TellWhenDue(TNotice& notice);

  // One operation that promises a save (a save of the progress, a player's
  // creation, choice or deletion): its changes go to the file in one write
  // when the outermost such operation ends, and that write's real result is
  // noted once (NoteSaveResult), under the outermost operation's
  // description. Operations inside another one only add to its write.
  class TSaveScope {
  public:
    explicit TSaveScope(UserInfo& users);
    ~TSaveScope() { End(); }
    TSaveScope(const TSaveScope&) = delete;
    TSaveScope& operator=(const TSaveScope&) = delete;
    // A write is due (changes were made with the save request).
    void Promise() { users_.savePromised_ = true; }
    // The save cannot be made (logged by the caller): the operation fails.
    void Refuse() { users_.savePromised_ = users_.saveRefused_ = true; }
    // What the log lines name (the progress of player "Ann", say): the
    // outermost operation's words, else the first given.
    void Describe(const TString& what);
    // Ends the operation: the outermost writes and notes the result, which
    // it returns; one inside another gives true (its write is put off).
    bool End();

  private:
    UserInfo& users_;
    bool outermost_;
    bool ended_ = false;
    bool result_ = true;
  };

  int CurrentProfile(const char* forWhat) const;
  void NoteSaveResult(const TString& what, bool written);
  void KeepUnreadableSave(int user, const TString& why);

  std::unique_ptr<TPrefs> prefs_;
  int gameMode_ = 0;
  bool lastLoadOtherVersion_ = false;
  uint32_t lastLoadVersion_ = 0;
  bool saveFailing_ = false;
  bool withoutUserFolder_ = false;
  // The operations that promise a save, open now; what the outermost's
  // write holds and how it is named.
  int saveScopes_ = 0;
  bool savePromised_ = false, saveRefused_ = false;
  TString saveWhat_;
  TString failedWhat_;  // the first save that failed since the last one written
  TNotice saveNotice_{kSaveFailedInfo};
  TNotice unreadableNotice_{kSaveUnreadableInfo};
  TNotice conflictNotice_{kPrefsConflictInfo};
  std::unique_ptr<TLuaBindings> bindings_;  // last: unbound first
};

// The profile manager; null before start-up and after shut-down.
UserInfo* GetUserInfo();
// The manager's TellNoticesWhenDue; the main loop calls it after each event.
void TellNoticesWhenDue();
// Saves and deletes the current manager (when any), then makes a new one.
void RecreateUserInfo();
// Saves and deletes the current manager. Nothing can try again after this
// save: when it fails, the log and standard error say the progress since the
// last save written is lost.
void DeleteUserInfo();
