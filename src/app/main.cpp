#include "app/CQAV_VUvuvuApp.h"

int main(int argc, char** argv) {
    torvex::app::CQAV_VUvuvuApp app;
    return app.InitInstance(argc, argv);
}
