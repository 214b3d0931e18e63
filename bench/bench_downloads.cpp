// Downloads the given addresses with the download window, offscreen and on the real clock,
// and prints one JSON line: wall time, memory added above the idle window, and the
// event-loop latency (99th percentile) while the downloads ran.
//   bench_downloads METHOD THREADS FOLDER URL...
#include "DownloadList.h"
#include "Settings.h"
#include "TestApp.h"
#include "fFileDownload.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>

using namespace quenlit;

namespace {

// Resident and peak resident memory of this process, in MiB.
double StatusMiB(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: bench_downloads METHOD THREADS FOLDER URL...\n");
        return 2;
    }
    testing::TestApp f(testing::TestApp::Time::Real);
    settings::Save(f.settings, settings::DownloadMethod, args[1].toInt());
    settings::Save(f.settings, settings::ThreadCount, args[2].toInt() - 1);
    settings::Save(f.settings, settings::MaxFileSizeMB, 1000000);
    const QString folder = args[3];

    fFileDownload window(f.context);
    window.show();
    window.Option2->setChecked(true); // overwrite: every run writes the same names
    window.Combo1->setCurrentIndex(args[2].toInt() - 1);

    std::vector<double> lateness;
    QElapsedTimer clock;
    QElapsedTimer wall;
    double idleMiB = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    qint64 due = 0;
    const int probeMs = 5;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        lateness.push_back(double(std::max<qint64>(0, now - due)));
        due = now + probeMs;
        // Timed from the first transfer, not from the click: the scheduler ticks once a
        // second, which is not the engines' speed.
        if (!wall.isValid() && window.list().count() > 0 &&
            window.list().row(1).state != DownloadRow::Waiting)
            wall.start();
        if (wall.isValid() && 检测是否下载列表完毕(window.list())) {
            probe.stop();
            app.quit();
        }
    });

    // Let the window settle, then measure it idle and start.
    QTimer::singleShot(1000, [&] {
        idleMiB = StatusMiB("VmRSS");
        for (int i = 4; i < args.size(); ++i)
            加入下载列表(window.list(), {folder, false}, args[i], QStringLiteral("file%1").arg(i),
                         QStringLiteral("dat"), folder, {});
        clock.start();
        due = probeMs;
        probe.start(probeMs);
        window.Command4->click();
    });
    app.exec();

    const double seconds = wall.elapsed() / 1000.0;
    std::sort(lateness.begin(), lateness.end());
    const double p99 = lateness.empty() ? 0 : lateness[size_t(double(lateness.size() - 1) * 0.99)];
    int finished = 0;
    for (int i = 1; i <= window.list().count(); ++i)
        finished += window.list().row(i).state == DownloadRow::Finished;
    std::printf("{\"seconds\": %.3f, \"finished\": %d, \"rows\": %d, \"addedMiB\": %.1f, "
                "\"p99LatencyMs\": %.1f}\n",
                seconds, finished, int(window.list().count()), StatusMiB("VmHWM") - idleMiB, p99);
    return finished == window.list().count() ? 0 : 1;
}
