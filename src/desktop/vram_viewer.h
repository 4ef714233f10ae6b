// VramViewer: the video chip as a picture, updated live while it shows.
//
// Its window shows, each under a heading: the pattern table (256 patterns in
// the colours the colour table gives them), the colour table and the sprite
// patterns as pictures; the chip's eight registers and the mode and tables
// they select; the sprite list: each sprite's position, pattern, colour and
// early-clock bit, with the fifth-sprite and collision flags as the status
// holds them and as the list makes them (the program usually reads, and so
// clears, the status every frame); and the name table, a byte apart with row
// and column numbers. The window opens at a size that shows all of it and
// keeps that size whatever it shows.
//
// Everything is read without side effects (Vdp::vram_at, reg, peek_status).
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace m5 {

class Machine;
class Vdp;

// The sprite list as the chip reads it, and what it makes of it.
struct SpriteSummary {
    struct Sprite {
        int32_t number = 0;
        int32_t x = 0;  // left edge on the picture (early clock applied)
        int32_t y = 0;  // top line on the picture
        uint8_t pattern = 0;
        uint8_t colour = 0;
        bool early_clock = false;
    };
    std::vector<Sprite> sprites;  // up to the terminator (Y = 0xD0)
    int32_t size = 8;             // 8 or 16 pixels, before magnification
    bool magnified = false;
    int32_t fifth_sprite = -1;  // the first sprite beyond four on a line, or -1
    bool collision = false;     // two opaque sprite pixels meet
};
SpriteSummary summarise_sprites(const Vdp& vdp);

// "graphics I", "text", "graphics II", "multicolour" or "mixed".
const char* vdp_mode_name(int32_t mode);

class VramViewer {
public:
    VramViewer(Machine& machine, std::function<void(const std::string&)> trace);
    ~VramViewer();
    VramViewer(const VramViewer&) = delete;
    VramViewer& operator=(const VramViewer&) = delete;

    // Opens or raises the window; the menu trace gets its summary.
    void show();
    // Redraws what the window shows, if it shows.
    void refresh();

private:
    void draw_tables();
    std::string describe() const;
    std::string name_table() const;
    static gboolean on_draw(GtkWidget* widget, cairo_t* cr, gpointer self);

    Machine& machine;
    std::function<void(const std::string&)> trace;
    GtkWidget* window = nullptr;
    std::vector<GtkWidget*> areas;  // one a picture
    GtkWidget* text = nullptr;
    GtkWidget* names_text = nullptr;
    std::vector<uint32_t> pixels;  // ARGB, the pictures side by side
};

}  // namespace m5
