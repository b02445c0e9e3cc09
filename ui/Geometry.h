// SPDX-License-Identifier: GPL-3.0-or-later
// Plain geometry of the dialog layer: template rectangles in dialog units, control rectangles in
// pixels. No toolkit's types.
#pragma once

#include <ostream>

namespace halvo::ui {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
    bool IsEmpty() const { return width <= 0 || height <= 0; }
};

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "Rect(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}
inline std::ostream& operator<<(std::ostream& out, const Size& s) {
    return out << "Size(" << s.width << ", " << s.height << ")";
}

}  // namespace halvo::ui
