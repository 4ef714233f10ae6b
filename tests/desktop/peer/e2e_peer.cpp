// Another X client for the desktop end-to-end checks: it owns a selection or
// offers a file to drag, as the user's other programs would.
//
//   e2e_peer clipboard TEXT   owns the clipboard with TEXT
//   e2e_peer primary TEXT     owns the primary selection with TEXT
//   e2e_peer drag FILE        shows a 160 x 120 window at 800,600 from which
//                             FILE can be dragged (as a file URI)
//
// It prints "ready" once it is, and runs until it is killed.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string uri;

void on_drag_data_get(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer) {
    gchar* uris[] = {const_cast<gchar*>(uri.c_str()), nullptr};
    gtk_selection_data_set_uris(data, uris);
}

gboolean announce(gpointer) {
    std::printf("ready\n");
    std::fflush(stdout);
    return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: e2e_peer clipboard|primary|drag ARGUMENT\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "clipboard" || mode == "primary") {
        GtkClipboard* clipboard =
            gtk_clipboard_get(mode == "clipboard" ? GDK_SELECTION_CLIPBOARD : GDK_SELECTION_PRIMARY);
        gtk_clipboard_set_text(clipboard, argv[2], -1);
    } else if (mode == "drag") {
        gchar* path = g_canonicalize_filename(argv[2], nullptr);
        gchar* file_uri = g_filename_to_uri(path, nullptr, nullptr);
        uri = file_uri;
        g_free(file_uri);
        g_free(path);
        GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(window), "e2e drag source");
        gtk_window_set_default_size(GTK_WINDOW(window), 160, 120);
        GtkWidget* area = gtk_event_box_new();
        gtk_container_add(GTK_CONTAINER(window), area);
        gtk_drag_source_set(area, GDK_BUTTON1_MASK, nullptr, 0, GDK_ACTION_COPY);
        gtk_drag_source_add_uri_targets(area);
        g_signal_connect(area, "drag-data-get", G_CALLBACK(on_drag_data_get), nullptr);
        gtk_widget_show_all(window);
        gtk_window_move(GTK_WINDOW(window), 800, 600);
    } else {
        std::fprintf(stderr, "e2e_peer: unknown mode %s\n", mode.c_str());
        return 2;
    }
    g_idle_add(announce, nullptr);
    gtk_main();
    return 0;
}
