#pragma once
// Checks for the fuzz targets. A failed check prints what was expected and stops the run
// with abort(), so both the fuzzing engine and the corpus driver record the input.
#include <QString>

#include <cstddef>
#include <cstdint>

[[noreturn]] void fuzzFail(const char* file, int line, const char* condition, const QString& detail);

#define FUZZ_CHECK(condition, detail)                                                                   \
    do {                                                                                                 \
        if (!(condition))                                                                                \
            fuzzFail(__FILE__, __LINE__, #condition, (detail));                                           \
    } while (false)

// Reads the input from its start; past the end every read gives 0, so a target can take
// as many choices as it needs from inputs of any length.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    bool atEnd() const { return pos_ >= size_; }
    size_t remaining() const { return size_ - pos_; }
    const uint8_t* rest() const { return data_ + pos_; }
    // Up to n bytes from the current position.
    size_t take(size_t n, const uint8_t*& out)
    {
        const size_t k = n < remaining() ? n : remaining();
        out = data_ + pos_;
        pos_ += k;
        return k;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The text with control and non-ASCII characters written as \x{..}, for messages.
QString fuzzShow(const QString& text);

// Two upper-case hex digits per byte.
QString fuzzHex(const uint8_t* data, size_t size);

// A file in a private temporary folder of this process, named name; removed at exit.
QString fuzzScratchFile(const QString& name);
// Writes the bytes to the file, replacing what was there.
void fuzzWriteFile(const QString& path, const uint8_t* data, size_t size);
