// Vdp: the video display processor, a TMS9918A-compatible chip, or the
// TMS9929A of the 50 Hz machine (the chip of the machine's video standard).
//
// Ports (through the I/O bus): 0x10 data (VRAM read and write through an
// auto-incrementing address with a read-ahead byte), 0x11 control (two-byte
// address set-up and register writes; a read returns the status and clears
// its flags). Bit 0 of the port number selects between the two.
// Signals: one output, the interrupt line, sent as a level over int_output
// (the machine wires it to trigger input 3 of the counter/timer).
// Memory: 16 KiB of video RAM, eight write-only registers, a status byte.
// Time: the chip works in whole frames. At the start of scanline 192 (the
// video standard's frame interrupt line) it draws the complete 256 x 192
// picture from VRAM and the registers, sets the frame flag and drives its
// interrupt line; the rest of the frame only the ports act. The host copies the picture to its screen
// through present().
//
// Known differences from the real chip:
// - No raster timing: the picture is a snapshot taken once per frame, so
//   mid-frame register or VRAM changes show only in the next frame.
// - By default all sprites on a line are drawn; the fifth-sprite flag is
//   reported but no sprite is dropped. With the sprite limit on
//   (set_sprite_limit), the fifth and later sprites of a line are hidden there
//   as on the real chip. Either way the hidden ones still count for
//   coincidence, which is tested only inside the visible picture.
// - The sprite flags and number are worked out anew every frame rather than
//   accumulated and frozen until the status is read.
// - No VRAM access timing limits; every port access takes effect at once.
//
// As on the real chip: a status read clears the three flags and keeps the
// fifth-sprite number; with the display disabled the whole picture is the
// backdrop; the text modes' 40 columns of 6 pixels start at column 6 (TI's
// display timing: a left border 6 pixels wider than the graphics modes', a
// right border 10 pixels wider) and their borders show the backdrop.
//
// The TMS9929A draws as the TMS9918A does; it differs in its frame (313
// lines, the video standard's) and its colours (TMS9929A_PALETTE, from the
// data manual's levels).
//
// Every VRAM address the renderer forms is reduced to 14 bits, so no table
// set-up can read outside the 16 KiB.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "machine/component.h"
#include "machine/video_standard.h"

namespace m5 {

inline constexpr int32_t VDP_FRAME_LINE = 192;
inline constexpr int32_t VRAM_SIZE = 0x4000;
inline constexpr uint16_t VRAM_ADDRESS_MASK = 0x3FFF;
inline constexpr int32_t PICTURE_WIDTH = 256;
inline constexpr int32_t PICTURE_HEIGHT = 192;
inline constexpr int32_t PICTURE_SIZE = PICTURE_WIDTH * PICTURE_HEIGHT;
inline constexpr int32_t VDP_REGISTER_COUNT = 8;
inline constexpr int32_t SPRITE_COUNT = 32;
inline constexpr int32_t SPRITES_PER_LINE = 4;
inline constexpr uint8_t SPRITE_TERMINATOR = 0xD0;
inline constexpr int32_t SPRITE_ROW_WORDS = 6;  // 384 columns: 64 to the left, 256, 64 to the right

// The text modes (M1): 40 columns of 6 pixels, the first at TEXT_LEFT_COLUMN
// of the 256-pixel picture; the rest of each row is border (backdrop).
inline constexpr int32_t TEXT_COLUMNS = 40;
inline constexpr int32_t TEXT_CELL_WIDTH = 6;
inline constexpr int32_t TEXT_LEFT_COLUMN = 6;
inline constexpr int32_t TEXT_RIGHT_BORDER = PICTURE_WIDTH - TEXT_LEFT_COLUMN - TEXT_COLUMNS * TEXT_CELL_WIDTH;

// Status register bits.
inline constexpr uint8_t STATUS_FRAME = 0x80;
inline constexpr uint8_t STATUS_FIFTH_SPRITE = 0x40;
inline constexpr uint8_t STATUS_COINCIDENCE = 0x20;
inline constexpr uint8_t STATUS_SPRITE_NUMBER = 0x1F;

// Register 0 and 1 bits.
inline constexpr uint8_t R0_M3 = 0x02;  // Graphics II tables
inline constexpr uint8_t R1_DISPLAY_ENABLE = 0x40;
inline constexpr uint8_t R1_INTERRUPT_ENABLE = 0x20;
inline constexpr uint8_t R1_M1 = 0x10;  // text
inline constexpr uint8_t R1_M2 = 0x08;  // multicolour
inline constexpr uint8_t R1_SPRITE_16 = 0x02;
inline constexpr uint8_t R1_SPRITE_MAGNIFY = 0x01;

// Bits kept of each register when it is written.
inline constexpr std::array<uint8_t, VDP_REGISTER_COUNT> VDP_REGISTER_MASKS = {0x03, 0xFB, 0x0F, 0xFF,
                                                                               0x07, 0x7F, 0x07, 0xFF};

// The screen modes, numbered M3 = 2, M1 = 1, M2 = 4.
enum VdpMode : int32_t {
    MODE_GRAPHICS_1 = 0,
    MODE_TEXT = 1,
    MODE_GRAPHICS_2 = 2,
    MODE_TEXT_G2 = 3,
    MODE_MULTICOLOUR = 4,
    MODE_STRIPES = 5,
    MODE_MULTICOLOUR_G2 = 6,
    MODE_STRIPES_G2 = 7,
};

// Colour index -> RGB565: the TMS9918A's composite colours.
inline constexpr std::array<uint16_t, 16> PALETTE = {0x0000, 0x0000, 0x2648, 0x5ECF, 0x529D, 0x7B9F, 0xD289, 0x475E,
                                                     0xFA8A, 0xFBCF, 0xD60A, 0xE650, 0x2587, 0xCAD7, 0xCE59, 0xFFDF};

// The TMS9929A (as the TMS9928A) puts out a luminance and two colour-
// difference signals, R-Y and B-Y, instead of a composite one. TI's data
// manual gives their levels per colour: Y from 0 (black) to 1 (white), R-Y
// and B-Y around 0.47, their level for no colour (black, grey and white).
struct ColourLevels {
    double y, r_y, b_y;
};
inline constexpr double NO_COLOUR_LEVEL = 0.47;
inline constexpr std::array<ColourLevels, 16> TMS9929A_LEVELS = {{
    {0.00, 0.47, 0.47},  // 0 transparent: black where it shows
    {0.00, 0.47, 0.47},  // 1 black
    {0.53, 0.07, 0.20},  // 2 medium green
    {0.67, 0.17, 0.27},  // 3 light green
    {0.40, 0.40, 1.00},  // 4 dark blue
    {0.53, 0.43, 0.93},  // 5 light blue
    {0.47, 0.83, 0.30},  // 6 dark red
    {0.73, 0.00, 0.70},  // 7 cyan
    {0.53, 0.93, 0.27},  // 8 medium red
    {0.67, 0.93, 0.27},  // 9 light red
    {0.73, 0.57, 0.07},  // 10 dark yellow
    {0.80, 0.57, 0.17},  // 11 light yellow
    {0.47, 0.13, 0.23},  // 12 dark green
    {0.53, 0.73, 0.67},  // 13 magenta
    {0.80, 0.47, 0.47},  // 14 grey
    {1.00, 0.47, 0.47},  // 15 white
}};

// One colour from its levels: the differences taken at unit gain from the
// no-colour level give R and B (R = Y + (R-Y - 0.47), B = Y + (B-Y - 0.47)),
// the luminance weights of both television standards give G
// (Y = 0.299 R + 0.587 G + 0.114 B), and each is clipped to 0..1 and rounded
// to 5, 6 and 5 bits.
constexpr uint16_t rgb565_from_levels(const ColourLevels& c) {
    const double r = c.y + (c.r_y - NO_COLOUR_LEVEL);
    const double b = c.y + (c.b_y - NO_COLOUR_LEVEL);
    const double g = (c.y - 0.299 * r - 0.114 * b) / 0.587;
    const auto bits = [](double v, int32_t top) {
        const double clipped = v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
        return static_cast<uint16_t>(static_cast<int32_t>(clipped * top + 0.5));
    };
    return static_cast<uint16_t>(bits(r, 31) << 11 | bits(g, 63) << 5 | bits(b, 31));
}

constexpr std::array<uint16_t, 16> palette_from_levels(const std::array<ColourLevels, 16>& levels) {
    std::array<uint16_t, 16> palette{};
    for (size_t i = 0; i < levels.size(); ++i) palette[i] = rgb565_from_levels(levels[i]);
    return palette;
}

// Colour index -> RGB565: the TMS9929A's colours.
inline constexpr std::array<uint16_t, 16> TMS9929A_PALETTE = palette_from_levels(TMS9929A_LEVELS);

// The colours of a chip.
constexpr const std::array<uint16_t, 16>& palette_of(VideoChip chip) {
    return chip == VideoChip::TMS9929A ? TMS9929A_PALETTE : PALETTE;
}

// A frame's lines from the first line of the picture, as TI's data manual
// lays out each chip's display: the picture, the border below it, blanking,
// vertical sync, blanking and the border above the next picture. The
// picture's last line is followed by the frame interrupt line of the chip's
// video standard.
struct VdpFrameLayout {
    int32_t picture;
    int32_t bottom_border;
    int32_t bottom_blanking;
    int32_t vertical_sync;
    int32_t top_blanking;
    int32_t top_border;
    constexpr int32_t lines() const {
        return picture + bottom_border + bottom_blanking + vertical_sync + top_blanking + top_border;
    }
};
inline constexpr VdpFrameLayout TMS9918A_FRAME{PICTURE_HEIGHT, 24, 3, 3, 13, 27};
inline constexpr VdpFrameLayout TMS9929A_FRAME{PICTURE_HEIGHT, 51, 3, 3, 13, 51};

constexpr const VdpFrameLayout& frame_layout_of(VideoChip chip) {
    return chip == VideoChip::TMS9929A ? TMS9929A_FRAME : TMS9918A_FRAME;
}

static_assert(TMS9918A_FRAME.lines() == VIDEO_NTSC.lines_per_frame &&
              TMS9918A_FRAME.picture == VIDEO_NTSC.frame_interrupt_line);
static_assert(TMS9929A_FRAME.lines() == VIDEO_PAL.lines_per_frame &&
              TMS9929A_FRAME.picture == VIDEO_PAL.frame_interrupt_line);

class Vdp final : public Component {
public:
    Vdp(MachineServices* machine, MachineHost* host);

    // --- Component operations -----------------------------------------------
    // Takes the frame line and the chip (its colours) from the machine's video
    // standard and listens to that scanline (nothing without a machine).
    void init() override;
    // Clears VRAM, registers, status, address and latch; the picture stays.
    void reset() override;
    // Bit 0 of the port: 1 control (address set-up, register write), 0 data.
    void port_write8(int32_t port, int32_t data) override;
    // Bit 0 of the port: 1 status (clears the flags, drops the interrupt), 0 data.
    int32_t port_read8(int32_t port) override;
    // At frame_line: draws the frame, sets the frame flag, drives the line.
    void on_scanline(int32_t line, int32_t clocks) override;
    // Video RAM, the picture last drawn, registers with the table bases they
    // set, status, read-ahead, address and latch, and the interrupt level.
    void describe_state(StateArchive& archive) override;
    // The colour tables from R7.
    void after_load() override;

    // --- Operations the machine and the ports use ---------------------------
    // Converts the picture through the chip's colours into the host's surface
    // rows.
    void present();
    // Stores a register (masked), recomputes the tables it feeds and, for R1,
    // re-evaluates the interrupt line. The control port's register write.
    void write_register(int32_t number, uint8_t value);
    // Draws background and sprites from the current VRAM and registers
    // (display enabled); called at the frame line. With drawing off it only
    // works out the sprites' part of the status.
    void render_frame();
    // A front end's choice, not chip state: with drawing off the frame line
    // works out the status and the interrupt as ever but leaves the picture
    // as it was, for frames nobody will look at. On by default.
    void set_drawing(bool on) { drawing = on; }
    bool drawing_on() const { return drawing; }
    // The user's choice, not chip state (kept over resets and loaded states):
    // hide the fifth and later sprites of a line as the real chip does.
    void set_sprite_limit(bool on) { sprite_limit = on; }
    bool sprite_limit_on() const { return sprite_limit; }

    // --- Inspection (no side effects) ---------------------------------------
    uint8_t reg(int32_t number) const { return regs[number & 7]; }
    uint8_t peek_status() const { return status; }
    uint8_t vram_at(int32_t address) const { return vram[address & VRAM_ADDRESS_MASK]; }
    uint8_t pixel(int32_t x, int32_t y) const { return picture[y * PICTURE_WIDTH + x]; }
    int32_t mode() const;
    uint8_t backdrop_colour() const { return regs[7] & 0x0F; }
    uint8_t text_colour() const { return regs[7] >> 4; }
    // The chip's colours, index -> RGB565 (PALETTE or TMS9929A_PALETTE).
    const std::array<uint16_t, 16>& colours() const { return palette_of(chip); }

    // --- State, in the order the chip's design gives it ---------------------
    SignalLinkList int_output;  // interrupt output
    std::array<uint8_t, VRAM_SIZE> vram{};
    std::array<uint8_t, PICTURE_SIZE> picture{};  // colour index per pixel, row-major
    std::array<uint8_t, VDP_REGISTER_COUNT> regs{};
    uint8_t status = 0;
    uint8_t read_ahead = 0;
    uint8_t latch_byte = 0;
    uint16_t address = 0;
    bool latch_full = false;
    uint8_t int_level = 0;  // level last sent on int_output
    uint16_t colour_base = 0;
    uint16_t pattern_base = 0;
    uint16_t name_base = 0;
    uint16_t sprite_pattern_base = 0;
    uint16_t sprite_attr_base = 0;
    uint16_t colour_mask = 0;
    uint16_t pattern_mask = 0;

    // Wiring: the scanline the frame is drawn at (VDP_FRAME_LINE without a
    // machine), and which chip of the family this is.
    int32_t frame_line = VDP_FRAME_LINE;
    VideoChip chip = VideoChip::TMS9918A;

private:
    uint8_t read_data();
    void write_control(uint8_t value);
    void set_int_line(bool level);
    void derive_tables();
    // The colour tables' entries for the backdrop as R7 gives it: with
    // `all` false only those with colour 0 on either side, the rest being
    // the same for every backdrop.
    void update_colour_tables(bool all = false);

    void render_graphics_1();
    void render_graphics_2();
    void render_text(bool g2_tables);
    void render_multicolour(bool g2_tables);
    void render_stripes();
    void render_sprites();

    // Per colour byte of the graphics modes, eight pixels at a time: the
    // background colour in all eight bytes, and background XOR foreground, so
    // that a pattern's pixels are colour_back ^ (colour_diff & mask). Built
    // whole at construction; the entries with a colour 0 are rebuilt when R7
    // is written (the backdrop stands in for colour 0).
    std::array<uint64_t, 256> colour_back{};
    std::array<uint64_t, 256> colour_diff{};

    bool sprite_limit = false;
    bool drawing = true;

    // Sprite pass scratch: sprites left per picture row, and per row the
    // pixels covered by a sprite and those already coloured (bit sets, see
    // render_sprites). A pass clears a row when it first reaches it: row_pass
    // holds the number of the pass that last did.
    uint32_t sprite_pass = 0;
    std::array<uint32_t, PICTURE_HEIGHT> row_pass{};
    std::array<uint8_t, PICTURE_HEIGHT> line_budget{};
    std::array<std::array<uint64_t, SPRITE_ROW_WORDS>, PICTURE_HEIGHT> sprite_cover{};
    std::array<std::array<uint64_t, SPRITE_ROW_WORDS>, PICTURE_HEIGHT> sprite_drawn{};
};

}  // namespace m5
