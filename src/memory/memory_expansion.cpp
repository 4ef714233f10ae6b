#include "memory/memory_expansion.h"

#include <cstring>
#include <utility>

#include "machine/state_io.h"

namespace m5 {

namespace {

constexpr int32_t RAM_START_PAGE = RAM_START / MEMORY_PAGE_SIZE;              // 0x7000
constexpr int32_t EXPANSION_FIRST_PAGE = RAM_START_PAGE + 1;                  // 0x8000
constexpr int32_t CARTRIDGE_FIRST_PAGE = CARTRIDGE_START / MEMORY_PAGE_SIZE;  // 0x2000
constexpr int32_t CARTRIDGE_END_PAGE = RAM_START_PAGE;                        // 0x7000

bool is_kbf(MemoryFit fit) { return fit == MemoryFit::KBF_2B || fit == MemoryFit::KBF_2C; }

}  // namespace

MemoryExpansion::MemoryExpansion(MachineServices* owner, MachineHost* host_services)
    : Component(owner, host_services) {}

void MemoryExpansion::init() { kbf_ram->fill(0); }

void MemoryExpansion::reset() {
    kbf_mode_number = 0;
    map();
}

void MemoryExpansion::port_write8(int32_t port, int32_t data) {
    (void)port;
    if (!is_kbf(fit)) return;
    kbf_mode_number = data & (KBF_MODE_COUNT - 1);
    map();
}

const std::array<KbfMode, KBF_MODE_COUNT>* MemoryExpansion::modes() const {
    if (fit == MemoryFit::KBF_2B) return &KBF_2B_MODES;
    if (fit == MemoryFit::KBF_2C) return &KBF_2C_MODES;
    return nullptr;
}

void MemoryExpansion::map() {
    if (memory == nullptr) return;
    switch (fit) {
        case MemoryFit::RAM_4K:
            memory->map_board_pages(0, EXPANSION_FIRST_PAGE);
            memory->map_open_bus(EXPANSION_FIRST_PAGE, PAGE_COUNT - EXPANSION_FIRST_PAGE);
            std::memset(memory->board_page(EXPANSION_FIRST_PAGE), 0xFF,
                        static_cast<size_t>(PAGE_COUNT - EXPANSION_FIRST_PAGE) * MEMORY_PAGE_SIZE);
            return;
        case MemoryFit::RAM_32K: memory->map_board_pages(0, PAGE_COUNT); return;
        case MemoryFit::KBF_2B:
        case MemoryFit::KBF_2C: break;
    }
    const KbfMode& mode = (*modes())[static_cast<size_t>(kbf_mode_number)];
    for (int32_t page = 0; page < PAGE_COUNT; ++page) {
        uint8_t* ram_page = kbf_ram->data() + static_cast<size_t>(page) * MEMORY_PAGE_SIZE;
        uint8_t* write = mode.write[static_cast<size_t>(page)] == KbfArea::RAM ? ram_page : nullptr;
        const bool cartridge_window = page >= CARTRIDGE_FIRST_PAGE && page < CARTRIDGE_END_PAGE;
        switch (mode.read[static_cast<size_t>(page)]) {
            case KbfArea::MON:
            case KbfArea::BF: memory->map_pages(page, 1, memory->board_page(page), write); break;
            case KbfArea::RAM: memory->map_pages(page, 1, ram_page, write); break;
            case KbfArea::DIS:
                if (cartridge_window) {
                    memory->map_pages(page, 1, memory->board_page(page), write);
                } else {
                    memory->map_open_bus(page, 1, write);
                }
                break;
        }
    }
}

void MemoryExpansion::describe_state(StateArchive& a) {
    int32_t saved_fit = static_cast<int32_t>(fit);
    a.i32_in(saved_fit, 0, MEMORY_FIT_COUNT - 1);
    a.valid(saved_fit == static_cast<int32_t>(fit));
    if (!is_kbf(fit)) return;
    a.i32_in(kbf_mode_number, 0, KBF_MODE_COUNT - 1);
    a.raw(kbf_ram->data(), kbf_ram->size());
}

void MemoryExpansion::after_load() { map(); }

void MemoryExpansion::swap_memory(MemoryExpansion& other) {
    std::swap(kbf_ram, other.kbf_ram);
    map();
    other.map();
}

}  // namespace m5
