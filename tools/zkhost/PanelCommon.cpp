#include "tools/zkhost/PanelWindow.h"

#include <cstdio>

namespace zkhost {

PanelSize panelSize(PluginHost& host) {
    if (!(host.effect()->flags & vst2::effFlagsHasEditor)) throw HostError("the plug-in has no panel");
    vst2::ERect* rect = nullptr;
    host.dispatch(vst2::effEditGetRect, 0, 0, &rect);
    if (!rect || rect->right <= rect->left || rect->bottom <= rect->top)
        throw HostError("the plug-in reports no panel size");
    return {rect->right - rect->left, rect->bottom - rect->top};
}

bool EditReporter::report(const PluginHost& host) {
    bool quit = false;
    for (; reported_ < host.edits.size(); ++reported_) {
        const EditRecord& edit = host.edits[reported_];
        if (edit.kind == EditRecord::Kind::automate && edit.index == options_.quitOnAutomate) quit = true;
        if (!options_.logAutomation) continue;
        switch (edit.kind) {
        case EditRecord::Kind::automate: std::printf("automate %d %.9g\n", edit.index, double(edit.value)); break;
        case EditRecord::Kind::beginEdit: std::printf("beginEdit %d\n", edit.index); break;
        case EditRecord::Kind::endEdit: std::printf("endEdit %d\n", edit.index); break;
        }
    }
    std::fflush(stdout);
    return quit;
}

} // namespace zkhost
