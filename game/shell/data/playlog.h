// game/shell/data: the game data: main.xml and the level model, progress, saves, profiles, play log.
// Play statistics for testers.
//
// When the program is started with a tester's id as the last word of its
// command line, each finished level's statistics (play time, clicks, hits,
// hints) are appended to "playlog<id>.txt" in the user's XDG Documents folder
// and posted to "<server>/playlog.php", and at exit "<server>/gameOver.php"
// is opened in the browser. Without an id nothing is written, sent or
// opened; without a server (start-up setting "playlogserver", empty by
// default) only the file is written.
//
// The id must be a real last word: not an option ("-..." or "key=value"),
// not the value of an option that takes one ("--cheat", "-com_interval"), at
// most 99 characters of A-Z a-z 0-9 "_" "." "-".
//
// The upload never blocks the game: UploadPlayLog starts it and returns; the
// platform's task list (or the caller, through PumpPlayLogUpload) then looks
// at the request after 100 ms, and repeats it while it fails, up to three
// attempts polled every 100, 500 and 1000 ms. Each attempt has a connect and
// a total time-out (setting "playlogtimeout", 10000 ms by default). The file
// line is written when the attempts end, whatever their outcome.
//
// Who calls what: the game's main calls StartPlayLog with the command line at
// start-up, and FinishPlayLog and OpenGameOverPage at exit after a quit event;
// the play screen calls PlayLog::Reset and PlayLog::SetLevelName when a level
// starts, the counters while it runs, and UploadPlayLog when the level ends
// and when the player quits from it. Everything runs on the main thread.
// Depends on platform/ (HTTP, settings, log) and platform/host.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/string.h"

// The process-wide statistics record.
struct TPlayLogRecord {
  std::string testerId;  // empty: the feature is off
  TString levelName;
  float timeLevelPlay = 0.0f;             // seconds, the sum of the play screen's frame times
  float avgTimeBetweenClicks = 0.0f;      // worked out at upload
  int clicks = 0;                         // clicks on the play field
  int foundClicks = 0;                    // clicks (or tool uses) that found an object
  float timeUntilFirstHint = 0.0f;        // play time at the first hint; 0 = none yet
  float ratioSuccessfulClicks = 0.0f;     // integer percent, worked out at upload
  int hintsUsed = 0;
  float avgTimeBetweenItemsFound = 0.0f;  // worked out at upload
};

class PlayLog {
public:
  static const TPlayLogRecord& Get();
  // Level name "", every number 0 (the tester id stays).
  static void Reset();
  static void SetLevelName(const TString& name);
  static void AddTime(float seconds);
  static void CountClick();
  static void CountFoundClick();
  static void CountHint();
  // Notes the play time as the time of the first hint, unless one was noted.
  static void NoteFirstHint();

  // Works out the ratio (integer percent; kept when there were no clicks) and
  // the two averages (0 without clicks or finds).
  static void ComputeAverages();
  // The form fields of an upload, in order, values formatted ("%10.2f",
  // "%d", the ratio "%10.2f %%") and not yet URL-encoded.
  static std::vector<std::pair<std::string, std::string>> FormFields();
  // The play-log file's line: "LevelName=<name>", then a tab, each further
  // field's name and value, and a final tab and "\n". Control characters in
  // the level name become blanks.
  static std::string FileLine();
};

// The tester id of a command line (its words joined by blanks), or "".
std::string TesterIdFromCommandLine(const std::string& commandLine);
// Sets the tester id from the command line (see above); logs when one is given.
void StartPlayLog(const std::string& commandLine);

// "<XDG Documents>/playlog<id>.txt"; "" without an id.
std::string PlayLogFilePath();
// Appends FileLine to the play-log file (the folder is made when missing); a
// file that cannot be opened is logged and skipped. Nothing without an id.
void WritePlayLogFile();

// With an id: works out the averages and starts the upload of the current
// record (queued behind one still running); without a server, writes the file
// line at once. Returns at once.
void UploadPlayLog();
// Advances the upload; never blocks. True while an upload is running or queued.
bool PumpPlayLogUpload();
// Waits at most `maxMs` for running uploads, then cancels the rest; the file
// line of every upload is written either way.
void FinishPlayLog(uint32_t maxMs = 3000);
// Attempts made by the last finished upload (0 before the first).
int GetLastPlayLogAttempts();

// With an id and a server: opens "<server>/gameOver.php?license=<encoded id>"
// through the URL opener (TPlatform::OpenUrl by default; never a shell).
void OpenGameOverPage();
// Replaces the URL opener (tests); an empty function restores the default.
void SetPlayLogUrlOpener(std::function<void(const std::string&)> opener);
