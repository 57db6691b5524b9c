#include <emmintrin.h>

#include "render/kernels/fill_text_transition/glyph_kernels.h"
#include "render/kernels/fill_text_transition/kernel_support.h"

namespace tavelo::sse2 {

// In this order: the set's primitives, the shared arithmetic, the family's body.
#include "render/kernels/fill_text_transition/isa_sse2.inc"

#include "render/kernels/fill_text_transition/kernel_template.inc"

#include "render/kernels/fill_text_transition/glyph_kernels.inc"

}  // namespace tavelo::sse2
