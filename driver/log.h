// A named diagnostic text file under "log/". Opening is silent: without the directory
// every insertion is discarded, and a failing log never changes the run.
#pragma once

#include <fstream>
#include <string>

class Log {
public:
    explicit Log(std::string fileName);
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    Log& operator<<(int value);
    Log& operator<<(std::string text);
    Log& operator<<(float value);
    // Counters wider than int (degree sums of large graphs) are written in decimal as well.
    Log& operator<<(unsigned value);
    Log& operator<<(long long value);
    Log& operator<<(unsigned long long value);
    Log& operator<<(double value);

    std::string fileName;
    std::ofstream stream;
};

// The twelve process-wide logs, constructed in this order at start-up (each truncates its file).
extern Log logCore;
extern Log logGomoryHu;
extern Log logGomoryHu2;
extern Log logGomoryHu3;
extern Log logGomoryHu4;
extern Log logGomoryHu5;
extern Log logCommunities;
extern Log logKMax;
extern Log logKMin;
extern Log logTInicial;
extern Log logTMedio;
extern Log logTFinal;
