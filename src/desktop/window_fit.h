// Windows whose content may be taller or wider than a small screen.
#pragma once

#include <gtk/gtk.h>

#include <algorithm>

namespace m5 {

// Puts `content` in a scrolled pane as the window's child and sizes the
// window to the content's natural size, at most the work area of the
// primary monitor less a margin for the window's frame; what does not fit
// scrolls.
inline void add_fitted(GtkWindow* window, GtkWidget* content) {
    constexpr gint FRAME_MARGIN = 64;
    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_container_add(GTK_CONTAINER(scroll), content);
    gtk_container_add(GTK_CONTAINER(window), scroll);
    gtk_widget_show_all(content);
    GtkRequisition natural{};
    gtk_widget_get_preferred_size(content, nullptr, &natural);
    GdkRectangle area{0, 0, 1024, 768};
    GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default());
    if (!monitor) monitor = gdk_display_get_monitor(gdk_display_get_default(), 0);
    if (monitor) gdk_monitor_get_workarea(monitor, &area);
    // A little beyond the content for the scroll bars.
    const gint width = std::min(natural.width + 16, area.width - FRAME_MARGIN);
    const gint height = std::min(natural.height + 16, area.height - FRAME_MARGIN);
    gtk_window_set_default_size(window, std::max(width, 200), std::max(height, 200));
}

}  // namespace m5
