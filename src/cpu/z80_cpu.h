#pragma once
#include "machine/component.h"
namespace m5 {
// Placeholder until the processor is built.
class Z80Cpu final : public Component {
public:
    using Component::Component;
    Component* memory = nullptr;
    Component* io = nullptr;
    Component* int_chain = nullptr;
};
}  // namespace m5
