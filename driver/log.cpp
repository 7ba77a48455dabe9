#include "driver/log.h"

#include <utility>

Log::Log(std::string name) : fileName(std::move(name)) {
    stream.open(fileName, std::ios::out | std::ios::trunc);
}

Log::~Log() {
    if (stream.is_open()) stream.close();
}

Log& Log::operator<<(int value) {
    stream << value;
    return *this;
}

Log& Log::operator<<(std::string text) {
    stream << text;
    return *this;
}

Log& Log::operator<<(float value) {
    stream << static_cast<double>(value);
    return *this;
}

Log& Log::operator<<(unsigned value) {
    stream << value;
    return *this;
}

Log& Log::operator<<(long long value) {
    stream << value;
    return *this;
}

Log& Log::operator<<(unsigned long long value) {
    stream << value;
    return *this;
}

Log& Log::operator<<(double value) {
    stream << value;
    return *this;
}
