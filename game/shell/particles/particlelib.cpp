// Loading the particle library with dlopen and its null stand-in.
#include "game/shell/particles/particlelib.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include "platform/folders.h"
#include "platform/log.h"
#include "platform/settings.h"

namespace {

const char kLibraryName[] = "libmagic.so";

#define LANTERN_MAGIC_NULL(ret, name, params, fallback) \
  ret Null##name params { return fallback; }
LANTERN_MAGIC_ENTRY_POINTS(LANTERN_MAGIC_NULL)
#undef LANTERN_MAGIC_NULL

const TMagicTable kNullTable = {
#define LANTERN_MAGIC_NULL_ENTRY(ret, name, params, fallback) Null##name,
    LANTERN_MAGIC_ENTRY_POINTS(LANTERN_MAGIC_NULL_ENTRY)
#undef LANTERN_MAGIC_NULL_ENTRY
};

struct Binding {
  void* handle = nullptr;
  bool tried = false;
  std::string path;
  TMagicTable table = kNullTable;
  TMagicExtras extras;
  const TMagicTable* current = &kNullTable;
  const TMagicTable* override = nullptr;
};

Binding& B() {
  static Binding binding;
  return binding;
}

bool IsFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void Use(const TMagicTable* table) {
  Binding& b = B();
  b.current = b.override ? b.override : table;
}

}  // namespace

const TMagicTable& NullMagicTable() { return kNullTable; }

const TMagicTable& Magic() {
  Binding& b = B();
  if (!b.tried && !b.override) LoadMagicLibrary();
  return *b.current;
}

std::string FindMagicLibrary() {
  TString setting = GetSettingString("particlelibrary");
  if (!setting.IsEmpty()) return setting.c_str();
  std::string program = GetProgramFolder().c_str();
  const std::string candidates[] = {program + kLibraryName, program + "../lib/lantern/" + kLibraryName};
  for (const std::string& c : candidates)
    if (IsFile(c)) return c;
  TString asset = GetDiskPath(kLibraryName);
  if (!asset.IsEmpty() && IsFile(asset.c_str())) return asset.c_str();
  return std::string();
}

bool LoadMagicLibrary(const std::string& path) {
  Binding& b = B();
  if (b.handle) return true;
  b.tried = true;
  std::string file = path.empty() ? FindMagicLibrary() : path;
  if (file.empty()) {
    TraceOut("Particle library %s not available: %s", kLibraryName,
             "not found beside the program, in ../lib/lantern/ or in assets/");
    Use(&kNullTable);
    return false;
  }
  // A bare name would make dlopen search the system's folders.
  std::string open = file.find('/') == std::string::npos ? "./" + file : file;
  void* handle = dlopen(open.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    TraceOut("Particle library %s not available: %s", file.c_str(), why ? why : "it cannot be loaded");
    Use(&kNullTable);
    return false;
  }
  TMagicTable table = kNullTable;
  std::string missing;
#define LANTERN_MAGIC_RESOLVE(ret, name, params, fallback)                     \
  if (void* sym = dlsym(handle, "Magic_" #name))                               \
    table.name = reinterpret_cast<ret(*) params>(sym);                         \
  else if (missing.empty())                                                    \
    missing = "Magic_" #name;
  LANTERN_MAGIC_ENTRY_POINTS(LANTERN_MAGIC_RESOLVE)
#undef LANTERN_MAGIC_RESOLVE
  if (!missing.empty()) {
    TraceOut("Particle library %s not available: %s", file.c_str(), ("no entry point " + missing).c_str());
    dlclose(handle);
    Use(&kNullTable);
    return false;
  }
  b.handle = handle;
  b.path = file;
  b.table = table;
  b.extras.SetRandomSeed = reinterpret_cast<void (*)(uint32_t)>(dlsym(handle, "Magic_SetRandomSeed"));
  b.extras.GetLastError = reinterpret_cast<const char* (*)()>(dlsym(handle, "Magic_GetLastError"));
  b.extras.GetParticleCount = reinterpret_cast<int (*)(int)>(dlsym(handle, "Magic_GetParticleCount"));
  Use(&b.table);
  return true;
}

void UnloadMagicLibrary() {
  Binding& b = B();
  if (b.handle) dlclose(b.handle);
  b.handle = nullptr;
  b.tried = false;
  b.path.clear();
  b.table = kNullTable;
  b.extras = TMagicExtras();
  Use(&kNullTable);
}

bool IsMagicLibraryLoaded() { return B().handle != nullptr; }

std::string GetMagicLibraryPath() { return B().path; }

const TMagicExtras& MagicExtras() {
  static const TMagicExtras none;
  return B().override ? none : B().extras;
}

void SetMagicTable(const TMagicTable* table) {
  Binding& b = B();
  b.override = table;
  Use(b.handle ? &b.table : &kNullTable);
}
