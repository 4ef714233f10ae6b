#pragma once
#include <string>
#include "machine/component.h"
namespace m5 {
// Placeholder until the cassette deck is built.
class TapeDeck final : public Component {
public:
    using Component::Component;
    void tape_play(const std::string& path) { (void)path; }
    void tape_record(const std::string& path) { (void)path; }
    void tape_close() {}
    uint8_t tape_status() { return 0; }
    SignalLinkList out_links;
};
}  // namespace m5
