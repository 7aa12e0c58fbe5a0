// Audio in one run:
// - mixing: our sound engine streaming 32 Ogg files (60 s each, 44100 Hz
//   stereo) into 60 s of output, against SDL2_mixer loading and mixing the
//   same 32 files (its output thread driven as fast as it goes by SDL's "disk"
//   driver writing to /dev/null). Both sides are CPU time: every thread's work
//   on ours; the loading thread plus the mixing thread on theirs.
//   Prints "ratio lantern/sdl_mixer: X" (the target is at most 1.0).
// - decoding: one 60 s file through our data source and spooler, half a
//   buffer at a time, against a plain vorbisfile loop.
//   Prints "ratio decode lantern/vorbisfile: Y" (time; the target is at most 1 / 0.95).
// The files are encoded on the first run and kept in the build folder.
#include <SDL.h>
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/datasource.h"
#include "audio/mixer/softsound.h"
#include "audio/sound.h"
#include "audio/soundmanager.h"
#include "bench/recorder.h"
#include "platform/folders.h"
#include "platform/time.h"
#include "tests/audio/oggmaker.h"

namespace {

constexpr int kTracks = 32;
constexpr uint32_t kSeconds = 60;
constexpr uint64_t kOutputFrames = uint64_t(kSeconds) * 44100;

std::string TrackName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "track%02d.ogg", i);
  return name;
}

// The tracks, made once, in the working folder.
void MakeTracks() {
  std::string dir = std::string(LANTERN_BENCH_ROOT) + "/bench-audio-v1";
  std::filesystem::create_directories(dir);
  for (int i = 0; i < kTracks; ++i) {
    std::string path = dir + "/" + TrackName(i);
    if (std::filesystem::exists(path)) continue;
    std::vector<uint8_t> bytes = ogg_test::EncodeOgg(kSeconds * 44100, 44100, 2, 0.4f, uint32_t(i));
    std::ofstream(path + ".part", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    std::filesystem::rename(path + ".part", path);
  }
  if (chdir(dir.c_str()) != 0) std::abort();
  RefreshFileLayer();
}

double CpuSeconds(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

void BM_LanternMix(benchmark::State& state) {
  SetSoftSoundOutput(TSoftOutputKind::kManual);
  RegisterOggDataSourceBuilder();
  for (auto _ : state) {
    double start = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    {
      TManualTimeScope time(0);
      TSoundManager manager(false);
      manager.Init();
      std::vector<boost::shared_ptr<TSound>> sounds;
      std::vector<boost::shared_ptr<TSoundInstance>> playing;
      for (int i = 0; i < kTracks; ++i) {
        sounds.push_back(TSound::Get(TrackName(i).c_str(), false, 1001));
        if (!sounds.back()) std::abort();
        playing.push_back(sounds.back()->Play(false));
      }
      std::vector<int16_t> out;
      uint32_t clock = 0;
      for (uint64_t frames = 0; frames < kOutputFrames;) {
        out.clear();
        manager.GetDevice()->Render(kSoftOutputPeriod, &out);
        frames += kSoftOutputPeriod;
        uint32_t now = static_cast<uint32_t>(frames * 1000 / 44100);
        time.Advance(now - clock);
        clock = now;
        manager.SweepStreams(true);
        benchmark::DoNotOptimize(out.data());
      }
      for (const auto& instance : playing)
        if (!instance->IsPlaying()) std::abort();  // every track played the whole minute
    }
    state.SetIterationTime(CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - start);
  }
}

// SDL2_mixer's side: the post-mix hook runs on its mixing thread and reads that thread's CPU clock.
struct TMixCount {
  std::atomic<bool> counting{false};
  std::atomic<bool> done{false};
  uint64_t frames = 0;
  double threadStart = -1, threadEnd = 0;
} gCount;

void PostMix(void*, Uint8*, int bytes) {
  if (!gCount.counting || gCount.done) return;
  if (gCount.threadStart < 0) {
    gCount.threadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    return;
  }
  gCount.frames += uint64_t(bytes) / 4;
  if (gCount.frames >= kOutputFrames) {
    gCount.threadEnd = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    gCount.done = true;
  }
}

void BM_SdlMixerMix(benchmark::State& state) {
  for (auto _ : state) {
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
      state.SkipWithError(Mix_GetError());
      return;
    }
    Mix_AllocateChannels(kTracks);
    gCount.counting = false;
    gCount.done = false;
    gCount.frames = 0;
    gCount.threadStart = -1;
    Mix_SetPostMix(PostMix, nullptr);
    double loadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    std::vector<Mix_Chunk*> chunks;
    for (int i = 0; i < kTracks; ++i) {
      chunks.push_back(Mix_LoadWAV(TrackName(i).c_str()));
      if (!chunks.back()) {
        state.SkipWithError(Mix_GetError());
        return;
      }
    }
    for (int i = 0; i < kTracks; ++i) Mix_PlayChannel(i, chunks[i], 0);
    double load = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - loadStart;
    gCount.counting = true;
    while (!gCount.done) SDL_Delay(5);
    Mix_SetPostMix(nullptr, nullptr);
    Mix_HaltChannel(-1);
    for (Mix_Chunk* c : chunks) Mix_FreeChunk(c);
    Mix_CloseAudio();
    state.SetIterationTime(load + gCount.threadEnd - gCount.threadStart);
  }
}

void BM_DecodeLantern(benchmark::State& state) {
  RegisterOggDataSourceBuilder();
  std::vector<uint8_t> half(176400);
  uint64_t bytes = 0;
  for (auto _ : state) {
    boost::shared_ptr<TSoundDataSource> source = CreateSoundDataSource(TrackName(0).c_str(), true);
    TStreamSpooler spooler(source);
    uint32_t written = 0;
    while (spooler.Fill(half.data(), uint32_t(half.size()), &written, false)) bytes += written;
    bytes += written;
    benchmark::DoNotOptimize(half.data());
  }
  state.SetBytesProcessed(int64_t(bytes));
}

void BM_DecodeVorbisfile(benchmark::State& state) {
  std::vector<char> buffer(4096);
  uint64_t bytes = 0;
  for (auto _ : state) {
    OggVorbis_File vf;
    if (ov_fopen(TrackName(0).c_str(), &vf) != 0) std::abort();
    int section = 0;
    long got;
    while ((got = ov_read(&vf, buffer.data(), int(buffer.size()), 0, 2, 1, &section)) > 0) bytes += uint64_t(got);
    ov_clear(&vf);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(bytes));
}

BENCHMARK(BM_LanternMix)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SdlMixerMix)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLantern)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeVorbisfile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // SDL2_mixer's output: the "disk" driver into /dev/null, without waiting between buffers.
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  benchmark::Initialize(&argc, argv);
  MakeTracks();
  if (SDL_Init(SDL_INIT_AUDIO) != 0) std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
  Mix_Init(MIX_INIT_OGG);
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("lantern/sdl_mixer", "BM_LanternMix/iterations:3/manual_time",
                      "BM_SdlMixerMix/iterations:3/manual_time");
  recorder.PrintRatio("decode lantern/vorbisfile", "BM_DecodeLantern", "BM_DecodeVorbisfile");
  Mix_Quit();
  SDL_Quit();
  benchmark::Shutdown();
  return 0;
}
