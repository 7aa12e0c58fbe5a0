#include "platform/gamestate.h"

#include <dirent.h>
#include <dlfcn.h>

#include <algorithm>

#include "platform/folders.h"
#include "platform/knmod.h"
#include "platform/log.h"
#include "platform/settings.h"

namespace {

TGameState* gInstance = nullptr;

// A handler living in a plug-in module.
class TDllGameState : public TGameStateHandler {
public:
  TDllGameState(void* module, KnModHandler* handler, KnModDestroyHandlerFn destroy)
      : module_(module), handler_(handler), destroy_(destroy) {}
  ~TDllGameState() override {
    destroy_(handler_);
    dlclose(module_);
  }
  void SetState(const TString& key, const TString& value) override {
    handler_->set_state(handler_->context, key.c_str(), value.c_str());
  }
  bool QueryMuteGame() override { return handler_->query_mute && handler_->query_mute(handler_->context) != 0; }

private:
  void* module_;
  KnModHandler* handler_;
  KnModDestroyHandlerFn destroy_;
};

std::unique_ptr<TGameStateHandler> LoadModule(const std::string& path) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    TraceOut("Game state: cannot load the module %s: %s", path.c_str(), dlerror());
    return nullptr;
  }
  auto create = reinterpret_cast<KnModCreateHandlerFn>(dlsym(module, "CreateHandler"));
  auto destroy = reinterpret_cast<KnModDestroyHandlerFn>(dlsym(module, "DestroyHandler"));
  if (!create || !destroy) {
    TraceOut("Game state: the module %s lacks CreateHandler or DestroyHandler", path.c_str());
    dlclose(module);
    return nullptr;
  }
  KnModHandler* handler = create(LANTERN_KNMOD_ABI);
  if (!handler || handler->abi != LANTERN_KNMOD_ABI || !handler->set_state) {
    TraceOut("Game state: the module %s gave no usable handler", path.c_str());
    if (handler) destroy(handler);
    dlclose(module);
    return nullptr;
  }
  TraceOut("Game state: loaded the module %s", path.c_str());
  return std::make_unique<TDllGameState>(module, handler, destroy);
}

}  // namespace

void TDefaultGameStateHandler::SetState(const TString& key, const TString& value) {
  if (key == "mute") mute_ = value.ToInt() != 0;
}

TGameState::TGameState() {
  handlers_.push_back(std::make_unique<TDefaultGameStateHandler>());
  TString portal = GetSettingString("portal");
  if (!portal.IsEmpty())
    TraceOut("Game state: portal mode \"%s\" is not supported on this system; running stand-alone", portal.c_str());
}

TGameState::~TGameState() {
  // Modules go in reverse order of loading.
  while (!handlers_.empty()) handlers_.pop_back();
}

TGameState* TGameState::GetInstance() {
  if (!gInstance) gInstance = new TGameState;
  return gInstance;
}

void TGameState::DestroyInstance() {
  delete gInstance;
  gInstance = nullptr;
}

void TGameState::SetState(const TString& key, const TString& value) {
  states_[key] = value;
  for (auto& h : handlers_) h->SetState(key, value);
}

void TGameState::SetStateInt(const TString& key, int value) { SetState(key, TString::Printf("%d", value)); }

TString TGameState::GetState(const TString& key) const {
  auto it = states_.find(key);
  return it == states_.end() ? TString() : it->second;
}

bool TGameState::QueryMuteGame() const {
  for (const auto& h : handlers_)
    if (h->QueryMuteGame()) return true;
  return false;
}

void TGameState::AddHandler(std::unique_ptr<TGameStateHandler> handler) {
  if (handler) handlers_.push_back(std::move(handler));
}

int TGameState::LoadPlugins(const TString& folder) {
  std::string dir = folder.str();
  if (dir.empty()) dir = ".";
  if (dir[0] != '/') dir = GetWorkingFolder().str() + dir;
  if (dir.back() != '/') dir += '/';
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 6 && LowerAscii(n.substr(n.size() - 6)) == ".knmod") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  int loaded = 0;
  for (const std::string& n : names) {
    if (auto handler = LoadModule(dir + n)) {
      handlers_.push_back(std::move(handler));
      ++loaded;
    }
  }
  return loaded;
}

void ScriptSetState(const char* key, const char* value) {
  TGameState::GetInstance()->SetState(key ? key : "", value ? value : "");
}
