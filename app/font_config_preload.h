#pragma once
// Fontconfig's configuration, read on a thread of its own while the application connects to the
// display. The first widget that measures text would otherwise parse it on the window's thread:
// dozens of XML files, the largest single cost before the first frame. Qt's own initialisation
// then finds the configuration loaded and goes on from there.

#include <thread>

namespace app {

class FontConfigPreload {
public:
    FontConfigPreload();
    // Waits for the thread, if wait() has not.
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload&) = delete;
    FontConfigPreload& operator=(const FontConfigPreload&) = delete;

    // Returns once the configuration is loaded (or could not be). Called before the first
    // widget, so that Qt never parses the same files at the same time on the window's thread.
    void wait();

private:
    std::thread thread_;
};

}  // namespace app
