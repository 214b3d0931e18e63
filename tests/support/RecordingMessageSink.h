#pragma once

#include "MessageSink.h"

#include <QList>

namespace quenlit::testing {

// Keeps every message that would have been shown; questions get the prepared answer.
class RecordingMessageSink final : public MessageSink {
public:
    struct Message {
        QString text;
        MessageIcon icon;
    };

    void showMessage(const QString& text, MessageIcon icon) override {
        messages.append({text, icon});
    }
    bool ask(const QString& text) override {
        messages.append({text, MessageIcon::Question});
        return answer;
    }
    void post(const QString& text, MessageIcon icon, std::function<void()> closed) override {
        messages.append({text, icon});
        if (closed)
            closed();
    }
    QStringList texts() const {
        QStringList all;
        for (const Message& message : messages)
            all.append(message.text);
        return all;
    }

    QList<Message> messages;
    bool answer = true;
};

} // namespace quenlit::testing
