#include "host/headless_platform.h"

#include "devices/virtual_keys.h"
#include "host/host.h"

namespace m5 {

void press_virtual_key(HeadlessPlatform& platform, Host& host, int32_t code, bool down) {
    int32_t reported = code;
    if (code == VK_LSHIFT || code == VK_RSHIFT) reported = VK_SHIFT;
    if (code == VK_LCONTROL || code == VK_RCONTROL) reported = VK_CONTROL;
    if (code == VK_LMENU || code == VK_RMENU) reported = VK_MENU;
    if (reported != code) {
        if (down) {
            platform.held_sides.insert(code);
        } else {
            platform.held_sides.erase(code);
        }
    }
    if (down) {
        host.key_down(reported);
    } else {
        host.key_up(reported);
    }
}

}  // namespace m5
