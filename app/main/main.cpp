#include "app/ZembroltApp.h"

int main(int argc, char** argv) {
    CZembroltApp app(argc, argv);
    return app.InitInstance();
}
