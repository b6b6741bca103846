// Draws the panel's pictures from the layout table and writes them as 24-bit BMP files:
//   zk_make_artwork <directory> [--scale S] [--preview <file.png>]
// The files are bmp<id>.bmp for every bitmap resource id of the table, drawn at S pixels
// per panel unit (1 to 3, default 1); the preview is the panel at scale 1.

#include "editor/PanelLayout.h"
#include "gui/platform/software/Bmp.h"
#include "resources/generator/ControlArtwork.h"
#include "resources/generator/PanelArtwork.h"
#include "editor/PanelScale.h"
#include "resources/generator/Preview.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

namespace sw = zk::gui::platform::software;

int main(int argc, char** argv) {
    float scale = 1.0f;
    const char* preview = nullptr;
    bool usage = argc < 2;
    for (int i = 2; i < argc && !usage; i += 2) {
        if (i + 1 >= argc) {
            usage = true;
        } else if (std::strcmp(argv[i], "--scale") == 0) {
            char* end = nullptr;
            scale = std::strtof(argv[i + 1], &end);
            usage = *end != 0 || !(scale >= 1.0f && scale <= 3.0f);
        } else if (std::strcmp(argv[i], "--preview") == 0) {
            preview = argv[i + 1];
        } else {
            usage = true;
        }
    }
    if (usage || (preview && scale != 1.0f)) {
        std::fprintf(stderr, "usage: %s <directory> [--scale 1..3] [--preview <file.png>] (a preview at scale 1 only)\n",
                     argv[0]);
        return 2;
    }
    for (const zk::panel::ControlPlace& c : zk::panel::kControls)
        if (c.kind != zk::panel::ControlKind::lamp && !zk::artwork::controlLabel(c.tag, c.band)) {
            std::fprintf(stderr, "control %d has no label\n", int(c.tag));
            return 1;
        }
    std::map<int32_t, sw::SoftPixmap> pictures;
    for (const zk::panel::BitmapSize& entry : zk::panel::kBitmapSizes) {
        sw::SoftPixmap picture = entry.id == zk::panel::kBackgroundBitmap ? zk::artwork::drawBackground(scale)
                                 : entry.id == zk::panel::kAboutBitmap ? zk::artwork::drawAboutPicture(scale)
                                                                       : zk::artwork::drawControlPicture(entry.id, scale);
        const zk::panel::BitmapSize size = zk::panel::pictureSize(entry.id, scale);
        if (picture.width() != size.width || picture.height() != size.height) {
            std::fprintf(stderr, "bitmap %d is %d x %d, the table says %d x %d\n", int(entry.id),
                         int(picture.width()), int(picture.height()), int(size.width), int(size.height));
            return 1;
        }
        const std::vector<unsigned char> bytes = sw::encodeBmp(picture);
        const std::string path = std::string(argv[1]) + "/bmp" + std::to_string(entry.id) + ".bmp";
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        pictures.emplace(entry.id, std::move(picture));
    }
    if (preview && !zk::artwork::writePreview(pictures, preview)) {
        std::fprintf(stderr, "cannot write %s\n", preview);
        return 1;
    }
    return 0;
}
