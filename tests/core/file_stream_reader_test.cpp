#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "core/exception.h"
#include "core/file_stream_reader.h"
#include "tests/support/temp_file.h"

namespace tavelo {
namespace {

using velmora::test::TempFile;

TEST(FileStreamReaderTest, ReadsUpToTheEndAndReportsIt) {
    TempFile file("0123456789");
    FileStreamReader reader(file.path());
    char buffer[16] = {};

    EXPECT_EQ(reader.read(buffer, 0), 0u);
    EXPECT_EQ(reader.getCursor(), 0);
    EXPECT_EQ(reader.read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_FALSE(reader.isEnd());
    EXPECT_EQ(reader.getLength(), 10);

    // Asking for more than remains returns the remainder.
    EXPECT_EQ(reader.read(buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    EXPECT_TRUE(reader.isEnd());
    EXPECT_EQ(reader.getLength(), 10);
}

TEST(FileStreamReaderTest, ReadingExactlyTheRemainderEndsTheStream) {
    TempFile file("abc");
    FileStreamReader reader(file.path());
    char buffer[3];
    EXPECT_EQ(reader.read(buffer, 3), 3u);
    EXPECT_TRUE(reader.isEnd());
}

TEST(FileStreamReaderTest, SkipsAndSeeks) {
    TempFile file("0123456789");
    FileStreamReader reader(file.path());
    char c = 0;

    EXPECT_EQ(reader.skip(3), 3u);
    reader.read(&c, 1);
    EXPECT_EQ(c, '3');

    reader.seek(-2, SeekOrigin::End);
    reader.read(&c, 1);
    EXPECT_EQ(c, '8');
    reader.seek(1, SeekOrigin::Begin);
    reader.read(&c, 1);
    EXPECT_EQ(c, '1');
    reader.seek(2, SeekOrigin::Current);
    EXPECT_EQ(reader.getCursor(), 4);
    // Every origin value above Current means End.
    reader.seek(-1, static_cast<SeekOrigin>(7));
    EXPECT_EQ(reader.getCursor(), 9);
}

TEST(FileStreamReaderTest, SkipPastTheEndMovesAndAReadThereReturnsPromptly) {
    TempFile file("xyz");
    FileStreamReader reader(file.path());
    EXPECT_EQ(reader.skip(100), 100u);
    EXPECT_FALSE(reader.isEnd());  // the position is beyond the length, not at it
    char buffer[8];
    EXPECT_EQ(reader.read(buffer, sizeof buffer), 0u);
}

TEST(FileStreamReaderTest, BackwardSkipThrowsWithoutMoving) {
    TempFile file("xyz");
    FileStreamReader reader(file.path());
    reader.skip(1);
    // Counts of 2^63 and more are negative offsets.
    for (size_t count : {SIZE_MAX, size_t{1} << 63}) {
        try {
            reader.skip(count);
            ADD_FAILURE() << "expected IoException for " << count;
        } catch (const IoException& error) {
            EXPECT_STREQ(error.what(), "Invalid seek position in tavelo::FileStreamReader::skipImpl method.");
        }
        EXPECT_EQ(reader.getCursor(), 1);
    }
}

TEST(FileStreamReaderTest, FailuresThrowWin32ExceptionWithTheirTextsAndErrno) {
    try {
        FileStreamReader reader("/nonexistent/velmora/file.wav");
        FAIL() << "expected Win32Exception";
    } catch (const Win32Exception& error) {
        EXPECT_STREQ(error.what(), "CreateFileA API failed in tavelo::FileStreamReader::FileStreamReader method.");
        EXPECT_EQ(error.code(), static_cast<uint32_t>(ENOENT));
    }
    try {
        FileStreamReader reader(::testing::TempDir().c_str());
        FAIL() << "a directory is not a readable file";
    } catch (const Win32Exception& error) {
        EXPECT_EQ(error.code(), static_cast<uint32_t>(EISDIR));
    }

    TempFile file("abc");
    FileStreamReader reader(file.path());
    try {
        reader.seek(-10, SeekOrigin::Begin);
        FAIL() << "expected Win32Exception";
    } catch (const Win32Exception& error) {
        EXPECT_STREQ(error.what(), "SetFilePointer API failed in tavelo::FileStreamReader::seekImpl method.");
        EXPECT_EQ(error.code(), static_cast<uint32_t>(EINVAL));
    }
}

}  // namespace
}  // namespace tavelo
