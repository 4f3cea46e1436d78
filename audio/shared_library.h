#pragma once
// A library opened by its name when it is first needed instead of when the program starts, and
// its functions taken from it one by one into a table of the caller's.

#include <cstring>
#include <string>

namespace audio {

class SharedLibrary {
public:
    // Opens `soname`, kept open for the life of the process: what was taken from it may be
    // used at any time.
    explicit SharedLibrary(const char* soname);

    // Sets `slot` to the function `name`; false, and why in error(), when the library is not
    // open or has no such function.
    template <typename Function>
    bool bind(Function& slot, const char* name) {
        void* symbol = find(name);
        if (!symbol)
            return false;
        // POSIX hands functions out as data pointers; copying the bits is the portable way back.
        static_assert(sizeof slot == sizeof symbol);
        std::memcpy(&slot, &symbol, sizeof slot);
        return true;
    }

    // Why opening it, or the last bind(), failed.
    const std::string& error() const { return error_; }

private:
    void* find(const char* name);

    std::string soname_;
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace audio
