#pragma once

#include "VirtualClock.h"

#include <QTest>

// Waits for real network I/O with a local server: runs the event loop, moving the virtual
// clock 10 ms a turn so that poll timers tick, until the condition holds.
#define QUENLIT_WAIT_FOR_IO(clock, condition)                                                      \
    QVERIFY(QTest::qWaitFor(                                                                       \
        [&] {                                                                                      \
            (clock).advance(10);                                                                   \
            return bool(condition);                                                                \
        },                                                                                         \
        10000))
