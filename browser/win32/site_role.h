#pragma once

// The COM headers of the host's roles, in the order their definitions depend on each other.
// clang-format off
#include <windows.h>
#include <ole2.h>
#include <servprov.h>
#include <urlmon.h>
#include <exdisp.h>
#include <mshtmhst.h>
// clang-format on

// The one object the control sees: whichever of the host's interfaces it asks, the answer comes
// from the same table, so every interface can reach every other.
class SiteIdentity {
 public:
  virtual HRESULT queryInterface(REFIID iid, void** out) = 0;

 protected:
  ~SiteIdentity() = default;
};

// The IUnknown part shared by every role. The control's references never govern the host's
// lifetime: the program deletes the host itself after the message loop.
template <class... Interfaces>
class SiteRole : public Interfaces... {
 public:
  explicit SiteRole(SiteIdentity& identity) : identity_(identity) {}
  SiteRole(const SiteRole&) = delete;
  SiteRole& operator=(const SiteRole&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return identity_.queryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 0; }

 protected:
  ~SiteRole() = default;

 private:
  SiteIdentity& identity_;
};
