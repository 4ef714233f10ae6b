// A Platform for host tests: a clock the test controls (it moves when the
// host sleeps, and optionally on every reading), recorded titles, repaints
// and sleeps, scripted modifier keys and clipboard, and a fake sound output
// whose free halves the test decides and whose writes it records.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/platform.h"

namespace m5::test {

class TestPlatform : public Platform {
public:
    uint32_t ticks_ms() override {
        const uint32_t now = clock_ms;
        clock_ms += ms_per_reading;
        return now;
    }
    void sleep_ms(uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        clock_ms += milliseconds;
    }
    void set_title(const std::string& title) override { titles.push_back(title); }
    void request_repaint() override { ++repaints; }
    std::string executable_path() override { return executable; }
    bool modifier_down(int32_t virtual_key) override { return physical_keys.count(virtual_key) != 0; }
    std::optional<std::string> clipboard_text() override { return clipboard; }
    void show_message(const std::string& text) override { messages.push_back(text); }

    bool sound_open(int32_t sample_rate, int32_t block_samples) override {
        opened_rate = sample_rate;
        opened_block = block_samples;
        return sound_opens;
    }
    bool sound_half_free(bool first_half) override {
        half_queries.push_back(first_half);
        return half_free;
    }
    bool sound_write_half(bool first_half, const int16_t* samples, int32_t count) override {
        written_halves.push_back(first_half);
        written_blocks.emplace_back(samples, samples + count);
        return true;
    }
    void sound_clear() override { ++clears; }
    void sound_close() override { ++closes; }
    void set_frame_rate(int32_t frames_per_second) override { frame_rate = frames_per_second; }

    // Clock.
    uint32_t clock_ms = 5000;
    uint32_t ms_per_reading = 0;
    std::vector<uint32_t> sleeps;
    // Window.
    std::vector<std::string> titles;
    int32_t repaints = 0;
    std::vector<std::string> messages;
    // Files, keys, clipboard.
    std::string executable = "/nonexistent/m5";
    std::set<int32_t> physical_keys;
    std::optional<std::string> clipboard;  // nothing: no text on the clipboard
    // Sound.
    bool sound_opens = true;
    bool half_free = true;
    int32_t opened_rate = 0;
    int32_t opened_block = 0;
    std::vector<bool> half_queries;
    std::vector<bool> written_halves;
    std::vector<std::vector<int16_t>> written_blocks;
    int32_t clears = 0;
    int32_t closes = 0;
    // The frame rate the host last gave.
    int32_t frame_rate = 0;
};

}  // namespace m5::test
