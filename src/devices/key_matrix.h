#pragma once
#include "machine/component.h"
namespace m5 {
// Placeholder until the keyboard matrix is built.
class KeyMatrix final : public Component {
public:
    using Component::Component;
};
}  // namespace m5
