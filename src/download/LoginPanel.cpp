#include "LoginPanel.h"

#include "AppContext.h"
#include "Browser.h"
#include "ClockTimer.h"
#include "HtmlDocument.h"
#include "MessageSink.h"
#include "ObjectNames.h"
#include "WebLogin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quenlit {

namespace {
constexpr int ReloadMs = 60000;
const QString BlankPage = u"about:blank"_qs;
} // namespace

LoginPanel::LoginPanel(AppContext& context, QWidget* parent)
    : QFrame(parent)
    , Text1(new QLineEdit(this))
    , Command2(new QPushButton(u"浏览"_qs, this))
    , Option4(new QRadioButton(u"帐号登录："_qs, this))
    , Text2(new QLineEdit(this))
    , Text3(new QLineEdit(this))
    , Option5(new QRadioButton(u"IP登录"_qs, this))
    , Check2(new QCheckBox(u"自动登录"_qs, this))
    , Combo3(new QComboBox(this))
    , Command5(new QPushButton(u"测试登录"_qs, this))
    , Check1(new QCheckBox(u"自动刷新(每分钟)"_qs, this))
    , Command3(new QPushButton(u"关闭(隐藏)"_qs, this))
    , Timer2(new ClockTimer(context.clock, ReloadMs, this))
    , m_context(context)
    , m_scope(context.clock) {
    setObjectName(u"PicWebBK"_qs);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    Option4->setChecked(true);
    Text3->setEchoMode(QLineEdit::Password);
    Combo3->addItem(u"下载到网页文件(htm/html/asp)文件"_qs);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(u"网址："_qs, this), 0, 0);
    fields->addWidget(Text1, 0, 1, 1, 3);
    fields->addWidget(Command2, 0, 4);
    fields->addWidget(Option4, 1, 0);
    fields->addWidget(Text2, 1, 1);
    fields->addWidget(new QLabel(u"密码："_qs, this), 1, 2);
    fields->addWidget(Text3, 1, 3);
    fields->addWidget(Option5, 1, 4);
    auto* rules = new QHBoxLayout;
    rules->addWidget(Check2);
    rules->addWidget(new QLabel(u"自动登录条件："_qs, this));
    rules->addWidget(Combo3);
    rules->addWidget(Command5);
    rules->addWidget(Check1);
    rules->addStretch();
    rules->addWidget(Command3);

    auto* browserHolder = new QWidget(this);
    auto* holderLayout = new QVBoxLayout(browserHolder);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    browserHolder->setMinimumHeight(160);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(rules);
    layout->addWidget(browserHolder, 1);

    Web1 = context.createBrowser(browserHolder);
    Web1->setParent(this);
    Web1->setSilent(true);
    m_login = std::make_unique<WebLogin>(*Web1, m_scope, context.messages);

    NameObjects({{Text1, "Text1"},
                 {Command2, "Command2"},
                 {Option4, "Option4"},
                 {Text2, "Text2"},
                 {Text3, "Text3"},
                 {Option5, "Option5"},
                 {Check2, "Check2"},
                 {Combo3, "Combo3"},
                 {Command5, "Command5"},
                 {Check1, "Check1"},
                 {Command3, "Command3"}});
    Timer2->setObjectName(u"Timer2"_qs);

    for (QLineEdit* field : {Text1, Text2, Text3})
        connect(field, &QLineEdit::textChanged, this, &LoginPanel::syncFields);
    for (QRadioButton* option : {Option4, Option5})
        connect(option, &QRadioButton::toggled, this, &LoginPanel::syncFields);
    syncFields();

    WebLogin* login = m_login.get();
    connect(login, &WebLogin::browseEnabledChanged, Command2, &QPushButton::setEnabled);
    connect(login, &WebLogin::loginEnabledChanged, Command5, &QPushButton::setEnabled);
    connect(login, &WebLogin::autoLoginRefused, Check2, [this] { Check2->setChecked(false); });
    connect(Command2, &QPushButton::clicked, this,
            [this] { m_scope.start([this] { return m_login->browse(); }); });
    connect(Command5, &QPushButton::clicked, this, [this] { startLogin(true); });
    // clicked, not toggled: unticking by the program must not ask again.
    connect(Check2, &QCheckBox::clicked, this, [this](bool ticked) {
        if (ticked)
            m_login->allowAutoLogin();
    });
    connect(Check1, &QCheckBox::toggled, Timer2, &ClockTimer::setEnabled);
    connect(Timer2, &ClockTimer::timeout, this, [this] {
        const std::shared_ptr<const HtmlDocument> page = Web1->Document();
        if (page && !page->URL().isEmpty())
            Web1->Navigate(page->URL());
    });
    connect(Command3, &QPushButton::clicked, this, [this] {
        hide();
        if (!Check1->isChecked())
            Web1->Navigate(BlankPage);
    });
    connect(Web1, &Browser::TitleChange, this, [this](const QString& title) {
        if (title.trimmed().toLower() != BlankPage)
            emit titleChanged(title);
    });

    Web1->Navigate(BlankPage);
    hide();
}

LoginPanel::~LoginPanel() {
    // The login's frames end before the browser and the login they use.
    m_scope.cancel();
}

void LoginPanel::syncFields() {
    m_login->fields = {Text1->text(), Text2->text(), Text3->text(),
                       Option4->isChecked()   ? LoginFields::Mode::Account
                       : Option5->isChecked() ? LoginFields::Mode::Address
                                              : LoginFields::Mode::None};
}

void LoginPanel::showPanel(const QString& selectedAddress) {
    show();
    raise();
    if (!Check2->isChecked() && !Check1->isChecked() && !selectedAddress.isEmpty()) {
        m_login->startLoading();
        Web1->Navigate(selectedAddress);
    }
}

void LoginPanel::startLogin(bool showMessages) {
    m_scope.start([this, showMessages] { return m_login->autoLogin(showMessages); });
}

void LoginPanel::shutDown() {
    Timer2->stop();
    m_scope.cancel();
}

} // namespace quenlit
