#include "fSeleFileSavePath.h"

#include "WorkScope.h"

#include <QPointer>

#include "AppContext.h"
#include "FolderDialogs.h"
#include "FolderWidgets.h"
#include "ObjectNames.h"
#include "RecentFolders.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace quenlit {

fSeleFileSavePath::fSeleFileSavePath(AppContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , Combo1(new QComboBox(this))
    , Command1(new QPushButton(u"..."_qs, this))
    , Option1(new QRadioButton(u"原文件名"_qs, this))
    , Option2(new QRadioButton(u"文章标题名称"_qs, this))
    , Command2(new QPushButton(u"确定"_qs, this))
    , Command3(new QPushButton(u"取消"_qs, this))
    , m_context(context) {
    setObjectName(u"fSeleFileSavePath"_qs);
    setWindowTitle(u"选择下载保存路径－Orvane软件"_qs);
    setModal(true);
    Combo1->setEditable(true);
    Combo1->setMinimumWidth(360);
    Option2->setChecked(true);
    if (context.live.UseSourceFileName)
        Option1->setChecked(true);
    QStringList recent;
    LoadRecentFolders(recent, recentFoldersPath());
    Combo1->addItems(recent);
    FitDropDownWidth(Combo1);
    Combo1->setEditText(context.live.DownloadFolder);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(u"保存到文件夹："_qs, this), 0, 0);
    layout->addWidget(Combo1, 0, 1);
    layout->addWidget(Command1, 0, 2);
    layout->addWidget(new QLabel(u"保存文件名为："_qs, this), 1, 0);
    auto* naming = new QHBoxLayout;
    naming->addWidget(Option1);
    naming->addWidget(Option2);
    naming->addStretch();
    layout->addLayout(naming, 1, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    layout->addLayout(buttons, 2, 0, 1, 3);

    NameObjects({{Combo1, "Combo1"},
                 {Command1, "Command1"},
                 {Option1, "Option1"},
                 {Option2, "Option2"},
                 {Command2, "Command2"},
                 {Command3, "Command3"}});

    connect(Command1, &QPushButton::clicked, this, [this] {
        Combo1->setEditText(
            BrowseForFolder(this, Combo1->currentText(), u"请选择要浏览的文件夹:"_qs));
    });
    connect(Command2, &QPushButton::clicked, this, [this] {
        QString folder = Combo1->currentText();
        QStringList recent;
        for (int i = 0; i < Combo1->count(); ++i)
            recent << Combo1->itemText(i);
        const bool done =
            ConfirmSaveFolder(folder, Option1->isChecked(), m_context.live, m_context.settings,
                              m_context.messages, recent, recentFoldersPath());
        Combo1->setEditText(folder);
        if (done)
            accept();
    });
    connect(Command3, &QPushButton::clicked, this, &fSeleFileSavePath::reject);
    Command2->setDefault(true);
}

QString fSeleFileSavePath::recentFoldersPath() const {
    return m_context.dataFolder + u"/SaveList.dat"_qs;
}

void fSeleFileSavePath::reject() {
    // Closing the dialog any way but "确定" cancels.
    m_context.live.SaveFolderCancelled = true;
    QDialog::reject();
}

void fSeleFileSavePath::ask(AppContext& context, QWidget* parent) {
    fSeleFileSavePath dialog(context, parent);
    dialog.exec();
}

QCoro::Task<> fSeleFileSavePath::askAwaited(AppContext& context, QWidget* parent,
                                            WorkScope& scope) {
    QPointer<fSeleFileSavePath> dialog = new fSeleFileSavePath(context, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    const bool answered = co_await scope.signal(dialog.data(), &QDialog::finished);
    if (!answered && dialog)
        dialog->reject();
}

} // namespace quenlit
