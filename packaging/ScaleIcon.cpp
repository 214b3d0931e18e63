// Writes the program icon at one of the sizes the desktop's icon theme asks for.
#include <QImage>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QTextStream err(stderr);
    if (argc != 4) {
        err << "usage: quenlit-scale-icon <source.png> <target.png> <size>\n";
        return 2;
    }
    bool ok = false;
    const int size = QString::fromLocal8Bit(argv[3]).toInt(&ok);
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (!ok || size <= 0 || source.isNull()) {
        err << "quenlit-scale-icon: cannot read " << argv[1] << " or size " << argv[3] << '\n';
        return 1;
    }
    const QImage scaled =
        source.size() == QSize(size, size)
            ? source
            : source.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                  .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!scaled.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        err << "quenlit-scale-icon: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
