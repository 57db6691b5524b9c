#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <string>

#include "core/exception.h"
#include "core/file_stream_reader.h"
#include "sound/null_sound_manager.h"
#include "tests/sound/wave_files.h"
#include "tests/support/allocation_tracker.h"
#include "tests/support/temp_file.h"

namespace tavelo {
namespace {

using namespace velmora::test;

const std::string click = pcm16WaveFile(clickSamples(441, 1), 1, 44100);

std::string messageOf(const std::function<void()>& load) {
    try {
        load();
    } catch (const IoException& e) {
        return e.what();
    }
    return "no IoException";
}

TEST(SoundRegistryTest, RegistersUnderEveryIdAndFindsOnlyWhatItHolds) {
    NullSoundManager manager;
    for (int id : {0, -5, INT_MAX, INT_MIN}) {
        const std::shared_ptr<ISound> sound = manager.loadSound(id, click.data(), click.size());
        ASSERT_NE(sound, nullptr);
        EXPECT_EQ(manager.getSound(id), sound);
    }
    EXPECT_EQ(manager.getSound(7), nullptr);
}

TEST(SoundRegistryTest, ATakenIdKeepsItsSoundAndTheNewOneLivesOnlyWithItsCaller) {
    NullSoundManager manager;
    const std::shared_ptr<ISound> first = manager.loadSound(0, click.data(), click.size());
    std::shared_ptr<ISound> second = manager.loadSound(0, click.data(), click.size());
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(manager.getSound(0), first);

    const std::weak_ptr<ISound> watch = second;
    second.reset();
    EXPECT_TRUE(watch.expired());
}

TEST(SoundRegistryTest, UnloadDropsTheRegistrysReferenceOnly) {
    NullSoundManager manager;
    std::shared_ptr<ISound> held = manager.loadSound(3, click.data(), click.size());
    const std::weak_ptr<ISound> watch = held;
    manager.unloadSound(4);
    EXPECT_EQ(manager.getSound(3), held);

    manager.unloadSound(3);
    EXPECT_EQ(manager.getSound(3), nullptr);
    held->stop();
    held->rewind();
    held->start();
    held.reset();
    EXPECT_TRUE(watch.expired());
}

TEST(SoundRegistryTest, MalformedFilesFailAndLeaveTheRegistryAsItWas) {
    NullSoundManager manager;
    const std::shared_ptr<ISound> first = manager.loadSound(1, click.data(), click.size());

    const std::string notWave =
        riff("AVI ", chunk("fmt ", formatRecord(1, 1, 8000, 8)) + chunk("data", "ab"));
    EXPECT_EQ(messageOf([&] { manager.loadSound(1, notWave.data(), notWave.size()); }),
              "Invalid file format in tavelo::WaveDataReader::WaveDataReader method.");
    EXPECT_EQ(messageOf([&] { manager.loadSound(2, notWave.data(), notWave.size()); }),
              "Invalid file format in tavelo::WaveDataReader::WaveDataReader method.");

    const std::string cut = click.substr(0, click.size() - 1);
    EXPECT_EQ(messageOf([&] { manager.loadSound(2, cut.data(), cut.size()); }),
              "Invalid file format in tavelo::WaveDataReader::readImpl method.");

    EXPECT_EQ(manager.getSound(1), first);
    EXPECT_EQ(manager.getSound(2), nullptr);
}

TEST(SoundRegistryTest, ADataChunkClaimingMoreThanTheFileFailsWithoutAllocatingTheClaim) {
    NullSoundManager manager;
    const std::string lying = riff(
        "WAVE", chunk("fmt ", formatRecord(1, 2, 44100, 16)) + chunkClaiming("data", 0xFFFFFFF0, "abcd"));
    velmora::test::resetLargestAllocation();
    EXPECT_EQ(messageOf([&] { manager.loadSound(0, lying.data(), lying.size()); }),
              "Invalid file format in tavelo::WaveDataReader::readImpl method.");
    EXPECT_LT(velmora::test::largestAllocation(), size_t{1} << 20);
    EXPECT_EQ(manager.getSound(0), nullptr);
}

TEST(SoundRegistryTest, LoadsFromAStreamReadFromItsStart) {
    NullSoundManager manager;
    TempFile file(click);
    FileStreamReader reader(file.path());
    EXPECT_NE(manager.loadSound(5, reader), nullptr);
    EXPECT_NE(manager.getSound(5), nullptr);

    // The whole length is asked for, so a stream already read from comes up short.
    FileStreamReader advanced(file.path());
    char first;
    advanced.read(&first, 1);
    EXPECT_EQ(messageOf([&] { manager.loadSound(6, advanced); }),
              "Invalid file format in tavelo::NullSoundManager::loadSoundImpl method.");
    EXPECT_EQ(manager.getSound(6), nullptr);
}

TEST(SoundRegistryTest, AnEmptyOrOversizedStreamGivesNoSound) {
    NullSoundManager manager;
    TempFile empty("");
    FileStreamReader emptyReader(empty.path());
    EXPECT_EQ(manager.loadSound(0, emptyReader), nullptr);

    // A sparse file one byte over the limit: reading it whole would take seconds and fail to parse.
    TempFile oversized(click);
    std::filesystem::resize_file(oversized.path(), uintmax_t{1} << 32);
    FileStreamReader oversizedReader(oversized.path());
    EXPECT_EQ(manager.loadSound(0, oversizedReader), nullptr);
    EXPECT_EQ(oversizedReader.getCursor(), 0);
    EXPECT_EQ(manager.getSound(0), nullptr);
}

TEST(SoundRegistryTest, SilentSoundsTakeEveryParsedFormatAndAnyCallOrder) {
    NullSoundManager manager;
    const std::string formats[] = {
        formatRecord(0x55, 2, 44100, 0, ""),  // compressed: no engine here to judge it
        formatRecord(1, 7, 96000, 24),
        formatRecord(3, 1, 8000, 64, ""),
        extensibleFormatRecord(1, 2, 192000, 32),
    };
    int id = 0;
    for (const std::string& format : formats) {
        const std::string file = waveFile(format, "sound");
        const std::shared_ptr<ISound> sound = manager.loadSound(id++, file.data(), file.size());
        ASSERT_NE(sound, nullptr);
        sound->start();
        sound->start();
        sound->rewind();
        sound->stop();
        sound->stop();
        sound->rewind();
    }
}

}  // namespace
}  // namespace tavelo
