// Writes the panel at the default program, drawn with the module's own pictures, as PNG;
// with "about" after the path, the panel with its About view shown.
#include "tests/editor/PanelHarness.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const bool about = argc == 3 && std::strcmp(argv[2], "about") == 0;
    if (argc != 2 && !about) {
        std::fprintf(stderr, "usage: %s out.png [about]\n", argv[0]);
        return 2;
    }
    zktest::PanelHarness harness(false);
    if (!harness.open()) {
        std::fprintf(stderr, "the panel did not open\n");
        return 1;
    }
    if (about) {
        harness.chooseFromMenu({100, 340}, zk::gui::buttonLeft, 0);
        harness.idle(); // shows the About view
    }
    harness.idle(); // draws
    if (!harness.savePng(argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
