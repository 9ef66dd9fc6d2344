#pragma once
// The error a frame or a typed number raises when a text is not a whole number.
#include <QString>
#include <stdexcept>

class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const QString& failingText)
        : std::runtime_error(QStringLiteral("'%1' is not a valid integer value").arg(failingText).toStdString()),
          text_(failingText)
    {
    }
    const QString& failingText() const { return text_; }

private:
    QString text_;
};
