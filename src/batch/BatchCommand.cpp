#include "BatchCommand.h"

#include "BatchRunner.h"
#include "BrowserCookieBridge.h"
#include "IniSettingsStore.h"
#include "InterruptSignal.h"
#include "LiveSettings.h"
#include "MessageSink.h"
#include "SystemClock.h"
#include "WebEngineBrowser.h"

#include <QApplication>
#include <QFile>
#include <QNetworkAccessManager>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWidget>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace quenlit {

namespace {

void Write(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Messages the logic would show in a box go to standard error; questions answer no.
class ConsoleMessageSink final : public MessageSink {
public:
    void showMessage(const QString& text, MessageIcon) override { Write(stderr, text + u'\n'); }
    bool ask(const QString& text) override {
        Write(stderr, text + u"（否）\n"_qs);
        return false;
    }
    void post(const QString& text, MessageIcon, std::function<void()> closed) override {
        Write(stderr, text + u'\n');
        if (closed)
            closed();
    }
};

void SetNames() {
    QCoreApplication::setApplicationName(QStringLiteral("Quenlit"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quenlit"));
}

} // namespace

int RunBatchCommand(int& argc, char** argv, const ParsedArguments& parsed) {
    if (parsed.outcome == ParsedArguments::Outcome::Bad) {
        Write(stderr, u"quenlit: "_qs + parsed.error + u'\n');
        return BadArguments;
    }
    if (parsed.outcome == ParsedArguments::Outcome::Help) {
        QCoreApplication app(argc, argv);
        SetNames();
        IniSettingsStore store;
        Write(stdout, BatchHelpText(ResolveBatchSettings(BatchRequest{}, store)));
        return 0;
    }

    // The batch shows no window, whatever the session's platform: the browser renders
    // offscreen. A closed standard output (a pipe to head) ends writes, not the program.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    SetNames();
    QApplication::setQuitOnLastWindowClosed(false);

    IniSettingsStore store;
    const BatchSettings settings = ResolveBatchSettings(parsed.request, store);
    const KeywordFile keywords = ReadKeywordFile(settings.keywordFile);
    if (!keywords.error.isEmpty()) {
        Write(stderr, u"quenlit: "_qs + keywords.error + u'\n');
        return BadArguments;
    }

    SystemClock clock;
    QNetworkAccessManager network;
    ConsoleMessageSink messages;
    LiveSettings live;
    QWebEngineProfile profile(QStringLiteral("Quenlit"));
    BrowserCookieBridge cookieBridge(profile, network);
    QWidget holder;
    auto* layout = new QVBoxLayout(&holder);
    WebEngineBrowser browser(profile, &holder);
    layout->addWidget(browser.view());
    holder.resize(1024, 768);
    holder.show();

    BatchOutput output;
    output.progress = [](const QString& text) { Write(stderr, text); };
    output.summary = [](const QString& text) { Write(stdout, text); };
    output.progressBar = ::isatty(STDERR_FILENO) == 1;
    BatchRunner runner(clock, network, browser, messages, live, store, settings, keywords.lines,
                       output);
    InterruptSignal interrupt;
    QObject::connect(&interrupt, &InterruptSignal::interrupted, &runner, &BatchRunner::interrupt);
    int exitCode = SomeFailed;
    QObject::connect(&runner, &BatchRunner::finished, &app, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(0);
    });
    runner.start();
    app.exec();
    return exitCode;
}

} // namespace quenlit
