#include "platform/audio/alsa_quiet.h"

#include <dlfcn.h>

namespace vm::audio {
namespace {

// ALSA's snd_lib_error_handler_t.
using ErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt, ...);
using SetErrorHandler = int (*)(ErrorHandler);

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void silenceAlsaErrors() noexcept {
    // The audio back end loads the same library by the same name, so the handler reaches its calls. The
    // handle stays open: the handler must outlive every ALSA call.
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (alsa == nullptr) return;
    auto set = reinterpret_cast<SetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (set != nullptr) set(&ignoreAlsaError);
}

}  // namespace vm::audio
