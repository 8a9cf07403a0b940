#include "display/palette.h"

namespace {
constexpr uint32_t doubled(uint32_t rgb565) { return rgb565 << 16 | rgb565; }
}  // namespace

// Normal colours take 24 of 31 in red and blue and 48 of 63 in green, bright ones the full value.
const uint32_t palette[16] = {
    doubled(0x0000), doubled(0x0018), doubled(0xC000), doubled(0xC018),
    doubled(0x0600), doubled(0x0618), doubled(0xC600), doubled(0xC618),
    doubled(0x0000), doubled(0x001F), doubled(0xF800), doubled(0xF81F),
    doubled(0x07E0), doubled(0x07FF), doubled(0xFFE0), doubled(0xFFFF),
};
