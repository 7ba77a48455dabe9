#include "driver/povray_renderer.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string_view>

#include "graph/defs.h"
#include "graph/text.h"

PovrayRenderer povray_renderer;

const char* const kPovrayError =
    "ERROR: Error rendering image. Verify povray is installed in your system and the bin "
    "directory of the povray installation path is in the PATH environment variable.\n";
const char* const kViewerError =
    "ERROR: Error displaying image. Verify java is installed in your system.\n";

namespace {

// Characters that mean nothing to the shell; a word made only of these needs no quotes.
bool shellSafe(char c) {
    bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    return alphanumeric || std::string_view("._/+-,:@%=").find(c) != std::string_view::npos;
}

// Characters that POV-Ray's option parser takes literally inside an unquoted value ("="
// is not one of them: it is read as an assignment).
bool povraySafe(char c) {
    return c != '=' && shellSafe(c);
}

bool allOf(const std::string& text, bool (*safe)(char)) {
    for (char c : text)
        if (!safe(c)) return false;
    return true;
}

// The shell's search path when PATH is not set (that of Debian's /bin/sh).
const char* const kDefaultPath = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";

}  // namespace

bool isUnixLike(const char* home) {
    return home == nullptr || home[0] == '\0' || home[0] == '/';
}

std::string nullDevice(bool unixLike) {
    return unixLike ? "/dev/null" : "nul";
}

std::string fileArgument(const std::string& name) {
    return !name.empty() && name[0] == '-' ? "./" + name : name;
}

std::string shellWord(const std::string& word) {
    if (!word.empty() && allOf(word, shellSafe)) return word;
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string povrayFileOption(const std::string& option, const std::string& name) {
    std::string value = fileArgument(name);
    if (!allOf(value, povraySafe)) value = "\"" + value + "\"";
    return shellWord(option + value);
}

std::string fixedSix(float value) {
    // The widest float, 3.4e38, takes 47 characters with its sign and six decimals.
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    return text;
}

std::string povrayCommand(const std::string& scene, const std::string& image,
                          const RenderOptions& options, const char* home) {
    bool unixLike = isUnixLike(home);
    std::string command = unixLike ? "povray " : "pvengine ";
    command += povrayFileOption("+I", scene) + " " + povrayFileOption("+O", image);
    command += " +W" + std::to_string(options.width) + " +H" + std::to_string(options.height);
    // Columns take the vertical pair of -window and rows the horizontal pair.
    command += " +Q2 +SC" + fixedSix(options.vstart) + " +EC" + fixedSix(options.vend) + " +SR" +
               fixedSix(options.hstart) + " +ER" + fixedSix(options.hend);
    if (unixLike)
        command += " -D +FN";
    else
        command += options.logfile ? " -D /EXIT +FN" : " -D +FN /EXIT";
    command += " 2> " + (options.logfile ? std::string(kRendererLog) : nullDevice(unixLike));
    return command;
}

std::string viewerCommand(const std::string& image, const char* home,
                          const std::string& errorFile) {
    return "java -jar visualizer.jar " + shellWord(fileArgument(image)) + " 2> " +
           (errorFile.empty() ? nullDevice(isUnixLike(home)) : shellWord(errorFile));
}

std::string viewerFailureReason(const char* pathValue, const char* display,
                                const std::string& viewerSaid) {
    std::error_code error;
    if (!std::filesystem::is_regular_file("visualizer.jar", error))
        return "visualizer.jar is not in the working directory";
    if (!onPath("java", pathValue)) return "java is not on the PATH";
    if (!display || !*display) return "there is no display (DISPLAY is not set)";
    if (!viewerSaid.empty()) return "the viewer said: " + escaped(viewerSaid, Escape::Argument);
    return "";
}

std::string viewerFailure(const std::string& reason) {
    std::string message = kViewerError;
    if (reason.empty()) return message;
    message.pop_back();
    return message + " Reason: " + reason + ".\n";
}

bool onPath(const std::string& program, const char* pathValue) {
    std::string path = pathValue ? pathValue : kDefaultPath;
    std::size_t begin = 0;
    while (true) {
        std::size_t end = path.find(':', begin);
        std::string dir = path.substr(begin, end == std::string::npos ? end : end - begin);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos) return false;
        begin = end + 1;
    }
}

bool runCommand(const std::string& command) {
    std::cout.flush();
    std::fflush(stdout);
    // The shell's own complaints (a "2>" target it cannot create) go nowhere either: the
    // program writes nothing on standard error.
    int status = std::system(("exec 2> /dev/null; " + command).c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool runRenderer(const std::string& command, const RenderOptions& options) {
    if (!options.logfile) return runCommand(command);
    ::unlink(kRendererLog);
    return runCommand("set -C; " + command);
}

namespace {

// A fresh temporary file for a command's error output; removed with the object.
class ErrorFile {
  public:
    ErrorFile() {
        std::error_code error;
        std::string pattern =
            (std::filesystem::temp_directory_path(error) / "quorvane-viewer-XXXXXX").string();
        const int descriptor = mkstemp(pattern.data());
        if (descriptor < 0) return;
        close(descriptor);
        name_ = pattern;
    }
    ~ErrorFile() {
        if (!name_.empty()) std::remove(name_.c_str());
    }
    ErrorFile(const ErrorFile&) = delete;
    ErrorFile& operator=(const ErrorFile&) = delete;

    const std::string& name() const { return name_; }
    std::string firstLine() const {
        std::ifstream in(name_);
        std::string line;
        std::getline(in, line);
        return line;
    }

  private:
    std::string name_;
};

}  // namespace

void runViewer(const std::string& image, const RenderOptions& options, const char* home) {
    if (!options.java) return;
    // The viewer's error output is kept aside (never shown) in case it fails.
    const ErrorFile errors;
    if (runCommand(viewerCommand(image, home, isUnixLike(home) ? errors.name() : ""))) return;
    throw Fatal(viewerFailure(
        viewerFailureReason(std::getenv("PATH"), std::getenv("DISPLAY"), errors.firstLine())));
}

int PovrayRenderer::render(std::string scene, std::string image, const RenderOptions& options) {
    const char* home = std::getenv("HOME");
    if (!runRenderer(povrayCommand(scene, image, options, home), options))
        throw Fatal(kPovrayError);
    runViewer(image, options, home);
    return 0;
}
