// Writes the demonstration program's images and sound into one folder, the same bytes on every run:
// make_assets <folder>
//
// "load.gra"        640x480 RGB: a winter dusk over mountains and a frozen lake, the picture the scene
//                   stacks, bounces and stretches to the screen's width.
// "snow.png"        7x7 grey soft flake, "snow2.png" 4x4 dimmer far flake (drawn with Add: black is clear).
// "particle.png"    32x32 RGB warm glow, "particle2.png" 32x32 bright core of the same size.
// "trans0.png".."trans5.png"  1366x768 grey transition masks: bright bytes show the second layer first.
// "click.wav"       mono 16-bit PCM at 44100 Hz, a 40 ms click.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double pi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double clamp01(double v) {
    return std::min(1.0, std::max(0.0, v));
}

double smoothstep(double edge0, double edge1, double x) {
    const double t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0));
}

// A fixed hash of integer lattice points, so every run draws the same noise.
double latticeValue(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h =
        static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return (h & 0xFFFFFF) / double(0xFFFFFF);
}

double valueNoise(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    const double tx = smoothstep(0, 1, x - fx), ty = smoothstep(0, 1, y - fy);
    const double a = latticeValue(ix, iy, seed), b = latticeValue(ix + 1, iy, seed);
    const double c = latticeValue(ix, iy + 1, seed), d = latticeValue(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

// Fractal noise in 0..1 from `octaves` layers of value noise.
double fractalNoise(double x, double y, int octaves, uint32_t seed) {
    double sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + static_cast<uint32_t>(i) * 101u) * amplitude;
        total += amplitude;
        amplitude *= 0.5;
        x *= 2.0;
        y *= 2.0;
    }
    return sum / total;
}

void fail(const std::string& what) {
    std::fprintf(stderr, "make_assets: %s\n", what.c_str());
    std::exit(1);
}

// Writes 8-bit, non-interlaced rows: colour type PNG_COLOR_TYPE_GRAY (1 byte) or PNG_COLOR_TYPE_RGB (3).
void writePng(const std::string& path, uint32_t width, uint32_t height, int colorType,
              const std::vector<uint8_t>& pixels) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        fail("cannot create " + path);
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        fail("libpng cannot start");
    }
    if (setjmp(png_jmpbuf(png))) {
        fail("libpng failed on " + path);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    const size_t rowBytes = size_t{width} * (colorType == PNG_COLOR_TYPE_RGB ? 3 : 1);
    for (uint32_t y = 0; y < height; ++y) {
        png_write_row(png, pixels.data() + rowBytes * y);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) {
        fail("cannot write " + path);
    }
}

// The skyline height (0 top .. 1 bottom) of one mountain ridge at x in 0..1.
double ridge(double x, double base, double height, double roughness, uint32_t seed) {
    const double n = fractalNoise(x * roughness, seed * 0.37, 6, seed);
    // A triangle wave gives pointed peaks; the noise roughens their flanks.
    const double phase = x * (1.6 + seed % 3) + seed * 0.173;
    const double peaks = 1.0 - std::fabs(2.0 * (phase - std::floor(phase)) - 1.0);
    return base - height * (0.5 * n + 0.5 * peaks * peaks);
}

void makeLoadGra(const std::string& folder) {
    constexpr uint32_t width = 640, height = 480;
    std::vector<uint8_t> pixels(size_t{width} * height * 3);
    const double horizon = 0.64;  // the lake's shore, as a fraction of the height
    const Rgb zenith{0.04, 0.05, 0.20}, violet{0.33, 0.16, 0.45}, glow{1.00, 0.55, 0.30},
        gold{1.0, 0.85, 0.55};
    const double sunX = 0.68, sunY = 0.50, sunRadius = 0.055;

    auto sky = [&](double u, double v) {
        // Dusk: deep blue overhead through violet into an orange band at the horizon.
        const double t = v / horizon;
        Rgb c = t < 0.6 ? mix(zenith, violet, smoothstep(0.0, 0.6, t))
                        : mix(violet, glow, smoothstep(0.6, 1.0, t));
        const double dx = (u - sunX) * (4.0 / 3.0), dy = v - sunY;
        const double d = std::sqrt(dx * dx + dy * dy);
        const double halo = std::exp(-d * 7.0) * 0.9 + std::exp(-d * 25.0) * 0.6;
        c = mix(c, gold, clamp01(halo));
        if (d < sunRadius) {
            c = mix(c, Rgb{1.0, 0.97, 0.85}, smoothstep(sunRadius, sunRadius * 0.8, d));
        }
        // A few stars in the dark part only.
        const double star =
            latticeValue(static_cast<int32_t>(u * width), static_cast<int32_t>(v * height), 7);
        if (star > 0.9975 && t < 0.45) {
            c = mix(c, Rgb{1, 1, 1}, (star - 0.9975) / 0.0025 * (1.0 - t / 0.45));
        }
        // Thin clouds lit from below.
        const double cloud = smoothstep(0.55, 0.8, fractalNoise(u * 6.0, v * 18.0, 4, 11));
        c = mix(c, mix(Rgb{0.55, 0.3, 0.5}, Rgb{1.0, 0.7, 0.55}, smoothstep(0.2, 0.6, t)), cloud * 0.6 * t);
        return c;
    };
    // Three ridges from far (hazy violet) to near (dark blue with snow on the peaks).
    struct Ridge {
        double base, height, roughness;
        uint32_t seed;
        Rgb color;
        double snow;
    };
    const Ridge ridges[] = {
        {horizon - 0.02, 0.20, 3.0, 3, {0.42, 0.30, 0.55}, 0.0},
        {horizon + 0.00, 0.26, 4.0, 5, {0.22, 0.18, 0.40}, 0.5},
        {horizon + 0.00, 0.12, 6.0, 9, {0.06, 0.07, 0.18}, 0.25},
    };
    auto land = [&](double u, double v, Rgb c) {
        for (const Ridge& r : ridges) {
            const double top = ridge(u, r.base, r.height, r.roughness, r.seed);
            if (v >= top) {
                const double depth = (v - top) / r.height;
                Rgb m = mix(r.color, Rgb{r.color.r * 0.6, r.color.g * 0.6, r.color.b * 0.7}, clamp01(depth));
                // Snow caps: bright where the slope is near the top, striped by noise.
                const double cap = r.snow * smoothstep(0.25, 0.0, depth) *
                                   smoothstep(0.35, 0.6, fractalNoise(u * 40.0, v * 12.0, 3, r.seed + 20));
                m = mix(m, Rgb{0.85, 0.82, 0.95}, cap);
                // The sun side is warmer.
                m = mix(m, Rgb{0.9, 0.5, 0.4}, 0.15 * std::exp(-std::fabs(u - sunX) * 4.0));
                c = m;
            }
        }
        return c;
    };
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width, v = (y + 0.5) / height;
            Rgb c;
            if (v < horizon) {
                c = land(u, v, sky(u, v));
            } else {
                // The frozen lake mirrors the scene above the shore, with ripples and a sheen of ice.
                const double mirrorV = 2 * horizon - v;
                const double ripple = (fractalNoise(u * 30.0, v * 90.0, 3, 31) - 0.5) * 0.012;
                c = land(u + ripple, mirrorV, sky(u + ripple, mirrorV));
                const double depth = (v - horizon) / (1 - horizon);
                c = mix(c, Rgb{0.10, 0.14, 0.30}, 0.35 + 0.35 * depth);
                const double ice = smoothstep(0.6, 0.75, fractalNoise(u * 8.0, v * 40.0, 4, 41));
                c = mix(c, Rgb{0.75, 0.82, 0.95}, ice * 0.25);
            }
            uint8_t* p = &pixels[(size_t{y} * width + x) * 3];
            p[0] = toByte(c.r);
            p[1] = toByte(c.g);
            p[2] = toByte(c.b);
        }
    }
    writePng(folder + "/load.gra", width, height, PNG_COLOR_TYPE_RGB, pixels);
}

// A soft disc, `size` pixels square, brightest `peak` at its centre and black at its rim.
void makeFlake(const std::string& path, uint32_t size, double peak) {
    std::vector<uint8_t> pixels(size_t{size} * size);
    const double centre = size / 2.0, radius = size / 2.0;
    for (uint32_t y = 0; y < size; ++y) {
        for (uint32_t x = 0; x < size; ++x) {
            const double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
            const double d = std::sqrt(dx * dx + dy * dy) / radius;
            pixels[size_t{y} * size + x] = toByte(peak * smoothstep(1.0, 0.15, d));
        }
    }
    writePng(path, size, size, PNG_COLOR_TYPE_GRAY, pixels);
}

// A radial light on black, `size` square: `color` times a falloff of the distance from the centre.
template <typename Falloff>
void makeGlow(const std::string& path, uint32_t size, const Rgb& color, Falloff falloff) {
    std::vector<uint8_t> pixels(size_t{size} * size * 3);
    const double centre = size / 2.0;
    for (uint32_t y = 0; y < size; ++y) {
        for (uint32_t x = 0; x < size; ++x) {
            const double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
            const double d = std::sqrt(dx * dx + dy * dy) / centre;  // 1 at the middle of an edge
            const double k = d >= 1.0 ? 0.0 : falloff(d);
            uint8_t* p = &pixels[(size_t{y} * size + x) * 3];
            p[0] = toByte(color.r * k);
            p[1] = toByte(color.g * k);
            p[2] = toByte(color.b * k);
        }
    }
    writePng(path, size, size, PNG_COLOR_TYPE_RGB, pixels);
}

// One transition mask: value(u, v) in 0..1 over the screen (u across, v down), stretched to 0..255.
template <typename Value>
void makeMask(const std::string& path, Value value) {
    constexpr uint32_t width = 1366, height = 768;
    std::vector<double> raw(size_t{width} * height);
    double lo = 1e9, hi = -1e9;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const double v = value((x + 0.5) / width, (y + 0.5) / height);
            raw[size_t{y} * width + x] = v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    // Every mask spans the whole 0..255 range, so the fade sweeps evenly from the first byte to the last.
    std::vector<uint8_t> pixels(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        pixels[i] = toByte((raw[i] - lo) / (hi - lo));
    }
    writePng(path, width, height, PNG_COLOR_TYPE_GRAY, pixels);
}

void makeMasks(const std::string& folder) {
    const double aspect = 1366.0 / 768.0;
    // 0: a wipe from the left.
    makeMask(folder + "/trans0.png", [](double u, double) { return 1.0 - u; });
    // 1: a wipe from the top.
    makeMask(folder + "/trans1.png", [](double, double v) { return 1.0 - v; });
    // 2: an iris opening from the centre.
    makeMask(folder + "/trans2.png", [aspect](double u, double v) {
        const double dx = (u - 0.5) * aspect, dy = v - 0.5;
        return -std::sqrt(dx * dx + dy * dy);
    });
    // 3: a diagonal wipe from the top-left corner.
    makeMask(folder + "/trans3.png", [aspect](double u, double v) { return -(u * aspect + v); });
    // 4: a cloudy dissolve.
    makeMask(folder + "/trans4.png",
             [aspect](double u, double v) { return fractalNoise(u * aspect * 6.0, v * 6.0, 6, 77); });
    // 5: a clock wipe sweeping round from twelve o'clock.
    makeMask(folder + "/trans5.png", [aspect](double u, double v) {
        const double angle = std::atan2((u - 0.5) * aspect, -(v - 0.5));  // 0 at twelve, growing clockwise
        return -(angle < 0 ? angle + 2 * pi : angle);
    });
}

void put16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}
void put32(std::string& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v & 0xFFFF));
    put16(out, static_cast<uint16_t>(v >> 16));
}

void makeClick(const std::string& path) {
    constexpr uint32_t rate = 44100;
    constexpr uint32_t frames = rate * 40 / 1000;  // 40 ms
    std::string data;
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double attack = std::min(1.0, t / 0.002);
        const double decay = std::exp(-t / 0.008);
        // A 2 kHz tone with a little of its octave and a noisy transient, about -6 dBFS at its peak.
        const double noise = (latticeValue(static_cast<int32_t>(i), 0, 99) - 0.5) * std::exp(-t / 0.002);
        const double s =
            attack * decay * (std::sin(2 * pi * 2000 * t) * 0.8 + std::sin(2 * pi * 4000 * t) * 0.2) +
            noise * 0.5;
        put16(data,
              static_cast<uint16_t>(static_cast<int16_t>(std::lround(std::clamp(s, -1.0, 1.0) * 16384))));
    }
    std::string file = "RIFF";
    put32(file, static_cast<uint32_t>(4 + 8 + 16 + 8 + data.size()));
    file += "WAVEfmt ";
    put32(file, 16);
    put16(file, 1);  // PCM
    put16(file, 1);  // mono
    put32(file, rate);
    put32(file, rate * 2);  // bytes per second
    put16(file, 2);         // bytes per frame
    put16(file, 16);        // bits per sample
    file += "data";
    put32(file, static_cast<uint32_t>(data.size()));
    file += data;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out) != 0) {
        fail("cannot write " + path);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_assets <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    makeLoadGra(folder);
    makeFlake(folder + "/snow.png", 7, 1.0);
    makeFlake(folder + "/snow2.png", 4, 0.7);
    makeGlow(folder + "/particle.png", 32, Rgb{1.0, 0.55, 0.15},
             [](double d) { return std::pow(1.0 - d, 2.2); });
    makeGlow(folder + "/particle2.png", 32, Rgb{1.0, 0.95, 0.75},
             [](double d) { return std::exp(-d * d * 28.0); });
    makeMasks(folder);
    makeClick(folder + "/click.wav");
    return 0;
}
