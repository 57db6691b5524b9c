#include <emmintrin.h>

#include <cstring>

#include "render/kernels/blit/blit_kernels.h"
#include "render/kernels/fill_text_transition/kernel_support.h"

namespace tavelo::sse2 {

// In this order: the set's primitives, the shared arithmetic, the family's body.
#include "render/kernels/fill_text_transition/isa_sse2.inc"

#include "render/kernels/fill_text_transition/kernel_template.inc"

#include "render/kernels/blit/blit_kernels.inc"

// The members the SSSE3 set calls as well: the Opaque ones for Xrgb32.
template BlitKernelFunction blit<BlendMode::Normal, OpacityClass::Opaque, PixelFormat::Xrgb32>;
template BlitKernelFunction blit<BlendMode::Add, OpacityClass::Opaque, PixelFormat::Xrgb32>;
template BlitKernelFunction blit<BlendMode::Subtract, OpacityClass::Opaque, PixelFormat::Xrgb32>;
template BlitKernelFunction blit<BlendMode::Multiply, OpacityClass::Opaque, PixelFormat::Xrgb32>;
template BlitKernelFunction blit<BlendMode::InverseMultiply, OpacityClass::Opaque, PixelFormat::Xrgb32>;

// One Translucent member serves both parities.
constinit const BlitKernelTable blitKernels =
    blitKernelTable([]<BlendMode Mode, OpacityClass Class, PixelFormat Format>() -> BlitKernel {
        constexpr OpacityClass member = Class == OpacityClass::Opaque ? Class : OpacityClass::Translucent;
        return &blit<Mode, member, Format>;
    });

}  // namespace tavelo::sse2
