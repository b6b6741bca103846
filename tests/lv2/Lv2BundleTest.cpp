// The built bundle as hosts read it (through lilv): every port with the name, symbol,
// range and default the effect gives, the features and extensions, the UI and its binary.

#include "core/PluginEffect.h"
#include "formats/lv2/Lv2Ports.h"
#include "product/Identity.h"
#include "core/SilentHost.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

class Bundle : public ::testing::Test {
protected:
    void SetUp() override {
        world = lilv_world_new();
        LilvNode* bundle = lilv_new_file_uri(world, nullptr, (std::string(ZK_LV2_BUNDLE) + "/").c_str());
        lilv_world_load_bundle(world, bundle);
        lilv_node_free(bundle);
        const LilvPlugins* plugins = lilv_world_get_all_plugins(world);
        ASSERT_EQ(lilv_plugins_size(plugins), 1u);
        plugin = lilv_plugins_get(plugins, lilv_plugins_begin(plugins));
    }
    void TearDown() override {
        for (LilvNode* n : nodes) lilv_node_free(n);
        lilv_world_free(world);
    }
    const LilvNode* uri(const char* text) {
        nodes.push_back(lilv_new_uri(world, text));
        return nodes.back();
    }
    std::vector<std::string> strings(LilvNodes* list) {
        std::vector<std::string> out;
        LILV_FOREACH (nodes, i, list) out.push_back(lilv_node_as_string(lilv_nodes_get(list, i)));
        lilv_nodes_free(list);
        std::sort(out.begin(), out.end());
        return out;
    }
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    std::vector<LilvNode*> nodes;
};

} // namespace

TEST_F(Bundle, DescribesThePlugInAsTheEffectDoes) {
    ASSERT_TRUE(plugin);
    EXPECT_TRUE(lilv_plugin_verify(plugin));
    EXPECT_STREQ(lilv_node_as_uri(lilv_plugin_get_uri(plugin)), zk::kLv2Uri);
    LilvNode* name = lilv_plugin_get_name(plugin);
    EXPECT_STREQ(lilv_node_as_string(name), zk::kProductName);
    lilv_node_free(name);
    EXPECT_TRUE(strings(lilv_plugin_get_required_features(plugin)).empty()) << "lv2apply offers no feature at all";
    EXPECT_EQ(strings(lilv_plugin_get_optional_features(plugin)),
              (std::vector<std::string>{LV2_OPTIONS__options, LV2_URID__map, LV2_WORKER__schedule,
                                        LV2_CORE__hardRTCapable}));
    EXPECT_EQ(strings(lilv_plugin_get_extension_data(plugin)),
              (std::vector<std::string>{LV2_STATE__interface, LV2_WORKER__interface}));

    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), zk::lv2::kPortCount);
    const LilvNode *input = uri(LV2_CORE__InputPort), *output = uri(LV2_CORE__OutputPort),
                   *audio = uri(LV2_CORE__AudioPort), *control = uri(LV2_CORE__ControlPort),
                   *atom = uri(LV2_ATOM__AtomPort), *optional = uri(LV2_CORE__connectionOptional),
                   *midi = uri(LV2_MIDI__MidiEvent);
    for (const zk::lv2::FixedPort& fixed : zk::lv2::kAudioPorts) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, fixed.index);
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), fixed.symbol);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, audio));
        EXPECT_TRUE(lilv_port_is_a(plugin, port, fixed.index < 2 ? input : output));
    }
    zk::SilentHost host;
    zk::PluginEffect effect(host);
    std::vector<float> minimum(zk::lv2::kPortCount), maximum(zk::lv2::kPortCount), defaults(zk::lv2::kPortCount);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    for (int32_t i = 0; i < zk::kNumParameters; ++i) {
        zk::ParameterDescription d;
        ASSERT_TRUE(effect.describeParameter(i, d));
        const uint32_t index = zk::lv2::portOfParameter(i);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, control) && lilv_port_is_a(plugin, port, input)) << i;
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), d.symbol);
        LilvNode* portName = lilv_port_get_name(plugin, port);
        EXPECT_STREQ(lilv_node_as_string(portName), d.name);
        lilv_node_free(portName);
        EXPECT_EQ(minimum[index], 0.0f);
        EXPECT_EQ(maximum[index], 1.0f);
        EXPECT_EQ(defaults[index], d.defaultValue) << d.symbol << ": the default reads back as the same float";
    }
    const LilvPort* events = lilv_plugin_get_port_by_index(plugin, zk::lv2::kEventsInPort);
    EXPECT_TRUE(lilv_port_is_a(plugin, events, atom) && lilv_port_is_a(plugin, events, input));
    EXPECT_TRUE(lilv_port_supports_event(plugin, events, midi));
    EXPECT_TRUE(lilv_port_has_property(plugin, events, optional)) << "hosts without atom ports (lv2apply) still play it";
    const LilvPort* notify = lilv_plugin_get_port_by_index(plugin, zk::lv2::kNotifyPort);
    EXPECT_TRUE(lilv_port_is_a(plugin, notify, atom) && lilv_port_is_a(plugin, notify, output));
    EXPECT_TRUE(lilv_port_has_property(plugin, notify, optional));
}

TEST_F(Bundle, NamesItsX11UiAndBothBinariesAnswerForTheirUris) {
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    EXPECT_STREQ(lilv_node_as_uri(lilv_ui_get_uri(ui)), zk::kLv2UiUri);
    EXPECT_TRUE(lilv_ui_is_a(ui, uri(LV2_UI__X11UI)));
    char* uiBinary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
    char* dspBinary = lilv_file_uri_parse(lilv_node_as_uri(lilv_plugin_get_library_uri(plugin)), nullptr);
    void* dsp = dlopen(dspBinary, RTLD_NOW | RTLD_LOCAL);
    void* gui = dlopen(uiBinary, RTLD_NOW | RTLD_LOCAL);
    lilv_free(uiBinary);
    lilv_free(dspBinary);
    lilv_uis_free(uis);
    ASSERT_TRUE(dsp) << dlerror();
    ASSERT_TRUE(gui) << dlerror();
    auto dspEntry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(dsp, "lv2_descriptor"));
    auto uiEntry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(gui, "lv2ui_descriptor"));
    ASSERT_TRUE(dspEntry && uiEntry);
    EXPECT_STREQ(dspEntry(0)->URI, zk::kLv2Uri);
    EXPECT_EQ(dspEntry(1), nullptr);
    EXPECT_STREQ(uiEntry(0)->URI, zk::kLv2UiUri);
    EXPECT_EQ(uiEntry(1), nullptr);
    EXPECT_EQ(dlsym(dsp, "lv2ui_descriptor"), nullptr) << "the DSP binary carries no UI";
}
