#include "platform/xrandr_display_settings.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace tavelo::platform {

namespace {

double refreshRate(const XRRModeInfo& mode) {
    if (mode.hTotal == 0 || mode.vTotal == 0) {
        return 0.0;
    }
    return double(mode.dotClock) / (double(mode.hTotal) * double(mode.vTotal));
}

// What a CRTC shows, and where.
struct CrtcSetting {
    RRMode mode = None;
    int x = 0;
    int y = 0;
    Rotation rotation = RR_Rotate_0;
    std::vector<RROutput> outputs;
};

class XrandrDisplaySettings final : public IDisplaySettings {
public:
    explicit XrandrDisplaySettings(std::function<bool(RandrStep)> refuse) : refuse_(std::move(refuse)) {
        gdkDisplay_ = gdk_display_get_default();
        if (!gdkDisplay_ || !GDK_IS_X11_DISPLAY(gdkDisplay_)) {
            gdkDisplay_ = nullptr;
            return;
        }
        display_ = gdk_x11_display_get_xdisplay(gdkDisplay_);
        root_ = DefaultRootWindow(display_);
        int eventBase = 0;
        int errorBase = 0;
        int major = 0;
        int minor = 0;
        if (!XRRQueryExtension(display_, &eventBase, &errorBase) ||
            !XRRQueryVersion(display_, &major, &minor) || major < 1 || (major == 1 && minor < 3)) {
            return;
        }
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
        if (!resources) {
            return;
        }
        output_ = primaryOutput(resources);
        if (output_ != None) {
            XRROutputInfo* outputInfo = XRRGetOutputInfo(display_, resources, output_);
            crtc_ = outputInfo->crtc;
            XRRFreeOutputInfo(outputInfo);
            saved_ = crtcSetting(resources);
            savedRate_ = 0.0;
            for (int i = 0; i < resources->nmode; ++i) {
                if (resources->modes[i].id == saved_.mode) {
                    savedRate_ = refreshRate(resources->modes[i]);
                }
            }
            const int screen = DefaultScreen(display_);
            rootSize(savedWidth_, savedHeight_);
            savedWidthMm_ = DisplayWidthMM(display_, screen);
            savedHeightMm_ = DisplayHeightMM(display_, screen);
            usable_ = true;
        }
        XRRFreeScreenResources(resources);
    }

    ~XrandrDisplaySettings() override {
        if (!usable_ || createdModes_.empty()) {
            return;
        }
        // Modes this program made go again, unless something still shows one.
        gdk_x11_display_error_trap_push(gdkDisplay_);
        for (RRMode mode : createdModes_) {
            XRRDeleteOutputMode(display_, output_, mode);
            XRRDestroyMode(display_, mode);
        }
        XSync(display_, False);
        gdk_x11_display_error_trap_pop_ignored(gdkDisplay_);
    }

protected:
    Size desktopSizeImpl() override {
        if (!gdkDisplay_) {
            return {};
        }
        if (usable_) {
            XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
            if (resources) {
                XRRCrtcInfo* crtcInfo = XRRGetCrtcInfo(display_, resources, crtc_);
                Size size{crtcInfo->width, crtcInfo->height};
                XRRFreeCrtcInfo(crtcInfo);
                XRRFreeScreenResources(resources);
                if (size.width != 0 && size.height != 0) {
                    return size;
                }
            }
        }
        const int screen = DefaultScreen(display_);
        return Size{static_cast<uint32_t>(DisplayWidth(display_, screen)),
                    static_cast<uint32_t>(DisplayHeight(display_, screen))};
    }

    int32_t changeModeImpl(const Size* size) override {
        if (!usable_) {
            return badMode;
        }
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
        if (!resources) {
            return badMode;
        }
        int32_t result = 0;
        if (size) {
            const RRMode mode = findOrCreateMode(resources, size->width, size->height);
            if (mode == None) {
                result = badMode;
            } else {
                // Modes made just now are not in the resources read before.
                XRRFreeScreenResources(resources);
                resources = XRRGetScreenResourcesCurrent(display_, root_);
                result = apply(resources, CrtcSetting{mode, 0, 0, saved_.rotation, {output_}},
                               int(size->width), int(size->height));
            }
        } else {
            result = apply(resources, saved_, savedWidth_, savedHeight_);
        }
        XRRFreeScreenResources(resources);
        return result;
    }

private:
    // The screen's physical size keeps the desktop's pixel density; the desktop's own size keeps its own.
    static int millimetres(int savedMm, int pixels, int savedPixels) {
        if (pixels == savedPixels) {
            return savedMm;
        }
        return savedPixels > 0 ? std::max(1, int(int64_t{savedMm} * pixels / savedPixels)) : pixels;
    }

    RROutput primaryOutput(XRRScreenResources* resources) {
        const RROutput primary = XRRGetOutputPrimary(display_, root_);
        RROutput chosen = None;
        for (int i = 0; i < resources->noutput && (chosen == None || chosen != primary); ++i) {
            XRROutputInfo* info = XRRGetOutputInfo(display_, resources, resources->outputs[i]);
            if (info->crtc != None && (chosen == None || resources->outputs[i] == primary)) {
                chosen = resources->outputs[i];
            }
            XRRFreeOutputInfo(info);
        }
        return chosen;
    }

    // A mode of exactly width x height for the output: the one at the current refresh rate where the
    // output offers several, else the first it offers, else one of the server's, else a new one.
    RRMode findOrCreateMode(XRRScreenResources* resources, uint32_t width, uint32_t height) {
        XRROutputInfo* outputInfo = XRRGetOutputInfo(display_, resources, output_);
        std::vector<RRMode> offered(outputInfo->modes, outputInfo->modes + outputInfo->nmode);
        XRRFreeOutputInfo(outputInfo);
        RRMode best = None;
        RRMode known = None;
        for (int i = 0; i < resources->nmode; ++i) {
            const XRRModeInfo& info = resources->modes[i];
            if (info.width != width || info.height != height || (info.modeFlags & RR_Interlace)) {
                continue;
            }
            if (std::find(offered.begin(), offered.end(), info.id) == offered.end()) {
                if (known == None) {
                    known = info.id;
                }
                continue;
            }
            if (best == None || std::fabs(refreshRate(info) - savedRate_) < 0.5) {
                best = info.id;
            }
        }
        if (best != None) {
            return best;
        }
        gdk_x11_display_error_trap_push(gdkDisplay_);
        RRMode mode = known;
        if (mode == None) {
            mode = createMode(width, height);
        }
        if (mode != None) {
            XRRAddOutputMode(display_, output_, mode);
        }
        XSync(display_, False);
        if (gdk_x11_display_error_trap_pop(gdkDisplay_) != 0) {
            return None;
        }
        return mode;
    }

    // Reduced-blanking timings at the rate the desktop runs at (60 Hz where the server does not say).
    RRMode createMode(uint32_t width, uint32_t height) {
        const double rate = savedRate_ > 1.0 ? savedRate_ : 60.0;
        std::string name = std::to_string(width) + "x" + std::to_string(height) + "_velmora";
        XRRModeInfo info;
        std::memset(&info, 0, sizeof info);
        info.width = width;
        info.height = height;
        info.hSyncStart = width + 48;
        info.hSyncEnd = width + 80;
        info.hTotal = width + 160;
        info.vSyncStart = height + 3;
        info.vSyncEnd = height + 8;
        info.vTotal = height + 30;
        info.dotClock = static_cast<unsigned long>(std::lround(rate * info.hTotal * info.vTotal));
        info.modeFlags = RR_HSyncPositive | RR_VSyncNegative;
        info.name = name.data();
        info.nameLength = static_cast<unsigned int>(name.size());
        const RRMode mode = XRRCreateMode(display_, root_, &info);
        if (mode != None) {
            createdModes_.push_back(mode);
        }
        return mode;
    }

    CrtcSetting crtcSetting(XRRScreenResources* resources) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(display_, resources, crtc_);
        if (!info) {
            return {};
        }
        CrtcSetting setting{info->mode, info->x, info->y, info->rotation,
                            std::vector<RROutput>(info->outputs, info->outputs + info->noutput)};
        XRRFreeCrtcInfo(info);
        return setting;
    }

    // The right and bottom edges of every lit CRTC, ours showing `ours`: the least screen that holds them.
    std::pair<int, int> litExtent(XRRScreenResources* resources, const CrtcSetting& ours) {
        int right = 0;
        int bottom = 0;
        for (int i = 0; i < resources->nmode; ++i) {
            const XRRModeInfo& mode = resources->modes[i];
            if (mode.id == ours.mode) {
                const bool sideways = (ours.rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;
                right = ours.x + int(sideways ? mode.height : mode.width);
                bottom = ours.y + int(sideways ? mode.width : mode.height);
            }
        }
        for (int i = 0; i < resources->ncrtc; ++i) {
            if (resources->crtcs[i] == crtc_) {
                continue;
            }
            XRRCrtcInfo* info = XRRGetCrtcInfo(display_, resources, resources->crtcs[i]);
            if (info && info->mode != None) {
                right = std::max(right, info->x + int(info->width));
                bottom = std::max(bottom, info->y + int(info->height));
            }
            XRRFreeCrtcInfo(info);
        }
        return {right, bottom};
    }

    // Sets our CRTC and the screen size as one change. The screen first grows to hold the new CRTC, then
    // takes the size asked, but never less than every lit CRTC needs: other monitors stay as they are. When
    // the server refuses a step, the steps before it are undone, the CRTC first while the screen still
    // holds its old setting.
    int32_t apply(XRRScreenResources* resources, const CrtcSetting& wanted, int width, int height) {
        const CrtcSetting before = crtcSetting(resources);
        int beforeWidth = 0;
        int beforeHeight = 0;
        rootSize(beforeWidth, beforeHeight);
        const auto [litRight, litBottom] = litExtent(resources, wanted);
        const int targetWidth = std::max(width, litRight);
        const int targetHeight = std::max(height, litBottom);
        const int grownWidth = std::max(beforeWidth, targetWidth);
        const int grownHeight = std::max(beforeHeight, targetHeight);

        int32_t result = 0;
        bool grown = false;
        if (grownWidth != beforeWidth || grownHeight != beforeHeight) {
            result = setScreenSize(grownWidth, grownHeight, true);
            grown = result == 0;
        }
        bool crtcChanged = false;
        if (result == 0) {
            result = setCrtc(resources, wanted, true);
            crtcChanged = result == 0;
        }
        if (result == 0 && (targetWidth != grownWidth || targetHeight != grownHeight)) {
            result = setScreenSize(targetWidth, targetHeight, true);
        }
        if (result != 0) {
            if (crtcChanged) {
                setCrtc(resources, before, false);
            }
            if (grown) {
                setScreenSize(beforeWidth, beforeHeight, false);
            }
        }
        return result;
    }

    // A refusal that a test asks for is the server's own: it rejects a screen of 0 x 0 and a CRTC placed
    // beyond any screen.
    bool refused(RandrStep step, bool mayRefuse) const { return mayRefuse && refuse_ && refuse_(step); }

    int32_t setScreenSize(int width, int height, bool mayRefuse) {
        if (refused(RandrStep::ScreenSize, mayRefuse)) {
            width = 0;
            height = 0;
        }
        gdk_x11_display_error_trap_push(gdkDisplay_);
        XRRSetScreenSize(display_, root_, width, height, millimetres(savedWidthMm_, width, savedWidth_),
                         millimetres(savedHeightMm_, height, savedHeight_));
        const int error = gdk_x11_display_error_trap_pop(gdkDisplay_);
        return error != 0 ? 256 + error : 0;
    }

    int32_t setCrtc(XRRScreenResources* resources, const CrtcSetting& setting, bool mayRefuse) {
        const int x = refused(RandrStep::Crtc, mayRefuse) ? 32767 : setting.x;
        gdk_x11_display_error_trap_push(gdkDisplay_);
        const Status status = XRRSetCrtcConfig(
            display_, resources, crtc_, CurrentTime, x, setting.y, setting.mode, setting.rotation,
            const_cast<RROutput*>(setting.outputs.data()), int(setting.outputs.size()));
        const int error = gdk_x11_display_error_trap_pop(gdkDisplay_);
        if (status != RRSetConfigSuccess) {
            return static_cast<int32_t>(status);
        }
        return error != 0 ? 256 + error : 0;
    }

    // The screen's size as the server has it now (Xlib's cached one follows only after the events).
    void rootSize(int& width, int& height) {
        Window root = None;
        int x = 0;
        int y = 0;
        unsigned int w = 0;
        unsigned int h = 0;
        unsigned int border = 0;
        unsigned int depth = 0;
        XGetGeometry(display_, root_, &root, &x, &y, &w, &h, &border, &depth);
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    }

    GdkDisplay* gdkDisplay_ = nullptr;
    ::Display* display_ = nullptr;
    Window root_ = None;
    bool usable_ = false;
    RROutput output_ = None;
    RRCrtc crtc_ = None;
    CrtcSetting saved_;
    double savedRate_ = 0.0;
    int savedWidth_ = 0;
    int savedHeight_ = 0;
    int savedWidthMm_ = 0;
    int savedHeightMm_ = 0;
    std::vector<RRMode> createdModes_;
    std::function<bool(RandrStep)> refuse_;
};

}  // namespace

std::shared_ptr<IDisplaySettings> createXrandrDisplaySettings(std::function<bool(RandrStep)> refuse) {
    return std::make_shared<XrandrDisplaySettings>(std::move(refuse));
}

}  // namespace tavelo::platform
