#include <gtest/gtest.h>

#include <string>

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {
namespace {

TEST(FormatStringTest, FormatsIntoAnExactlySizedArray) {
    auto text = formatString("SetEvent API failed in %s method.", "tavelo::Event::set");
    EXPECT_STREQ(text.get(), "SetEvent API failed in tavelo::Event::set method.");
    EXPECT_STREQ(formatString("%d-%s", 42, "x").get(), "42-x");
    EXPECT_STREQ(formatString("%s", "").get(), "");
}

TEST(FormatStringTest, CutsTextsLongerThanItsBufferInsteadOfOverflowing) {
    const std::string longName(5000, 'n');
    auto text = formatString("Invalid file format in %s method.", longName.c_str());
    const std::string result = text.get();
    EXPECT_EQ(result.size(), 2047u);
    EXPECT_EQ(result.rfind("Invalid file format in nnn", 0), 0u);
}

TEST(ExceptionTest, WhatGivesTheFormattedMessageForEveryClass) {
    const Win32Exception win32(formatString("SetEvent API failed in %s method.", "tavelo::Event::set"), 5);
    const InterruptedException interrupted(
        formatString("Thread interupted in %s method.", "tavelo::ThreadNotifier::sleep"));
    const ComException com(formatString("CoInitializeEx API failed in %s method.",
                                        "tavelo::ComInitializer::ComInitializer"),
                           static_cast<int32_t>(0x80004005));
    const DisplayException display(
        formatString("ChangeDisplaySettings API failed in %s method.",
                     "tavelo::`anonymous-namespace'::changeDisplaySettings"),
        -2);
    const IoException io(formatString("Invalid seek position in %s method.", "tavelo::FileStreamReader::skipImpl"));

    const std::pair<const std::exception*, const char*> cases[] = {
        {&win32, "SetEvent API failed in tavelo::Event::set method."},
        {&interrupted, "Thread interupted in tavelo::ThreadNotifier::sleep method."},
        {&com, "CoInitializeEx API failed in tavelo::ComInitializer::ComInitializer method."},
        {&display, "ChangeDisplaySettings API failed in tavelo::`anonymous-namespace'::changeDisplaySettings method."},
        {&io, "Invalid seek position in tavelo::FileStreamReader::skipImpl method."},
    };
    for (const auto& [exception, expected] : cases) {
        EXPECT_STREQ(exception->what(), expected);
    }
    // Failure codes keep all 32 bits, the top bit included.
    EXPECT_EQ(com.code(), 0x80004005u);
    EXPECT_EQ(display.code(), 0xFFFFFFFEu);
    EXPECT_EQ(win32.code(), 5u);
}

TEST(ExceptionTest, CopiesShareTheMessageAndOutliveTheOriginal) {
    const char* originalText = nullptr;
    std::unique_ptr<Win32Exception> copy;
    {
        Win32Exception original(formatString("ReadFile API failed in %s method.", "tavelo::FileStreamReader::readImpl"),
                                77);
        originalText = original.what();
        copy = std::make_unique<Win32Exception>(original);
    }
    EXPECT_EQ(copy->what(), originalText);
    EXPECT_STREQ(copy->what(), "ReadFile API failed in tavelo::FileStreamReader::readImpl method.");
    EXPECT_EQ(copy->code(), 77u);
}

TEST(ExceptionTest, IsCaughtAsStdExceptionWithItsFullText) {
    try {
        throw ComException(formatString("IXAudio2SourceVoice::Start API failed in %s method.", "tavelo::XAudio2Sound::start"),
                           -1);
    } catch (const std::exception& caught) {
        EXPECT_STREQ(caught.what(), "IXAudio2SourceVoice::Start API failed in tavelo::XAudio2Sound::start method.");
    }
}

}  // namespace
}  // namespace tavelo
