#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/exception.h"
#include "render/command_dispatch.h"
#include "render/fill_rect_sprite.h"
#include "render/image_sprite.h"
#include "render/screen_drawer.h"
#include "render/sprite_manager.h"
#include "render/text_sprite.h"
#include "tests/support/allocation_tracker.h"
#include "tests/support/seeded_random.h"
#include "tests/support/test_font.h"

namespace tavelo {

// The drawer's tests see what a band executes, and with which clip, instead of pixels: this binary
// takes the place of the pixel dispatch with a recorder.
struct ExecutedCommand {
    const Image* destination;
    ClipInfo clip;
    DrawCommand command;
};
std::vector<ExecutedCommand> g_executed;

void executeDrawCommand(const Image& destination, const ClipInfo* clip, const DrawCommand& command) {
    g_executed.push_back({&destination, clip ? *clip : ClipInfo{}, command});
}

namespace {

using velmora::test::SeededRandom;

class ScreenDrawerTest : public ::testing::Test {
protected:
    void SetUp() override { g_executed.clear(); }

    // A 1366 x 768 layer: bands of 11 rows, 70 of them.
    std::shared_ptr<FillRectSprite> fill(const Rect& rect, uint32_t priority = 0) {
        auto sprite = std::make_shared<FillRectSprite>(manager, drawer, 0, rect, priority, Color{});
        manager->add(sprite);
        sprite->show();
        return sprite;
    }
    void handOver() {
        drawer->buildFrame();
        drawer->handOver();
    }

    std::shared_ptr<SpriteManager> manager = std::make_shared<SpriteManager>();
    std::shared_ptr<ScreenDrawer> drawer =
        std::make_shared<ScreenDrawer>(manager, 1366, 768, 65536 / (1366 * 4));
};

TEST_F(ScreenDrawerTest, BandGeometry) {
    struct Case {
        uint32_t width, height, bandHeight, bandCount;
    };
    for (const Case& c : {Case{1366, 768, 11, 70}, Case{1360, 768, 12, 64}, Case{100, 5, 5, 1},
                          Case{16384, 3, 1, 3}, Case{1, 70000, 16384, 5}}) {
        const ScreenDrawer layer(manager, c.width, c.height, 65536 / (c.width * 4));
        EXPECT_EQ(layer.getBandHeight(), c.bandHeight) << c.width << " x " << c.height;
        EXPECT_EQ(layer.getBandCount(), c.bandCount) << c.width << " x " << c.height;
        EXPECT_EQ(layer.getPending().spans.size(), c.bandCount);
        EXPECT_EQ(layer.getLastDrawnSpans().size(), c.bandCount);
    }
    // Rows wider than a band, or no rows at all, cannot be banded.
    EXPECT_THROW(ScreenDrawer(manager, 16385, 768, 65536 / (16385 * 4)), Exception);
    EXPECT_THROW(ScreenDrawer(manager, 100, 0, 163), Exception);
    EXPECT_THROW(ScreenDrawer(manager, 0, 100, 1), Exception);
}

TEST_F(ScreenDrawerTest, InvalidateClipsToTheLayerAndWidensToWholeBands) {
    drawer->invalidate({-10, 5, 20, 15});
    const Frame& pending = drawer->getPending();
    EXPECT_EQ(pending.spans[0], (BandSpan{0, 20}));
    EXPECT_EQ(pending.spans[1], (BandSpan{0, 20}));
    EXPECT_TRUE(pending.spans[2].isEmpty());
    EXPECT_EQ(pending.dirtyRect, (Rect{0, 0, 20, 22}));
    EXPECT_TRUE(pending.dirty);

    // Spans of one band grow to cover both areas; the last band ends at the layer's bottom.
    drawer->invalidate({50, 0, 60, 5});
    drawer->invalidate({1360, 760, 1400, 900});
    EXPECT_EQ(pending.spans[0], (BandSpan{0, 60}));
    EXPECT_EQ(pending.spans[69], (BandSpan{1360, 1366}));
    EXPECT_EQ(pending.dirtyRect, (Rect{0, 0, 1366, 768}));
}

TEST_F(ScreenDrawerTest, InvalidateIgnoresAreasOutsideTheLayerAndInvertedOnes) {
    for (const Rect& outside :
         {Rect{1366, 0, 1400, 10}, Rect{0, -20, 10, -1}, Rect{-30, 0, -10, 10}, Rect{0, 768, 10, 800},
          Rect{5, 5, 5, 100}, Rect{30, 0, 10, 10}, Rect{0, 30, 10, 10}}) {
        drawer->invalidate(outside);
        EXPECT_FALSE(drawer->getPending().dirty) << outside.left << "," << outside.top;
    }
    // A left edge below zero is still left of an unsigned width.
    drawer->invalidate({-2000000000, 700, 3, 701});
    EXPECT_EQ(drawer->getPending().spans[63], (BandSpan{0, 3}));
}

TEST_F(ScreenDrawerTest, BuildFrameDrawsTheSpritesInPriorityOrderAndKeepsAWaitingFrame) {
    const auto upper = fill({0, 0, 10, 10}, 9);
    const auto lower = fill({0, 0, 20, 20}, 1);
    EXPECT_EQ(drawer->buildFrame(), Rect{}) << "nothing was invalidated";

    drawer->invalidate({0, 0, 5, 5});
    EXPECT_EQ(drawer->buildFrame(), (Rect{0, 0, 5, 11}));
    const Frame& ready = drawer->getReady();
    ASSERT_EQ(ready.commands.size(), 2u);
    EXPECT_EQ(ready.commands[0].rect, lower->getRect());
    EXPECT_EQ(ready.commands[1].rect, upper->getRect());
    EXPECT_FALSE(drawer->getPending().dirty);

    // No worker took it: a second build keeps its area, and a build with nothing new reports it.
    drawer->invalidate({100, 300, 110, 301});
    EXPECT_EQ(drawer->buildFrame(), (Rect{0, 0, 110, 308}));
    EXPECT_EQ(ready.spans[0], (BandSpan{0, 5}));
    EXPECT_EQ(ready.spans[27], (BandSpan{100, 110}));
    EXPECT_EQ(drawer->buildFrame(), (Rect{0, 0, 110, 308}));

    drawer->handOver();
    EXPECT_EQ(drawer->buildFrame(), Rect{}) << "the frame was taken";
    EXPECT_EQ(drawer->getDrawing().commands.size(), 2u);
}

TEST_F(ScreenDrawerTest, MergeDirtyUnitesBandsAndLeavesCleanFramesAlone) {
    ScreenDrawer other(manager, 1366, 768, 11);
    other.invalidate({200, 20, 300, 25});
    drawer->invalidate({0, 0, 10, 30});
    ScreenDrawer::mergeDirty(drawer->getPending(), other.getPending());
    for (const Frame* frame : {&drawer->getPending(), &other.getPending()}) {
        EXPECT_EQ(frame->spans[0], (BandSpan{0, 10}));
        EXPECT_EQ(frame->spans[1], (BandSpan{0, 300}));
        EXPECT_EQ(frame->spans[2], (BandSpan{0, 300}));
        EXPECT_EQ(frame->dirtyRect, (Rect{0, 0, 300, 33}));
        EXPECT_TRUE(frame->dirty);
    }

    ScreenDrawer clean(manager, 1366, 768, 11);
    ScreenDrawer alsoClean(manager, 1366, 768, 11);
    clean.getPending().dirtyRect = {1, 2, 3, 4};
    ScreenDrawer::mergeDirty(clean.getPending(), alsoClean.getPending());
    EXPECT_FALSE(alsoClean.getPending().dirty);
    EXPECT_EQ(alsoClean.getPending().dirtyRect, Rect{});
}

TEST_F(ScreenDrawerTest, StaleBandRectCoversWhatTheLastFrameChangedAndThisOneDoesNotRedraw) {
    // Band 0: last {10, 20}, now {0, 30} (covered). Band 1: last empty, now {5, 8}. Bands 2 and 3:
    // last {10, 20}, now {15, 40} and {0, 15} (not covered). Band 4: empty both times.
    drawer->invalidate({10, 0, 20, 1});
    drawer->invalidate({10, 22, 20, 34});
    handOver();
    drawer->invalidate({0, 0, 30, 1});
    drawer->invalidate({5, 11, 8, 12});
    drawer->invalidate({15, 22, 40, 23});
    drawer->invalidate({0, 33, 15, 34});
    handOver();
    EXPECT_EQ(drawer->getLastDrawnSpans()[0], (BandSpan{10, 20}));
    EXPECT_EQ(drawer->staleBandRect(0), Rect{});
    EXPECT_EQ(drawer->staleBandRect(1), (Rect{5, 11, 8, 22}));
    EXPECT_EQ(drawer->staleBandRect(2), (Rect{10, 22, 40, 33}));
    EXPECT_EQ(drawer->staleBandRect(3), (Rect{0, 33, 20, 44}));
    EXPECT_EQ(drawer->staleBandRect(4), Rect{});

    drawer->retireDrawnFrame();
    EXPECT_FALSE(drawer->hasDrawingFrame());
    EXPECT_EQ(drawer->getLastDrawnSpans()[2], (BandSpan{15, 40}));
    EXPECT_TRUE(drawer->getDrawing().spans[2].isEmpty());
    EXPECT_TRUE(drawer->getDrawing().commands.empty());
}

TEST_F(ScreenDrawerTest, DrawBandExecutesOnlyCommandsReachingTheBandClippedToItsSpan) {
    fill({0, 0, 10, 11});     // band 0 only
    fill({0, 11, 500, 12});   // band 1 only
    fill({600, 5, 700, 30});  // bands 0 to 2, outside band 1's columns: the clip handles those
    fill({0, 40, 10, 40});    // empty
    drawer->invalidate({100, 0, 200, 30});
    handOver();
    const Image band(1366, 11, PixelFormat::Xrgb32, 1366 * 4, nullptr);

    EXPECT_EQ(drawer->drawBand(band, 1, -11), (Rect{100, 11, 200, 22}));
    ASSERT_EQ(g_executed.size(), 2u);
    EXPECT_EQ(g_executed[0].command.rect, (Rect{0, 11, 500, 12}));
    EXPECT_EQ(g_executed[1].command.rect, (Rect{600, 5, 700, 30}));
    EXPECT_EQ(g_executed[0].destination, &band);
    EXPECT_EQ(g_executed[0].clip.clip, (Rect{100, 0, 200, 11}));
    EXPECT_EQ(g_executed[0].clip.offsetX, 0);
    EXPECT_EQ(g_executed[0].clip.offsetY, -11);

    // A band with nothing dirty draws nothing; the last band is cut at the layer's bottom.
    g_executed.clear();
    EXPECT_EQ(drawer->drawBand(band, 5, 0), (Rect{0, 55, 0, 66}));
    drawer->invalidate({0, 765, 1, 766});
    handOver();
    EXPECT_EQ(drawer->drawBand(band, 69, 0), (Rect{0, 759, 1, 768}));
    EXPECT_TRUE(g_executed.empty());
}

TEST_F(ScreenDrawerTest, EachBandExecutesTheCommandsThatReachItsRowsInOrder) {
    // Rectangles of every kind: inside, across and beyond the layer's rows, empty, inverted, at the
    // bottom band of 9 rows. Each band must run, in list order, exactly the commands whose rows meet it.
    SeededRandom random;
    std::vector<Rect> rects{
        {0, 759, 5, 768}, {0, 768, 5, 800}, {0, 767, 5, 768}, {0, -5, 5, 0}, {0, -5, 5, 1},
        {0, 12, 5, 12},   {0, 13, 5, 12},   {0, 23, 5, 12},   {0, 0, 0, 0},  {0, INT32_MIN, 5, INT32_MAX}};
    for (int i = 0; i < 300; ++i) {
        const int32_t top = static_cast<int32_t>(random.between(-40, 800));
        rects.push_back({0, top, 5, static_cast<int32_t>(top + random.between(-15, 120))});
    }
    for (size_t i = 0; i < rects.size(); ++i) {
        fill(rects[i], static_cast<uint32_t>(i));
    }
    drawer->invalidate({0, 0, 1366, 768});
    handOver();
    const Image band(1366, 768, PixelFormat::Xrgb32, 1366 * 4, nullptr);
    for (uint32_t index = 0; index < 70; ++index) {
        const int32_t top = int32_t(index) * 11;
        const int32_t bottom = std::min(top + 11, 768);
        std::vector<Rect> expected;
        for (const Rect& rect : rects) {
            if (rect.bottom > top && rect.top < bottom) {
                expected.push_back(rect);
            }
        }
        g_executed.clear();
        drawer->drawBand(band, index, 0);
        std::vector<Rect> executed;
        for (const ExecutedCommand& command : g_executed) {
            executed.push_back(command.command.rect);
        }
        ASSERT_EQ(executed, expected) << "band " << index;
    }
}

TEST_F(ScreenDrawerTest, ABandIsOverwrittenOnlyByAnOpaqueNormalFillOverAllItsDirtyPixels) {
    // Band 1 (rows 11 to 22) dirty in columns 100 to 200 on a 1366 x 768 layer.
    struct Case {
        const char* name;
        Rect rect;
        BlendMode mode;
        uint8_t alpha;
        bool overwrites;
    };
    const Case cases[] = {
        {"covering", {100, 11, 200, 22}, BlendMode::Normal, 255, true},
        {"beyond the band", {-5, 0, 1366, 768}, BlendMode::Normal, 255, true},
        {"one column short on the left", {101, 0, 200, 768}, BlendMode::Normal, 255, false},
        {"one column short on the right", {100, 0, 199, 768}, BlendMode::Normal, 255, false},
        {"one row short at the top", {100, 12, 200, 768}, BlendMode::Normal, 255, false},
        {"one row short at the bottom", {100, 0, 200, 21}, BlendMode::Normal, 255, false},
        {"translucent", {0, 0, 1366, 768}, BlendMode::Normal, 254, false},
        {"added", {0, 0, 1366, 768}, BlendMode::Add, 255, false},
    };
    for (const Case& c : cases) {
        manager = std::make_shared<SpriteManager>();
        drawer = std::make_shared<ScreenDrawer>(manager, 1366, 768, 65536 / (1366 * 4));
        auto first = fill(c.rect, 0);
        first->setBlendMode(c.mode);
        first->setAlpha(c.alpha);
        fill({0, 0, 1366, 768}, 1);  // opaque, but second
        drawer->invalidate({100, 15, 200, 16});
        handOver();
        EXPECT_EQ(drawer->overwrittenBandRect(1), c.overwrites ? (Rect{100, 11, 200, 22}) : Rect{}) << c.name;
        EXPECT_EQ(drawer->overwrittenBandRect(2), Rect{}) << c.name << ": nothing dirty";
    }
    // An image drawn first writes what its pixels make of the destination.
    manager = std::make_shared<SpriteManager>();
    drawer = std::make_shared<ScreenDrawer>(manager, 1366, 768, 65536 / (1366 * 4));
    auto picture = std::make_shared<ImageSprite>(manager, drawer, 1, 0, 0, 0,
                                                 std::make_shared<Image>(1366, 768, PixelFormat::Xrgb32));
    manager->add(picture);
    picture->show();
    fill({0, 0, 1366, 768}, 1);
    drawer->invalidate({100, 15, 200, 16});
    handOver();
    EXPECT_EQ(drawer->overwrittenBandRect(1), Rect{});
}

TEST_F(ScreenDrawerTest, ASteadySceneBuildsFramesWithoutAllocating) {
    for (int32_t i = 0; i < 20; ++i) {
        fill({i, i, i + 30, i + 40});
    }
    auto picture = std::make_shared<ImageSprite>(manager, drawer, 1, 5, 5, 0,
                                                 std::make_shared<Image>(8, 8, PixelFormat::Argb32));
    auto text = std::make_shared<TextSprite>(manager, drawer, 2, 5, 50, 0, "steady", 6,
                                             std::make_shared<velmora::test::TestFont>(), Color{});
    for (const std::shared_ptr<ISprite>& sprite : std::vector<std::shared_ptr<ISprite>>{picture, text}) {
        sprite->show();
        manager->add(sprite);
    }
    const auto frame = [&](int32_t step) {
        picture->invalidate();
        picture->setPosition(step % 100, 5);
        picture->invalidate();
        text->invalidate();
        drawer->buildFrame();
        drawer->handOver();
    };
    for (int32_t step = 0; step < 3; ++step) {
        frame(step);
    }
    const uint64_t before = velmora::test::allocationCount();
    for (int32_t step = 3; step < 20; ++step) {
        frame(step);
    }
    EXPECT_EQ(velmora::test::allocationCount(), before);
}

TEST_F(ScreenDrawerTest, TheRetiredFrameLetsItsImagesGoOnRelease) {
    auto image = std::make_shared<Image>(8, 8, PixelFormat::Argb32);
    auto picture = std::make_shared<ImageSprite>(manager, drawer, 1, 5, 5, 0, image);
    manager->add(picture);
    picture->show();
    picture->invalidate();
    handOver();
    const long drawn = image.use_count();  // the sprite's and the drawing frame's
    picture->invalidate();
    handOver();
    // The first frame is retired, but its commands go only on release: a frame built meanwhile and
    // waiting for the workers keeps its own.
    EXPECT_EQ(image.use_count(), drawn + 1);
    EXPECT_TRUE(drawer->getReady().spans[0].isEmpty());
    drawer->releaseRetired();
    EXPECT_EQ(image.use_count(), drawn);
    EXPECT_TRUE(drawer->getReady().commands.empty());

    picture->invalidate();
    drawer->buildFrame();
    drawer->releaseRetired();
    EXPECT_EQ(drawer->getReady().commands.size(), 1u);
    EXPECT_EQ(image.use_count(), drawn + 1);
}

TEST_F(ScreenDrawerTest, HandOverRetiresTheFrameDrawnBefore) {
    drawer->invalidate({0, 0, 10, 10});
    handOver();
    EXPECT_TRUE(drawer->hasDrawingFrame());
    drawer->invalidate({0, 100, 20, 101});
    handOver();
    EXPECT_EQ(drawer->getLastDrawnSpans()[0], (BandSpan{0, 10}));
    EXPECT_EQ(drawer->getDrawing().spans[9], (BandSpan{0, 20}));
    EXPECT_TRUE(drawer->getDrawing().spans[0].isEmpty());
}

}  // namespace
}  // namespace tavelo
