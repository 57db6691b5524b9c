#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/benchmark_scene.h"
#include "sound/sound_manager.h"
#include "sound/wave_data_reader.h"
#include "tests/app/scene_fixture.h"
#include "tests/sound/wave_files.h"

namespace tavelo {
namespace {

using namespace std::chrono_literals;

std::vector<int16_t> samplesOf(const std::string& waveFile) {
    WaveDataReader reader(waveFile.data(), waveFile.size());
    EXPECT_EQ(reader.format()->channels, 1);
    EXPECT_EQ(reader.format()->bitsPerSample, 16);
    const std::vector<uint8_t> bytes = readWaveData(reader, "test");
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return samples;
}

// Runs with the audio library recording into a file (see CMakeLists.txt): two clicks in quick
// succession play the click twice, the first cut short where the second begins. The click here lasts
// 0.3 s, far longer than the library's mixing period, so the restart lands inside it on a slow machine
// too.
TEST(SceneSoundTest, EachClickRestartsTheClickSound) {
    const char* output = std::getenv("VELMORA_WAVE_OUTPUT");
    ASSERT_NE(output, nullptr) << "run through ctest";
    velmora::test::AssetFolder assets;
    const std::vector<int16_t> click = velmora::test::clickSamples(44100 * 3 / 10, 1);
    assets.write("click.wav", velmora::test::pcm16WaveFile(click, 1, 44100));
    {
        platform::OffscreenSceneWindow window(1366, 768);
        BenchmarkSceneOptions options;
        options.readProcStat = [] { return std::string(); };
        options.startFrameThread = false;
        BenchmarkScene scene(window, options);
        scene.onClick(10, 10);
        std::this_thread::sleep_for(100ms);
        scene.onClick(700, 300);
        std::this_thread::sleep_for(450ms);
    }
    // Closing the device completes the recording.
    Singleton<SoundManager>::releaseInstance();
    std::ifstream in(output, std::ios::binary);
    const std::vector<int16_t> recording =
        samplesOf(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));

    std::vector<size_t> starts;
    for (auto at = recording.begin();; ++at) {
        at = std::search(at, recording.end(), click.begin(), click.begin() + 32);
        if (at == recording.end()) {
            break;
        }
        starts.push_back(static_cast<size_t>(at - recording.begin()));
    }
    ASSERT_EQ(starts.size(), 2u);
    const size_t played = starts[1] - starts[0];
    EXPECT_LT(played, click.size()) << "the first click was not cut short";
    EXPECT_TRUE(std::equal(click.begin(), click.begin() + played, recording.begin() + starts[0]));
    ASSERT_LE(starts[1] + click.size(), recording.size());
    EXPECT_TRUE(std::equal(click.begin(), click.end(), recording.begin() + starts[1]));
}

}  // namespace
}  // namespace tavelo
