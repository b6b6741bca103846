// The messages between the plug-in and its UI: what one side writes the other reads, and
// nothing else passes for one of them.

#include "formats/lv2/Lv2Ports.h"
#include "formats/lv2/Lv2Protocol.h"
#include "tests/lv2/Lv2TestHost.h"

#include <gtest/gtest.h>

using namespace zk::lv2;
using lv2test::forged;

namespace {

LV2_Atom* atomOf(std::vector<uint8_t>& bytes) { return reinterpret_cast<LV2_Atom*>(bytes.data()); }

} // namespace

TEST(Lv2Protocol, EveryMessageReadsBackAsWritten) {
    lv2test::Urids urids;
    const Urids& u = urids.ours();
    auto readBack = [&](auto write) {
        std::vector<uint8_t> bytes = forged(urids, write);
        EXPECT_FALSE(bytes.empty());
        return bytes.empty() ? Message{} : readMessage(u, atomOf(bytes));
    };
    std::array<float, 54> values{};
    std::array<int32_t, 54> controllers{};
    for (int i = 0; i < 54; ++i) values[size_t(i)] = float(i) / 100.0f, controllers[size_t(i)] = i % 7;

    Message m = readBack([&](LV2_Atom_Forge& g) { return writeValues(g, u, values.data(), 48000.0f); });
    ASSERT_EQ(m.kind, Message::Kind::values);
    EXPECT_EQ(m.values, values);

    m = readBack([&](LV2_Atom_Forge& g) { return writeControllers(g, u, controllers.data()); });
    ASSERT_EQ(m.kind, Message::Kind::controllers);
    EXPECT_EQ(m.controllers, controllers);

    m = readBack([&](LV2_Atom_Forge& g) { return writeValue(g, u, 53, 0.25f); });
    EXPECT_EQ(m.kind, Message::Kind::value);
    EXPECT_EQ(m.index, 53);
    EXPECT_EQ(m.value, 0.25f);

    m = readBack([&](LV2_Atom_Forge& g) { return writePanelCommand(g, u, 65, 1012.0f); });
    EXPECT_EQ(m.kind, Message::Kind::panelCommand);
    EXPECT_EQ(m.tag, 65);
    EXPECT_EQ(m.value, 1012.0f);

    m = readBack([&](LV2_Atom_Forge& g) { return writeLamps(g, u, 5); });
    EXPECT_EQ(m.kind, Message::Kind::lamps);
    EXPECT_EQ(m.lamps, 5u);

    const std::string longText(400, 'x');
    m = readBack([&](LV2_Atom_Forge& g) { return writeNotice(g, u, longText.c_str(), "Ok!"); });
    EXPECT_EQ(m.kind, Message::Kind::notice);
    EXPECT_EQ(std::string(m.text), longText.substr(0, sizeof m.text - 1)) << "cut to fit, never refused";
    EXPECT_STREQ(m.title, "Ok!");

    for (auto write : {writePanelOpened, writePanelClosed})
        EXPECT_NE(readBack([&](LV2_Atom_Forge& g) { return write(g, u); }).kind, Message::Kind::none);
    EXPECT_TRUE(forged(urids, [&](LV2_Atom_Forge& g) { return writeValues(g, u, values.data(), 48000.0f); }, 40).empty())
        << "a buffer too small says so";
}

TEST(Lv2Protocol, AnythingElseReadsAsNoMessage) {
    lv2test::Urids urids;
    const Urids& u = urids.ours();
    std::vector<uint8_t> bytes;
    // Forged, and read as no message.
    auto none = [&] { return !bytes.empty() && readMessage(u, atomOf(bytes)).kind == Message::Kind::none; };
    // An object of `type` with the properties `properties` writes.
    auto object = [&](LV2_URID type, auto properties) {
        bytes = forged(urids, [&](LV2_Atom_Forge& g) {
            LV2_Atom_Forge_Frame frame;
            lv2_atom_forge_object(&g, &frame, 0, type);
            properties(g);
            lv2_atom_forge_pop(&g, &frame);
            return true;
        });
    };

    EXPECT_EQ(readMessage(u, nullptr).kind, Message::Kind::none);
    bytes = forged(urids, [&](LV2_Atom_Forge& g) { return writeValue(g, u, 54, 0.5f); });
    EXPECT_TRUE(none()) << "no parameter 54";
    bytes = forged(urids, [&](LV2_Atom_Forge& g) { return writeValue(g, u, -1, 0.5f); });
    EXPECT_TRUE(none());
    // A vector of the wrong length or type.
    const float few[3] = {1, 2, 3};
    object(u.values, [&](LV2_Atom_Forge& g) {
        lv2_atom_forge_key(&g, u.keyValues);
        lv2_atom_forge_vector(&g, 4, u.atomFloat, 3, few);
    });
    EXPECT_TRUE(none());
    const int32_t ints[54] = {};
    object(u.values, [&](LV2_Atom_Forge& g) {
        lv2_atom_forge_key(&g, u.keyValues);
        lv2_atom_forge_vector(&g, 4, u.atomInt, 54, ints);
    });
    EXPECT_TRUE(none());
    // A command whose value is an int, a notice whose text is no string.
    object(u.panelCommand, [&](LV2_Atom_Forge& g) {
        lv2_atom_forge_key(&g, u.keyTag);
        lv2_atom_forge_int(&g, 65);
        lv2_atom_forge_key(&g, u.keyValue);
        lv2_atom_forge_int(&g, 3);
    });
    EXPECT_TRUE(none());
    object(u.notice, [&](LV2_Atom_Forge& g) {
        lv2_atom_forge_key(&g, u.keyText);
        lv2_atom_forge_float(&g, 1.0f);
        lv2_atom_forge_key(&g, u.keyTitle);
        lv2_atom_forge_string(&g, "Ok!", 3);
    });
    EXPECT_TRUE(none());
    // A string without its terminator.
    bytes = forged(urids, [&](LV2_Atom_Forge& g) { return writeNotice(g, u, "abc", "Ok!"); });
    auto* text = reinterpret_cast<LV2_Atom_Object*>(atomOf(bytes));
    LV2_ATOM_OBJECT_FOREACH (text, property) {
        if (property->key == u.keyText) reinterpret_cast<char*>(LV2_ATOM_BODY(&property->value))[3] = 'd';
    }
    EXPECT_TRUE(none());
    // Another object type, and no object at all.
    bytes = forged(urids, [&](LV2_Atom_Forge& g) { return writeStateChanged(g, u); });
    EXPECT_TRUE(none());
    bytes = forged(urids, [&](LV2_Atom_Forge& g) { return lv2_atom_forge_int(&g, 4) != 0; });
    EXPECT_TRUE(none());
}

// A property whose value claims to run past the object: its size near 4 GB once made the
// walk over the properties step by 0 for ever, inside run.
TEST(Lv2Protocol, APropertyLargerThanItsObjectReadsAsNoMessage) {
    lv2test::Urids urids;
    const Urids& u = urids.ours();
    for (uint32_t claimed : {0xFFFFFFF0u, 0xFFFFFFF8u, 64u}) {
        std::vector<uint8_t> bytes = forged(urids, [&](LV2_Atom_Forge& g) { return writeValue(g, u, 7, 0.5f); });
        ASSERT_FALSE(bytes.empty());
        auto* object = reinterpret_cast<LV2_Atom_Object*>(atomOf(bytes));
        auto* first = lv2_atom_object_begin(&object->body);
        first->value.size = claimed;
        EXPECT_EQ(readMessage(u, atomOf(bytes)).kind, Message::Kind::none) << claimed;
    }
}
