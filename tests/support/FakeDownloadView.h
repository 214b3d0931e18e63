#pragma once

#include "DownloadEnvironment.h"
#include "DuplicateNames.h"

#include <QList>
#include <QMap>

namespace quenlit::testing {

// A download window as the engines see it: keeps what they show and play.
class FakeDownloadView final : public DownloadView {
public:
    void setStatusPanel(int panel, const QString& text) override { panels[panel] = text; }
    void scrollToRow(int position) override { scrolled.append(position); }
    bool soundPromptTicked() const override { return soundPrompt; }
    bool autoLoginTicked() const override { return autoLoginOn; }
    QString duplicateNamePolicy() const override { return policy; }
    void playPrompt(SoundPrompt prompt) override { prompts.append(prompt); }
    void autoLogin() override { ++logins; }
    bool loginRunning() const override { return loggingIn; }

    QMap<int, QString> panels;
    QList<int> scrolled;
    QList<SoundPrompt> prompts;
    bool soundPrompt = false;
    bool autoLoginOn = false;
    bool loggingIn = false;
    QString policy = RenamePolicy;
    int logins = 0;
};

} // namespace quenlit::testing
