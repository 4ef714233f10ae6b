// m5emu: the Sord M5 emulator's desktop program. It takes no options; the
// IPL ROM "IPL.ROM" and the settings file "m5ce.cfg" live beside the
// executable, and everything else is chosen from the menu.
#include <gtk/gtk.h>

#include "desktop/main_window.h"

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    m5::MainWindow window;
    return window.run();
}
