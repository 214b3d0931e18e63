#include "SearchResultServer.h"

#include <QCoreApplication>
#include <QTextStream>

// quenlit-search-server [port]: serves local search result pages until stopped.
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const quint16 port = argc > 1 ? quint16(QString::fromLocal8Bit(argv[1]).toUInt()) : 8080;
    quenlit::tools::SearchResultServer server;
    if (!server.listen(port)) {
        QTextStream(stderr) << "cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    QTextStream(stdout) << "serving search results on " << server.base() << "\n";
    return app.exec();
}
