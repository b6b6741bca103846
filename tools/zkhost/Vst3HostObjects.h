#pragma once

// The objects a VST3 host hands to a plug-in: its application context (which also makes
// messages for the processor and controller to exchange), the component handler, streams
// in memory, a block's parameter changes and events, and the panel's frame with the Linux
// run loop. Each reports what the plug-in does to the Vst3HostEvents it is given.
// Objects that live as long as the host (context, handler, frame) count references only to
// keep the books; messages, their attribute lists and streams made for one call go when
// their last reference goes.

#include "formats/vst3/Vst3Abi.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace zkhost {

// One reference to a plug-in's interface, released when the holder lets go.
template <class Interface> class Vst3Ref {
public:
    Vst3Ref() = default;
    explicit Vst3Ref(Interface* adopted) : p_(adopted) {} // takes over a reference the caller holds
    Vst3Ref(const Vst3Ref& other) : p_(other.p_) {
        if (p_) p_->addRef();
    }
    Vst3Ref(Vst3Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Vst3Ref& operator=(Vst3Ref other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Vst3Ref() {
        if (p_) p_->release();
    }
    // The object's `Wanted` interface, or an empty holder.
    template <class Wanted> Vst3Ref<Wanted> query() const {
        void* obj = nullptr;
        if (!p_ || p_->queryInterface(Wanted::iid.data(), &obj) != vst3::kResultOk || !obj) return {};
        return Vst3Ref<Wanted>(static_cast<Wanted*>(obj));
    }
    Interface* get() const { return p_; }
    Interface* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    Interface* p_ = nullptr;
};

// A plug-in's UTF-16 text (terminated, or `capacity` units at most) as UTF-8.
std::string utf8Of(const vst3::TChar* text, size_t capacity);

// What the plug-in tells the host through the objects below.
class Vst3HostEvents {
public:
    virtual ~Vst3HostEvents() = default;
    virtual void beginEdit(vst3::ParamID id) = 0;
    virtual void performEdit(vst3::ParamID id, vst3::ParamValue value) = 0;
    virtual void endEdit(vst3::ParamID id) = 0;
    virtual void restartComponent(int32_t flags) = 0;
    virtual void programListChanged(vst3::ProgramListID list, int32_t program) = 0;
};

// The host context: IHostApplication, which makes IMessage and IAttributeList objects.
class Vst3HostContext final : public vst3::IHostApplication {
public:
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 ZK_VST3_CALL release() override { return --references_; }
    vst3::tresult ZK_VST3_CALL getName(vst3::String128 name) override;
    vst3::tresult ZK_VST3_CALL createInstance(vst3::TUID cid, vst3::TUID iid, void** obj) override;
    int messagesMade = 0;

private:
    std::atomic<vst3::uint32> references_{0};
};

// A list of named values, as messages carry them.
class Vst3AttributeList final : public vst3::IAttributeList {
public:
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 ZK_VST3_CALL release() override;
    vst3::tresult ZK_VST3_CALL setInt(AttrID id, vst3::int64 value) override;
    vst3::tresult ZK_VST3_CALL getInt(AttrID id, vst3::int64& value) override;
    vst3::tresult ZK_VST3_CALL setFloat(AttrID id, double value) override;
    vst3::tresult ZK_VST3_CALL getFloat(AttrID id, double& value) override;
    vst3::tresult ZK_VST3_CALL setString(AttrID id, const vst3::TChar* string) override;
    vst3::tresult ZK_VST3_CALL getString(AttrID id, vst3::TChar* string, vst3::uint32 sizeInBytes) override;
    vst3::tresult ZK_VST3_CALL setBinary(AttrID id, const void* data, vst3::uint32 sizeInBytes) override;
    vst3::tresult ZK_VST3_CALL getBinary(AttrID id, const void*& data, vst3::uint32& sizeInBytes) override;

private:
    using Value = std::variant<int64_t, double, std::u16string, std::vector<uint8_t>>;
    std::map<std::string, Value> values_;
    std::atomic<vst3::uint32> references_{1};
};

class Vst3Message final : public vst3::IMessage {
public:
    Vst3Message();
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 ZK_VST3_CALL release() override;
    vst3::FIDString ZK_VST3_CALL getMessageID() override { return id_.c_str(); }
    void ZK_VST3_CALL setMessageID(vst3::FIDString id) override { id_ = id ? id : ""; }
    vst3::IAttributeList* ZK_VST3_CALL getAttributes() override { return attributes_.get(); }

private:
    std::string id_;
    Vst3Ref<Vst3AttributeList> attributes_;
    std::atomic<vst3::uint32> references_{1};
};

// The handler of the edit controller: IComponentHandler, IComponentHandler2, IUnitHandler.
class Vst3ComponentHandler final : public vst3::IComponentHandler,
                                   public vst3::IComponentHandler2,
                                   public vst3::IUnitHandler {
public:
    explicit Vst3ComponentHandler(Vst3HostEvents& events) : events_(events) {}
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 ZK_VST3_CALL release() override { return --references_; }
    vst3::tresult ZK_VST3_CALL beginEdit(vst3::ParamID id) override;
    vst3::tresult ZK_VST3_CALL performEdit(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult ZK_VST3_CALL endEdit(vst3::ParamID id) override;
    vst3::tresult ZK_VST3_CALL restartComponent(vst3::int32 flags) override;
    vst3::tresult ZK_VST3_CALL setDirty(vst3::TBool) override { return vst3::kResultOk; }
    vst3::tresult ZK_VST3_CALL requestOpenEditor(vst3::FIDString) override { return vst3::kResultFalse; }
    vst3::tresult ZK_VST3_CALL startGroupEdit() override { return vst3::kResultOk; }
    vst3::tresult ZK_VST3_CALL finishGroupEdit() override { return vst3::kResultOk; }
    vst3::tresult ZK_VST3_CALL notifyUnitSelection(vst3::UnitID) override { return vst3::kResultOk; }
    vst3::tresult ZK_VST3_CALL notifyProgramListChange(vst3::ProgramListID listId, vst3::int32 programIndex) override;
    vst3::uint32 references() const { return references_; }

private:
    Vst3HostEvents& events_;
    std::atomic<vst3::uint32> references_{0};
};

// Bytes in memory. A limit per call makes reads and writes move fewer bytes than asked,
// as streams over files and sockets may.
class Vst3MemoryStream final : public vst3::IBStream {
public:
    // bytesPerCall 0: as many as asked.
    explicit Vst3MemoryStream(std::vector<uint8_t> bytes = {}, int32_t bytesPerCall = 0, size_t maxSize = SIZE_MAX)
        : bytes(std::move(bytes)), bytesPerCall_(bytesPerCall), maxSize_(maxSize) {}
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 ZK_VST3_CALL release() override { return --references_; }
    vst3::tresult ZK_VST3_CALL read(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesRead) override;
    vst3::tresult ZK_VST3_CALL write(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesWritten) override;
    vst3::tresult ZK_VST3_CALL seek(vst3::int64 pos, vst3::int32 mode, vst3::int64* result) override;
    vst3::tresult ZK_VST3_CALL tell(vst3::int64* pos) override;
    void rewind() { position_ = 0; }
    size_t position() const { return position_; }

    std::vector<uint8_t> bytes;
    int calls = 0;

private:
    int32_t step(vst3::int32 asked) const;
    int32_t bytesPerCall_;
    size_t maxSize_;
    size_t position_ = 0;
    std::atomic<vst3::uint32> references_{0};
};

// A block's parameter changes, one queue per parameter; storage is kept between blocks.
class Vst3ParameterChanges final : public vst3::IParameterChanges {
public:
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 ZK_VST3_CALL release() override { return --references_; }
    vst3::int32 ZK_VST3_CALL getParameterCount() override { return used_; }
    vst3::IParamValueQueue* ZK_VST3_CALL getParameterData(vst3::int32 index) override;
    // The parameter's queue, made or found (a parameter has at most one queue per block).
    vst3::IParamValueQueue* ZK_VST3_CALL addParameterData(const vst3::ParamID& id, vst3::int32& index) override;
    void clear() { used_ = 0; }

    struct Point {
        int32_t offset;
        double value;
    };
    class Queue final : public vst3::IParamValueQueue {
    public:
        vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
        vst3::uint32 ZK_VST3_CALL addRef() override { return 1; }
        vst3::uint32 ZK_VST3_CALL release() override { return 1; }
        vst3::ParamID ZK_VST3_CALL getParameterId() override { return id; }
        vst3::int32 ZK_VST3_CALL getPointCount() override { return static_cast<vst3::int32>(points.size()); }
        vst3::tresult ZK_VST3_CALL getPoint(vst3::int32 index, vst3::int32& sampleOffset, vst3::ParamValue& value) override;
        vst3::tresult ZK_VST3_CALL addPoint(vst3::int32 sampleOffset, vst3::ParamValue value, vst3::int32& index) override;
        vst3::ParamID id = 0;
        std::vector<Point> points;
    };
    // The queues in use are the first used() ones, in the order they were added.
    const Queue& queue(int32_t index) const { return queues_[static_cast<size_t>(index)]; }
    int32_t used() const { return used_; }

private:
    std::deque<Queue> queues_; // a queue handed out stays where it is
    int32_t used_ = 0;
    std::atomic<vst3::uint32> references_{0};
};

// A block's events in, or the plug-in's out.
class Vst3EventList final : public vst3::IEventList {
public:
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 ZK_VST3_CALL release() override { return --references_; }
    vst3::int32 ZK_VST3_CALL getEventCount() override { return static_cast<vst3::int32>(events.size()); }
    vst3::tresult ZK_VST3_CALL getEvent(vst3::int32 index, vst3::Event& e) override;
    vst3::tresult ZK_VST3_CALL addEvent(vst3::Event& e) override;
    std::vector<vst3::Event> events;

private:
    std::atomic<vst3::uint32> references_{0};
};

// The panel's frame, with the Linux run loop: the timers and descriptors the view registers
// are kept here for the host's main loop to run.
class Vst3PlugFrame final : public vst3::IPlugFrame, public vst3::Linux::IRunLoop {
public:
    vst3::tresult ZK_VST3_CALL queryInterface(const vst3::TUID iid, void** obj) override;
    vst3::uint32 ZK_VST3_CALL addRef() override { return ++references_; }
    vst3::uint32 ZK_VST3_CALL release() override { return --references_; }
    vst3::tresult ZK_VST3_CALL resizeView(vst3::IPlugView* view, vst3::ViewRect* newSize) override;
    vst3::tresult ZK_VST3_CALL registerEventHandler(vst3::Linux::IEventHandler* handler,
                                                    vst3::FileDescriptor fd) override;
    vst3::tresult ZK_VST3_CALL unregisterEventHandler(vst3::Linux::IEventHandler* handler) override;
    vst3::tresult ZK_VST3_CALL registerTimer(vst3::Linux::ITimerHandler* handler,
                                             vst3::TimerInterval milliseconds) override;
    vst3::tresult ZK_VST3_CALL unregisterTimer(vst3::Linux::ITimerHandler* handler) override;

    struct Watch {
        vst3::Linux::IEventHandler* handler;
        int fd;
    };
    struct Timer {
        vst3::Linux::ITimerHandler* handler;
        uint64_t periodMs;
    };
    std::vector<Watch> watches;
    std::vector<Timer> timers;
    int resizeRequests = 0;
    vst3::ViewRect requestedSize{}; // of the last request

private:
    std::atomic<vst3::uint32> references_{0};
};

} // namespace zkhost
