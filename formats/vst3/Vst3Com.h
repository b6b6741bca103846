#pragma once

// What every object the VST3 wrapper hands out needs: a reference count that starts at
// one, queryInterface over the interfaces it offers, and a holder of the host's interfaces
// that releases what it holds.

#include "formats/vst3/Vst3Abi.h"

#include <atomic>
#include <cstdint>
#include <utility>

namespace zk {

// The count of an object that deletes itself when the last reference goes.
template <class Self> class Vst3RefCount {
public:
    uint32_t retain() noexcept { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t drop() noexcept {
        const uint32_t left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete static_cast<Self*>(this);
        return left;
    }

protected:
    Vst3RefCount() = default;
    ~Vst3RefCount() = default;

private:
    std::atomic<uint32_t> references_{1}; // the creator's
};

// Answers `iid` with the object seen as `Interface` (reached through `Via` where the object
// holds several bases of that type), with a reference for the caller.
template <class Interface, class Via = Interface, class Object>
bool offerInterface(Object* object, const vst3::TUID iid, void** obj) noexcept {
    if (!vst3::sameUid(iid, Interface::iid)) return false;
    Interface* seen = static_cast<Via*>(object);
    seen->addRef();
    *obj = seen;
    return true;
}

// One reference to a host's interface, released when the holder lets go.
template <class Interface> class Vst3Ptr {
public:
    Vst3Ptr() = default;
    // Takes a reference of its own.
    explicit Vst3Ptr(Interface* p) noexcept : p_(p) {
        if (p_) p_->addRef();
    }
    Vst3Ptr(const Vst3Ptr& other) noexcept : Vst3Ptr(other.p_) {}
    Vst3Ptr(Vst3Ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Vst3Ptr& operator=(Vst3Ptr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Vst3Ptr() {
        if (p_) p_->release();
    }
    // Adopts a reference the caller already holds (what queryInterface gave).
    static Vst3Ptr adopt(Interface* p) noexcept {
        Vst3Ptr held;
        held.p_ = p;
        return held;
    }
    // The object's `Wanted` interface, or an empty holder.
    template <class Wanted> Vst3Ptr<Wanted> query() const noexcept {
        void* obj = nullptr;
        if (!p_ || p_->queryInterface(Wanted::iid.data(), &obj) != vst3::kResultOk || !obj) return {};
        return Vst3Ptr<Wanted>::adopt(static_cast<Wanted*>(obj));
    }
    Interface* get() const noexcept { return p_; }
    Interface* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    Interface* p_ = nullptr;
};

} // namespace zk
