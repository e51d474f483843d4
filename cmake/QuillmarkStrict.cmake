# The warnings and Qt's stricter settings that every target of ours links,
# rather than options for the whole tree, so that what CMake or Qt add to a
# build (generated resources, fetched code) keeps its own. The settings are
# the cheap ones: conversions that would hide an encoding or a lost digit
# become compile errors, and foreach gives way to range-for. The program's
# own code goes further (quillmark_strict): no text is made from 8-bit data
# without naming its encoding. What only tests, fuzz targets and the benchmark
# build (quillmark_literals) may still write a QString as a plain literal,
# which is how their tables read best, but never from a char pointer.
option(QUILLMARK_WARNINGS_AS_ERRORS "Fail the build on any compiler warning (as the CI builds do)" OFF)

add_library(quillmark_warnings INTERFACE)
if(MSVC)
    set(quillmark_warnings /W4 $<$<BOOL:${QUILLMARK_WARNINGS_AS_ERRORS}>:/WX>)
else()
    set(quillmark_warnings -Wall -Wextra -Wpedantic $<$<BOOL:${QUILLMARK_WARNINGS_AS_ERRORS}>:-Werror>)
endif()
# C++ alone: the Windows resource compiler takes none of these.
target_compile_options(quillmark_warnings INTERFACE $<$<COMPILE_LANGUAGE:CXX>:${quillmark_warnings}>)
target_compile_definitions(quillmark_warnings INTERFACE
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
)

add_library(quillmark_strict INTERFACE)
target_link_libraries(quillmark_strict INTERFACE quillmark_warnings)
target_compile_definitions(quillmark_strict INTERFACE QT_NO_CAST_FROM_ASCII)
add_library(quillmark_literals INTERFACE)
target_link_libraries(quillmark_literals INTERFACE quillmark_warnings)
target_compile_definitions(quillmark_literals INTERFACE QT_RESTRICTED_CAST_FROM_ASCII)
