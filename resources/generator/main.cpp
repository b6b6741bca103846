// Draws the panel's pictures from the layout table and writes them as 24-bit BMP files:
//   zk_make_artwork <directory> [--preview <file.png>]
// The files are bmp<id>.bmp for every bitmap resource id of the table.

#include "editor/PanelLayout.h"
#include "gui/platform/software/Bmp.h"
#include "resources/generator/ControlArtwork.h"
#include "resources/generator/PanelArtwork.h"
#include "resources/generator/Preview.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

namespace sw = zk::gui::platform::software;

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--preview") == 0)) {
        std::fprintf(stderr, "usage: %s <directory> [--preview <file.png>]\n", argv[0]);
        return 2;
    }
    for (const zk::panel::ControlPlace& c : zk::panel::kControls)
        if (c.kind != zk::panel::ControlKind::lamp && !zk::artwork::controlLabel(c.tag, c.band)) {
            std::fprintf(stderr, "control %d has no label\n", int(c.tag));
            return 1;
        }
    std::map<int32_t, sw::SoftPixmap> pictures;
    for (const zk::panel::BitmapSize& entry : zk::panel::kBitmapSizes) {
        sw::SoftPixmap picture = entry.id == zk::panel::kBackgroundBitmap ? zk::artwork::drawBackground()
                                 : entry.id == zk::panel::kAboutBitmap    ? zk::artwork::drawAboutPicture()
                                                                          : zk::artwork::drawControlPicture(entry.id);
        if (picture.width() != entry.width || picture.height() != entry.height) {
            std::fprintf(stderr, "bitmap %d is %d x %d, the table says %d x %d\n", int(entry.id),
                         int(picture.width()), int(picture.height()), int(entry.width), int(entry.height));
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
    if (argc == 4 && !zk::artwork::writePreview(pictures, argv[3])) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
