// What the window reports, turned into ForLedra's handlers: the window's controls are
// bound once it has made them, and ForLedra lives from then on.
#pragma once

#include <optional>
#include <string_view>

#include "app/ForLedra.h"
#include "platform/design.h"
#include "platform/system.h"

namespace ledra::app {

class FormEvents : public platform::WindowEvents {
 public:
  explicit FormEvents(platform::System& system) : system_(system) {}

  // nullptr until the window is loaded.
  ForLedra* form() { return form_ ? &*form_ : nullptr; }

  void loaded(platform::ControlLookup& controls) override;
  void clicked(std::string_view name, int index) override;
  void tabChanged(std::string_view name, int index) override;
  void timer(std::string_view name, int index) override;
  void resized() override;
  bool listKey(std::string_view name, int index, platform::ListKey key) override;

 private:
  platform::System& system_;
  std::optional<ForLedra> form_;
};

}  // namespace ledra::app
