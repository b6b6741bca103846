// An LV2 plug-in's X11 UI in zkhost's window: the UI binary loaded with dlopen and given
// zkhost's window as its parent, its writes to the control ports and its messages to the
// plug-in's event input, the plug-in's event output and the host's port changes passed
// back to it, and its idle calls. While the UI is open the plug-in runs a block of silence
// at every idle call, as it would in a host that is playing, so that its messages flow.

#include "tools/zkhost/Lv2Host.h"
#include "tools/zkhost/ModuleLoader.h"

#include <X11/Xlib.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace zkhost {

struct Lv2Host::UiPlug {
    const LV2UI_Descriptor* descriptor = nullptr;
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    bool closedItself = false;
    LV2UI_Touch touch{};
    LV2UI_Resize resize{};
    float scale = 0;
    LV2_Options_Option options[2]{}; // ui:scaleFactor, and the end
    std::vector<LV2_Feature> records;
    std::vector<const LV2_Feature*> features;
    std::vector<float> silence;
};

namespace {

constexpr int32_t kIdleBlock = 64;

struct UiBinary {
    const LV2UI_Descriptor* descriptor = nullptr;
    std::string bundlePath;
};

std::string filePath(const LilvNode* uri) {
    char* path = uri ? lilv_file_uri_parse(lilv_node_as_uri(uri), nullptr) : nullptr;
    std::string out = path ? path : "";
    lilv_free(path);
    return out;
}

// The plug-in's first X11 UI, its binary loaded.
UiBinary findX11Ui(LilvWorld* world, const LilvPlugin* plugin) {
    LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    UiBinary found;
    std::string problem = "the plug-in has no X11 UI";
    LILV_FOREACH (uis, i, uis) {
        const LilvUI* ui = lilv_uis_get(uis, i);
        if (!lilv_ui_is_a(ui, x11)) continue;
        const std::string uri = lilv_node_as_uri(lilv_ui_get_uri(ui));
        std::string why;
        void* module = loadModule(filePath(lilv_ui_get_binary_uri(ui)), why);
        auto entry = module ? reinterpret_cast<LV2UI_DescriptorFunction>(findSymbol(module, "lv2ui_descriptor")) : nullptr;
        problem = module ? "its UI binary exports no lv2ui_descriptor" : "its UI binary does not load: " + why;
        for (uint32_t index = 0; entry; ++index) {
            const LV2UI_Descriptor* descriptor = entry(index);
            if (!descriptor) break;
            if (descriptor->URI && uri == descriptor->URI) {
                found.descriptor = descriptor;
                found.bundlePath = filePath(lilv_ui_get_bundle_uri(ui));
                if (!found.bundlePath.empty() && found.bundlePath.back() != '/') found.bundlePath += '/';
                break;
            }
        }
        if (found.descriptor) break;
        if (module && entry) problem = "its UI binary does not describe " + uri;
    }
    lilv_uis_free(uis);
    lilv_node_free(x11);
    if (!found.descriptor) throw HostError(problem);
    return found;
}

} // namespace

void Lv2Host::uiWrite(uint32_t portIndex, uint32_t size, uint32_t protocol, const void* buffer) {
    if (portIndex >= ports_.size() || !buffer) return;
    const Port& p = ports_[portIndex];
    if (protocol == 0 && size == sizeof(float) && p.kind == PortKind::controlIn) {
        float value = 0;
        std::memcpy(&value, buffer, sizeof value);
        controlValues_[portIndex] = value;
        uiKnownValues_[portIndex] = value;
        for (int32_t i = 0; i < numParams(); ++i)
            if (parameterPorts_[static_cast<size_t>(i)] == portIndex) {
                EditRecord edit;
                edit.index = i;
                edit.value = getParameter(i);
                edits.push_back(edit);
            }
        return;
    }
    if (protocol == urids_.map(LV2_ATOM__eventTransfer) && p.kind == PortKind::eventsIn && size >= sizeof(LV2_Atom)) {
        const auto* atom = static_cast<const LV2_Atom*>(buffer);
        if (sizeof(LV2_Atom) + atom->size > size) return; // the atom says it is larger than what came
        LV2_Atom_Event header{};
        header.time.frames = 0;
        header.body = *atom;
        const auto* bytes = reinterpret_cast<const uint8_t*>(&header);
        pendingUiEvents_.insert(pendingUiEvents_.end(), bytes, bytes + sizeof header);
        const auto* body = static_cast<const uint8_t*>(buffer) + sizeof(LV2_Atom);
        pendingUiEvents_.insert(pendingUiEvents_.end(), body, body + atom->size);
        pendingUiEvents_.resize(pendingUiEvents_.size() + (lv2_atom_pad_size(atom->size) - atom->size), 0);
        return;
    }
    std::fprintf(stderr, "zkhost: the UI wrote to port %u in a way zkhost does not take (protocol %u)\n", portIndex,
                 protocol);
}

void Lv2Host::uiTouch(uint32_t portIndex, bool grabbed) {
    for (int32_t i = 0; i < numParams(); ++i)
        if (parameterPorts_[static_cast<size_t>(i)] == portIndex) {
            EditRecord edit;
            edit.kind = grabbed ? EditRecord::Kind::beginEdit : EditRecord::Kind::endEdit;
            edit.index = i;
            edits.push_back(edit);
        }
}

void Lv2Host::uiResize(int width, int height) {
    // Before the panel is shown, its size; once it is, a new size its window takes.
    if (uiSize_.width > 0 && uiSize_.height > 0 && width > 0 && height > 0) requestedPanelSize = {width, height};
    uiSize_ = {width, height};
}

namespace {

// Builds the UI in `parent`; the UI's calls come back to `host`.
template <typename Host, typename Plug>
std::unique_ptr<Plug> makeUi(Host& host, LilvWorld* world, const LilvPlugin* plugin, LV2_URID_Map* map,
                             LV2_URID_Unmap* unmap, unsigned long parent, double scale) {
    const UiBinary binary = findX11Ui(world, plugin);
    auto ui = std::make_unique<Plug>();
    ui->descriptor = binary.descriptor;
    ui->touch.handle = &host;
    ui->touch.touch = [](LV2UI_Feature_Handle self, uint32_t port, bool grabbed) {
        static_cast<Host*>(self)->uiTouch(port, grabbed);
    };
    ui->resize.handle = &host;
    ui->resize.ui_resize = [](LV2UI_Feature_Handle self, int width, int height) {
        static_cast<Host*>(self)->uiResize(width, height);
        return 0;
    };
    ui->records = {{LV2_UI__parent, reinterpret_cast<void*>(parent)},
                   {LV2_URID__map, map},
                   {LV2_URID__unmap, unmap},
                   {LV2_UI__touch, &ui->touch},
                   {LV2_UI__resize, &ui->resize},
                   {LV2_UI__idleInterface, nullptr}};
    if (scale > 0) { // the host's scale as the ui:scaleFactor option
        ui->scale = static_cast<float>(scale);
        ui->options[0] = {LV2_OPTIONS_INSTANCE, 0, map->map(map->handle, LV2_UI__scaleFactor), sizeof(float),
                          map->map(map->handle, LV2_ATOM__Float), &ui->scale};
        ui->records.push_back({LV2_OPTIONS__options, ui->options});
    }
    for (const LV2_Feature& f : ui->records) ui->features.push_back(&f);
    ui->features.push_back(nullptr);
    ui->handle = binary.descriptor->instantiate(
        binary.descriptor, lilv_node_as_uri(lilv_plugin_get_uri(plugin)), binary.bundlePath.c_str(),
        [](LV2UI_Controller self, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
            static_cast<Host*>(self)->uiWrite(port, size, protocol, buffer);
        },
        &host, &ui->widget, ui->features.data());
    if (!ui->handle) throw HostError("the plug-in's UI refused to open");
    if (binary.descriptor->extension_data)
        ui->idle = static_cast<const LV2UI_Idle_Interface*>(binary.descriptor->extension_data(LV2_UI__idleInterface));
    return ui;
}

} // namespace

PanelSize Lv2Host::panelSize() {
    if (uiSize_.width > 0 && uiSize_.height > 0) return uiSize_;
    // The size is the UI's to tell: it is made once in a window nobody sees, and asked.
    Display* display = XOpenDisplay(nullptr);
    if (!display) throw HostError("cannot open the X display (is DISPLAY set?)");
    const Window probe = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSync(display, False);
    try {
        std::unique_ptr<UiPlug> ui =
            makeUi<Lv2Host, UiPlug>(*this, world_, plugin_, urids_.mapFeature(), urids_.unmapFeature(), probe,
                                    panelScale_);
        if ((uiSize_.width <= 0 || uiSize_.height <= 0) && ui->widget) {
            Window root = 0;
            int x = 0, y = 0;
            unsigned width = 0, height = 0, border = 0, depth = 0;
            if (XGetGeometry(display, reinterpret_cast<Window>(ui->widget), &root, &x, &y, &width, &height, &border,
                             &depth))
                uiSize_ = {int(width), int(height)};
        }
        ui->descriptor->cleanup(ui->handle);
    } catch (...) {
        XDestroyWindow(display, probe);
        XCloseDisplay(display);
        throw;
    }
    XDestroyWindow(display, probe);
    XCloseDisplay(display);
    if (uiSize_.width <= 0 || uiSize_.height <= 0) throw HostError("the plug-in's UI tells no size");
    return uiSize_;
}

void Lv2Host::openPanel(const PanelParent& parent) {
    closePanel();
    ui_ = makeUi<Lv2Host, UiPlug>(*this, world_, plugin_, urids_.mapFeature(), urids_.unmapFeature(), parent.x11,
                                  panelScale_)
              .release();
    // A host tells a new UI every control port's value.
    uiKnownValues_ = controlValues_;
    if (ui_->descriptor->port_event)
        for (const Port& p : ports_)
            if (p.kind == PortKind::controlIn || p.kind == PortKind::controlOut)
                ui_->descriptor->port_event(ui_->handle, p.index, sizeof(float), 0, &controlValues_[p.index]);
}

void Lv2Host::idlePanel() {
    if (!ui_) return;
    // With no audio running the plug-in plays silence meanwhile, so that its messages to the
    // UI and the UI's to it are carried; between start and stop the host's blocks carry them,
    // and a block of the idle's own would be heard.
    if (!started_) {
        if (!active_) activate();
        const size_t channels = audioInputs_.size() + audioOutputs_.size();
        ui_->silence.assign(channels * kIdleBlock, 0.0f);
        std::vector<float*> buffers;
        for (size_t c = 0; c < channels; ++c) buffers.push_back(ui_->silence.data() + c * kIdleBlock);
        process(buffers.data(), buffers.data() + audioInputs_.size(), kIdleBlock, {}, false);
    }

    const LV2_URID eventTransfer = urids_.map(LV2_ATOM__eventTransfer);
    if (ui_->descriptor->port_event) {
        for (const Port& p : ports_)
            if ((p.kind == PortKind::controlIn || p.kind == PortKind::controlOut) &&
                controlValues_[p.index] != uiKnownValues_[p.index]) {
                uiKnownValues_[p.index] = controlValues_[p.index];
                ui_->descriptor->port_event(ui_->handle, p.index, sizeof(float), 0, &controlValues_[p.index]);
            }
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> events;
        events.swap(uiEvents_);
        for (const auto& [portIndex, atom] : events)
            ui_->descriptor->port_event(ui_->handle, portIndex, static_cast<uint32_t>(atom.size()), eventTransfer,
                                        atom.data());
    }
    uiEvents_.clear();
    if (ui_->idle && !ui_->closedItself && ui_->idle->idle(ui_->handle) != 0) ui_->closedItself = true;
}

void Lv2Host::closePanel() {
    if (!ui_) return;
    ui_->descriptor->cleanup(ui_->handle);
    delete ui_;
    ui_ = nullptr;
    uiEvents_.clear();
}

} // namespace zkhost
