#pragma once

#include "MessageSink.h"

class QWidget;

namespace quenlit {

// Message boxes titled with the program title, over the currently active window.
class WidgetMessageSink final : public MessageSink {
public:
    void showMessage(const QString& text, MessageIcon icon) override;
    bool ask(const QString& text) override;
    void post(const QString& text, MessageIcon icon, std::function<void()> closed) override;
};

} // namespace quenlit
