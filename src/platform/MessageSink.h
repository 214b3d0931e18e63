#pragma once

#include <QString>
#include <functional>

namespace quenlit {

enum class MessageIcon { None, Information, Error, Question, Warning };

// Modal messages to the user, titled with the program title. Logic reports through this
// so tests can see what would have been shown.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(const QString& text, MessageIcon icon) = 0;
    // A yes/no question; true for yes.
    virtual bool ask(const QString& text) = 0;
    // The same message without blocking, for long work and timer ticks: closed runs when the
    // user has dismissed it.
    virtual void post(const QString& text, MessageIcon icon, std::function<void()> closed = {}) = 0;
};

} // namespace quenlit
