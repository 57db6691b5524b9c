#include <emmintrin.h>

#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/masked_kernels.h"

namespace tavelo::sse2 {

// In this order: the set's primitives, the shared arithmetic, the family's body.
#include "render/kernels/fill_text_transition/isa_sse2.inc"

#include "render/kernels/fill_text_transition/kernel_template.inc"

#include "render/kernels/fill_text_transition/masked_kernels.inc"

// Called by the SSSE3 set as well.
template MaskedKernelFunction blitMasked<PixelFormat::GrayAlpha16>;
template MaskedKernelFunction blitMasked<PixelFormat::Xrgb32>;

constinit const MaskedKernelTable maskedKernels = tableOf<PixelFormat, pixelFormatCount>(
    []<PixelFormat Format>() -> MaskedKernel { return &blitMasked<maskedSourceFormat(Format)>; });

}  // namespace tavelo::sse2
