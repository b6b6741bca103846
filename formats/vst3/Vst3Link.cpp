#include "formats/vst3/Vst3Link.h"

#include "formats/vst3/Vst3Com.h"
#include "formats/vst3/Vst3Instance.h"

#include <cstring>

namespace zk {

namespace {

// Messages from another copy of the plug-in loaded beside this one carry another token.
int64_t moduleToken() noexcept {
    static const char anchor = 0;
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(&anchor));
}

} // namespace

bool sendVst3Message(vst3::FUnknown* hostContext, vst3::IConnectionPoint* peer, const char* id,
                     const Vst3Instance* instance) noexcept {
    if (!hostContext || !peer) return false;
    auto host = Vst3Ptr<vst3::FUnknown>(hostContext).query<vst3::IHostApplication>();
    if (!host) return false;
    vst3::TUID cid, iid;
    std::memcpy(cid, vst3::IMessage::iid.data(), sizeof cid);
    std::memcpy(iid, vst3::IMessage::iid.data(), sizeof iid);
    void* made = nullptr;
    if (host->createInstance(cid, iid, &made) != vst3::kResultOk || !made) return false;
    auto message = Vst3Ptr<vst3::IMessage>::adopt(static_cast<vst3::IMessage*>(made));
    message->setMessageID(id);
    if (instance) {
        vst3::IAttributeList* attributes = message->getAttributes();
        if (!attributes) return false;
        attributes->setInt(kVst3SerialAttribute, static_cast<int64_t>(instance->serial()));
        attributes->setInt(kVst3TokenAttribute, moduleToken());
    }
    peer->notify(message.get());
    return true;
}

bool isVst3Message(vst3::IMessage* message, const char* id) noexcept {
    const char* name = message ? message->getMessageID() : nullptr;
    return name && std::strcmp(name, id) == 0;
}

std::shared_ptr<Vst3Instance> announcedInstance(vst3::IMessage* message) noexcept {
    if (!isVst3Message(message, kVst3InstanceMessage)) return nullptr;
    vst3::IAttributeList* attributes = message->getAttributes();
    int64_t serial = 0, token = 0;
    if (!attributes || attributes->getInt(kVst3SerialAttribute, serial) != vst3::kResultOk ||
        attributes->getInt(kVst3TokenAttribute, token) != vst3::kResultOk || token != moduleToken())
        return nullptr;
    try {
        return Vst3Instance::find(static_cast<uint64_t>(serial));
    } catch (...) {
        return nullptr;
    }
}

} // namespace zk
