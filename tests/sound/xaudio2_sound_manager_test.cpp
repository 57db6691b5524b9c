#include "sound/xaudio2_sound_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/exception.h"
#include "sound/wave_data_reader.h"
#include "tests/sound/audio_config.h"
#include "tests/sound/wave_files.h"

namespace tavelo {
namespace {

using namespace velmora::test;
using namespace std::chrono_literals;

constexpr uint32_t rate = 44100;
constexpr size_t clickFrames = 4410;  // 0.1 s
const std::vector<int16_t> clickMono = clickSamples(clickFrames, 1);
const std::string clickFile = pcm16WaveFile(clickMono, 1, rate);

std::shared_ptr<ISound> load(ISoundManager& manager, int id, const std::string& file) {
    return manager.loadSound(id, file.data(), file.size());
}

// ---------------------------------------------------------------------------------------------------
// No output device at all.

class NoDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { requireAudioDrivers("nonexistent"); }
};

TEST_F(NoDeviceTest, TheEngineCannotBeCreated) {
    try {
        XAudio2SoundManager manager;
        FAIL() << "an engine without a device";
    } catch (const ComException& e) {
        EXPECT_STREQ(e.what(),
                     "XAudio2Create API failed in tavelo::XAudio2SoundManager::XAudio2SoundManager method.");
        EXPECT_NE(e.code(), 0u);
    }
}

// ---------------------------------------------------------------------------------------------------
// A device that mixes to nowhere.

class NullDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { requireAudioDrivers("null"); }
};

TEST_F(NullDeviceTest, PlaysPcmAndFloatInTheirOwnFormats) {
    XAudio2SoundManager manager;
    const std::string formats[] = {
        formatRecord(1, 1, 8000, 8),
        formatRecord(1, 2, 44100, 16),
        formatRecord(1, 1, 96000, 24),
        formatRecord(1, 2, 48000, 32),
        formatRecord(3, 1, 22050, 32, ""),
        extensibleFormatRecord(1, 2, 44100, 16),
        extensibleFormatRecord(3, 1, 192000, 32),
        formatRecord(1, 6, 48000, 16),
    };
    int id = 0;
    for (const std::string& format : formats) {
        SCOPED_TRACE(id);
        const auto* record = reinterpret_cast<const platform::WaveFormat*>(format.data());
        // Three frames and a byte: the partial frame at the end is not played.
        const std::string file = waveFile(format, std::string(3 * record->blockAlign + 1, '\x40'));
        const std::shared_ptr<ISound> sound = load(manager, id, file);
        sound->start();
        sound->stop();
        sound->rewind();
        sound->start();
        sound->rewind();
        EXPECT_EQ(manager.getSound(id++), sound);
    }
    const std::string empty = waveFile(formatRecord(1, 1, 44100, 16), "");
    load(manager, id, empty)->start();
}

TEST_F(NullDeviceTest, RefusesFormatsItCannotPlayAndRegistersNothing) {
    XAudio2SoundManager manager;
    std::string badBlockAlign = formatRecord(1, 2, 44100, 16);
    badBlockAlign[12] = 3;
    const std::string formats[] = {
        formatRecord(0x55, 2, 44100, 0, ""),  // compressed
        formatRecord(1, 1, 44100, 12),           formatRecord(3, 1, 44100, 64, ""),
        formatRecord(1, 3, 44100, 16),           formatRecord(1, 1, 500, 16),
        extensibleFormatRecord(2, 1, 44100, 16), badBlockAlign,
    };
    for (const std::string& format : formats) {
        const std::string file = waveFile(format, "abcd");
        try {
            load(manager, 1, file);
            ADD_FAILURE() << "played format " << testing::PrintToString(format);
        } catch (const ComException& e) {
            EXPECT_STREQ(
                e.what(),
                "IXAudio2::CreateSourceVoice API failed in tavelo::XAudio2Sound::XAudio2Sound method.");
            EXPECT_EQ(e.code(), 0xA002u);  // the library's "invalid enum"
        }
    }
    EXPECT_EQ(manager.getSound(1), nullptr);
}

TEST_F(NullDeviceTest, ASoundThatFailsToLoadGivesItsVoiceBack) {
    XAudio2SoundManager manager;
    // The device has 16 voices: holding them all leaves none for another sound.
    {
        std::vector<std::shared_ptr<ISound>> held;
        for (int i = 0; i < 16; ++i) {
            held.push_back(load(manager, 100 + i, clickFile));
            manager.unloadSound(100 + i);
        }
        EXPECT_THROW(load(manager, 0, clickFile), ComException);
    }
    // A file whose data ends early fails after its voice is made.
    const std::string cut = clickFile.substr(0, clickFile.size() / 2);
    for (int i = 0; i < 40; ++i) {
        EXPECT_THROW(load(manager, 0, cut), IoException);
    }
    EXPECT_NE(load(manager, 0, clickFile), nullptr);
}

// ---------------------------------------------------------------------------------------------------
// A device that records what it plays into a WAVE file, for the samples to be compared.

class WaveDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        requireAudioDrivers("wave");
        const char* path = std::getenv("VELMORA_WAVE_OUTPUT");
        ASSERT_NE(path, nullptr) << "VELMORA_WAVE_OUTPUT names the recording";
        outputPath_ = path;
        manager_ = std::make_unique<XAudio2SoundManager>();
    }

    // Closes the device, which completes the recording, and returns its samples. Sounds keep the
    // device open, so the test lets go of its own first.
    std::vector<int16_t> recording(std::shared_ptr<ISound> held = nullptr) {
        held.reset();
        manager_.reset();
        std::ifstream in(outputPath_, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        WaveDataReader reader(bytes.data(), bytes.size());
        EXPECT_EQ(reader.format()->channels, 1);
        EXPECT_EQ(reader.format()->samplesPerSec, rate);
        EXPECT_EQ(reader.format()->bitsPerSample, 16);
        return samplesOf(readWaveData(reader, "recording"));
    }

    std::unique_ptr<XAudio2SoundManager> manager_;

private:
    std::string outputPath_;
};

// Every place where the click begins in `recording`, found by its first samples.
std::vector<size_t> clickStarts(const std::vector<int16_t>& recording) {
    std::vector<size_t> starts;
    const auto head = clickMono.begin();
    for (auto at = recording.begin();;) {
        at = std::search(at, recording.end(), head, head + 32);
        if (at == recording.end()) {
            return starts;
        }
        starts.push_back(static_cast<size_t>(at - recording.begin()));
        ++at;
    }
}

// The whole click, sample for sample, at each of `starts` in `recording`.
void expectWholeClicks(const std::vector<int16_t>& recording, const std::vector<size_t>& starts) {
    for (size_t start : starts) {
        ASSERT_LE(start + clickFrames, recording.size());
        EXPECT_TRUE(std::equal(clickMono.begin(), clickMono.end(), recording.begin() + start));
    }
}

// The recording holds silence, then the click cut short at each restart, then the whole click once,
// then silence: as many starts as `plays`. A cut play may end in silence: the mixer can run between the
// stop and the start of a restart on a busy machine.
void expectRestartedPlays(const std::vector<int16_t>& recording, size_t plays) {
    const std::vector<size_t> starts = clickStarts(recording);
    ASSERT_EQ(starts.size(), plays);
    const auto firstSound =
        std::find_if(recording.begin(), recording.end(), [](int16_t s) { return s != 0; });
    EXPECT_EQ(static_cast<size_t>(firstSound - recording.begin()), starts.front());
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        const auto end = std::find_if(std::make_reverse_iterator(recording.begin() + starts[i + 1]),
                                      std::make_reverse_iterator(recording.begin() + starts[i]),
                                      [](int16_t s) { return s != 0; });
        const size_t played = static_cast<size_t>(end.base() - (recording.begin() + starts[i]));
        ASSERT_LT(played, clickFrames) << "play " << i << " was not cut short";
        EXPECT_TRUE(std::equal(clickMono.begin(), clickMono.begin() + played, recording.begin() + starts[i]))
            << "play " << i << " is not the click's beginning";
    }
    const size_t last = starts.back();
    expectWholeClicks(recording, {last});
    ASSERT_LE(last + clickFrames, recording.size());
    EXPECT_TRUE(std::all_of(recording.begin() + last + clickFrames, recording.end(),
                            [](int16_t s) { return s == 0; }));
}

void restart(ISound& sound) {
    sound.stop();
    sound.rewind();
    sound.start();
}

TEST_F(WaveDeviceTest, ALoadedSoundWaitsForStart) {
    load(*manager_, 0, clickFile);
    std::this_thread::sleep_for(100ms);
    const std::vector<int16_t> samples = recording();
    EXPECT_GT(samples.size(), 0u);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](int16_t s) { return s == 0; }));
}

TEST_F(WaveDeviceTest, ARestartPlaysTheClickAgainFromItsFirstSample) {
    std::shared_ptr<ISound> sound = load(*manager_, 0, clickFile);
    sound->start();
    std::this_thread::sleep_for(50ms);
    restart(*sound);
    std::this_thread::sleep_for(250ms);
    expectRestartedPlays(recording(std::move(sound)), 2);
}

TEST_F(WaveDeviceTest, TwoRestartsInARowEachRestartTheClick) {
    std::shared_ptr<ISound> sound = load(*manager_, 0, clickFile);
    sound->start();
    std::this_thread::sleep_for(40ms);
    restart(*sound);
    std::this_thread::sleep_for(40ms);
    restart(*sound);
    std::this_thread::sleep_for(250ms);
    expectRestartedPlays(recording(std::move(sound)), 3);
}

TEST_F(WaveDeviceTest, RewindingAPlayingSoundQueuesOneWholePassAfterTheCurrentOne) {
    std::shared_ptr<ISound> sound = load(*manager_, 0, clickFile);
    sound->start();
    std::this_thread::sleep_for(30ms);
    sound->rewind();
    sound->rewind();
    sound->start();  // already started: changes nothing
    std::this_thread::sleep_for(350ms);
    const std::vector<int16_t> samples = recording(std::move(sound));
    const std::vector<size_t> starts = clickStarts(samples);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1], starts[0] + clickFrames);
    expectWholeClicks(samples, starts);
}

TEST_F(WaveDeviceTest, AStoppedSoundResumesWhereItStopped) {
    std::shared_ptr<ISound> sound = load(*manager_, 0, clickFile);
    sound->start();
    std::this_thread::sleep_for(30ms);
    sound->stop();
    std::this_thread::sleep_for(60ms);
    sound->start();
    std::this_thread::sleep_for(250ms);
    const std::vector<int16_t> samples = recording(std::move(sound));
    const std::vector<size_t> starts = clickStarts(samples);
    ASSERT_EQ(starts.size(), 1u);
    // One click with a stretch of silence inside it: the pause adds only zeros.
    auto nonZero = [](auto first, auto last) {
        std::vector<int16_t> kept;
        std::copy_if(first, last, std::back_inserter(kept), [](int16_t s) { return s != 0; });
        return kept;
    };
    EXPECT_EQ(nonZero(samples.begin(), samples.end()), nonZero(clickMono.begin(), clickMono.end()));
    const auto lastSound = std::find_if(samples.rbegin(), samples.rend(), [](int16_t s) { return s != 0; });
    const size_t span = static_cast<size_t>(samples.rend() - lastSound) - starts[0];
    EXPECT_GT(span, clickFrames + rate / 50) << "no pause of 20 ms or more inside the click";
}

TEST_F(WaveDeviceTest, RewindingAStartedSoundThatHasPlayedOutPlaysItAgain) {
    std::shared_ptr<ISound> sound = load(*manager_, 0, clickFile);
    sound->start();
    std::this_thread::sleep_for(250ms);
    sound->rewind();  // the voice is still started: what is queued plays
    std::this_thread::sleep_for(200ms);
    const std::vector<int16_t> samples = recording(std::move(sound));
    const std::vector<size_t> starts = clickStarts(samples);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_GT(starts[1], starts[0] + clickFrames);
    expectWholeClicks(samples, starts);
}

// The click widened to deeper samples: the extra low bits are zero, so it plays as the 16-bit click.
std::string widenedClick(uint16_t tag, uint16_t bits) {
    std::string data;
    for (int16_t sample : clickMono) {
        if (tag == 3) {
            const float value = static_cast<float>(sample) / 32768.0f;
            data.append(reinterpret_cast<const char*>(&value), sizeof value);
        } else {
            data.append(bits / 8 - 2, '\0');
            data.append(reinterpret_cast<const char*>(&sample), sizeof sample);
        }
    }
    return waveFile(tag == 3 ? formatRecord(3, 1, rate, 32, "") : formatRecord(1, 1, rate, bits), data);
}

TEST_F(WaveDeviceTest, DeeperSamplesPlayAsTheirValues) {
    const std::string files[] = {widenedClick(1, 24), widenedClick(1, 32), widenedClick(3, 32)};
    int id = 0;
    for (const std::string& file : files) {
        load(*manager_, id++, file)->start();
        std::this_thread::sleep_for(150ms);
    }
    std::this_thread::sleep_for(100ms);
    const std::vector<int16_t> samples = recording();
    const std::vector<size_t> starts = clickStarts(samples);
    ASSERT_EQ(starts.size(), 3u);
    expectWholeClicks(samples, starts);
}

TEST_F(WaveDeviceTest, ASoundHeldPastItsManagerKeepsTheEngineAndPlays) {
    std::shared_ptr<ISound> sound = load(*manager_, 0, clickFile);
    manager_.reset();
    sound->start();
    std::this_thread::sleep_for(250ms);
    // The sound is the engine's last holder: the device closes only as it goes.
    expectRestartedPlays(recording(std::move(sound)), 1);
}

}  // namespace
}  // namespace tavelo
