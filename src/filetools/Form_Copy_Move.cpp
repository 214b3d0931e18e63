#include "Form_Copy_Move.h"

#include "AppContext.h"
#include "CopyFilesTool.h"
#include "FolderWidgets.h"
#include "ObjectNames.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quenlit {

Form_Copy_Move::Form_Copy_Move(AppContext& context, QWidget* parent)
    : QDialog(parent)
    , Combo1(new QComboBox(this))
    , Command3(new QPushButton(u"浏览"_qs, this))
    , Command1(new QPushButton(u"开始"_qs, this))
    , Command2(new QPushButton(u"关闭"_qs, this))
    , ProgressBar1(new QProgressBar(this))
    , Label2(new QLabel(this))
    , m_tool(new CopyFilesTool(context.clock, context.settings, context.messages,
                               context.dataFolder, this)) {
    setObjectName(u"Form_Copy_Move"_qs);
    setWindowTitle(u"复制文件..."_qs);
    setModal(true);
    Combo1->setEditable(true);
    Combo1->setMinimumWidth(420);
    ProgressBar1->setTextVisible(false);

    auto* options = new QGroupBox(u"如果同名文件已经存在"_qs, this);
    auto* optionsLayout = new QVBoxLayout(options);
    const QString captions[5] = {u"跳过"_qs, u"覆盖"_qs, u"自动重命名"_qs,
                                 u"文件大小和修改时间均相同：覆盖；否则：自动重命名"_qs,
                                 u"文件大小相同：覆盖；否则：自动重命名"_qs};
    for (int i = 0; i < 5; ++i) {
        Option1[i] = new QRadioButton(captions[i], options);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i + 1));
        optionsLayout->addWidget(Option1[i]);
        connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                m_tool->policyIndex = i + 1;
        });
    }

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(u"目的文件夹："_qs, this), 0, 0);
    layout->addWidget(Combo1, 0, 1);
    layout->addWidget(Command3, 0, 2);
    layout->addWidget(options, 1, 0, 1, 3);
    auto* current = new QHBoxLayout;
    current->addWidget(new QLabel(u"当前文件："_qs, this));
    current->addWidget(Label2, 1);
    layout->addLayout(current, 2, 0, 1, 3);
    layout->addWidget(ProgressBar1, 3, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    layout->addLayout(buttons, 4, 0, 1, 3);

    NameObjects({{Combo1, "Combo1"},
                 {Command3, "Command3"},
                 {Command1, "Command1"},
                 {Command2, "Command2"},
                 {ProgressBar1, "ProgressBar1"},
                 {Label2, "Label2"}});

    m_tool->load();
    Combo1->addItems(m_tool->history);
    FitDropDownWidth(Combo1);
    Combo1->setEditText(m_tool->folderText);
    Option1[m_tool->policyIndex - 1]->setChecked(true);

    connect(Combo1, &QComboBox::editTextChanged, this,
            [this](const QString& text) { m_tool->folderText = text; });
    connect(m_tool, &CopyFilesTool::changed, this, &Form_Copy_Move::showState);
    connect(Command3, &QPushButton::clicked, this, [this] {
        Combo1->setEditText(
            BrowseForFolder(this, Combo1->currentText(), u"请选择要浏览的文件夹:"_qs));
    });
    connect(Command1, &QPushButton::clicked, this, [this] { m_tool->执行(true); });
    connect(Command2, &QPushButton::clicked, this, &QDialog::close);
    showState();
}

Form_Copy_Move::~Form_Copy_Move() = default;

void Form_Copy_Move::showState() {
    if (Combo1->currentText() != m_tool->folderText)
        Combo1->setEditText(m_tool->folderText);
    if (Combo1->count() != m_tool->history.size()) {
        const QString text = Combo1->currentText();
        Combo1->clear();
        Combo1->addItems(m_tool->history);
        FitDropDownWidth(Combo1);
        Combo1->setEditText(text);
    }
    Label2->setText(m_tool->currentFile);
    ProgressBar1->setMaximum(qMax(1, m_tool->progressMaximum));
    ProgressBar1->setValue(m_tool->progress);
    Command1->setText(m_tool->buttonCaption());
}

void Form_Copy_Move::done(int result) {
    m_tool->close();
    QDialog::done(result);
}

} // namespace quenlit
