#include "tools/zkhost/Vst3HostObjects.h"

#include <algorithm>
#include <cstring>

namespace zkhost {

namespace {

// Answers `iid` with the object seen as `Interface` (through `Via` where it has several
// bases of that type), with a reference for the caller.
template <class Interface, class Via = Interface, class Object>
bool offer(Object* object, const vst3::TUID iid, void** obj) {
    if (!vst3::sameUid(iid, Interface::iid)) return false;
    Interface* seen = static_cast<Via*>(object);
    seen->addRef();
    *obj = seen;
    return true;
}

vst3::tresult answer(void** obj, bool found) {
    if (found) return vst3::kResultOk;
    if (obj) *obj = nullptr;
    return vst3::kNoInterface;
}

} // namespace

std::string utf8Of(const vst3::TChar* text, size_t capacity) {
    std::string out;
    for (size_t i = 0; text && i < capacity && text[i]; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < capacity && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        const unsigned lead = extra == 1 ? 0xC0 : extra == 2 ? 0xE0 : 0xF0;
        out += static_cast<char>(lead | (c >> (6 * extra)));
        for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    return out;
}

// ---- context and messages

vst3::tresult Vst3HostContext::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    return answer(obj, offer<vst3::IHostApplication>(this, iid, obj) || offer<vst3::FUnknown>(this, iid, obj));
}

vst3::tresult Vst3HostContext::getName(vst3::String128 name) {
    if (!name) return vst3::kInvalidArgument;
    const char* text = "zkhost";
    size_t i = 0;
    for (; text[i]; ++i) name[i] = static_cast<vst3::TChar>(text[i]);
    name[i] = 0;
    return vst3::kResultOk;
}

vst3::tresult Vst3HostContext::createInstance(vst3::TUID cid, vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    *obj = nullptr;
    vst3::FUnknown* made = nullptr;
    if (vst3::sameUid(cid, vst3::IMessage::iid)) {
        made = new Vst3Message;
        ++messagesMade;
    } else if (vst3::sameUid(cid, vst3::IAttributeList::iid)) {
        made = new Vst3AttributeList;
    } else {
        return vst3::kNoInterface;
    }
    const vst3::tresult result = made->queryInterface(iid, obj);
    made->release();
    return result;
}

vst3::tresult Vst3AttributeList::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    return answer(obj, offer<vst3::IAttributeList>(this, iid, obj) || offer<vst3::FUnknown>(this, iid, obj));
}

vst3::uint32 Vst3AttributeList::release() {
    const vst3::uint32 left = --references_;
    if (left == 0) delete this;
    return left;
}

vst3::tresult Vst3AttributeList::setInt(AttrID id, vst3::int64 value) {
    if (!id) return vst3::kInvalidArgument;
    values_[id] = int64_t(value);
    return vst3::kResultOk;
}

vst3::tresult Vst3AttributeList::getInt(AttrID id, vst3::int64& value) {
    auto found = id ? values_.find(id) : values_.end();
    if (found == values_.end() || !std::holds_alternative<int64_t>(found->second)) return vst3::kResultFalse;
    value = std::get<int64_t>(found->second);
    return vst3::kResultOk;
}

vst3::tresult Vst3AttributeList::setFloat(AttrID id, double value) {
    if (!id) return vst3::kInvalidArgument;
    values_[id] = value;
    return vst3::kResultOk;
}

vst3::tresult Vst3AttributeList::getFloat(AttrID id, double& value) {
    auto found = id ? values_.find(id) : values_.end();
    if (found == values_.end() || !std::holds_alternative<double>(found->second)) return vst3::kResultFalse;
    value = std::get<double>(found->second);
    return vst3::kResultOk;
}

vst3::tresult Vst3AttributeList::setString(AttrID id, const vst3::TChar* string) {
    if (!id || !string) return vst3::kInvalidArgument;
    values_[id] = std::u16string(string);
    return vst3::kResultOk;
}

vst3::tresult Vst3AttributeList::getString(AttrID id, vst3::TChar* string, vst3::uint32 sizeInBytes) {
    auto found = id ? values_.find(id) : values_.end();
    if (found == values_.end() || !std::holds_alternative<std::u16string>(found->second) || !string ||
        sizeInBytes < sizeof(vst3::TChar))
        return vst3::kResultFalse;
    const std::u16string& text = std::get<std::u16string>(found->second);
    const size_t units = std::min<size_t>(text.size(), sizeInBytes / sizeof(vst3::TChar) - 1);
    std::copy(text.begin(), text.begin() + static_cast<long>(units), string);
    string[units] = 0;
    return vst3::kResultOk;
}

vst3::tresult Vst3AttributeList::setBinary(AttrID id, const void* data, vst3::uint32 sizeInBytes) {
    if (!id || (!data && sizeInBytes)) return vst3::kInvalidArgument;
    const auto* bytes = static_cast<const uint8_t*>(data);
    values_[id] = std::vector<uint8_t>(bytes, bytes + sizeInBytes);
    return vst3::kResultOk;
}

vst3::tresult Vst3AttributeList::getBinary(AttrID id, const void*& data, vst3::uint32& sizeInBytes) {
    auto found = id ? values_.find(id) : values_.end();
    if (found == values_.end() || !std::holds_alternative<std::vector<uint8_t>>(found->second))
        return vst3::kResultFalse;
    const auto& bytes = std::get<std::vector<uint8_t>>(found->second);
    data = bytes.data();
    sizeInBytes = static_cast<vst3::uint32>(bytes.size());
    return vst3::kResultOk;
}

Vst3Message::Vst3Message() : attributes_(new Vst3AttributeList) {}

vst3::tresult Vst3Message::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    return answer(obj, offer<vst3::IMessage>(this, iid, obj) || offer<vst3::FUnknown>(this, iid, obj));
}

vst3::uint32 Vst3Message::release() {
    const vst3::uint32 left = --references_;
    if (left == 0) delete this;
    return left;
}

// ---- the component handler

vst3::tresult Vst3ComponentHandler::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    return answer(obj, offer<vst3::IComponentHandler>(this, iid, obj) ||
                           offer<vst3::FUnknown, vst3::IComponentHandler>(this, iid, obj) ||
                           offer<vst3::IComponentHandler2>(this, iid, obj) || offer<vst3::IUnitHandler>(this, iid, obj));
}

vst3::tresult Vst3ComponentHandler::beginEdit(vst3::ParamID id) {
    events_.beginEdit(id);
    return vst3::kResultOk;
}

vst3::tresult Vst3ComponentHandler::performEdit(vst3::ParamID id, vst3::ParamValue value) {
    events_.performEdit(id, value);
    return vst3::kResultOk;
}

vst3::tresult Vst3ComponentHandler::endEdit(vst3::ParamID id) {
    events_.endEdit(id);
    return vst3::kResultOk;
}

vst3::tresult Vst3ComponentHandler::restartComponent(vst3::int32 flags) {
    events_.restartComponent(flags);
    return vst3::kResultOk;
}

vst3::tresult Vst3ComponentHandler::notifyProgramListChange(vst3::ProgramListID listId, vst3::int32 programIndex) {
    events_.programListChanged(listId, programIndex);
    return vst3::kResultOk;
}

// ---- streams

vst3::tresult Vst3MemoryStream::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    return answer(obj, offer<vst3::IBStream>(this, iid, obj) || offer<vst3::FUnknown>(this, iid, obj));
}

int32_t Vst3MemoryStream::step(vst3::int32 asked) const {
    return bytesPerCall_ > 0 ? std::min(asked, bytesPerCall_) : asked;
}

vst3::tresult Vst3MemoryStream::read(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesRead) {
    ++calls;
    if (numBytesRead) *numBytesRead = 0;
    if (numBytes < 0 || (!buffer && numBytes > 0)) return vst3::kInvalidArgument;
    const size_t left = position_ < bytes.size() ? bytes.size() - position_ : 0;
    const auto n = static_cast<int32_t>(std::min<size_t>(left, static_cast<size_t>(step(numBytes))));
    if (n > 0) std::memcpy(buffer, bytes.data() + position_, static_cast<size_t>(n));
    position_ += static_cast<size_t>(n);
    if (numBytesRead) *numBytesRead = n;
    return vst3::kResultOk;
}

vst3::tresult Vst3MemoryStream::write(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesWritten) {
    ++calls;
    if (numBytesWritten) *numBytesWritten = 0;
    if (numBytes < 0 || (!buffer && numBytes > 0)) return vst3::kInvalidArgument;
    const auto n = static_cast<size_t>(step(numBytes));
    if (position_ + n > maxSize_) return vst3::kResultFalse;
    if (bytes.size() < position_ + n) bytes.resize(position_ + n);
    if (n > 0) std::memcpy(bytes.data() + position_, buffer, n);
    position_ += n;
    if (numBytesWritten) *numBytesWritten = static_cast<vst3::int32>(n);
    return vst3::kResultOk;
}

vst3::tresult Vst3MemoryStream::seek(vst3::int64 pos, vst3::int32 mode, vst3::int64* result) {
    int64_t base = 0;
    switch (mode) {
    case vst3::IBStream::kIBSeekSet: base = 0; break;
    case vst3::IBStream::kIBSeekCur: base = static_cast<int64_t>(position_); break;
    case vst3::IBStream::kIBSeekEnd: base = static_cast<int64_t>(bytes.size()); break;
    default: return vst3::kInvalidArgument;
    }
    const int64_t target = base + pos;
    if (target < 0) return vst3::kResultFalse;
    position_ = static_cast<size_t>(target);
    if (result) *result = target;
    return vst3::kResultOk;
}

vst3::tresult Vst3MemoryStream::tell(vst3::int64* pos) {
    if (!pos) return vst3::kInvalidArgument;
    *pos = static_cast<vst3::int64>(position_);
    return vst3::kResultOk;
}

// ---- parameter changes and events

vst3::tresult Vst3ParameterChanges::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    return answer(obj, offer<vst3::IParameterChanges>(this, iid, obj) || offer<vst3::FUnknown>(this, iid, obj));
}

vst3::IParamValueQueue* Vst3ParameterChanges::getParameterData(vst3::int32 index) {
    return index >= 0 && index < used_ ? &queues_[static_cast<size_t>(index)] : nullptr;
}

vst3::IParamValueQueue* Vst3ParameterChanges::addParameterData(const vst3::ParamID& id, vst3::int32& index) {
    for (int32_t i = 0; i < used_; ++i)
        if (queues_[static_cast<size_t>(i)].id == id) {
            index = i;
            return &queues_[static_cast<size_t>(i)];
        }
    if (static_cast<size_t>(used_) == queues_.size()) queues_.emplace_back();
    Queue& queue = queues_[static_cast<size_t>(used_)];
    queue.id = id;
    queue.points.clear();
    index = used_++;
    return &queue;
}

vst3::tresult Vst3ParameterChanges::Queue::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    return answer(obj, offer<vst3::IParamValueQueue>(this, iid, obj) || offer<vst3::FUnknown>(this, iid, obj));
}

vst3::tresult Vst3ParameterChanges::Queue::getPoint(vst3::int32 index, vst3::int32& sampleOffset,
                                                    vst3::ParamValue& value) {
    if (index < 0 || static_cast<size_t>(index) >= points.size()) return vst3::kInvalidArgument;
    sampleOffset = points[static_cast<size_t>(index)].offset;
    value = points[static_cast<size_t>(index)].value;
    return vst3::kResultOk;
}

vst3::tresult Vst3ParameterChanges::Queue::addPoint(vst3::int32 sampleOffset, vst3::ParamValue value,
                                                    vst3::int32& index) {
    // Points stay sorted by offset; a point at an offset already there replaces it.
    auto at = std::lower_bound(points.begin(), points.end(), sampleOffset,
                               [](const Point& p, int32_t offset) { return p.offset < offset; });
    if (at != points.end() && at->offset == sampleOffset)
        at->value = value;
    else
        at = points.insert(at, {sampleOffset, value});
    index = static_cast<vst3::int32>(at - points.begin());
    return vst3::kResultOk;
}

vst3::tresult Vst3EventList::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    return answer(obj, offer<vst3::IEventList>(this, iid, obj) || offer<vst3::FUnknown>(this, iid, obj));
}

vst3::tresult Vst3EventList::getEvent(vst3::int32 index, vst3::Event& e) {
    if (index < 0 || static_cast<size_t>(index) >= events.size()) return vst3::kInvalidArgument;
    e = events[static_cast<size_t>(index)];
    return vst3::kResultOk;
}

vst3::tresult Vst3EventList::addEvent(vst3::Event& e) {
    events.push_back(e);
    return vst3::kResultOk;
}

// ---- the frame and run loop

vst3::tresult Vst3PlugFrame::queryInterface(const vst3::TUID iid, void** obj) {
    if (!obj) return vst3::kInvalidArgument;
    bool found = offer<vst3::IPlugFrame>(this, iid, obj) || offer<vst3::FUnknown, vst3::IPlugFrame>(this, iid, obj);
#if !defined(_WIN32)
    found = found || offer<vst3::Linux::IRunLoop>(this, iid, obj);
#endif
    return answer(obj, found);
}

vst3::tresult Vst3PlugFrame::resizeView(vst3::IPlugView* view, vst3::ViewRect* newSize) {
    ++resizeRequests;
    if (!view || !newSize) return vst3::kInvalidArgument;
    requestedSize = *newSize; // zkhost's window takes it at its next idle
    return vst3::kResultOk;
}

vst3::tresult Vst3PlugFrame::registerEventHandler(vst3::Linux::IEventHandler* handler, vst3::FileDescriptor fd) {
    if (!handler || fd < 0) return vst3::kInvalidArgument;
    watches.push_back({handler, fd});
    return vst3::kResultOk;
}

vst3::tresult Vst3PlugFrame::unregisterEventHandler(vst3::Linux::IEventHandler* handler) {
    const size_t before = watches.size();
    std::erase_if(watches, [&](const Watch& w) { return w.handler == handler; });
    return watches.size() < before ? vst3::kResultOk : vst3::kInvalidArgument;
}

vst3::tresult Vst3PlugFrame::registerTimer(vst3::Linux::ITimerHandler* handler, vst3::TimerInterval milliseconds) {
    if (!handler) return vst3::kInvalidArgument;
    timers.push_back({handler, std::max<uint64_t>(milliseconds, 1)});
    return vst3::kResultOk;
}

vst3::tresult Vst3PlugFrame::unregisterTimer(vst3::Linux::ITimerHandler* handler) {
    const size_t before = timers.size();
    std::erase_if(timers, [&](const Timer& t) { return t.handler == handler; });
    return timers.size() < before ? vst3::kResultOk : vst3::kInvalidArgument;
}

} // namespace zkhost
