#include "editor/PluginEditor.h"

#include "core/PluginEffect.h"

namespace zk {

PluginEditor::PluginEditor(PluginEffect& effect) noexcept : effect_(effect) {}

bool PluginEditor::getRect(vst2::ERect** rect) noexcept {
    *rect = &panelRect_;
    return true;
}

bool PluginEditor::open(void*) noexcept { return false; }

} // namespace zk
