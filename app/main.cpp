#include "ZazivadeZaz32.h"

int main(int argc, char** argv) {
    CTavroApp app(argc, argv);
    return app.InitInstance() ? CTavroApp::exec() : 0;
}
