#pragma once
#include "machine/component.h"
namespace m5 {
// Placeholder until the system port is built.
class SystemPort final : public Component {
public:
    using Component::Component;
    Component* output_target = nullptr;
    int32_t cassette_signal = 0;
    int32_t motor_signal = 1;
};
}  // namespace m5
