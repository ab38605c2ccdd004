# Cross-compiles the 32-bit Windows tree with MinGW-w64 (posix threads, for GoogleTest)
# and runs its test programs under Wine. ledra.exe itself comes from a nested build
# with the toolchain below (win32 threads), so the product imports nothing newer
# than Windows XP; it still lands in this tree as ledra.exe.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-product.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(LEDRA_PRODUCT_TOOLCHAIN ${CMAKE_CURRENT_LIST_DIR}/mingw-i686-product.cmake)
