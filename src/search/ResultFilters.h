#pragma once

#include <QString>
#include <optional>

namespace quenlit {

// The search window's title options, read when a link is judged.
struct TitleOptions {
    bool skipUnknownType = true;     // Check2
    bool removeSpaces = true;        // Check1
    bool skipJapanese = false;       // Check4
    bool skipTraditional = false;    // Check13
    bool convertTraditional = false; // Check14
    QString portalDomain = QStringLiteral("docin.com");
};

// The cleaned title of an accepted link, or none when the link is refused.
std::optional<QString> AcceptAndCleanTitle(const QString& title, const QString& typeLabel,
                                           bool imageLink, const TitleOptions& options);

bool ContainsKana(const QString& text);
bool ContainsTraditional(const QString& text);
// Every traditional character replaced by its simplified form, one for one; the length
// never changes and other characters stay.
QString ToSimplified(const QString& text);
// Tabs to spaces, runs of spaces to one, trimmed.
QString NormalizeSpaces(const QString& text);
// Titles of document-sharing portals, which are not the document itself.
bool IsPortalTitle(const QString& title, const QString& portalDomain);

} // namespace quenlit
