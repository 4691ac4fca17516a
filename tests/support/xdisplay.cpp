#include "support/xdisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

// Connections are used from several threads; libX11 before 1.8 needs this ahead of any other call.
[[maybe_unused]] static const Status threadsReady = XInitThreads();

struct XDisplay::Private {
    Display *display = nullptr;
    Window cover = 0;
};

XDisplay::XDisplay()
    : d(std::make_unique<Private>())
{
    d->display = XOpenDisplay(nullptr);
}

XDisplay::~XDisplay()
{
    if (d->display) {
        uncover();
        XCloseDisplay(d->display);
    }
}

bool XDisplay::isOpen() const
{
    return d->display != nullptr;
}

XDisplay::PointerImage XDisplay::pointerImage() const
{
    PointerImage shown;
    if (XFixesCursorImage *image = XFixesGetCursorImage(d->display)) {
        shown = {image->width, image->height, image->xhot, image->yhot,
                 std::vector<unsigned long>(image->pixels, image->pixels + image->width * image->height)};
        XFree(image);
    }
    return shown;
}

unsigned long XDisplay::pixelAt(int x, int y) const
{
    XImage *image = XGetImage(d->display, DefaultRootWindow(d->display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel;
}

void XDisplay::cover(int x, int y, int size, unsigned long colour)
{
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = colour;
    d->cover = XCreateWindow(d->display, DefaultRootWindow(d->display), x - size / 2, y - size / 2, unsigned(size),
                             unsigned(size), 0, CopyFromParent, InputOutput, CopyFromParent,
                             CWOverrideRedirect | CWBackPixel, &attributes);
    XMapRaised(d->display, d->cover);
    XSync(d->display, False);
}

void XDisplay::uncover()
{
    if (!d->cover)
        return;
    XDestroyWindow(d->display, d->cover);
    XSync(d->display, False);
    d->cover = 0;
}
