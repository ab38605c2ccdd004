#include "app/form_controls.h"

#include <iterator>
#include <type_traits>

namespace ledra::app {

namespace {

using Take = void (*)(FormControls&, platform::ControlLookup&, std::string_view name, int index);

// Fills the member, or the element `index` of the member array.
template <auto Member>
void take(FormControls& form, platform::ControlLookup& controls, std::string_view name, int index) {
  auto& slot = form.*Member;
  if constexpr (std::is_array_v<std::remove_reference_t<decltype(slot)>>) {
    if (index >= 0 && index < static_cast<int>(std::size(slot))) controls.find(name, index, slot[index]);
  } else {
    controls.find(name, index, slot);
  }
}

struct Binding {
  std::string_view name;
  int index;
  Take take;
};

using F = FormControls;
constexpr Binding kBindings[] = {
    {"TabStrip1", -1, take<&F::TabStrip1>},
    {"PicProperty", 0, take<&F::PicProperty>},
    {"PicProperty", 1, take<&F::PicProperty>},
    {"PicProperty", 2, take<&F::PicProperty>},
    {"ListTask", -1, take<&F::ListTask>},
    {"ListProcess", -1, take<&F::ListProcess>},
    {"Image_NULL", -1, take<&F::Image_NULL>},
    {"Image_Large", -1, take<&F::Image_Large>},
    {"Image_Small", -1, take<&F::Image_Small>},
    {"Pic_Large", -1, take<&F::Pic_Large>},
    {"Pic_Small", -1, take<&F::Pic_Small>},
    {"UseCPU", -1, take<&F::UseCPU>},
    {"BrokenCPU", -1, take<&F::BrokenCPU>},
    {"UseFF", -1, take<&F::UseFF>},
    {"BrokenFF", -1, take<&F::BrokenFF>},
    {"LabCPU", -1, take<&F::LabCPU>},
    {"LabFF", -1, take<&F::LabFF>},
    {"LabTotalPageFile", -1, take<&F::LabTotalPageFile>},
    {"LabAvailPageFile", -1, take<&F::LabAvailPageFile>},
    {"LabUsePageFile", -1, take<&F::LabUsePageFile>},
    {"LabTotalVirtual", -1, take<&F::LabTotalVirtual>},
    {"LabAvailVirtual", -1, take<&F::LabAvailVirtual>},
    {"LabUseVirtual", -1, take<&F::LabUseVirtual>},
    {"StatusBar1", -1, take<&F::StatusBar1>},
    {"Timer1", -1, take<&F::Timer1>},
    {"menu_show", -1, take<&F::menu_show>},
    {"meun_usemin", -1, take<&F::meun_usemin>},
    {"menu_renew", 0, take<&F::menu_renew>},
    {"menu_renew", 1, take<&F::menu_renew>},
    {"menu_renew", 2, take<&F::menu_renew>},
    {"menu_renew", 3, take<&F::menu_renew>},
};

}  // namespace

FormControls bindControls(platform::ControlLookup& controls) {
  FormControls form;
  form.form = controls.form();
  for (const auto& binding : kBindings) binding.take(form, controls, binding.name, binding.index);
  return form;
}

bool isBound(std::string_view name, int index) {
  for (const auto& binding : kBindings)
    if (binding.name == name && binding.index == index) return true;
  return false;
}

}  // namespace ledra::app
