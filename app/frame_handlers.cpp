#include "app/frame_handlers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/benchmark_scene.h"
#include "app/load_image.h"
#include "app/sprite_rules.h"
#include "app/text_format.h"
#include "app/uniform_int.h"
#include "render/font.h"
#include "render/image_sprite.h"
#include "render/screen.h"
#include "render/sprite_manager.h"
#include "render/text_sprite.h"

namespace tavelo {
namespace {

constexpr uint32_t generatorSeed = 5489;

struct MouseHandler {
    BenchmarkScene* scene;

    bool operator()(Screen&) {
        try {
            scene->mouse().update();
        } catch (const std::exception&) {
            // The pointer may be on another screen for a while: keep its last position.
        }
        return false;
    }
};

struct SnowHandler {
    std::mt19937 generator;
    UniformInt jitter{0, 4};
    std::vector<SnowFlake> flakes;

    bool operator()(Screen& screen) {
        const auto w = static_cast<int32_t>(screen.width);
        const auto h = static_cast<int32_t>(screen.height);
        for (SnowFlake& flake : flakes) {
            advanceFlake(flake, jitter(generator) - 2, w, h);
        }
        return false;
    }
};

struct FpsHandler {
    FrameRateCounter counter;
    std::shared_ptr<Font> font;

    bool operator()(Screen& screen) {
        if (!screen.frameTimer.frameDrawn) {
            return false;
        }
        const double fps = counter.addFrame(screen.frameTimer.last);
        for (uint8_t layer = 0; layer < 2; ++layer) {
            const std::string text = fpsText(fps, layer + 1u);
            removeSprites(*screen.getSpriteManager(layer), fpsTextId);
            showSprite(*screen.createTextSprite(layer, fpsTextId, 0, 0, 600, text.data(), text.size(), font,
                                                Color{0, 255}));
            showSprite(*screen.createTextSprite(layer, fpsTextId, 2, 2, 599, text.data(), text.size(), font,
                                                Color{0, 64}));
        }
        return false;
    }
};

struct TransitionHandler {
    bool rising = false;
    std::vector<std::shared_ptr<Image>> images;
    size_t index = 0;

    bool operator()(Screen& screen) {
        uint8_t level = screen.transitionLevel;
        if (rising) {
            if (level == 255) {
                rising = false;
                return false;
            }
            ++level;
        } else {
            if (level == 0) {
                if (!images.empty()) {
                    screen.setTransitionImage(images[index]);
                    index = (index + 1) % images.size();
                }
                rising = true;
                return false;
            }
            --level;
        }
        screen.transitionLevel = level;
        screen.invalidateAll();
        return false;
    }
};

struct BounceHandler {
    // Horizontal and vertical direction of sprite 11, then of sprite 12: 1 right (down), 0 left (up).
    std::array<uint8_t, 4> directions{1, 1, 1, 1};

    // One step along one axis within [0, limit]; at an edge only the direction turns.
    static int32_t step(int32_t position, int32_t limit, uint8_t& direction) {
        if (direction == 1) {
            if (position < limit) {
                return position + 1;
            }
            direction = 0;
        } else {
            if (position > 0) {
                return position - 1;
            }
            direction = 1;
        }
        return position;
    }

    bool operator()(Screen& screen) {
        const std::shared_ptr<SpriteManager> sprites = screen.getSpriteManager(1);
        const auto w = static_cast<int64_t>(screen.width);
        const auto h = static_cast<int64_t>(screen.height);
        for (uint32_t i = 0; i < 2; ++i) {
            auto sprite = std::dynamic_pointer_cast<ImageSprite>(sprites->find(11 + i));
            if (!sprite) {
                continue;
            }
            const Image& image = *sprite->getImage();
            // The limits in 64 bits, held to the 32-bit range: an image wider than the screen gives a
            // negative limit, and the sprite stays where it is.
            const auto limitX =
                static_cast<int32_t>(std::clamp<int64_t>(w - image.width, INT32_MIN, INT32_MAX));
            const auto limitY =
                static_cast<int32_t>(std::clamp<int64_t>(h - image.height, INT32_MIN, INT32_MAX));
            const int32_t x = step(sprite->getX(), limitX, directions[2 * i]);
            const int32_t y = step(sprite->getY(), limitY, directions[2 * i + 1]);
            moveSprite(*sprite, x, y);
        }
        return false;
    }
};

struct ParticleHandler {
    BenchmarkScene* scene = nullptr;
    std::shared_ptr<Image> particle;
    int32_t lastX = 0;
    int32_t lastY = 0;
    std::shared_ptr<Image> particle2;
    UniformInt jitter{0, 30};
    std::mt19937 generator;

    Point cursorCorner() const {
        const Point mouse = scene->mouse().position;
        return {mouse.x - static_cast<int32_t>(particle->width / 2),
                mouse.y - static_cast<int32_t>(particle->height / 2)};
    }

    void emitPair(Screen& screen, int32_t x, int32_t y, uint8_t opacity) const {
        for (const std::shared_ptr<Image>& image : {particle, particle2}) {
            const std::shared_ptr<ImageSprite> sprite =
                screen.createImageSprite(0, particleId, x, y, 1000, image);
            setSpriteBlendMode(*sprite, BlendMode::Add);
            setSpriteOpacity(*sprite, opacity);
            showSprite(*sprite);
        }
    }

    bool operator()(Screen& screen) {
        const std::shared_ptr<SpriteManager> sprites = screen.getSpriteManager(0);
        std::vector<SpriteEntry>& entries = sprites->getEntries();
        // Only images carry the particles' id here: other sprites that happen to share it (a meter's
        // parts, on a machine with a hundred processors) are not particles and are left alone.
        const auto isParticle = [](const SpriteEntry& entry) {
            return entry.id == particleId && dynamic_cast<ImageSprite*>(entry.sprite.get()) != nullptr;
        };
        std::erase_if(entries, [&](const SpriteEntry& entry) {
            if (!isParticle(entry) || entry.sprite->getAlpha() != 0) {
                return false;
            }
            hideSprite(*entry.sprite);
            return true;
        });
        for (const SpriteEntry& entry : entries) {
            if (!isParticle(entry)) {
                continue;
            }
            auto& sprite = static_cast<ImageSprite&>(*entry.sprite);
            const uint8_t opacity = sprite.getAlpha();
            setSpriteOpacity(sprite, static_cast<uint8_t>(opacity - std::min<uint8_t>(opacity, 4)));
            moveSprite(sprite, sprite.getX() - 2, sprite.getY() - 2);
            sprite.setSize(sprite.getWidth() + 4, sprite.getHeight() + 4);
        }

        const Point corner = cursorCorner();
        const int32_t dx = corner.x - lastX;
        const int32_t dy = corner.y - lastY;
        const int32_t n = std::max(std::abs(dx), std::abs(dy)) / 4;
        if (n > 1) {
            // A fast pointer leaves a line of particles behind it rather than scattered dots.
            for (int32_t k = 1; k < n; ++k) {
                emitPair(screen, static_cast<int32_t>(int64_t{dx} * k / n) + lastX,
                         static_cast<int32_t>(int64_t{dy} * k / n) + lastY, 128);
            }
        }
        emitPair(screen, corner.x, corner.y, 128);
        if (n < 2) {
            const int32_t jx = jitter(generator);
            const int32_t jy = jitter(generator);
            emitPair(screen, corner.x + jx - 15, corner.y + jy - 15, 96);
        }
        lastX = corner.x;
        lastY = corner.y;
        return false;
    }
};

}  // namespace

FrameRateCounter::FrameRateCounter() {
    intervals_.fill(empty);
}

double FrameRateCounter::addFrame(uint32_t t) {
    if (lastFrameTime_ != 0 && lastFrameTime_ < t) {
        const uint32_t i = ringIndex_ == ringSize ? 0 : ringIndex_;
        intervals_[i] = t - lastFrameTime_;
        ringIndex_ = i + 1;
    }
    lastFrameTime_ = t;
    uint32_t count = 0;
    uint32_t sum = 0;
    for (uint32_t interval : intervals_) {
        if (interval != empty) {
            ++count;
            sum += interval;
        }
    }
    return sum != 0 ? count * 1000.0 / sum : 0.0;
}

void advanceFlake(SnowFlake& flake, int32_t d, int32_t w, int32_t h) {
    ISprite& sprite = *flake.sprite;
    const int32_t step = std::clamp(d + flake.drift, -flake.speed, flake.speed);
    int32_t x = sprite.getX() + step;
    if (x > w + 10) {
        x = -10;
    }
    int32_t y = sprite.getY() + flake.speed;
    uint8_t opacity;
    if (y > h) {
        y = -10;
        opacity = static_cast<uint8_t>(flake.baseOpacity);
    } else {
        opacity = static_cast<uint8_t>(std::clamp(sprite.getAlpha() + d, 0, 255));
    }
    moveSprite(sprite, x, y);
    setSpriteOpacity(sprite, opacity);
}

void addMouseHandler(BenchmarkScene& scene) {
    scene.screen()->addFrameHandler(MouseHandler{&scene});
}

void addSnowHandler(BenchmarkScene& scene) {
    Screen& screen = *scene.screen();
    SnowHandler handler;
    handler.generator.seed(generatorSeed);
    const auto w = static_cast<int32_t>(screen.width);
    const auto h = static_cast<int32_t>(screen.height);
    static constexpr uint32_t baseOpacities[] = {32, 64, 128, 192};
    const std::shared_ptr<Image> snow = loadImage("snow.png");
    const std::shared_ptr<Image> snow2 = loadImage("snow2.png");
    handler.flakes.reserve(900);
    for (uint32_t id = 100; id <= 999; ++id) {
        const int32_t x = UniformInt{0, w}(handler.generator);
        const int32_t y = UniformInt{0, h}(handler.generator);
        const int32_t speed = UniformInt{1, 4}(handler.generator);
        // The slowest flakes are the far ones: smaller and dimmer.
        const std::shared_ptr<ImageSprite> sprite =
            screen.createImageSprite(0, id, x, y, 500, speed == 1 ? snow2 : snow);
        setSpriteBlendMode(*sprite, BlendMode::Add);
        const uint32_t baseOpacity = baseOpacities[id % 4];
        setSpriteOpacity(*sprite, static_cast<uint8_t>(baseOpacity));
        showSprite(*sprite);
        handler.flakes.push_back({id, 0, speed, baseOpacity, sprite});
    }
    screen.addFrameHandler(std::move(handler));
}

void addFpsHandler(BenchmarkScene& scene) {
    FpsHandler handler;
    handler.font = std::make_shared<Font>(sceneFontFace, 0, 32, false, false);
    scene.screen()->addFrameHandler(std::move(handler));
}

std::vector<std::shared_ptr<Image>> loadTransitionMasks() {
    std::vector<std::shared_ptr<Image>> masks;
    for (int i = 0;; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "trans%d.png", i);
        try {
            masks.push_back(loadImage(name));
        } catch (const std::exception&) {
            // The series ends at the first mask that cannot be loaded.
            return masks;
        }
    }
}

void addTransitionHandler(BenchmarkScene& scene) {
    addTransitionHandler(*scene.screen(), loadTransitionMasks());
}

void addTransitionHandler(Screen& screen, std::vector<std::shared_ptr<Image>> masks) {
    TransitionHandler handler;
    handler.images = std::move(masks);
    screen.addFrameHandler(std::move(handler));
}

void addBounceHandler(BenchmarkScene& scene) {
    scene.screen()->addFrameHandler(BounceHandler{});
}

void addParticleHandler(BenchmarkScene& scene) {
    ParticleHandler handler;
    handler.scene = &scene;
    handler.particle = loadImage("particle.png");
    handler.particle2 = loadImage("particle2.png");
    const Point corner = handler.cursorCorner();
    handler.lastX = corner.x;
    handler.lastY = corner.y;
    handler.generator.seed(generatorSeed);
    scene.screen()->addFrameHandler(std::move(handler));
}

}  // namespace tavelo
