// Shared set-up of the audio suites: a temporary asset folder as the working
// folder, the Ogg builder registered, Ogg files made on demand.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audio/datasource.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "tests/audio/oggmaker.h"
#include "tests/support/testsupport.h"

class AudioTest : public ::testing::Test {
protected:
  AudioTest() : chdir_(dir_.Path()) {
    RegisterOggDataSourceBuilder();
    RefreshFileLayer();
  }
  ~AudioTest() override { RefreshFileLayer(); }

  // Makes an Ogg file under the asset folder; returns its asset name.
  std::string Ogg(const std::string& name, uint32_t frames, uint32_t rate = 44100, uint32_t channels = 2) {
    std::filesystem::create_directories(std::filesystem::path(dir_.File(name)).parent_path());
    ogg_test::MakeOgg(dir_.File(name), frames, rate, channels);
    RefreshFileLayer();
    return name;
  }
  std::vector<int16_t> Reference(const std::string& name) { return ogg_test::ReferenceDecode(dir_.File(name)); }
  std::string Write(const std::string& name, const std::string& bytes) {
    dir_.Write(name, bytes);
    RefreshFileLayer();
    return name;
  }

  testing_support::TempDir dir_;
  testing_support::ScopedChdir chdir_;
};

#include "audio/mixer/softsound.h"
#include "audio/soundmanager.h"
#include "platform/time.h"

// A sound manager without its thread on a manual (or null) output, under the
// manual clock; Run advances time in 10 ms steps, mixing and sweeping at each.
class ManagerTest : public AudioTest {
protected:
  explicit ManagerTest(TSoftOutputKind kind = TSoftOutputKind::kManual) : kind_(kind) {}
  void SetUp() override {
    SetSoftSoundOutput(kind_);
    manager_ = std::make_unique<TSoundManager>(false);
    initialised_ = manager_->Init();
    if (Device()) Device()->SetJournal(true);
  }
  void TearDown() override {
    manager_.reset();
    SetSoftSoundOutput(TSoftOutputKind::kAuto);
  }
  TSoftSoundDevice* Device() { return manager_->GetDevice(); }

  void Run(uint32_t ms, std::vector<int16_t>* out = nullptr) {
    std::vector<int16_t> dropped;
    for (uint32_t t = 0; t < ms; t += 10) {
      if (kind_ == TSoftOutputKind::kManual && Device()) Device()->Render(441, out ? out : &dropped);
      time_.Advance(10);
      manager_->SweepStreams(true);
    }
  }
  // The journal entries that start with `prefix`, taken out of the journal.
  std::vector<std::string> Journal(const std::string& prefix = "") { return Filter(Device()->TakeJournal(), prefix); }
  static std::vector<std::string> Filter(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> kept;
    for (const auto& line : lines)
      if (line.compare(0, prefix.size(), prefix) == 0) kept.push_back(line);
    return kept;
  }

  TSoftOutputKind kind_;
  TManualTimeScope time_{1000};
  std::unique_ptr<TSoundManager> manager_;
  bool initialised_ = false;
};
