// The UI binary as an LV2 host drives it, on a display: embedded in a parent window, or in a
// window of its own that show() opens and the window manager's close ends; what it writes
// to the host's ports and sends the plug-in. Needs a display: scripts/test-x11 runs it on
// Xvfb with ZK_TEST_X11_DISPLAY=1.

#include "core/Parameters.h"
#include "formats/lv2/Lv2Ports.h"
#include "formats/lv2/Lv2Protocol.h"
#include "tests/lv2/Lv2TestHost.h"
#include "tests/support/SuiteDisplay.h"

#include <gtest/gtest.h> // before Xlib, whose None is a macro

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>

#include <cstring>
#include <utility>
#include <vector>

using namespace zk::lv2;

namespace {

const LV2UI_Descriptor& uiDescriptor() {
    static const LV2UI_Descriptor* descriptor = [] {
        void* module = dlopen(ZK_LV2_UI_PATH, RTLD_NOW | RTLD_LOCAL);
        auto entry = module ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(module, "lv2ui_descriptor")) : nullptr;
        return entry ? entry(0) : nullptr;
    }();
    return *descriptor;
}

// One write of the UI: a control port's value, or the message it sent the plug-in.
struct Write {
    uint32_t port;
    float value;
    Message message;
};

class UiHost : public zktest::SuiteDisplayTest {
protected:
    void TearDown() override {
        if (ui) uiDescriptor().cleanup(ui);
    }

    // A mapped window room enough for the panel at 2 x.
    Window largeParent() {
        const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1300, 1000, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
        return parent;
    }

    // The widget's size on the server.
    std::pair<int, int> widgetSize() {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, Window(uintptr_t(widget)), &attributes);
        return {attributes.width, attributes.height};
    }

    LV2UI_Handle instantiate(void* parent, bool map = true, const char* plugin = zk::kLv2Uri) {
        features.clear();
        if (parent) features.push_back(&parentFeature);
        parentFeature = {LV2_UI__parent, parent};
        mapFeature = {LV2_URID__map, urids.mapFeature()};
        if (map) features.push_back(&mapFeature);
        if (scale > 0) { // the host's ui:scaleFactor, and its resize feature
            options[0] = {LV2_OPTIONS_INSTANCE, 0, urids.map(LV2_UI__scaleFactor), sizeof(float),
                          urids.map(LV2_ATOM__Float), &scale};
            options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
            optionsFeature = {LV2_OPTIONS__options, options};
            resize = {this, [](LV2UI_Feature_Handle self, int width, int height) {
                          static_cast<UiHost*>(self)->resized = {width, height};
                          return 0;
                      }};
            resizeFeature = {LV2_UI__resize, &resize};
            features.push_back(&optionsFeature);
            features.push_back(&resizeFeature);
        }
        features.push_back(nullptr);
        return uiDescriptor().instantiate(
            &uiDescriptor(), plugin, ZK_LV2_BUNDLE "/",
            [](LV2UI_Controller self, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
                auto& host = *static_cast<UiHost*>(self);
                Write write{port, 0.0f, {}};
                if (protocol == 0 && size == 4) std::memcpy(&write.value, buffer, 4);
                if (protocol == host.urids.ours().atomEventTransfer)
                    write.message = readMessage(host.urids.ours(), static_cast<const LV2_Atom*>(buffer));
                host.writes.push_back(write);
            },
            this, &widget, features.data());
    }
    void idle(int times = 3) {
        const auto* iface = static_cast<const LV2UI_Idle_Interface*>(uiDescriptor().extension_data(LV2_UI__idleInterface));
        for (int i = 0; i < times; ++i) lastIdle = iface->idle(ui);
    }
    void tellValues(const std::vector<std::pair<int32_t, float>>& changed) {
        float values[54];
        for (int32_t i = 0; i < 54; ++i) values[i] = zk::kParameterTable[size_t(i)].defaultValue;
        for (const auto& [index, value] : changed) values[index] = value;
        const std::vector<uint8_t> atom = lv2test::forged(
            urids, [&](LV2_Atom_Forge& forge) { return writeValues(forge, urids.ours(), values, 44100.0f); });
        ASSERT_FALSE(atom.empty());
        uiDescriptor().port_event(ui, kNotifyPort, uint32_t(atom.size()), urids.ours().atomEventTransfer, atom.data());
    }
    std::vector<Write> portWrites() const {
        std::vector<Write> out;
        for (const Write& w : writes)
            if (isParameterPort(w.port)) out.push_back(w);
        return out;
    }
    // The top-level windows of the display with this name.
    std::vector<Window> windowsNamed(const char* name) {
        std::vector<Window> found;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XSync(display, False);
        if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return found;
        for (unsigned i = 0; i < count; ++i) {
            char* title = nullptr;
            if (XFetchName(display, children[i], &title) && title) {
                if (std::strcmp(title, name) == 0) found.push_back(children[i]);
                XFree(title);
            }
        }
        if (children) XFree(children);
        return found;
    }
    bool mapped(Window window) {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
    }

    lv2test::Urids urids;
    LV2_Feature parentFeature{}, mapFeature{}, optionsFeature{}, resizeFeature{};
    float scale = 0; // none given
    LV2_Options_Option options[2]{};
    LV2UI_Resize resize{};
    std::pair<int, int> resized{};
    std::vector<const LV2_Feature*> features;
    LV2UI_Handle ui = nullptr;
    LV2UI_Widget widget = nullptr;
    std::vector<Write> writes;
    int lastIdle = -1;
};

} // namespace

TEST_F(UiHost, EmbedsInItsParentAndPassesThePlugInsOwnChangesToTheHostsPorts) {
    const Window parent = largeParent();
    ui = instantiate(reinterpret_cast<void*>(uintptr_t(parent)));
    ASSERT_TRUE(ui);
    ASSERT_TRUE(widget);
    Window root = 0, widgetParent = 0, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(display, Window(uintptr_t(widget)), &root, &widgetParent, &children, &count));
    if (children) XFree(children);
    EXPECT_EQ(widgetParent, parent);
    EXPECT_EQ(widgetSize(), std::pair(zk::kPanelWidth, zk::kPanelHeight));
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.front().port, kEventsInPort);
    EXPECT_EQ(writes.front().message.kind, Message::Kind::panelOpened) << "the plug-in is asked for everything";

    // The host's port holds 0.2; the plug-in's own change to 0.7 goes on to it, once.
    const float portValue = 0.2f;
    uiDescriptor().port_event(ui, portOfParameter(zk::paramDelay), 4, 0, &portValue);
    tellValues({{zk::paramDelay, 0.7f}});
    tellValues({{zk::paramDelay, 0.7f}});
    idle();
    std::vector<Write> ports = portWrites();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].port, portOfParameter(zk::paramDelay));
    EXPECT_EQ(ports[0].value, 0.7f);
    // Values the host's ports already hold are not written again.
    writes.clear();
    const float same = 0.3f;
    uiDescriptor().port_event(ui, portOfParameter(zk::paramSmooth), 4, 0, &same);
    tellValues({{zk::paramDelay, 0.7f}, {zk::paramSmooth, 0.3f}});
    EXPECT_TRUE(portWrites().empty());
    // Messages of other kinds or sizes, on other ports, are no values.
    const uint8_t junk[16] = {8, 0, 0, 0, 1, 0, 0, 0};
    uiDescriptor().port_event(ui, kNotifyPort, sizeof junk, urids.ours().atomEventTransfer, junk);
    uiDescriptor().port_event(ui, kNotifyPort, 4, urids.ours().atomEventTransfer, junk);
    uiDescriptor().port_event(ui, 200, 4, 0, &same);
    EXPECT_TRUE(portWrites().empty());

    uiDescriptor().cleanup(ui);
    ui = nullptr;
    EXPECT_EQ(writes.back().message.kind, Message::Kind::panelClosed);
    XDestroyWindow(display, parent);
}

// The host's scale factor sizes the panel; a new one while shown rebuilds it in its window
// and tells the host.
TEST_F(UiHost, TheHostsScaleFactorSizesThePanelAndANewOneRebuildsItInItsWindow) {
    const Window parent = largeParent();
    scale = 2.0f;
    ui = instantiate(reinterpret_cast<void*>(uintptr_t(parent)));
    ASSERT_TRUE(ui);
    ASSERT_TRUE(widget);
    EXPECT_EQ(resized, std::pair(1224, 972));
    EXPECT_EQ(widgetSize(), std::pair(1224, 972));
    const auto* options =
        static_cast<const LV2_Options_Interface*>(uiDescriptor().extension_data(LV2_OPTIONS__interface));
    ASSERT_TRUE(options && options->set);
    float once = 1.0f;
    const LV2_Options_Option change[] = {
        {LV2_OPTIONS_INSTANCE, 0, urids.map(LV2_UI__scaleFactor), sizeof(float), urids.map(LV2_ATOM__Float), &once},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    EXPECT_EQ(options->set(ui, change), uint32_t(LV2_OPTIONS_SUCCESS));
    EXPECT_EQ(resized, std::pair(612, 486));
    // The same window, the host's widget, now at the new size.
    EXPECT_EQ(widgetSize(), std::pair(612, 486));
    resized = {};
    EXPECT_EQ(options->set(ui, change), uint32_t(LV2_OPTIONS_SUCCESS));
    EXPECT_EQ(resized, std::pair(0, 0)) << "the same scale again changes nothing";
    uiDescriptor().cleanup(ui);
    ui = nullptr;
    XDestroyWindow(display, parent);
}

TEST_F(UiHost, WithoutAParentShowOpensAWindowOfItsOwnThatTheUserCanClose) {
    ui = instantiate(nullptr);
    ASSERT_TRUE(ui);
    EXPECT_EQ(widget, nullptr);
    EXPECT_TRUE(windowsNamed(zk::kProductName).empty()) << "nothing shows before show()";
    const auto* show = static_cast<const LV2UI_Show_Interface*>(uiDescriptor().extension_data(LV2_UI__showInterface));
    ASSERT_TRUE(show);
    EXPECT_EQ(show->show(ui), 0);
    idle();
    EXPECT_EQ(lastIdle, 0);
    std::vector<Window> own = windowsNamed(zk::kProductName);
    ASSERT_EQ(own.size(), 1u);
    EXPECT_TRUE(mapped(own[0]));

    // The window manager asks the window to close: idle says the UI was closed.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = own[0];
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, own[0], False, NoEventMask, &close);
    XSync(display, False);
    idle();
    EXPECT_EQ(lastIdle, 1);
    EXPECT_EQ(show->hide(ui), 0);
    XSync(display, False);
    EXPECT_FALSE(mapped(own[0]));
    EXPECT_EQ(show->show(ui), 0) << "a host may show it again";
    idle();
    EXPECT_EQ(lastIdle, 0);
    EXPECT_TRUE(mapped(own[0]));
    uiDescriptor().cleanup(ui);
    ui = nullptr;
    EXPECT_TRUE(windowsNamed(zk::kProductName).empty()) << "the window goes with the UI";
}

TEST_F(UiHost, RefusesHostsWithoutAMapAndOtherPlugIns) {
    EXPECT_EQ(instantiate(nullptr, false), nullptr);
    EXPECT_EQ(instantiate(nullptr, true, "urn:another:plugin"), nullptr);
    EXPECT_TRUE(writes.empty());
}
