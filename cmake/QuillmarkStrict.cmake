# The warnings and Qt's stricter settings that every target of ours links,
# rather than options for the whole tree, so that what CMake or Qt add to a
# build (generated resources, fetched code) keeps its own. The settings are
# the cheap ones: conversions that would hide an encoding or a lost digit
# become compile errors, and foreach gives way to range-for.
option(QUILLMARK_WARNINGS_AS_ERRORS "Fail the build on any compiler warning (as the CI builds do)" OFF)

add_library(quillmark_strict INTERFACE)
if(MSVC)
    set(quillmark_warnings /W4 $<$<BOOL:${QUILLMARK_WARNINGS_AS_ERRORS}>:/WX>)
else()
    set(quillmark_warnings -Wall -Wextra -Wpedantic $<$<BOOL:${QUILLMARK_WARNINGS_AS_ERRORS}>:-Werror>)
endif()
# C++ alone: the Windows resource compiler takes none of these.
target_compile_options(quillmark_strict INTERFACE $<$<COMPILE_LANGUAGE:CXX>:${quillmark_warnings}>)
target_compile_definitions(quillmark_strict INTERFACE
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
)
