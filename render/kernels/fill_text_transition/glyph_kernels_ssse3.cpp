#include <tmmintrin.h>

#include "render/kernels/fill_text_transition/glyph_kernels.h"
#include "render/kernels/fill_text_transition/kernel_support.h"

#include "render/kernels/fill_text_transition/ssse3_begin.inc"
namespace tavelo::ssse3 {

// In this order: the set's primitives, the shared arithmetic, the family's body.
#include "render/kernels/fill_text_transition/isa_ssse3.inc"

#include "render/kernels/fill_text_transition/kernel_template.inc"

#include "render/kernels/fill_text_transition/glyph_kernels.inc"

}  // namespace tavelo::ssse3
#include "render/kernels/fill_text_transition/ssse3_end.inc"
