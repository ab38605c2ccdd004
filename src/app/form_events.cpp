#include "app/form_events.h"

namespace ledra::app {

void FormEvents::loaded(platform::ControlLookup& controls) {
  form_.emplace(system_, bindControls(controls));
  form_->Form_Load();
}

void FormEvents::clicked(std::string_view name, int index) {
  if (form_) form_->Click(name, index);
}

void FormEvents::tabChanged(std::string_view name, int) {
  if (form_ && name == "TabStrip1") form_->TabStrip1_Click();
}

void FormEvents::timer(std::string_view name, int) {
  if (form_ && name == "Timer1") form_->Timer1_Timer();
}

bool FormEvents::listKey(std::string_view name, int, platform::ListKey key) {
  return form_ && form_->listKey(name, key);
}

void FormEvents::resized() {
  if (form_) form_->Form_Resize();
}

}  // namespace ledra::app
