#pragma once

#include <QObject>

class QSocketNotifier;

namespace quenlit {

// Turns SIGINT into a signal on the event loop: the handler only writes to a pipe.
class InterruptSignal : public QObject {
    Q_OBJECT
public:
    explicit InterruptSignal(QObject* parent = nullptr);
    ~InterruptSignal() override;

signals:
    void interrupted();

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace quenlit
