# Cross build for 64-bit Windows with mingw-w64. The posix thread model is needed for
# std::mutex and std::thread; the runtime is linked in statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
