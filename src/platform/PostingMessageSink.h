#pragma once

#include "MessageSink.h"

namespace quenlit {

// For long work and timer ticks, which must not wait on a modal box: every message is
// posted, and a question is answered no.
class PostingMessageSink final : public MessageSink {
public:
    explicit PostingMessageSink(MessageSink& target)
        : m_target(target) {}
    void showMessage(const QString& text, MessageIcon icon) override {
        m_target.post(text, icon, {});
    }
    bool ask(const QString&) override { return false; }
    void post(const QString& text, MessageIcon icon, std::function<void()> closed) override {
        m_target.post(text, icon, std::move(closed));
    }

private:
    MessageSink& m_target;
};

} // namespace quenlit
