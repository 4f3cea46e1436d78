#include "audio/shared_library.h"

#include <dlfcn.h>

namespace audio {

SharedLibrary::SharedLibrary(const char* soname)
    : soname_(soname), handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) {
        const char* why = ::dlerror();
        error_ = why ? why : "cannot load " + soname_;
    }
}

void* SharedLibrary::find(const char* name) {
    if (!handle_)
        return nullptr;
    void* symbol = ::dlsym(handle_, name);
    if (!symbol)
        error_ = soname_ + " has no " + name;
    return symbol;
}

}  // namespace audio
