#include <memory>

#include "Unit1.h"
#include "vcl.h"

int LinkwartMain() {
    TApplication& application = TApplication::Instance();
    application.Initialize();
    application.SetTitle("Linkwart");
    application.SetMainForm(std::make_unique<TForm1>());
    return application.Run();
}
