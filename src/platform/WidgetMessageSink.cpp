#include "WidgetMessageSink.h"

#include <QApplication>
#include <QMessageBox>
#include <memory>
#include <utility>

namespace quenlit {

namespace {
const QString Title = QStringLiteral("Quenlit");

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void WidgetMessageSink::showMessage(const QString& text, MessageIcon icon) {
    QMessageBox box(boxIcon(icon), Title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void WidgetMessageSink::post(const QString& text, MessageIcon icon, std::function<void()> closed) {
    auto* box =
        new QMessageBox(boxIcon(icon), Title, text, QMessageBox::Ok, QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (closed) {
        // A box destroyed with its parent window never finishes: report it closed then too.
        auto once = std::make_shared<std::function<void()>>(std::move(closed));
        const auto report = [once] {
            if (*once)
                std::exchange(*once, {})();
        };
        QObject::connect(box, &QDialog::finished, box, report);
        QObject::connect(box, &QObject::destroyed, report);
    }
    box->open();
}

bool WidgetMessageSink::ask(const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), Title, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace quenlit
