#include "frmAbout.h"

#include "BuildInfo.h"
#include "SystemInfoTool.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quenlit {

frmAbout::frmAbout(const QString& systemDescription, const Registry& registry, Shell& shell,
                   MessageSink& messages, QWidget* parent)
    : QDialog(parent)
    , Text1(new QPlainTextEdit(u"OP:"_qs + systemDescription, this))
    , Command1(new QPushButton(u"复制信息"_qs, this))
    , cmdSysInfo(new QPushButton(u"系统信息(&S)..."_qs, this))
    , cmdOK(new QPushButton(u"确定"_qs, this)) {
    setObjectName(u"frmAbout"_qs);
    setWindowTitle(u"关于『Quenlit』 "_qs);
    setModal(true);
    Text1->setObjectName(u"Text1"_qs);
    Text1->setReadOnly(true);
    Text1->setFixedHeight(Text1->fontMetrics().lineSpacing() * 3 + 12);
    Command1->setObjectName(u"Command1"_qs);
    cmdSysInfo->setObjectName(u"cmdSysInfo"_qs);
    cmdOK->setObjectName(u"cmdOK"_qs);
    cmdOK->setDefault(true);

    auto* title = new QLabel(u"Quenlit"_qs, this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* version = new QLabel(QStringLiteral("版本 %1.%2.%3")
                                   .arg(build::VersionMajor)
                                   .arg(build::VersionMinor)
                                   .arg(build::VersionRevision),
                               this);
    version->setObjectName(u"lblVersion"_qs);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addStretch();
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(Text1);
    layout->addLayout(buttons);
    resize(520, sizeHint().height());

    connect(Command1, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(Text1->toPlainText()); });
    connect(cmdSysInfo, &QPushButton::clicked, this,
            [&registry, &shell, &messages] { StartSystemInfoTool(registry, shell, messages); });
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::done(int result) {
    QDialog::done(result);
    emit closed();
}

} // namespace quenlit
