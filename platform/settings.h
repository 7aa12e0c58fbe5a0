// Start-up settings: one process-wide map from a setting name to its text,
// and the command line that feeds it.
//
// Values come from three sources, weakest first: built-in defaults (the game
// and the framework), the settings files ("::assets/settings.xml", then
// "common:settings.xml", then "user:settings.xml") and the command line
// ("options=" pairs and the named options). A weaker source never replaces a
// value from a stronger one; SetSetting at run time always replaces.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/string.h"

enum class TSettingSource { kDefault = 0, kFile = 1, kCommandLine = 2 };

// Stores a value, replacing an earlier value of the key. Never fails.
void SetSetting(const TString& key, const TString& value);
// Stores a value from a start-up source; ignored when the key already holds
// a value from a stronger source.
void SetSettingFrom(const TString& key, const TString& value, TSettingSource source);
// The stored value, or the default (empty when none is given).
TString GetSettingString(const TString& key, const TString& defaultValue = TString());
// True when the value reads as a non-zero integer ("2" yes; "0", "", "abc" and absent no).
bool GetSettingBool(const TString& key);
int GetSettingInt(const TString& key, int defaultValue = 0);
float GetSettingFloat(const TString& key, float defaultValue = 0.0f);
bool HasSetting(const TString& key);
// Every key and value, in key order.
std::map<std::string, std::string> GetAllSettings();
void ClearSettings();

// Settings that only the person starting the program may give: what the
// command line's own words set, the options for tests and limits (a run
// without a window, its frames, screenshot and input script, the user and
// desktop folders, a second copy, the script limits, ...) and those that
// choose a program or a library to run ("browser", "particlelibrary").
// They come from the command line only: a settings file that sets one gets
// a log line and the key is ignored.
bool IsCommandLineOnly(const TString& key);

// Reads a settings file: <settings><setting name="key" value="text"/>...</settings>.
// A missing file is not an error (false, no log); a damaged one is logged and skipped.
// A key that comes from the command line only is logged and ignored; the
// file's other keys are kept.
bool LoadSettingsFile(const TString& fileName, TSettingSource source = TSettingSource::kFile);

// The three settings files, in order of strength: the data's own
// "assets/settings.xml" in the working folder (the data folder; the program
// folder of a game that keeps its data beside the program), then
// "common:settings.xml" and "user:settings.xml" (a later one overrides an
// earlier one). The first is loaded on its own (it may name the game, and so
// the user folder the other two lie in).
enum class TStartupSettingsFiles { kProgramFolder, kUserFolder };
void LoadStartupSettingsFiles(TStartupSettingsFiles which);

// What the command line asked for. Every field also lands in the settings map
// under the key named in its comment.
struct TCommandLine {
  std::string text;          // "cmdline": the words joined by blanks
  std::string hostWindow;    // "-wnd=<handle>"           -> "hostwindow"
  bool multiple = false;     // "--multiple"              -> "multiple" = "1"
  std::string cheat;         // "--cheat <code>" or "--cheat=<code>" -> "cheat"
  std::string portal;        // "-msn", "-zylom", "-aol"  -> "portal" = "msn" | "zylom" | "aol"
  bool axTest = false;       // "--axtest"                -> "axtest" = "1"
  std::string workFolder;    // "-wd=<folder>"            -> "workfolder"
  std::string browser;       // "-host=<program>"         -> "browser"
  bool hasPq = false;        // "-pq=<value>"             -> "pq"
  std::string pq;
  std::string comInterval;   // "-com_interval=<n>" or "-com_interval <n>" -> "com_interval"
  std::string tester;        // the last word, when it is not an option -> "tester"
  std::string dataFolder;    // "--data=<folder>": where the game's data is (not a setting)
  bool help = false;         // "--help" or "-h": the usage is printed, nothing runs
  bool version = false;      // "--version": the version is printed, nothing runs
  std::vector<std::pair<std::string, std::string>> options;  // "options=k=v,k2=v2"
  std::vector<std::string> unknown;                          // options we do not know (logged)
  // Words that cannot be taken ("frames" that is no number, "--data=" without
  // a folder): each a sentence for the person who typed them. The program
  // does not start with any of them.
  std::vector<std::string> errors;
};

// Why an option's value cannot be taken ("frames" must be a whole number,
// "headless" 0 or 1, "screenshot" a file name...); empty when it can or the
// key is not one whose values are checked.
std::string CheckOptionValue(const std::string& key, const std::string& value);

// Parses the words after the program name. Does not touch the settings map.
TCommandLine ParseCommandLine(const std::vector<std::string>& words);
// Stores a parsed command line in the settings map at command-line strength.
void ApplyCommandLine(const TCommandLine& commandLine);
// The command line applied last (empty before).
const TCommandLine& GetCommandLine();
// True when the command line held "-pq=".
bool HasPqArgument();
