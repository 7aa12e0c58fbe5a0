// The real output: SDL2's default audio device, fed by the mixer on SDL's
// audio thread. SDL converts when the hardware wants another format.
#include <SDL.h>

#include <cstring>

#include "audio/mixer/mixer.h"
#include "platform/log.h"

namespace {
class TSdlOutput : public TSoftOutput {
public:
  TSdlOutput(std::shared_ptr<TSoftMixer> mixer) : mixer_(std::move(mixer)) {}
  ~TSdlOutput() override {
    if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for the callback to return
    if (initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      TraceOut("Sound output: SDL audio is not available (%s)", SDL_GetError());
      return false;
    }
    initialised_ = true;
    SDL_AudioSpec want;
    std::memset(&want, 0, sizeof want);
    want.freq = kSoftOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kSoftOutputChannels;
    want.samples = kSoftOutputPeriod;
    want.callback = &TSdlOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
      TraceOut("Sound output: no audio device could be opened (%s)", SDL_GetError());
      return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    real_ = driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "disk") != 0;
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  bool IsReal() const override { return real_; }

private:
  static void Callback(void* self, Uint8* stream, int bytes) {
    auto* out = static_cast<TSdlOutput*>(self);
    out->mixer_->Mix(reinterpret_cast<int16_t*>(stream), static_cast<uint32_t>(bytes) / 4);
  }

  std::shared_ptr<TSoftMixer> mixer_;
  SDL_AudioDeviceID device_ = 0;
  bool initialised_ = false;
  bool real_ = false;
};
}  // namespace

std::unique_ptr<TSoftOutput> OpenSdlOutput(std::shared_ptr<TSoftMixer> mixer) {
  auto out = std::make_unique<TSdlOutput>(std::move(mixer));
  if (!out->Open()) return nullptr;
  return out;
}
