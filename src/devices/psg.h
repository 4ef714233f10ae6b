#pragma once
#include "machine/component.h"
namespace m5 {
// Placeholder until the sound chip is built.
class Psg final : public Component {
public:
    using Component::Component;
    void set_sample_rate(int32_t rate_hz, int32_t chip_clock_hz, int32_t full_volume) { (void)rate_hz, (void)chip_clock_hz, (void)full_volume; }
};
}  // namespace m5
