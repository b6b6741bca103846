// The panel embedded in the host's window (X11 on Linux, Win32 on Windows), at its size for
// the host's scale (set_scale) or the user's zoom; when either changes while it is shown,
// the panel is rebuilt at the new size and the host asked to resize (gui.request_resize).
// The host may resize it by its window too: sizes at the panel's aspect ratio, the panel
// drawn at the largest scale from 1 to 3 (in eighths) that fits (PanelSizing.h).
// It is built when the host gives the parent window (or shows a panel it hid) and
// destroyed when the host hides or destroys it, in whatever order hosts make these calls.
// The host's timer drives its idle; on Linux the X11 connection's descriptor does too, so
// that input is answered at once. Each such call drains everything Xlib has queued, since
// Xlib may read events during the panel's own requests, after which the descriptor no
// longer shows them.

#include "core/PanelSizing.h"
#include "formats/clap/ClapExtensions.h"
#include "formats/clap/ClapPlugin.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zk {

using namespace clap;

namespace {

#if defined(_WIN32)
constexpr const char* kWindowApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kWindowApi = CLAP_WINDOW_API_X11;
#endif
constexpr uint32_t kIdlePeriodMs = 30;

ClapPlugin* self(const clap_plugin* plugin) { return ClapPlugin::of(plugin); }

void* nativeWindow(const clap_window& window) {
#if defined(_WIN32)
    return window.win32;
#else
    return reinterpret_cast<void*>(static_cast<uintptr_t>(window.x11));
#endif
}

} // namespace

bool ClapPlugin::windowApiSupported(const char* api, bool floating) noexcept {
    return !floating && api && std::strcmp(api, kWindowApi) == 0;
}

bool ClapPlugin::createPanel(const char* api, bool floating) noexcept {
    if (panelCreated_ || !windowApiSupported(api, floating) || !effect_->hasPanel()) return false;
#if !defined(_WIN32)
    // An X11 panel lives on the host's calls alone: without its timers nothing would be drawn.
    if (!hostTimers_) return false;
#endif
    panelCreated_ = true;
    return true;
}

void ClapPlugin::destroyPanel() noexcept {
    closeOpenPanel();
    panelCreated_ = false;
    parentWindow_ = nullptr;
}

bool ClapPlugin::setPanelScale(double scale) noexcept {
    const PanelSize before = effect_->panelSize();
    if (!effect_->hasPanel() || !(scale > 0) || !effect_->setPanelScale(static_cast<float>(scale))) return false;
    const PanelSize after = effect_->panelSize(); // an open panel was rebuilt at it
    if (panelOpen_ && (after.width != before.width || after.height != before.height)) resizePanel(after);
    return true;
}

void ClapPlugin::resizePanel(PanelSize size) noexcept {
    if (panelOpen_ && hostGui_)
        hostGui_->request_resize(host_, static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height));
}

bool ClapPlugin::adjustPanelSize(uint32_t* width, uint32_t* height) const noexcept {
    if (!width || !height || !effect_->hasPanel()) return false;
    const PanelSize size = panelSizeAt(panelScaleFitting(static_cast<int32_t>(std::min<uint32_t>(*width, INT32_MAX)),
                                                         static_cast<int32_t>(std::min<uint32_t>(*height, INT32_MAX))));
    *width = static_cast<uint32_t>(size.width);
    *height = static_cast<uint32_t>(size.height);
    return true;
}

bool ClapPlugin::setPanelSize(uint32_t width, uint32_t height) noexcept {
    uint32_t w = width, h = height;
    if (!adjustPanelSize(&w, &h)) return false;
    // A size the panel can take is a scale: drawn at it (unless the user chose a zoom).
    if (w == width && h == height) effect_->setPanelScale(panelScaleFitting(int32_t(w), int32_t(h)));
    uint32_t now = 0, nowHeight = 0;
    return panelSize(&now, &nowHeight) && now == width && nowHeight == height;
}

bool ClapPlugin::panelSize(uint32_t* width, uint32_t* height) const noexcept {
    const PanelSize size = effect_->panelSize();
    if (!width || !height || size.width <= 0 || size.height <= 0) return false;
    *width = static_cast<uint32_t>(size.width);
    *height = static_cast<uint32_t>(size.height);
    return true;
}

bool ClapPlugin::setPanelParent(const clap_window* window) noexcept {
    if (!panelCreated_ || !window || !windowApiSupported(window->api, false)) return false;
    closeOpenPanel(); // a new parent: the panel moves there
    parentWindow_ = nativeWindow(*window);
    return parentWindow_ && openPanelIn();
}

bool ClapPlugin::showPanel() noexcept { return panelCreated_ && parentWindow_ && (panelOpen_ || openPanelIn()); }

bool ClapPlugin::hidePanel() noexcept {
    if (!panelCreated_) return false;
    closeOpenPanel();
    return true;
}

bool ClapPlugin::openPanelIn() noexcept {
    if (!effect_->openPanel(parentWindow_)) return false;
    panelOpen_ = true;
    if (hostTimers_ && !hostTimers_->register_timer(host_, kIdlePeriodMs, &timer_)) timer_ = CLAP_INVALID_ID;
    const int fd = effect_->panelEventDescriptor();
    if (hostDescriptors_ && fd >= 0 && hostDescriptors_->register_fd(host_, fd, CLAP_POSIX_FD_READ)) descriptor_ = fd;
    return true;
}

void ClapPlugin::closeOpenPanel() noexcept {
    if (!panelOpen_) return;
    // The host stops watching before the connection behind the descriptor is closed.
    if (descriptor_ >= 0) hostDescriptors_->unregister_fd(host_, descriptor_);
    descriptor_ = -1;
    if (timer_ != CLAP_INVALID_ID) hostTimers_->unregister_timer(host_, timer_);
    timer_ = CLAP_INVALID_ID;
    effect_->closePanel();
    panelOpen_ = false;
}

void ClapPlugin::onTimer(clap_id timer) noexcept {
    if (panelOpen_ && timer == timer_) effect_->panelIdle();
}

void ClapPlugin::onDescriptor(int fd) noexcept {
    if (panelOpen_ && fd == descriptor_) effect_->panelIdle();
}

const clap_plugin_gui clapGui = {
    [](const clap_plugin*, const char* api, bool floating) { return ClapPlugin::windowApiSupported(api, floating); },
    [](const clap_plugin*, const char** api, bool* floating) {
        if (!api || !floating) return false;
        *api = kWindowApi;
        *floating = false;
        return true;
    },
    [](const clap_plugin* plugin, const char* api, bool floating) {
        return self(plugin) && self(plugin)->createPanel(api, floating);
    },
    [](const clap_plugin* plugin) {
        if (self(plugin)) self(plugin)->destroyPanel();
    },
    [](const clap_plugin* plugin, double scale) { return self(plugin) && self(plugin)->setPanelScale(scale); },
    [](const clap_plugin* plugin, uint32_t* width, uint32_t* height) {
        return self(plugin) && self(plugin)->panelSize(width, height);
    },
    [](const clap_plugin* plugin) { return self(plugin) && self(plugin)->effect().hasPanel(); },
    [](const clap_plugin* plugin, clap_gui_resize_hints* hints) {
        if (!self(plugin) || !hints) return false;
        // Both ways, at the panel's aspect ratio: 612 : 486.
        *hints = {true, true, true, uint32_t(kPanelWidth), uint32_t(kPanelHeight)};
        return true;
    },
    [](const clap_plugin* plugin, uint32_t* width, uint32_t* height) {
        return self(plugin) && self(plugin)->adjustPanelSize(width, height);
    },
    [](const clap_plugin* plugin, uint32_t width, uint32_t height) {
        return self(plugin) && self(plugin)->setPanelSize(width, height);
    },
    [](const clap_plugin* plugin, const clap_window* window) {
        return self(plugin) && self(plugin)->setPanelParent(window);
    },
    [](const clap_plugin*, const clap_window*) { return false; }, // embedded only
    [](const clap_plugin*, const char*) {},
    [](const clap_plugin* plugin) { return self(plugin) && self(plugin)->showPanel(); },
    [](const clap_plugin* plugin) { return self(plugin) && self(plugin)->hidePanel(); },
};

const clap_plugin_timer_support clapTimers = {[](const clap_plugin* plugin, clap_id timer) {
    if (self(plugin)) self(plugin)->onTimer(timer);
}};

const clap_plugin_posix_fd_support clapDescriptors = {[](const clap_plugin* plugin, int fd, clap_posix_fd_flags_t) {
    if (self(plugin)) self(plugin)->onDescriptor(fd);
}};

} // namespace zk
