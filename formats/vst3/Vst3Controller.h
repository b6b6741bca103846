#pragma once

// The edit controller: parameters (Vst3Parameters.h), the root unit with the program list,
// the MIDI mapping, and the panel's view. Once linked to its processor it answers from the
// processor's instance, whose effect holds every value; the host's changes reach that
// effect through the processor, so setParamNormalized only keeps what the controller alone
// holds (the mapped controllers' last values). Unlinked, it keeps an instance of its own and
// applies what the host tells it there.
// How a host uses it (every entry on the main thread):
// 1. initialize, connect with the processor, setComponentHandler.
// 2. setComponentState with the processor's state, after creation and after each load.
// 3. Parameters, their texts, the program list and the MIDI mapping, whenever the host
//    builds or refreshes its views; setParamNormalized as the host's values move.
// 4. createView("editor") for the panel; the view lives on after the controller's release
//    only as long as the host holds it.
// 5. terminate, then the last release.

#include "formats/vst3/Vst3Com.h"
#include "formats/vst3/Vst3Link.h"
#include "formats/vst3/Vst3Parameters.h"
#include "formats/vst3/Vst3Setup.h"

#include <array>
#include <memory>

namespace zk {

class Vst3Controller final : public vst3::IEditController,
                             public vst3::IEditController2,
                             public vst3::IMidiMapping,
                             public vst3::IUnitInfo,
                             public vst3::IConnectionPoint,
                             public IVst3Link,
                             public Vst3RefCount<Vst3Controller> {
public:
    explicit Vst3Controller(const Vst3Setup& setup) noexcept;
    ~Vst3Controller();

    // FUnknown
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return retain(); }
    vst3::uint32 ZK_VST3_CALL release() override { return drop(); }

    // IPluginBase
    vst3::tresult ZK_VST3_CALL initialize(vst3::FUnknown* context) override;
    vst3::tresult ZK_VST3_CALL terminate() override;

    // IEditController
    vst3::tresult ZK_VST3_CALL setComponentState(vst3::IBStream* state) override;
    // The controller keeps nothing of its own: its state is empty.
    vst3::tresult ZK_VST3_CALL setState(vst3::IBStream*) override { return vst3::kResultOk; }
    vst3::tresult ZK_VST3_CALL getState(vst3::IBStream*) override { return vst3::kResultOk; }
    vst3::int32 ZK_VST3_CALL getParameterCount() override { return kVst3ParameterCount; }
    vst3::tresult ZK_VST3_CALL getParameterInfo(vst3::int32 paramIndex, vst3::ParameterInfo& info) override;
    vst3::tresult ZK_VST3_CALL getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                                     vst3::String128 string) override;
    vst3::tresult ZK_VST3_CALL getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                                     vst3::ParamValue& valueNormalized) override;
    vst3::ParamValue ZK_VST3_CALL normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue valueNormalized) override;
    vst3::ParamValue ZK_VST3_CALL plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plainValue) override;
    vst3::ParamValue ZK_VST3_CALL getParamNormalized(vst3::ParamID id) override;
    vst3::tresult ZK_VST3_CALL setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult ZK_VST3_CALL setComponentHandler(vst3::IComponentHandler* handler) override;
    vst3::IPlugView* ZK_VST3_CALL createView(vst3::FIDString name) override;

    // IEditController2
    vst3::tresult ZK_VST3_CALL setKnobMode(vst3::KnobMode mode) override;
    vst3::tresult ZK_VST3_CALL openHelp(vst3::TBool) override { return vst3::kResultFalse; }
    vst3::tresult ZK_VST3_CALL openAboutBox(vst3::TBool) override { return vst3::kResultFalse; }

    // IMidiMapping: Control Change 0..119 on any channel of the event input to its hidden
    // parameter; the Program Change number to the program parameter.
    vst3::tresult ZK_VST3_CALL getMidiControllerAssignment(vst3::int32 busIndex, vst3::int16 channel,
                                                           vst3::CtrlNumber midiControllerNumber,
                                                           vst3::ParamID& id) override;

    // IUnitInfo: the root unit, with the list of the 128 programs.
    vst3::int32 ZK_VST3_CALL getUnitCount() override { return 1; }
    vst3::tresult ZK_VST3_CALL getUnitInfo(vst3::int32 unitIndex, vst3::UnitInfo& info) override;
    vst3::int32 ZK_VST3_CALL getProgramListCount() override { return 1; }
    vst3::tresult ZK_VST3_CALL getProgramListInfo(vst3::int32 listIndex, vst3::ProgramListInfo& info) override;
    vst3::tresult ZK_VST3_CALL getProgramName(vst3::ProgramListID listId, vst3::int32 programIndex,
                                              vst3::String128 name) override;
    vst3::tresult ZK_VST3_CALL getProgramInfo(vst3::ProgramListID, vst3::int32, vst3::CString,
                                              vst3::String128) override {
        return vst3::kResultFalse;
    }
    vst3::tresult ZK_VST3_CALL hasProgramPitchNames(vst3::ProgramListID, vst3::int32) override {
        return vst3::kResultFalse;
    }
    vst3::tresult ZK_VST3_CALL getProgramPitchName(vst3::ProgramListID, vst3::int32, vst3::int16,
                                                   vst3::String128) override {
        return vst3::kResultFalse;
    }
    vst3::UnitID ZK_VST3_CALL getSelectedUnit() override { return vst3::kRootUnitId; }
    vst3::tresult ZK_VST3_CALL selectUnit(vst3::UnitID unitId) override;
    vst3::tresult ZK_VST3_CALL getUnitByBus(vst3::MediaType, vst3::BusDirection, vst3::int32, vst3::int32,
                                            vst3::UnitID& unitId) override;
    vst3::tresult ZK_VST3_CALL setUnitProgramData(vst3::int32, vst3::int32, vst3::IBStream*) override {
        return vst3::kNotImplemented;
    }

    // IConnectionPoint
    vst3::tresult ZK_VST3_CALL connect(vst3::IConnectionPoint* other) override;
    vst3::tresult ZK_VST3_CALL disconnect(vst3::IConnectionPoint* other) override;
    vst3::tresult ZK_VST3_CALL notify(vst3::IMessage* message) override;

    // IVst3Link
    Vst3Instance* ZK_VST3_CALL linkedInstance() override { return nullptr; }
    void ZK_VST3_CALL offerInstance(Vst3Instance* instance) override;

    bool linked() const noexcept { return linked_; }

private:
    // The processor's instance once linked; else one of our own, made when first needed.
    // Null only when no effect could be built.
    Vst3Instance* instance() noexcept;
    void link(std::shared_ptr<Vst3Instance> instance) noexcept;

    const Vst3Setup& setup_;
    bool initialised_ = false;
    bool linked_ = false;
    std::shared_ptr<Vst3Instance> instance_;
    Vst3Ptr<vst3::FUnknown> context_;
    Vst3Ptr<vst3::IComponentHandler> handler_;
    Vst3Ptr<vst3::IConnectionPoint> peer_;
    std::array<vst3::ParamValue, kVst3MappedControllers> controllerValues_{};
};

} // namespace zk
