// Writes the panel at the default program, drawn with the module's own pictures, as PNG;
// with "about" after the path, the panel with its About view shown; with "--scale S", the
// panel at that scale, its pictures drawn by the artwork generator as a module draws them.
#include "gui/platform/software/ScaledPictures.h"
#include "resources/generator/PictureDrawer.h"
#include "tests/editor/PanelHarness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    bool about = false, usage = argc < 2;
    float scale = 1.0f;
    for (int i = 2; i < argc && !usage; ++i) {
        if (std::strcmp(argv[i], "about") == 0)
            about = true;
        else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc)
            scale = std::strtof(argv[++i], nullptr);
        else
            usage = true;
    }
    if (usage || !(scale >= 1.0f && scale <= 3.0f)) {
        std::fprintf(stderr, "usage: %s out.png [about] [--scale 1..3]\n", argv[0]);
        return 2;
    }
    zk::gui::platform::software::installPictureDrawer(&zk::artwork::drawPicture);
    zktest::PanelHarness harness(false);
    harness.editor().setScale(scale);
    if (!harness.open()) {
        std::fprintf(stderr, "the panel did not open\n");
        return 1;
    }
    if (about) {
        harness.chooseFromMenu({int32_t(100 * scale), int32_t(340 * scale)}, zk::gui::buttonLeft, 0);
        harness.idle(); // shows the About view
    }
    harness.idle(); // draws
    if (!harness.savePng(argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
