#include "fOption.h"

#include "AppContext.h"
#include "FolderDialogs.h"
#include "FolderWidgets.h"
#include "ObjectNames.h"
#include "Settings.h"
#include "WindowHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quenlit {

namespace {
QLabel* hint(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(u"color: #666;"_qs);
    return label;
}
} // namespace

fOption::fOption(AppContext& context, QWidget* parent)
    : QDialog(parent)
    , Option1(new QRadioButton(u"下载方式一 (支持HTTP，单线程，代理服务器下载)"_qs, this))
    , Option2(new QRadioButton(u"下载方式二 (支持HTTP，多线程下载)"_qs, this))
    , Check1(new QCheckBox(u"下载使用代理服务器"_qs, this))
    , Text6(new QLineEdit(this))
    , Text8(new QLineEdit(this))
    , Check2(new QCheckBox(u"提取网页信息时，提示下载保存路径"_qs, this))
    , Check3(new QCheckBox(u"启动时恢复下载列表"_qs, this))
    , Text1(new QLineEdit(this))
    , Text2(new QLineEdit(this))
    , Command3(new QPushButton(u"指定"_qs, this))
    , Combo1(new QComboBox(this))
    , Command1(new QPushButton(u"确定"_qs, this))
    , Command2(new QPushButton(u"关闭"_qs, this))
    , m_context(context) {
    setObjectName(u"fOption"_qs);
    setWindowTitle(u"设置-Quenlit"_qs);
    setModal(true);

    // Before the download window has loaded, show what is stored rather than nothing.
    if (!context.forms.IsFormLoaded(u"fFileDownload"_qs))
        context.live.loadDownloadWindowValues(context.settings);
    const LiveSettings& live = context.live;
    Option1->setChecked(live.DownloadMethod == 1);
    Option2->setChecked(live.DownloadMethod == 2);
    Check1->setChecked(live.ProxyEnabled == 1);
    Text6->setText(live.ProxyAddress);
    Text8->setText(live.ProxyPort);
    Check2->setChecked(live.SaveFolderPromptFlag == 1);
    Check3->setChecked(live.RestoreDownloadList == 1);
    Text1->setText(settings::FormatSingle(live.MaxFileSizeMB));
    Text2->setText(live.DownloadFolder);
    Combo1->addItems({u"中国"_qs, u"全球"_qs});
    Combo1->setCurrentIndex(live.SearchScope == 1 ? 1 : 0);

    auto* method = new QGroupBox(u"下载方式"_qs, this);
    auto* methodLayout = new QVBoxLayout(method);
    methodLayout->addWidget(Option1);
    methodLayout->addWidget(Option2);

    auto* proxy = new QGroupBox(u"代理服务器"_qs, this);
    auto* proxyLayout = new QFormLayout(proxy);
    proxyLayout->addRow(Check1);
    proxyLayout->addRow(u"地址："_qs, Text6);
    proxyLayout->addRow(QString(), hint(u"(如：127.0.0.1 或者 proxy.example.com)"_qs, this));
    proxyLayout->addRow(u"端口："_qs, Text8);
    proxyLayout->addRow(QString(), hint(u"(如：3128 或者 80 等等)"_qs, this));

    auto* size = new QHBoxLayout;
    size->addWidget(new QLabel(u"下载文件大小不超过："_qs, this));
    Text1->setMaximumWidth(80);
    size->addWidget(Text1);
    size->addWidget(new QLabel(u"MB"_qs, this));
    size->addStretch();

    auto* folder = new QHBoxLayout;
    folder->addWidget(Text2, 1);
    folder->addWidget(Command3);

    auto* scope = new QHBoxLayout;
    scope->addWidget(new QLabel(u"搜索范围："_qs, this));
    scope->addWidget(Combo1);
    scope->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(method);
    layout->addWidget(proxy);
    layout->addWidget(Check2);
    layout->addWidget(Check3);
    layout->addLayout(size);
    layout->addWidget(new QLabel(u"下载文件默认保存路径："_qs, this));
    layout->addLayout(folder);
    layout->addLayout(scope);
    layout->addLayout(buttons);
    resize(520, sizeHint().height());

    NameObjects({{Option1, "Option1"},
                 {Option2, "Option2"},
                 {Check1, "Check1"},
                 {Text6, "Text6"},
                 {Text8, "Text8"},
                 {Check2, "Check2"},
                 {Check3, "Check3"},
                 {Text1, "Text1"},
                 {Text2, "Text2"},
                 {Command3, "Command3"},
                 {Combo1, "Combo1"},
                 {Command1, "Command1"},
                 {Command2, "Command2"}});

    connect(Command3, &QPushButton::clicked, this, [this] {
        Text2->setText(BrowseForFolder(this, Text2->text(), u"请选择要浏览的文件夹:"_qs));
    });
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Command1, &QPushButton::clicked, this, &fOption::confirm);
    Command1->setDefault(true);
}

void fOption::confirm() {
    OptionsInput input;
    input.method = Option1->isChecked() ? 1 : (Option2->isChecked() ? 2 : 0);
    input.proxyEnabled = Check1->isChecked();
    input.proxyAddress = Text6->text();
    input.proxyPort = Text8->text();
    input.promptAtHarvest = Check2->isChecked();
    input.restoreDownloadList = Check3->isChecked();
    input.sizeLimit = Text1->text();
    input.downloadFolder = Text2->text();
    input.searchScope = Combo1->currentIndex();
    QString folder;
    const bool done = ApplyOptions(input, m_context.live, m_context.settings, m_context.messages,
                                   folder, [this](int method) {
                                       if (m_context.windows)
                                           m_context.windows->downloadMethodChanged(method);
                                   });
    if (!folder.isEmpty())
        Text2->setText(folder + u'/');
    if (done)
        accept();
}

} // namespace quenlit
