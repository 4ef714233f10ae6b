// m5emu: the Sord M5 emulator's desktop program.
//
//   m5emu [options] [FILE...]
//
// The command line is read before any window opens: --help and --version
// print and end, and a bad option or a file that cannot be read ends the
// program with one line on standard error and exit status 2. See
// command_line.h for the options and main_window.h for where the program's
// files live.
#include <SDL.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "desktop/command_line.h"
#include "desktop/main_window.h"

int main(int argc, char** argv) {
    // GTK's own options (--display, ...) are taken out without opening the
    // display, so that the program's options are answered without one.
    gtk_parse_args(&argc, &argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    const m5::DesktopOptions options = m5::parse_desktop_options(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "m5emu: %s\n", options.error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(m5::desktop_help_text(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("m5emu %s\n", M5_VERSION);
        return 0;
    }
    if (const std::string problem = m5::check_files(options); !problem.empty()) {
        std::fprintf(stderr, "m5emu: %s\n", problem.c_str());
        return 2;
    }
    // SDL would otherwise take SIGINT and SIGTERM for an event queue nobody
    // reads, so Ctrl-C did nothing. The window answers them instead, as it
    // answers Exit: settings saved, a running recording finished.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "m5emu: cannot open the display\n");
        return 1;
    }
    int status = 0;
    {
        m5::MainWindow window(options);
        const auto close = [](gpointer data) -> gboolean {
            static_cast<m5::MainWindow*>(data)->request_close();
            return G_SOURCE_CONTINUE;
        };
        const guint interrupt = g_unix_signal_add(SIGINT, close, &window);
        const guint terminate = g_unix_signal_add(SIGTERM, close, &window);
        status = window.run();
        g_source_remove(interrupt);
        g_source_remove(terminate);
    }
    SDL_Quit();
    return status;
}
