#include "fuzz_check.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

void fuzzFail(const char* file, int line, const char* condition, const QString& detail)
{
    std::fprintf(stderr, "\n%s:%d: check failed: %s\n  %s\n", file, line, condition, qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

QString fuzzShow(const QString& text)
{
    QString shown;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() >= 0x7F)
            shown += QStringLiteral("\\x{%1}").arg(c.unicode(), 0, 16);
        else
            shown += c;
    }
    return shown;
}

QString fuzzHex(const uint8_t* data, size_t size)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(int(2 * size));
    for (size_t i = 0; i < size; ++i) {
        text += QLatin1Char(digits[data[i] >> 4]);
        text += QLatin1Char(digits[data[i] & 0x0F]);
    }
    return text;
}

QString fuzzScratchFile(const QString& name)
{
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir) {
        // Saving syncs the file to disk; in memory that costs nothing, so more inputs run.
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/meter-fuzz-XXXXXX"));
        if (!dir->isValid()) {
            std::fprintf(stderr, "cannot create a temporary folder\n");
            std::abort();
        }
    }
    return dir->filePath(name);
}

void fuzzWriteFile(const QString& path, const uint8_t* data, size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}
