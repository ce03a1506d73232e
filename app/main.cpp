#include "app/CMarevoxApp.h"

int main(int argc, char** argv) {
    CMarevoxApp app(argc, argv);
    if (!app.Start()) return 1;
    return app.exec();
}
