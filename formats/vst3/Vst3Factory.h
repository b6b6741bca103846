#pragma once

// The module's factory: two classes, the audio processor ("Audio Module Class",
// subcategory "Fx") and its edit controller ("Component Controller Class"), described in
// 8-bit and UTF-16 text. One factory serves the module; its count only keeps the hosts'
// books, since it lives as long as the module.

#include "formats/vst3/Vst3Com.h"
#include "formats/vst3/Vst3Setup.h"

#include <atomic>

namespace zk {

class Vst3Factory final : public vst3::IPluginFactory3 {
public:
    explicit Vst3Factory(Vst3Setup setup) : setup_(std::move(setup)) {}

    // FUnknown
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 ZK_VST3_CALL release() override { return --references_; }

    // IPluginFactory
    vst3::tresult ZK_VST3_CALL getFactoryInfo(vst3::PFactoryInfo* info) override;
    vst3::int32 ZK_VST3_CALL countClasses() override { return 2; }
    vst3::tresult ZK_VST3_CALL getClassInfo(vst3::int32 index, vst3::PClassInfo* info) override;
    vst3::tresult ZK_VST3_CALL createInstance(vst3::FIDString cid, vst3::FIDString iid, void** obj) override;
    // IPluginFactory2
    vst3::tresult ZK_VST3_CALL getClassInfo2(vst3::int32 index, vst3::PClassInfo2* info) override;
    // IPluginFactory3
    vst3::tresult ZK_VST3_CALL getClassInfoUnicode(vst3::int32 index, vst3::PClassInfoW* info) override;
    vst3::tresult ZK_VST3_CALL setHostContext(vst3::FUnknown*) override { return vst3::kResultOk; }

private:
    Vst3Setup setup_;
    std::atomic<vst3::uint32> references_{0};
};

} // namespace zk
