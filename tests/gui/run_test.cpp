// The test run and the interface display, with the fake system layer.
#include <QElapsedTimer>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "Unit1.h"
#include "fake_os.h"
#include "gui_support.h"

namespace {
using Paint = PaintRecorder::Paint;
const std::vector<os::MIB_IPADDRROW> kLoopbackOnly = {os::fake::Row(1, "127.0.0.1", "255.0.0.0")};
}  // namespace

class RunTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        os::fake::Reset();
        os::fake::Current().table.rows = kLoopbackOnly;
        form = std::make_unique<TForm1>();
        form->IdUDPClient80.SetPort(UnusedLoopbackPort());
        form->Show();
        QVERIFY(QTest::qWaitForWindowExposed(WindowOf(*form)));
        recorder = std::make_unique<PaintRecorder>(*form);
    }
    void cleanup() {
        recorder.reset();
        form.reset();
    }

    // Lamps come on one by one, each as its check returns, then the failed
    // ones turn red in the order 1, 2, 4; the Internet lamp never turns red.
    void lampsChangeInTheOrderOfTheStages_data() {
        QTest::addColumn<bool>("pass");
        QTest::newRow("all checks pass") << true;
        QTest::newRow("all checks fail") << false;
    }
    void lampsChangeInTheOrderOfTheStages() {
        QFETCH(bool, pass);
        auto& system = os::fake::Current();
        system.wsaStartupResult = pass ? 0 : os::WSASYSNOTREADY;
        system.systemMetricsNetwork = pass ? 1 : 0;
        system.internetConnected = pass ? 1 : 0;
        system.icmp.replies = pass ? 1 : 0;
        // While the echo is out, the first three lamps already show.
        std::vector<TColor> duringEcho;
        system.icmp.onSend = [&] {
            duringEcho = {form->ALed1.ShownColor(), form->ALed2.ShownColor(),
                          form->ALed3.ShownColor(), form->ALed4.ShownColor()};
        };
        form->Edit1.SetText("127.0.0.1");
        recorder->paints.clear();
        form->Button1Click();

        QVector<Paint> expected;
        if (pass) {
            expected = {{"ALed6", kGreen},
                        {"ALed1", kGreen},
                        {"ALed2", kGreen},
                        {"ALed3", kGreen},
                        {"ALed4", kGreen}};
            QCOMPARE(duringEcho, (std::vector<TColor>{clLime, clLime, clLime, clSilver}));
        } else {
            expected = {{"ALed6", kGreen}, {"ALed1", kRed}, {"ALed2", kRed}, {"ALed4", kRed}};
            QCOMPARE(duringEcho, (std::vector<TColor>{clSilver, clSilver, clSilver, clSilver}));
        }
        // The controller lamp comes last: red, since nothing listens there.
        expected.push_back({"ALed5", kRed});
        QCOMPARE(recorder->paints, expected);
        QCOMPARE(form->ALed3.ShownColor(), pass ? clLime : clSilver);
        QVERIFY(!form->Label7.Visible());
        QVERIFY(!form->IdUDPClient80.Active());
    }

    void secondRunStartsFromOffAndGivesTheSameLamps() {
        form->Edit1.SetText("127.0.0.1");
        form->Button1Click();
        const std::vector<TColor> first = Shown();
        recorder->paints.clear();
        form->Button1Click();
        QCOMPARE(Shown(), first);
        // Reset first: every lamp that was on goes silver before anything else.
        QVector<Paint> resets(recorder->paints.begin(), recorder->paints.begin() + 5);
        for (const Paint& p : resets) QCOMPARE(p.color, kSilver);
    }

    // A text that is no address ends the run at the address check: the
    // warning shows, nothing is sent, no check lamp changes.
    void invalidAddressEndsTheRun_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("group above 255") << QByteArray("192.168.0.256");
        QTest::newRow("blanks") << QByteArray(" 127.0.0.1 ");
        QTest::newRow("umlaut") << QByteArray("127.0.0.ä");
        QTest::newRow("control characters") << QByteArray("127.0.0.1\t\x01");
        QTest::newRow("10,000 characters") << QByteArray(10000, '7');
        QTest::newRow("letters") << QByteArray("localhost");
    }
    void invalidAddressEndsTheRun() {
        QFETCH(QByteArray, text);
        form->Edit1.SetText(text.toStdString());
        recorder->paints.clear();
        form->Button1Click();
        QVERIFY(form->Label7.Visible());
        QCOMPARE(os::fake::Current().icmpCreateCalls, 0);
        QVERIFY(os::fake::Current().echoDestinations.empty());
        QVERIFY(!form->IdUDPClient80.Active());
        for (TALed* led : {&form->ALed1, &form->ALed2, &form->ALed3, &form->ALed4, &form->ALed5})
            QCOMPARE(led->ShownColor(), clSilver);
        // The interface display still refreshed: it comes before the check.
        QVERIFY(form->Label12.Visible());
        QVERIFY(form->ALed6.Value());
    }

    void interfaceDisplayFollowsTheNumberOfLines_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("warning");
        QTest::addColumn<QString>("addresses");
        QTest::newRow("loopback only") << 1 << "Schnittstelle" << false << "127.0.0.1";
        QTest::newRow("two") << 2 << "Schnittstelle" << false << "127.0.0.1+198.18.0.1";
        QTest::newRow("three") << 3 << "Mehrfachschnittstellen" << true
                               << "127.0.0.1+198.18.0.1+198.18.0.2";
    }
    void interfaceDisplayFollowsTheNumberOfLines() {
        QFETCH(int, rows);
        QFETCH(QString, caption);
        QFETCH(bool, warning);
        QFETCH(QString, addresses);
        auto& table = os::fake::Current().table.rows;
        table = kLoopbackOnly;
        for (int i = 1; i < rows; ++i)
            table.push_back(os::fake::Row(i + 1, ("198.18.0." + std::to_string(i)).c_str()));
        form->Timer1Timer();
        QCOMPARE(QString::fromStdString(form->Label10.Caption()), caption);
        QCOMPARE(form->Label11.Visible(), warning);
        QCOMPARE(QString::fromStdString(form->Label12.Caption()), addresses);
        QVERIFY(form->Label12.Visible());
        QVERIFY(form->ALed6.Value());
        QCOMPARE(form->ALed6.Blink(), warning);
        QCOMPARE(form->ALed6.TrueColor(), warning ? clRed : clLime);
        QCOMPARE(form->ALed6.Blinking(), warning);
        if (warning) {
            QTRY_COMPARE_WITH_TIMEOUT(form->ALed6.ShownColor(), clSilver, 800);
            QTRY_COMPARE_WITH_TIMEOUT(form->ALed6.ShownColor(), clRed, 800);
        }
        // Back to one line: the warning goes, the lamp turns steady green.
        table = kLoopbackOnly;
        form->Timer1Timer();
        QCOMPARE(form->Label10.Caption(), std::string("Schnittstelle"));
        QVERIFY(!form->Label11.Visible());
        QVERIFY(!form->ALed6.Blinking());
        QCOMPARE(form->ALed6.ShownColor(), clLime);
    }

    void tableWithoutAddressesStillShowsTheDisplay() {
        auto& system = os::fake::Current();
        system.table.rows.clear();  // "no entries."
        form->Timer1Timer();
        QCOMPARE(form->Label12.Caption(), std::string());
        QVERIFY(form->Label12.Visible());
        QCOMPARE(form->Label10.Caption(), std::string("Schnittstelle"));

        // No lines at all (the size query fails): the label keeps its text.
        os::fake::Reset();
        auto fresh = std::make_unique<TForm1>();
        os::fake::Current().table.firstResult = os::ERROR_NOT_SUPPORTED;
        fresh->Timer1Timer();
        QCOMPARE(fresh->Label12.Caption(), std::string("127.0.0.1"));
        QVERIFY(fresh->Label12.Visible());
        QVERIFY(fresh->ALed6.Value());
    }

    // The timer scans once, a second after start-up; an address change shows
    // only at the next run.
    void timerScansOnceAfterOneSecond() {
        auto& system = os::fake::Current();
        QVERIFY(form->Timer1.Enabled());
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(form->Label12.Visible(), 2000);
        QVERIFY2(clock.elapsed() >= 800, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!form->Timer1.Enabled());
        QCOMPARE(system.tableQueries, 2);
        system.table.rows.push_back(os::fake::Row(2, "198.18.0.1"));
        QTest::qWait(1500);
        QCOMPARE(system.tableQueries, 2);
        QCOMPARE(form->Label12.Caption(), std::string("127.0.0.1"));
        form->Edit1.SetText("x");
        form->Button1Click();
        QCOMPARE(form->Label12.Caption(), std::string("127.0.0.1+198.18.0.1"));
    }

    void runInTheFirstSecondDoesTheFirstScan() {
        auto& system = os::fake::Current();
        form->Button1Click();  // empty address: stops at the address check
        QCOMPARE(system.tableQueries, 2);
        QVERIFY(!form->Timer1.Enabled());
        QTest::qWait(1500);
        QCOMPARE(system.tableQueries, 2);
    }

    void manyAddressesRunPastTheWindowEdgeUnwrapped() {
        auto& table = os::fake::Current().table.rows;
        for (int i = 1; i <= 40; ++i)
            table.push_back(os::fake::Row(i + 1, ("198.18.1." + std::to_string(i)).c_str()));
        form->Timer1Timer();
        QCOMPARE(form->Label12.BoundsRect().Height, 13);
        QVERIFY(form->Label12.BoundsRect().Width > form->ClientWidth());
        QCOMPARE(form->ClientWidth(), 241);
    }

  private:
    std::vector<TColor> Shown() const {
        return {form->ALed1.ShownColor(), form->ALed2.ShownColor(), form->ALed3.ShownColor(),
                form->ALed4.ShownColor(), form->ALed5.ShownColor()};
    }
    std::unique_ptr<TForm1> form;
    std::unique_ptr<PaintRecorder> recorder;
};

QTEST_MAIN(RunTest)
#include "run_test.moc"
