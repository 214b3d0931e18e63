#include "DialogPrompts.h"

#include <QFileDialog>
#include <QInputDialog>

namespace quenlit {

std::optional<QString> DialogPrompts::askText(const QString& prompt, const QString& title) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(m_owner, title.isEmpty() ? QStringLiteral("Quenlit") : title, prompt,
                              QLineEdit::Normal, {}, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

QString DialogPrompts::askOpenFile(const QString& filter) {
    return QFileDialog::getOpenFileName(m_owner, {}, {}, filter);
}

QString DialogPrompts::askSaveFile(const QString& filter) {
    // The dialog asks before replacing an existing file.
    return QFileDialog::getSaveFileName(m_owner, {}, {}, filter);
}

} // namespace quenlit
