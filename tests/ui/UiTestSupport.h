#pragma once
// Helpers of the window-layer tests: the offscreen platform, and an event loop that runs
// until a condition holds (with a generous bound, never a fixed sleep).
#include <chrono>
#include <functional>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include "ui/Forms.h"

namespace uitest {

inline bool RunUntil(const std::function<bool()>& done,
                     std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    QDeadlineTimer deadline(bound);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

} // namespace uitest
