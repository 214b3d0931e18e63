#include "UrlReplace.h"

#include "FileTools.h"
#include "MessageSink.h"
#include "ObjectNames.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quenlit {

UrlReplace::UrlReplace(FileTools& tools, MessageSink& messages, QWidget* parent)
    : QDialog(parent)
    , Text1(new QLineEdit(this))
    , Text2(new QLineEdit(this))
    , Command1(new QPushButton(QStringLiteral("替换"), this))
    , Command2(new QPushButton(QStringLiteral("取消"), this))
    , m_tools(tools)
    , m_messages(messages) {
    setObjectName(QStringLiteral("UrlReplace"));
    setWindowTitle(QStringLiteral("网址批量替换"));
    setModal(true);
    NameObjects(
        {{Text1, "Text1"}, {Text2, "Text2"}, {Command1, "Command1"}, {Command2, "Command2"}});
    Text1->setMinimumWidth(420);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("所有网址中的字符串："), this));
    layout->addWidget(Text1);
    layout->addWidget(new QLabel(QStringLiteral("将被全部替换为字符串："), this));
    layout->addWidget(Text2);
    layout->addLayout(buttons);

    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &UrlReplace::replace);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}

void UrlReplace::replace() {
    if (Text1->text().trimmed().isEmpty()) {
        m_messages.showMessage(QStringLiteral("请输入字符串！"), MessageIcon::Error);
        return;
    }
    // Matched as typed, spaces included.
    const ReplaceOutcome outcome = m_tools.replaceAddresses(Text1->text(), Text2->text());
    accept();
    QString text = QStringLiteral("全部网址替换完成！");
    if (outcome.clashes > 0)
        text += QStringLiteral("\n有%1个网址替换后与列表中已有的网址相同，保持原样。")
                    .arg(outcome.clashes);
    m_messages.showMessage(text, MessageIcon::Information);
}

} // namespace quenlit
