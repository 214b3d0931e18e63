#pragma once

#include <QString>

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
};

} // namespace quenlit
