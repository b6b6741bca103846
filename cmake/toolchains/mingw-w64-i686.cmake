# Cross build for 32-bit Windows with mingw-w64 (posix thread model). SSE2 arithmetic, so
# that float results match the 64-bit builds rather than the x87 unit's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZK_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
# The C runtime's malloc gives 32-bit Windows programs 8-byte alignment only, where the
# compiler would take 16 for granted: objects with SSE members (the engine's) go through
# the aligned operator new instead of landing misaligned.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -faligned-new=8")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
