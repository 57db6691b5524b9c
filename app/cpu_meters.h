#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class BenchmarkScene;

namespace tavelo {

// Processor time from the kernel's counters (the text of /proc/stat), one counter per "cpuN" line in
// file order and a last one for the "cpu" line, the whole machine. The set of counters is fixed when
// the query opens. Used on one thread at a time.
class ProcessorLoadQuery {
public:
    using Reader = std::function<std::string()>;

    // Reads the counters once to learn which processors there are; a failed read gives none.
    explicit ProcessorLoadQuery(Reader reader);

    // "(0)", "(1)", ... for the processors, "(_Total)" for the whole machine.
    const std::vector<std::string>& labels() const noexcept { return labels_; }
    // Takes a new sample of every counter, keeping the one before.
    void collect();
    // The busy percentage of counter `index` between the last two samples, 0..100; false when there
    // are not two good samples of it, or no time passed between them.
    bool getValue(size_t index, double& value) const;

private:
    struct Sample {
        bool valid = false;
        uint64_t idle = 0;   // idle + iowait
        uint64_t total = 0;  // the first eight fields
    };

    std::vector<Sample> parse(std::string_view text) const;

    Reader reader_;
    std::vector<std::string> names_;  // "cpu0", ..., "cpu"
    std::vector<std::string> labels_;
    std::vector<Sample> previous_;
    std::vector<Sample> current_;
};

// The right edge of a meter's bar for a load of `value` percent; a value outside 0..100, or none at
// all (NaN), is held to that range first.
int32_t meterBarRight(double value);

// Opens the scene's processor query and registers the collector and one meter per counter.
void addCpuMeterHandlers(BenchmarkScene& scene);

}  // namespace tavelo
