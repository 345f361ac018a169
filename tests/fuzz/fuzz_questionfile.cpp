// libFuzzer target: the question file reader on any bytes.

#include "fuzz_checks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString failure = fuzzcheck::checkQuestionFile(bytes);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "broken promise: %s\n", qPrintable(failure));
        std::abort();
    }
    return 0;
}
