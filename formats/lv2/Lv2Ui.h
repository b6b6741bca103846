#pragma once

// The plug-in's panel as an LV2 UI (the UI binary). The UI lives apart from the plug-in
// instance, so the panel is built on an EditorContext of the UI's own, fed from the host's
// port events and the plug-in's messages (Lv2Protocol.h). How a host uses it:
// 1. Instantiate [UI thread]: the URID map is required; with ui:parent the panel opens at
//    once as a child of that X11 window and is the returned widget; without it the panel
//    waits for show(), which puts it in a window of its own. The UI tells the plug-in it
//    is there (PanelOpened) and the host its size (ui:resize).
// 2. port_event: a control port's value moves its control; the plug-in's messages bring
//    the values it changed itself (which the UI passes on to the host's ports), the learned
//    bindings, the lamps and notices.
// 3. The panel's edits go to the host through the write function, inside ui:touch where
//    the host offers it; the panel's commands that are the plug-in's work go to it as
//    messages, once the user has answered the panel's question.
// 4. idle [UI thread], 30 times a second or more, draws and handles the window; it answers
//    1 once the user has closed the UI's own window. show and hide [UI thread].
//    The options interface's set [UI thread] takes a new ui:scaleFactor: a shown panel is
//    rebuilt at it. Whenever the panel's size changes (that, or the user's zoom), the host
//    hears of it through ui:resize.
// 5. cleanup: the panel goes, the plug-in is told (PanelClosed).

#include "core/Editor.h"
#include "formats/lv2/Lv2Protocol.h"

#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstdint>
#include <memory>

namespace zk::lv2 {

class OwnWindow;

class Lv2Ui final : public EditorContext {
public:
    struct Host {
        LV2UI_Write_Function write = nullptr;
        LV2UI_Controller controller = nullptr;
        const LV2_Feature* const* features = nullptr;
    };
    // The UI, or null when the host lacks what it needs or the panel cannot be built.
    static std::unique_ptr<Lv2Ui> create(const Host& host, const EditorFactory& makeEditor,
                                         MessageService& messages, SettingsStore& settings) noexcept;
    ~Lv2Ui() override;

    // The panel's X11 window, for instantiate's widget; null until it is open.
    void* widget() noexcept;
    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) noexcept;
    int idle() noexcept;
    int show() noexcept;
    int hide() noexcept;
    // The options interface: a ui:scaleFactor among `options` is the panel's new scale.
    uint32_t setOptions(const LV2_Options_Option* options) noexcept;

    // EditorContext
    float parameter(int32_t index) const noexcept override;
    const char* parameterName(int32_t index) const noexcept override;
    bool valueToText(int32_t index, float value, char* text, size_t capacity) const noexcept override;
    void editParameter(int32_t tag, float value) noexcept override;
    void panelCommand(PanelCommand command, int32_t parameter) noexcept override;
    void beginEdit(int32_t tag) noexcept override;
    void endEdit(int32_t tag) noexcept override;
    int32_t learnedController(int32_t index) const noexcept override;
    bool bandActive(int32_t band) const noexcept override;
    MessageService& messages() noexcept override { return messages_; }
    void panelResized(PanelSize size) noexcept override;
    SettingsStore& settings() noexcept override { return settings_; }

private:
    Lv2Ui(const Host& host, MessageService& messages, SettingsStore& settings) noexcept;
    bool openPanel(void* parent) noexcept;
    void closePanel() noexcept;
    void takeMessage(const Message& message) noexcept;
    // Parameter `index` holds `value` in the plug-in: the control shows it, and the host's
    // port takes it where it holds another value.
    void showPluginValue(int32_t index, float value) noexcept;
    void writePort(int32_t index, float value) noexcept;
    template <typename Write> void send(Write&& write) noexcept;

    Host host_;
    MessageService& messages_;
    SettingsStore& settings_;
    std::unique_ptr<Editor> editor_;
    Urids urids_;
    LV2_URID_Map* map_ = nullptr;
    const LV2UI_Touch* touch_ = nullptr;
    const LV2UI_Resize* resize_ = nullptr;
    void* parent_ = nullptr;
    std::unique_ptr<OwnWindow> window_; // without a parent: the window show() opens
    bool open_ = false;

    std::array<float, kNumParameters> values_{};      // the plug-in's values as the UI last heard
    double sampleRate_ = 44100.0;                     // the plug-in's, as it told; the host's until then
    std::array<float, kNumParameters> portValues_{};  // the host's ports as the UI last heard
    std::array<int32_t, kNumParameters> controllers_{};
    uint32_t lamps_ = 0;
};

} // namespace zk::lv2
