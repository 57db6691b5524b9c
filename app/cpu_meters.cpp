#include "app/cpu_meters.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "app/benchmark_scene.h"
#include "app/frame_handlers.h"
#include "app/sprite_rules.h"
#include "app/text_format.h"
#include "render/fill_rect_sprite.h"
#include "render/font.h"
#include "render/image_sprite.h"
#include "render/screen.h"
#include "render/sprite_manager.h"
#include "render/text_sprite.h"

namespace tavelo {
namespace {

constexpr uint32_t firstMeterId = 10001;
constexpr int32_t boxLeft = 1100;
constexpr int32_t boxWidth = 240;

// Splits `text` into lines and calls visit(name, fields) for each line whose first word starts with
// "cpu": the word and up to eight numbers after it, missing ones 0.
template <typename Visit>
void forEachCpuLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.starts_with("cpu")) {
            continue;
        }
        const size_t nameEnd = std::min(line.find(' '), line.size());
        const std::string_view name = line.substr(0, nameEnd);
        line.remove_prefix(nameEnd);
        uint64_t fields[8] = {};
        size_t count = 0;
        while (count < 8) {
            const size_t start = line.find_first_not_of(' ');
            if (start == std::string_view::npos) {
                break;
            }
            line.remove_prefix(start);
            const std::from_chars_result r =
                std::from_chars(line.data(), line.data() + line.size(), fields[count]);
            if (r.ec != std::errc{}) {
                break;
            }
            line.remove_prefix(static_cast<size_t>(r.ptr - line.data()));
            ++count;
        }
        visit(name, fields, count);
    }
}

struct CollectorHandler {
    BenchmarkScene* scene;
    uint32_t passes = 0;

    bool operator()(Screen&) {
        // About four samples a second at sixty passes.
        if (passes % 16 == 0) {
            scene->processorQuery()->collect();
        }
        ++passes;
        return false;
    }
};

struct CpuMeterHandler {
    BenchmarkScene* scene;
    uint32_t index;
    std::shared_ptr<Font> font;
    std::string label;

    bool operator()(Screen& screen) {
        double value = 0.0;
        if (!scene->processorQuery()->getValue(index, value)) {
            value = 0.0;
        }
        value = std::clamp(value, 0.0, 100.0);
        const int32_t right = meterBarRight(value);
        const uint32_t id = firstMeterId + index;
        const auto y = static_cast<int32_t>(28 * index + 10);
        const bool total = label.find("_Total") != std::string::npos;
        const Color barColor = total ? Color{1, 128, 32, 16} : Color{1, 32, 128, 16};
        const std::string text = meterText(label, value);
        for (uint8_t layer = 0; layer < 2; ++layer) {
            removeMeterSprites(*screen.getSpriteManager(layer), id);
            showSprite(*screen.createTextSprite(layer, id, boxLeft, y, 600, text.data(), text.size(), font,
                                                Color{0, 255}));
            showSprite(*screen.createTextSprite(layer, id, boxLeft + 1, y + 1, 599, text.data(), text.size(),
                                                font, Color{0, 64}));
            addFill(screen, layer, id, {boxLeft, y, boxLeft + boxWidth, y + 24}, 597, BlendMode::Subtract,
                    Color{0, 196});
            if (right != boxLeft) {
                addFill(screen, layer, id, {boxLeft, y, right, y + 24}, 598, BlendMode::Add, barColor);
            }
            // Drawn over the bar in the same colour, it brightens the inside and leaves a rim.
            if (std::abs(right - boxLeft) > 2) {
                addFill(screen, layer, id, {boxLeft + 1, y + 1, right - 1, y + 23}, 598, BlendMode::Add,
                        barColor);
            }
        }
        return false;
    }

    static void addFill(Screen& screen, uint8_t layer, uint32_t id, const Rect& rect, uint32_t priority,
                        BlendMode mode, const Color& color) {
        const std::shared_ptr<FillRectSprite> sprite =
            screen.createFillRectSprite(layer, id, rect, priority, color);
        setSpriteBlendMode(*sprite, mode);
        showSprite(*sprite);
    }

    // Removal by id, except images: with a hundred processors or more a meter's id reaches the
    // particles', and the meter must not take the particles with it.
    static void removeMeterSprites(SpriteManager& sprites, uint32_t id) {
        std::erase_if(sprites.getEntries(), [id](const SpriteEntry& entry) {
            if (entry.id != id || dynamic_cast<ImageSprite*>(entry.sprite.get()) != nullptr) {
                return false;
            }
            hideSprite(*entry.sprite);
            return true;
        });
    }
};

}  // namespace

ProcessorLoadQuery::ProcessorLoadQuery(Reader reader) : reader_(std::move(reader)) {
    bool haveTotal = false;
    forEachCpuLine(reader_ ? reader_() : std::string(), [&](std::string_view name, const uint64_t*, size_t) {
        if (name == "cpu") {
            haveTotal = true;
        } else if (std::find(names_.begin(), names_.end(), name) == names_.end()) {
            names_.emplace_back(name);
            std::string label = "(";
            label.append(name.substr(3)).append(")");
            labels_.push_back(std::move(label));
        }
    });
    // The whole machine comes last, after every processor.
    if (haveTotal) {
        names_.emplace_back("cpu");
        labels_.emplace_back("(_Total)");
    }
    previous_.resize(names_.size());
    current_.resize(names_.size());
}

std::vector<ProcessorLoadQuery::Sample> ProcessorLoadQuery::parse(std::string_view text) const {
    std::vector<Sample> samples(names_.size());
    forEachCpuLine(text, [&](std::string_view name, const uint64_t* fields, size_t count) {
        const auto at = std::find(names_.begin(), names_.end(), name);
        // user, nice, system and idle at least; the later fields are 0 on kernels that lack them.
        if (at == names_.end() || count < 4) {
            return;
        }
        Sample& sample = samples[static_cast<size_t>(at - names_.begin())];
        sample.valid = true;
        sample.idle = fields[3] + fields[4];
        sample.total = 0;
        for (size_t i = 0; i < 8; ++i) {
            sample.total += fields[i];
        }
    });
    return samples;
}

void ProcessorLoadQuery::collect() {
    previous_ = std::move(current_);
    current_ = parse(reader_ ? reader_() : std::string());
}

bool ProcessorLoadQuery::getValue(size_t index, double& value) const {
    if (index >= current_.size() || index >= previous_.size()) {
        return false;
    }
    const Sample& before = previous_[index];
    const Sample& now = current_[index];
    if (!before.valid || !now.valid || now.total <= before.total || now.idle < before.idle) {
        return false;
    }
    const double elapsed = static_cast<double>(now.total - before.total);
    const double idle = static_cast<double>(now.idle - before.idle);
    value = std::clamp(100.0 * (1.0 - idle / elapsed), 0.0, 100.0);
    return true;
}

int32_t meterBarRight(double value) {
    const double held = std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 100.0);
    return boxLeft + static_cast<int32_t>(std::trunc(boxWidth * held / 100.0));
}

void addCpuMeterHandlers(BenchmarkScene& scene) {
    if (!scene.processorQuery()) {
        scene.processorQuery() = std::make_shared<ProcessorLoadQuery>(scene.procStatReader());
    }
    Screen& screen = *scene.screen();
    screen.addFrameHandler(CollectorHandler{&scene});
    const auto font = std::make_shared<Font>(sceneFontFace, 0, 24, false, false);
    const std::vector<std::string>& labels = scene.processorQuery()->labels();
    for (uint32_t i = 0; i < labels.size(); ++i) {
        screen.addFrameHandler(CpuMeterHandler{&scene, i, font, labels[i]});
    }
}

}  // namespace tavelo
