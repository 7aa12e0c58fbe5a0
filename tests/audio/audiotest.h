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
