#include "sound/sound_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/exception.h"
#include "core/file_stream_reader.h"
#include "tests/sound/audio_config.h"
#include "tests/sound/wave_files.h"
#include "tests/support/temp_file.h"

namespace tavelo {
namespace {

using namespace velmora::test;

const std::string click = pcm16WaveFile(clickSamples(441, 1), 1, 44100);
// A compressed format: an engine refuses it, the silent manager does not judge it.
const std::string unplayable = waveFile(formatRecord(0x55, 2, 44100, 0, ""), "abcd");

class SoundManagerTest : public ::testing::Test {
protected:
    void TearDown() override { releaseSoundManager(); }
};

class NoDeviceSoundManagerTest : public SoundManagerTest {
protected:
    void SetUp() override { requireAudioDrivers("nonexistent"); }
};

TEST_F(NoDeviceSoundManagerTest, RunsSilentlyAndStillRejectsMalformedFiles) {
    SoundManager* manager = Singleton<SoundManager>::getInstance();
    ASSERT_NE(manager, nullptr);
    EXPECT_NE(manager->loadSound(1, unplayable.data(), unplayable.size()), nullptr);

    TempFile clickFile(click);
    FileStreamReader reader(clickFile.path());
    EXPECT_NE(manager->loadSound(0, reader), nullptr);
    const std::shared_ptr<ISound> sound = manager->getSound(0);
    ASSERT_NE(sound, nullptr);
    sound->stop();
    sound->rewind();
    sound->start();
    EXPECT_EQ(manager->getSound(9), nullptr);
    manager->unloadSound(0);
    EXPECT_EQ(manager->getSound(0), nullptr);

    TempFile brokenFile(riff("AVI ", ""));
    FileStreamReader broken(brokenFile.path());
    try {
        manager->loadSound(2, broken);
        ADD_FAILURE() << "loaded a file that is not WAVE";
    } catch (const IoException& e) {
        EXPECT_STREQ(e.what(), "Invalid file format in tavelo::WaveDataReader::WaveDataReader method.");
    }
}

TEST_F(NoDeviceSoundManagerTest, IsCreatedOnceReleasedOnceAndCreatedAgainAfterwards) {
    SoundManager* first = Singleton<SoundManager>::getInstance();
    EXPECT_EQ(Singleton<SoundManager>::getInstance(), first);
    first->loadSound(0, click.data(), click.size());
    const std::weak_ptr<ISound> registered = Singleton<SoundManager>::getInstance()->getSound(0);
    ASSERT_FALSE(registered.expired());

    Singleton<SoundManager>::releaseInstance();
    EXPECT_TRUE(registered.expired());
    releaseSoundManager();  // nothing left to release

    EXPECT_EQ(Singleton<SoundManager>::getInstance()->getSound(0), nullptr);
}

class NullDeviceSoundManagerTest : public SoundManagerTest {
protected:
    void SetUp() override { requireAudioDrivers("null"); }
};

TEST_F(NullDeviceSoundManagerTest, PlaysThroughTheEngineWhenThereIsADevice) {
    SoundManager* manager = Singleton<SoundManager>::getInstance();
    try {
        manager->loadSound(1, unplayable.data(), unplayable.size());
        ADD_FAILURE() << "the engine played a compressed format";
    } catch (const ComException& e) {
        EXPECT_STREQ(e.what(),
                     "IXAudio2::CreateSourceVoice API failed in tavelo::XAudio2Sound::XAudio2Sound method.");
    }
    const std::shared_ptr<ISound> sound = manager->loadSound(0, click.data(), click.size());
    sound->start();
    sound->stop();
    sound->rewind();
}

}  // namespace
}  // namespace tavelo
