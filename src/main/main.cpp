// Ledra's entry point: the real system, Ledra's window and its message loop.
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <string>

#include "main/ledra_window.h"
#include "platform/com_apartment.h"
#include "platform/win32/safe_loading.h"
#include "platform/win32/win32_system.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // Before anything loads a DLL: this program is often run from a Downloads folder.
  ledra::platform::win32::hardenProcess();
  ledra::platform::win32::Win32System system;
  const ledra::platform::ComApartment com(system);  // before anything can reach the shell
  ledra::LedraWindow window;
  if (!window.create(system, instance, showCommand)) return 1;
  return window.run();
}

// ---- ledra.exe's share of the C++ runtime --------------------------------------------
// Two parts of the static runtime are replaced here, in the program's own object, so the
// runtime's are never linked into ledra.exe (the tests keep the runtime's own). Together
// they are most of the runtime's size in the program: some 90 KB of the 32-bit build.

// The default terminate handler writes the type of an exception nobody caught,
// demangled, to stderr, which a GUI program does not have; it brings the whole demangler
// and a floating-point printf along. The program still ends as it would: abort().
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The checks inside std::string, std::vector and std::function throw through these.
// The runtime's own build them as std::length_error and its kin, which bring a second,
// copy-on-write std::string and all of its instantiations. Ledra catches only with
// catch (...) (a handler that fails ends, the window goes on: main_window.cpp), so the
// type is all that differs: memory errors stay std::bad_alloc, the others are a
// std::exception with the runtime's message. A new use of another of these makes the
// link fail on a duplicate definition; add it here.
namespace {
class RuntimeCheckFailed final : public std::exception {
 public:
  explicit RuntimeCheckFailed(const char* what) : what_(what) {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;
};
}  // namespace

namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
void __throw_length_error(const char* what) { throw RuntimeCheckFailed(what); }
void __throw_logic_error(const char* what) { throw RuntimeCheckFailed(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw RuntimeCheckFailed(format); }
void __throw_bad_function_call() { throw RuntimeCheckFailed("bad function call"); }
}  // namespace std
