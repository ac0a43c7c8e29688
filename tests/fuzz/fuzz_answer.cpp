#include "AnswerReaders.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

// Answer bytes as a fetch would deliver them: parse guard, document, conditions walk with its
// data file, hourly fill and station lookup.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    AnswerReaders::readAll(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
        folder.path());
    return 0;
}
