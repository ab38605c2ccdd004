// COM for the calling thread, for as long as the owner lives: the thread the window runs
// on joins a single-threaded apartment before anything can reach the shell, whose verbs
// and URL targets run COM extensions.
#pragma once

#include "platform/os_constants.h"
#include "platform/system.h"

namespace ledra::platform {

class ComApartment {
 public:
  explicit ComApartment(System& system)
      : system_(system), joined_(system.coInitializeEx(kCoInitApartmentThreaded | kCoInitDisableOle1Dde) >= 0) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // Only a successful call (S_OK or S_FALSE) is undone: a thread already in another kind
  // of apartment (RPC_E_CHANGED_MODE) stays as its owner set it.
  ~ComApartment() {
    if (joined_) system_.coUninitialize();
  }

  bool joined() const { return joined_; }

 private:
  System& system_;
  bool joined_;
};

}  // namespace ledra::platform
