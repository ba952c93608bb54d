#pragma once

#include <unknwn.h>

// Holds one reference to an interface the control handed out; empty when it gave none.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // The slot a query writes into; whatever was held is released first.
  T** receive() {
    reset();
    return &pointer_;
  }
  void** receiveVoid() { return reinterpret_cast<void**>(receive()); }

  void reset() {
    if (pointer_ != nullptr) {
      T* held = pointer_;
      pointer_ = nullptr;
      held->Release();
    }
  }

 private:
  T* pointer_ = nullptr;
};
