// Filling in and submitting a site's login form in the panel's browser, on the virtual clock.
#include "FakeBrowser.h"
#include "RecordingMessageSink.h"
#include "VirtualClock.h"
#include "WebLogin.h"
#include "WorkScope.h"

#include <QSignalSpy>
#include <QTest>

using namespace quenlit;
using namespace quenlit::testing;

namespace {

const QString LoginAddress = u"http://site.test/login"_qs;

QString attributeOf(const ElementLocator& element, const QString& name) {
    for (const auto& [key, value] : element.attributes)
        if (key == name)
            return value;
    return {};
}

const QString sentAddress = u"http://site.test/login?sent"_qs;

// Passes everything on to a fake browser and keeps which elements were clicked.
class ClickRecorder final : public Browser {
    Q_OBJECT
public:
    ClickRecorder(Clock& clock, std::function<QString(const QString&)> pages)
        : fake(clock, std::move(pages)) {
        connect(&fake, &Browser::DocumentComplete, this, &Browser::DocumentComplete);
        connect(&fake, &Browser::pageRead, this, &Browser::pageRead);
        connect(&fake, &Browser::elementActed, this, &Browser::elementActed);
    }
    void Navigate(const QString& address) override { fake.Navigate(address); }
    bool Busy() const override { return fake.Busy(); }
    std::shared_ptr<const HtmlDocument> Document() const override { return fake.Document(); }
    quint64 readPage() override { return fake.readPage(); }
    void setSilent(bool silent) override { fake.setSilent(silent); }
    bool Silent() const override { return fake.Silent(); }
    void GoBack() override {}
    void GoForward() override {}
    quint64 click(const ElementLocator& element) override {
        clicked.append(element);
        const quint64 ticket = fake.click(element);
        // A pressed submit control sends the form: the site answers with a page.
        if (attributeOf(element, u"type"_qs).toLower() == u"submit" ||
            attributeOf(element, u"id"_qs) == u"submitip")
            fake.Navigate(sentAddress);
        return ticket;
    }
    quint64 setValue(const ElementLocator& element, const QString& value) override {
        return fake.setValue(element, value);
    }

    FakeBrowser fake;
    QList<ElementLocator> clicked;
};

struct Fixture {
    explicit Fixture(QString page = {})
        : page(std::move(page)) {
        login.fields = {LoginAddress, u"  alice "_qs, u" s3cret  "_qs, LoginFields::Mode::Account};
        QObject::connect(&login, &WebLogin::loginEnabledChanged, [this](bool enabled) {
            if (enabled)
                enabledAtMs = clock.nowMs();
        });
    }
    void run(bool messages = true) {
        scope.start([this, messages] { return login.autoLogin(messages); });
    }
    // The values set, as "name=value" in the order they were set.
    QStringList valuesSet() const {
        QStringList all;
        for (const auto& [element, value] : browser.fake.valuesSet)
            all.append(attributeOf(element, u"name"_qs) + u'=' + value);
        return all;
    }
    // The value (caption) of each element clicked.
    QStringList clicks() const {
        QStringList all;
        for (const ElementLocator& element : browser.clicked)
            all.append(attributeOf(element, u"value"_qs) + attributeOf(element, u"id"_qs));
        return all;
    }

    QString page;
    qint64 enabledAtMs = -1; // when "测试登录" came back
    VirtualClock clock;
    ClickRecorder browser{clock, [this](const QString&) { return page; }};
    WorkScope scope{clock};
    RecordingMessageSink messages;
    WebLogin login{browser, scope, messages};
};

} // namespace

class tst_weblogin : public QObject {
    Q_OBJECT
private slots:
    void theFormIsFilledAndSubmittedOnlyAfterTwoFields_data() {
        QTest::addColumn<QString>("inputs");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("clicks");
        QTest::newRow("mixed-case names, then submit")
            << uR"(<input name="UserName"><input type="password" name="PassWord">
                   <input type="submit" value="go">)"_qs
            << QStringList{u"UserName=alice"_qs, u"PassWord=s3cret"_qs} << QStringList{u"go"_qs};
        QTest::newRow("submit before the fields is never pressed")
            << uR"(<input type="submit" value="early"><input name="userid"><input name="pass">)"_qs
            << QStringList{u"userid=alice"_qs, u"pass=s3cret"_qs} << QStringList{};
        QTest::newRow("an early submit is passed over, the next one pressed")
            << uR"(<input type="submit" value="search"><input name="useruid">
                   <input name="passwd"><input type="SUBMIT" value="enter">
                   <input type="submit" value="later">)"_qs
            << QStringList{u"useruid=alice"_qs, u"passwd=s3cret"_qs} << QStringList{u"enter"_qs};
        QTest::newRow("two account fields count as two")
            << uR"(<input name="user"><input name="USER"><input type="submit" value="go">)"_qs
            << QStringList{u"user=alice"_qs, u"USER=alice"_qs} << QStringList{u"go"_qs};
        QTest::newRow("one field is not enough")
            << uR"(<input name="username"><input name="code"><input type="submit" value="go">)"_qs
            << QStringList{u"username=alice"_qs} << QStringList{};
        QTest::newRow("a page without known fields")
            << uR"(<input name="q"><input type="submit" value="go">)"_qs << QStringList{}
            << QStringList{};
        QTest::newRow("fields a script would not show are left alone")
            << uR"(<noscript><input name="user"><input name="pass"></noscript>
                   <input type="submit" value="go">)"_qs
            << QStringList{} << QStringList{};
    }
    void theFormIsFilledAndSubmittedOnlyAfterTwoFields() {
        QFETCH(QString, inputs);
        QFETCH(QStringList, values);
        QFETCH(QStringList, clicks);
        Fixture f(u"<html><body><form>"_qs + inputs + u"</form></body></html>"_qs);
        QSignalSpy enabled(&f.login, &WebLogin::loginEnabledChanged);
        f.run();
        QVERIFY(!f.login.loginEnabled());
        f.clock.advance(1000);
        QCOMPARE(f.browser.fake.navigations.first(), LoginAddress);
        QCOMPARE(f.browser.fake.navigations.size(), 1 + clicks.size());
        QCOMPARE(f.valuesSet(), values);
        QCOMPARE(f.clicks(), clicks);
        // The pause after the last page, whatever happened, then the button is back.
        f.clock.advance(6000);
        const qint64 pagesDone = 200 * (1 + clicks.size());
        QVERIFY2(f.enabledAtMs >= pagesDone + 5000 && f.enabledAtMs <= pagesDone + 5150,
                 qPrintable(QString::number(f.enabledAtMs)));
        QCOMPARE(enabled.size(), 2);
        QVERIFY(!f.scope.running());
        QVERIFY(f.messages.messages.isEmpty());
    }

    void theSubmitWaitsForTheNextPage() {
        // The press starts a load that takes 3 s: the pause begins only after it.
        Fixture f(uR"(<form><input name="user"><input name="pass">
                      <input type="submit" value="go"></form>)"_qs);
        f.browser.fake.loadMs = 3000;
        f.run();
        f.clock.advance(2900);
        QVERIFY(f.browser.clicked.isEmpty());
        f.clock.advance(200);
        QCOMPARE(f.browser.clicked.size(), 1);
        f.clock.advance(10000);
        // 3 s for the login page, 3 s for the answer to the form, then the pause.
        QVERIFY2(f.enabledAtMs >= 11000 && f.enabledAtMs <= 11150,
                 qPrintable(QString::number(f.enabledAtMs)));
    }

    void aPressThatLoadsNothingWaitsTenSeconds() {
        Fixture f(uR"(<input name="user"><input name="pass">
                      <input type="button" id="submitip" value="ip">)"_qs);
        f.login.fields.mode = LoginFields::Mode::Address;
        f.browser.fake.hanging.insert(sentAddress);
        f.run();
        f.clock.advance(20000);
        QCOMPARE(f.clicks().size(), 1);
        QVERIFY2(f.enabledAtMs >= 15200 && f.enabledAtMs <= 15350,
                 qPrintable(QString::number(f.enabledAtMs)));
    }

    void aPageThatNeverLoadsEndsAfterTenSeconds() {
        Fixture f(uR"(<input name="user"><input name="pass"><input type="submit">)"_qs);
        f.browser.fake.hanging.insert(LoginAddress);
        f.run();
        QVERIFY(!f.login.browseEnabled());
        f.clock.advance(9900);
        QVERIFY(!f.login.browseEnabled());
        f.clock.advance(200);
        QVERIFY(f.login.browseEnabled());
        f.clock.advance(20000);
        QVERIFY(f.login.loginEnabled());
        QVERIFY(!f.scope.running());
    }

    void addressLoginPressesOnlyTheSubmitIpControl_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("clicks");
        QTest::newRow("present") << uR"(<input name="user"><input name="pass">
                                        <input type="submit" value="go">
                                        <input type="button" id="submitip" value="ip">)"_qs
                                 << QStringList{u"ipsubmitip"_qs};
        QTest::newRow("absent") << uR"(<input name="user"><input name="pass">
                                       <input type="submit" value="go">)"_qs
                                << QStringList{};
    }
    void addressLoginPressesOnlyTheSubmitIpControl() {
        QFETCH(QString, page);
        QFETCH(QStringList, clicks);
        Fixture f(page);
        f.login.fields.account.clear();
        f.login.fields.password.clear();
        f.login.fields.mode = LoginFields::Mode::Address;
        f.run();
        f.clock.advance(1000);
        QVERIFY(f.valuesSet().isEmpty());
        QCOMPARE(f.clicks(), clicks);
        f.clock.advance(5000);
        QVERIFY(f.login.loginEnabled());
        QVERIFY(f.messages.messages.isEmpty());
    }

    void withNeitherOptionOnlyThePageLoads() {
        Fixture f(uR"(<input name="user"><input name="pass"><input type="submit">)"_qs);
        f.login.fields.mode = LoginFields::Mode::None;
        f.run();
        f.clock.advance(6000);
        QCOMPARE(f.browser.fake.navigations.size(), 1);
        QVERIFY(f.valuesSet().isEmpty());
        QVERIFY(f.clicks().isEmpty());
        QVERIFY(f.login.loginEnabled());
    }

    void aSecondCallDuringALoginDoesNothing() {
        Fixture f(uR"(<input name="user"><input name="pass"><input type="submit" value="go">)"_qs);
        f.run(true);
        f.clock.advance(300);
        QCOMPARE(f.clicks(), QStringList{u"go"_qs});
        f.run(false);
        f.run(true);
        f.clock.advance(10);
        QCOMPARE(f.browser.fake.navigations.size(), 2);
        f.clock.advance(6000);
        QCOMPARE(f.browser.fake.navigations.size(), 2);
        QCOMPARE(f.clicks(), QStringList{u"go"_qs});
        QVERIFY(!f.scope.running());
        // Once it has ended, the next call logs in again.
        f.run(false);
        f.clock.advance(6000);
        QCOMPARE(f.browser.fake.navigations.size(), 4);
        QCOMPARE(f.clicks().size(), 2);
    }

    void missingFieldsRefuseWithTheirMessage_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("showMessages");
        QTest::addColumn<QString>("message");
        const int account = int(LoginFields::Mode::Account);
        const int address = int(LoginFields::Mode::Address);
        const QString noAddress = u"必须先设置登录网址！"_qs;
        const QString noAccount = u"帐号登录,必须先设置登录帐号和登录密码！"_qs;
        QTest::newRow("no address")
            << u"   "_qs << u"a"_qs << u"b"_qs << account << true << noAddress;
        QTest::newRow("no address, address login")
            << QString() << QString() << QString() << address << true << noAddress;
        QTest::newRow("no account")
            << LoginAddress << u" "_qs << u"b"_qs << account << true << noAccount;
        QTest::newRow("no password")
            << LoginAddress << u"a"_qs << QString() << account << true << noAccount;
        QTest::newRow("silent") << QString() << u"a"_qs << u"b"_qs << account << false << QString();
        QTest::newRow("silent, no password")
            << LoginAddress << u"a"_qs << QString() << account << false << QString();
    }
    void missingFieldsRefuseWithTheirMessage() {
        QFETCH(QString, address);
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(int, mode);
        QFETCH(bool, showMessages);
        QFETCH(QString, message);
        Fixture f(u"<input name=user><input name=pass><input type=submit>"_qs);
        f.login.fields = {address, account, password, LoginFields::Mode(mode)};
        QSignalSpy refused(&f.login, &WebLogin::autoLoginRefused);
        f.run(showMessages);
        f.clock.advance(6000);
        QCOMPARE(refused.size(), 1);
        QVERIFY(f.browser.fake.navigations.isEmpty());
        QCOMPARE(f.messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(f.messages.messages.first().icon, MessageIcon::Error);
        QVERIFY(f.login.loginEnabled());
        // The same check when the box is ticked.
        f.messages.messages.clear();
        QVERIFY(!f.login.allowAutoLogin());
        QCOMPARE(f.messages.messages.size(), 1);
        QCOMPARE(refused.size(), 2);
    }

    void completeFieldsAllowAutomaticLogins() {
        Fixture f;
        QSignalSpy refused(&f.login, &WebLogin::autoLoginRefused);
        QVERIFY(f.login.allowAutoLogin());
        f.login.fields = {LoginAddress, QString(), QString(), LoginFields::Mode::Address};
        QVERIFY(f.login.allowAutoLogin());
        QVERIFY(refused.isEmpty());
        QVERIFY(f.messages.messages.isEmpty());
    }

    void cancellingEndsTheLoginAtOnce() {
        Fixture f(uR"(<input name="user"><input name="pass"><input type="submit" value="go">)"_qs);
        f.browser.fake.hanging.insert(LoginAddress);
        f.run();
        f.clock.advance(500);
        QVERIFY(f.scope.running());
        f.scope.cancel();
        f.clock.runPending();
        QVERIFY(!f.scope.running());
        QCOMPARE(WorkScope::suspendedWaits(), 0);
        QCOMPARE(WorkScope::liveRuns(), 0);
        QVERIFY(f.login.loginEnabled());
        QVERIFY(f.login.browseEnabled());
    }

    void browseLoadsTheTrimmedAddress() {
        Fixture f(u"<html></html>"_qs);
        f.login.fields.address = u"  "_qs + LoginAddress + u"\t"_qs;
        f.scope.start([&f] { return f.login.browse(); });
        QVERIFY(!f.login.browseEnabled());
        QVERIFY(f.login.loading());
        f.clock.advance(300);
        QVERIFY(!f.login.loading());
        QVERIFY(f.login.browseEnabled());
        QCOMPARE(f.browser.fake.navigations, QStringList{LoginAddress});
        f.login.fields.address = u" "_qs;
        f.scope.start([&f] { return f.login.browse(); });
        f.clock.advance(300);
        QCOMPARE(f.browser.fake.navigations.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_weblogin)
#include "tst_weblogin.moc"
