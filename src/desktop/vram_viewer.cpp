#include "desktop/vram_viewer.h"

#include <array>
#include <cstdio>

#include "devices/vdp.h"
#include "m5/machine.h"

namespace m5 {
namespace {

// The pictures, stacked in one image and shown each under its heading: the
// pattern table (32 x 8 patterns), the colour table in the same layout (each
// pattern row: foreground left, background right), the sprite patterns
// (32 x 2 of 8 x 8).
constexpr int32_t IMAGE_WIDTH = 256;
constexpr int32_t PATTERNS_TOP = 0;
constexpr int32_t COLOURS_TOP = 64;
constexpr int32_t SPRITES_TOP = 128;
constexpr int32_t IMAGE_HEIGHT = 144;
constexpr int32_t SCALE = 2;
constexpr int32_t SPRITE_END = 0xD0;
// The text panes, in characters: the registers and the sprite list beside
// the pictures (as tall as they are: room for 10 sprites before it scrolls),
// the name table below them in a smaller type (text mode's 40 columns).
constexpr int32_t INFO_COLUMNS = 56;
constexpr int32_t INFO_ROWS = 18;
constexpr int32_t NAME_COLUMNS = 40;
constexpr int32_t NAME_ROWS = 24;

struct Picture {
    const char* heading;
    int32_t top;
    int32_t height;
};
constexpr Picture PICTURES[] = {
    {"Pattern table: the 256 patterns in their colours", PATTERNS_TOP, 64},
    {"Colour table: each pattern row's foreground (left) and background (right)", COLOURS_TOP, 64},
    {"Sprite patterns: 64 of 8 x 8 (16 x 16 sprites take four)", SPRITES_TOP, 16},
};
constexpr const char* PICTURE_KEY = "m5-vram-picture";

// A monospace text view in a pane of `columns` x `rows` characters; `small`
// in a smaller type.
GtkWidget* text_pane(GtkWidget** view, int32_t columns, int32_t rows, bool small) {
    *view = gtk_text_view_new();
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(*view), TRUE);
    gtk_text_view_set_editable(GTK_TEXT_VIEW(*view), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(*view), FALSE);
    if (small) {
        GtkCssProvider* css = gtk_css_provider_new();
        gtk_css_provider_load_from_data(css, "textview { font-size: 8pt; }", -1, nullptr);
        gtk_style_context_add_provider(gtk_widget_get_style_context(*view), GTK_STYLE_PROVIDER(css),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_object_unref(css);
    }
    PangoLayout* layout = gtk_widget_create_pango_layout(*view, "0");
    int char_width = 0;
    int line_height = 0;
    pango_layout_get_pixel_size(layout, &char_width, &line_height);
    g_object_unref(layout);
    GtkWidget* pane = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(pane), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    // A little beyond the text, for the scroll bars' and the view's margins.
    gtk_widget_set_size_request(pane, char_width * columns + 24, line_height * rows + 12);
    gtk_container_add(GTK_CONTAINER(pane), *view);
    return pane;
}

GtkWidget* heading(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
    return label;
}

uint32_t argb(const Vdp& vdp, uint8_t colour) {
    const uint16_t c = vdp.colours()[colour & 15];
    const uint32_t r = (c >> 11) & 0x1F, g = (c >> 5) & 0x3F, b = c & 0x1F;
    return 0xFF000000u | (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

struct Tables {
    int32_t names, colours, patterns, sprite_attributes, sprite_patterns;
};

Tables tables_of(const Vdp& vdp) {
    const bool graphics2 = vdp.mode() == 2;
    return {(vdp.reg(2) & 0x0F) << 10, graphics2 ? (vdp.reg(3) & 0x80) << 6 : vdp.reg(3) << 6,
            graphics2 ? (vdp.reg(4) & 0x04) << 11 : (vdp.reg(4) & 0x07) << 11, (vdp.reg(5) & 0x7F) << 7,
            (vdp.reg(6) & 0x07) << 11};
}

}  // namespace

const char* vdp_mode_name(int32_t mode) {
    switch (mode) {
        case 0: return "graphics I";
        case 1: return "text";
        case 2: return "graphics II";
        case 4: return "multicolour";
        default: return "mixed";
    }
}

SpriteSummary summarise_sprites(const Vdp& vdp) {
    SpriteSummary summary;
    const Tables t = tables_of(vdp);
    summary.size = (vdp.reg(1) & 0x02) != 0 ? 16 : 8;
    summary.magnified = (vdp.reg(1) & 0x01) != 0;
    const int32_t extent = summary.size * (summary.magnified ? 2 : 1);
    for (int32_t n = 0; n < 32; ++n) {
        const int32_t base = t.sprite_attributes + n * 4;
        const uint8_t y = vdp.vram_at(base);
        if (y == SPRITE_END) break;
        SpriteSummary::Sprite s;
        s.number = n;
        s.y = y >= 0xE1 ? y - 255 : y + 1;  // lines 0xE1..0xFF are above the picture
        s.pattern = vdp.vram_at(base + 2);
        const uint8_t colour = vdp.vram_at(base + 3);
        s.colour = colour & 0x0F;
        s.early_clock = (colour & 0x80) != 0;
        s.x = vdp.vram_at(base + 1) - (s.early_clock ? 32 : 0);
        summary.sprites.push_back(s);
    }
    // Per picture line: the first four sprites on it are shown; a fifth sets
    // the flag. Two opaque pixels of shown sprites meeting set the collision.
    for (int32_t line = 0; line < 192; ++line) {
        std::array<uint8_t, 256 + 64> covered{};
        int32_t on_line = 0;
        for (const SpriteSummary::Sprite& s : summary.sprites) {
            const int32_t row = line - s.y;
            if (row < 0 || row >= extent) continue;
            if (++on_line > 4) {
                if (summary.fifth_sprite < 0) summary.fifth_sprite = s.number;
                break;
            }
            const int32_t pattern_row = row / (summary.magnified ? 2 : 1);
            const uint8_t pattern = summary.size == 16 ? s.pattern & 0xFC : s.pattern;
            for (int32_t column = 0; column < extent; ++column) {
                const int32_t bit = column / (summary.magnified ? 2 : 1);
                const int32_t address = t.sprite_patterns + pattern * 8 + (bit >= 8 ? 16 : 0) + pattern_row;
                if ((vdp.vram_at(address) & (0x80 >> (bit & 7))) == 0) continue;
                const int32_t x = s.x + column;
                if (x < 0 || x >= 256) continue;
                if (covered[static_cast<size_t>(x)] != 0) summary.collision = true;
                covered[static_cast<size_t>(x)] = 1;
            }
        }
    }
    return summary;
}

VramViewer::VramViewer(Machine& emulated, std::function<void(const std::string&)> trace_line)
    : machine(emulated), trace(std::move(trace_line)), pixels(static_cast<size_t>(IMAGE_WIDTH * IMAGE_HEIGHT)) {}

VramViewer::~VramViewer() {
    if (window != nullptr) gtk_widget_destroy(window);
}

void VramViewer::show() {
    if (window == nullptr) {
        window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(window), "Video memory");
        // Below the main window (where a window manager does not choose).
        gtk_window_move(GTK_WINDOW(window), 0, 440);
        g_signal_connect(window, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
        GtkWidget* grid = gtk_grid_new();
        gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
        gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
        gtk_container_set_border_width(GTK_CONTAINER(grid), 8);

        GtkWidget* pictures = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
        for (const Picture& picture : PICTURES) {
            gtk_box_pack_start(GTK_BOX(pictures), heading(picture.heading), FALSE, FALSE, 0);
            GtkWidget* area = gtk_drawing_area_new();
            gtk_widget_set_size_request(area, IMAGE_WIDTH * SCALE, picture.height * SCALE);
            g_object_set_data(G_OBJECT(area), PICTURE_KEY, const_cast<Picture*>(&picture));
            g_signal_connect(area, "draw", G_CALLBACK(on_draw), this);
            gtk_widget_set_halign(area, GTK_ALIGN_START);
            gtk_box_pack_start(GTK_BOX(pictures), area, FALSE, FALSE, 0);
            areas.push_back(area);
        }
        gtk_grid_attach(GTK_GRID(grid), pictures, 0, 0, 1, 2);
        gtk_grid_attach(GTK_GRID(grid), heading("Registers and sprites"), 1, 0, 1, 1);
        GtkWidget* info = text_pane(&text, INFO_COLUMNS, INFO_ROWS, false);
        gtk_widget_set_vexpand(info, TRUE);
        gtk_grid_attach(GTK_GRID(grid), info, 1, 1, 1, 1);
        gtk_grid_attach(GTK_GRID(grid), heading("Name table (hexadecimal; rows down, columns across)"), 0, 2, 2, 1);
        GtkWidget* names = text_pane(&names_text, 4 + NAME_COLUMNS * 3, NAME_ROWS + 1, true);
        gtk_widget_set_halign(names, GTK_ALIGN_START);
        gtk_grid_attach(GTK_GRID(grid), names, 0, 3, 2, 1);
        gtk_container_add(GTK_CONTAINER(window), grid);
    }
    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
    refresh();
    // The summary for the menu trace: mode, flags, each sprite.
    const Vdp& vdp = *machine.vdp;
    const SpriteSummary summary = summarise_sprites(vdp);
    trace("vram mode " + std::string(vdp_mode_name(vdp.mode())) + " sprites " + std::to_string(summary.sprites.size()) +
          " fifth " + std::to_string(summary.fifth_sprite) + " collision " + (summary.collision ? "1" : "0"));
    for (const SpriteSummary::Sprite& s : summary.sprites) {
        trace("vram sprite " + std::to_string(s.number) + " x " + std::to_string(s.x) + " y " + std::to_string(s.y) +
              " pattern " + std::to_string(s.pattern) + " colour " + std::to_string(s.colour) +
              (s.early_clock ? " early" : ""));
    }
}

void VramViewer::refresh() {
    if (window == nullptr || !gtk_widget_get_visible(window)) return;
    draw_tables();
    for (GtkWidget* area : areas) gtk_widget_queue_draw(area);
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(text)), describe().c_str(), -1);
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(names_text)), name_table().c_str(), -1);
}

void VramViewer::draw_tables() {
    const Vdp& vdp = *machine.vdp;
    const Tables t = tables_of(vdp);
    const int32_t mode = vdp.mode();
    const uint8_t backdrop = vdp.backdrop_colour();
    const auto put = [&](int32_t x, int32_t y, uint8_t colour) {
        pixels[static_cast<size_t>(y * IMAGE_WIDTH + x)] = argb(vdp, colour == 0 ? backdrop : colour);
    };
    std::fill(pixels.begin(), pixels.end(), 0xFF202020u);
    for (int32_t pattern = 0; pattern < 256; ++pattern) {
        const int32_t left = (pattern % 32) * 8, top = (pattern / 32) * 8;
        for (int32_t row = 0; row < 8; ++row) {
            const uint8_t bits = vdp.vram_at(t.patterns + pattern * 8 + row);
            // Graphics I: a colour byte per group of eight patterns; Graphics
            // II: per pattern row; text: the text colours.
            uint8_t colours = vdp.reg(7);
            if (mode == 0) colours = vdp.vram_at(t.colours + pattern / 8);
            if (mode == 2) colours = vdp.vram_at(t.colours + pattern * 8 + row);
            const auto foreground = static_cast<uint8_t>(colours >> 4), background = static_cast<uint8_t>(colours & 15);
            for (int32_t bit = 0; bit < 8; ++bit) {
                put(left + bit, PATTERNS_TOP + top + row, (bits & (0x80 >> bit)) != 0 ? foreground : background);
                put(left + bit, COLOURS_TOP + top + row, bit < 4 ? foreground : background);
            }
        }
    }
    for (int32_t pattern = 0; pattern < 64; ++pattern) {
        const int32_t left = (pattern % 32) * 8, top = (pattern / 32) * 8;
        for (int32_t row = 0; row < 8; ++row) {
            const uint8_t bits = vdp.vram_at(t.sprite_patterns + pattern * 8 + row);
            for (int32_t bit = 0; bit < 8; ++bit)
                put(left + bit, SPRITES_TOP + top + row, (bits & (0x80 >> bit)) != 0 ? 15 : 1);
        }
    }
}

std::string VramViewer::describe() const {
    const Vdp& vdp = *machine.vdp;
    const Tables t = tables_of(vdp);
    std::string out;
    char line[160];
    std::snprintf(line, sizeof line, "R0-R7 %02X %02X %02X %02X %02X %02X %02X %02X   status %02X\n", vdp.reg(0),
                  vdp.reg(1), vdp.reg(2), vdp.reg(3), vdp.reg(4), vdp.reg(5), vdp.reg(6), vdp.reg(7),
                  vdp.peek_status());
    out += line;
    std::snprintf(line, sizeof line,
                  "mode %s, display %s, interrupt %s\nnames %04X  colours %04X  patterns %04X\nsprites %04X  "
                  "sprite patterns %04X\n",
                  vdp_mode_name(vdp.mode()), (vdp.reg(1) & 0x40) != 0 ? "on" : "off",
                  (vdp.reg(1) & 0x20) != 0 ? "on" : "off", t.names, t.colours, t.patterns, t.sprite_attributes,
                  t.sprite_patterns);
    out += line;

    const SpriteSummary summary = summarise_sprites(vdp);
    std::snprintf(line, sizeof line,
                  "\nSprites: %d of %dx%d%s\nstatus: fifth %s (number %d), collision %s\nfrom the list: fifth %d, "
                  "collision %s\n",
                  static_cast<int>(summary.sprites.size()), summary.size, summary.size,
                  summary.magnified ? " magnified" : "", (vdp.peek_status() & 0x40) != 0 ? "set" : "clear",
                  vdp.peek_status() & 0x1F, (vdp.peek_status() & 0x20) != 0 ? "set" : "clear", summary.fifth_sprite,
                  summary.collision ? "yes" : "no");
    out += line;
    for (const SpriteSummary::Sprite& s : summary.sprites) {
        std::snprintf(line, sizeof line, "  #%-2d x %4d  y %4d  pattern %3d  colour %2d%s\n", s.number, s.x, s.y,
                      s.pattern, s.colour, s.early_clock ? "  early clock" : "");
        out += line;
    }
    return out;
}

// The name table a byte apart: a heading of column numbers, then each row
// with its number.
std::string VramViewer::name_table() const {
    const Vdp& vdp = *machine.vdp;
    const int32_t names = tables_of(vdp).names;
    const int32_t columns = vdp.mode() == 1 ? 40 : 32;
    std::string out = "   ";
    char cell[16];
    for (int32_t column = 0; column < columns; ++column) {
        std::snprintf(cell, sizeof cell, " %02d", column);
        out += cell;
    }
    for (int32_t row = 0; row < NAME_ROWS; ++row) {
        std::snprintf(cell, sizeof cell, "\n%02d ", row);
        out += cell;
        for (int32_t column = 0; column < columns; ++column) {
            std::snprintf(cell, sizeof cell, " %02X", vdp.vram_at(names + row * columns + column));
            out += cell;
        }
    }
    return out;
}

gboolean VramViewer::on_draw(GtkWidget* area, cairo_t* cr, gpointer self) {
    auto* viewer = static_cast<VramViewer*>(self);
    const auto* picture = static_cast<const Picture*>(g_object_get_data(G_OBJECT(area), PICTURE_KEY));
    cairo_surface_t* image =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(viewer->pixels.data()),
                                            CAIRO_FORMAT_ARGB32, IMAGE_WIDTH, IMAGE_HEIGHT, IMAGE_WIDTH * 4);
    cairo_scale(cr, SCALE, SCALE);
    cairo_set_source_surface(cr, image, 0, -picture->top);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, IMAGE_WIDTH, picture->height);
    cairo_fill(cr);
    cairo_surface_destroy(image);
    return TRUE;
}

}  // namespace m5
