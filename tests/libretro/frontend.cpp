#include "frontend.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace m5::test {

namespace {

Frontend* current = nullptr;

template <class Function>
Function symbol(void* core, const char* name) {
    return reinterpret_cast<Function>(dlsym(core, name));
}

#define M5_CALL(name, ...) symbol<decltype(&::name)>(core_, #name)(__VA_ARGS__)

}  // namespace

struct FrontendCallbacks {
    static bool environment(unsigned command, void* data) {
        Frontend& f = *current;
        switch (command) {
            case RETRO_ENVIRONMENT_GET_SYSTEM_DIRECTORY:
                *static_cast<const char**>(data) = f.system_dir_.c_str();
                return true;
            case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT: f.pixel_format = *static_cast<const unsigned*>(data); return true;
            case RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION: *static_cast<unsigned*>(data) = 2; return true;
            case RETRO_ENVIRONMENT_SET_CORE_OPTIONS_V2: {
                const auto* options = static_cast<const retro_core_options_v2*>(data);
                for (auto* c = options->categories; c->key != nullptr; ++c) f.categories.push_back(*c);
                for (auto* d = options->definitions; d->key != nullptr; ++d) {
                    f.option_keys.push_back(d->key);
                    if (f.options_.count(d->key) == 0) f.options_[d->key] = d->default_value;
                }
                return true;
            }
            case RETRO_ENVIRONMENT_GET_VARIABLE: {
                auto* variable = static_cast<retro_variable*>(data);
                const auto found = f.options_.find(variable->key);
                variable->value = found != f.options_.end() ? found->second.c_str() : nullptr;
                return found != f.options_.end();
            }
            case RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE:
                *static_cast<bool*>(data) = f.options_changed_;
                f.options_changed_ = false;
                return true;
            case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS:
                f.input_descriptors.clear();
                f.input_names.clear();
                for (auto* d = static_cast<const retro_input_descriptor*>(data); d->description != nullptr; ++d) {
                    f.input_descriptors.push_back(*d);
                    f.input_names.push_back(d->description);
                }
                return true;
            case RETRO_ENVIRONMENT_SET_KEYBOARD_CALLBACK:
                f.keyboard = static_cast<const retro_keyboard_callback*>(data)->callback;
                return true;
            case RETRO_ENVIRONMENT_SET_DISK_CONTROL_EXT_INTERFACE:
                f.disk = *static_cast<const retro_disk_control_ext_callback*>(data);
                return true;
            case RETRO_ENVIRONMENT_SET_MEMORY_MAPS: {
                const auto* map = static_cast<const retro_memory_map*>(data);
                f.memory_map.assign(map->descriptors, map->descriptors + map->num_descriptors);
                return true;
            }
            case RETRO_ENVIRONMENT_GET_LOG_INTERFACE: static_cast<retro_log_callback*>(data)->log = log; return true;
            case RETRO_ENVIRONMENT_SET_CONTROLLER_INFO: {
                f.port_devices.clear();
                for (auto* port = static_cast<const retro_controller_info*>(data); port->types != nullptr; ++port) {
                    f.port_devices.emplace_back();
                    for (unsigned i = 0; i < port->num_types; ++i) f.port_devices.back().push_back(port->types[i].id);
                }
                return true;
            }
            case RETRO_ENVIRONMENT_SET_SYSTEM_AV_INFO:
                f.av_changes.push_back(*static_cast<const retro_system_av_info*>(data));
                return true;
            case RETRO_ENVIRONMENT_SET_MESSAGE:
                f.messages.push_back(static_cast<const retro_message*>(data)->msg);
                return true;
            case RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME: return true;
            default: return false;
        }
    }
    static void log(retro_log_level, const char* format, ...) {
        char text[1024];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        current->log.push_back(text);
    }
    static void video(const void* data, unsigned width, unsigned height, size_t pitch) {
        Frontend& f = *current;
        if (data == nullptr) return;
        f.picture.resize(static_cast<size_t>(width) * height);
        for (unsigned y = 0; y < height; ++y) {
            std::memcpy(f.picture.data() + static_cast<size_t>(y) * width,
                        static_cast<const uint8_t*>(data) + y * pitch, width * 4);
        }
    }
    static size_t audio_batch(const int16_t* data, size_t frames) {
        current->sound.insert(current->sound.end(), data, data + 2 * frames);
        ++current->batches;
        return frames;
    }
    static void audio_sample(int16_t, int16_t) {}
    static void input_poll() {}
    static int16_t input_state(unsigned port, unsigned device, unsigned index, unsigned id) {
        const Frontend& f = *current;
        if (port > 1) return 0;
        if (device == RETRO_DEVICE_JOYPAD && id < 16) return f.pads_[port][id] ? 1 : 0;
        if (device == RETRO_DEVICE_KEYBOARD && id < RETROK_LAST) return f.port_keys_[port][id] ? 1 : 0;
        if (device == RETRO_DEVICE_ANALOG && index == RETRO_DEVICE_INDEX_ANALOG_LEFT && id < 2) {
            return f.sticks_[port][id];
        }
        return 0;
    }
};

Frontend::Frontend(std::string system_dir) : system_dir_(std::move(system_dir)) {
    current = this;
    core_ = dlopen(M5_LIBRETRO_CORE, RTLD_NOW | RTLD_LOCAL);
    if (core_ == nullptr) {
        error_ = dlerror();
        return;
    }
    if (M5_CALL(retro_api_version) != RETRO_API_VERSION) error_ = "wrong API version";
    M5_CALL(retro_set_environment, FrontendCallbacks::environment);
    M5_CALL(retro_set_video_refresh, FrontendCallbacks::video);
    M5_CALL(retro_set_audio_sample, FrontendCallbacks::audio_sample);
    M5_CALL(retro_set_audio_sample_batch, FrontendCallbacks::audio_batch);
    M5_CALL(retro_set_input_poll, FrontendCallbacks::input_poll);
    M5_CALL(retro_set_input_state, FrontendCallbacks::input_state);
    M5_CALL(retro_init);
}

Frontend::~Frontend() {
    if (core_ == nullptr) return;
    if (loaded_) M5_CALL(retro_unload_game);
    M5_CALL(retro_deinit);
    dlclose(core_);
    current = nullptr;
}

bool Frontend::load(const char* path, const std::vector<uint8_t>& bytes) {
    retro_game_info game{path, bytes.empty() ? nullptr : bytes.data(), bytes.size(), nullptr};
    loaded_ = M5_CALL(retro_load_game, &game);
    return loaded_;
}

bool Frontend::load_nothing() {
    loaded_ = M5_CALL(retro_load_game, nullptr);
    return loaded_;
}

void Frontend::run(int32_t frames) {
    batches = 0;
    for (int32_t i = 0; i < frames; ++i) M5_CALL(retro_run);
}

std::vector<uint8_t> Frontend::serialize() const {
    std::vector<uint8_t> state(M5_CALL(retro_serialize_size));
    if (!M5_CALL(retro_serialize, state.data(), state.size())) state.clear();
    return state;
}

bool Frontend::unserialize(const std::vector<uint8_t>& state) const {
    return M5_CALL(retro_unserialize, state.data(), state.size());
}

void* Frontend::memory(unsigned id, size_t* size) const {
    *size = M5_CALL(retro_get_memory_size, id);
    return M5_CALL(retro_get_memory_data, id);
}

void Frontend::set_option(const std::string& key, const std::string& value) {
    options_[key] = value;
    options_changed_ = true;
}

void Frontend::key(unsigned retro_key, bool down) { keyboard(down, retro_key, 0, 0); }

void Frontend::set_port_device(unsigned port, unsigned device) {
    M5_CALL(retro_set_controller_port_device, port, device);
}

retro_system_av_info Frontend::av_info() const {
    retro_system_av_info info{};
    M5_CALL(retro_get_system_av_info, &info);
    return info;
}

}  // namespace m5::test
