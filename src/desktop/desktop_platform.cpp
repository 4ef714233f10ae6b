#include "desktop/desktop_platform.h"

#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "desktop/menu_model.h"

namespace m5 {

void DesktopPlatform::attach(GtkWindow* new_window, GtkWidget* new_picture) {
    window = new_window;
    picture = new_picture;
}

uint32_t DesktopPlatform::ticks_ms() { return static_cast<uint32_t>(g_get_monotonic_time() / 1000); }

void DesktopPlatform::sleep_ms(uint32_t milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void DesktopPlatform::set_title(const std::string& title) {
    pacer_title = title;
    show_title();
}

void DesktopPlatform::set_title_parts(const std::string& cartridge, const std::string& status) {
    title_cartridge = cartridge;
    title_status = status;
    show_title();
}

void DesktopPlatform::clear_frame_rate() {
    pacer_title.clear();
    show_title();
}

void DesktopPlatform::show_title() {
    if (window) gtk_window_set_title(window, window_title(pacer_title, title_cartridge, title_status).c_str());
}

void DesktopPlatform::request_repaint() {
    if (picture) gtk_widget_queue_draw(picture);
}

std::string DesktopPlatform::executable_path() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

bool DesktopPlatform::modifier_down(int32_t virtual_key) { return keyboard.modifier_down(virtual_key); }

std::optional<std::string> DesktopPlatform::clipboard_text() {
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gchar* text = gtk_clipboard_wait_for_text(clipboard);
    if (!text) return std::nullopt;
    std::string result(text);
    g_free(text);
    return result;
}

bool DesktopPlatform::sound_open(int32_t sample_rate, int32_t block_samples) {
    return sound.open(sample_rate, block_samples);
}

// Both halves are blocks of the one queue; which half the host means does
// not matter, only that no more than one block is still waiting.
bool DesktopPlatform::sound_half_free(bool /*first_half*/) { return sound.half_free(); }

bool DesktopPlatform::sound_write_half(bool /*first_half*/, const int16_t* samples, int32_t count) {
    if (volume_percent >= 100 || count <= 0) return sound.write(samples, count);
    if (scaled.size() < static_cast<size_t>(count)) scaled.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        scaled[static_cast<size_t>(i)] = static_cast<int16_t>(samples[i] * volume_percent / 100);
    return sound.write(scaled.data(), count);
}

void DesktopPlatform::sound_clear() { sound.clear(); }

void DesktopPlatform::sound_close() { sound.close(); }

}  // namespace m5
