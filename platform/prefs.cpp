#include "platform/prefs.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <nettle/blowfish.h>
#include <nettle/cbc.h>
#include <nettle/sha2.h>
#include <sys/random.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/file.h"
#include "platform/fileinternal.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "platform/readfile.h"
#include "platform/settings.h"
#include "platform/xml.h"

const char* const kDefaultPrefsKey = "tosvilqeZZZZ";

namespace {

constexpr size_t kHeaderSize = 24;  // magic, version, plain length, CRC-32, IV
constexpr size_t kBlock = BLOWFISH_BLOCK_SIZE;

void MakeCipher(const TString& key, blowfish_ctx& ctx) {
  const std::string& text = key.IsEmpty() ? std::string(kDefaultPrefsKey) : key.str();
  sha256_ctx sha;
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_init(&sha);
  sha256_update(&sha, text.size(), reinterpret_cast<const uint8_t*>(text.data()));
  sha256_digest(&sha, sizeof digest, digest);
  blowfish_set_key(&ctx, sizeof digest, digest);
}

void RandomBytes(uint8_t* out, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t got = ::getrandom(out + done, n - done, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += size_t(got);
  }
  for (; done < n; ++done) out[done] = uint8_t(std::rand());
}

void AppendChunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& payload) {
  out.insert(out.end(), tag, tag + 4);
  AppendLe(out, payload.size(), 4);
  out.insert(out.end(), payload.begin(), payload.end());
}

std::vector<uint8_t> PairChunks(const TPrefsMap& map) {
  std::vector<uint8_t> out;
  for (const auto& kv : map) {
    std::vector<uint8_t> pair;
    pair.push_back(kv.second.binary ? 1 : 0);
    AppendLe(pair, kv.first.size(), 2);
    pair.insert(pair.end(), kv.first.begin(), kv.first.end());
    pair.insert(pair.end(), kv.second.bytes.begin(), kv.second.bytes.end());
    AppendChunk(out, "KVPR", pair);
  }
  return out;
}

// Walks a chunk stream; `visit` gets each tag and payload and may refuse it.
template <class Visit>
bool WalkChunks(const uint8_t* p, size_t size, TString& error, Visit visit) {
  while (size > 0) {
    if (size < 8) {
      error = "chunk header cut short";
      return false;
    }
    uint32_t length = ReadLe32(p + 4);
    if (length > size - 8) {
      error = "chunk runs past the end";
      return false;
    }
    if (!visit(std::string(reinterpret_cast<const char*>(p), 4), p + 8, size_t(length))) return false;
    p += 8 + length;
    size -= 8 + length;
  }
  return true;
}

bool ParsePair(const uint8_t* p, size_t size, TPrefsMap& map, TString& error) {
  if (size < 3 || p[0] > 1) {
    error = "damaged key/value pair";
    return false;
  }
  size_t keyLength = ReadLe16(p + 1);
  if (keyLength == 0 || keyLength > size - 3) {
    error = "damaged key/value pair";
    return false;
  }
  TPrefsValue v;
  v.binary = p[0] == 1;
  v.bytes.assign(reinterpret_cast<const char*>(p + 3 + keyLength), size - 3 - keyLength);
  map[std::string(reinterpret_cast<const char*>(p + 3), keyLength)] = std::move(v);
  return true;
}

bool ParsePlain(const uint8_t* p, size_t size, TPrefsData& out, TString& error) {
  bool haveKey = false;
  return WalkChunks(p, size, error, [&](const std::string& tag, const uint8_t* body, size_t length) {
    if (tag == "IKEY") {
      if (haveKey) {
        error = "two install keys";
        return false;
      }
      haveKey = true;
      out.installKey.assign(reinterpret_cast<const char*>(body), length);
      return true;
    }
    if (tag == "KVPR") return ParsePair(body, length, out.global, error);
    if (tag == "USER") {
      if (out.users.size() >= size_t(kPrefsMaxUsers)) {
        error = "too many users";
        return false;
      }
      out.users.emplace_back();
      TPrefsMap& map = out.users.back();
      return WalkChunks(body, length, error, [&](const std::string& inner, const uint8_t* b, size_t n) {
        return inner != "KVPR" || ParsePair(b, n, map, error);  // unknown chunks are skipped
      });
    }
    return true;  // a chunk of a later version: skipped
  });
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool Unhex(const std::string& text, std::string& out) {
  out.clear();
  auto nibble = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string digits;
  for (char c : text)
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') digits += c;
  if (digits.size() % 2) return false;
  for (size_t i = 0; i < digits.size(); i += 2) {
    int hi = nibble(digits[i]), lo = nibble(digits[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += char(hi * 16 + lo);
  }
  return true;
}

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// Text that survives an XML round trip as element text.
bool IsPlainText(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 && c != '\t' && c != '\n') return false;
  return text.empty() || (text.front() != ' ' && text.back() != ' ' && text.back() != '\n');
}

void MapToXml(const TPrefsMap& map, const char* indent, std::string& out) {
  for (const auto& kv : map) {
    bool data = kv.second.binary || !IsPlainText(kv.second.bytes);
    out += indent;
    out += "<value name=\"" + XmlEscape(kv.first) + "\"" + (data ? " type=\"data\">" : ">");
    out += data ? Hex(kv.second.bytes) : XmlEscape(kv.second.bytes);
    out += "</value>\n";
  }
}

bool XmlToMap(TXmlNode& node, TPrefsMap& map, TString& error) {
  TString name;
  TXmlNode* child = nullptr;
  node.BeginChildren();
  while (node.NextChild(name, child)) {
    if (name != "value") continue;
    std::string key = child->GetAttribute("name").str();
    if (key.empty() || key.size() > 0xFFFF) {
      error = "a value without a usable name";
      return false;
    }
    TPrefsValue v;
    v.binary = child->GetAttribute("type") == "data";
    if (v.binary) {
      if (!Unhex(child->GetText().str(), v.bytes)) {
        error = TString::Printf("the value \"%s\" is not hexadecimal", key.c_str());
        return false;
      }
    } else {
      v.bytes = child->GetText().str();
    }
    map[key] = std::move(v);
  }
  return true;
}

}  // namespace

namespace {
// The chunk stream of the content: the same content gives the same bytes.
std::vector<uint8_t> PlainChunks(const TPrefsData& data) {
  std::vector<uint8_t> plain;
  AppendChunk(plain, "IKEY", std::vector<uint8_t>(data.installKey.begin(), data.installKey.end()));
  std::vector<uint8_t> global = PairChunks(data.global);
  plain.insert(plain.end(), global.begin(), global.end());
  for (const TPrefsMap& user : data.users) AppendChunk(plain, "USER", PairChunks(user));
  return plain;
}
}  // namespace

std::vector<uint8_t> SerializePrefs(const TPrefsData& data, const TString& key) {
  std::vector<uint8_t> plain = PlainChunks(data);

  std::vector<uint8_t> out = {'K', 'P', 'R', 'F'};
  AppendLe(out, kPrefsVersion, 4);
  AppendLe(out, plain.size(), 4);
  AppendLe(out, crc32(0, plain.data(), uInt(plain.size())), 4);
  uint8_t iv[kBlock];
  RandomBytes(iv, kBlock);
  out.insert(out.end(), iv, iv + kBlock);
  size_t pad = kBlock - plain.size() % kBlock;
  plain.insert(plain.end(), pad, uint8_t(pad));
  blowfish_ctx ctx;
  MakeCipher(key, ctx);
  size_t start = out.size();
  out.resize(start + plain.size());
  cbc_encrypt(&ctx, reinterpret_cast<nettle_cipher_func*>(blowfish_encrypt), kBlock, iv, plain.size(),
              out.data() + start, plain.data());
  return out;
}

bool ParsePrefs(const uint8_t* data, size_t size, const TString& key, TPrefsData& out, TString* error) {
  out = TPrefsData();
  auto fail = [&](const char* reason) {
    if (error) *error = reason;
    out = TPrefsData();
    return false;
  };
  if (size < kHeaderSize) return fail("shorter than its header");
  if (std::memcmp(data, "KPRF", 4) != 0) return fail("not a preferences file");
  if (ReadLe32(data + 4) != kPrefsVersion) return fail("a version this program does not know");
  uint32_t plainSize = ReadLe32(data + 8);
  if (plainSize > kPrefsMaxPlainSize) return fail("larger than the limit");
  size_t cipherSize = (plainSize / kBlock + 1) * kBlock;
  if (size - kHeaderSize != cipherSize) return fail("cut short or padded");
  uint8_t iv[kBlock];
  std::memcpy(iv, data + 16, kBlock);
  std::vector<uint8_t> plain(cipherSize);
  blowfish_ctx ctx;
  MakeCipher(key, ctx);
  cbc_decrypt(&ctx, reinterpret_cast<nettle_cipher_func*>(blowfish_decrypt), kBlock, iv, cipherSize, plain.data(),
              data + kHeaderSize);
  size_t pad = plain.back();
  bool padOk = pad == cipherSize - plainSize;
  for (size_t i = plainSize; padOk && i < cipherSize; ++i) padOk = plain[i] == pad;
  if (!padOk || crc32(0, plain.data(), uInt(plainSize)) != ReadLe32(data + 12))
    return fail("wrong key or damaged contents");
  return ParsePrefsPlain(plain.data(), plainSize, out, error);
}

bool ParsePrefsPlain(const uint8_t* data, size_t size, TPrefsData& out, TString* error) {
  out = TPrefsData();
  TString why;
  if (size <= kPrefsMaxPlainSize && ParsePlain(data, size, out, why)) return true;
  if (error) *error = why.IsEmpty() ? TString("larger than the limit") : why;
  out = TPrefsData();
  return false;
}

bool ParsePrefsXml(const std::string& text, TPrefsData& out, TString* error) {
  out = TPrefsData();
  TString why;
  TXmlNode root;
  if (!root.LoadText(text, "preferences (XML)")) why = "damaged XML";
  else if (root.GetName() != "prefs") why = "the root element is not <prefs>";
  else if (XmlToMap(root, out.global, why)) {
    TString name;
    TXmlNode* child = nullptr;
    root.BeginChildren();
    while (why.IsEmpty() && root.NextChild(name, child)) {
      if (name == "installkey") {
        out.installKey = child->GetText().str();
      } else if (name == "user") {
        if (out.users.size() >= size_t(kPrefsMaxUsers)) why = "too many users";
        out.users.emplace_back();
        XmlToMap(*child, out.users.back(), why);
      }
    }
  }
  if (why.IsEmpty()) return true;
  if (error) *error = why;
  out = TPrefsData();
  return false;
}

std::string PrefsToXml(const TPrefsData& data) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<prefs>\n";
  if (!data.installKey.empty()) out += "  <installkey>" + XmlEscape(data.installKey) + "</installkey>\n";
  MapToXml(data.global, "  ", out);
  for (const TPrefsMap& user : data.users) {
    out += "  <user>\n";
    MapToXml(user, "    ", out);
    out += "  </user>\n";
  }
  return out + "</prefs>\n";
}

bool ParsePrefsAny(const uint8_t* data, size_t size, const TString& key, TPrefsData& out, TString* error) {
  size_t i = 0;
  if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) i = 3;
  while (i < size && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n')) ++i;
  if (i < size && data[i] == '<')
    return ParsePrefsXml(std::string(reinterpret_cast<const char*>(data), size), out, error);
  return ParsePrefs(data, size, key, out, error);
}

namespace {

std::string Digest(const uint8_t* data, size_t size) {
  sha256_ctx sha;
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_init(&sha);
  sha256_update(&sha, size, data);
  sha256_digest(&sha, sizeof digest, digest);
  return std::string(reinterpret_cast<char*>(digest), sizeof digest);
}

// The digest of a file's bytes: empty when there is no file, "?" when it
// cannot be read (never a digest).
std::string DigestOf(const TString& name) {
  if (!FileExists(name)) return std::string();
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(name, bytes, kPrefsMaxPlainSize + 4096)) return "?";
  return Digest(bytes.data(), bytes.size());
}

// A digest of the content itself (every file of it, whatever its initial
// vector or form, gives the same one).
std::string ContentDigest(const TPrefsData& data) {
  const std::vector<uint8_t> plain = PlainChunks(data);
  return Digest(plain.data(), plain.size());
}

// The content digest of a preferences file; empty when it is missing or
// cannot be read with the key.
std::string ContentOf(const TString& name, const TString& key) {
  std::vector<uint8_t> bytes;
  TPrefsData data;
  if (!FileExists(name) || !ReadWholeFile(name, bytes, kPrefsMaxPlainSize + 4096) ||
      !ParsePrefsAny(bytes.data(), bytes.size(), key, data))
    return std::string();
  return ContentDigest(data);
}

// Holds an exclusive lock on a folder (flock) while it lives: the saves of
// every copy of the game look at the file and replace it one at a time.
class TFolderLock {
public:
  explicit TFolderLock(const std::string& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~TFolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;
  // Flushes the folder's entries to the disk.
  void Sync() const {
    if (fd_ >= 0) ::fsync(fd_);
  }

private:
  int fd_;
};

}  // namespace

TPrefs::TPrefs(int flag) : fileName_("user:prefs.dat"), key_(GetSettingString("encryptionkey")) { Load(); }

TPrefs::TPrefs(const TString& fileName, const TString& key) : fileName_(fileName), key_(key) { Load(); }

void TPrefs::Load() {
  data_ = TPrefsData();
  origin_ = kNoFile;
  const TString backup = fileName_ + ".bak";
  std::vector<uint8_t> bytes;
  auto read = [&](const TString& name, TString& why) {
    if (!ReadWholeFile(name, bytes, kPrefsMaxPlainSize + 4096)) {
      why = "cannot be read";
      return false;
    }
    return ParsePrefsAny(bytes.data(), bytes.size(), key_, data_, &why);
  };
  // A damaged file goes under a name no save will overwrite: "<name>.damaged",
  // numbered when that is taken. (A changed key makes a good file look damaged.)
  auto setAside = [](const TString& name) {
    TString aside = name + ".damaged";
    for (int i = 1; i < 1000 && FileExists(aside); ++i) aside = name + TString::Printf(".damaged.%d", i);
    return RenameFile(name, aside) ? TString::Printf("kept as %s", aside.c_str()) : TString("left where it is");
  };
  TString why;
  baseDigest_ = DigestOf(fileName_);
  baseContent_.clear();
  rewrite_ = false;
  FindConflictFiles();
  if (FileExists(fileName_)) {
    if (read(fileName_, why)) {
      origin_ = kMainFile;
      baseContent_ = ContentDigest(data_);
      // The plain-XML form is written enciphered at the next save, changed or not.
      rewrite_ = bytes.size() < 4 || std::memcmp(bytes.data(), "KPRF", 4) != 0;
      return;
    }
    TString kept = setAside(fileName_);
    if (!FileExists(fileName_)) baseDigest_.clear();
    TraceOut("Prefs: %s is damaged (%s); %s", fileName_.c_str(), why.c_str(), kept.c_str());
    origin_ = kDamagedStartedEmpty;
  }
  if (FileExists(backup)) {
    if (read(backup, why)) {
      TraceOut("Prefs: read the backup %s", backup.c_str());
      origin_ = kBackupFile;
      return;
    }
    // Left in place, it would be replaced by the second save's backup.
    TString kept = setAside(backup);
    TraceOut("Prefs: the backup %s is damaged too (%s); %s", backup.c_str(), why.c_str(), kept.c_str());
    origin_ = kDamagedStartedEmpty;
  }
  if (origin_ == kDamagedStartedEmpty) TraceOut("Prefs: starting with empty preferences");
}

namespace {

// "<pid>.<16 hex digits>": names that no other process (and no other save of
// this one) uses, so saves running at the same time never share a file.
std::string UniqueSuffix() {
  uint8_t raw[8];
  RandomBytes(raw, sizeof raw);
  return std::to_string(long(::getpid())) + "." + Hex(std::string(reinterpret_cast<char*>(raw), sizeof raw));
}

// Removes "<leaf>.tmp.<pid>.<x>" and "<leaf>.bak.<pid>.<x>" left by processes
// that were killed during a save (their pid no longer runs).
void RemoveLeftovers(const TString& fileName, const std::string& folder, const std::string& leaf) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) return;
  std::vector<std::string> dead;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    for (const char* kind : {".tmp.", ".bak."}) {
      std::string head = leaf + kind;
      if (n.compare(0, head.size(), head) != 0) continue;
      char* end = nullptr;
      long pid = std::strtol(n.c_str() + head.size(), &end, 10);
      if (pid > 0 && end && *end == '.' && pid != long(::getpid()) && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        dead.push_back(n.substr(leaf.size()));
    }
  }
  ::closedir(d);
  for (const std::string& tail : dead) RemoveFile(fileName + TString(tail));
}

}  // namespace

bool TPrefs::EndBatch() {
  if (batchDepth_ == 0 || --batchDepth_ > 0 || !batchWrite_) return true;
  batchWrite_ = false;
  return Save();
}

bool TPrefs::Save() {
  if (batchDepth_ > 0) {
    batchWrite_ = true;
    return true;
  }
  if (data_.installKey.empty()) {
    uint8_t raw[16];
    RandomBytes(raw, sizeof raw);
    data_.installKey = Hex(std::string(reinterpret_cast<char*>(raw), sizeof raw));
  }
  // Nothing changed since the file was read or written: it stays as it is
  // (a save with new bytes would look, to another copy, like a change).
  const std::string content = ContentDigest(data_);
  if (keptAs_.IsEmpty() && !rewrite_ && !baseDigest_.empty() && content == baseContent_ &&
      DigestOf(fileName_) == baseDigest_)
    return true;
  std::vector<uint8_t> bytes = SerializePrefs(data_, key_);
  const std::string unique = UniqueSuffix();
  const TString temp = fileName_ + TString(".tmp." + unique);
  auto fail = [&](const char* why) {
    TraceOut("Prefs: saving %s failed (%s)", fileName_.c_str(), why);
    RemoveFile(temp);
    return false;
  };
  // A file the reader would refuse is never written: the last one stays.
  if (ReadLe32(bytes.data() + 8) > kPrefsMaxPlainSize) return fail("larger than the limit");
  TFile out;
  if (!out.Open(temp, "wbx")) return fail("cannot create the temporary file");
  if (out.Write(bytes.data(), bytes.size()) != bytes.size()) return fail("cannot write the temporary file");
  if (!out.Sync()) return fail("cannot flush the temporary file");
  out.Close();

  TString mainPath = GetDiskPath(fileName_, true);
  if (mainPath.IsEmpty()) return fail("no folder to write to");
  const std::string& path = mainPath.str();
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  TFolderLock lock(folder);
  // Another copy saved since this store read the file, or wrote it last.
  // Saved with the same content (other bytes: a new initial vector), it is
  // no conflict; with the content this store has now, nothing is left to
  // write. With other content its file stays, and this store's content goes
  // to a file of its own.
  bool conflict = !keptAs_.IsEmpty();
  if (!conflict) {
    const std::string disk = DigestOf(fileName_);
    if (disk != baseDigest_) {
      const std::string diskContent = ContentOf(fileName_, key_);
      if (!diskContent.empty() && diskContent == content) {
        RemoveFile(temp);
        baseDigest_ = disk;
        baseContent_ = content;
        rewrite_ = false;
        return true;
      }
      conflict = diskContent.empty() || diskContent != baseContent_;
    }
  }
  if (conflict) {
    if (!KeepAside(temp, bytes)) return fail("cannot keep this copy's preferences beside the file another copy wrote");
    lock.Sync();
    return true;
  }
  if (FileExists(fileName_)) {
    // The previous file becomes the backup, itself replaced atomically.
    const TString fresh = fileName_ + TString(".bak." + unique);
    bool kept = LinkFile(fileName_, fresh);
    if (!kept) {
      std::vector<uint8_t> old;
      TFile copy;
      kept = ReadWholeFile(fileName_, old, kPrefsMaxPlainSize + 4096) && copy.Open(fresh, "wbx") &&
             copy.Write(old.data(), old.size()) == old.size() && copy.Sync();
    }
    if (!kept || !RenameFile(fresh, fileName_ + ".bak"))
      TraceOut("Prefs: could not keep the backup of %s", fileName_.c_str());
    // A rename between two names of one file does nothing (another save may
    // have made the same backup a moment ago): the spare name goes.
    RemoveFile(fresh);
  }
  if (!RenameFile(temp, fileName_)) return fail("cannot replace the file");
  baseDigest_ = Digest(bytes.data(), bytes.size());
  baseContent_ = content;
  rewrite_ = false;
  lock.Sync();
  RemoveLeftovers(fileName_, folder, path.substr(folder.size()));
  return true;
}

void TPrefs::FindConflictFiles() {
  conflicts_.clear();
  const TString disk = GetDiskPath(fileName_, false);
  const std::string& path = disk.str();
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return;
  const std::string leaf = path.substr(slash + 1), head = leaf + ".conflict";
  DIR* d = ::opendir(path.substr(0, slash + 1).c_str());
  if (!d) return;
  std::vector<std::string> tails;
  while (dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n.compare(0, head.size(), head) != 0) continue;
    const std::string number = n.size() > head.size() + 1 && n[head.size()] == '.' ? n.substr(head.size() + 1) : "";
    if (n.size() == head.size() || (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos))
      tails.push_back(n.substr(leaf.size()));
  }
  ::closedir(d);
  std::sort(tails.begin(), tails.end());
  for (const std::string& tail : tails) {
    conflicts_.push_back(fileName_ + TString(tail));
    TraceOut("Prefs: %s holds the preferences a copy of the game kept aside when another copy had changed %s; it "
             "is kept as it is, and the game goes on from %s",
             conflicts_.back().c_str(), fileName_.c_str(), fileName_.c_str());
  }
}

bool TPrefs::KeepAside(const TString& temp, const std::vector<uint8_t>& bytes) {
  if (!keptAs_.IsEmpty()) {
    if (!RenameFile(temp, keptAs_)) return false;
    TraceOut("Prefs: %s was changed by another copy of the game; this copy's preferences are kept as %s",
             fileName_.c_str(), keptAs_.c_str());
    return true;
  }
  // A name of its own, made by a link that fails when the name is taken.
  for (int n = 0; n < 1000; ++n) {
    TString name = fileName_ + (n == 0 ? TString(".conflict") : TString::Printf(".conflict.%d", n));
    if (FileExists(name) || !LinkFile(temp, name)) continue;
    RemoveFile(temp);
    keptAs_ = name;
    TraceOut("Prefs: %s was changed by another copy of the game since it was read; it is left as it is, and this "
             "copy's preferences (%zu bytes) are kept as %s",
             fileName_.c_str(), bytes.size(), keptAs_.c_str());
    return true;
  }
  return false;
}


const TPrefsValue* TPrefs::Find(const TString& key, int user) const {
  const TPrefsMap* map = nullptr;
  if (user == -1) map = &data_.global;
  else if (user >= 0 && user < GetUserCount()) map = &data_.users[size_t(user)];
  if (!map) return nullptr;
  auto it = map->find(key.str());
  return it == map->end() ? nullptr : &it->second;
}

int TPrefs::GetInt(const TString& key, int defaultValue, int user) const {
  const TPrefsValue* v = Find(key, user);
  return v ? TString(v->bytes).ToInt() : defaultValue;
}

TString TPrefs::GetString(const TString& key, const TString& defaultValue, int user) const {
  const TPrefsValue* v = Find(key, user);
  return v ? TString(v->bytes) : defaultValue;
}

int TPrefs::GetData(const TString& key, void* buffer, int capacity, int user, int* length) const {
  const TPrefsValue* v = Find(key, user);
  if (!v) return -1;
  int size = int(v->bytes.size());
  if (length) *length = size;
  if (!buffer || capacity < size) return size;
  std::memcpy(buffer, v->bytes.data(), v->bytes.size());
  return 0;
}

bool TPrefs::Store(const TString& key, TPrefsValue value, int user, int save) {
  if (user < -1 || user >= kPrefsMaxUsers || key.IsEmpty() || key.Length() > 0xFFFF) {
    TraceOut("Prefs: refused to store \"%s\" for user %d", key.c_str(), user);
    return false;
  }
  if (user >= GetUserCount()) data_.users.resize(size_t(user) + 1);
  TPrefsMap& map = user == -1 ? data_.global : data_.users[size_t(user)];
  map[key.str()] = std::move(value);
  return !save || Save();
}

bool TPrefs::SetInt(const TString& key, int value, int user, int save) {
  return Store(key, {false, std::to_string(value)}, user, save);
}

bool TPrefs::SetString(const TString& key, const TString& value, int user, int save) {
  return Store(key, {false, value.str()}, user, save);
}

bool TPrefs::SetData(const TString& key, const void* bytes, int length, int user, int save) {
  if (length < 0 || (length > 0 && !bytes)) return false;
  std::string value = length > 0 ? std::string(static_cast<const char*>(bytes), size_t(length)) : std::string();
  return Store(key, {true, std::move(value)}, user, save);
}

bool TPrefs::DeleteUser(int user) {
  if (user < 0 || user >= GetUserCount()) return false;
  data_.users.erase(data_.users.begin() + user);
  return true;
}
