#pragma once

#include "SoundPrompt.h"

#include <QString>

class QNetworkAccessManager;

namespace quenlit {

class Clock;
class DownloadListModel;
class MessageSink;
struct DownloadWindowState;
struct LiveSettings;

// What the engines show in the download window besides the list's cells.
class DownloadView {
public:
    virtual ~DownloadView() = default;
    // Status bar panels 1 to 4.
    virtual void setStatusPanel(int panel, const QString& text) = 0;
    // "自动定位到下载项": scrolls the row into view.
    virtual void scrollToRow(int position) = 0;
    // The tick boxes the engines read: "声音提示" and "自动登录".
    virtual bool soundPromptTicked() const = 0;
    virtual bool autoLoginTicked() const = 0;
    // The duplicate-name policy of the selected option: "跳过", "覆盖" or "重命名".
    virtual QString duplicateNamePolicy() const = 0;
    // Plays a prompt (the caller has checked "声音提示").
    virtual void playPrompt(SoundPrompt prompt) = 0;
    // The automatic login after a web-page row; it runs on while the engines go on.
    virtual void autoLogin() = 0;
    // A login is under way: no new download starts, it would only fetch the login page.
    virtual bool loginRunning() const = 0;
};

// The pieces every engine of the download window works with.
struct DownloadEnvironment {
    Clock& clock;
    QNetworkAccessManager& network;
    DownloadListModel& list;
    DownloadWindowState& state;
    LiveSettings& live;
    DownloadView& view;
    // The engines only post to it, never wait for an answer.
    MessageSink& messages;
};

} // namespace quenlit
