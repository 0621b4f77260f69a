#include "vcl.h"

int main(int argc, char** argv) {
    SetCommandLine(argc, argv);
    return LinkwartMain();
}
