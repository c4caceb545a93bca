#include "platform/ui/WindowSystem.h"

#include <QGuiApplication>

#if QT_CONFIG(xcb)
#include <X11/Xlib.h>  // last: it defines macros that clash with Qt's names
#endif

namespace parlino::ui {

void flushWindowSystem()
{
#if QT_CONFIG(xcb)
    // On X11 part of a caption change goes through Xlib, whose requests wait in its own
    // buffer until the event loop next flushes it.
    // The interface also answers on other platforms, without a display.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (Display* display = x11 ? x11->display() : nullptr)
        XFlush(display);
#endif
}

}  // namespace parlino::ui
