// The window as the user first sees it, typing into it, and its error box.
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>

#include "Unit1.h"
#include "fake_os.h"
#include "gui_support.h"

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { TApplication::Instance().SetTitle("Linkwart"); }

    void init() {
        os::fake::Reset();
        form = std::make_unique<TForm1>();
        form->IdUDPClient80.SetPort(UnusedLoopbackPort());
        form->Show();
        QVERIFY(QTest::qWaitForWindowExposed(WindowOf(*form)));
        QApplication::setActiveWindow(WindowOf(*form));
    }
    void cleanup() { form.reset(); }

    void controlsSitWhereTheLayoutPutsThem_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        const struct {
            const char* name;
            int left, top, width, height;
        } layout[] = {
            {"Label6", 8, 8, 221, 13},    {"Label1", 16, 36, 51, 13},
            {"Edit1", 80, 32, 121, 21},   {"Label7", 64, 64, 112, 13},
            {"Label10", 16, 96, 57, 13},  {"ALed6", 144, 96, 22, 14},
            {"Label12", 24, 112, 45, 13}, {"Label11", 64, 128, 156, 13},
            {"Label2", 16, 152, 80, 13},  {"ALed1", 144, 152, 22, 14},
            {"Label3", 16, 176, 119, 13}, {"ALed2", 144, 176, 22, 14},
            {"Label4", 16, 200, 90, 13},  {"ALed3", 144, 200, 22, 14},
            {"Label9", 176, 200, 43, 13}, {"Label5", 16, 224, 69, 13},
            {"ALed4", 144, 224, 22, 14},  {"Label8", 16, 248, 88, 13},
            {"ALed5", 144, 248, 22, 14},  {"Button1", 8, 280, 225, 33},
        };
        for (const auto& c : layout)
            QTest::newRow(c.name) << c.name << c.left << c.top << c.width << c.height;
    }
    void controlsSitWhereTheLayoutPutsThem() {
        QFETCH(QString, name);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        const QWidget* widget = WidgetOf(*form, name);
        QVERIFY(widget != nullptr);
        QCOMPARE(widget->geometry(), QRect(left, top, width, height));
        // Every text fits whole into the place the layout gives it.
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text());
            QVERIFY2(needed <= width, qPrintable(QStringLiteral("%1 needs %2 px of %3")
                                                     .arg(label->text())
                                                     .arg(needed)
                                                     .arg(width)));
            QVERIFY(QFontMetrics(label->font()).height() <= height + 1);
        }
    }

    void windowHasItsFixedProperties() {
        QCOMPARE(form->Caption(), std::string("Linkwarter"));
        QCOMPARE(form->ClientWidth(), 241);
        QCOMPARE(form->ClientHeight(), 321);
        QVERIFY(!form->Resizable());
        QVERIFY(!form->HasMaximizeButton());
        QVERIFY(form->HasMinimizeButton());
        QCOMPARE(WindowOf(*form)->font().family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(WindowOf(*form)->font().pixelSize(), 11);
        QVERIFY(!WindowOf(*form)->windowIcon().isNull());
        QCOMPARE(WindowOf(*form)->palette().color(QPalette::Window),
                 WindowOf(*form)->palette().color(QPalette::Button));
    }

    void startsWithEverythingOffAndTheAddressBoxFocused() {
        for (TALed* led :
             {&form->ALed1, &form->ALed2, &form->ALed3, &form->ALed4, &form->ALed5, &form->ALed6}) {
            QVERIFY(!led->Value());
            QCOMPARE(led->ShownColor(), clSilver);
            QVERIFY(!led->Blink());
        }
        QCOMPARE(form->ALed6.Interval(), 400u);
        QCOMPARE(form->ALed1.Interval(), 1000u);
        QVERIFY(!form->Label7.Visible());
        QVERIFY(!form->Label11.Visible());
        QVERIFY(!form->Label12.Visible());
        QCOMPARE(form->Label12.Caption(), std::string("127.0.0.1"));
        QCOMPARE(form->Label7.FontStyle(), TFontStyle::Bold);
        QCOMPARE(form->Label9.FontColor(), clGray);
        QCOMPARE(form->Label11.FontColor(), clGray);
        QCOMPARE(form->Label7.Caption(), std::string("IP Eingabe ungültig"));
        QCOMPARE(form->Edit1.Text(), std::string());
        QTRY_VERIFY(form->Edit1.Focused());
        QCOMPARE(form->Button1.Caption(), std::string("Starten"));
        QVERIFY(!form->Button1.IsDefault());
        QCOMPARE(form->IdUDPClient80.Active(), false);
    }

    // Typing after a run, and clearing the box, put the check lamps back to
    // silver and hide the warning; the interface display stays.
    void editingResetsTheCheckLamps_data() {
        QTest::addColumn<bool>("clearAll");
        QTest::newRow("one more character") << false;
        QTest::newRow("whole address deleted") << true;
    }
    void editingResetsTheCheckLamps() {
        QFETCH(bool, clearAll);
        auto& system = os::fake::Current();
        system.icmp.replies = 0;  // a red lamp to clear
        form->Edit1.SetText("127.0.0.1");
        form->Button1Click();
        QCOMPARE(form->ALed4.ShownColor(), clRed);
        form->Edit1.SetText("1.2.3");
        form->Button1Click();
        QVERIFY(form->Label7.Visible());
        const std::string addresses = form->Label12.Caption();
        const bool interfaceLampOn = form->ALed6.Value();

        auto* edit = static_cast<QLineEdit*>(WidgetOf(*form, "Edit1"));
        form->ALed1.SetValue(true);
        form->ALed4.SetTrueColor(clRed);
        form->ALed4.SetValue(true);
        if (clearAll) {
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            QCOMPARE(form->Edit1.Text(), std::string());
        } else {
            QTest::keyClick(edit, Qt::Key_4);
        }
        for (TALed* led : {&form->ALed1, &form->ALed2, &form->ALed3, &form->ALed4, &form->ALed5}) {
            QVERIFY(!led->Value());
            QCOMPARE(led->ShownColor(), clSilver);
        }
        QCOMPARE(form->ALed4.TrueColor(), clLime);
        QVERIFY(!form->Label7.Visible());
        QCOMPARE(form->Label12.Caption(), addresses);
        QCOMPARE(form->ALed6.Value(), interfaceLampOn);
    }

    void enterInTheAddressBoxStartsNoRun() {
        auto* edit = static_cast<QLineEdit*>(WidgetOf(*form, "Edit1"));
        edit->setFocus();
        QTest::keyClicks(edit, "1.2.3.x");
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Enter);
        QTest::qWait(50);
        QVERIFY(!form->Label7.Visible());
        QCOMPARE(os::fake::Current().tableQueries, 0);
        QVERIFY(os::fake::Current().echoDestinations.empty());
    }

    void errorBoxTextEndsInAFullStopUnlessPunctuated_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Cannot allocate socket"
                               << "Cannot allocate socket.";
        QTest::newRow("full stop") << "Cannot allocate socket."
                                   << "Cannot allocate socket.";
        QTest::newRow("exclamation") << "Achtung!"
                                     << "Achtung!";
        QTest::newRow("parenthesis") << "(WS2_32.DLL)"
                                     << "(WS2_32.DLL)";
        QTest::newRow("blank") << "Ende "
                               << "Ende ";
        QTest::newRow("comma") << "a,"
                               << "a,";
        QTest::newRow("minus") << "a-"
                               << "a-";
        QTest::newRow("slash") << "a/"
                               << "a/.";
        QTest::newRow("digit") << "Socket Error # 10013"
                               << "Socket Error # 10013.";
        QTest::newRow("umlaut") << "ungültig"
                                << "ungültig.";
        QTest::newRow("line break") << "Socket Error # 1\r\nText"
                                    << "Socket Error # 1\r\nText.";
    }
    void errorBoxTextEndsInAFullStopUnlessPunctuated() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(QString::fromStdString(ExceptionMessageText(message.toStdString())), shown);
    }

    // An exception escaping a handler shows the stop box titled "Linkwart";
    // after OK the loop and the window go on.
    void escapingExceptionShowsTheStopBox() {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        form->Button1.OnClick = [] { throw std::runtime_error("Cannot allocate socket"); };
        form->Button1.Click();
        QCOMPARE(title, QStringLiteral("Linkwart"));
        QCOMPARE(text, QStringLiteral("Cannot allocate socket."));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(WindowOf(*form)->isVisible());
    }

  private:
    std::unique_ptr<TForm1> form;
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
