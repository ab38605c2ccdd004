// The seam's handle types to and from the Win32 ones: the one place they are cast.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/system.h"

namespace ledra::platform::win32 {

inline HANDLE asHandle(Handle h) { return reinterpret_cast<HANDLE>(raw(h)); }
inline HKEY asKey(Handle k) { return reinterpret_cast<HKEY>(raw(k)); }
inline HWND asWindow(WindowHandle w) { return reinterpret_cast<HWND>(raw(w)); }
inline HICON asIcon(IconHandle i) { return reinterpret_cast<HICON>(raw(i)); }

inline Handle fromHandle(HANDLE h) { return Handle{reinterpret_cast<std::uintptr_t>(h)}; }
inline Handle fromKey(HKEY k) { return Handle{reinterpret_cast<std::uintptr_t>(k)}; }
inline WindowHandle fromWindow(HWND w) { return WindowHandle{reinterpret_cast<std::uintptr_t>(w)}; }
inline IconHandle fromIcon(HICON i) { return IconHandle{reinterpret_cast<std::uintptr_t>(i)}; }

}  // namespace ledra::platform::win32
