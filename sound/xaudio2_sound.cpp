#include "sound/xaudio2_sound.h"

#include "core/exception.h"
#include "core/format_string.h"

namespace tavelo {
namespace {

ComException engineFailure(const char* call, const char* methodName, int code) {
    return ComException(formatString("%s API failed in %s method.", call, methodName), code);
}

}  // namespace

XAudio2Sound::XAudio2Sound(std::shared_ptr<platform::MasteringVoice> engine, WaveDataReader& reader) {
    constexpr const char* method = "tavelo::XAudio2Sound::XAudio2Sound";
    if (int error = voice_.open(std::move(engine), *reader.format())) {
        throw engineFailure("IXAudio2::CreateSourceVoice", method, error);
    }
    // A failure from here on destroys the voice with the half-made sound.
    data_ = readWaveData(reader, method);
    rewindImpl();
}

void XAudio2Sound::startImpl() {
    if (int error = voice_.start()) {
        throw engineFailure("IXAudio2SourceVoice::Start", "tavelo::XAudio2Sound::startImpl", error);
    }
}

void XAudio2Sound::stopImpl() {
    if (int error = voice_.stop()) {
        throw engineFailure("IXAudio2SourceVoice::Stop", "tavelo::XAudio2Sound::stopImpl", error);
    }
}

void XAudio2Sound::rewindImpl() {
    constexpr const char* method = "tavelo::XAudio2Sound::rewindImpl";
    if (int error = voice_.flushSourceBuffers()) {
        throw engineFailure("IXAudio2SourceVoice::FlushSourceBuffers", method, error);
    }
    if (int error = voice_.submitSourceBuffer(data_.data(), static_cast<uint32_t>(data_.size()))) {
        throw engineFailure("IXAudio2SourceVoice::SubmitSourceBuffer", method, error);
    }
}

}  // namespace tavelo
