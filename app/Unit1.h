// The main window: its controls, the test run and the interface display.
#pragma once

#include <string>

#include "IdUDPClient.h"
#include "vcl.h"

class TForm1 : public TForm {
  public:
    TForm1();
    // For tests: the start-up of the datagram client from another library.
    explicit TForm1(const std::string& socketsLibrary);

    // Controls in the order the window declares them.
    TEdit Edit1;
    TLabel Label1;
    TLabel Label2;
    TLabel Label3;
    TLabel Label4;
    TLabel Label5;
    TButton Button1;
    TThemeManager ThemeManager1;
    TALed ALed1;
    TALed ALed2;
    TALed ALed3;
    TALed ALed4;
    TLabel Label6;
    TLabel Label7;
    TLabel Label8;
    TALed ALed5;
    TIdUDPClient IdUDPClient80;
    TLabel Label9;
    TLabel Label10;
    TALed ALed6;
    TLabel Label11;
    TTimer Timer1;
    TLabel Label12;

    void Button1Click();
    void Edit1Change();
    void Timer1Timer();
    void ResetIndicators();
};
