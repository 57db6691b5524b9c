#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "render/fill_rect_sprite.h"
#include "render/image_sprite.h"
#include "render/screen_drawer.h"
#include "render/sprite_manager.h"
#include "render/text_sprite.h"
#include "tests/support/test_font.h"

namespace tavelo {
namespace {

using velmora::test::TestFont;

// A 1366 x 768 layer (bands of 11 rows) whose sprites the tests make by hand.
class SpriteTest : public ::testing::Test {
protected:
    std::shared_ptr<FillRectSprite> fill(uint32_t id, const Rect& rect, uint32_t priority = 0) {
        auto sprite =
            std::make_shared<FillRectSprite>(manager, drawer, id, rect, priority, Color{1, 10, 20, 30});
        manager->add(sprite);
        return sprite;
    }
    std::shared_ptr<ImageSprite> image(uint32_t id, int32_t x, int32_t y, std::shared_ptr<Image> picture) {
        auto sprite = std::make_shared<ImageSprite>(manager, drawer, id, x, y, 0, std::move(picture));
        manager->add(sprite);
        return sprite;
    }
    std::vector<DrawCommand> commandsOf(const ISprite& sprite) {
        std::vector<DrawCommand> commands;
        sprite.draw(commands, resources);
        return commands;
    }
    const std::vector<BandSpan>& pendingSpans() { return drawer->getPending().spans; }

    std::shared_ptr<SpriteManager> manager = std::make_shared<SpriteManager>();
    std::shared_ptr<ScreenDrawer> drawer = std::make_shared<ScreenDrawer>(manager, 1366, 768, 11);
    FrameResources resources;
};

TEST_F(SpriteTest, OnlyVisibleSpritesWithOpacityDrawAndKeepTheirResources) {
    auto picture = std::make_shared<Image>(4, 4, PixelFormat::Argb32);
    auto sprite = image(1, 0, 0, picture);
    EXPECT_TRUE(commandsOf(*sprite).empty()) << "a new sprite is hidden";
    sprite->show();
    sprite->setAlpha(0);
    EXPECT_TRUE(commandsOf(*sprite).empty());
    EXPECT_TRUE(resources.images.empty());
    sprite->setAlpha(1);
    EXPECT_EQ(commandsOf(*sprite).size(), 1u);
    ASSERT_EQ(resources.images.size(), 1u);
    EXPECT_EQ(resources.images[0], picture);
}

TEST_F(SpriteTest, FillRectSpriteMovesItsRectangleAndEmitsItsColour) {
    auto sprite = fill(7, {10, 10, 30, 20});
    sprite->setPosition(0, 5);
    EXPECT_EQ(sprite->getRect(), (Rect{0, 5, 20, 15}));
    EXPECT_EQ(sprite->getX(), 0);
    EXPECT_EQ(sprite->getY(), 5);
    sprite->show();
    sprite->setBlendMode(BlendMode::Subtract);
    sprite->setAlpha(77);
    const auto commands = commandsOf(*sprite);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, DrawCommandKind::FillRectCommand);
    EXPECT_EQ(commands[0].blendMode, BlendMode::Subtract);
    EXPECT_EQ(commands[0].alpha, 77);
    EXPECT_EQ(commands[0].rect, (Rect{0, 5, 20, 15}));
    EXPECT_EQ(commands[0].color.blue, 30);
    EXPECT_TRUE(resources.images.empty());
}

TEST_F(SpriteTest, ImageSpriteIsScaledOnlyAtAnotherSize) {
    auto sprite = image(1, 3, 4, std::make_shared<Image>(32, 16, PixelFormat::Rgb24));
    sprite->show();
    auto commands = commandsOf(*sprite);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, DrawCommandKind::ImageCommand);
    EXPECT_EQ(commands[0].rect, (Rect{3, 4, 35, 20}));
    EXPECT_EQ(commands[0].image, sprite->getImage().get());

    sprite->setSize(64, 16);
    sprite->smooth = 1;
    commands = commandsOf(*sprite);
    EXPECT_EQ(commands[0].kind, DrawCommandKind::ScaledImageCommand);
    EXPECT_EQ(commands[0].rect, (Rect{3, 4, 67, 20}));
    EXPECT_EQ(commands[0].srcRect, (Rect{0, 0, 32, 16}));
    EXPECT_EQ(commands[0].smooth, 1);

    sprite->setSize(32, 16);
    EXPECT_EQ(commandsOf(*sprite)[0].kind, DrawCommandKind::ImageCommand);
}

TEST_F(SpriteTest, SetSizeInvalidatesTheOldAndTheNewAreaOfAVisibleSprite) {
    auto sprite = image(1, 100, 0, std::make_shared<Image>(10, 5, PixelFormat::Gray8));
    sprite->setSize(20, 30);  // hidden: only stored
    EXPECT_FALSE(drawer->getPending().dirty);
    EXPECT_EQ(sprite->getWidth(), 20u);
    sprite->show();
    sprite->setSize(50, 5);
    // Old area 20 x 30 (bands 0..2), new area 50 x 5 (band 0).
    EXPECT_EQ(pendingSpans()[0], (BandSpan{100, 150}));
    EXPECT_EQ(pendingSpans()[2], (BandSpan{100, 120}));
    EXPECT_TRUE(pendingSpans()[3].isEmpty());
}

TEST_F(SpriteTest, AreasNearTheCoordinateLimitAreHeldToIt) {
    auto sprite = image(1, INT32_MAX - 5, INT32_MIN, std::make_shared<Image>(100, 3, PixelFormat::Gray8));
    sprite->show();
    const auto commands = commandsOf(*sprite);
    EXPECT_EQ(commands[0].rect, (Rect{INT32_MAX - 5, INT32_MIN, INT32_MAX, INT32_MIN + 3}));
    auto moved = fill(2, {0, 0, 100, 100});
    moved->setPosition(INT32_MAX - 10, 0);
    EXPECT_EQ(moved->getRect(), (Rect{INT32_MAX - 10, 0, INT32_MAX, 100}));
}

TEST_F(SpriteTest, FillRectSpriteKeepsItsSizeThroughMovesPastTheCoordinateLimit) {
    auto sprite = fill(1, {0, 0, 100, 50});
    sprite->setPosition(INT32_MAX - 10, 0);
    sprite->setPosition(0, 0);
    EXPECT_EQ(sprite->getRect(), (Rect{0, 0, 100, 50}));
    sprite->show();
    EXPECT_EQ(commandsOf(*sprite)[0].rect, (Rect{0, 0, 100, 50}));

    // Wider than the 32-bit range: only the area drawn is held to it.
    auto widest = fill(2, {INT32_MIN, 0, INT32_MAX, 10});
    widest->setPosition(0, INT32_MIN);
    EXPECT_EQ(widest->getRect(), (Rect{0, INT32_MIN, INT32_MAX, INT32_MIN + 10}));
    widest->setPosition(INT32_MIN, 0);
    EXPECT_EQ(widest->getRect(), (Rect{INT32_MIN, 0, INT32_MAX, 10}));
    widest->setPosition(INT32_MIN + 1, 0);
    widest->invalidate();
    EXPECT_EQ(pendingSpans()[0], (BandSpan{0, 1366}));
}

TEST_F(SpriteTest, TextSpriteBoxesItsInkAndInvalidatesEachGlyph) {
    auto font = std::make_shared<TestFont>();
    GlyphData space;
    space.advanceX = 8;
    GlyphData letter;
    letter.offsetX = 1;
    letter.offsetY = -7;
    letter.advanceY = 200;  // the next glyph lies far below
    letter.bitmap = std::make_shared<Image>(6, 9, PixelFormat::Gray8);
    font->setGlyph(' ', space);
    font->setGlyph('A', letter);
    font->setGlyph(0xE9, letter);

    const char text[] = " A\xE9";
    auto sprite = std::make_shared<TextSprite>(manager, drawer, 5, 100, 50, 0, text, 3, font, Color{0, 255});
    EXPECT_EQ(font->requestCount(), 3u);
    EXPECT_EQ(sprite->getGlyphCount(), 3u);
    sprite->show();
    const auto commands = commandsOf(*sprite);
    ASSERT_EQ(commands.size(), 1u);
    // The space only moves the pen; byte 0xE9 is code 233, not a negative one.
    EXPECT_EQ(commands[0].rect, (Rect{109, 43, 115, 252}));
    EXPECT_EQ(commands[0].originX, 100);
    EXPECT_EQ(commands[0].originY, 50);
    EXPECT_EQ(commands[0].glyphCount, 3u);
    ASSERT_EQ(resources.glyphArrays.size(), 1u);
    EXPECT_EQ(commands[0].glyphs, resources.glyphArrays[0].get());
    EXPECT_EQ(font->requestCount(), 3u) << "glyphs are fetched once";

    sprite->invalidate();
    // Rows 43..51 and 243..251: bands 3, 4 and 22; nothing in between.
    EXPECT_EQ(pendingSpans()[3], (BandSpan{109, 115}));
    EXPECT_EQ(pendingSpans()[4], (BandSpan{109, 115}));
    EXPECT_TRUE(pendingSpans()[10].isEmpty());
    EXPECT_EQ(pendingSpans()[22], (BandSpan{109, 115}));
}

TEST_F(SpriteTest, TextWithoutInkHasTheEmptyBox) {
    auto font = std::make_shared<TestFont>();
    auto sprite = std::make_shared<TextSprite>(manager, drawer, 5, 10, 10, 0, "   ", 3, font, Color{});
    auto empty = std::make_shared<TextSprite>(manager, drawer, 6, 10, 10, 0, "", 0, nullptr, Color{});
    sprite->show();
    empty->show();
    EXPECT_EQ(commandsOf(*sprite)[0].rect, Rect{});
    EXPECT_EQ(commandsOf(*empty)[0].glyphCount, 0u);
    sprite->invalidate();
    EXPECT_FALSE(drawer->getPending().dirty);
}

TEST_F(SpriteTest, SpritesOutlivingTheirLayerDoNothing) {
    auto sprite = fill(1, {0, 0, 10, 10});
    drawer.reset();
    manager.reset();
    sprite->invalidate();
    sprite->requestSort();
}

TEST_F(SpriteTest, FindTakesTheFirstInListOrderAndSortingIsBySignedPriorityAndStable) {
    auto late = fill(50, {}, 7);
    auto early = fill(50, {}, 3);
    auto top = fill(60, {}, 0x80000000u);  // negative: drawn first
    auto twin = fill(70, {}, 3);
    EXPECT_EQ(manager->find(50), late);
    EXPECT_EQ(manager->find(99), nullptr);
    manager->sortIfNeeded();
    EXPECT_EQ(manager->find(50), early);
    std::vector<ISprite*> order;
    for (const SpriteEntry& entry : manager->getEntries()) {
        order.push_back(entry.sprite.get());
    }
    EXPECT_EQ(order, (std::vector<ISprite*>{top.get(), early.get(), twin.get(), late.get()}));

    // Nothing moves until a sort is asked for.
    early->setPriority(100);
    manager->sortIfNeeded();
    EXPECT_EQ(manager->getEntries()[1].sprite, early);
    early->requestSort();
    manager->sortIfNeeded();
    EXPECT_EQ(manager->getEntries()[3].sprite, early);
}

TEST_F(SpriteTest, RemoveMatchingInvalidatesAndHidesVisibleSpritesOnly) {
    auto shown = fill(5, {0, 0, 10, 10});
    auto transparent = fill(5, {0, 100, 10, 110});
    auto hidden = fill(5, {0, 200, 10, 210});
    auto other = fill(6, {0, 300, 10, 310});
    shown->show();
    transparent->show();
    transparent->setAlpha(0);
    manager->removeMatching(42);
    EXPECT_EQ(manager->getEntries().size(), 4u);
    manager->removeMatching(5);
    ASSERT_EQ(manager->getEntries().size(), 1u);
    EXPECT_EQ(manager->getEntries()[0].sprite, other);
    EXPECT_FALSE(shown->isVisible());
    EXPECT_FALSE(transparent->isVisible());
    EXPECT_EQ(pendingSpans()[0], (BandSpan{0, 10}));
    EXPECT_TRUE(pendingSpans()[100 / 11].isEmpty()) << "a transparent sprite showed nothing";
    EXPECT_TRUE(pendingSpans()[200 / 11].isEmpty());
}

}  // namespace
}  // namespace tavelo
