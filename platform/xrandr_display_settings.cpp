#include "platform/xrandr_display_settings.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace tavelo::platform {

namespace {

double refreshRate(const XRRModeInfo& mode) {
    if (mode.hTotal == 0 || mode.vTotal == 0) {
        return 0.0;
    }
    return double(mode.dotClock) / (double(mode.hTotal) * double(mode.vTotal));
}

class XrandrDisplaySettings final : public IDisplaySettings {
public:
    XrandrDisplaySettings() {
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
            XRRCrtcInfo* crtcInfo = XRRGetCrtcInfo(display_, resources, crtc_);
            savedMode_ = crtcInfo->mode;
            savedX_ = crtcInfo->x;
            savedY_ = crtcInfo->y;
            savedRotation_ = crtcInfo->rotation;
            savedOutputs_.assign(crtcInfo->outputs, crtcInfo->outputs + crtcInfo->noutput);
            XRRFreeCrtcInfo(crtcInfo);
            savedRate_ = 0.0;
            for (int i = 0; i < resources->nmode; ++i) {
                if (resources->modes[i].id == savedMode_) {
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
                result = apply(resources, mode, 0, 0, savedRotation_, {output_}, int(size->width),
                               int(size->height), millimetres(savedWidthMm_, size->width, savedWidth_),
                               millimetres(savedHeightMm_, size->height, savedHeight_));
            }
        } else {
            result = apply(resources, savedMode_, savedX_, savedY_, savedRotation_, savedOutputs_,
                           savedWidth_, savedHeight_, savedWidthMm_, savedHeightMm_);
        }
        XRRFreeScreenResources(resources);
        return result;
    }

private:
    static int millimetres(int savedMm, uint32_t pixels, int savedPixels) {
        return savedPixels > 0 ? std::max(1, int(int64_t{savedMm} * pixels / savedPixels)) : int(pixels);
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

    // Sets the CRTC and the screen size in an order the server accepts: a screen never smaller than a
    // lit CRTC.
    int32_t apply(XRRScreenResources* resources, RRMode mode, int x, int y, Rotation rotation,
                  std::vector<RROutput> outputs, int width, int height, int widthMm, int heightMm) {
        int currentWidth = 0;
        int currentHeight = 0;
        rootSize(currentWidth, currentHeight);
        gdk_x11_display_error_trap_push(gdkDisplay_);
        if (width > currentWidth || height > currentHeight) {
            XRRSetScreenSize(display_, root_, std::max(width, currentWidth), std::max(height, currentHeight),
                             std::max(widthMm, savedWidthMm_), std::max(heightMm, savedHeightMm_));
        }
        const Status status = XRRSetCrtcConfig(display_, resources, crtc_, CurrentTime, x, y, mode, rotation,
                                               outputs.data(), static_cast<int>(outputs.size()));
        if (status == RRSetConfigSuccess) {
            rootSize(currentWidth, currentHeight);
            if (width != currentWidth || height != currentHeight) {
                XRRSetScreenSize(display_, root_, width, height, widthMm, heightMm);
            }
        }
        XSync(display_, False);
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
    RRMode savedMode_ = None;
    int savedX_ = 0;
    int savedY_ = 0;
    Rotation savedRotation_ = RR_Rotate_0;
    std::vector<RROutput> savedOutputs_;
    double savedRate_ = 0.0;
    int savedWidth_ = 0;
    int savedHeight_ = 0;
    int savedWidthMm_ = 0;
    int savedHeightMm_ = 0;
    std::vector<RRMode> createdModes_;
};

}  // namespace

std::shared_ptr<IDisplaySettings> createXrandrDisplaySettings() {
    return std::make_shared<XrandrDisplaySettings>();
}

}  // namespace tavelo::platform
