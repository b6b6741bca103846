# Cross build for 64-bit ARM Linux with Debian's cross compiler, against the arm64 libraries
# that multiarch installs beside the machine's own (/usr/lib/aarch64-linux-gnu). Programs
# built here (the tests, zkhost) run under qemu's user-mode emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# pkg-config must see the arm64 .pc files only, and the architecture-free ones.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
# ctest and the test discovery run the test programs through this.
find_program(ZK_QEMU_AARCH64 qemu-aarch64-static qemu-aarch64)
if(ZK_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ZK_QEMU_AARCH64})
endif()
