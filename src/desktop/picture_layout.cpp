#include "desktop/picture_layout.h"

#include <algorithm>

#include "machine/machine_host.h"

namespace m5 {

int32_t picture_width(int32_t scale, bool tv_pixels) {
    return tv_pixels ? (SURFACE_WIDTH * 8 * scale + 3) / 7 : SURFACE_WIDTH * scale;
}

PictureLayout picture_layout(int32_t area_width, int32_t area_height, bool tv_pixels) {
    PictureLayout layout;
    layout.scale = std::max(1, area_height / SURFACE_HEIGHT);
    while (layout.scale > 1 && picture_width(layout.scale, tv_pixels) > area_width) --layout.scale;
    layout.width = picture_width(layout.scale, tv_pixels);
    layout.x = (area_width - layout.width) >> 1;
    layout.y = (area_height - SURFACE_HEIGHT * layout.scale) >> 1;
    return layout;
}

}  // namespace m5
