#include "ClockTimer.h"
#include "VirtualClock.h"
#include "WorkScope.h"

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
        WorkScope scope(clock);
        QStringList steps;
        scope.start([&]() -> QCoro::Task<> {
            steps << u"start"_qs;
            const bool ran = co_await scope.letEventsRun();
            steps << (ran ? u"events"_qs : u"cancelled"_qs);
            const bool slept = co_await scope.sleep(30000);
            steps << (slept ? u"slept"_qs : u"cancelled"_qs);
        });
        QCOMPARE(steps, QStringList{u"start"_qs});
        clock.runPending();
        QCOMPARE(steps.size(), 2);
        clock.advance(29999);
        QCOMPARE(steps.size(), 2);
        clock.advance(1);
        QCOMPARE(steps.last(), u"slept"_qs);
        QVERIFY(!scope.running());
    }

    void waitUntilReportsConditionOrTimeout() {
        VirtualClock clock;
        WorkScope scope(clock);
        bool flag = false;
        std::optional<bool> metFlag, timedOut;
        scope.start([&]() -> QCoro::Task<> {
            metFlag = co_await scope.waitUntil([&] { return flag; }, 60000);
        });
        scope.start([&]() -> QCoro::Task<> {
            timedOut = co_await scope.waitUntil([] { return false; }, 30000);
        });
        clock.advance(20000);
        flag = true;
        clock.advance(10);
        QCOMPARE(metFlag, std::optional<bool>(true));
        QVERIFY(!timedOut);
        clock.advance(10000);
        QCOMPARE(timedOut, std::optional<bool>(false));
    }

    // Cancelling resumes nested waits at once: destructors of frame locals run, the steps
    // after the waits run in order, and nothing stays suspended.
    void cancelUnwindsNestedFramesThroughTheirCleanUp() {
        VirtualClock clock;
        QStringList steps;
        struct Local {
            QStringList& steps;
            ~Local() { steps << u"local destroyed"_qs; }
        };
        {
            auto owner = std::make_unique<WorkScope>(clock);
            WorkScope& scope = *owner;
            auto inner = [&]() -> QCoro::Task<bool> {
                Local local{steps};
                const bool slept = co_await scope.sleep(60000);
                steps << u"inner tail"_qs;
                co_return slept;
            };
            scope.start([&]() -> QCoro::Task<> {
                const bool slept = co_await inner();
                steps << (slept ? u"outer slept"_qs : u"outer saw cancel"_qs);
                const bool again = co_await scope.sleep(10);
                steps << (again ? u"slept again"_qs : u"outer tail"_qs);
            });
            clock.advance(500);
            QCOMPARE(WorkScope::suspendedWaits(), 1);
            QCOMPARE(WorkScope::liveRuns(), 1);
            owner.reset();
        }
        QCOMPARE(steps, (QStringList{u"inner tail"_qs, u"local destroyed"_qs,
                                     u"outer saw cancel"_qs, u"outer tail"_qs}));
        QCOMPARE(WorkScope::suspendedWaits(), 0);
        QCOMPARE(WorkScope::liveRuns(), 0);
        QVERIFY(!clock.hasPending());
    }

    // A stop followed at once by a start: the new run begins only after the old has ended.
    void runStartedWhileCancelledWaitsForTheOldOne() {
        VirtualClock clock;
        WorkScope scope(clock);
        QStringList steps;
        QObject sender;
        scope.start([&]() -> QCoro::Task<> {
            steps << u"old start"_qs;
            const bool fired = co_await scope.signal(&sender, &QObject::objectNameChanged);
            steps << (fired ? u"old fired"_qs : u"old cancelled"_qs);
            // Clean-up that itself awaits must not run into the new run.
            const bool slept = co_await scope.sleep(1000);
            steps << (slept ? u"old slept"_qs : u"old ended"_qs);
        });
        scope.cancel();
        scope.start([&]() -> QCoro::Task<> {
            steps << u"new start"_qs;
            const bool fired = co_await scope.signal(&sender, &QObject::objectNameChanged);
            steps << (fired ? u"new fired"_qs : u"new cancelled"_qs);
        });
        sender.setObjectName(u"x"_qs);
        QCOMPARE(steps, (QStringList{u"old start"_qs, u"old cancelled"_qs, u"old ended"_qs,
                                     u"new start"_qs, u"new fired"_qs}));
        QVERIFY(!scope.running());
    }

    void signalWaitTimesOutAsNotFired() {
        VirtualClock clock;
        WorkScope scope(clock);
        QObject sender;
        std::optional<bool> result;
        scope.start([&]() -> QCoro::Task<> {
            result = co_await scope.signal(&sender, &QObject::objectNameChanged, 5000);
        });
        clock.advance(4999);
        QVERIFY(!result);
        clock.advance(1);
        QCOMPARE(result, std::optional<bool>(false));
        sender.setObjectName(u"late"_qs);
        QCOMPARE(WorkScope::suspendedWaits(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_clock)
#include "tst_clock.moc"
