# Cross toolchain: Debian's mingw-w64 for 64-bit Windows, static PE32+ programs run under Wine's 64-bit loader.
# Built for the test suite on machines that cannot run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
