// MemoryMap: the processor's 64 KiB address space.
//
// Stands for the M5's address decoding: the 8 KiB IPL ROM at 0x0000, the
// 20 KiB cartridge window at 0x2000 and 36 KiB of RAM from 0x7000 (the 4 KiB
// of the main board plus 32 KiB of expansion). Sixteen 4 KiB pages each have a
// read pointer and a write pointer: ROM pages read from the board's memory and
// write into a sink that is never read, RAM pages read and write it. Every
// access is one table lookup and one byte access.
//
// All memory is reached through this map: the processor through its page
// tables, which it reads directly on every access (processor_read_pages,
// processor_write_pages; no entry is ever null, so it never needs the
// operations below), a debugger, the C interface and tests through peek, poke
// and copy_out, which go through the same page tables without side effects. A
// device that banks memory in (an expansion switched by a port) maps its own
// pages with map_pages, leaves pages to nothing with map_open_bus and gives
// the board's back with map_board_pages; the page tables change nowhere else.
// The memory fitted (memory_expansion.h) is such a device: the map's own
// 36 KiB of RAM are the machine with the 32 KiB expansion; the bare machine
// leaves 0x8000-0xFFFF to nothing, and the 64KBF module maps its own RAM.
//
// Images: the IPL ROM and cartridge images on the machine's command, as
// bytes (Machine::load_ipl, open_cartridge); until then they read all 0xFF.
// Shorter images are padded with 0xFF, longer ones truncated to their window.
//
// Time: none (memory adds no wait states).
//
// Known differences from the real machine:
// - RAM starts as 0x00 rather than the power-on pattern of real chips.
// - An address nothing answers reads 0xFF (the bus's pull-ups), whatever
//   the processor last put on the bus.
// - A cartridge image is only ever ROM; no bank switching of its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "machine/component.h"

namespace m5 {

inline constexpr int32_t ADDRESS_SPACE_SIZE = 0x10000;
inline constexpr int32_t MEMORY_PAGE_SIZE = 4096;
inline constexpr int32_t PAGE_COUNT = ADDRESS_SPACE_SIZE / MEMORY_PAGE_SIZE;
inline constexpr int32_t IPL_ROM_SIZE = 8192;
inline constexpr int32_t CARTRIDGE_START = 0x2000;
inline constexpr int32_t CARTRIDGE_SIZE = 20480;
inline constexpr int32_t RAM_START = CARTRIDGE_START + CARTRIDGE_SIZE;  // 0x7000
inline constexpr int32_t RAM_SIZE = ADDRESS_SPACE_SIZE - RAM_START;     // 36 KiB up to 0xFFFF

class MemoryMap final : public Component {
public:
    // The board's pages are mapped at once, so that the map is safe to use
    // even before init (the address space then reads as an empty machine).
    MemoryMap(MachineServices* machine, MachineHost* host);

    // Fills ROM areas with 0xFF and RAM with 0x00. The page tables stay as
    // they are.
    void init() override;

    void mem_write8(int32_t address, int32_t data) override {
        const int32_t a = address & 0xFFFF;
        write_pages[a >> 12][a & (MEMORY_PAGE_SIZE - 1)] = static_cast<uint8_t>(data);
    }
    int32_t mem_read8(int32_t address) override {
        const int32_t a = address & 0xFFFF;
        return read_pages[a >> 12][a & (MEMORY_PAGE_SIZE - 1)];
    }
    // Low byte first; the second byte's address wraps from 0xFFFF to 0x0000.
    void mem_write16(int32_t address, int32_t data16) override {
        mem_write8(address, data16 & 0xFF);
        mem_write8(address + 1, (data16 >> 8) & 0xFF);
    }
    int32_t mem_read16(int32_t address) override {
        const int32_t low = mem_read8(address);
        return low | (mem_read8(address + 1) << 8);
    }

    // Replaces the IPL ROM: 0x0000-0x1FFF is refilled with 0xFF and up to
    // IPL_ROM_SIZE bytes are copied.
    void load_ipl(const uint8_t* data, size_t size);
    // Loads a cartridge image into 0x2000-0x6FFF: the window is refilled with
    // 0xFF and up to CARTRIDGE_SIZE bytes are copied.
    void load_cartridge(const uint8_t* data, size_t size);
    // Empties the cartridge window (all 0xFF).
    void unload_cartridge();

    // RAM only: the IPL ROM and the cartridge are not part of the state (the
    // state file names them by their SHA-256).
    void describe_state(StateArchive& archive) override;

    // --- Without side effects: debuggers, the C interface, tests -----------
    // The byte a processor read of `address` gives.
    uint8_t peek(int32_t address) const {
        const int32_t a = address & 0xFFFF;
        return read_pages[a >> 12][a & (MEMORY_PAGE_SIZE - 1)];
    }
    // Changes the byte a read of `address` gives, ROM included (as a
    // debugger patches a program); an address nothing answers stays 0xFF.
    void poke(int32_t address, uint8_t value) {
        const int32_t a = address & 0xFFFF;
        if (read_pages[a >> 12] == open_bus) return;
        read_pages[a >> 12][a & (MEMORY_PAGE_SIZE - 1)] = value;
    }
    // `size` bytes as peek gives them, from `address` on, wrapping from
    // 0xFFFF to 0x0000.
    void copy_out(int32_t address, uint8_t* out, size_t size) const;
    // True where a processor write is read back (RAM), false where it is
    // lost (ROM).
    bool is_ram(int32_t address) const {
        const int32_t page = (address & 0xFFFF) >> 12;
        return write_pages[page] == read_pages[page];
    }

    // --- Mapping ------------------------------------------------------------
    // Pages first_page .. first_page + count - 1 (those of 0..15) read from
    // `read`, MEMORY_PAGE_SIZE bytes a page in order, and write to `write`
    // in the same way, or nowhere when `write` is null (ROM). Pass the same
    // memory twice for RAM. The memory must outlive the mapping; a null
    // `read` changes nothing.
    void map_pages(int32_t first_page, int32_t count, uint8_t* read, uint8_t* write);
    // The board's own memory back in those pages: ROM below RAM_START, RAM
    // from there.
    void map_board_pages(int32_t first_page, int32_t count);
    // Nothing to read in those pages: reads give 0xFF, and writes go to
    // `write` as map_pages puts them, or nowhere when it is null.
    void map_open_bus(int32_t first_page, int32_t count, uint8_t* write = nullptr);

    // --- For a processor ------------------------------------------------------
    // The page tables themselves, PAGE_COUNT entries each: a processor keeps
    // these addresses and looks at the entry on every access, so that a
    // change by map_pages takes effect at its next access.
    uint8_t* const* processor_read_pages() const { return read_pages; }
    uint8_t* const* processor_write_pages() const { return write_pages; }

    // --- The board's memory -------------------------------------------------
    // Its IPL ROM and cartridge images, and its RAM (RAM_SIZE bytes).
    const uint8_t* ipl_rom() const { return image; }
    const uint8_t* cartridge_rom() const { return image + CARTRIDGE_START; }
    uint8_t* ram() { return image + RAM_START; }
    // Page `page` (0..15) of the board's memory, to map elsewhere or again.
    uint8_t* board_page(int32_t page) { return image + (page & (PAGE_COUNT - 1)) * MEMORY_PAGE_SIZE; }
    // All of it at its addresses: what the processor reads while no device
    // has mapped other memory in.
    const uint8_t* board_memory() const { return image; }
    // Swaps this map's memory with `other`'s, bytes and all, so that a
    // machine built anew keeps the addresses of its predecessor's memory
    // (for front ends that hold pointers to it); each map's pages follow its
    // new memory.
    void swap_memory(MemoryMap& other);

private:
    void clear_image();
    // The one place the page tables change. A processor reads the entries
    // on every access and needs no telling.
    void set_page(int32_t page, uint8_t* read, uint8_t* write);

    // The board's memory (IPL ROM, cartridge window, RAM) at its addresses;
    // `image` is its first byte.
    std::unique_ptr<std::array<uint8_t, ADDRESS_SPACE_SIZE>> board =
        std::make_unique<std::array<uint8_t, ADDRESS_SPACE_SIZE>>();
    uint8_t* image = board->data();
    uint8_t write_sink[MEMORY_PAGE_SIZE] = {};
    uint8_t open_bus[MEMORY_PAGE_SIZE] = {};  // all 0xFF, never written
    uint8_t* write_pages[PAGE_COUNT] = {};
    uint8_t* read_pages[PAGE_COUNT] = {};
};

}  // namespace m5
