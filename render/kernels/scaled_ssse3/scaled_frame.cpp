#include "render/kernels/scaled_ssse3/scaled_frame.h"

#include "render/kernels/fill_text_transition/kernel_support.h"

namespace tavelo {
namespace {

// The first column whose next column's sample has no right neighbour inside the source rectangle:
// from there on a bilinear row filters vertically only. Walks left from the area's right edge,
// carrying the source offset as a running product.
int32_t firstEdgeColumn(const Rect& area, int32_t destinationLeft, uint32_t stepX,
                        uint32_t sourceWidth) noexcept {
    int32_t column = area.right;
    uint32_t offset = (uint32_t(column) - uint32_t(destinationLeft)) * stepX;
    while ((offset >> 16) + 1 >= sourceWidth && column != area.left) {
        --column;
        offset -= stepX;
    }
    return column;
}

}  // namespace

std::optional<ScaledFrame> setUpScaledFrame(const Image& destination, const Rect& area,
                                            const Rect& destinationRect, const Rect& sourceRect,
                                            bool smooth) noexcept {
    const uint32_t destinationWidth = absoluteExtent(destinationRect.left, destinationRect.right);
    const uint32_t destinationHeight = absoluteExtent(destinationRect.top, destinationRect.bottom);
    const KernelArea clamped = clipToDestination(destination, area);
    if (clamped.isEmpty() || destinationWidth == 0 || destinationHeight == 0) {
        return std::nullopt;
    }
    ScaledFrame frame{};
    frame.area = clamped.rect;
    const uint32_t sourceWidth = absoluteExtent(sourceRect.left, sourceRect.right);
    // Only the extents enter the steps: the source is always walked rightward and downward.
    frame.stepX = (sourceWidth << 16) / destinationWidth;
    frame.stepY = (absoluteExtent(sourceRect.top, sourceRect.bottom) << 16) / destinationHeight;
    // No half-pixel offset: the destination rectangle's first pixel samples the source rectangle's
    // first pixel at fraction 0.
    frame.startX = (uint32_t(frame.area.left) - uint32_t(destinationRect.left)) * frame.stepX +
                   (uint32_t(sourceRect.left) << 16);
    frame.startY = (uint32_t(frame.area.top) - uint32_t(destinationRect.top)) * frame.stepY +
                   (uint32_t(sourceRect.top) << 16);
    frame.edgeX = smooth ? firstEdgeColumn(frame.area, destinationRect.left, frame.stepX, sourceWidth)
                         : frame.area.right;
    return frame;
}

}  // namespace tavelo
