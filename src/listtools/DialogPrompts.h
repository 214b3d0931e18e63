#pragma once

#include "ListCommands.h"

class QWidget;

namespace quenlit {

// The input box and file dialogs of the desktop, over the owner window.
class DialogPrompts final : public ListPrompts {
public:
    explicit DialogPrompts(QWidget* owner)
        : m_owner(owner) {}

    std::optional<QString> askText(const QString& prompt, const QString& title) override;
    QString askOpenFile(const QString& filter) override;
    QString askSaveFile(const QString& filter) override;

private:
    QWidget* m_owner;
};

} // namespace quenlit
