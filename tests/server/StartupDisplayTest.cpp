// What the X display shows of the window: run under a virtual display (xvfb-run) with the
// X11 platform plugin.
#include "StartupTestFixture.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <X11/Xlib.h>  // last: it defines macros that clash with Qt's names

namespace parlino::test {
namespace {

// The window's caption as the display holds it for the window manager (WM_NAME).
std::string DisplayedCaption(Display* display, unsigned long window)
{
    char* name = nullptr;
    if (XFetchName(display, window, &name) == 0 || name == nullptr)
        return {};
    std::string caption(name);
    XFree(name);
    return caption;
}

// While the editor runs the main thread serves nothing of the window, so the caption must
// already have reached the display when the wait begins. A watcher with its own display
// connection reads it during the wait, and the editor waits (bounded) for its word.
TEST_F(StartupTest, TheWaitingCaptionIsShownWhileTheEditorRuns)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under an X display";
    WriteIniWithFreePort();
    ASSERT_TRUE(AutoStart().empty());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const auto windowId = static_cast<unsigned long>(window->winId());

    QTemporaryDir editorDir;
    ASSERT_TRUE(editorDir.isValid());
    const std::string seenMark = editorDir.filePath(QStringLiteral("seen")).toStdString();
    {
        std::ofstream script(editorDir.filePath(QStringLiteral("editor")).toStdString());
        script << "#!/bin/sh\ni=0\nwhile [ ! -e '" << seenMark
               << "' ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n";
    }
    QFile::setPermissions(editorDir.filePath(QStringLiteral("editor")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    inside().editorProgram = editorDir.filePath(QStringLiteral("editor")).toStdString();
    inside().editorDirectory = editorDir.path().toStdString();

    std::string seenDuringWait;
    std::thread watcher([&] {
        Display* display = XOpenDisplay(nullptr);
        if (display) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
            while (std::chrono::steady_clock::now() < deadline) {
                seenDuringWait = DisplayedCaption(display, windowId);
                if (seenDuringWait.find("[Waiting]") != std::string::npos)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            XCloseDisplay(display);
        }
        std::ofstream(seenMark).put('\n');
    });
    window->BitBtn28Click();
    watcher.join();
    EXPECT_EQ(seenDuringWait, "Parlino Server [Waiting]");
    EXPECT_EQ(Caption(), "Parlino Server [Running]");
}

}  // namespace
}  // namespace parlino::test
