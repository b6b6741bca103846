#pragma once

#include "host/EditorBase.h"

namespace zk {

class PluginEffect;

// The plug-in's editor. It attaches itself to its effect and reports the 612 x 486 panel
// rectangle; the panel window itself comes with the GUI toolkit, so until then open
// declines and the parameter hooks have no view to update.
class PluginEditor final : public EditorBase {
public:
    static constexpr int16_t kPanelWidth = 612;
    static constexpr int16_t kPanelHeight = 486;

    explicit PluginEditor(PluginEffect& effect) noexcept;

    bool getRect(vst2::ERect** rect) noexcept override;
    bool open(void* parentWindow) noexcept override;
    void close() noexcept override {}
    void idle() noexcept override {}
    bool setKnobMode(int32_t) noexcept override { return true; }
    bool onWheel(float) noexcept override { return false; }
    void setParameter(int32_t, float) noexcept override {}
    void refreshLearnedControllers() noexcept override {}

private:
    [[maybe_unused]] PluginEffect& effect_;
    vst2::ERect panelRect_{0, 0, kPanelHeight, kPanelWidth};
};

} // namespace zk
