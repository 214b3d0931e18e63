// The download window's web login panel with a fake browser on the virtual clock.
#include "ClockTimer.h"
#include "DownloadList.h"
#include "LoginPanel.h"
#include "TestApp.h"
#include "WebLogin.h"
#include "fFileDownload.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

const char* const LoginPage =
    R"(<form><input name="user"><input name="pass"><input type="submit" value="go"></form>)";

// What the engines see of the window (a private base: only a C-style cast reaches it).
DownloadView& viewOf(fFileDownload& window) {
    return (DownloadView&)window;
}

struct Fixture {
    Fixture() {
        app.context.createBrowser = [this](QWidget*) -> Browser* {
            browser = new FakeBrowser(app.context.clock,
                                      [](const QString&) { return QString::fromUtf8(LoginPage); });
            return browser;
        };
        window = std::make_unique<fFileDownload>(app.context);
        panel = window->PicWebBK;
    }
    TestApp app;
    FakeBrowser* browser = nullptr;
    std::unique_ptr<fFileDownload> window;
    LoginPanel* panel = nullptr;
};

} // namespace

class tst_loginpanel : public QObject {
    Q_OBJECT
private slots:
    void theBrowserStartsSilentAndBlankBehindAHiddenPanel() {
        Fixture f;
        QVERIFY(f.panel->isHidden());
        QCOMPARE(f.panel->Web1, static_cast<Browser*>(f.browser));
        QVERIFY(f.browser->Silent());
        QCOMPARE(f.browser->navigations, QStringList{u"about:blank"_qs});
        QVERIFY(f.panel->Option4->isChecked());
        QVERIFY(!f.panel->Timer2->isActive());
        QCOMPARE(f.panel->Timer2->interval(), 60000);
        QCOMPARE(f.window->Command1->text(), u"网页登录"_qs);
    }

    void webLoginShowsTheSelectedRowUnlessAPageIsKept_data() {
        QTest::addColumn<bool>("autoLogin");
        QTest::addColumn<bool>("reload");
        QTest::addColumn<bool>("selectRow");
        QTest::addColumn<bool>("loads");
        QTest::newRow("selected row") << false << false << true << true;
        QTest::newRow("nothing selected") << false << false << false << false;
        QTest::newRow("automatic login keeps its page") << true << false << true << false;
        QTest::newRow("reload keeps its page") << false << true << true << false;
    }
    void webLoginShowsTheSelectedRowUnlessAPageIsKept() {
        QFETCH(bool, autoLogin);
        QFETCH(bool, reload);
        QFETCH(bool, selectRow);
        QFETCH(bool, loads);
        Fixture f;
        f.window->list().append(u"http://h/a.pdf|http://mirror/a.pdf"_qs, u"a"_qs);
        if (selectRow)
            f.window->ListView3->setCurrentIndex(f.window->list().index(0, 0));
        f.panel->Check2->setChecked(autoLogin);
        f.panel->Check1->setChecked(reload);
        f.browser->navigations.clear();
        f.window->Command1->click();
        QVERIFY(!f.panel->isHidden());
        QCOMPARE(f.browser->navigations, loads ? QStringList{u"http://h/a.pdf"_qs} : QStringList());
    }

    void tickingAutomaticLoginWithoutAnAddressUnticksIt() {
        Fixture f;
        f.panel->Check2->click();
        QVERIFY(!f.panel->Check2->isChecked());
        QCOMPARE(f.app.messages.texts(), QStringList{u"必须先设置登录网址！"_qs});
        QVERIFY(!viewOf(*f.window).autoLoginTicked());

        f.app.messages.messages.clear();
        f.panel->Text1->setText(u"http://site/login"_qs);
        f.panel->Check2->click();
        QCOMPARE(f.app.messages.texts(),
                 QStringList{u"帐号登录,必须先设置登录帐号和登录密码！"_qs});
        QVERIFY(!f.panel->Check2->isChecked());

        f.app.messages.messages.clear();
        f.panel->Option5->setChecked(true);
        f.panel->Check2->click();
        QVERIFY(f.panel->Check2->isChecked());
        QVERIFY(f.app.messages.messages.isEmpty());
        QVERIFY(viewOf(*f.window).autoLoginTicked());
    }

    void testLoginRunsOnceAndComesBack() {
        Fixture f;
        f.panel->Text1->setText(u" http://site/login "_qs);
        f.panel->Text2->setText(u"alice"_qs);
        f.panel->Text3->setText(u"s3cret"_qs);
        f.browser->navigations.clear();
        f.panel->Command5->click();
        QVERIFY(!f.panel->Command5->isEnabled());
        QVERIFY(!f.panel->Command2->isEnabled());
        // The engines' automatic login meanwhile does nothing.
        viewOf(*f.window).autoLogin();
        f.app.clock.advance(1000);
        QVERIFY(f.panel->Command2->isEnabled());
        QCOMPARE(f.browser->navigations, QStringList{u"http://site/login"_qs});
        QCOMPARE(f.browser->valuesSet.size(), 2);
        QCOMPARE(f.browser->valuesSet.at(0).second, u"alice"_qs);
        QCOMPARE(f.browser->valuesSet.at(1).second, u"s3cret"_qs);
        QCOMPARE(f.browser->clickTimes.size(), 1);
        // The press loads nothing here: its wait runs out after 10 s, then the pause.
        f.app.clock.advance(13000);
        QVERIFY(!f.panel->Command5->isEnabled());
        f.app.clock.advance(2500);
        QVERIFY(f.panel->Command5->isEnabled());
        QVERIFY(f.app.messages.messages.isEmpty());
    }

    void browseLoadsTheAddress() {
        Fixture f;
        f.panel->Text1->setText(u"http://site/login"_qs);
        f.browser->navigations.clear();
        f.panel->Command2->click();
        QVERIFY(!f.panel->Command2->isEnabled());
        f.app.clock.advance(300);
        QVERIFY(f.panel->Command2->isEnabled());
        QCOMPARE(f.browser->navigations, QStringList{u"http://site/login"_qs});
    }

    void reloadEveryMinuteWhileTicked() {
        Fixture f;
        f.panel->Text1->setText(u"http://site/login"_qs);
        f.panel->Command2->click();
        f.app.clock.advance(300);
        f.browser->navigations.clear();
        f.panel->Check1->setChecked(true);
        QVERIFY(f.panel->Timer2->isActive());
        f.app.clock.advance(59000);
        QVERIFY(f.browser->navigations.isEmpty());
        f.app.clock.advance(1500);
        QCOMPARE(f.browser->navigations, QStringList{u"http://site/login"_qs});
        f.app.clock.advance(60000);
        QCOMPARE(f.browser->navigations.size(), 2);
        f.panel->Check1->setChecked(false);
        QVERIFY(!f.panel->Timer2->isActive());
        f.app.clock.advance(120000);
        QCOMPARE(f.browser->navigations.size(), 2);
    }

    void hidingBlanksThePageUnlessItIsReloaded_data() {
        QTest::addColumn<bool>("reload");
        QTest::newRow("no reload") << false;
        QTest::newRow("reload") << true;
    }
    void hidingBlanksThePageUnlessItIsReloaded() {
        QFETCH(bool, reload);
        Fixture f;
        f.window->Command1->click();
        f.panel->Check1->setChecked(reload);
        f.browser->navigations.clear();
        f.panel->Command3->click();
        QVERIFY(f.panel->isHidden());
        QCOMPARE(f.browser->navigations, reload ? QStringList() : QStringList{u"about:blank"_qs});
    }

    void theTitleGoesToTheStatusBar() {
        Fixture f;
        emit f.browser->TitleChange(u"登录 - site"_qs);
        QCOMPARE(f.window->statusPanels[2]->text(), u"登录 - site"_qs);
        emit f.browser->TitleChange(u" About:Blank "_qs);
        QCOMPARE(f.window->statusPanels[2]->text(), u"登录 - site"_qs);
    }

    void closingTheWindowEndsARunningLogin() {
        Fixture f;
        f.panel->Text1->setText(u"http://site/login"_qs);
        f.panel->Option5->setChecked(true);
        f.browser->hanging.insert(u"http://site/login"_qs);
        f.panel->Command5->click();
        f.panel->Check1->setChecked(true);
        f.app.clock.advance(500);
        QVERIFY(WorkScope::suspendedWaits() > 0);
        QVERIFY(f.window->close());
        QVERIFY(!f.panel->Timer2->isActive());
        f.app.clock.runPending();
        QCOMPARE(WorkScope::suspendedWaits(), 0);
        QCOMPARE(WorkScope::liveRuns(), 0);
        QVERIFY(f.panel->Command5->isEnabled());
    }
};

QTEST_MAIN(tst_loginpanel)
#include "tst_loginpanel.moc"
