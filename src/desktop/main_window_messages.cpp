// The main window's status line: problems and notices below the picture,
// never over it (status_line.h says what shows when). Fullscreen hides the
// line; the same text is then drawn on the backdrop below the picture, or
// over the picture's bottom edge when the picture fills the screen.
#include <pango/pangocairo.h>

#include "desktop/main_window.h"
#include "desktop/picture_layout.h"

namespace m5 {

namespace {

constexpr guint STATUS_TICK_MS = 50;  // while a notice fades

}  // namespace

GtkWidget* MainWindow::build_status_line() {
    status_bar = gtk_event_box_new();
    gtk_widget_add_events(status_bar, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(status_bar, "button-press-event", G_CALLBACK(on_status_click), this);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_widget_set_margin_start(box, 6);
    gtk_widget_set_margin_end(box, 6);
    status_text = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(status_text), 0.0F);
    gtk_label_set_ellipsize(GTK_LABEL(status_text), PANGO_ELLIPSIZE_END);
    gtk_label_set_single_line_mode(GTK_LABEL(status_text), TRUE);
    gtk_widget_set_hexpand(status_text, TRUE);
    status_count = gtk_label_new("");
    status_right = gtk_label_new("");
    gtk_style_context_add_class(gtk_widget_get_style_context(status_right), "dim-label");
    gtk_box_pack_start(GTK_BOX(box), status_text, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box), status_count, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(box), status_right, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(status_bar), box);
    // A problem shows on a warm background.
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, ".m5-problem { background-color: #f6d365; color: #000; }", -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    return status_bar;
}

void MainWindow::show_message(const std::string& text) {
    trace("message " + text);
    status.add_problem(text, g_get_monotonic_time());
    update_status();
}

void MainWindow::show_notice(const std::string& text) {
    trace("notice " + text);
    if (!choices.notices) return;
    status.add_notice(text, g_get_monotonic_time());
    update_status();
}

void MainWindow::dismiss_problem() {
    if (status.dismiss(g_get_monotonic_time())) update_status();
}

// What lasts while the window is in a state: stopped, rewinding, paused.
std::string MainWindow::lasting_status() const {
    if (!choices.notices) return "";
    if (debug_session && debug_session->stopped()) return "Stopped";
    if (rewinding) return "Rewinding";
    if (paused) return "Paused";
    if (fast_forward_on()) return "Fast forward";
    return "";
}

void MainWindow::update_status() {
    const gint64 now = g_get_monotonic_time();
    const StatusView view = status.view(now, lasting_status());
    if (status_text) {
        gtk_label_set_text(GTK_LABEL(status_text), view.text.c_str());
        gtk_widget_set_opacity(status_text, view.opacity);
        gchar* more = view.others > 0 ? g_strdup_printf("+%d more", view.others) : g_strdup("");
        gtk_label_set_text(GTK_LABEL(status_count), more);
        g_free(more);
        GtkStyleContext* style = gtk_widget_get_style_context(status_bar);
        if (view.problem) {
            gtk_style_context_add_class(style, "m5-problem");
        } else {
            gtk_style_context_remove_class(style, "m5-problem");
        }
        gtk_widget_set_tooltip_text(status_bar, view.problem ? "Click to dismiss" : nullptr);
    }
    // A fading notice is redrawn until it is gone.
    if (status.notice_live(now) && status_timer == 0) {
        status_timer = g_timeout_add(STATUS_TICK_MS, on_status_tick, this);
    }
    if (fullscreen && picture) gtk_widget_queue_draw(picture);
}

gboolean MainWindow::on_status_tick(gpointer self) {
    auto* main = static_cast<MainWindow*>(self);
    main->update_status();
    if (main->status.notice_live(g_get_monotonic_time())) return G_SOURCE_CONTINUE;
    main->status_timer = 0;  // this source ends here
    main->update_status();
    return G_SOURCE_REMOVE;
}

gboolean MainWindow::on_status_click(GtkWidget*, GdkEventButton* event, gpointer self) {
    if (event->type != GDK_BUTTON_PRESS) return FALSE;
    static_cast<MainWindow*>(self)->dismiss_problem();
    return TRUE;
}

// Fullscreen: the status text in white on a dark box at the bottom left,
// on the backdrop below the picture when there is room for it, else over
// the picture's bottom edge; its size follows the picture's scale.
void MainWindow::draw_status_fullscreen(cairo_t* cr, int32_t width, int32_t height) const {
    const StatusView view = status.view(g_get_monotonic_time(), lasting_status());
    if (view.text.empty()) return;
    std::string text = view.text;
    if (view.others > 0) text.append("  (+").append(std::to_string(view.others)).append(" more)");
    const PictureLayout layout = picture_layout(width, height, choices.tv_pixels);
    const int32_t left = std::max(layout.x, 0);
    const int32_t right = std::min(layout.x + layout.width, width);
    const int32_t picture_bottom = std::min(layout.y + SURFACE_HEIGHT * layout.scale, height);
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
    const int32_t box_height = text_height + 2 * padding;
    const bool room_below = height - picture_bottom >= box_height + margin;
    const double box_x = left + margin;
    const double box_y = room_below ? picture_bottom : picture_bottom - margin - box_height;
    cairo_push_group(cr);
    if (view.problem) {
        cairo_set_source_rgb(cr, 0.96, 0.83, 0.40);
    } else {
        cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 0.75);
    }
    cairo_rectangle(cr, box_x, box_y, text_width + 2 * padding, box_height);
    cairo_fill(cr);
    if (view.problem) {
        cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    } else {
        cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    }
    cairo_move_to(cr, box_x + padding, box_y + padding);
    pango_cairo_show_layout(cr, pango);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, view.opacity);
    g_object_unref(pango);
}

}  // namespace m5
