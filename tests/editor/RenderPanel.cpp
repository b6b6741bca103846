// Writes the panel at the default program, drawn with the module's own pictures, as PNG;
// with "about" after the path, the panel with its About view shown; with "--scale S", the
// panel at that scale, its pictures drawn by the artwork generator as a module draws them.
// "zk_render_panel --controls [--scale S]" prints the controls' places at that scale instead,
// for the checks that work the panel with the pointer: one line "KIND TAG LEFT TOP WIDTH HEIGHT"
// each, in pixels of the panel, KIND being knob, button, lamp, hslider or vslider.
// "zk_render_panel --text-areas [--scale S]" prints where the background picture drawn at
// that scale has printed names: one line "LEFT TOP RIGHT BOTTOM" each.
// "zk_render_panel --about-text" prints the About page's version line.
#include "editor/PanelScale.h"
#include "gui/platform/software/ScaledPictures.h"
#include "resources/generator/PanelArtwork.h"
#include "resources/generator/PictureDrawer.h"
#include "tests/editor/PanelHarness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* kindName(zk::panel::ControlKind kind) {
    using Kind = zk::panel::ControlKind;
    switch (kind) {
    case Kind::knob: return "knob";
    case Kind::button: return "button";
    case Kind::lamp: return "lamp";
    case Kind::horizontalSlider: return "hslider";
    case Kind::verticalSlider: return "vslider";
    }
    return "unknown";
}

void printControls(float scale) {
    for (const zk::panel::ControlPlace& control : zk::panel::kControls) {
        const zk::panel::ControlPlace p = zk::panel::scaledPlace(control, scale);
        std::printf("%s %d %d %d %d %d\n", kindName(p.kind), int(p.tag), int(p.left), int(p.top), int(p.width),
                    int(p.height));
    }
}

void printTextAreas(float scale) {
    std::vector<zk::gui::Rect> areas;
    zk::artwork::drawBackground(scale, &areas);
    for (const zk::gui::Rect& r : areas)
        std::printf("%d %d %d %d\n", int(r.left), int(r.top), int(r.right), int(r.bottom));
}

} // namespace

int main(int argc, char** argv) {
    const bool controls = argc >= 2 && std::strcmp(argv[1], "--controls") == 0;
    const bool textAreas = argc >= 2 && std::strcmp(argv[1], "--text-areas") == 0;
    const bool aboutText = argc == 2 && std::strcmp(argv[1], "--about-text") == 0;
    bool about = false, usage = argc < 2 || (argv[1][0] == '-' && !controls && !textAreas && !aboutText);
    float scale = 1.0f;
    for (int i = 2; i < argc && !usage; ++i) {
        if (std::strcmp(argv[i], "about") == 0)
            about = true;
        else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc)
            scale = std::strtof(argv[++i], nullptr);
        else
            usage = true;
    }
    if (usage || ((controls || textAreas) && about) || !(scale >= 1.0f && scale <= 3.0f)) {
        std::fprintf(stderr, "usage: %s out.png [about] [--scale 1..3]\n       %s --controls | --text-areas [--scale 1..3]\n"
                     "       %s --about-text\n",
                     argv[0], argv[0], argv[0]);
        return 2;
    }
    if (controls) {
        printControls(scale);
        return 0;
    }
    if (textAreas) {
        printTextAreas(scale);
        return 0;
    }
    zk::gui::platform::software::installPictureDrawer(&zk::artwork::drawPicture);
    zktest::PanelHarness harness(false);
    harness.editor().setScale(scale);
    if (!harness.open()) {
        std::fprintf(stderr, "the panel did not open\n");
        return 1;
    }
    if (aboutText) {
        std::printf("%s\n", harness.editor().versionText());
        return 0;
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
