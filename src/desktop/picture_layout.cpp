#include "desktop/picture_layout.h"

#include <algorithm>

#include "machine/machine_host.h"

namespace m5 {

PictureLayout picture_layout(int32_t area_width, int32_t area_height) {
    PictureLayout layout;
    layout.scale = std::max(1, std::min(area_width / SURFACE_WIDTH, area_height / SURFACE_HEIGHT));
    layout.x = (area_width - SURFACE_WIDTH * layout.scale) >> 1;
    layout.y = (area_height - SURFACE_HEIGHT * layout.scale) >> 1;
    return layout;
}

}  // namespace m5
