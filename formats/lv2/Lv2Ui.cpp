#include "formats/lv2/Lv2Ui.h"

#include "core/Parameters.h"
#include "core/ValueText.h"
#include "formats/lv2/Lv2Ports.h"
#include "formats/lv2/OwnWindow.h"

#include <lv2/atom/forge.h>
#include <lv2/options/options.h>

#include <cstring>
#include <optional>

namespace zk::lv2 {

namespace {

const void* feature(const LV2_Feature* const* features, const char* uri) noexcept {
    for (; features && *features; ++features)
        if ((*features)->URI && std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    return nullptr;
}

bool isParameter(int32_t index) noexcept { return index >= 0 && index < kNumParameters; }

// The ui:scaleFactor option (the panel's pixels per unit) among `option`, when there is one
// as a float.
std::optional<float> scaleOption(const LV2_Options_Option* option, LV2_URID_Map& map) noexcept {
    if (!option) return std::nullopt;
    const LV2_URID key = map.map(map.handle, LV2_UI__scaleFactor);
    const LV2_URID floatType = map.map(map.handle, LV2_ATOM__Float);
    for (; option->key != 0 || option->value != nullptr; ++option) // ends with an empty option
        if (option->context == LV2_OPTIONS_INSTANCE && option->key == key && option->type == floatType &&
            option->size == sizeof(float) && option->value)
            return *static_cast<const float*>(option->value);
    return std::nullopt;
}

// The host's scale, as the options feature gives it at instantiation.
std::optional<float> hostScale(const LV2_Feature* const* features, LV2_URID_Map& map) noexcept {
    return scaleOption(static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options)), map);
}

} // namespace

Lv2Ui::Lv2Ui(const Host& host, MessageService& messages, SettingsStore& settings) noexcept
    : host_(host), messages_(messages), settings_(settings) {
    for (int32_t i = 0; i < kNumParameters; ++i) values_[i] = portValues_[i] = kParameterTable[i].defaultValue;
}

std::unique_ptr<Lv2Ui> Lv2Ui::create(const Host& host, const EditorFactory& makeEditor,
                                     MessageService& messages, SettingsStore& settings) noexcept {
    auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(host.features, LV2_URID__map)));
    if (!host.write || !map || !map->map) return nullptr;
    try {
        std::unique_ptr<Lv2Ui> ui(new Lv2Ui(host, messages, settings));
        if (!ui->urids_.mapAll(*map)) return nullptr;
        ui->map_ = map;
        ui->touch_ = static_cast<const LV2UI_Touch*>(feature(host.features, LV2_UI__touch));
        ui->resize_ = static_cast<const LV2UI_Resize*>(feature(host.features, LV2_UI__resize));
        ui->parent_ = const_cast<void*>(feature(host.features, LV2_UI__parent)); // an X11 window id
        ui->editor_ = makeEditor(*ui);
        if (!ui->editor_) return nullptr;
        if (const std::optional<float> scale = hostScale(host.features, *map)) ui->editor_->setScale(*scale);
        if (ui->parent_ && !ui->openPanel(ui->parent_)) return nullptr;
        if (ui->resize_ && ui->resize_->ui_resize) {
            const PanelSize size = ui->editor_->size();
            ui->resize_->ui_resize(ui->resize_->handle, size.width, size.height);
        }
        ui->send([&](LV2_Atom_Forge& forge) { return writePanelOpened(forge, ui->urids_); });
        return ui;
    } catch (...) {
        return nullptr;
    }
}

Lv2Ui::~Lv2Ui() {
    closePanel();
    window_.reset();
    send([&](LV2_Atom_Forge& forge) { return writePanelClosed(forge, urids_); });
}

bool Lv2Ui::openPanel(void* parent) noexcept {
    if (open_) return true;
    open_ = editor_->open(parent);
    return open_;
}

void Lv2Ui::closePanel() noexcept {
    if (!open_) return;
    open_ = false;
    editor_->close();
}

void* Lv2Ui::widget() noexcept {
    // The panel's own window, which the editor names as the owner of its message boxes.
    return open_ ? editor_->messageWindow() : nullptr;
}

// ---- from the host ----------------------------------------------------------------------

void Lv2Ui::portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) noexcept {
    if (!buffer) return;
    if (format == 0 && isParameterPort(port) && size == sizeof(float)) {
        const int32_t index = parameterOfPort(port);
        float value = 0.0f;
        std::memcpy(&value, buffer, sizeof value);
        portValues_[index] = values_[index] = value;
        editor_->setParameter(index, value);
        return;
    }
    if (format == urids_.atomEventTransfer && port == kNotifyPort && size >= sizeof(LV2_Atom)) {
        const auto* atom = static_cast<const LV2_Atom*>(buffer);
        if (sizeof(LV2_Atom) + atom->size <= size) takeMessage(readMessage(urids_, atom));
    }
}

void Lv2Ui::takeMessage(const Message& message) noexcept {
    switch (message.kind) {
    case Message::Kind::values:
        if (message.sampleRate > 0.0f) sampleRate_ = message.sampleRate;
        for (int32_t i = 0; i < kNumParameters; ++i) showPluginValue(i, message.values[i]);
        break;
    case Message::Kind::value: showPluginValue(message.index, message.value); break;
    case Message::Kind::controllers:
        controllers_ = message.controllers;
        editor_->refreshLearnedControllers();
        break;
    case Message::Kind::lamps: lamps_ = message.lamps; break;
    case Message::Kind::notice: messages_.showMessage(message.text, message.title, editor_->messageWindow()); break;
    default: break;
    }
}

void Lv2Ui::showPluginValue(int32_t index, float value) noexcept {
    if (!isParameter(index)) return;
    values_[index] = value;
    editor_->setParameter(index, value);
    // The host shows and records what its ports hold: a change the plug-in made itself
    // reaches it from here.
    if (value != portValues_[index]) writePort(index, value);
}

void Lv2Ui::writePort(int32_t index, float value) noexcept {
    portValues_[index] = value;
    host_.write(host_.controller, portOfParameter(index), sizeof value, 0, &value);
}

template <typename Write>
void Lv2Ui::send(Write&& write) noexcept {
    alignas(8) uint8_t buffer[512];
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, map_);
    lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
    if (!write(forge)) return;
    const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer);
    host_.write(host_.controller, kEventsInPort, static_cast<uint32_t>(sizeof(LV2_Atom) + atom->size),
                urids_.atomEventTransfer, atom);
}

// ---- the panel's side ----------------------------------------------------------------------

float Lv2Ui::parameter(int32_t index) const noexcept { return isParameter(index) ? values_[index] : 0.0f; }

const char* Lv2Ui::parameterName(int32_t index) const noexcept {
    return isParameter(index) ? kParameterTable[index].fullName : "";
}

bool Lv2Ui::valueToText(int32_t index, float value, char* text, size_t capacity) const noexcept {
    ValueContext context;
    context.sampleRate = sampleRate_;
    for (int32_t band = 1; band <= 3; ++band) {
        context.band[band - 1] = values_[static_cast<size_t>(bandIndex(band))];
        context.fine[band - 1] = values_[static_cast<size_t>(fineIndex(band))];
    }
    return unitValueText(index, value, context, text, capacity);
}

void Lv2Ui::editParameter(int32_t tag, float value) noexcept {
    if (isParameter(tag)) {
        // As the plug-in stores it: within 0..1, and NaN as 0.
        value = value >= 0.0f ? (value > 1.0f ? 1.0f : value) : 0.0f;
        values_[tag] = value;
        editor_->setParameter(tag, value);
        writePort(tag, value);
        return;
    }
    editor_->setParameter(tag, value);
}

void Lv2Ui::panelCommand(PanelCommand command, int32_t parameter) noexcept {
    int32_t tag = 0;
    float value = 0.0f;
    tagOfCommand(command, parameter, tag, value);
    if (command == PanelCommand::learnController || command == PanelCommand::forgetController) {
        send([&](LV2_Atom_Forge& forge) { return writePanelCommand(forge, urids_, tag, value); });
    } else if (command == PanelCommand::saveDefaults || command == PanelCommand::forgetAllControllers) {
        // The plug-in carries these out once the user says Yes here, on the panel.
        const char* question = command == PanelCommand::saveDefaults ? kSaveDefaultsQuestion : kForgetControllersQuestion;
        messages_.askYesNo(question, kQuestionTitle, editor_->messageWindow(), [this, tag, value](bool yes) {
            if (yes) send([&](LV2_Atom_Forge& forge) { return writePanelCommand(forge, urids_, tag, value); });
        });
    }
    // Every command goes back to the panel, as the effect passes it on: the About picture
    // and the panel menu's first entry are the panel's own business.
    editor_->setParameter(tag, value);
}

void Lv2Ui::beginEdit(int32_t tag) noexcept {
    if (isParameter(tag) && touch_ && touch_->touch) touch_->touch(touch_->handle, portOfParameter(tag), true);
}

void Lv2Ui::endEdit(int32_t tag) noexcept {
    if (isParameter(tag) && touch_ && touch_->touch) touch_->touch(touch_->handle, portOfParameter(tag), false);
}

int32_t Lv2Ui::learnedController(int32_t index) const noexcept { return isParameter(index) ? controllers_[index] : 0; }

bool Lv2Ui::bandActive(int32_t band) const noexcept { return band >= 1 && band <= 3 && (lamps_ >> (band - 1)) & 1u; }

// ---- idle, show and hide ----------------------------------------------------------------------

int Lv2Ui::idle() noexcept {
    if (window_ && window_->closeRequested()) return 1;
    if (open_) editor_->hostIdle();
    return 0;
}

int Lv2Ui::show() noexcept {
    if (!parent_) {
        if (!window_) {
            const PanelSize size = editor_->size();
            window_ = OwnWindow::create(size.width, size.height, kProductName);
            if (!window_) return 1;
        }
        if (!openPanel(window_->parent())) return 1;
        window_->show();
        return 0;
    }
    return openPanel(parent_) ? 0 : 1;
}

uint32_t Lv2Ui::setOptions(const LV2_Options_Option* options) noexcept {
    const std::optional<float> scale = scaleOption(options, *map_);
    if (!scale) return LV2_OPTIONS_SUCCESS;
    const PanelSize before = editor_->size();
    editor_->setScale(*scale); // a shown panel is rebuilt at it
    const PanelSize after = editor_->size();
    if (after.width != before.width || after.height != before.height) panelResized(after);
    return LV2_OPTIONS_SUCCESS;
}

void Lv2Ui::panelResized(PanelSize size) noexcept {
    if (window_) window_->resize(size.width, size.height);
    if (resize_ && resize_->ui_resize) resize_->ui_resize(resize_->handle, size.width, size.height);
}

int Lv2Ui::hide() noexcept {
    closePanel();
    if (window_) window_->hide();
    return 0;
}

} // namespace zk::lv2
