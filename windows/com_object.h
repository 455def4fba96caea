#pragma once

#include <windows.h>
#include <unknwn.h>

#include "store/com_ptr.h"

namespace nubo {

// Reference counting and QueryInterface for an object of our own that
// implements the COM interface Interface. It answers IUnknown and whatever
// Answers accepts (Interface itself unless a derived object says otherwise),
// and E_NOINTERFACE otherwise. It starts with one reference, its creator's.
// The interfaces' own destructors are not virtual; this one is.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename Interface>
class ComObject : public Interface {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != __uuidof(IUnknown) && !Answers(iid)) return E_NOINTERFACE;
    *object = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;
  virtual bool Answers(REFIID iid) const { return iid == __uuidof(Interface); }

 private:
  LONG references_ = 1;
};
#pragma GCC diagnostic pop

// Takes over the one reference a new object starts with.
template <typename Interface>
ComPtr<Interface> Adopt(Interface* object) {
  ComPtr<Interface> owned;
  *owned.out() = object;
  return owned;
}

// Takes a reference of its own to an object that was lent.
template <typename Interface>
ComPtr<Interface> Retain(Interface* object) {
  object->AddRef();
  return Adopt(object);
}

}  // namespace nubo
