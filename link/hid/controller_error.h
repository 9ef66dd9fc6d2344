#pragma once
// The error raised by the HID device controller and its device objects.
#include <stdexcept>
#include <string>

class EControllerError : public std::runtime_error {
public:
    explicit EControllerError(const std::string& message) : std::runtime_error(message) {}
};
