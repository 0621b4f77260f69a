// The lamp's behaviours: every change drawn at once, blinking on the timer.
#include <QElapsedTimer>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

#include "gui_support.h"
#include "vcl.h"

namespace {
class LampForm : public TForm {
  public:
    LampForm() : TForm("LampForm", "Lampentest", 100, 40), Led(*this, "Led", 8, 8) {}
    TALed Led;
};
}  // namespace

class LampTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        form = std::make_unique<LampForm>();
        form->Show();
        QVERIFY(QTest::qWaitForWindowExposed(WindowOf(*form)));
        recorder = std::make_unique<PaintRecorder>(*form, false);
    }
    void cleanup() {
        recorder.reset();
        form.reset();
    }

    void startsOffInSilverWithTheDefaults() {
        const TALed& led = form->Led;
        QCOMPARE(led.Value(), false);
        QCOMPARE(led.TrueColor(), clLime);
        QCOMPARE(led.FalseColor(), clSilver);
        QCOMPARE(led.Blink(), false);
        QCOMPARE(led.Interval(), 1000u);
        QCOMPARE(led.ShownColor(), clSilver);
        QCOMPARE(led.BoundsRect(), (TRect{8, 8, 22, 14}));
    }

    // Each change is painted before the setter returns, so a busy handler
    // shows it; setting the value it already has paints nothing.
    void changesAreDrawnAtOnce_data() {
        QTest::addColumn<int>("step");
        QTest::newRow("on") << 0;
        QTest::newRow("on again") << 1;
        QTest::newRow("red while on") << 2;
        QTest::newRow("off") << 3;
        QTest::newRow("off again") << 4;
        QTest::newRow("colour while off") << 5;
    }
    void changesAreDrawnAtOnce() {
        QFETCH(int, step);
        struct Step {
            std::function<void(TALed&)> change;
            std::optional<QColor> painted;  // nothing when no paint is due
        };
        const Step steps[] = {
            {[](TALed& l) { l.SetValue(true); }, kGreen},
            {[](TALed& l) {
                 l.SetValue(true);
                 l.SetValue(true);
             },
             kGreen},
            {[](TALed& l) {
                 l.SetValue(true);
                 l.SetTrueColor(clRed);
             },
             kRed},
            {[](TALed& l) {
                 l.SetValue(true);
                 l.SetValue(false);
             },
             kSilver},
            {[](TALed& l) { l.SetValue(false); }, std::nullopt},
            {[](TALed& l) { l.SetTrueColor(clRed); }, kSilver},
        };
        steps[step].change(form->Led);
        // No event processing between the change and this check.
        if (steps[step].painted) {
            QVERIFY(!recorder->paints.isEmpty());
            QCOMPARE(recorder->paints.last().color, *steps[step].painted);
        } else {
            QVERIFY(recorder->paints.isEmpty());
        }
        if (step == 1) QCOMPARE(recorder->paints.size(), 1);
    }

    void blinksEveryIntervalAndStopsWhenSwitchedOff() {
        TALed& led = form->Led;
        led.SetInterval(400);
        led.SetBlink(true);
        led.SetTrueColor(clRed);
        led.SetValue(true);
        QCOMPARE(led.ShownColor(), clRed);
        QVERIFY(led.Blinking());
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(led.ShownColor(), clSilver, 1000);
        const qint64 firstSwitch = clock.elapsed();
        QVERIFY2(firstSwitch >= 300, qPrintable(QString::number(firstSwitch)));
        QTRY_COMPARE_WITH_TIMEOUT(led.ShownColor(), clRed, 1000);
        led.SetValue(false);
        QCOMPARE(led.ShownColor(), clSilver);
        QVERIFY(!led.Blinking());
        QTest::qWait(500);
        QCOMPARE(led.ShownColor(), clSilver);
    }

    void blinkAndColourChangesRestartTheAlternationInTheirState() {
        TALed& led = form->Led;
        led.SetInterval(200);
        led.SetValue(true);
        QVERIFY(!led.Blinking());
        led.SetBlink(true);  // turning blink on while on starts the alternation
        QVERIFY(led.Blinking());
        QTRY_COMPARE_WITH_TIMEOUT(led.ShownColor(), clSilver, 1000);
        led.SetTrueColor(clRed);  // restarts with the on-colour, drawn at once
        QCOMPARE(led.ShownColor(), clRed);
        QCOMPARE(recorder->paints.last().color, kRed);
        QTRY_COMPARE_WITH_TIMEOUT(led.ShownColor(), clSilver, 1000);
        led.SetBlink(false);  // turning it off stops it, steady on
        QCOMPARE(led.ShownColor(), clRed);
        QVERIFY(!led.Blinking());
        QTest::qWait(450);
        QCOMPARE(led.ShownColor(), clRed);
    }

    void blinkSetWhileOffWaitsForTheLampToGoOn() {
        TALed& led = form->Led;
        led.SetBlink(true);
        QVERIFY(!led.Blinking());
        QCOMPARE(led.ShownColor(), clSilver);
        led.SetValue(true);
        QVERIFY(led.Blinking());
    }

  private:
    std::unique_ptr<LampForm> form;
    std::unique_ptr<PaintRecorder> recorder;
};

QTEST_MAIN(LampTest)
#include "lamp_test.moc"
