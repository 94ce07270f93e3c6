#include "hotkey/HotKeyWatcher.h"

int main(int argc, char** argv) {
    return RunWatcherProgram(argc, argv);
}
