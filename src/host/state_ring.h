// StateRing: the recent past of the machine kept in memory for rewinding.
//
// Every `interval_frames` frames the ring takes a save state of the host
// (without a thumbnail); once it holds `capacity` states the oldest goes.
// By default one state a second for the last two minutes: 120 states of
// about 10 KiB each. Rewinding loads the newest state and drops it, so each
// further step goes one interval further back; running on from there takes
// new states again.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace m5 {

class Host;

inline constexpr int32_t REWIND_INTERVAL_FRAMES = 60;
inline constexpr int32_t REWIND_CAPACITY = 120;

class StateRing {
public:
    explicit StateRing(int32_t interval_frames = REWIND_INTERVAL_FRAMES, int32_t capacity = REWIND_CAPACITY);

    // After each emulated frame: takes a state when the interval is up.
    void frame_done(Host& host);
    // Loads the newest state into the host and drops it. False (the host
    // unchanged) when the ring is empty or the state cannot be loaded; the
    // ring is then emptied of the state that failed.
    bool step_back(Host& host, std::string& error);
    // Forgets everything (a cartridge change makes the past unreachable).
    void clear();

    int32_t size() const { return static_cast<int32_t>(states.size()); }

private:
    int32_t interval;
    int32_t limit;
    int32_t frames_since = 0;
    std::deque<std::vector<uint8_t>> states;
};

}  // namespace m5
