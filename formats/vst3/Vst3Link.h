#pragma once

// How our processor and controller find each other once the host connects them.
// 1. Directly: a host that connects the two objects themselves hands each the other's
//    IConnectionPoint, which answers this private interface; the processor gives the
//    controller its instance, or the controller takes it.
// 2. Through a host's proxies: the controller asks with a "hello" message, and the
//    processor answers (and announces itself when connected) with an "instance" message
//    holding its instance's serial and this module's token; the controller looks the
//    serial up among the live instances.

#include "formats/vst3/Vst3Abi.h"

#include <cstdint>
#include <memory>

namespace zk {

class Vst3Instance;

struct IVst3Link : vst3::FUnknown {
    static constexpr vst3::Uid iid = vst3::makeUid(0xB5E84E3A, 0xB5F84464, 0x8C991248, 0x5446832D);
    // The processor's instance; null from a controller.
    virtual Vst3Instance* ZK_VST3_CALL linkedInstance() = 0;
    // The controller takes the processor's instance; a processor ignores it.
    virtual void ZK_VST3_CALL offerInstance(Vst3Instance* instance) = 0;
};

inline constexpr const char* kVst3HelloMessage = "zephyrkettledrome.hello";
inline constexpr const char* kVst3InstanceMessage = "zephyrkettledrome.instance";
inline constexpr const char* kVst3SerialAttribute = "serial";
inline constexpr const char* kVst3TokenAttribute = "token";

// [main] Sends message `id` to `peer`, made through the host's context (IHostApplication);
// with an instance, its serial and this module's token go with it. False when the host
// makes no messages.
bool sendVst3Message(vst3::FUnknown* hostContext, vst3::IConnectionPoint* peer, const char* id,
                     const Vst3Instance* instance = nullptr) noexcept;
// Whether `message` is the one named `id`.
bool isVst3Message(vst3::IMessage* message, const char* id) noexcept;
// [main] The live instance an instance message of this module names, or null.
std::shared_ptr<Vst3Instance> announcedInstance(vst3::IMessage* message) noexcept;

} // namespace zk
