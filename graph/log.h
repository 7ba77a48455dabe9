// A named diagnostic text file under "log/". Opening is silent: without the directory
// every insertion is discarded, and a failing log never changes the run. A log is always a
// new file put in place of whatever was at its name (openReplacing), so a link planted
// there is replaced, never followed.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "graph/output_file.h"

class Log {
  public:
    // Writes nowhere until opened.
    Log() = default;
    explicit Log(std::string fileName);
    // Creates or empties the file and writes there from now on (openReplacing, which lists
    // its temporary in temporaries meanwhile, when given).
    void open(std::string fileName, TemporaryFiles* temporaries = nullptr);
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

  private:
    DescriptorBuffer buffer_;

  public:
    std::ostream stream{nullptr};
};

// The program's twelve logs. They are opened by the program at start-up, in this order
// (each creates or empties its file); analyses write into the set they are given.
struct Logs {
    Log core;
    Log gomoryHu;
    Log gomoryHu2;
    Log gomoryHu3;
    Log gomoryHu4;
    Log gomoryHu5;
    Log communities;
    Log kMax;
    Log kMin;
    Log tInicial;
    Log tMedio;
    Log tFinal;

    // Opens the twelve under "log/".
    void open(TemporaryFiles* temporaries = nullptr);
    // Their file names, in that order.
    static std::vector<std::string> fileNames();
};
