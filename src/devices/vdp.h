#pragma once
#include "machine/component.h"
namespace m5 {
// Placeholder until the video chip is built.
class Vdp final : public Component {
public:
    using Component::Component;
    void present() {}
    SignalLinkList out_links;
};
}  // namespace m5
