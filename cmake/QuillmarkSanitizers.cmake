# Checked builds. QUILLMARK_SANITIZE builds everything (library, program and
# tests) with AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer;
# any report ends the process, so a test that triggers one fails.
# QUILLMARK_BUILD_FUZZERS adds the fuzz targets of fuzz/, which need clang's
# libFuzzer; it implies QUILLMARK_SANITIZE so that the fuzzed library is
# checked the same way, and instruments every target for coverage.
option(QUILLMARK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUILLMARK_BUILD_FUZZERS "Build the libFuzzer targets of fuzz/ (clang only)" OFF)

if(QUILLMARK_BUILD_FUZZERS)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "QUILLMARK_BUILD_FUZZERS needs clang (libFuzzer); configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    # For this configuration only: turning the fuzzers off again leaves the
    # cached choice as it was.
    set(QUILLMARK_SANITIZE ON)
    # Coverage instrumentation only; the fuzz targets themselves link the
    # fuzzer's main with -fsanitize=fuzzer.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(QUILLMARK_SANITIZE)
    if(MSVC)
        message(FATAL_ERROR "QUILLMARK_SANITIZE needs gcc or clang")
    endif()
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# What CTest hands each test of a checked build: leaks are reported (and end
# the test with an error), suppressions for the system's own libraries are
# read from tests/lsan.supp, and every report carries a stack trace.
set(QUILLMARK_SANITIZER_ENVIRONMENT
    "ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
)
