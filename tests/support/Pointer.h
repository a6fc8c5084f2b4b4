#pragma once
// The mouse pointer of the GUI tests, in the state a test starts from whatever the tests before it
// in the same program did.
//
// QTest::mouseMove without a button held moves the offscreen platform's cursor (QCursor::setPos),
// which delivers a move only when the position changes and to the window that lies under it; a
// button still held (QTest's double click presses and never releases, nor does a lone
// QTest::mousePress) turns every later move into a drag. So what a move does depends on where earlier tests left the
// pointer and which button they left down. The GUI test programs call resetPointer() before every test (see
// test_main_gui.cpp); a test that needs the pointer outside its windows again calls it itself.

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPoint>
#include <QTest>
#include <QWidget>

namespace testsupport {

// Where the pointer rests between tests: far outside every window a test shows.
inline constexpr QPoint kParkedPointer{-20000, -20000};

// Releases the buttons still held, for QTest and for the application (a QTest::mousePress with no
// release leaves them down for both), and moves the pointer outside every window; the leave events
// this causes are delivered before it returns. The next move over a widget comes from elsewhere,
// with the enter event a user's move brings.
inline void resetPointer() {
    QTestPrivate::qtestMouseButtons = Qt::NoButton;
    const Qt::MouseButtons held = QGuiApplication::mouseButtons();
    if (held != Qt::NoButton) {
        // A release of the window system outside every window: it reaches no widget.
        const Qt::MouseButton button = static_cast<Qt::MouseButton>(held.toInt() & -held.toInt());
        QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
        qt_handleMouseEvent(nullptr, kParkedPointer, kParkedPointer, Qt::NoButton, button, QEvent::MouseButtonRelease,
                            Qt::NoModifier, QTest::lastMouseTimestamp);
    }
    QCursor::setPos(kParkedPointer);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A double click as the window system delivers it: press, release, double click, release. Unlike
// QTest::mouseDClick alone, it leaves no button held.
inline void doubleClick(QWidget* widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(widget, button, {}, pos);
    QTest::mouseDClick(widget, button, {}, pos);
    QTest::mouseRelease(widget, button, {}, pos);
}

} // namespace testsupport
