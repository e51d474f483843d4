# Cross-compiles for 64-bit Windows with Debian's MinGW-w64, and runs what it
# builds (the tests) through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The POSIX threading flavour: Qt needs std::thread and std::mutex, which the
# win32 flavour of this compiler lacks.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# The compiler's own runtime is linked in too, so the program needs only the
# DLLs that come with Windows; a release build leaves out the symbols.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -s)

# Besides the compiler's own, the libraries built for Windows other than Qt
# (uchardet), which scripts/build-windows.sh installs into a prefix of their
# own and names here.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${QUILLMARK_WINDOWS_LIBRARIES})
# CMake reads this file again for each test project it compiles while
# configuring, in the same process; without the prefix there, the last such
# reading would point pkg-config back at the compiler's own libraries.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLMARK_WINDOWS_LIBRARIES)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# pkg-config would otherwise offer the build machine's own libraries, which
# the Windows linker cannot use; the files it finds here name their folders
# in full.
if(QUILLMARK_WINDOWS_LIBRARIES)
    set(ENV{PKG_CONFIG_LIBDIR} "${QUILLMARK_WINDOWS_LIBRARIES}/lib/pkgconfig")
else()
    set(ENV{PKG_CONFIG_LIBDIR} "/usr/x86_64-w64-mingw32/lib/pkgconfig")
endif()
