#include "graph/log.h"

#include <utility>

Log::Log(std::string name) {
    open(std::move(name));
}

void Log::open(std::string name) {
    fileName = std::move(name);
    if (stream.is_open()) stream.close();
    stream.open(fileName, std::ios::out | std::ios::trunc);
}

void Logs::open() {
    core.open("log/cores.log");
    gomoryHu.open("log/gomory_hu.log");
    gomoryHu2.open("log/gomory_hu2.log");
    gomoryHu3.open("log/gomory_hu3.log");
    gomoryHu4.open("log/gomory_hu4.log");
    gomoryHu5.open("log/gomory_hu5.log");
    communities.open("log/communities.log");
    kMax.open("log/kmax.log");
    kMin.open("log/kmin.log");
    tInicial.open("log/tinicial.log");
    tMedio.open("log/tmedio.log");
    tFinal.open("log/tfinal.log");
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
