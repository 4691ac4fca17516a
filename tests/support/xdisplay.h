#pragma once

// One connection to the X server of $DISPLAY, for tests that look at what the server shows. Xlib
// stays inside xdisplay.cpp: its macros clash with GoogleTest's and Qt's names.

#include <memory>
#include <vector>

class XDisplay
{
public:
    // The pointer's image as the server shows it.
    struct PointerImage {
        int width = 0, height = 0, xhot = 0, yhot = 0;
        std::vector<unsigned long> pixels;
        bool operator==(const PointerImage &o) const
        {
            return width == o.width && height == o.height && xhot == o.xhot && yhot == o.yhot && pixels == o.pixels;
        }
        bool operator!=(const PointerImage &o) const { return !(*this == o); }
    };

    XDisplay();
    ~XDisplay();
    XDisplay(const XDisplay &) = delete;
    XDisplay &operator=(const XDisplay &) = delete;

    bool isOpen() const;
    PointerImage pointerImage() const;
    // The screen's pixel at a point, as 0xRRGGBB on a 24-bit screen.
    unsigned long pixelAt(int x, int y) const;
    // Lays a window of one colour over a square around a point, unmanaged, until uncover().
    void cover(int x, int y, int size, unsigned long colour);
    void uncover();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
