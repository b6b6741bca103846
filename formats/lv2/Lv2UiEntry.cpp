// The LV2 UI binary's exported entry, and the place where its UIs are put together: the
// panel (PluginEditor) on the UI's own EditorContext, drawn by the X11 back end, with
// message boxes over it. Only lv2ui_descriptor is exported.

#include "editor/PluginEditor.h"
#include "formats/lv2/Lv2Ui.h"
#include "gui/platform/x11/X11Platform.h"
#include "product/Identity.h"
#include "services/PlatformServices.h"
#include "services/X11MessageService.h"

#include <lv2/ui/ui.h>

#include <cstring>
#include <memory>

namespace {

using zk::lv2::Lv2Ui;

Lv2Ui& ui(LV2UI_Handle handle) { return *static_cast<Lv2Ui*>(handle); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    if (!pluginUri || std::strcmp(pluginUri, zk::kLv2Uri) != 0) return nullptr;
    try {
        zk::gui::platform::x11::installForModule();
        auto makePanel = [](zk::EditorContext& context) -> std::unique_ptr<zk::Editor> {
            return std::make_unique<zk::PluginEditor>(context);
        };
        std::unique_ptr<Lv2Ui> made = Lv2Ui::create({write, controller, features}, makePanel, zk::moduleMessageService(),
                                                          *zk::platformServices().settings);
        if (!made) return nullptr;
        if (widget) *widget = made->widget();
        return made.release();
    } catch (...) {
        return nullptr; // no exception crosses into the host
    }
}

void cleanup(LV2UI_Handle handle) { delete &ui(handle); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    ui(handle).portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) { return ui(handle).idle(); }
int show(LV2UI_Handle handle) { return ui(handle).show(); }
int hide(LV2UI_Handle handle) { return ui(handle).hide(); }

const LV2UI_Idle_Interface idleInterface = {idle};
const LV2UI_Show_Interface showInterface = {show, hide};
// Only set is of use: the UI has no options to tell.
const LV2_Options_Interface optionsInterface = {
    [](LV2_Handle, LV2_Options_Option*) -> uint32_t { return LV2_OPTIONS_ERR_UNKNOWN; },
    [](LV2_Handle handle, const LV2_Options_Option* options) { return ui(handle).setOptions(options); },
};

const void* extensionData(const char* uri) {
    if (!uri) return nullptr;
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
    if (std::strcmp(uri, LV2_UI__showInterface) == 0) return &showInterface;
    if (std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &optionsInterface;
    return nullptr;
}

const LV2UI_Descriptor descriptor = {zk::kLv2UiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
