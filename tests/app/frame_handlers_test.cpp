#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "app/frame_handlers.h"
#include "app/text_format.h"
#include "app/uniform_int.h"
#include "platform/offscreen_presenter.h"
#include "render/fill_rect_sprite.h"
#include "render/image_sprite.h"
#include "render/screen.h"
#include "render/sprite_manager.h"
#include "render/text_sprite.h"
#include "tests/app/scene_fixture.h"

namespace tavelo {
namespace {

using velmora::test::commandsOf;
using velmora::test::SceneTest;
using velmora::test::showsText;

// U[a, b] in integer arithmetic: a + u (b - a + 1) / 2^32 truncated toward zero, as the scene's
// double arithmetic does, computed another way.
int32_t integerUniform(uint32_t u, int32_t a, int32_t b) {
    const int64_t scaled =
        int64_t{a} * (int64_t{1} << 32) + static_cast<int64_t>(uint64_t{u} * uint64_t(int64_t{b} - a + 1));
    return static_cast<int32_t>(std::min<int64_t>(scaled / (int64_t{1} << 32), b));
}

TEST(UniformIntTest, ScalesTheStandardSequenceAndClampsAtTheTop) {
    std::mt19937 generator(5489);
    std::mt19937 reference(5489);
    EXPECT_EQ(reference(), 3499211612u);  // the standard generator's first output
    reference.seed(5489);
    const UniformInt ranges[] = {{0, 4}, {0, 30}, {0, 1366}, {0, 768}, {1, 4}, {-15, 15}};
    for (int i = 0; i < 30000; ++i) {
        const UniformInt range = ranges[i % 6];
        ASSERT_EQ(range(generator), integerUniform(static_cast<uint32_t>(reference()), range.a, range.b))
            << i;
    }
    EXPECT_EQ(uniformInt(0xFFFFFFFFu, 0, 30), 30);
    EXPECT_EQ(uniformInt(0, 0, 30), 0);
    EXPECT_EQ(uniformInt(0x80000000u, 1, 4), 3);
}

TEST_F(SceneTest, FlakesStartWhereTheSequenceSaysAndFollowTheirRules) {
    scene = makeScene();
    struct Flake {
        uint32_t id;
        int32_t x, y;
        uint8_t opacity;
    };
    // The first three flakes of the seeded sequence: x, y and speed drawn in that order.
    for (const Flake& expected :
         {Flake{100, 1113, 104, 32}, Flake{101, 1141, 97, 64}, Flake{102, 1248, 169, 128}}) {
        const auto flake = std::dynamic_pointer_cast<ImageSprite>(spritesWithId(0, expected.id).at(0));
        ASSERT_TRUE(flake);
        EXPECT_EQ(flake->getX(), expected.x);
        EXPECT_EQ(flake->getY(), expected.y);
        EXPECT_EQ(flake->getAlpha(), expected.opacity);
        EXPECT_EQ(flake->getBlendMode(), BlendMode::Add);
        EXPECT_EQ(flake->getPriority(), 500u);
        EXPECT_EQ(flake->getImage()->width, 7u);  // speed 2..4: the near flake
    }
    uint32_t far = 0;
    for (uint32_t id = 100; id < 1000; ++id) {
        const auto flake = std::dynamic_pointer_cast<ImageSprite>(spritesWithId(0, id).at(0));
        far += flake->getImage()->width == 4 ? 1 : 0;
    }
    EXPECT_GT(far, 150u);
    EXPECT_LT(far, 300u);

    auto sprite = scene->screen()->createImageSprite(0, 100, 0, 0, 500,
                                                     std::make_shared<Image>(2, 2, PixelFormat::Gray8));
    sprite->show();
    SnowFlake flake{100, 0, 3, 64, sprite};
    auto place = [&](int32_t x, int32_t y, uint8_t opacity) {
        sprite->setPosition(x, y);
        sprite->setAlpha(opacity);
    };
    place(1366 + 8, 10, 100);
    advanceFlake(flake, 2, 1366, 768);  // to w + 10: stays
    EXPECT_EQ(sprite->getX(), 1376);
    EXPECT_EQ(sprite->getY(), 13);
    EXPECT_EQ(sprite->getAlpha(), 102);
    place(1366 + 9, 10, 100);
    advanceFlake(flake, 2, 1366, 768);  // to w + 11: wraps
    EXPECT_EQ(sprite->getX(), -10);
    place(300, 766, 7);
    advanceFlake(flake, -1, 1366, 768);  // past the bottom: back above the top at its base opacity
    EXPECT_EQ(sprite->getX(), 299);
    EXPECT_EQ(sprite->getY(), -10);
    EXPECT_EQ(sprite->getAlpha(), 64);
    place(300, 100, 254);
    advanceFlake(flake, 2, 1366, 768);
    EXPECT_EQ(sprite->getAlpha(), 255);
    place(300, 100, 1);
    advanceFlake(flake, -2, 1366, 768);
    EXPECT_EQ(sprite->getAlpha(), 0);
    EXPECT_EQ(sprite->getX(), 298);
    EXPECT_EQ(sprite->getY(), 103);
    // The step is held to the speed.
    flake.speed = 1;
    place(300, 100, 50);
    advanceFlake(flake, -2, 1366, 768);
    EXPECT_EQ(sprite->getX(), 299);
    EXPECT_EQ(sprite->getY(), 101);
}

TEST(FrameRateTest, AveragesTheLastSixtyFourIntervals) {
    FrameRateCounter counter;
    EXPECT_EQ(counter.addFrame(1000), 0.0);
    EXPECT_EQ(counter.addFrame(1000), 0.0);  // the same time stores nothing
    EXPECT_EQ(counter.addFrame(1020), 50.0);
    EXPECT_DOUBLE_EQ(counter.addFrame(1030), 2 * 1000.0 / 30);
    for (uint32_t i = 1; i <= 64; ++i) {
        counter.addFrame(1030 + 16 * i);
    }
    // The two first intervals have left the ring.
    EXPECT_DOUBLE_EQ(counter.addFrame(1030 + 16 * 64), 62.5);
    EXPECT_EQ(fpsText(0.0, 1), "0.000 fps : screen(1)");
    EXPECT_EQ(fpsText(59.94006, 2), "59.940 fps : screen(2)");
}

TEST_F(SceneTest, TheFrameRateTextsReplaceThemselvesOnHandedOverFrames) {
    scene = makeScene();
    Font font(sceneFontFace, 0, 32, false, false);  // the read-out's face and size
    Screen& screen = *scene->screen();
    Screen::FrameDriver driver(screen);
    screen.frameTimer.last = 5000;
    driver.pass();  // hands over the first frame
    ASSERT_TRUE(screen.frameTimer.frameDrawn);
    for (uint8_t layer = 0; layer < 2; ++layer) {
        auto texts = spritesWithId(layer, fpsTextId);
        ASSERT_EQ(texts.size(), 2u);
        if (texts[0]->getPriority() < texts[1]->getPriority()) {
            std::swap(texts[0], texts[1]);  // the layer is kept in drawing order
        }
        EXPECT_EQ(texts[0]->getPriority(), 600u);
        EXPECT_EQ(texts[0]->getX(), 0);
        EXPECT_EQ(texts[1]->getPriority(), 599u);
        EXPECT_EQ(texts[1]->getX(), 2);
        EXPECT_EQ(texts[1]->getY(), 2);
        EXPECT_TRUE(texts[0]->isVisible());
        EXPECT_EQ(commandsOf(*texts[0]).at(0).color.red, 255);
        EXPECT_EQ(commandsOf(*texts[1]).at(0).color.red, 64);
        const std::string expected = layer == 0 ? "0.000 fps : screen(1)" : "0.000 fps : screen(2)";
        EXPECT_TRUE(showsText(*texts[0], font, expected));
        EXPECT_TRUE(showsText(*texts[1], font, expected));
    }
    // The comparison tells texts of the same length apart.
    EXPECT_FALSE(showsText(*spritesWithId(0, fpsTextId)[0], font, "1.000 fps : screen(1)"));
    EXPECT_FALSE(showsText(*spritesWithId(0, fpsTextId)[0], font, "0.000 fps : screen(0)"));
    const auto first = spritesWithId(0, fpsTextId);
    // A pass that hands nothing over (the workers may still be drawing) leaves the texts alone.
    driver.pass();
    if (!screen.frameTimer.frameDrawn) {
        EXPECT_EQ(spritesWithId(0, fpsTextId), first);
    }
    for (int i = 0; i < 5; ++i) {
        driver.finishFrame();
        screen.frameTimer.last += 20;
        driver.pass();
    }
    EXPECT_NE(spritesWithId(0, fpsTextId), first);
    EXPECT_EQ(countWithId(0, fpsTextId), 2u);
    EXPECT_EQ(countWithId(1, fpsTextId), 2u);
    // Five 20 ms intervals since the first frame.
    for (uint8_t layer = 0; layer < 2; ++layer) {
        for (const auto& text : spritesWithId(layer, fpsTextId)) {
            EXPECT_TRUE(
                showsText(*text, font, layer == 0 ? "50.000 fps : screen(1)" : "50.000 fps : screen(2)"));
        }
    }
}

// A small Screen whose layer 0 is black and layer 1 white: through a mask of 255 layer 1 shows early
// in a fade, through a mask of 0 late.
class TransitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        screen->createFillRectSprite(0, 0, {0, 0, 64, 16}, 0, Color{0, 0})->show();
        screen->createFillRectSprite(1, 0, {0, 0, 64, 16}, 0, Color{0, 255})->show();
        screen->invalidateAll();
    }
    static std::shared_ptr<Image> flatMask(uint8_t value) {
        auto mask = std::make_shared<Image>(64, 16, PixelFormat::Gray8);
        std::fill(mask->data(), mask->data() + mask->stride * mask->height, value);
        return mask;
    }
    uint32_t shownGrey() const { return presenter->pixels()[8 * 64 + 32] & 0xFF; }

    std::shared_ptr<platform::OffscreenPresenter> presenter =
        std::make_shared<platform::OffscreenPresenter>(64, 16);
    std::shared_ptr<Screen> screen = std::make_shared<Screen>(presenter, 64, 16, 1);
};

TEST_F(TransitionTest, MasksTakeTurnsEachCycleAndTheLevelTurnsWithAPassOfRest) {
    addTransitionHandler(*screen, {flatMask(255), flatMask(0)});
    Screen::FrameDriver driver(*screen);
    std::vector<uint32_t> midGreys;
    std::vector<uint8_t> levels;
    for (uint32_t pass = 0; pass < 4 * 512; ++pass) {
        driver.pass();
        driver.finishFrame();
        levels.push_back(screen->transitionLevel);
        if (pass % 512 == 100) {
            driver.pass();  // hands the frame at this level over
            driver.finishFrame();
            midGreys.push_back(shownGrey());
            ++pass;
            levels.push_back(screen->transitionLevel);
        }
    }
    // Pass 0 turns at level 0 without moving; 1..255 climb; 256 rests at 255; 257..511 fall to 0.
    EXPECT_EQ(levels[0], 0);
    EXPECT_EQ(levels[1], 1);
    EXPECT_EQ(levels[255], 255);
    EXPECT_EQ(levels[256], 255);
    EXPECT_EQ(levels[257], 254);
    EXPECT_EQ(levels[511], 0);
    EXPECT_EQ(levels[512], 0);
    EXPECT_EQ(levels[513], 1);
    ASSERT_EQ(midGreys.size(), 4u);
    EXPECT_GT(midGreys[0], 200u);  // mask 0
    EXPECT_LT(midGreys[1], 55u);   // mask 1
    EXPECT_GT(midGreys[2], 200u);  // mask 0 again
    EXPECT_LT(midGreys[3], 55u);
}

TEST_F(TransitionTest, WithoutMasksTheLayersFadeWithPlainOpacity) {
    addTransitionHandler(*screen, {});
    Screen::FrameDriver driver(*screen);
    for (int pass = 0; pass < 129; ++pass) {
        driver.pass();
        driver.finishFrame();
    }
    driver.pass();
    driver.finishFrame();
    EXPECT_EQ(screen->transitionLevel, 129);
    EXPECT_NEAR(shownGrey(), 128u, 2u);
}

TEST_F(SceneTest, TheMaskSeriesEndsAtTheFirstMissingFile) {
    assets.remove("trans2.png");
    EXPECT_EQ(loadTransitionMasks().size(), 2u);
    for (const char* name : {"trans0.png", "trans1.png", "trans3.png", "trans4.png", "trans5.png"}) {
        assets.remove(name);
    }
    EXPECT_TRUE(loadTransitionMasks().empty());
    scene = makeScene();  // no masks at all is no failure
}

TEST_F(SceneTest, TheBouncingImagesRestOnePassAtEachEdge) {
    scene = makeScene();
    Screen::FrameDriver driver(*scene->screen());
    const auto first = spritesWithId(1, 11).at(0);
    const auto second = spritesWithId(1, 12).at(0);
    auto position = [](const std::shared_ptr<ISprite>& s) { return Point{s->getX(), s->getY()}; };
    driver.pass();
    EXPECT_EQ(position(first), (Point{1, 1}));
    EXPECT_EQ(position(second), (Point{726, 288}));  // starts in the corner: turns there first
    driver.pass();
    EXPECT_EQ(position(first), (Point{2, 2}));
    EXPECT_EQ(position(second), (Point{725, 287}));
    first->setPosition(725, 287);
    driver.pass();
    EXPECT_EQ(position(first), (Point{726, 288}));
    driver.pass();
    EXPECT_EQ(position(first), (Point{726, 288}));
    driver.pass();
    EXPECT_EQ(position(first), (Point{725, 287}));
    second->setPosition(1, 0);
    driver.pass();
    EXPECT_EQ(position(second), (Point{0, 0}));  // y rests at 0 while x still moves
    driver.pass();
    EXPECT_EQ(position(second), (Point{0, 1}));
    driver.pass();
    EXPECT_EQ(position(second), (Point{1, 2}));
}

class ParticleTest : public SceneTest {
protected:
    std::vector<std::shared_ptr<ImageSprite>> particles() const {
        std::vector<std::shared_ptr<ImageSprite>> found;
        for (const auto& sprite : spritesWithId(0, particleId)) {
            found.push_back(std::dynamic_pointer_cast<ImageSprite>(sprite));
        }
        return found;
    }
};

TEST_F(ParticleTest, AStillPointerAddsACursorPairAndAJitteredPair) {
    scene = makeScene();
    Screen::FrameDriver driver(*scene->screen());
    driver.pass();
    const auto made = particles();
    ASSERT_EQ(made.size(), 4u);
    // The pointer at (500, 400) less half of 32 x 32; the first jitter is (+10, -11).
    const Point at[] = {{484, 384}, {484, 384}, {494, 373}, {494, 373}};
    const uint8_t opacity[] = {128, 128, 96, 96};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(made[i]->getX(), at[i].x) << i;
        EXPECT_EQ(made[i]->getY(), at[i].y) << i;
        EXPECT_EQ(made[i]->getAlpha(), opacity[i]);
        EXPECT_EQ(made[i]->getBlendMode(), BlendMode::Add);
        EXPECT_EQ(made[i]->getPriority(), 1000u);
        EXPECT_TRUE(made[i]->isVisible());
    }
    EXPECT_NE(made[0]->getImage(), made[1]->getImage());  // particle.png, then particle2.png
    EXPECT_EQ(made[0]->getImage(), made[2]->getImage());
    driver.pass();
    EXPECT_EQ(particles().size(), 8u);
    // One pass older: fainter by 4, 4 pixels larger about the same centre.
    EXPECT_EQ(made[0]->getAlpha(), 124);
    EXPECT_EQ(made[0]->getX(), 482);
    EXPECT_EQ(made[0]->getWidth(), 36u);
    EXPECT_EQ(made[0]->getHeight(), 36u);
}

TEST_F(ParticleTest, AFastPointerLeavesALineAndAShortMoveAJitteredPair) {
    scene = makeScene();
    Screen::FrameDriver driver(*scene->screen());
    driver.pass();
    size_t before = particles().size();
    window->cursor()->moveTo(540, 400);  // 40 pixels: ten steps of four
    driver.pass();
    auto made = particles();
    ASSERT_EQ(made.size(), before + 20);
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(made[before + 2 * (k - 1)]->getX(), 484 + 4 * k);
        EXPECT_EQ(made[before + 2 * (k - 1)]->getAlpha(), 128);
    }
    EXPECT_EQ(made.back()->getX(), 524);
    EXPECT_EQ(made.back()->getAlpha(), 128);
    before = made.size();
    window->cursor()->moveTo(533, 395);  // 7 pixels: below two steps
    driver.pass();
    made = particles();
    ASSERT_EQ(made.size(), before + 4);
    EXPECT_EQ(made[before]->getX(), 517);
    EXPECT_EQ(made[before + 3]->getAlpha(), 96);
    before = made.size();
    window->cursor()->moveTo(533, 363);  // 32 pixels up: eight steps
    driver.pass();
    made = particles();
    ASSERT_EQ(made.size(), before + 16);
    EXPECT_EQ(made[before]->getY(), 379 - 4);
}

TEST_F(ParticleTest, ParticlesFadeOutAndGoAfterTheirLastAging) {
    scene = makeScene();
    Screen::FrameDriver driver(*scene->screen());
    driver.pass();
    const auto made = particles();
    const std::weak_ptr<ImageSprite> bright = made[0];
    const std::weak_ptr<ImageSprite> dim = made[2];
    auto present = [&](const std::weak_ptr<ImageSprite>& p) {
        const auto all = particles();
        return std::find(all.begin(), all.end(), p.lock()) != all.end();
    };
    for (int pass = 1; pass <= 33; ++pass) {
        driver.pass();
        SCOPED_TRACE(pass);
        EXPECT_EQ(present(dim), pass < 25);
        EXPECT_EQ(present(bright), pass < 33);
        if (pass == 24) {
            EXPECT_EQ(dim.lock()->getAlpha(), 0);
        }
    }
    // A steady state: each pass adds four and retires four.
    EXPECT_EQ(particles().size(), 2u * 33 + 2u * 25);
}

}  // namespace
}  // namespace tavelo
