#pragma once

#include "COscTestFrame.h"
#include "scope/COscDecoder.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

// Helpers of the scope window tests.
namespace OscUiTest {

inline OscRecord Decoded(const COscTestFrame& frame)
{
    OscRecord record;
    EXPECT_TRUE(COscDecoder::Decode(frame.Hex(), &record));
    return record;
}

// A mouse move with buttons held, as the window system sends it.
inline void MoveTo(QWidget* pWidget, QPoint pt, Qt::MouseButtons buttons)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pt), QPointF(pWidget->mapToGlobal(pt)), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(pWidget, &move);
}

// Presses at from, moves through to and releases there.
inline void Drag(QWidget* pWidget, Qt::MouseButton button, QPoint from, QPoint to)
{
    QTest::mousePress(pWidget, button, Qt::NoModifier, from);
    MoveTo(pWidget, (from + to) / 2, button);
    MoveTo(pWidget, to, button);
    QTest::mouseRelease(pWidget, button, Qt::NoModifier, to);
}

inline QImage Shot(QWidget* pWidget)
{
    return pWidget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The modal dialog that has opened (or is about to), null after 5 s without one.
inline QWidget* OpenedModal()
{
    if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000))
        return nullptr;
    return QApplication::activeModalWidget();
}

// Runs fn on the next modal dialog while the caller's own exec() waits.
inline void OnModal(std::function<void(QWidget*)> fn)
{
    QTimer::singleShot(0, [fn] {
        if (QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000))
            fn(QApplication::activeModalWidget());
        else
            ADD_FAILURE() << "no modal dialog appeared";
    });
}

} // namespace OscUiTest
