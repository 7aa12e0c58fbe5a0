// Virtual folders and the resolution of virtual file names.
//
// A name is one of:
//   "user:<path>"     the player's writable folder (log, prefs, user settings)
//   "common:<path>"   the "common/" folder inside it (shared display settings)
//   "desktop:<path>"  the desktop folder (wallpapers)
//   "::<path>"        the program folder
//   "@<n>:<offset>,<size>"  a byte range of pack archive number n
//   "<path>"          an asset: the working folder, then its "assets/" folder,
//                     then the members of the pack archives; a loose file beats
//                     an archive member; a case-insensitive match is the fallback.
// "\" separators become "/". A ".." component is always refused (with a log
// line); absolute paths are refused too once SetRefuseAbsolutePaths(true) is
// set (the game does, since names come from scripts and XML).
//
// Folders: "user:" is $XDG_DATA_HOME/<publisher>/<gamename>/ (default
// ~/.local/share/...) built from the settings "publisher" and "gamename"; the
// setting "userfolder" replaces it. "desktop:" is the XDG desktop folder (the
// setting "desktopfolder" replaces it; with "userfolder", its "Desktop/"); "::" is the executable's folder (the
// setting "programfolder" replaces it). Part of platform/; uses settings and log.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/string.h"

// The user's home folder: $HOME when it is an absolute path, else the home
// the password database gives the user (getpwuid_r); empty when neither
// does. No trailing "/".
std::string GetHomeFolder();
// Tests: a stand-in for the password database's answer (null: the database).
void SetPasswordHomeLookup(std::string (*lookup)());

// The user's folder of an XDG kind ("PICTURES", "DOCUMENTS", "DESKTOP"...).
// With the setting "userfolder" (tests; a player who keeps every file of the
// game in one folder): "<userfolder>/<fallback>". Else the variable
// XDG_<kind>_DIR when it is an absolute path; else the last line
// XDG_<kind>_DIR="..." of user-dirs.dirs in $XDG_CONFIG_HOME (default
// <home>/.config; its first 64 KiB) that gives one, "$HOME" expanded; else
// <home>/<fallback>. No trailing "/"; the folder is not created. Empty when
// it would need a home folder and there is none.
std::string GetXdgUserFolder(const std::string& kind, const std::string& fallback);
// The absolute folder that the text of a user-dirs.dirs file gives for the
// kind (at most 1000 lines are looked at), `home` standing for "$HOME";
// empty when none.
std::string FindUserDirsValue(const std::string& text, const std::string& kind, const std::string& home);

// Absolute folder paths, each ending in "/". They are not created here.
// "user:", "common:" and "desktop:" are empty when they would lie in a home
// folder and there is none (no shared folder stands in for it): names in
// them then resolve to nothing and cannot be written.
TString GetUserFolder();
TString GetCommonFolder();
TString GetDesktopFolder();
TString GetProgramFolder();

// The working folder's absolute path, ending in "/".
TString GetWorkingFolder();

// Where a virtual name lives on disk. For "user:", "common:", "desktop:" and
// "::" names: the path inside that folder whether or not the file exists (with
// `forWriting` the parent folders are created). For asset names: the loose
// file that would be read, or empty when there is none (archive members and
// memory files have no disk path). Empty for refused names.
TString GetDiskPath(const TString& name, bool forWriting = false);

// The file layer's clock, a seam for tests: `now` gives the wall clock in
// nanoseconds (null: the system's), and every file time the layer reads is
// rounded down to a multiple of `tickNs` (0: as the file system keeps it), as
// a file system whose times move in ticks keeps them.
void SetFileLayerClock(int64_t (*now)(), int64_t tickNs);

// Refuse absolute paths in names (they may only come from data once the game runs).
void SetRefuseAbsolutePaths(bool refuse);
bool GetRefuseAbsolutePaths();

// What a name resolves to for reading.
struct TMountedArchive;
struct TResolvedName {
  enum Kind { kNone, kDisk, kArchive, kMemory } kind = kNone;
  TString path;          // kDisk: the file's path; kMemory: the registered key
  int archive = -1;      // kArchive: archive number
  std::shared_ptr<TMountedArchive> mounted;  // kArchive: that archive, as mounted when resolved
  int64_t offset = 0;    // kArchive: the member's range inside the archive
  int64_t size = 0;
  size_t entry = SIZE_MAX;  // kArchive found by name: the member's index in mounted->entries
};
// Resolves a name for reading; false when nothing matches or the name is refused.
bool ResolveFileName(const TString& name, TResolvedName& out);

// "\" -> "/", "./" and doubled "/" removed. Empty (and one log line) when the name
// holds a ".." component, a NUL, or is absolute while absolute paths are refused.
TString NormalizeFileName(const TString& name);

// Whether a name names an asset of the game: no virtual folder ("user:",
// "common:", "desktop:", "::"), no archive range, not absolute, no "..".
// What scripts may load.
bool IsAssetName(const TString& name);

// Lower-cases ASCII letters (archive member names and case-insensitive lookups).
std::string LowerAscii(const std::string& text);

// The path without its trailing "/"s ("/" itself stays).
std::string TrimSlashes(std::string path);

// Creates a folder and its parents (those it makes get `mode`: by default
// the user's alone); true when it exists afterwards. The home folder
// (GetHomeFolder) is never made: a path through a missing one fails with
// ENOENT.
bool MakeFolders(const std::string& path, mode_t mode = 0700);

// Finds `relative` under `base` allowing different letter case in every
// component; returns the real path or empty. Directory listings are cached
// while the directory stays unchanged.
std::string FindCaseInsensitive(const std::string& base, const std::string& relative);

// Drops the cached directory listings and the mounted pack archives; the next
// lookup scans again (after tools wrote files, or in tests).
void RefreshFileLayer();
