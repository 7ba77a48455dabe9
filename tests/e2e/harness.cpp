#include "e2e/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace e2e {

namespace fs = std::filesystem;

std::string binary() {
    return QUORVANE_BINARY;
}
fs::path sourceDir() {
    return QUORVANE_SOURCE_DIR;
}

const std::set<std::string>& logFiles() {
    static const std::set<std::string> names = {
        "log/cores.log",      "log/gomory_hu.log",  "log/gomory_hu2.log",  "log/gomory_hu3.log",
        "log/gomory_hu4.log", "log/gomory_hu5.log", "log/communities.log", "log/kmax.log",
        "log/kmin.log",       "log/tinicial.log",   "log/tmedio.log",      "log/tfinal.log"};
    return names;
}

std::string progress(bool svg, bool rendering, const std::string& labels) {
    std::string text = "\tBuilding graph...\n\tFinding communities...\n";
    text += svg ? "\tGenerating .svg file...\n" : "\tGenerating .pov file...\n";
    // "N of N": every label drawn, nothing more to say.
    const std::size_t of = labels.find(" of ");
    const bool all = of != std::string::npos && labels.substr(0, of) == labels.substr(of + 4);
    if (!labels.empty())
        text += "\tLabels: " + labels + (all ? " drawn\n" : " drawn (the others would overlap)\n");
    if (rendering) text += "\tRendering image...\n";
    return text + "Done!\n";
}

RunDir::RunDir(bool withLog) {
    std::string pattern = (fs::temp_directory_path() / "quorvane-e2e-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    if (withLog) fs::create_directory(dir_ / "log");
}

RunDir::~RunDir() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

void RunDir::write(const std::string& name, const std::string& content) const {
    fs::path file = dir_ / name;
    if (file.has_parent_path()) fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << content;
}

void RunDir::copyExample(const std::string& name, const std::string& as) const {
    fs::copy_file(sourceDir() / "examples" / name, dir_ / (as.empty() ? name : as),
                  fs::copy_options::overwrite_existing);
}

std::string RunDir::read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool RunDir::exists(const std::string& name) const {
    return fs::exists(dir_ / name);
}

std::set<std::string> RunDir::files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
        if (entry.is_regular_file()) names.insert(fs::relative(entry.path(), dir_).string());
    return names;
}

Result RunDir::run(const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& env, int timeoutSeconds) const {
    return runProgram(binary(), args, env, timeoutSeconds);
}

Result RunDir::runProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& env, int timeoutSeconds) const {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");

    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvText) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(outPipe[1]);
        close(errPipe[0]);
        close(errPipe[1]);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, STDIN_FILENO);
        if (chdir(dir_.c_str()) != 0) _exit(127);
        for (const auto& [key, value] : env) {
            if (value.empty())
                unsetenv(key.c_str());
            else
                setenv(key.c_str(), value.c_str(), 1);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);

    Result result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    bool killed = false;
    char buffer[65536];
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (poll(fds, 2, static_cast<int>(std::min<long long>(left, 1000))) < 0) break;
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = ::read(fds[k].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[k]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[k].fd);
                fds[k].fd = -1;
                --open;
            }
        }
    }
    for (auto& fd : fds)
        if (fd.fd >= 0) close(fd.fd);

    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.peakKilobytes = usage.ru_maxrss;
    result.status = (!killed && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace e2e
