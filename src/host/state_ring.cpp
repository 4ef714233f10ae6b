#include "host/state_ring.h"

#include <algorithm>

#include "host/host.h"

namespace m5 {

StateRing::StateRing(int32_t interval_frames, int32_t capacity)
    : interval(std::max(interval_frames, 1)), limit(std::max(capacity, 1)) {}

void StateRing::frame_done(Host& host) {
    if (++frames_since < interval) return;
    frames_since = 0;
    if (static_cast<int32_t>(states.size()) == limit) states.pop_front();
    states.push_back(host.save_state(false));
}

bool StateRing::step_back(Host& host, std::string& error) {
    if (states.empty()) {
        error = "nothing to rewind to";
        return false;
    }
    const bool loaded = host.load_state(states.back(), error);
    states.pop_back();
    frames_since = 0;
    return loaded;
}

void StateRing::clear() {
    states.clear();
    frames_since = 0;
}

}  // namespace m5
