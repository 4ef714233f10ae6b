// MemoryExpansion: the memory fitted to the machine beyond its board.
//
// Stands for what the M5's owner plugged in, one of:
// - nothing (MemoryFit::RAM_4K): the bare machine, its own 4 KiB of RAM at
//   0x7000-0x7FFF; 0x8000-0xFFFF reads 0xFF and takes no writes (the board
//   memory the map does not use there is held at 0xFF too, so that the
//   board's memory reads as the processor reads it);
// - the 32 KiB RAM expansion (MemoryFit::RAM_32K, the default): RAM from
//   0x7000 to 0xFFFF, the memory map's own, nothing to do here;
// - the 64KBF module in its second prototype (MemoryFit::KBF_2B) or its 2C
//   version (MemoryFit::KBF_2C): 64 KiB of RAM, the BASIC-F EPROMs and a
//   mode register at port 0x30 (write only: OUT (0x30),n chooses mode n AND
//   7). Each of the eight modes says, per part of the address space, where
//   reads come from (the monitor, i.e. the IPL ROM; BASIC-F; the module's
//   RAM; or nothing) and where writes go (the module's RAM, or nowhere), as
//   KBF_2B_MODES and KBF_2C_MODES give them. Mode 0 after power-on and reset.
// Memory: the module's 64 KiB; its RAM is at the same addresses as the
// processor's.
// Time: none.
//
// How the module is modelled (its published description gives the mode
// table and little more):
// - The module's RAM covers the whole address space; where the table says
//   RAM at 0x7000-0x7FFF it is the module's, the board's own 4 KiB unused.
// - BASIC-F ("BF") is whatever cartridge image the user inserted.
// - A part the table disables ("DIS") reads 0xFF, except in the cartridge
//   window (0x2000-0x6FFF), where a cartridge plugged in beside the module
//   answers: the inserted image, or 0xFF without one. Writes there vanish.
// - The mode latch takes the low three bits of every write to port 0x30 (the
//   keyboard's rows are read at the same port; the two never meet).
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "machine/component.h"
#include "memory/memory_map.h"

namespace m5 {

// The memory fitted. The values are saved in states: never renumber.
enum class MemoryFit : uint8_t {
    RAM_4K = 0,
    RAM_32K = 1,
    KBF_2B = 2,
    KBF_2C = 3,
};
inline constexpr int32_t MEMORY_FIT_COUNT = 4;

inline constexpr int32_t KBF_PORT = 0x30;
inline constexpr int32_t KBF_MODE_COUNT = 8;

// What answers in a part of the address space, in the module's table: the
// monitor (IPL ROM), BASIC-F (the cartridge window), the module's RAM, or
// nothing.
enum class KbfArea : uint8_t { MON, BF, RAM, DIS };

// One mode: per 4 KiB page, the source of reads and the target of writes
// (RAM or DIS).
struct KbfMode {
    std::array<KbfArea, PAGE_COUNT> read{};
    std::array<KbfArea, PAGE_COUNT> write{};
};

// A mode as the table writes it: the parts from 0x0000 upwards, each so
// many KiB of one area ("8 kB MON + 20 kB BF + 36 kB RAM").
struct KbfSpan {
    int32_t kib;
    KbfArea area;
};
// Not constexpr: a table whose parts do not make 64 KiB in whole pages
// calls it while being built, which stops the compilation.
inline void kbf_parts_must_make_64_kib() {}
constexpr std::array<KbfArea, PAGE_COUNT> kbf_pages(std::initializer_list<KbfSpan> spans) {
    constexpr int32_t PAGE_KIB = MEMORY_PAGE_SIZE / 1024;
    std::array<KbfArea, PAGE_COUNT> pages{};
    int32_t page = 0;
    for (const KbfSpan& span : spans) {
        if (span.kib % PAGE_KIB != 0 || page + span.kib / PAGE_KIB > PAGE_COUNT) kbf_parts_must_make_64_kib();
        for (int32_t k = 0; k < span.kib / PAGE_KIB; ++k) pages[static_cast<size_t>(page++)] = span.area;
    }
    if (page != PAGE_COUNT) kbf_parts_must_make_64_kib();
    return pages;
}
constexpr KbfMode kbf_mode(std::initializer_list<KbfSpan> read, std::initializer_list<KbfSpan> write) {
    return {kbf_pages(read), kbf_pages(write)};
}

// The second prototype (2B).
inline constexpr std::array<KbfMode, KBF_MODE_COUNT> KBF_2B_MODES = {
    kbf_mode({{8, KbfArea::MON}, {20, KbfArea::BF}, {36, KbfArea::RAM}}, {{64, KbfArea::RAM}}),
    kbf_mode({{64, KbfArea::RAM}}, {{64, KbfArea::RAM}}),
    kbf_mode({{8, KbfArea::MON}, {56, KbfArea::RAM}}, {{64, KbfArea::RAM}}),
    kbf_mode({{64, KbfArea::RAM}}, {{28, KbfArea::DIS}, {36, KbfArea::RAM}}),
    kbf_mode({{64, KbfArea::RAM}}, {{16, KbfArea::DIS}, {48, KbfArea::RAM}}),
    kbf_mode({{16, KbfArea::DIS}, {48, KbfArea::RAM}}, {{16, KbfArea::DIS}, {48, KbfArea::RAM}}),
    kbf_mode({{32, KbfArea::RAM}, {32, KbfArea::DIS}}, {{32, KbfArea::RAM}, {32, KbfArea::DIS}}),
    kbf_mode({{64, KbfArea::DIS}}, {{64, KbfArea::DIS}}),
};

// The 2C version ("LZR"): modes 0, 5 and 6 differ from the 2B's.
inline constexpr std::array<KbfMode, KBF_MODE_COUNT> KBF_2C_MODES = {
    kbf_mode({{8, KbfArea::MON}, {20, KbfArea::BF}, {36, KbfArea::RAM}}, {{28, KbfArea::DIS}, {36, KbfArea::RAM}}),
    kbf_mode({{64, KbfArea::RAM}}, {{64, KbfArea::RAM}}),
    kbf_mode({{8, KbfArea::MON}, {56, KbfArea::RAM}}, {{64, KbfArea::RAM}}),
    kbf_mode({{64, KbfArea::RAM}}, {{28, KbfArea::DIS}, {36, KbfArea::RAM}}),
    kbf_mode({{64, KbfArea::RAM}}, {{16, KbfArea::DIS}, {48, KbfArea::RAM}}),
    kbf_mode({{8, KbfArea::MON}, {20, KbfArea::BF}, {36, KbfArea::RAM}}, {{64, KbfArea::RAM}}),
    kbf_mode({{8, KbfArea::MON}, {20, KbfArea::DIS}, {36, KbfArea::RAM}}, {{64, KbfArea::RAM}}),
    kbf_mode({{64, KbfArea::DIS}}, {{64, KbfArea::DIS}}),
};

class MemoryExpansion final : public Component {
public:
    MemoryExpansion(MachineServices* machine, MachineHost* host);

    // The module's RAM to zeros.
    void init() override;
    // Mode 0 (the module), and the pages mapped for the memory fitted.
    void reset() override;
    // The module's mode register (the machine maps port 0x30 here only when
    // a 64KBF is fitted).
    void port_write8(int32_t port, int32_t data) override;
    // The memory fitted (a state of another is refused), and for the module
    // its mode and its RAM.
    void describe_state(StateArchive& archive) override;
    // Maps the pages of the loaded mode.
    void after_load() override;

    // The module's mode (0 without one).
    int32_t mode() const { return kbf_mode_number; }
    // The table of the fitted module's modes; null without one.
    const std::array<KbfMode, KBF_MODE_COUNT>* modes() const;
    // The module's 64 KiB of RAM, byte n at address n (there whatever the
    // mode, unused without a module).
    uint8_t* module_ram() { return kbf_ram->data(); }
    // Swaps the module's RAM with `other`'s, as MemoryMap::swap_memory does
    // the board's, and maps both again (after their maps have swapped).
    void swap_memory(MemoryExpansion& other);

    // Wiring: what is fitted, and the memory map it maps pages of.
    MemoryFit fit = MemoryFit::RAM_32K;
    MemoryMap* memory = nullptr;

private:
    void map();

    int32_t kbf_mode_number = 0;
    std::unique_ptr<std::array<uint8_t, ADDRESS_SPACE_SIZE>> kbf_ram =
        std::make_unique<std::array<uint8_t, ADDRESS_SPACE_SIZE>>();
};

}  // namespace m5
