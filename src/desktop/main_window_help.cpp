// The main window's Help popup: the keyboard help window and About; and
// Settings / Controls..., whose keys the keyboard help tells.
#include "desktop/controls_dialog.h"
#include "desktop/keyboard_help.h"
#include "desktop/main_window.h"
#include "desktop/main_window_parts.h"
#include "desktop/window_fit.h"

namespace m5 {

// --- Keyboard help -----------------------------------------------------------------

void MainWindow::show_keyboard_help() {
    if (help_window) {
        gtk_window_present(GTK_WINDOW(help_window));
        return;
    }
    help_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(help_window), "M5 Keyboard");
    if (window) gtk_window_set_transient_for(GTK_WINDOW(help_window), GTK_WINDOW(window));
    g_signal_connect(
        help_window, "destroy",
        G_CALLBACK(+[](GtkWidget*, gpointer self) { static_cast<MainWindow*>(self)->help_window = nullptr; }), this);
    // Escape closes it.
    g_signal_connect(help_window, "key-press-event",
                     G_CALLBACK(+[](GtkWidget* widget, GdkEventKey* event, gpointer) -> gboolean {
                         if (event->keyval != GDK_KEY_Escape) return FALSE;
                         gtk_widget_destroy(widget);
                         return TRUE;
                     }),
                     nullptr);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(grid), 16);
    gtk_grid_set_row_spacing(GTK_GRID(grid), 2);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 12);
    gint row = 0;
    auto heading = [&](const char* left, const char* right) {
        for (int32_t column = 0; column < 2; ++column) {
            GtkWidget* label = gtk_label_new(nullptr);
            gchar* markup = g_markup_printf_escaped("<b>%s</b>", column == 0 ? left : right);
            gtk_label_set_markup(GTK_LABEL(label), markup);
            g_free(markup);
            gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
            if (row > 0) gtk_widget_set_margin_top(label, 10);
            gtk_grid_attach(GTK_GRID(grid), label, column, row, 1, 1);
        }
        ++row;
    };
    auto lines = [&](const std::vector<HelpLine>& entries) {
        for (const HelpLine& entry : entries) {
            GtkWidget* what = gtk_label_new(entry.what.c_str());
            GtkWidget* keys = gtk_label_new(entry.keys.c_str());
            gtk_label_set_xalign(GTK_LABEL(what), 0.0F);
            gtk_label_set_xalign(GTK_LABEL(keys), 0.0F);
            gtk_label_set_line_wrap(GTK_LABEL(keys), TRUE);
            gtk_grid_attach(GTK_GRID(grid), what, 0, row, 1, 1);
            gtk_grid_attach(GTK_GRID(grid), keys, 1, row, 1, 1);
            ++row;
        }
    };
    heading("M5 key", "Key on this keyboard");
    lines(keyboard_help_lines(controls));
    heading("Joystick", "Keys and buttons");
    lines(joystick_help_lines(controls));
    heading("Shortcut", "Keys");
    lines(shortcut_help_lines());

    // Large enough for every row, as far as the screen allows.
    add_fitted(GTK_WINDOW(help_window), grid);
    gtk_widget_show_all(help_window);
    trace("window help");
}

// --- Controls -----------------------------------------------------------------------

void MainWindow::show_controls() {
    // Keys down now are released to the machine; their release events go to
    // the dialog.
    release_keys();
    Controls edited = controls;
    if (!run_controls_dialog(window ? GTK_WINDOW(window) : nullptr, edited, gamepads,
                             [this](const std::string& line) { trace(line); })) {
        return;
    }
    release_keys();
    controls = edited;
    keyboard.set_key_map(controls.keys);
    gamepads.set_mapping(controls.gamepad);
    // Kept at once, not only when the program ends.
    save_controls(controls, choices);
    if (paths.settings_dir != paths.program_dir) make_directories(paths.settings_dir);
    if (choices.save(paths.settings_dir + DESKTOP_CHOICES_NAME)) {
        show_notice("Controls saved");
    } else {
        show_message("The controls could not be saved in " + paths.settings_dir + DESKTOP_CHOICES_NAME + ".");
    }
    // The keyboard help tells the keys in use: shown again when it opens next.
    if (help_window) gtk_widget_destroy(help_window);
}

// --- About -----------------------------------------------------------------------

void MainWindow::show_about() {
    const std::string where = "Settings: " + paths.settings_dir + "m5ce.cfg and " + paths.settings_dir +
                              DESKTOP_CHOICES_NAME + "\nQuick save slots: " + paths.states_dir +
                              "\nSound recordings: " + paths.files_dir + "\nScreenshots: " + pictures_folder();
    GtkWidget* about = gtk_about_dialog_new();
    GtkAboutDialog* dialog = GTK_ABOUT_DIALOG(about);
    gtk_about_dialog_set_program_name(dialog, "m5emu");
    gtk_about_dialog_set_version(dialog, M5_VERSION);
    gtk_about_dialog_set_comments(dialog, ("An emulator of the Sord M5 home computer.\n\n" + where).c_str());
    gtk_about_dialog_set_license_type(dialog, GTK_LICENSE_MIT_X11);
    gtk_about_dialog_set_logo_icon_name(dialog, "m5emu");
    if (window) gtk_window_set_transient_for(GTK_WINDOW(about), GTK_WINDOW(window));
    g_signal_connect(about, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
    gtk_widget_show(about);
    trace("window about " + std::string(M5_VERSION));
}

}  // namespace m5
