#pragma once
// Appends 16- and 32-bit numbers least significant byte first, as both file formats store them.

#include <QByteArray>
#include <QtGlobal>

namespace image_formats {

inline void putWord(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

inline void putLong(QByteArray& out, quint32 value) {
    putWord(out, int(value & 0xFFFF));
    putWord(out, int(value >> 16));
}

}  // namespace image_formats
