#pragma once

#include "WorkScope.h"

#include <QFrame>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quenlit {

class Browser;
class ClockTimer;
class WebLogin;
struct AppContext;

// The download window's web login panel: the login address and account, its own browser on
// the program's profile, and the login that runs in it.
class LoginPanel : public QFrame {
    Q_OBJECT
public:
    LoginPanel(AppContext& context, QWidget* parent);
    ~LoginPanel() override;

    QLineEdit* Text1;      // login address
    QPushButton* Command2; // "浏览"
    QRadioButton* Option4; // account login
    QLineEdit* Text2;      // account
    QLineEdit* Text3;      // password
    QRadioButton* Option5; // address login
    QCheckBox* Check2;     // automatic login
    QComboBox* Combo3;
    QPushButton* Command5; // "测试登录"
    QCheckBox* Check1;     // reload every minute
    QPushButton* Command3; // "关闭(隐藏)"
    ClockTimer* Timer2;
    Browser* Web1 = nullptr;

    WebLogin& login() { return *m_login; }
    // "网页登录": shows the panel, and the selected row's address when nothing keeps a page.
    void showPanel(const QString& selectedAddress);
    // Starts a login on the panel's work scope; a login already running makes it do nothing.
    void startLogin(bool showMessages);
    // The window closes: the reload stops and a running login ends.
    void shutDown();

signals:
    // The title of the panel's page, for the status bar.
    void titleChanged(const QString& title);

private:
    void syncFields();

    AppContext& m_context;
    WorkScope m_scope;
    std::unique_ptr<WebLogin> m_login;
};

} // namespace quenlit
