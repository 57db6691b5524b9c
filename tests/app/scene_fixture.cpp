#include "tests/app/scene_fixture.h"

#include <unistd.h>
#include <cstring>
#include <fstream>
#include <iterator>

#include "render/frame_resources.h"
#include "render/glyph_data.h"
#include "render/image.h"
#include "render/sprite_manager.h"

namespace velmora::test {

namespace fs = std::filesystem;

AssetFolder::AssetFolder() : previous_(fs::current_path()) {
    static int counter = 0;
    path_ = fs::path(::testing::TempDir()) /
            ("velmora_scene_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
    for (const fs::directory_entry& entry : fs::directory_iterator(VELMORA_ASSET_DIR)) {
        fs::copy_file(entry.path(), path_ / entry.path().filename());
    }
    fs::current_path(path_);
}

AssetFolder::~AssetFolder() {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void AssetFolder::remove(const std::string& name) const {
    fs::remove(path_ / name);
}

void AssetFolder::write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string AssetFolder::read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::function<std::string()> CannedProcStat::reader() {
    return [this] {
        const std::string& text = texts_.at(std::min(next_, texts_.size() - 1));
        ++next_;
        return text;
    };
}

std::string procStat(uint32_t cpus, const std::vector<uint64_t>& total, const std::vector<uint64_t>& each) {
    auto line = [](const std::string& name, const std::vector<uint64_t>& fields) {
        std::string text = name;
        for (uint64_t field : fields) {
            text.append(" ").append(std::to_string(field));
        }
        // guest and guest_nice, which user and nice already hold
        return text + " 0 0\n";
    };
    std::string text = line("cpu ", total);
    for (uint32_t i = 0; i < cpus; ++i) {
        text += line("cpu" + std::to_string(i), each);
    }
    return text + "intr 1 2 3\nctxt 99\nbtime 1700000000\nprocesses 5\n";
}

void SceneTest::SetUp() {
    // Many scenes share the process's one sound manager: no output device is opened.
    ::setenv("ALSOFT_DRIVERS", "nonexistent", 0);
    window->cursor()->moveTo(500, 400);
}

std::shared_ptr<BenchmarkScene> SceneTest::makeScene(const std::function<std::string()>& readProcStat,
                                                     uint32_t workers) {
    BenchmarkSceneOptions options;
    options.readProcStat = readProcStat ? readProcStat : [] {
        return procStat(2, {1, 0, 1, 10, 0, 0, 0, 0}, {1, 0, 1, 10, 0, 0, 0, 0});
    };
    options.workerCount = workers;
    options.startFrameThread = false;
    return std::make_shared<BenchmarkScene>(*window, options);
}

std::vector<std::shared_ptr<tavelo::ISprite>> SceneTest::spritesWithId(uint8_t layer, uint32_t id) const {
    std::vector<std::shared_ptr<tavelo::ISprite>> found;
    for (const tavelo::SpriteEntry& entry : scene->screen()->getSpriteManager(layer)->getEntries()) {
        if (entry.id == id) {
            found.push_back(entry.sprite);
        }
    }
    return found;
}

std::vector<tavelo::DrawCommand> commandsOf(const tavelo::ISprite& sprite) {
    std::vector<tavelo::DrawCommand> commands;
    tavelo::FrameResources resources;
    sprite.draw(commands, resources);
    return commands;
}

namespace {

bool sameGlyph(const tavelo::GlyphData& a, const tavelo::GlyphData& b) {
    if (a.offsetX != b.offsetX || a.offsetY != b.offsetY || a.advanceX != b.advanceX ||
        a.advanceY != b.advanceY || !a.bitmap != !b.bitmap) {
        return false;
    }
    if (!a.bitmap) {
        return true;
    }
    const tavelo::Image& x = *a.bitmap;
    const tavelo::Image& y = *b.bitmap;
    if (x.width != y.width || x.height != y.height) {
        return false;
    }
    for (uint32_t row = 0; row < x.height; ++row) {
        if (std::memcmp(x.row(row), y.row(row), x.width) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

::testing::AssertionResult showsText(const tavelo::ISprite& sprite, tavelo::IFont& font,
                                     std::string_view expected) {
    const std::vector<tavelo::DrawCommand> commands = commandsOf(sprite);
    if (commands.size() != 1 || commands[0].kind != tavelo::DrawCommandKind::TextCommand) {
        return ::testing::AssertionFailure() << "not one drawn text";
    }
    const tavelo::DrawCommand& text = commands[0];
    if (text.glyphCount != expected.size()) {
        return ::testing::AssertionFailure()
               << text.glyphCount << " glyphs where \"" << expected << "\" has " << expected.size();
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        if (!sameGlyph(text.glyphs[i], font.getGlyphData(static_cast<unsigned char>(expected[i])))) {
            return ::testing::AssertionFailure()
                   << "glyph " << i << " is not '" << expected[i] << "' of \"" << expected << "\"";
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace velmora::test
