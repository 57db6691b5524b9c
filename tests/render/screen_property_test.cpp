#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/cpu.h"
#include "core/memory_helper.h"
#include "platform/offscreen_presenter.h"
#include "render/command_dispatch.h"
#include "render/fill_rect_sprite.h"
#include "render/image_sprite.h"
#include "render/kernels/blit/image_blit.h"
#include "render/kernels/fill_text_transition/masked_transition.h"
#include "render/screen.h"
#include "render/screen_drawer.h"
#include "render/sprite_manager.h"
#include "render/text_sprite.h"
#include "tests/support/seeded_random.h"
#include "tests/support/test_font.h"

// After any sequence of sprite changes, frame after frame, the presented frame equals a render of the
// same sprites from scratch: every command over the whole layer into fresh buffers, then layer 1
// composed over layer 0. This covers the dirty bands, the frames' merging and hand-over, the stale
// copies, the buffer swap and presentation, for one worker and for several.
//
// The pixel routines blend a pixel in scalar or in vector form depending on where its row's span
// starts and ends, and the two forms of a weighted blend may differ by one. Incremental drawing clips
// to other spans than a full redraw, so exact equality needs scenes where the path cannot matter:
// - "narrow" is 7 pixels wide: every row is shorter than a vector body, so every pixel is scalar and
//   anything goes (any opacity, blend, level, mask);
// - "wide" has rows of every alignment and keeps to what blends alike on every path: full opacity,
//   source and glyph alpha of 0 or 255, and either the levels 0 and 255 or a mask of 0 and 255 at a
//   level that maps those bytes to 0 and 255.

namespace tavelo {
namespace {

using platform::OffscreenPresenter;
using velmora::test::SeededRandom;
using velmora::test::TestFont;

struct Profile {
    const char* name;
    uint32_t width;
    uint32_t height;
    bool pathExact;  // only changes whose blending cannot depend on the kernel path
};

const Profile narrowProfile{"narrow", 7, 5000, false};  // bands of 2340 rows
const Profile wideProfile{"wide", 518, 200, true};      // bands of 31 rows, stride 8 mod 16

int stepCount() {
    const char* steps = std::getenv("VELMORA_PROPERTY_STEPS");
    return steps ? std::atoi(steps) : 250;
}

// Makes random sprites and changes them by the rules an application follows: invalidate before a
// change that moves or hides a sprite, after one that shows or moves it.
class RandomScene {
public:
    RandomScene(Screen& screen, const Profile& profile, SeededRandom& random)
        : screen_(screen), profile_(profile), random_(random) {
        TestFont::Shape shape;
        if (profile.width < 8) {
            // Tall thin glyphs, each run stepping down the screen across bands.
            shape = {3, 900, 0, 700, false};
        }
        shape.binaryCoverage = profile.pathExact;
        font_ = std::make_shared<TestFont>(shape);
        for (int i = 0; i < 12; ++i) {
            images_.push_back(randomImage(static_cast<PixelFormat>(i % 6)));
        }
        masks_.push_back(randomMask(profile.width, profile.height));
        masks_.push_back(
            randomMask(profile.width > 3 ? profile.width - 3 : profile.width, profile.height / 2));
        // Opaque backgrounds: every frame redraws its dirty area from the bottom up.
        const Rect all{0, 0, int32_t(profile.width), int32_t(profile.height)};
        for (uint8_t layer = 0; layer < 2; ++layer) {
            screen.createFillRectSprite(layer, 1000, all, 0x80000000u, randomColor())->show();
        }
        screen.invalidateAll();
    }

    uint8_t level() const { return screen_.transitionLevel; }
    const std::shared_ptr<Image>& mask() const { return mask_; }

    void change() {
        switch (random_.between(0, 16)) {
            case 0:
            case 1:
            case 2:
                create();
                return;
            case 3:
                transition();
                return;
            case 4:
                screen_.invalidateAll();
                return;
            case 5:
                if (!sprites_.empty()) {
                    const Pick victim = pick();
                    screen_.getSpriteManager(victim.layer)->removeMatching(victim.sprite->getId());
                    forget(victim.layer, victim.sprite->getId());
                }
                return;
            default:
                if (!sprites_.empty()) {
                    changeSprite(pick().sprite);
                }
                return;
        }
    }

private:
    struct Pick {
        uint8_t layer;
        std::shared_ptr<ISprite> sprite;
    };
    struct Placed {
        uint8_t layer;
        std::shared_ptr<ISprite> sprite;
    };

    Pick pick() {
        const Placed& placed = sprites_[size_t(random_.between(0, int64_t(sprites_.size()) - 1))];
        return {placed.layer, placed.sprite};
    }
    void forget(uint8_t layer, uint32_t id) {
        std::erase_if(sprites_, [&](const Placed& p) { return p.layer == layer && p.sprite->getId() == id; });
    }

    int32_t randomX() { return int32_t(random_.between(-20, int64_t(profile_.width) + 5)); }
    int32_t randomY() { return int32_t(random_.between(-40, int64_t(profile_.height) + 5)); }
    uint32_t randomSide(uint32_t screenSide) {
        return uint32_t(random_.between(1, std::max<int64_t>(2, screenSide * 3 / 5)));
    }
    Color randomColor() {
        return {uint8_t(random_.between(0, 1)), random_.byte(), random_.byte(), random_.byte()};
    }
    uint8_t randomAlpha() {
        if (profile_.pathExact) {
            return random_.between(0, 5) == 0 ? 0 : 255;
        }
        return random_.between(0, 4) == 0 ? uint8_t(random_.between(0, 1) * 255) : random_.byte();
    }
    BlendMode randomMode() { return static_cast<BlendMode>(random_.between(0, 6)); }

    std::shared_ptr<Image> randomImage(PixelFormat format) {
        const uint32_t width = randomSide(profile_.width + 2);
        const uint32_t height = randomSide(profile_.height);
        auto image = std::make_shared<Image>(width, height, format);
        random_.fill(image->data(), size_t(image->stride) * height);
        const bool hasAlpha = format == PixelFormat::GrayAlpha16 || format == PixelFormat::Argb32;
        if (hasAlpha && profile_.pathExact) {
            const uint32_t size = bytesPerPixel(format);
            for (uint32_t y = 0; y < height; ++y) {
                for (uint32_t x = 0; x < width; ++x) {
                    unsigned char& alpha = image->row(y)[x * size + size - 1];
                    alpha = alpha & 1 ? 255 : 0;
                }
            }
        }
        return image;
    }
    std::shared_ptr<Image> randomMask(uint32_t width, uint32_t height) {
        auto mask = std::make_shared<Image>(width, height, PixelFormat::Gray8);
        random_.fill(mask->data(), size_t(mask->stride) * height);
        if (profile_.pathExact) {
            for (uint32_t i = 0; i < size_t(mask->stride) * height; ++i) {
                mask->data()[i] = mask->data()[i] & 1 ? 255 : 0;
            }
        }
        return mask;
    }

    void create() {
        const auto layer = uint8_t(random_.between(0, 1));
        const auto id = uint32_t(random_.between(1, 12));
        const auto priority = uint32_t(random_.between(-3, 8));
        std::shared_ptr<ISprite> sprite;
        switch (random_.between(0, 2)) {
            case 0: {
                const int32_t x = randomX();
                const int32_t y = randomY();
                const Rect rect{x, y, x + int32_t(randomSide(profile_.width)),
                                y + int32_t(randomSide(profile_.height))};
                sprite = screen_.createFillRectSprite(layer, id, rect, priority, randomColor());
                break;
            }
            case 1:
                sprite = screen_.createImageSprite(
                    layer, id, randomX(), randomY(), priority,
                    images_[size_t(random_.between(0, int64_t(images_.size()) - 1))]);
                break;
            default: {
                const std::string text = randomText();
                sprite = screen_.createTextSprite(layer, id, randomX(), randomY(), priority, text.data(),
                                                  text.size(), font_, randomColor());
                break;
            }
        }
        sprite->setBlendMode(randomMode());
        sprite->setAlpha(randomAlpha());
        show(*sprite);
        sprites_.push_back({layer, sprite});
    }
    std::string randomText() {
        std::string text(size_t(random_.between(0, 6)), ' ');
        for (char& c : text) {
            c = static_cast<char>(random_.between(0, 5) == 0 ? ' ' : random_.between(33, 255));
        }
        return text;
    }

    static bool isDrawn(const ISprite& sprite) { return sprite.isVisible() && sprite.getAlpha() != 0; }
    static void show(ISprite& sprite) {
        if (!sprite.isVisible() && sprite.getAlpha() != 0) {
            sprite.invalidate();
        }
        sprite.show();
    }
    static void hide(ISprite& sprite) {
        if (sprite.isVisible()) {
            if (sprite.getAlpha() != 0) {
                sprite.invalidate();
            }
            sprite.hide();
        }
    }

    void changeSprite(const std::shared_ptr<ISprite>& sprite) {
        switch (random_.between(0, 6)) {
            case 0:
            case 1:
                if (isDrawn(*sprite)) {
                    sprite->invalidate();
                    sprite->setPosition(randomX(), randomY());
                    sprite->invalidate();
                } else {
                    sprite->setPosition(randomX(), randomY());
                }
                return;
            case 2:
                random_.coin() ? show(*sprite) : hide(*sprite);
                return;
            case 3: {
                const uint8_t alpha = randomAlpha();
                if (alpha != sprite->getAlpha()) {
                    if (sprite->isVisible()) {
                        sprite->invalidate();
                    }
                    sprite->setAlpha(alpha);
                }
                return;
            }
            case 4: {
                const BlendMode mode = randomMode();
                if (mode != sprite->getBlendMode()) {
                    if (isDrawn(*sprite)) {
                        sprite->invalidate();
                    }
                    sprite->setBlendMode(mode);
                }
                return;
            }
            case 5:
                // A new place in the drawing order changes what the sprite covers and is covered by.
                if (isDrawn(*sprite)) {
                    sprite->invalidate();
                }
                sprite->setPriority(uint32_t(random_.between(-3, 8)));
                sprite->requestSort();
                return;
            default:
                if (auto image = std::dynamic_pointer_cast<ImageSprite>(sprite)) {
                    changeImage(*image);
                }
                return;
        }
    }

    // Stretches an image, or gives it its own size back, or switches its sampling. Nearest sampling
    // blends alike on every path. Bilinear rows of 4 pixels or more run a vector filter that may round
    // otherwise than the one-pixel form: only narrow display widths smooth, and the wide scene never.
    void changeImage(ImageSprite& image) {
        const Image& own = *image.getImage();
        if (random_.coin()) {
            const uint8_t smooth = profile_.pathExact ? 0 : random_.coin();
            if (smooth != image.smooth) {
                if (isDrawn(image)) {
                    image.invalidate();
                }
                image.smooth = smooth;
            }
        } else if (random_.between(0, 2) == 0) {
            image.setSize(own.width, own.height);
        } else {
            image.setSize(randomSide(profile_.width + 2), randomSide(profile_.height));
        }
        const bool scaled = image.getWidth() != own.width || image.getHeight() != own.height;
        if (image.smooth && scaled && image.getWidth() > 3) {
            image.setSize(uint32_t(random_.between(1, 3)), image.getHeight());
        }
    }

    // A new level and mask together; a change of level redraws everything.
    void transition() {
        const std::shared_ptr<Image> mask =
            random_.between(0, 2) == 0 ? nullptr : masks_[size_t(random_.between(0, 1))];
        uint8_t level;
        if (!profile_.pathExact) {
            level = random_.between(0, 3) == 0 ? uint8_t(random_.between(0, 1) * 255) : random_.byte();
        } else if (mask && random_.coin()) {
            level = uint8_t(random_.between(60, 200));  // maps mask bytes 0 and 255 to 0 and 255
        } else {
            level = uint8_t(random_.between(0, 1) * 255);
        }
        screen_.setTransitionImage(mask);
        mask_ = mask;
        if (level != screen_.transitionLevel) {
            screen_.transitionLevel = level;
            screen_.invalidateAll();
        }
    }

    Screen& screen_;
    const Profile& profile_;
    SeededRandom& random_;
    std::shared_ptr<TestFont> font_;
    std::vector<std::shared_ptr<Image>> images_;
    std::vector<std::shared_ptr<Image>> masks_;
    std::shared_ptr<Image> mask_;
    std::vector<Placed> sprites_;
};

// One layer's sprites, in the order their manager holds them, drawn over the whole layer.
Image renderLayer(const SpriteManager& manager, uint32_t width, uint32_t height) {
    Image layer(width, height, PixelFormat::Xrgb32);
    std::fill_n(layer.data(), size_t(layer.stride) * height, 0);
    std::vector<DrawCommand> commands;
    FrameResources resources;
    for (const SpriteEntry& entry : manager.getEntries()) {
        entry.sprite->draw(commands, resources);
    }
    const ClipInfo whole{{0, 0, int32_t(width), int32_t(height)}, 0, 0};
    for (const DrawCommand& command : commands) {
        executeDrawCommand(layer, &whole, command);
    }
    return layer;
}

std::vector<uint32_t> renderFromScratch(Screen& screen, const RandomScene& scene) {
    const Image base = renderLayer(*screen.getSpriteManager(0), screen.width, screen.height);
    const Image over = renderLayer(*screen.getSpriteManager(1), screen.width, screen.height);
    const Image* result = &base;
    const Rect all{0, 0, int32_t(screen.width), int32_t(screen.height)};
    const auto blitImage = g_hasSsse3 ? blitImageSsse3 : blitImageSse2;
    if (scene.level() == 255) {
        result = &over;
    } else if (scene.level() != 0 && !scene.mask()) {
        blitImage(base, nullptr, BlendMode::Normal, all, over, {0, 0}, scene.level());
    } else if (scene.level() != 0) {
        const TransitionTable table = makeTransitionTable(scene.level(), 64);
        const auto blitMasked = g_hasSsse3 ? blitImageMaskedSsse3 : blitImageMaskedSse2;
        blitMasked(base, all, over, {0, 0}, *scene.mask(), {0, 0}, table);
    }
    std::vector<uint32_t> pixels(size_t(screen.width) * screen.height);
    for (uint32_t y = 0; y < screen.height; ++y) {
        for (uint32_t x = 0; x < screen.width; ++x) {
            pixels[size_t(y) * screen.width + x] =
                reinterpret_cast<const uint32_t*>(result->row(y))[x] & 0xFFFFFF;
        }
    }
    return pixels;
}

// Empty when equal; otherwise where and how the first pixels differ.
std::string firstDifferences(const std::vector<uint32_t>& presented, const std::vector<uint32_t>& expected,
                             uint32_t width) {
    std::ostringstream out;
    int shown = 0;
    for (size_t i = 0; i < expected.size() && shown < 5; ++i) {
        if ((presented[i] & 0xFFFFFF) != expected[i]) {
            out << std::hex << " (" << std::dec << i % width << ", " << i / width << "): " << std::hex
                << (presented[i] & 0xFFFFFF) << " instead of " << expected[i] << ";";
            ++shown;
        }
    }
    return out.str();
}

struct Case {
    const Profile* profile;
    uint32_t workers;
    bool ssse3;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.profile->name << ", " << c.workers << " workers, " << (c.ssse3 ? "SSSE3" : "SSE2");
}

// A test over parameters that name the instruction set (`ssse3`): the set is chosen for the test and
// restored after it.
template <class Param>
class InstructionSetParamTest : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        saved_ = g_hasSsse3;
        if (this->GetParam().ssse3 && !cpuHasSsse3()) {
            GTEST_SKIP() << "no SSSE3 on this processor";
        }
        g_hasSsse3 = this->GetParam().ssse3;
    }
    void TearDown() override { g_hasSsse3 = saved_; }

private:
    bool saved_ = false;
};

using ScreenPropertyTest = InstructionSetParamTest<Case>;

TEST_P(ScreenPropertyTest, PresentedFramesEqualAFullRedraw) {
    const Case& c = GetParam();
    SeededRandom random(velmora::test::testSeed() + c.workers * 7 + c.ssse3 +
                        (c.profile->pathExact ? 100 : 0));
    auto presenter = std::make_shared<OffscreenPresenter>(c.profile->width, c.profile->height);
    Screen screen(presenter, c.profile->width, c.profile->height, c.workers);
    RandomScene scene(screen, *c.profile, random);
    Screen::FrameDriver driver(screen);
    const int steps = stepCount();
    for (int step = 0; step < steps; ++step) {
        for (int64_t n = random.between(1, 4); n > 0; --n) {
            ScreenLock lock(screen);
            scene.change();
        }
        // Without waiting for the workers, the next pass may find them busy and merge its frame into
        // a waiting one; settling hands everything over and presents it.
        driver.pass();
        if (random.between(0, 2) != 0 && step + 1 < steps) {
            screen.frameTimer.frameDrawn = false;  // as the frame thread's wait would
            continue;
        }
        for (int i = 0; i < 3; ++i) {
            driver.finishFrame();
            driver.pass();
        }
        driver.finishFrame();
        const std::string differences =
            firstDifferences(presenter->pixels(), renderFromScratch(screen, scene), c.profile->width);
        ASSERT_TRUE(differences.empty()) << "step " << step << ", level " << int(scene.level())
                                         << (scene.mask() ? ", mask" : "") << ":" << differences;
    }
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return std::string(info.param.profile->name) + "_" + std::to_string(info.param.workers) + "workers_" +
           (info.param.ssse3 ? "ssse3" : "sse2");
}

INSTANTIATE_TEST_SUITE_P(Scenes, ScreenPropertyTest,
                         ::testing::Values(Case{&narrowProfile, 1, true}, Case{&narrowProfile, 4, true},
                                           Case{&narrowProfile, 1, false}, Case{&narrowProfile, 4, false},
                                           Case{&wideProfile, 1, true}, Case{&wideProfile, 4, true},
                                           Case{&wideProfile, 1, false}, Case{&wideProfile, 4, false}),
                         caseName);

// Scenes like the program's, mid-transition through a mask: each band draws each layer only about the
// columns where the mask lets it show. Every presented frame must equal, in blue, green and red, what
// the workers drew before they left anything out: per band, layer 0 over the band's dirty columns into
// the frame, layer 1 over them into a band buffer at the frame's stride, and layer 1 composed over the
// same columns through the mask. Any rows are fine here (translucent, alpha, Add, bilinear, text): the
// reference clips every kernel as the unculled workers did, so the paths agree pixel for pixel.

struct TransitionCase {
    uint32_t width;
    uint32_t height;
    uint32_t workers;
    bool ssse3;
};

void PrintTo(const TransitionCase& c, std::ostream* out) {
    *out << c.width << "x" << c.height << ", " << c.workers << " workers, " << (c.ssse3 ? "SSSE3" : "SSE2");
}

// A 32-bit image at the frame's stride on a 64 KiB boundary, as the Screen allocates its buffers.
Image frameImage(uint32_t width, uint32_t height) {
    const uint32_t stride = width * 4;
    std::shared_ptr<unsigned char> pixels = MemoryHelper::allocate(size_t(stride) * height);
    std::fill_n(pixels.get(), size_t(stride) * height, 0);
    return Image(width, height, PixelFormat::Xrgb32, stride, pixels);
}

std::vector<DrawCommand> commandsOf(SpriteManager& manager, FrameResources& resources) {
    std::vector<DrawCommand> commands;
    manager.sortIfNeeded();
    for (const SpriteEntry& entry : manager.getEntries()) {
        entry.sprite->draw(commands, resources);
    }
    return commands;
}

// What the workers drew over `expected` before any culling, for the dirty columns of each band.
void drawUnculled(Image& expected, Screen& screen, const std::vector<BandSpan>& spans, const Image& mask,
                  const TransitionTable& table) {
    FrameResources resources;
    const std::vector<DrawCommand> base = commandsOf(*screen.getSpriteManager(0), resources);
    const std::vector<DrawCommand> over = commandsOf(*screen.getSpriteManager(1), resources);
    const auto bandHeight = int32_t(std::min(Screen::bandBytes / (screen.width * 4), screen.height));
    Image band = frameImage(screen.width, uint32_t(bandHeight));
    const auto blitMasked = g_hasSsse3 ? blitImageMaskedSsse3 : blitImageMaskedSse2;
    for (size_t index = 0; index < spans.size(); ++index) {
        const BandSpan& span = spans[index];
        const auto top = int32_t(index) * bandHeight;
        const int32_t bottom = std::min(top + bandHeight, int32_t(screen.height));
        if (span.isEmpty()) {
            continue;
        }
        const ClipInfo baseClip{{span.x0, top, span.x1, bottom}, 0, 0};
        for (const DrawCommand& command : base) {
            executeDrawCommand(expected, &baseClip, command);
        }
        const ClipInfo overClip{{span.x0, 0, span.x1, bottom - top}, 0, -top};
        for (const DrawCommand& command : over) {
            executeDrawCommand(band, &overClip, command);
        }
        blitMasked(expected, {span.x0, top, span.x1, bottom}, band, {span.x0, 0}, mask, {span.x0, top},
                   table);
    }
}

std::vector<uint32_t> colours(const Image& image) {
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            pixels[size_t(y) * image.width + x] =
                reinterpret_cast<const uint32_t*>(image.row(y))[x] & 0xFFFFFF;
        }
    }
    return pixels;
}

// The program's kinds of sprites on both layers, at random places, some partly off the screen.
class TransitionScene {
public:
    TransitionScene(Screen& screen, SeededRandom& random) : screen_(screen), random_(random) {
        const int32_t width = int32_t(screen.width);
        const int32_t height = int32_t(screen.height);
        const Rect all{0, 0, width, height};
        // Layer 0: an opaque white background (the band's first command, which the stale copy skips),
        // stacked translucent images, flakes added in, an alpha sprite, an enlarged sprite, text.
        screen.createFillRectSprite(0, 1, all, 0x80000000u, {1, 255, 255, 255})->show();
        const auto stacked = image(uint32_t(width / 3), uint32_t(height / 2), PixelFormat::Rgb24);
        for (uint32_t k = 0; k < 8; ++k) {
            add(screen.createImageSprite(0, 10 + k, 0, 0, 10 + k, stacked), uint8_t(128 + k % 2));
        }
        const auto flake = image(7, 7, PixelFormat::Gray8);
        const auto smallFlake = image(4, 4, PixelFormat::Gray8);
        for (uint32_t k = 0; k < 24; ++k) {
            auto sprite = screen.createImageSprite(0, 100 + k, 0, 0, 50, k % 2 ? flake : smallFlake);
            sprite->setBlendMode(BlendMode::Add);
            add(sprite, uint8_t(32 + 64 * (k % 4)));
        }
        add(screen.createImageSprite(0, 30, 0, 0, 30, image(90, 70, PixelFormat::Argb32)), 200);
        add(screen.createImageSprite(0, 31, 0, 0, 31, image(60, 50, PixelFormat::GrayAlpha16)), 255);
        auto particle = screen.createImageSprite(0, 32, 0, 0, 32, image(32, 32, PixelFormat::Rgb24));
        particle->setBlendMode(BlendMode::Add);
        particle->setSize(96, 80);
        add(particle, 150);
        add(screen.createFillRectSprite(0, 33, {0, 0, width / 4, height / 3}, 33, {1, 0, 255, 0}), 60);
        font_ = std::make_shared<TestFont>(TestFont::Shape{});
        const std::string text = "59.940 fps : screen(1)";
        for (uint8_t layer = 0; layer < 2; ++layer) {
            add(screen.createTextSprite(layer, 60, 0, 0, 600, text.data(), text.size(), font_,
                                        {1, 0, 64, 200}),
                uint8_t(layer ? 255 : 170));
        }
        // Layer 1: a background stretched bilinearly over the whole screen, translucent images, a
        // smoothly enlarged alpha sprite and a nearest-sampled one.
        auto background = screen.createImageSprite(
            1, 1, 0, 0, 0x80000000u,
            image(uint32_t(width / 2 + 3), uint32_t(height / 2 + 1), PixelFormat::Rgb24));
        background->setSize(uint32_t(width), uint32_t(height));
        background->smooth = 1;
        background->show();
        const auto bouncing = image(uint32_t(width / 2), uint32_t(height / 2), PixelFormat::Rgb24);
        for (uint32_t k = 0; k < 2; ++k) {
            add(screen.createImageSprite(1, 10 + k, 0, 0, 10 + k, bouncing), 128);
        }
        auto smooth = screen.createImageSprite(1, 20, 0, 0, 20, image(40, 30, PixelFormat::Argb32));
        smooth->setSize(150, 110);
        smooth->smooth = 1;
        add(smooth, 180);
        auto nearest = screen.createImageSprite(1, 21, 0, 0, 21, image(25, 20, PixelFormat::Xrgb32));
        nearest->setSize(110, 70);
        add(nearest, 99);
        screen.invalidateAll();
    }

    // Every sprite but the backgrounds to a new place.
    void scatter() {
        for (const std::shared_ptr<ISprite>& sprite : moving_) {
            sprite->setPosition(int32_t(random_.between(-40, int64_t(screen_.width) - 10)),
                                int32_t(random_.between(-40, int64_t(screen_.height) - 10)));
        }
    }

private:
    std::shared_ptr<Image> image(uint32_t width, uint32_t height, PixelFormat format) {
        auto result = std::make_shared<Image>(width, height, format);
        random_.fill(result->data(), size_t(result->stride) * height);
        return result;
    }
    void add(const std::shared_ptr<ISprite>& sprite, uint8_t alpha) {
        sprite->setAlpha(alpha);
        sprite->show();
        moving_.push_back(sprite);
    }

    Screen& screen_;
    SeededRandom& random_;
    std::shared_ptr<TestFont> font_;
    std::vector<std::shared_ptr<ISprite>> moving_;
};

// Soft gradients across, down and diagonally, hard random blocks, and one that covers only part of the
// screen (which the bands it misses draw in full).
std::vector<std::shared_ptr<Image>> transitionMasks(uint32_t width, uint32_t height, SeededRandom& random) {
    std::vector<std::shared_ptr<Image>> masks;
    const auto make = [&](uint32_t w, uint32_t h, auto byteAt) {
        auto mask = std::make_shared<Image>(w, h, PixelFormat::Gray8);
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                mask->row(y)[x] = byteAt(x, y);
            }
        }
        masks.push_back(mask);
    };
    make(width, height, [&](uint32_t x, uint32_t) { return uint8_t(x * 255 / (width - 1)); });
    make(width, height, [&](uint32_t, uint32_t y) { return uint8_t(255 - y * 255 / (height - 1)); });
    make(width, height, [&](uint32_t x, uint32_t y) { return uint8_t((x + y) * 255 / (width + height)); });
    std::vector<uint8_t> blocks(size_t(width / 24 + 1) * (height / 24 + 1));
    for (uint8_t& block : blocks) {
        block = random.between(0, 3) == 0 ? random.byte() : uint8_t(random.coin() * 255);
    }
    make(width, height,
         [&](uint32_t x, uint32_t y) { return blocks[size_t(y / 24) * (width / 24 + 1) + x / 24]; });
    make(width - 5, height / 2, [&](uint32_t x, uint32_t y) { return uint8_t((x * 7 + y * 3) & 0xFF); });
    return masks;
}

using MaskedTransitionTest = InstructionSetParamTest<TransitionCase>;

TEST_P(MaskedTransitionTest, FramesEqualTheLayersDrawnOverTheWholeDirtySpan) {
    const TransitionCase& c = GetParam();
    const uint64_t seed = velmora::test::testSeed() + c.width + c.workers;
    SeededRandom random(seed);
    auto presenter = std::make_shared<OffscreenPresenter>(c.width, c.height);
    Screen screen(presenter, c.width, c.height, c.workers);
    TransitionScene scene(screen, random);
    const std::vector<std::shared_ptr<Image>> masks = transitionMasks(c.width, c.height, random);
    Image expected = frameImage(c.width, c.height);
    const auto bandHeight = std::min(Screen::bandBytes / (c.width * 4), c.height);
    const uint32_t bandCount = (c.height + bandHeight - 1) / bandHeight;
    // From a level that shows layer 1 only where the mask is 255 to one that hides layer 0 but where it
    // is 0 or 1; the blocks and the gradient down hide one layer or the other in whole bands.
    const std::vector<uint8_t> levels = c.width > 1000 ? std::vector<uint8_t>{40, 128, 215}
                                                       : std::vector<uint8_t>{1, 40, 96, 128, 160, 215, 254};

    Screen::FrameDriver driver(screen);
    const auto drawFrame = [&] {
        driver.pass();
        for (int i = 0; i < 2; ++i) {
            driver.finishFrame();
            driver.pass();
        }
        driver.finishFrame();
    };
    for (size_t m = 0; m < masks.size(); ++m) {
        for (const uint8_t level : levels) {
            const TransitionTable table = makeTransitionTable(level, 64);
            // A whole frame with every sprite moved, then frames that redraw only a random rectangle.
            for (int frame = 0; frame < 3; ++frame) {
                std::vector<BandSpan> spans(bandCount);
                {
                    ScreenLock lock(screen);
                    if (frame == 0) {
                        scene.scatter();
                        screen.transitionLevel = level;
                        screen.setTransitionImage(masks[m]);
                        screen.invalidateAll();
                        std::fill(spans.begin(), spans.end(), BandSpan{0, int32_t(c.width)});
                    } else {
                        const auto x0 = int32_t(random.between(0, c.width - 1));
                        const auto x1 = int32_t(random.between(x0 + 1, c.width));
                        const auto y0 = int32_t(random.between(0, c.height - 1));
                        const auto y1 = int32_t(random.between(y0 + 1, c.height));
                        // A hidden sprite's invalidation makes only its rectangle dirty.
                        screen.createFillRectSprite(0, 9999, {x0, y0, x1, y1}, 1, {1, 0, 0, 0})->invalidate();
                        screen.getSpriteManager(0)->removeMatching(9999);
                        for (uint32_t band = uint32_t(y0) / bandHeight; band <= uint32_t(y1 - 1) / bandHeight;
                             ++band) {
                            spans[band] = {x0, x1};
                        }
                    }
                }
                drawFrame();
                {
                    ScreenLock lock(screen);
                    drawUnculled(expected, screen, spans, *masks[m], table);
                }
                const std::string differences =
                    firstDifferences(presenter->pixels(), colours(expected), c.width);
                ASSERT_TRUE(differences.empty()) << "seed " << seed << ", mask " << m << ", level "
                                                 << int(level) << ", frame " << frame << ":" << differences;
            }
        }
    }
}

std::string transitionCaseName(const ::testing::TestParamInfo<TransitionCase>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) + "_" +
           std::to_string(info.param.workers) + "workers_" + (info.param.ssse3 ? "ssse3" : "sse2");
}

// Rows of every alignment: strides of 4, 8, 12 and 0 mod 16, and the program's screen.
INSTANTIATE_TEST_SUITE_P(Scenes, MaskedTransitionTest,
                         ::testing::Values(TransitionCase{517, 190, 1, true},
                                           TransitionCase{518, 170, 4, true},
                                           TransitionCase{519, 150, 1, false},
                                           TransitionCase{520, 180, 4, false},
                                           TransitionCase{1366, 768, 4, true}),
                         transitionCaseName);

}  // namespace
}  // namespace tavelo
