#include "platform/window_presenter.h"

#include <gtest/gtest.h>

#include <thread>

#include "render/image.h"

namespace velmora::test {
namespace {

using tavelo::Image;
using tavelo::PixelFormat;
using tavelo::Rect;
using tavelo::platform::WindowPresenter;

Image filledFrame(uint32_t width, uint32_t height, uint32_t colour) {
    Image frame(width, height, PixelFormat::Xrgb32);
    for (uint32_t y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(frame.row(y));
        for (uint32_t x = 0; x < width; ++x) {
            row[x] = colour + y * width + x;
        }
    }
    return frame;
}

TEST(WindowPresenterTest, WhatWorkersPresentReachesTheShownImageOnlyWhenTaken) {
    const uint32_t width = 40;
    const uint32_t height = 30;
    auto presenter = std::make_shared<WindowPresenter>(width, height);
    const Image frame = filledFrame(width, height, 0x100000);

    // Two presentations from a worker, one partly outside the frame: one united damage rectangle.
    std::thread worker([&] {
        presenter->present(frame, Rect{2, 3, 10, 8});
        presenter->present(frame, Rect{30, 20, 60, 50});
    });
    worker.join();
    const uint32_t* shown = presenter->shownPixels();
    EXPECT_EQ(shown[3 * width + 2], 0x00FFFFFFu) << "shown before the GUI thread took it";

    EXPECT_EQ(presenter->takePresented(), (Rect{2, 3, 40, 30}));
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const bool presented = (x >= 2 && x < 10 && y >= 3 && y < 8) || (x >= 30 && y >= 20);
            const uint32_t expected = presented ? 0x100000 + y * width + x : 0x00FFFFFF;
            ASSERT_EQ(shown[y * width + x], expected) << x << "," << y;
        }
    }
    // Nothing new: nothing to take; an empty or outside rectangle adds nothing.
    EXPECT_TRUE(presenter->takePresented().isEmpty());
    presenter->present(frame, Rect{50, 50, 60, 60});
    presenter->present(frame, Rect{5, 5, 5, 9});
    EXPECT_TRUE(presenter->takePresented().isEmpty());
}

}  // namespace
}  // namespace velmora::test
