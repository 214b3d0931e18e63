#pragma once

#include <QTest>

// Waits for real network I/O (a local server's reply) by running the event loop until
// the condition holds; it never sleeps for a fixed time.
#define QUENLIT_WAIT_FOR_IO(condition) QVERIFY(QTest::qWaitFor([&] { return (condition); }, 10000))
