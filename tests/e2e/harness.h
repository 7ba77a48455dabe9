// End-to-end harness: runs the built quorvane binary in a fresh temporary directory and
// captures what it printed, its exit status and the files it left.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace e2e {

struct Result {
    int status = -1;  // exit status; -1 when the process was killed (timeout or signal)
    std::string out;
    std::string err;
    long peakKilobytes = 0;  // the process's own largest resident size
};

// The run directory's text for the progress lines of a complete run; labels is the count of
// the labels line ("N of M"), when labels are drawn.
std::string progress(bool svg = false, bool rendering = false, const std::string& labels = "");

class RunDir {
  public:
    // A fresh directory under the system's temporary folder, with a "log" subdirectory
    // unless withLog is false. Removed with everything in it on destruction.
    explicit RunDir(bool withLog = true);
    ~RunDir();
    RunDir(const RunDir&) = delete;
    RunDir& operator=(const RunDir&) = delete;

    const std::filesystem::path& path() const { return dir_; }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }

    void write(const std::string& name, const std::string& content) const;
    // Copies a file of the project's examples/ folder into the run directory.
    void copyExample(const std::string& name, const std::string& as = "") const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // Relative paths of every regular file below the directory ("log/cores.log", ...).
    std::set<std::string> files() const;

    // Runs quorvane with these arguments in this directory. env entries are set in the
    // child's environment (an empty value unsets the variable).
    Result run(const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env = {}, int timeoutSeconds = 300) const;
    // Runs any program the same way (argv[0] = program).
    Result runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& env = {},
                      int timeoutSeconds = 300) const;

  private:
    std::filesystem::path dir_;
};

// The path of the built binary and of the project's source tree.
std::string binary();
std::filesystem::path sourceDir();

// The names of the twelve log files, as the run creates them under "log/".
const std::set<std::string>& logFiles();

}  // namespace e2e
