// The main window's messages (the strip above the picture) and notices
// (drawn over the picture for a while).
#include <pango/pangocairo.h>

#include "desktop/main_window.h"
#include "desktop/picture_layout.h"

namespace m5 {

namespace {

constexpr guint MESSAGE_SECONDS = 15;
constexpr size_t MESSAGE_LINES = 3;
constexpr gint64 NOTICE_US = 2'000'000;  // how long a notice shows

}  // namespace

// --- Messages --------------------------------------------------------------------

void MainWindow::show_message(const std::string& text, bool sticky) {
    trace("message " + text);
    if (!message_bar) return;
    if (!gtk_widget_get_visible(message_bar)) {
        message_lines.clear();
        message_sticky = false;
    }
    message_sticky = message_sticky || sticky;
    message_lines.push_back(text);
    if (message_lines.size() > MESSAGE_LINES) message_lines.erase(message_lines.begin());
    std::string joined;
    for (const std::string& line : message_lines) joined += (joined.empty() ? "" : "\n") + line;
    gtk_label_set_text(GTK_LABEL(message_label), joined.c_str());
    gtk_widget_show(message_bar);
    if (message_timer != 0) g_source_remove(message_timer);
    message_timer = 0;
    // A strip holding a message that stays closes only by its button.
    if (!message_sticky) message_timer = g_timeout_add_seconds(MESSAGE_SECONDS, on_message_timeout, this);
}

void MainWindow::hide_message() {
    if (message_timer != 0) {
        g_source_remove(message_timer);
        message_timer = 0;
    }
    message_lines.clear();
    message_sticky = false;
    if (message_bar) gtk_widget_hide(message_bar);
}

void MainWindow::on_message_response(GtkInfoBar*, gint, gpointer self) {
    static_cast<MainWindow*>(self)->hide_message();
}

gboolean MainWindow::on_message_timeout(gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    main->message_timer = 0;  // this source ends here
    main->hide_message();
    return G_SOURCE_REMOVE;
}

// --- Notices ---------------------------------------------------------------------

void MainWindow::show_notice(const std::string& text) {
    trace("notice " + text);
    if (!choices.notices) return;
    notice_text = text;
    notice_until_us = g_get_monotonic_time() + NOTICE_US;
    if (notice_timer != 0) g_source_remove(notice_timer);
    // A repaint when it ends, for a picture that is not redrawn by frames.
    notice_timer = g_timeout_add(static_cast<guint>(NOTICE_US / 1000) + 10, on_notice_timeout, this);
    if (picture) gtk_widget_queue_draw(picture);
}

gboolean MainWindow::on_notice_timeout(gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    main->notice_timer = 0;
    if (main->picture) gtk_widget_queue_draw(main->picture);
    return G_SOURCE_REMOVE;
}

// The notice in white on a dark box at the bottom left of the picture, its
// size following the picture's scale; a long text loses its beginning.
void MainWindow::draw_notice(cairo_t* cr, int32_t width, int32_t height) const {
    if (!choices.notices) return;
    std::string text;
    if (g_get_monotonic_time() < notice_until_us) {
        text = notice_text;
    } else if (debug_session && debug_session->stopped()) {
        text = "Stopped";
    } else if (rewinding) {
        text = "Rewinding";
    } else if (paused) {
        text = "Paused";
    }
    if (text.empty()) return;
    const PictureLayout layout = picture_layout(width, height);
    const int32_t left = std::max(layout.x, 0);
    const int32_t right = std::min(layout.x + SURFACE_WIDTH * layout.scale, width);
    const int32_t bottom = std::min(layout.y + SURFACE_HEIGHT * layout.scale, height);
    const int32_t margin = 4 * layout.scale;
    const int32_t padding = 3 * layout.scale;

    PangoLayout* pango = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Sans Bold");
    pango_font_description_set_absolute_size(font, (6.0 * layout.scale + 3.0) * PANGO_SCALE);
    pango_layout_set_font_description(pango, font);
    pango_font_description_free(font);
    pango_layout_set_text(pango, text.c_str(), -1);
    pango_layout_set_width(pango, std::max(1, right - left - 2 * margin - 2 * padding) * PANGO_SCALE);
    pango_layout_set_ellipsize(pango, PANGO_ELLIPSIZE_START);
    int text_width = 0;
    int text_height = 0;
    pango_layout_get_pixel_size(pango, &text_width, &text_height);
    const double box_x = left + margin;
    const double box_y = bottom - margin - text_height - 2 * padding;
    cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 0.75);
    cairo_rectangle(cr, box_x, box_y, text_width + 2 * padding, text_height + 2 * padding);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_move_to(cr, box_x + padding, box_y + padding);
    pango_cairo_show_layout(cr, pango);
    g_object_unref(pango);
}

}  // namespace m5
