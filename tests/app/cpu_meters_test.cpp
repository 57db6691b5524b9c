#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/cpu_meters.h"
#include "app/frame_handlers.h"
#include "app/text_format.h"
#include "render/fill_rect_sprite.h"
#include "render/image_sprite.h"
#include "render/screen.h"
#include "render/sprite_manager.h"
#include "render/text_sprite.h"
#include "tests/app/scene_fixture.h"

namespace tavelo {
namespace {

using velmora::test::CannedProcStat;
using velmora::test::commandsOf;
using velmora::test::procStat;
using velmora::test::SceneTest;
using velmora::test::showsText;

TEST(ProcessorLoadQueryTest, OneCounterPerProcessorLineThenTheMachine) {
    const std::string twoOnline =
        "cpu  4 0 4 10 2 0 0 0 0 0\ncpu0 2 0 2 5 1 0 0 0 0 0\n"
        "cpu2 2 0 2 5 1 0 0 0 0 0\nintr 5\n";
    ProcessorLoadQuery query([&] { return twoOnline; });
    EXPECT_EQ(query.labels(), (std::vector<std::string>{"(0)", "(2)", "(_Total)"}));
    double value = -1;
    EXPECT_FALSE(query.getValue(0, value));
    query.collect();
    EXPECT_FALSE(query.getValue(0, value));  // one sample is no interval
    query.collect();
    EXPECT_FALSE(query.getValue(0, value));  // no time passed between the two
    EXPECT_FALSE(query.getValue(3, value));

    ProcessorLoadQuery unreadable([] { return std::string(); });
    EXPECT_TRUE(unreadable.labels().empty());
}

TEST(ProcessorLoadQueryTest, BusyIsTheShareOfTimeNeitherIdleNorWaiting) {
    CannedProcStat stat({procStat(1, {0, 0, 0, 0, 0, 0, 0, 0}, {100, 0, 0, 100, 0, 0, 0, 0}),
                         procStat(1, {0, 0, 0, 0, 0, 0, 0, 0}, {100, 0, 0, 100, 0, 0, 0, 0}),
                         procStat(1, {0, 0, 0, 0, 0, 0, 0, 0}, {130, 0, 0, 160, 10, 0, 0, 0}), "garbage\n",
                         procStat(1, {0, 0, 0, 0, 0, 0, 0, 0}, {140, 5, 5, 160, 10, 0, 0, 0})});
    ProcessorLoadQuery query(stat.reader());
    query.collect();
    query.collect();
    double value = 0;
    ASSERT_TRUE(query.getValue(0, value));
    EXPECT_DOUBLE_EQ(value, 30.0);  // user 30, iowait 10, idle 60
    query.collect();
    EXPECT_FALSE(query.getValue(0, value));  // a bad sample
    query.collect();
    EXPECT_FALSE(query.getValue(0, value));  // and the one after it has nothing to compare with
}

TEST(MeterGeometryTest, TheBarGrowsByTwoPointFourPixelsAPercent) {
    struct Case {
        double value;
        int32_t right;
    };
    const Case cases[] = {{0, 1100},  {0.5, 1101}, {1, 1102},
                          {2, 1104},  {50, 1220},  {100, 1340},
                          {-5, 1100}, {140, 1340}, {std::numeric_limits<double>::quiet_NaN(), 1100}};
    for (const Case& c : cases) {
        EXPECT_EQ(meterBarRight(c.value), c.right) << c.value;
    }
    EXPECT_EQ(meterText("(_Total)", 100.0), "CPU(_Total) : 100.00");
    EXPECT_EQ(meterText("(3)", 12.344), "CPU(3) : 12.34");
}

class MeterTest : public SceneTest {
protected:
    // The meter parts of one layer with this id in the order they are made: text, shadow, box, then
    // the bars (the layer itself keeps them in drawing order).
    std::vector<std::shared_ptr<ISprite>> parts(uint8_t layer, uint32_t id) const {
        std::vector<std::shared_ptr<ISprite>> found = spritesWithId(layer, id);
        std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
            const bool aText = std::dynamic_pointer_cast<TextSprite>(a) != nullptr;
            const bool bText = std::dynamic_pointer_cast<TextSprite>(b) != nullptr;
            if (aText != bText) {
                return aText;
            }
            return aText ? a->getPriority() > b->getPriority() : a->getPriority() < b->getPriority();
        });
        return found;
    }
    static Rect rectOf(const std::shared_ptr<ISprite>& sprite) {
        return std::dynamic_pointer_cast<FillRectSprite>(sprite)->getRect();
    }

    Font font{sceneFontFace, 0, 24, false, false};  // the meters' face and size
};

TEST_F(MeterTest, FourProcessorsGiveFiveMetersOnBothLayers) {
    // Between the first two samples each processor is 2 % busy and the machine 100 %.
    CannedProcStat stat({procStat(4, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}),
                         procStat(4, {100, 0, 0, 0, 0, 0, 0, 0}, {20, 0, 0, 980, 0, 0, 0, 0}),
                         procStat(4, {200, 0, 0, 0, 0, 0, 0, 0}, {40, 0, 0, 1960, 0, 0, 0, 0})});
    scene = makeScene(stat.reader());
    Screen::FrameDriver driver(*scene->screen());
    driver.pass();
    const std::string labels[] = {"CPU(0) : ", "CPU(1) : ", "CPU(2) : ", "CPU(3) : ", "CPU(_Total) : "};
    // One sample only: every meter reads 0 with an empty box.
    for (uint8_t layer = 0; layer < 2; ++layer) {
        for (uint32_t i = 0; i < 5; ++i) {
            const auto meter = parts(layer, 10001 + i);
            ASSERT_EQ(meter.size(), 3u);
            EXPECT_TRUE(showsText(*meter[0], font, labels[i] + "0.00"));
            EXPECT_TRUE(showsText(*meter[1], font, labels[i] + "0.00"));
        }
    }
    EXPECT_EQ(countWithId(0, 10006), 0u);
    for (int pass = 1; pass <= 16; ++pass) {
        driver.pass();  // the sixteenth pass after the first samples again
    }
    for (uint8_t layer = 0; layer < 2; ++layer) {
        SCOPED_TRACE(int(layer));
        for (uint32_t i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            const int32_t y = 10 + 28 * static_cast<int32_t>(i);
            const auto meter = parts(layer, 10001 + i);
            ASSERT_EQ(meter.size(), 5u);
            EXPECT_EQ(meter[0]->getX(), 1100);
            EXPECT_EQ(meter[0]->getY(), y);
            EXPECT_EQ(meter[0]->getPriority(), 600u);
            EXPECT_TRUE(showsText(*meter[0], font, labels[i] + (i < 4 ? "2.00" : "100.00")));
            EXPECT_TRUE(showsText(*meter[1], font, labels[i] + (i < 4 ? "2.00" : "100.00")));
            EXPECT_EQ(commandsOf(*meter[0]).at(0).color.red, 255);
            EXPECT_EQ(meter[1]->getX(), 1101);
            EXPECT_EQ(meter[1]->getY(), y + 1);
            EXPECT_EQ(meter[1]->getPriority(), 599u);
            EXPECT_EQ(commandsOf(*meter[1]).at(0).color.red, 64);
            EXPECT_EQ(rectOf(meter[2]), (Rect{1100, y, 1340, y + 24}));
            EXPECT_EQ(meter[2]->getBlendMode(), BlendMode::Subtract);
            EXPECT_EQ(meter[2]->getPriority(), 597u);
            const int32_t right = i < 4 ? 1104 : 1340;
            EXPECT_EQ(rectOf(meter[3]), (Rect{1100, y, right, y + 24}));
            EXPECT_EQ(rectOf(meter[4]), (Rect{1101, y + 1, right - 1, y + 23}));
            for (size_t bar = 3; bar < 5; ++bar) {
                EXPECT_EQ(meter[bar]->getBlendMode(), BlendMode::Add);
                EXPECT_EQ(meter[bar]->getPriority(), 598u);
                const Color color = commandsOf(*meter[bar]).at(0).color;
                // The machine's bar is reddish, the processors' greenish.
                EXPECT_EQ(color.red, i < 4 ? 32 : 128);
                EXPECT_EQ(color.green, i < 4 ? 128 : 32);
                EXPECT_EQ(color.blue, 16);
            }
            for (const auto& part : meter) {
                EXPECT_TRUE(part->isVisible());
                EXPECT_EQ(part->getAlpha(), 255);
            }
        }
    }
    EXPECT_TRUE(showsText(*parts(0, 10005)[0], font, "CPU(_Total) : 100.00"));
    // A label of the same length would not pass.
    EXPECT_FALSE(showsText(*parts(0, 10005)[0], font, "CPU(_Tatal) : 100.00"));
}

// The bar and the inner bar at the loads where they appear: a second sample 1,000 ticks after the
// first, of which `busy` neither idle nor waiting.
TEST_F(MeterTest, TheBarsAppearAsTheLoadGrows) {
    struct Case {
        uint64_t busy;
        const char* value;
        std::vector<Rect> bars;  // below the box's top y, from 0
    };
    const Case cases[] = {
        {0, "0.00", {}},
        {5, "0.50", {{1100, 0, 1101, 24}}},
        {10, "1.00", {{1100, 0, 1102, 24}}},
        {20, "2.00", {{1100, 0, 1104, 24}, {1101, 1, 1103, 23}}},
        {1000, "100.00", {{1100, 0, 1340, 24}, {1101, 1, 1339, 23}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const std::vector<uint64_t> before = {0, 0, 0, 0, 0, 0, 0, 0};
        const std::vector<uint64_t> after = {c.busy, 0, 0, 1000 - c.busy, 0, 0, 0, 0};
        // The query reads once when it opens, then samples on the first pass and the seventeenth.
        CannedProcStat stat(
            {procStat(1, before, before), procStat(1, before, before), procStat(1, after, after)});
        scene = makeScene(stat.reader());
        Screen::FrameDriver driver(*scene->screen());
        for (int pass = 0; pass <= 16; ++pass) {
            driver.pass();
        }
        const std::string labels[] = {"CPU(0) : ", "CPU(_Total) : "};
        for (uint8_t layer = 0; layer < 2; ++layer) {
            for (uint32_t i = 0; i < 2; ++i) {
                const int32_t y = 10 + 28 * static_cast<int32_t>(i);
                const auto meter = parts(layer, 10001 + i);
                ASSERT_EQ(meter.size(), 3 + c.bars.size());
                EXPECT_TRUE(showsText(*meter[0], font, labels[i] + c.value));
                EXPECT_EQ(rectOf(meter[2]), (Rect{1100, y, 1340, y + 24}));  // the box
                for (size_t bar = 0; bar < c.bars.size(); ++bar) {
                    const Rect& r = c.bars[bar];
                    EXPECT_EQ(rectOf(meter[3 + bar]), (Rect{r.left, y + r.top, r.right, y + r.bottom}))
                        << bar;
                }
            }
        }
    }
}

// With 128 processors the hundredth meter carries the particles' id: each keeps to its own sprites.
TEST_F(MeterTest, AMeterSharingTheParticlesIdLeavesThemAlone) {
    CannedProcStat stat({procStat(128, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}),
                         procStat(128, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}),
                         procStat(128, {50, 0, 0, 50, 0, 0, 0, 0}, {50, 0, 0, 50, 0, 0, 0, 0})});
    scene = makeScene(stat.reader());
    Screen::FrameDriver driver(*scene->screen());
    for (int pass = 0; pass < 20; ++pass) {
        driver.pass();
    }
    size_t images = 0;
    size_t meterParts = 0;
    for (const auto& sprite : spritesWithId(0, particleId)) {
        if (std::dynamic_pointer_cast<ImageSprite>(sprite)) {
            ++images;
        } else {
            ++meterParts;
            EXPECT_EQ(sprite->getAlpha(), 255);
            EXPECT_TRUE(sprite->isVisible());
        }
    }
    EXPECT_EQ(images, 20u * 4);  // no particle has aged out yet, and none was taken by the meter
    EXPECT_EQ(meterParts, 5u);   // 50 %: text, shadow, box, bar, inner bar
    EXPECT_EQ(countWithId(1, particleId), 5u);
    EXPECT_EQ(countWithId(0, 10001 + 128), 5u);  // the machine's meter, last
}

}  // namespace
}  // namespace tavelo
