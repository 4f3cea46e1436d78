#pragma once
// Placement of a window on the screen, in twips. Works on anything that exposes width() and
// height() (the reference) and additionally setLeft()/setTop() (the window); an object that
// lacks what a routine needs is left as it is.

#include <concepts>

namespace app {

template <typename T>
concept HasWidth = requires(const T& t) {
    { t.width() } -> std::convertible_to<double>;
};
template <typename T>
concept HasHeight = requires(const T& t) {
    { t.height() } -> std::convertible_to<double>;
};
template <typename T>
concept HasLeft = requires(T& t, double v) {
    t.setLeft(v);
};
template <typename T>
concept HasTop = requires(T& t, double v) {
    t.setTop(v);
};

// window.Left = reference.Width * 0.5 - window.Width * 0.5, unrounded and unclamped: a window
// wider than the reference overhangs both edges alike.
template <typename Window, typename Reference>
void centerHorizontally(Window& window, const Reference& reference) {
    if constexpr (HasLeft<Window> && HasWidth<Window> && HasWidth<Reference>) {
        window.setLeft(static_cast<double>(reference.width()) * 0.5 -
                       static_cast<double>(window.width()) * 0.5);
    }
}

template <typename Window, typename Reference>
void centerVertically(Window& window, const Reference& reference) {
    if constexpr (HasTop<Window> && HasHeight<Window> && HasHeight<Reference>) {
        window.setTop(static_cast<double>(reference.height()) * 0.5 -
                      static_cast<double>(window.height()) * 0.5);
    }
}

}  // namespace app
