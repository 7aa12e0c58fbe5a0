// TPrefs: the player preferences store "user:prefs.dat".
//
// One global map (user index -1) and user maps 0 .. n-1, each from a key to a
// text or binary value. The file is enciphered with Blowfish under the
// start-up setting "encryptionkey"; its layout is in docs/prefs.md. A save
// writes a temporary file of its own ("prefs.dat.tmp.<pid>.<random>"), flushes
// it to the disk and renames it over "prefs.dat", keeping the previous file as
// "prefs.dat.bak". A save that finds "prefs.dat" changed since this store
// read or wrote it (another copy of the game saved meanwhile) leaves it as it
// is and writes this store's content to a file of its own,
// "prefs.dat.conflict" (numbered when taken), then and at every later save:
// both are kept, and the log says where. Whether the file changed is decided
// on its content: another copy that saved the same content (with other
// bytes) changed nothing, and a save of unchanged content writes nothing.
// Conflict files found at loading are listed. A damaged or
// unreadable file is never destroyed: it is moved aside as
// "prefs.dat.damaged" (numbered when that exists), and the backup is read
// instead; a damaged backup is moved aside too ("prefs.dat.bak.damaged"), and
// the store starts empty. The older plain-XML form is read too
// (and written in the enciphered form on the next save).
// Part of platform/; uses the file layer, settings, log and nettle.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/string.h"

constexpr uint32_t kPrefsVersion = 1;
constexpr size_t kPrefsMaxPlainSize = 16u << 20;
constexpr int kPrefsMaxUsers = 10000;
// The key used when the setting "encryptionkey" is empty.
extern const char* const kDefaultPrefsKey;

struct TPrefsValue {
  bool binary = false;
  std::string bytes;
};
using TPrefsMap = std::map<std::string, TPrefsValue>;

// The whole content of a preferences file.
struct TPrefsData {
  std::string installKey;  // made once per installation, kept across saves
  TPrefsMap global;
  std::vector<TPrefsMap> users;
};

// The enciphered form. Parse gives false (with a reason) for anything damaged,
// including a wrong key.
bool ParsePrefs(const uint8_t* data, size_t size, const TString& key, TPrefsData& out, TString* error = nullptr);
std::vector<uint8_t> SerializePrefs(const TPrefsData& data, const TString& key);
// The plain-XML form: <prefs><installkey>..</installkey><value name=".." [type="data"]>..</value>
// <user><value ..>..</value></user>...</prefs>; binary values in hexadecimal.
bool ParsePrefsXml(const std::string& text, TPrefsData& out, TString* error = nullptr);
std::string PrefsToXml(const TPrefsData& data);
// The deciphered chunk stream alone (the part behind the cipher).
bool ParsePrefsPlain(const uint8_t* data, size_t size, TPrefsData& out, TString* error = nullptr);
// Either form, told apart by the first bytes.
bool ParsePrefsAny(const uint8_t* data, size_t size, const TString& key, TPrefsData& out, TString* error = nullptr);

class TPrefs {
public:
  // Where the content came from when the store was loaded.
  enum TOrigin { kNoFile, kMainFile, kBackupFile, kDamagedStartedEmpty };

  // `flag`: 1 for the game. Loads "user:prefs.dat" with the "encryptionkey" setting.
  explicit TPrefs(int flag = 1);
  // A store over another file (and key); used by the tools and tests.
  TPrefs(const TString& fileName, const TString& key);
  ~TPrefs() = default;
  TPrefs(const TPrefs&) = delete;
  TPrefs& operator=(const TPrefs&) = delete;

  // The number of user maps (the global map not counted).
  int GetUserCount() const { return int(data_.users.size()); }
  // The value read as a decimal integer, or the default when the user or key is absent.
  int GetInt(const TString& key, int defaultValue, int user = -1) const;
  TString GetString(const TString& key, const TString& defaultValue, int user = -1) const;
  // Copies the value and returns 0; returns the value's size without copying
  // when the buffer is too small; -1 when the key is absent. `length` (when
  // given) receives the value's size in every case but the last.
  int GetData(const TString& key, void* buffer, int capacity, int user = -1, int* length = nullptr) const;

  // Each stores the value (creating the user's map, and any before it, when
  // needed); with `save` non-zero the file is written at once. False when the
  // user index is invalid or the write failed (logged).
  bool SetInt(const TString& key, int value, int user = -1, int save = 0);
  bool SetString(const TString& key, const TString& value, int user = -1, int save = 0);
  bool SetData(const TString& key, const void* bytes, int length, int user = -1, int save = 0);
  // Removes the user's map; later users move down by one. False for a bad index.
  bool DeleteUser(int user);

  // Writes the file now; false (logged) when it could not be written. While
  // a batch is open the write is put off to the batch's end (true).
  bool Save();

  // Groups changes into one write of the file: while a batch is open, Save
  // and the save request of Set* only note that a write is wanted; closing
  // the outermost batch writes once when one was. Batches nest. EndBatch
  // gives the write's result (true when nothing was written).
  void BeginBatch() { ++batchDepth_; }
  bool EndBatch();
  bool InBatch() const { return batchDepth_ > 0; }

  TOrigin GetOrigin() const { return origin_; }
  // The files that saves kept beside this one because another copy had
  // changed it meanwhile ("<name>.conflict", "<name>.conflict.<n>"), as
  // found when the store was loaded (each logged): the game tells the player.
  const std::vector<TString>& GetConflictFiles() const { return conflicts_; }
  const TPrefsData& GetData() const { return data_; }
  const TString& GetFileName() const { return fileName_; }

private:
  void Load();
  void FindConflictFiles();
  bool Store(const TString& key, TPrefsValue value, int user, int save);
  // Writes this store's bytes (in the temporary file `temp`) to its own file
  // beside the main one, which another copy changed.
  bool KeepAside(const TString& temp, const std::vector<uint8_t>& bytes);
  const TPrefsValue* Find(const TString& key, int user) const;

  TString fileName_;
  TString key_;
  TPrefsData data_;
  TOrigin origin_ = kNoFile;
  // A digest of the main file as this store read or last wrote it (empty:
  // there was none), and of its content (empty: not known). A save that
  // finds other content there does not replace it; a save of the content
  // the file still holds writes nothing.
  std::string baseDigest_;
  std::string baseContent_;
  bool rewrite_ = false;  // the file is in the plain-XML form: written at the next save
  std::vector<TString> conflicts_;
  TString keptAs_;  // this store's own file once the main file was changed under it
  int batchDepth_ = 0;
  bool batchWrite_ = false;
};

// A batch for the lifetime of a scope; Commit ends it early with the result.
class TPrefsBatch {
public:
  explicit TPrefsBatch(TPrefs& prefs) : prefs_(&prefs) { prefs.BeginBatch(); }
  ~TPrefsBatch() { Commit(); }
  bool Commit() {
    if (!prefs_) return result_;
    TPrefs* prefs = prefs_;
    prefs_ = nullptr;
    return result_ = prefs->EndBatch();
  }
  TPrefsBatch(const TPrefsBatch&) = delete;
  TPrefsBatch& operator=(const TPrefsBatch&) = delete;

private:
  TPrefs* prefs_;
  bool result_ = true;
};
