#include "sound/wave_data_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/exception.h"
#include "tests/sound/wave_files.h"
#include "tests/support/guarded_buffer.h"

namespace tavelo {
namespace {

using namespace velmora::test;

const std::string pcmMono16 = formatRecord(1, 1, 44100, 16);

void expectRejected(const std::string& file, const char* method) {
    try {
        WaveDataReader reader(file.data(), file.size());
        ADD_FAILURE() << "accepted";
    } catch (const IoException& e) {
        EXPECT_EQ(std::string(e.what()), std::string("Invalid file format in ") + method + " method.");
    }
}

struct Rejected {
    const char* name;
    std::string file;
};

TEST(WaveDataReaderTest, RejectsWhatIsNotAWaveFileWithFormatBeforeData) {
    const std::string data = chunk("data", "abcd");
    const Rejected cases[] = {
        {"empty", ""},
        {"shorter than a header", "RIFF\x04\0\0"},
        {"no form type", std::string("RIFF\x00\x00\x00\x00", 8)},
        {"RIFX", "RIFX" + riff("WAVE", chunk("fmt ", pcmMono16) + data).substr(4)},
        {"AVI form", riff("AVI ", chunk("fmt ", pcmMono16) + data)},
        {"no fmt", riff("WAVE", data)},
        {"fmt of 14 bytes", riff("WAVE", chunk("fmt ", pcmMono16.substr(0, 14)) + data)},
        {"data before fmt", riff("WAVE", data + chunk("fmt ", pcmMono16))},
        {"no data", riff("WAVE", chunk("fmt ", pcmMono16))},
        {"fmt cut by the end of memory", riff("WAVE", chunkClaiming("fmt ", 16, pcmMono16.substr(0, 10)))},
        {"fmt claiming past memory", riff("WAVE", chunkClaiming("fmt ", 0xFFFFFFF0, pcmMono16) + data)},
        // The non-PCM format's extra bytes may not reach past its chunk into the next one.
        {"cbSize past fmt",
         riff("WAVE", chunk("fmt ", formatRecord(3, 1, 44100, 32) + std::string("\x08\0", 2)) + data +
                          std::string(16, 'x'))},
        {"data outside the RIFF chunk", riff("WAVE", chunk("fmt ", pcmMono16)) + data},
    };
    for (const Rejected& rejected : cases) {
        SCOPED_TRACE(rejected.name);
        expectRejected(rejected.file, "tavelo::WaveDataReader::WaveDataReader");
    }
}

TEST(WaveDataReaderTest, ChunkSizesNearTheTopOfTheRangeDoNotWrapTheSearch) {
    // Stepping over this chunk wraps a 32-bit offset round to the "data" chunk inside it.
    const std::string file =
        riff("WAVE", chunk("fmt ", pcmMono16) + chunkClaiming("junk", 0xFFFFFFFF, "") + chunk("data", "ab"));
    expectRejected(file, "tavelo::WaveDataReader::WaveDataReader");
    // The same chunks with a RIFF header claiming everything are stepped over just the same.
    std::string wholeClaim = file;
    std::memcpy(wholeClaim.data() + 4, "\xFF\xFF\xFF\xFF", 4);
    expectRejected(wholeClaim, "tavelo::WaveDataReader::WaveDataReader");
}

TEST(WaveDataReaderTest, ParsesTheFormatRecordAndItsExtraBytes) {
    struct Accepted {
        const char* name;
        std::string format;
        size_t formatBytes;
        uint16_t cbSize;
    };
    const Accepted cases[] = {
        // PCM takes no extra bytes, whatever the chunk holds after its 16.
        {"PCM", pcmMono16, 18, 0},
        {"PCM with cbSize", formatRecord(1, 2, 8000, 8, "\x01\x02"), 18, 0},
        {"float, cbSize 0", formatRecord(3, 1, 48000, 32, ""), 18, 0},
        {"float without cbSize", formatRecord(3, 1, 48000, 32), 18, 0},
        {"extensible", extensibleFormatRecord(1, 2, 44100, 24), 40, 22},
        {"odd-sized chunk", formatRecord(0x55, 1, 22050, 0, "\x07"), 19, 1},
    };
    for (const Accepted& accepted : cases) {
        SCOPED_TRACE(accepted.name);
        const std::string file = waveFile(accepted.format, "0123");
        WaveDataReader reader(file.data(), file.size());
        const platform::WaveFormat& format = *reader.format();
        EXPECT_EQ(format.cbSize, accepted.cbSize);
        EXPECT_EQ(std::memcmp(&format, accepted.format.data(), 16), 0);
        EXPECT_EQ(std::memcmp(&format + 1, accepted.format.data() + 18, accepted.formatBytes - 18), 0);
        EXPECT_EQ(reader.dataSize(), 4u);
        char data[4];
        EXPECT_EQ(reader.read(data, 4), 4u);
        EXPECT_EQ(std::string(data, 4), "0123");
    }
}

TEST(WaveDataReaderTest, StepsOverOtherChunksAndPadBytes) {
    const std::string file = riff("WAVE", chunk("LIST", "INFOisft\x03\0\0\0abc") + chunk("fmt ", pcmMono16) +
                                              chunk("fact", "abc") + chunk("data", "xyz"));
    WaveDataReader reader(file.data(), file.size());
    EXPECT_EQ(reader.format()->samplesPerSec, 44100u);
    EXPECT_EQ(reader.dataSize(), 3u);
    char data[8] = {};
    EXPECT_EQ(reader.read(data, sizeof data), 3u);
    EXPECT_EQ(std::string(data), "xyz");
}

TEST(WaveDataReaderTest, ReadsDeliverTheDataChunkAndNothingElse) {
    const std::string file =
        riff("WAVE", chunk("fmt ", pcmMono16) + chunk("data", "0123456789") + chunk("next", "zz"));
    WaveDataReader reader(file.data(), file.size());
    char data[16] = {};
    EXPECT_EQ(reader.read(data, 0), 0u);
    EXPECT_EQ(reader.read(nullptr, 4), 0u);
    EXPECT_EQ(reader.read(data, 4), 4u);
    EXPECT_FALSE(reader.isEnd());
    EXPECT_EQ(reader.read(data + 4, sizeof data), 6u);
    EXPECT_EQ(std::string(data), "0123456789");
    EXPECT_TRUE(reader.isEnd());
    EXPECT_EQ(reader.read(data, 4), 0u);
    EXPECT_EQ(reader.skip(4), 0u);
    EXPECT_EQ(reader.dataSize(), 10u);
}

TEST(WaveDataReaderTest, AnEmptyDataChunkReadsNothing) {
    const std::string file = waveFile(pcmMono16, "");
    WaveDataReader reader(file.data(), file.size());
    char data[4];
    EXPECT_EQ(reader.dataSize(), 0u);
    EXPECT_EQ(reader.read(data, 4), 0u);
    EXPECT_TRUE(reader.isEnd());
}

TEST(WaveDataReaderTest, SkipsInStepsAndStopsAtTheEndOfTheData) {
    std::string samples(6000, '\0');
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<char>(i * 7);
    }
    const std::string file = waveFile(pcmMono16, samples);
    WaveDataReader reader(file.data(), file.size());
    EXPECT_EQ(reader.skip(0), 0u);
    EXPECT_EQ(reader.skip(5000), 5000u);
    char next;
    reader.read(&next, 1);
    EXPECT_EQ(next, samples[5000]);
    EXPECT_EQ(reader.skip(5000), 999u);
    EXPECT_TRUE(reader.isEnd());
}

TEST(WaveDataReaderTest, DataClaimingMoreThanTheMemoryFailsOnlyWhenReadReachesTheEnd) {
    // The file ends exactly at a guard page, so any read past its last byte would fault.
    const std::string file =
        riff("WAVE", chunk("fmt ", pcmMono16) + chunkClaiming("data", 100, "0123456789"));
    GuardedBuffer memory(file.size());
    std::memcpy(memory.data(), file.data(), file.size());
    WaveDataReader reader(memory.data(), file.size());
    EXPECT_EQ(reader.dataSize(), 100u);
    char data[100];
    EXPECT_EQ(reader.read(data, 6), 6u);
    try {
        reader.read(data, 5);
        ADD_FAILURE() << "read past the memory";
    } catch (const IoException& e) {
        EXPECT_STREQ(e.what(), "Invalid file format in tavelo::WaveDataReader::readImpl method.");
    }
    EXPECT_THROW(reader.skip(50), IoException);
}

TEST(WaveDataReaderTest, ReadingTheWholeDataBoundsWhatALyingChunkCostsByTheFile) {
    const std::string honest = waveFile(pcmMono16, std::string(200000, 'a'));
    WaveDataReader honestReader(honest.data(), honest.size());
    const std::vector<uint8_t> data = readWaveData(honestReader, "caller");
    EXPECT_EQ(data.size(), 200000u);
    EXPECT_EQ(data.capacity(), 200000u);

    const std::string lying =
        riff("WAVE", chunk("fmt ", pcmMono16) + chunkClaiming("data", 0xFFFFFFFF, "abc"));
    WaveDataReader lyingReader(lying.data(), lying.size());
    EXPECT_THROW(readWaveData(lyingReader, "caller"), IoException);
}

}  // namespace
}  // namespace tavelo
