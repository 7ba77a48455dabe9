#include "graph/log.h"

#include <utility>

Log::Log(std::string name) {
    open(std::move(name));
}

void Log::open(std::string name, TemporaryFiles* temporaries) {
    fileName = std::move(name);
    stream.flush();
    buffer_.close();
    const int descriptor = openReplacing(fileName, temporaries);
    if (descriptor < 0) {
        stream.rdbuf(nullptr);
        return;
    }
    buffer_.attach(descriptor);
    stream.rdbuf(&buffer_);
}

std::vector<std::string> Logs::fileNames() {
    return {"log/cores.log",      "log/gomory_hu.log",  "log/gomory_hu2.log",  "log/gomory_hu3.log",
            "log/gomory_hu4.log", "log/gomory_hu5.log", "log/communities.log", "log/kmax.log",
            "log/kmin.log",       "log/tinicial.log",   "log/tmedio.log",      "log/tfinal.log"};
}

void Logs::open(TemporaryFiles* temporaries) {
    Log* const logs[] = {&core,        &gomoryHu, &gomoryHu2, &gomoryHu3, &gomoryHu4, &gomoryHu5,
                         &communities, &kMax,     &kMin,      &tInicial,  &tMedio,    &tFinal};
    const std::vector<std::string> names = fileNames();
    for (std::size_t k = 0; k < names.size(); ++k) logs[k]->open(names[k], temporaries);
}

Log::~Log() {
    stream.flush();
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
