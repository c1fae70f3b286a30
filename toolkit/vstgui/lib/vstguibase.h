// Base of every toolkit object: an intrusive reference count, run-time type
// names and the string/geometry typedefs the views use.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>

namespace VSTGUI {

using IdStringPtr = const char*;
using UTF8StringPtr = const char*;
using CCoord = double;
using CMessageResult = int32_t;
enum { kMessageUnknown = 0, kMessageNotified = 1 };

// Reference-counted object: the count starts at 1 (the creator's reference);
// forget() deletes the object when the last reference goes.
class CBaseObject {
  public:
    CBaseObject() = default;
    CBaseObject(const CBaseObject&) : nbReference(1) {}
    CBaseObject& operator=(const CBaseObject&) { return *this; }
    virtual ~CBaseObject() = default;

    virtual void remember() { nbReference.fetch_add(1, std::memory_order_relaxed); }
    virtual void forget() {
        if (nbReference.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            beforeDelete();
            delete this;
        }
    }
    int32_t getNbReference() const { return nbReference.load(std::memory_order_relaxed); }

    virtual IdStringPtr getClassName() const { return "CBaseObject"; }
    virtual bool isTypeOf(IdStringPtr s) const { return std::strcmp(s, "CBaseObject") == 0; }
    virtual CBaseObject* newCopy() const { return nullptr; }
    virtual CMessageResult notify(CBaseObject* /*sender*/, IdStringPtr /*message*/) {
        return kMessageUnknown;
    }

  protected:
    virtual void beforeDelete() {}

  private:
    std::atomic<int32_t> nbReference{1};
};

// Holds one reference to a CBaseObject-derived object.
template <class T> class SharedPointer {
  public:
    SharedPointer() = default;
    SharedPointer(T* p, bool remember = true) : ptr(p) {
        if (ptr && remember) ptr->remember();
    }
    SharedPointer(const SharedPointer& o) : SharedPointer(o.ptr) {}
    SharedPointer(SharedPointer&& o) noexcept : ptr(o.ptr) { o.ptr = nullptr; }
    ~SharedPointer() {
        if (ptr) ptr->forget();
    }
    SharedPointer& operator=(T* p) {
        if (p != ptr) {
            if (p) p->remember();
            T* old = ptr;
            ptr = p;
            if (old) old->forget();
        }
        return *this;
    }
    SharedPointer& operator=(const SharedPointer& o) { return *this = o.ptr; }
    SharedPointer& operator=(SharedPointer&& o) noexcept {
        if (this != &o) {
            T* old = ptr;
            ptr = o.ptr;
            o.ptr = nullptr;
            if (old) old->forget();
        }
        return *this;
    }
    T* get() const { return ptr; }
    T* operator->() const { return ptr; }
    operator T*() const { return ptr; }

  private:
    T* ptr = nullptr;
};

} // namespace VSTGUI

// Class name, type test and copy for a class derived from `parent`.
#define CLASS_METHODS(name, parent)                                                                \
    VSTGUI::IdStringPtr getClassName() const override {                                            \
        return #name;                                                                              \
    }                                                                                              \
    bool isTypeOf(VSTGUI::IdStringPtr s) const override {                                          \
        return std::strcmp(s, #name) == 0 || parent::isTypeOf(s);                                  \
    }                                                                                              \
    VSTGUI::CBaseObject* newCopy() const override {                                                \
        return new name(*this);                                                                    \
    }

#define CLASS_METHODS_NOCOPY(name, parent)                                                         \
    VSTGUI::IdStringPtr getClassName() const override {                                            \
        return #name;                                                                              \
    }                                                                                              \
    bool isTypeOf(VSTGUI::IdStringPtr s) const override {                                          \
        return std::strcmp(s, #name) == 0 || parent::isTypeOf(s);                                  \
    }
