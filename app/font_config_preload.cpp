#include "app/font_config_preload.h"

#include <fontconfig/fontconfig.h>

namespace app {

// A failure is left to Qt, which calls FcInit() again and reports it as it always has.
FontConfigPreload::FontConfigPreload() : thread_([] { FcInit(); }) {}

FontConfigPreload::~FontConfigPreload() {
    wait();
}

void FontConfigPreload::wait() {
    if (thread_.joinable())
        thread_.join();
}

}  // namespace app
