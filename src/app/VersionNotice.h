#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace quenlit {

class Clock;
class MessageSink;
class Shell;
class uXMLHTTP;

struct VersionNumbers {
    quint32 major = 0;
    quint32 minor = 0;
    quint32 revision = 0;
};

// major × 10 000 000 + minor × 10 000 + revision, in single precision: close versions of
// large majors compare equal, and that is the behaviour users have always seen.
float VersionValue(const VersionNumbers& version);
// The value of a published "a.b.c" text, none for anything else.
std::optional<float> PublishedVersionValue(const QString& text);

// Asks the maker's site (then its alternate) for the newest version and announces a
// newer one. With no site configured it does nothing.
class VersionNotice : public QObject {
    Q_OBJECT
public:
    struct Sites {
        QString primary;
        QString alternate;
    };

    VersionNotice(QNetworkAccessManager& network, Clock& clock, MessageSink& messages, Shell& shell,
                  Sites sites, QString executableName, VersionNumbers running,
                  QObject* parent = nullptr);
    ~VersionNotice() override;

    void check();
    void openProductPage();
    QString productPage() const;

signals:
    // The notice text to show, "有最新版本：V2.1.6可以下载升级".
    void newerVersionFound(const QString& notice);

private:
    void request(uXMLHTTP& component, const QString& site);
    void handleReply(uXMLHTTP& component);
    void primaryFailed();
    QString siteAddress(const QString& site, const QString& path) const;

    MessageSink& m_messages;
    Shell& m_shell;
    Sites m_sites;
    QString m_executableName;
    VersionNumbers m_running;
    std::unique_ptr<uXMLHTTP> m_primary;
    std::unique_ptr<uXMLHTTP> m_alternate;
};

} // namespace quenlit
