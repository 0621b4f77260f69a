#include "Unit1.h"

#include "Controller.h"
#include "IPHelper.h"
#include "InterfaceLine.h"
#include "NetChecks.h"

namespace {
constexpr unsigned kEchoWaitMs = 1000;
constexpr int kInterfaceThreshold = 3;  // lines that count as several interfaces
constexpr unsigned kBlinkIntervalMs = 400;
constexpr unsigned kStartupScanDelayMs = 1000;
}  // namespace

TForm1::TForm1() : TForm1(std::string()) {}

TForm1::TForm1(const std::string& socketsLibrary)
    : TForm("Form1", "Linkwarter", 241, 321),
      Edit1(*this, "Edit1", {80, 32, 121, 21}, 0),
      Label1(*this, "Label1", {16, 36, 51, 13}, "IP Adresse"),
      Label2(*this, "Label2", {16, 152, 80, 13}, "Windows Treiber"),
      Label3(*this, "Label3", {16, 176, 119, 13}, "Netzwerk angeschlossen"),
      Label4(*this, "Label4", {16, 200, 90, 13}, "Internet verbunden"),
      Label5(*this, "Label5", {16, 224, 69, 13}, "Netzwerk Ping"),
      Button1(*this, "Button1", {8, 280, 225, 33}, "Starten", 1),
      ALed1(*this, "ALed1", 144, 152),
      ALed2(*this, "ALed2", 144, 176),
      ALed3(*this, "ALed3", 144, 200),
      ALed4(*this, "ALed4", 144, 224),
      Label6(*this, "Label6", {8, 8, 221, 13}, "Teste Verbindung zu einem Netzwerk Baustein"),
      Label7(*this, "Label7", {64, 64, 112, 13}, "IP Eingabe ungültig"),
      Label8(*this, "Label8", {16, 248, 88, 13}, "Corvanta Controller"),
      ALed5(*this, "ALed5", 144, 248),
      IdUDPClient80(socketsLibrary),
      Label9(*this, "Label9", {176, 200, 43, 13}, "(optional)"),
      Label10(*this, "Label10", {16, 96, 57, 13}, "Schnittstelle"),
      ALed6(*this, "ALed6", 144, 96),
      Label11(*this, "Label11", {64, 128, 156, 13}, "Paketweiterleitung evtl. unsicher!"),
      Label12(*this, "Label12", {24, 112, 45, 13}, "127.0.0.1") {
    Label7.SetFontStyle(TFontStyle::Bold);
    Label7.SetVisible(false);
    Label9.SetFontColor(clGray);
    Label11.SetFontColor(clGray);
    Label11.SetVisible(false);
    Label12.SetVisible(false);
    ALed6.SetInterval(kBlinkIntervalMs);
    IdUDPClient80.SetPort(kControllerPort);

    Edit1.OnChange = [this] { Edit1Change(); };
    Button1.OnClick = [this] { Button1Click(); };
    Timer1.OnTimer = [this] { Timer1Timer(); };
    Timer1.SetInterval(kStartupScanDelayMs);
    Timer1.SetEnabled(true);
}

void TForm1::ResetIndicators() {
    for (TALed* led : {&ALed1, &ALed2, &ALed3, &ALed4, &ALed5}) led->SetValue(false);
    // ALed3 never turns red, so its colour never needs restoring.
    for (TALed* led : {&ALed1, &ALed2, &ALed4, &ALed5}) led->SetTrueColor(clLime);
}

void TForm1::Edit1Change() {
    ResetIndicators();
    Label7.SetVisible(false);
}

void TForm1::Button1Click() {
    ResetIndicators();
    Timer1Timer();

    Label7.SetVisible(!IsValidIP(Edit1.Text()));
    if (Label7.Visible()) return;

    IdUDPClient80.SetActive(true);

    // Each lamp shows its verdict as soon as its check returns.
    ALed1.SetValue(IsWinsockReady());
    ALed2.SetValue(IsNetworkPresent());
    ALed3.SetValue(IsInternetConnected());
    ALed4.SetValue(PingHost(Edit1.Text(), kEchoWaitMs));

    // The Internet check is optional: it stays off instead of turning red.
    for (TALed* led : {&ALed1, &ALed2, &ALed4}) {
        if (!led->Value()) {
            led->SetTrueColor(clRed);
            led->SetValue(true);
        }
    }

    QueryController(IdUDPClient80, ALed5, Edit1.Text());

    IdUDPClient80.SetActive(false);
}

void TForm1::Timer1Timer() {
    // The timer's work is done once: the scan runs again only with each run.
    Timer1.SetEnabled(false);

    TStringList lines;
    ListIpAddrTable(&lines);

    if (lines.Count() >= kInterfaceThreshold) {
        Label10.SetCaption("Mehrfachschnittstellen");
        ALed6.SetBlink(true);
        ALed6.SetTrueColor(clRed);
        ALed6.SetValue(true);
        Label11.SetVisible(true);
    } else {
        Label10.SetCaption("Schnittstelle");
        ALed6.SetBlink(false);
        ALed6.SetTrueColor(clLime);
        ALed6.SetValue(true);
        Label11.SetVisible(false);
    }

    // Joined first and shown once; with no lines the label keeps its text.
    if (lines.Count() > 0) {
        std::string addresses = AddressOfTableLine(lines[0]);
        for (int i = 1; i < lines.Count(); ++i) {
            addresses += '+';
            addresses += AddressOfTableLine(lines[i]);
        }
        Label12.SetCaption(addresses);
    }
    Label12.SetVisible(true);
}
