#pragma once

// What every fuzz target shares: turning the fuzzer's bytes into texts and
// lists, and ending the run loudly when a property does not hold. libFuzzer
// treats the abort as a crash and keeps the input that caused it.

#include "CompactLists.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzzing {

[[noreturn]] inline void fail(const char *property, const char *file, int line)
{
    std::fprintf(stderr, "\n%s:%d: property violated: %s\n", file, line, property);
    std::fflush(stderr);
    std::abort();
}

// A text taken from the input. Most texts are read as Latin-1, so that short,
// equal and ASCII texts come easily; one in four is read as raw UTF-16 code
// units, so that every unit, unpaired surrogates included, can occur.
inline QString takeText(FuzzedDataProvider &input, size_t maxBytes = 48)
{
    const bool rawUtf16 = input.ConsumeIntegralInRange(0, 3) == 0;
    const std::string bytes = input.ConsumeRandomLengthString(maxBytes);
    if (!rawUtf16)
        return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    QString text(qsizetype(bytes.size() / 2), Qt::Uninitialized);
    std::memcpy(text.data(), bytes.data(), size_t(text.size()) * sizeof(QChar));
    return text;
}

inline QStringList takeEntries(FuzzedDataProvider &input, int maxCount = 48)
{
    const int count = input.ConsumeIntegralInRange(0, maxCount);
    QStringList entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.append(takeText(input));
    return entries;
}

// Lists of texts in and out of their compact form, and the list library's
// commands on them, shared with the tests.
using ::compact;
using ::decodedEntries;
using ::expanded;
using ::prunedEntries;
using ::sortTexts;

} // namespace fuzzing

// Aborts with the condition's text, file and line when it does not hold.
#define FUZZ_REQUIRE(condition) ((condition) ? void() : fuzzing::fail(#condition, __FILE__, __LINE__))
