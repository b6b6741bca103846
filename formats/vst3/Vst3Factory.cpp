#include "formats/vst3/Vst3Factory.h"

#include "formats/vst3/Vst3Controller.h"
#include "formats/vst3/Vst3Processor.h"
#include "formats/vst3/Vst3Text.h"
#include "product/Identity.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace zk {

namespace {

constexpr const char* kUrl = "https://zephyrkettledrome.org";

// What both descriptions of class `index` (0 the processor, 1 the controller) share.
struct ClassFacts {
    vst3::Uid cid;
    const char* category;
    const char* subCategories;
    vst3::uint32 flags;
};

bool classFacts(vst3::int32 index, ClassFacts& facts) {
    if (index == 0)
        facts = {vst3::uidFromReadingOrder(kVst3ProcessorId), vst3::kVstAudioEffectClass, vst3::kFx, 0};
    else if (index == 1)
        facts = {vst3::uidFromReadingOrder(kVst3ControllerId), vst3::kVstComponentControllerClass, "", 0};
    else
        return false;
    return true;
}

// The version as the four numbers the interface shows, major.minor.micro.build: "1.2.0.0".
std::string classVersion() {
    std::string version = kVersionText;
    while (std::count(version.begin(), version.end(), '.') < 3) version += ".0";
    return version;
}

template <class Info> void fillCommon(const ClassFacts& facts, Info& info) {
    std::memcpy(info.cid, facts.cid.data(), sizeof info.cid);
    info.cardinality = vst3::kManyInstances;
    copyField(facts.category, info.category);
}

} // namespace

vst3::tresult Vst3Factory::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    *obj = nullptr;
    using namespace vst3;
    if (offerInterface<IPluginFactory3>(this, iid, obj) || offerInterface<IPluginFactory2>(this, iid, obj) ||
        offerInterface<IPluginFactory>(this, iid, obj) || offerInterface<FUnknown>(this, iid, obj))
        return kResultOk;
    return kNoInterface;
}

vst3::tresult Vst3Factory::getFactoryInfo(vst3::PFactoryInfo* info) {
    if (!info) return vst3::kInvalidArgument;
    *info = {};
    copyField(kMakerDomain, info->vendor);
    copyField(kUrl, info->url);
    info->flags = vst3::PFactoryInfo::kUnicode;
    return vst3::kResultOk;
}

vst3::tresult Vst3Factory::getClassInfo(vst3::int32 index, vst3::PClassInfo* info) {
    ClassFacts facts;
    if (!info || !classFacts(index, facts)) return vst3::kInvalidArgument;
    *info = {};
    fillCommon(facts, *info);
    copyField(kProductName, info->name);
    return vst3::kResultOk;
}

vst3::tresult Vst3Factory::getClassInfo2(vst3::int32 index, vst3::PClassInfo2* info) {
    ClassFacts facts;
    if (!info || !classFacts(index, facts)) return vst3::kInvalidArgument;
    *info = {};
    fillCommon(facts, *info);
    copyField(kProductName, info->name);
    info->classFlags = facts.flags;
    copyField(facts.subCategories, info->subCategories);
    copyField(kMakerDomain, info->vendor);
    copyField(classVersion().c_str(), info->version);
    copyField(vst3::kVstVersionString, info->sdkVersion);
    return vst3::kResultOk;
}

vst3::tresult Vst3Factory::getClassInfoUnicode(vst3::int32 index, vst3::PClassInfoW* info) {
    ClassFacts facts;
    if (!info || !classFacts(index, facts)) return vst3::kInvalidArgument;
    *info = {};
    fillCommon(facts, *info);
    toUtf16(kProductName, info->name);
    info->classFlags = facts.flags;
    copyField(facts.subCategories, info->subCategories);
    toUtf16(kMakerDomain, info->vendor);
    toUtf16(classVersion().c_str(), info->version);
    toUtf16(vst3::kVstVersionString, info->sdkVersion);
    return vst3::kResultOk;
}

vst3::tresult Vst3Factory::createInstance(vst3::FIDString cid, vst3::FIDString iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    *obj = nullptr;
    if (!cid || !iid) return vst3::kInvalidArgument;
    vst3::FUnknown* made = nullptr;
    try {
        if (vst3::sameUid(cid, vst3::uidFromReadingOrder(kVst3ProcessorId)))
            made = static_cast<vst3::IComponent*>(new Vst3Processor(setup_));
        else if (vst3::sameUid(cid, vst3::uidFromReadingOrder(kVst3ControllerId)))
            made = static_cast<vst3::IEditController*>(new Vst3Controller(setup_));
    } catch (...) {
        return vst3::kOutOfMemory;
    }
    if (!made) return vst3::kInvalidArgument;
    const vst3::tresult result = made->queryInterface(iid, obj);
    made->release(); // the caller holds the reference queryInterface gave, or nothing is left
    return result == vst3::kResultOk ? vst3::kResultOk : vst3::kNoInterface;
}

} // namespace zk
