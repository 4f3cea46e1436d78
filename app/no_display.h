#pragma once
// A start without a display (no X server or Wayland compositor to reach, as over ssh or on a
// server): Qt ends such a program with its own English abort and a core dump. While the
// application is being set up, this tells the user why in Slovenian and ends with exit code 1.

namespace app {

class NoDisplayMessage {
public:
    NoDisplayMessage();
    ~NoDisplayMessage();
    NoDisplayMessage(const NoDisplayMessage&) = delete;
    NoDisplayMessage& operator=(const NoDisplayMessage&) = delete;
};

// What it says.
const char* noDisplayText();

}  // namespace app
