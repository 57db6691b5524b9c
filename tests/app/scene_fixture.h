#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/benchmark_scene.h"
#include "platform/offscreen_scene_window.h"
#include "render/font.h"
#include "render/screen.h"
#include "render/sprite.h"

namespace velmora::test {

// A folder of its own for one test, filled with the program's generated assets, made the working
// directory while the test runs (each test case runs in a process of its own).
class AssetFolder {
public:
    AssetFolder();
    ~AssetFolder();
    AssetFolder(const AssetFolder&) = delete;
    AssetFolder& operator=(const AssetFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void remove(const std::string& name) const;
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// /proc/stat texts handed out in turn; the last one is repeated once they run out.
class CannedProcStat {
public:
    explicit CannedProcStat(std::vector<std::string> texts) : texts_(std::move(texts)) {}
    std::function<std::string()> reader();

private:
    std::vector<std::string> texts_;
    size_t next_ = 0;
};

// A /proc/stat text with one "cpu" line and `cpus` "cpuN" lines, each with the eight fields given.
std::string procStat(uint32_t cpus, const std::vector<uint64_t>& total, const std::vector<uint64_t>& each);

// Scenes on an offscreen window whose frame loop the test drives, with a canned /proc/stat.
class SceneTest : public ::testing::Test {
protected:
    static constexpr uint32_t width = 1366;
    static constexpr uint32_t height = 768;

    void SetUp() override;
    // A scene that the test drives pass by pass, on `window`.
    std::shared_ptr<BenchmarkScene> makeScene(const std::function<std::string()>& readProcStat = {},
                                              uint32_t workers = 2);
    // The sprites of one layer with this id, in list order.
    std::vector<std::shared_ptr<tavelo::ISprite>> spritesWithId(uint8_t layer, uint32_t id) const;
    size_t countWithId(uint8_t layer, uint32_t id) const { return spritesWithId(layer, id).size(); }

    AssetFolder assets;
    std::shared_ptr<tavelo::platform::OffscreenSceneWindow> window =
        std::make_shared<tavelo::platform::OffscreenSceneWindow>(width, height);
    std::shared_ptr<BenchmarkScene> scene;
};

// The draw commands of one sprite as it stands.
std::vector<tavelo::DrawCommand> commandsOf(const tavelo::ISprite& sprite);

// Whether a text sprite shows `expected`: its glyphs, one by one, are `font`'s glyphs for those
// characters (offsets, advances and coverage alike). `font` is a font of the same face and size as
// the sprite's, made by the test.
::testing::AssertionResult showsText(const tavelo::ISprite& sprite, tavelo::IFont& font,
                                     std::string_view expected);

}  // namespace velmora::test
