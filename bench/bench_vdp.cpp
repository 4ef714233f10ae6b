// One video frame: a busy Graphics II picture with 32 sprites drawn at the
// frame line, then converted into a host surface.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "devices/vdp.h"
#include "machine/machine_host.h"

namespace {

class SurfaceHost final : public m5::MachineHost {
public:
    uint16_t* surface_row(int32_t row) override { return &surface[static_cast<size_t>(row) * m5::SURFACE_WIDTH]; }
    const uint8_t* key_state() const override { return keys.data(); }
    const uint8_t* joy_bits() const override { return joy.data(); }
    int32_t& cpu_speed() override { return speed; }

    std::array<uint16_t, m5::SURFACE_WIDTH * m5::SURFACE_HEIGHT> surface{};
    std::array<uint8_t, m5::KEY_STATE_SIZE> keys{};
    std::array<uint8_t, m5::JOY_PORTS> joy{};
    int32_t speed = 0;
};

void set_reg(m5::Vdp& vdp, int n, uint8_t value) {
    vdp.port_write8(0x11, value);
    vdp.port_write8(0x11, 0x80 | n);
}

// Graphics II: patterns 0x0000, colours 0x2000, names 0x3800, sprite
// attributes 0x3B00, sprite patterns 0x1800; every table filled with a
// pseudo-random mix, 32 sprites of 16 x 16 crowding the upper half.
void busy_graphics_2(m5::Vdp& vdp) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    for (auto& byte : vdp.vram) byte = next();
    for (int n = 0; n < 768; ++n) vdp.vram[0x3800 + n] = static_cast<uint8_t>(n);
    for (int i = 0; i < 32; ++i) {
        uint8_t* attr = &vdp.vram[0x3B00 + 4 * i];
        attr[0] = static_cast<uint8_t>((i * 5) % 180);
        attr[1] = next();
        attr[2] = next();
        attr[3] = static_cast<uint8_t>(1 + i % 15);
    }
    set_reg(vdp, 0, 0x02);
    set_reg(vdp, 1, 0x62);  // display, interrupt, 16 x 16 sprites
    set_reg(vdp, 2, 0x0E);
    set_reg(vdp, 3, 0xFF);
    set_reg(vdp, 4, 0x03);
    set_reg(vdp, 5, 0x76);
    set_reg(vdp, 6, 0x03);
    set_reg(vdp, 7, 0x14);
}

void vdp_graphics_2_frame_and_present(benchmark::State& state) {
    SurfaceHost host;
    m5::Vdp vdp(nullptr, &host);
    vdp.reset();
    busy_graphics_2(vdp);
    for (auto _ : state) {
        vdp.on_scanline(m5::VDP_FRAME_LINE, 242);
        vdp.present();
        benchmark::DoNotOptimize(host.surface.data());
    }
}
BENCHMARK(vdp_graphics_2_frame_and_present)->Unit(benchmark::kMicrosecond);

void vdp_graphics_2_frame(benchmark::State& state) {
    SurfaceHost host;
    m5::Vdp vdp(nullptr, &host);
    vdp.reset();
    busy_graphics_2(vdp);
    for (auto _ : state) {
        vdp.on_scanline(m5::VDP_FRAME_LINE, 242);
        benchmark::DoNotOptimize(vdp.picture.data());
    }
}
BENCHMARK(vdp_graphics_2_frame)->Unit(benchmark::kMicrosecond);

void vdp_present(benchmark::State& state) {
    SurfaceHost host;
    m5::Vdp vdp(nullptr, &host);
    vdp.reset();
    busy_graphics_2(vdp);
    vdp.on_scanline(m5::VDP_FRAME_LINE, 242);
    for (auto _ : state) {
        vdp.present();
        benchmark::DoNotOptimize(host.surface.data());
    }
}
BENCHMARK(vdp_present)->Unit(benchmark::kMicrosecond);

}  // namespace
