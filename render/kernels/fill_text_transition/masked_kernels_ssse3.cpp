#include <tmmintrin.h>

#include "render/kernels/fill_text_transition/kernel_support.h"
#include "render/kernels/fill_text_transition/masked_kernels.h"

#include "render/kernels/fill_text_transition/ssse3_begin.inc"
namespace tavelo::ssse3 {

// In this order: the set's primitives, the shared arithmetic, the family's body.
#include "render/kernels/fill_text_transition/isa_ssse3.inc"

#include "render/kernels/fill_text_transition/kernel_template.inc"

#include "render/kernels/fill_text_transition/masked_kernels.inc"

// PSHUFB widens Gray8 and Rgb24 sources; the other formats gain nothing from SSSE3 and share the SSE2
// set's kernels.
constinit const MaskedKernelTable maskedKernels =
    tableOf<PixelFormat, pixelFormatCount>([]<PixelFormat Format>() -> MaskedKernel {
        if constexpr (Format == PixelFormat::Gray8 || Format == PixelFormat::Rgb24) {
            return &blitMasked<Format>;
        } else {
            return &sse2::blitMasked<maskedSourceFormat(Format)>;
        }
    });

}  // namespace tavelo::ssse3
#include "render/kernels/fill_text_transition/ssse3_end.inc"
