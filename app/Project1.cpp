#include <memory>

#include "Unit1.h"
#include "vcl.h"

int LinkwartMain(const std::string& socketsLibrary) {
    TApplication& application = TApplication::Instance();
    application.Initialize();
    application.SetTitle("Linkwart");
    application.SetMainForm(std::make_unique<TForm1>(socketsLibrary));
    return application.Run();
}
