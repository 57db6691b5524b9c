#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/benchmark_scene.h"
#include "app/mouse.h"
#include "core/exception.h"
#include "render/fill_rect_sprite.h"
#include "render/image_sprite.h"
#include "render/sprite_manager.h"
#include "render/text_sprite.h"
#include "tests/app/scene_fixture.h"
#include "tests/render/png_writer.h"

namespace tavelo {
namespace {

using namespace std::chrono_literals;
using velmora::test::AssetFolder;
using velmora::test::commandsOf;
using velmora::test::PngImage;
using velmora::test::SceneTest;

struct Expected {
    uint32_t id;
    int32_t x, y;
    uint32_t priority;
    uint8_t opacity;
};

void expectSprite(const SpriteEntry& entry, const Expected& e) {
    SCOPED_TRACE(e.id);
    EXPECT_EQ(entry.id, e.id);
    EXPECT_EQ(entry.sprite->getX(), e.x);
    EXPECT_EQ(entry.sprite->getY(), e.y);
    EXPECT_EQ(entry.sprite->getPriority(), e.priority);
    EXPECT_EQ(entry.sprite->getAlpha(), e.opacity);
    EXPECT_TRUE(entry.sprite->isVisible());
}

Color colorOf(const ISprite& sprite) {
    return commandsOf(sprite).at(0).color;
}

bool operator==(const Color& a, const Color& b) {
    return a.isRgb == b.isRgb && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

TEST_F(SceneTest, BuildsTheStaticSpritesOfBothLayers) {
    scene = makeScene();
    const std::vector<SpriteEntry>& layer0 = scene->screen()->getSpriteManager(0)->getEntries();
    ASSERT_EQ(layer0.size(), 1u + 1 + 50 + 1 + 900);

    auto fill = [](const SpriteEntry& entry) {
        return std::dynamic_pointer_cast<FillRectSprite>(entry.sprite);
    };
    auto image = [](const SpriteEntry& entry) {
        return std::dynamic_pointer_cast<ImageSprite>(entry.sprite);
    };
    ASSERT_TRUE(fill(layer0[0]));
    expectSprite(layer0[0], {0, 0, 0, 0, 255});
    EXPECT_EQ(fill(layer0[0])->getRect(), (Rect{0, 0, 1366, 768}));
    EXPECT_TRUE(colorOf(*layer0[0].sprite) == (Color{1, 255, 255, 255}));
    ASSERT_TRUE(fill(layer0[1]));
    expectSprite(layer0[1], {10, 50, 50, 2, 255});
    EXPECT_EQ(fill(layer0[1])->getRect(), (Rect{50, 50, 160, 160}));
    EXPECT_TRUE(colorOf(*layer0[1].sprite) == (Color{1, 255, 0, 0}));
    const std::shared_ptr<Image> imageA = image(layer0[2])->getImage();
    for (int32_t k = 0; k < 50; ++k) {
        const SpriteEntry& entry = layer0[2 + k];
        ASSERT_TRUE(image(entry));
        expectSprite(entry,
                     {uint32_t(11 + k), 75 + 5 * k, 75 + 5 * k, uint32_t(3 + k), uint8_t(k % 2 ? 129 : 128)});
        EXPECT_EQ(image(entry)->getImage(), imageA);
        EXPECT_EQ(entry.sprite->getBlendMode(), BlendMode::Normal);
    }
    ASSERT_TRUE(fill(layer0[52]));
    expectSprite(layer0[52], {50, 100, 100, 100, 60});
    EXPECT_EQ(fill(layer0[52])->getRect(), (Rect{100, 100, 200, 200}));
    EXPECT_TRUE(colorOf(*layer0[52].sprite) == (Color{1, 0, 255, 0}));

    const std::vector<SpriteEntry>& layer1 = scene->screen()->getSpriteManager(1)->getEntries();
    ASSERT_EQ(layer1.size(), 3u);
    const std::shared_ptr<Image> imageB = image(layer1[0])->getImage();
    ASSERT_EQ(imageB->width, 640u);
    ASSERT_EQ(imageB->height, 480u);
    // Two loads of one file: the layers do not share the picture.
    EXPECT_NE(imageB, imageA);
    expectSprite(layer1[0], {11, 0, 0, 4, 128});
    expectSprite(layer1[1], {12, 1366 - 640, 768 - 480, 5, 128});
    EXPECT_EQ(image(layer1[1])->getImage(), imageB);
    expectSprite(layer1[2], {0, 0, 0, 0, 255});
    const auto background = image(layer1[2]);
    EXPECT_EQ(background->getImage(), imageB);
    EXPECT_EQ(background->getWidth(), 1366u);
    EXPECT_EQ(background->getHeight(), 480u * 1366 / 640);  // 1024: it covers the whole screen
    EXPECT_EQ(background->smooth, 1);
    for (const SpriteEntry& entry : layer1) {
        EXPECT_EQ(entry.sprite->getBlendMode(), BlendMode::Normal);
    }
}

TEST_F(SceneTest, AnImageLargerThanTheScreenStartsOffTheCornerAndStaysPut) {
    PngImage picture;
    picture.width = 1600;
    picture.height = 1000;
    picture.colorType = PngImage::Rgb;
    picture.rows.assign(picture.rowBytes() * picture.height, 0x80);
    assets.write("load.gra", velmora::test::encodePng(picture));
    scene = makeScene();
    Screen::FrameDriver driver(*scene->screen());
    for (int pass = 0; pass < 4; ++pass) {
        const auto first = spritesWithId(1, 11).at(0);
        const auto second = spritesWithId(1, 12).at(0);
        EXPECT_EQ(first->getX(), 0);
        EXPECT_EQ(first->getY(), 0);
        EXPECT_EQ(second->getX(), 1366 - 1600);
        EXPECT_EQ(second->getY(), 768 - 1000);
        driver.pass();
    }
    const auto background = std::dynamic_pointer_cast<ImageSprite>(spritesWithId(1, 0).at(0));
    EXPECT_EQ(background->getHeight(), 1000u * 1366 / 1600);
}

// Each asset that is missing or broken stops the construction with the reader's or the decoder's
// message, and the frame thread (already running when the sound is loaded) stops with it.
TEST_F(SceneTest, AMissingOrBrokenAssetFailsTheConstruction) {
    ::setenv("ALSOFT_DRIVERS", "nonexistent", 0);
    const std::string brokenPng = assets.read("particle.png").substr(0, 60);
    const char* files[] = {"load.gra", "snow.png", "snow2.png", "particle.png", "particle2.png", "click.wav"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        for (bool missing : {true, false}) {
            AssetFolder folder;
            if (missing) {
                folder.remove(file);
            } else {
                folder.write(file, std::string(file) == "click.wav" ? std::string("RIFF\x04\0\0\0WAVE", 12)
                                                                    : brokenPng);
            }
            auto target = std::make_shared<platform::OffscreenSceneWindow>(1366, 768);
            try {
                BenchmarkScene failed(*target);
                ADD_FAILURE() << "the scene was built";
            } catch (const Win32Exception& e) {
                EXPECT_TRUE(missing);
                EXPECT_STREQ(e.what(),
                             "CreateFileA API failed in tavelo::FileStreamReader::FileStreamReader method.");
            } catch (const IoException& e) {
                EXPECT_FALSE(missing);
                EXPECT_NE(std::strstr(e.what(), "Invalid file format in"), nullptr) << e.what();
            }
            // Nothing presents any more.
            const uint64_t presented = target->offscreen()->presentCount();
            std::this_thread::sleep_for(60ms);
            EXPECT_EQ(target->offscreen()->presentCount(), presented);
        }
    }
}

// A pointer on a display connection that broke: the failing step leaves its code in errno.
class LostDisplay : public platform::ICursorSource {
public:
    bool positionFails = true;

protected:
    bool cursorPositionImpl(Point&) override {
        errno = positionFails ? EPIPE : 0;
        return !positionFails;
    }
    bool screenToClientImpl(Point&) override {
        errno = ENOTCONN;
        return false;
    }
};

TEST_F(SceneTest, TheMouseReadsThePointerInClientCoordinatesOrKeepsItsPlace) {
    auto cursor = std::make_shared<platform::FixedCursorSource>();
    cursor->moveTo(300, 200);
    cursor->setClientOrigin(100, 50);
    Mouse mouse(cursor);
    mouse.update();
    EXPECT_EQ(mouse.position, (Point{200, 150}));

    cursor->moveTo(40, 20);
    cursor->failCursorPosition(true);
    errno = EBADF;  // left by some earlier call: the fixed source sets no code of its own
    try {
        mouse.update();
        ADD_FAILURE();
    } catch (const Win32Exception& e) {
        EXPECT_STREQ(e.what(), "GetCursorPos API failed in tavelo::Mouse::update method.");
        EXPECT_EQ(e.code(), 0u);
    }
    cursor->failCursorPosition(false);
    cursor->failScreenToClient(true);
    try {
        mouse.update();
        ADD_FAILURE();
    } catch (const Win32Exception& e) {
        EXPECT_STREQ(e.what(), "ScreenToClient API failed in tavelo::Mouse::update method.");
    }
    EXPECT_EQ(mouse.position, (Point{200, 150}));

    // A source that says why it failed: its code is carried.
    auto lost = std::make_shared<LostDisplay>();
    Mouse lostMouse(lost);
    for (bool positionFails : {true, false}) {
        lost->positionFails = positionFails;
        try {
            lostMouse.update();
            ADD_FAILURE();
        } catch (const Win32Exception& e) {
            EXPECT_EQ(e.code(), positionFails ? uint32_t{EPIPE} : uint32_t{ENOTCONN});
        }
    }

    // The scene's constructor lets a failure through; its handler swallows it and keeps the position.
    window->cursor()->failCursorPosition(true);
    EXPECT_THROW(makeScene(), Win32Exception);
    window->cursor()->failCursorPosition(false);
    scene = makeScene();
    Screen::FrameDriver driver(*scene->screen());
    window->cursor()->failScreenToClient(true);
    window->cursor()->moveTo(10, 10);
    driver.pass();
    EXPECT_EQ(scene->mouse().position, (Point{500, 400}));
    window->cursor()->failScreenToClient(false);
    driver.pass();
    EXPECT_EQ(scene->mouse().position, (Point{10, 10}));
}

// A frame where nothing moves but layer 1's few sprites is presented in part; after a paint the
// same frame is presented whole.
TEST_F(SceneTest, APaintRedrawsTheWholeFrame) {
    for (bool paint : {false, true}) {
        SCOPED_TRACE(paint);
        auto target = std::make_shared<platform::OffscreenSceneWindow>(1366, 768);
        target->cursor()->moveTo(500, 400);
        BenchmarkSceneOptions options;
        options.readProcStat = [] { return std::string(); };
        options.startFrameThread = false;
        BenchmarkScene painted(*target, options);
        Screen::FrameDriver driver(*painted.screen());
        driver.pass();  // the first pass turns the fade at level 0
        driver.finishFrame();
        // Layer 1 alone shows, and the fade turns there: it does not invalidate this pass.
        painted.screen()->transitionLevel = 255;
        if (paint) {
            painted.onPaint();
        }
        driver.pass();
        driver.finishFrame();
        driver.pass();  // hands that frame over
        driver.finishFrame();
        const Rect presented = target->offscreen()->lastRect();
        EXPECT_EQ(presented == (Rect{0, 0, 1366, 768}), paint)
            << presented.left << "," << presented.top << "," << presented.right << "," << presented.bottom;
    }
}

// Two scenes in step, one drawn incrementally and one redrawn whole every pass, present the same
// frames through fades, masks, turning points (where the fade does not redraw everything), snow,
// particles and meters.
TEST_F(SceneTest, IncrementalFramesEqualWholeRedraws) {
    velmora::test::CannedProcStat statA(
        {velmora::test::procStat(4, {10, 0, 10, 80, 0, 0, 0, 0}, {1, 0, 1, 8, 0, 0, 0, 0}),
         velmora::test::procStat(4, {10, 0, 10, 80, 0, 0, 0, 0}, {1, 0, 1, 8, 0, 0, 0, 0}),
         velmora::test::procStat(4, {50, 0, 30, 120, 0, 0, 0, 0}, {9, 0, 1, 10, 0, 0, 0, 0})});
    velmora::test::CannedProcStat statB = statA;
    scene = makeScene(statA.reader(), 3);
    auto fullWindow = std::make_shared<platform::OffscreenSceneWindow>(1366, 768);
    fullWindow->cursor()->moveTo(500, 400);
    BenchmarkSceneOptions options;
    options.readProcStat = statB.reader();
    options.workerCount = 1;
    options.startFrameThread = false;
    BenchmarkScene whole(*fullWindow, options);
    whole.screen()->addFrameHandler([](Screen& screen) {
        screen.invalidateAll();
        return false;
    });
    Screen::FrameDriver incremental(*scene->screen());
    Screen::FrameDriver full(*whole.screen());
    for (uint32_t pass = 0; pass < 300; ++pass) {
        // The pointer wanders, so particles come in lines and in jittered pairs.
        const int32_t x = 400 + static_cast<int32_t>((pass * 37) % 300);
        const int32_t y = 300 + static_cast<int32_t>((pass * 11) % 200);
        window->cursor()->moveTo(x, y);
        fullWindow->cursor()->moveTo(x, y);
        scene->screen()->frameTimer.last = 1000 + 17 * pass;
        whole.screen()->frameTimer.last = 1000 + 17 * pass;
        incremental.pass();
        full.pass();
        incremental.finishFrame();
        full.finishFrame();
        ASSERT_EQ(scene->screen()->transitionLevel, whole.screen()->transitionLevel);
        if (pass % 4 == 0 || scene->screen()->transitionLevel == 255 ||
            scene->screen()->transitionLevel < 2) {
            const std::vector<uint32_t> a = window->offscreen()->pixels();
            const std::vector<uint32_t> b = fullWindow->offscreen()->pixels();
            int worst = 0;
            size_t differing = 0;
            for (size_t i = 0; i < a.size(); ++i) {
                int most = 0;
                for (int shift = 0; shift < 24; shift += 8) {
                    most = std::max(most, std::abs(int(a[i] >> shift & 0xFF) - int(b[i] >> shift & 0xFF)));
                }
                differing += most != 0;
                worst = std::max(worst, most);
            }
            // A weighted blend may round one way in a pixel routine's vector body and the other in its
            // scalar edge, and incremental frames cut spans elsewhere than whole ones: off by one in a
            // few pixels. A stale or missing sprite would differ by far more, over whole areas.
            ASSERT_LE(worst, 1) << "pass " << pass;
            ASSERT_LT(differing, a.size() / 1000) << "pass " << pass;
        }
    }
    EXPECT_GT(window->offscreen()->presentCount(), 290u);
}

}  // namespace
}  // namespace tavelo
