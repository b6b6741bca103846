#include "formats/vst3/Vst3Controller.h"

#include "formats/vst3/Vst3Instance.h"
#include "formats/vst3/Vst3State.h"
#include "formats/vst3/Vst3Text.h"
#include "formats/vst3/Vst3View.h"
#include "product/Identity.h"

#include <cstring>

namespace zk {

namespace {

constexpr int32_t kMidiChannels = 16;

} // namespace

Vst3Controller::Vst3Controller(const Vst3Setup& setup) noexcept : setup_(setup) {}

Vst3Controller::~Vst3Controller() {
    if (instance_) instance_->setHandler(nullptr);
}

vst3::tresult Vst3Controller::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    *obj = nullptr;
    using namespace vst3;
    if (offerInterface<IEditController>(this, iid, obj) || offerInterface<IPluginBase, IEditController>(this, iid, obj) ||
        offerInterface<FUnknown, IEditController>(this, iid, obj) || offerInterface<IEditController2>(this, iid, obj) ||
        offerInterface<IMidiMapping>(this, iid, obj) || offerInterface<IUnitInfo>(this, iid, obj) ||
        offerInterface<IConnectionPoint>(this, iid, obj) || offerInterface<IVst3Link>(this, iid, obj))
        return kResultOk;
    return kNoInterface;
}

vst3::tresult Vst3Controller::initialize(vst3::FUnknown* context) {
    if (initialised_) return vst3::kResultFalse; // once only
    initialised_ = true;
    context_ = Vst3Ptr<vst3::FUnknown>(context);
    return vst3::kResultOk;
}

vst3::tresult Vst3Controller::terminate() {
    if (instance_) instance_->setHandler(nullptr);
    instance_.reset();
    linked_ = false;
    handler_ = {};
    peer_ = {};
    context_ = {};
    return vst3::kResultOk;
}

Vst3Instance* Vst3Controller::instance() noexcept {
    if (!instance_) {
        try {
            instance_ = Vst3Instance::create(setup_.makeEffect);
        } catch (...) {
            return nullptr;
        }
        instance_->setHandler(handler_.get());
    }
    return instance_.get();
}

void Vst3Controller::link(std::shared_ptr<Vst3Instance> instance) noexcept {
    if (!instance || instance == instance_) return;
    if (instance_) instance_->setHandler(nullptr);
    instance_ = std::move(instance);
    linked_ = true;
    instance_->setHandler(handler_.get());
}

// ---- IEditController

vst3::tresult Vst3Controller::setComponentState(vst3::IBStream* state) {
    Vst3Instance* shared = instance();
    if (!shared) return vst3::kNotInitialized;
    // Linked, the processor has loaded this very state into the effect both share.
    if (linked_) return checkVst3State(shared->effect(), state) ? vst3::kResultOk : vst3::kResultFalse;
    Vst3Instance::HoldReports quiet(*shared);
    return loadVst3State(shared->effect(), state) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult Vst3Controller::getParameterInfo(vst3::int32 paramIndex, vst3::ParameterInfo& info) {
    Vst3Instance* shared = instance();
    if (!shared) return vst3::kNotInitialized;
    return describeVst3Parameter(shared->effect(), paramIndex, info) ? vst3::kResultOk : vst3::kInvalidArgument;
}

vst3::tresult Vst3Controller::getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                                    vst3::String128 string) {
    Vst3Instance* shared = instance();
    if (!shared) return vst3::kNotInitialized;
    return vst3ValueText(shared->effect(), id, valueNormalized, string) ? vst3::kResultOk : vst3::kInvalidArgument;
}

vst3::tresult Vst3Controller::getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                                    vst3::ParamValue& valueNormalized) {
    Vst3Instance* shared = instance();
    if (!shared) return vst3::kNotInitialized;
    return vst3TextValue(shared->effect(), id, string, valueNormalized) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::ParamValue Vst3Controller::normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue valueNormalized) {
    return vst3PlainValue(id, valueNormalized);
}

vst3::ParamValue Vst3Controller::plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plainValue) {
    return vst3NormalisedValue(id, plainValue);
}

vst3::ParamValue Vst3Controller::getParamNormalized(vst3::ParamID id) {
    const auto parameter = vst3Parameter(id);
    Vst3Instance* shared = instance();
    if (!parameter || !shared) return 0.0;
    const Effect& effect = shared->effect();
    switch (parameter->kind) {
    case Vst3Parameter::Kind::effect: return effect.parameter(parameter->number);
    case Vst3Parameter::Kind::program: return double(effect.currentProgram()) / double(effect.programCount() - 1);
    case Vst3Parameter::Kind::bypass: return effect.bypassed() ? 1.0 : 0.0;
    case Vst3Parameter::Kind::controller: return controllerValues_[static_cast<size_t>(parameter->number)];
    }
    return 0.0;
}

vst3::tresult Vst3Controller::setParamNormalized(vst3::ParamID id, vst3::ParamValue value) {
    const auto parameter = vst3Parameter(id);
    if (!parameter) return vst3::kInvalidArgument;
    if (!(value >= 0.0)) value = 0.0;
    if (value > 1.0) value = 1.0;
    if (parameter->kind == Vst3Parameter::Kind::controller) {
        controllerValues_[static_cast<size_t>(parameter->number)] = value;
        return vst3::kResultOk;
    }
    Vst3Instance* shared = instance();
    if (!shared) return vst3::kNotInitialized;
    // Linked to a processor that is processing, the same change reaches the shared effect
    // through its blocks, in order with everything else the host sends it; applying it here
    // as well could undo a later one. Otherwise it applies now (alone, or with nothing
    // processing: a host that sets values with the transport stopped and then saves the
    // state must find them in it, and the panel shows them). The host asked for it, so
    // nothing goes back.
    if (linked_ && shared->processing()) return vst3::kResultOk;
    Vst3Instance::HoldReports quiet(*shared);
    switch (parameter->kind) {
    case Vst3Parameter::Kind::program: shared->effect().selectProgram(midiDataByte(value)); break;
    case Vst3Parameter::Kind::bypass: shared->effect().setBypass(value >= 0.5); break;
    default: shared->effect().setParameter(parameter->number, static_cast<float>(value)); break;
    }
    return vst3::kResultOk;
}

vst3::tresult Vst3Controller::setComponentHandler(vst3::IComponentHandler* handler) {
    handler_ = Vst3Ptr<vst3::IComponentHandler>(handler);
    if (instance_) instance_->setHandler(handler);
    return vst3::kResultOk;
}

vst3::IPlugView* Vst3Controller::createView(vst3::FIDString name) {
    if (!name || std::strcmp(name, vst3::kEditorViewType) != 0) return nullptr;
    if (!instance() || !instance_->effect().hasPanel()) return nullptr;
    try {
        return new Vst3View(instance_, setup_);
    } catch (...) {
        return nullptr;
    }
}

vst3::tresult Vst3Controller::setKnobMode(vst3::KnobMode mode) {
    Vst3Instance* shared = instance();
    return shared && shared->effect().setKnobMode(mode) ? vst3::kResultOk : vst3::kResultFalse;
}

// ---- IMidiMapping

vst3::tresult Vst3Controller::getMidiControllerAssignment(vst3::int32 busIndex, vst3::int16 channel,
                                                          vst3::CtrlNumber midiControllerNumber, vst3::ParamID& id) {
    if (busIndex != 0 || channel < 0 || channel >= kMidiChannels) return vst3::kResultFalse;
    if (midiControllerNumber >= 0 && midiControllerNumber < kVst3MappedControllers) {
        id = kVst3FirstControllerParameter + static_cast<vst3::ParamID>(midiControllerNumber);
        return vst3::kResultTrue;
    }
    if (midiControllerNumber == vst3::kCtrlProgramChange) {
        id = kVst3ProgramParameter;
        return vst3::kResultTrue;
    }
    return vst3::kResultFalse;
}

// ---- IUnitInfo

vst3::tresult Vst3Controller::getUnitInfo(vst3::int32 unitIndex, vst3::UnitInfo& info) {
    if (unitIndex != 0) return vst3::kInvalidArgument;
    info = {};
    info.id = vst3::kRootUnitId;
    info.parentUnitId = vst3::kNoParentUnitId;
    toUtf16(kProductName, info.name);
    info.programListId = kVst3ProgramList;
    return vst3::kResultOk;
}

vst3::tresult Vst3Controller::getProgramListInfo(vst3::int32 listIndex, vst3::ProgramListInfo& info) {
    if (listIndex != 0) return vst3::kInvalidArgument;
    info = {};
    info.id = kVst3ProgramList;
    toUtf16("Programs", info.name);
    info.programCount = kNumPrograms;
    return vst3::kResultOk;
}

vst3::tresult Vst3Controller::getProgramName(vst3::ProgramListID listId, vst3::int32 programIndex,
                                             vst3::String128 name) {
    Vst3Instance* shared = instance();
    char text[32] = {};
    if (listId != kVst3ProgramList || !name || !shared || !shared->effect().programName(programIndex, text))
        return vst3::kInvalidArgument;
    toUtf16(text, name, 128);
    return vst3::kResultOk;
}

vst3::tresult Vst3Controller::selectUnit(vst3::UnitID unitId) {
    return unitId == vst3::kRootUnitId ? vst3::kResultOk : vst3::kInvalidArgument;
}

vst3::tresult Vst3Controller::getUnitByBus(vst3::MediaType, vst3::BusDirection, vst3::int32, vst3::int32,
                                           vst3::UnitID& unitId) {
    unitId = vst3::kRootUnitId;
    return vst3::kResultOk;
}

// ---- the connection with the processor

vst3::tresult Vst3Controller::connect(vst3::IConnectionPoint* other) {
    if (!other) return vst3::kInvalidArgument;
    peer_ = Vst3Ptr<vst3::IConnectionPoint>(other);
    if (auto peerLink = peer_.query<IVst3Link>()) {
        if (Vst3Instance* processor = peerLink->linkedInstance()) link(processor->shared_from_this());
    } else {
        sendVst3Message(context_.get(), peer_.get(), kVst3HelloMessage);
    }
    return vst3::kResultOk;
}

vst3::tresult Vst3Controller::disconnect(vst3::IConnectionPoint* other) {
    if (peer_.get() == other) peer_ = {};
    return vst3::kResultOk;
}

vst3::tresult Vst3Controller::notify(vst3::IMessage* message) {
    if (auto processor = announcedInstance(message)) link(std::move(processor));
    return vst3::kResultOk;
}

void Vst3Controller::offerInstance(Vst3Instance* instance) {
    if (instance) link(instance->shared_from_this());
}

} // namespace zk
