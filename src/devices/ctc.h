#pragma once
#include "machine/component.h"
namespace m5 {
// Placeholder until the counter/timer is built.
class Ctc final : public Component {
public:
    using Component::Component;
    Component* cpu = nullptr;
    int32_t irq_line = 0;
    Component* next_device = nullptr;
};
}  // namespace m5
