#include "machine/component.h"

#include "machine/machine_services.h"
#include "machine/state_io.h"

namespace m5 {

namespace {

// The byte-wise 16-bit accesses behind the defaults: low byte at address, high
// byte at address + 1 (not wrapped here: the receiver masks).
void write16_as_bytes(Component& c, int32_t address, int32_t data16) {
    c.mem_write8(address, data16 & 0xFF);
    c.mem_write8(address + 1, (data16 >> 8) & 0xFF);
}

int32_t read16_as_bytes(Component& c, int32_t address) {
    const int32_t low = c.mem_read8(address) & 0xFF;
    return low | ((c.mem_read8(address + 1) & 0xFF) << 8);
}

}  // namespace

Component::Component(MachineServices* owner, MachineHost* host_services)
    : machine(owner), host(host_services), prev(nullptr), next(nullptr), id(0) {
    if (owner == nullptr) return;
    prev = owner->last_component;
    if (prev == nullptr) {
        owner->first_component = this;
        id = 0;
    } else {
        prev->next = this;
        id = prev->id + 1;
    }
    owner->last_component = this;
}

void Component::save_state(StateWriter& out) {
    StateArchive archive(out);
    describe_state(archive);
}

void Component::load_state(StateReader& in) {
    StateArchive archive(in);
    describe_state(archive);
    // A component that does not ask reads layout 1 (and the version 0 of
    // the oldest files, which is the same for it).
    if (!archive.asked_version()) archive.version(1);
    after_load();
}

void Component::mem_write16(int32_t address, int32_t data16) { write16_as_bytes(*this, address, data16); }

int32_t Component::mem_read16(int32_t address) { return read16_as_bytes(*this, address); }

void Component::mem_write8_w(int32_t address, int32_t data, int32_t* wait_out) {
    (void)address, (void)data;
    *wait_out = 0;
}

int32_t Component::mem_read8_w(int32_t address, int32_t* wait_out) {
    (void)address;
    *wait_out = 0;
    return 0xFF;
}

void Component::mem_write16_w(int32_t address, int32_t data16, int32_t* wait_out) {
    *wait_out = 0;
    write16_as_bytes(*this, address, data16);
}

int32_t Component::mem_read16_w(int32_t address, int32_t* wait_out) {
    *wait_out = 0;
    return read16_as_bytes(*this, address);
}

void Component::port_write8_w(int32_t port, int32_t data, int32_t* wait_out) {
    (void)port, (void)data;
    *wait_out = 0;
}

int32_t Component::port_read8_w(int32_t port, int32_t* wait_out) {
    (void)port;
    *wait_out = 0;
    return 0xFF;
}

}  // namespace m5
