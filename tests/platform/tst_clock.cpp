#include "Async.h"
#include "ClockTimer.h"
#include "VirtualClock.h"

#include <QTest>

using namespace quenlit;
using quenlit::testing::VirtualClock;

class tst_clock : public QObject {
    Q_OBJECT
private slots:
    void timerTicksAtItsIntervalUntilStopped() {
        VirtualClock clock;
        ClockTimer timer(clock, 1000);
        int ticks = 0;
        connect(&timer, &ClockTimer::timeout, [&] {
            if (++ticks == 3)
                timer.stop();
        });
        timer.start();
        clock.advance(999);
        QCOMPARE(ticks, 0);
        clock.advance(1);
        QCOMPARE(ticks, 1);
        clock.advance(10000);
        QCOMPARE(ticks, 3);
        QVERIFY(!timer.isActive());
    }

    void restartingATimerPostponesItsTick() {
        VirtualClock clock;
        ClockTimer timer(clock, 100);
        int ticks = 0;
        connect(&timer, &ClockTimer::timeout, [&] { ++ticks; });
        timer.start();
        clock.advance(60);
        timer.start();
        clock.advance(60);
        QCOMPARE(ticks, 0);
        clock.advance(40);
        QCOMPARE(ticks, 1);
    }

    void secondsSinceMidnightWrapsAtMidnight() {
        VirtualClock clock(86399.5);
        clock.advance(1000);
        QCOMPARE(clock.secondsSinceMidnight(), 0.5);
    }

    void sleepResumesAfterVirtualTime() {
        VirtualClock clock;
        QStringList steps;
        // The closure must outlive the coroutine that refers to its captures.
        auto body = [&]() -> QCoro::Task<> {
            steps << u"start"_qs;
            co_await letEventsRun(clock);
            steps << u"events"_qs;
            co_await sleepFor(clock, 30000);
            steps << u"slept"_qs;
        };
        auto task = body();
        QCOMPARE(steps, QStringList{u"start"_qs});
        clock.runPending();
        QCOMPARE(steps.size(), 2);
        clock.advance(29999);
        QCOMPARE(steps.size(), 2);
        clock.advance(1);
        QCOMPARE(steps.last(), u"slept"_qs);
        QVERIFY(task.isReady());
    }

    void waitUntilReportsConditionOrTimeout() {
        VirtualClock clock;
        bool flag = false;
        std::optional<bool> metFlag, timedOut;
        auto waitForFlag = [&]() -> QCoro::Task<> {
            metFlag = co_await waitUntil(
                clock, [&] { return flag; }, 60000);
        };
        auto waitForNothing = [&]() -> QCoro::Task<> {
            timedOut = co_await waitUntil(
                clock, [] { return false; }, 30000);
        };
        auto first = waitForFlag();
        auto second = waitForNothing();
        clock.advance(20000);
        flag = true;
        clock.advance(10);
        QCOMPARE(metFlag, std::optional<bool>(true));
        QVERIFY(!timedOut);
        clock.advance(10000);
        QCOMPARE(timedOut, std::optional<bool>(false));
    }
};

QTEST_GUILESS_MAIN(tst_clock)
#include "tst_clock.moc"
