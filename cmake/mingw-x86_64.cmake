# Cross-compiles the 64-bit Windows tree with MinGW-w64 (posix threads, for GoogleTest)
# and runs its test programs under 64-bit Wine. The 64-bit loader is named directly:
# Debian's `wine` picks the 32-bit loader whenever wine32 is installed. ledra.exe itself
# comes from a nested build with the toolchain below (win32 threads), as the 32-bit one
# does, so the product imports nothing newer than its header claims.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-x86_64-product.cmake)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(LEDRA_PRODUCT_TOOLCHAIN ${CMAKE_CURRENT_LIST_DIR}/mingw-x86_64-product.cmake)
