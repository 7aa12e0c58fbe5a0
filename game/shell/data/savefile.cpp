#include "game/shell/data/savefile.h"

#include <cstring>
#include <utility>

#include "game/shell/data/gamesettings.h"

int GetSaveVersion() {
  int version = 0;
  const int none = 0;
  ReadXmlInt(GetMainXml(), "Common", "NumSaveVer", &version, &none);
  return version;
}

namespace {

class TBlobWriter {
public:
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
  }
  void I32(int32_t v) { U32(uint32_t(v)); }
  void F32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    U32(bits);
  }
  void Str(const TString& s) {
    size_t n = std::strlen(s.c_str());  // up to the first zero byte
    U32(uint32_t(n));
    bytes.insert(bytes.end(), s.c_str(), s.c_str() + n);
  }
  void List(const std::vector<TString>& list) {
    U32(uint32_t(list.size()));
    for (const TString& s : list) Str(s);
  }
  void Ints(const std::vector<int32_t>& list) {
    U32(uint32_t(list.size()));
    for (int32_t v : list) I32(v);
  }
  std::vector<uint8_t> bytes;
};

class TBlobReader {
public:
  TBlobReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool U32(uint32_t* v, const char* what) {
    if (size_ - pos_ < 4) return Fail(what, "cut short");
    *v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 | uint32_t(data_[pos_ + 2]) << 16 |
         uint32_t(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return true;
  }
  bool I32(int32_t* v, const char* what) {
    uint32_t u;
    if (!U32(&u, what)) return false;
    *v = int32_t(u);
    return true;
  }
  bool F32(float* f, const char* what) {
    uint32_t u;
    if (!U32(&u, what)) return false;
    std::memcpy(f, &u, 4);
    return true;
  }
  // A count of elements each at least `minSize` bytes long.
  bool Count(uint32_t* n, size_t minSize, const char* what) {
    size_t at = pos_;
    if (!U32(n, what)) return false;
    if (*n > (size_ - pos_) / minSize) {
      pos_ = at;
      return Fail(what, "a count beyond the end");
    }
    return true;
  }
  // A loaded string ends at its first zero byte.
  bool Str(TString* s, const char* what) {
    uint32_t n;
    size_t at = pos_;
    if (!U32(&n, what)) return false;
    if (n > size_ - pos_) {
      pos_ = at;
      return Fail(what, "a length beyond the end");
    }
    const char* p = reinterpret_cast<const char*>(data_ + pos_);
    *s = TString(p, strnlen(p, n));
    pos_ += n;
    return true;
  }
  bool List(std::vector<TString>* list, const char* what) { return Each(list, &TBlobReader::Str, what); }
  bool Ints(std::vector<int32_t>* list, const char* what) { return Each(list, &TBlobReader::I32, what); }
  // A count, then that many values (each at least 4 bytes) read by `one`.
  template <class T>
  bool Each(std::vector<T>* list, bool (TBlobReader::*one)(T*, const char*), const char* what) {
    uint32_t n;
    if (!Count(&n, 4, what)) return false;
    list->resize(n);
    for (T& v : *list)
      if (!(this->*one)(&v, what)) return false;
    return true;
  }

  bool AtEnd() const { return pos_ == size_; }
  size_t Position() const { return pos_; }
  bool Fail(const char* what, const char* problem) {
    if (error.IsEmpty()) error = TString::Printf("%s: %s at byte %zu", what, problem, pos_);
    return false;
  }
  TString error;

private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A record is at least 14 u32 wide (every count and length empty).
constexpr size_t kMinRecordSize = 14 * 4;

bool ReadRecord(TBlobReader& r, LocationInfo& info) {
  if (!r.Str(&info.name, "location name") || !r.Str(&info.secondName, "second name") ||
      !r.F32(&info.value1, "location values") || !r.F32(&info.value2, "location values") ||
      !r.F32(&info.value3, "location values") || !r.I32(&info.passed, "passed") ||
      !r.Str(&info.startDate, "dates") || !r.Str(&info.startTime, "dates") || !r.Str(&info.passDate, "dates") ||
      !r.Str(&info.passTime, "dates") || !r.Ints(&info.coins, "coins") || !r.Ints(&info.itemIds, "item ids"))
    return false;
  uint32_t n;
  if (!r.Count(&n, 12, "object states")) return false;
  info.objectStates.resize(n);
  for (LocationInfo::ObjectState& state : info.objectStates)
    if (!r.I32(&state.a, "object states") || !r.I32(&state.b, "object states") ||
        !r.Ints(&state.values, "object states"))
      return false;
  if (!r.Count(&n, 12, "object texts")) return false;
  info.objectTexts.resize(n);
  for (LocationInfo::ObjectText& text : info.objectTexts)
    if (!r.I32(&text.a, "object texts") || !r.I32(&text.b, "object texts") || !r.Str(&text.text, "object texts"))
      return false;
  return true;
}

}  // namespace

std::vector<uint8_t> WriteSaveBlob(const GameProgress& p, uint32_t version) {
  TBlobWriter w;
  w.U32(version);
  w.U32(uint32_t(p.tools.size()));
  for (const auto& tool : p.tools) w.Str(tool.first);
  for (const auto& tool : p.tools) w.I32(tool.second);
  w.List(p.arts);
  w.List(p.secondNames);
  w.List(p.shown);
  w.List(p.shownInfos);
  w.List(p.photos);
  w.U32(uint32_t(p.locationInfos.size()));
  for (const LocationInfo& info : p.locationInfos) {
    w.Str(info.name);
    w.Str(info.secondName);
    w.F32(info.value1);
    w.F32(info.value2);
    w.F32(info.value3);
    w.I32(info.passed);
    w.Str(info.startDate);
    w.Str(info.startTime);
    w.Str(info.passDate);
    w.Str(info.passTime);
    w.Ints(info.coins);
    w.Ints(info.itemIds);  // item ids come before the object states and texts
    w.U32(uint32_t(info.objectStates.size()));
    for (const auto& state : info.objectStates) {
      w.I32(state.a);
      w.I32(state.b);
      w.Ints(state.values);
    }
    w.U32(uint32_t(info.objectTexts.size()));
    for (const auto& text : info.objectTexts) {
      w.I32(text.a);
      w.I32(text.b);
      w.Str(text.text);
    }
  }
  return std::move(w.bytes);
}

TSaveRead ReadSaveBlob(const uint8_t* data, size_t size, uint32_t version, GameProgress& progress, TString* why,
                       uint32_t* foundVersion) {
  auto damaged = [&](const TString& reason) {
    if (why) *why = reason;
    return TSaveRead::kDamaged;
  };
  if (size > kSaveBlobMaxSize)
    return damaged(TString::Printf("%zu bytes, more than %zu", size, kSaveBlobMaxSize));
  if (!data) size = 0;
  TBlobReader r(data, size);
  uint32_t found = 0;
  if (!r.U32(&found, "version")) return damaged(r.error);
  if (foundVersion) *foundVersion = found;
  if (found != version) {
    if (why) *why = TString::Printf("save version %u, this game reads version %u", found, version);
    return TSaveRead::kOtherVersion;
  }
  GameProgress in;
  uint32_t n;
  if (!r.Count(&n, 8, "tools")) return damaged(r.error);
  in.tools.resize(n);
  for (auto& tool : in.tools)
    if (!r.Str(&tool.first, "tools")) return damaged(r.error);
  for (auto& tool : in.tools)
    if (!r.I32(&tool.second, "tools")) return damaged(r.error);
  if (!r.List(&in.arts, "arts") || !r.List(&in.secondNames, "second names") || !r.List(&in.shown, "shown list") ||
      !r.List(&in.shownInfos, "shown infos") || !r.List(&in.photos, "photos"))
    return damaged(r.error);
  if (!r.Count(&n, kMinRecordSize, "location records")) return damaged(r.error);
  in.locationInfos.resize(n);
  for (LocationInfo& info : in.locationInfos)
    if (!ReadRecord(r, info)) return damaged(r.error);
  if (!r.AtEnd()) return damaged(TString::Printf("%zu bytes left over after the last record", size - r.Position()));
  progress.tools = std::move(in.tools);
  progress.arts = std::move(in.arts);
  progress.secondNames = std::move(in.secondNames);
  progress.shown = std::move(in.shown);
  progress.shownInfos = std::move(in.shownInfos);
  progress.photos = std::move(in.photos);
  progress.locationInfos = std::move(in.locationInfos);
  return TSaveRead::kOk;
}
