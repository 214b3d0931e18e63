#include "WidgetMessageSink.h"

#include <QApplication>
#include <QMessageBox>

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
    if (closed)
        QObject::connect(box, &QDialog::finished, box, [closed = std::move(closed)] { closed(); });
    box->open();
}

bool WidgetMessageSink::ask(const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), Title, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace quenlit
