#pragma once
#include <string>
#include "machine/component.h"
namespace m5 {
// Placeholder until the memory map is built.
class MemoryMap final : public Component {
public:
    using Component::Component;
    bool load_cartridge(const std::string& path) { (void)path; return false; }
    void unload_cartridge() {}
};
}  // namespace m5
