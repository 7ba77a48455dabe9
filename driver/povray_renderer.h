// Turning a POV-Ray scene into a PNG image with the external "povray" (or "pvengine"), and
// the platform layer that both renderers share: the platform test, the quoting of file
// names for the shell, running a command, and the viewer step of -java.
#pragma once

#include <string>

// What the renderers take from the command line.
struct RenderOptions {
    // The image size in pixels.
    int width = 800;
    int height = 600;
    // The part of the frame rendered (-window): fractions of its width and height.
    float hstart = 0.0f;
    float hend = 1.0f;
    float vstart = 0.0f;
    float vend = 1.0f;
    // The renderers' error output goes to "log/povray.log" instead of nowhere.
    bool logfile = false;
    // Each image is shown in the viewer once rendered.
    bool java = false;
};

class PovrayRenderer {
  public:
    // Renders scene into image, then runs the viewer when options.java is set. Returns 0;
    // any failing command throws Fatal.
    int render(std::string scene, std::string image, const RenderOptions& options);
};

extern PovrayRenderer povray_renderer;

// The message of a failing POV-Ray command.
extern const char* const kPovrayError;
// The message of a failing viewer.
extern const char* const kViewerError;

// Unix-like when home begins with "/"; an unset (nullptr) or empty HOME counts as Unix-like
// too, since only a Windows-like environment sets it to a drive path.
bool isUnixLike(const char* home);
// "/dev/null" on the Unix-like platform, "nul" otherwise.
std::string nullDevice(bool unixLike);

// A relative name beginning with "-" gets "./" in front, so that no program takes it for an
// option; every other name is returned as it is.
std::string fileArgument(const std::string& name);
// The word as one shell word: unchanged when made only of letters, digits and "._/+-,:@%=",
// otherwise in single quotes (an embedded quote becomes '\''), so it never runs anything.
std::string shellWord(const std::string& word);
// The +I or +O option of POV-Ray for a file name, ready for the shell. POV-Ray's own option
// parser splits a value at blanks and stops at ";", "=", "#", "[" and quotes, so a name
// with any character outside the safe set is wrapped in double quotes inside the option.
std::string povrayFileOption(const std::string& option, const std::string& name);
// A float widened to double and written as "%f" does (six decimals, never cut short).
std::string fixedSix(float value);

// The rendering command for these names and options, on the platform that home decides.
std::string povrayCommand(const std::string& scene, const std::string& image,
                          const RenderOptions& options, const char* home);
// The viewer command for an image: "java -jar visualizer.jar IMAGE 2> NULL".
// With errorFile, the viewer's error output goes there instead.
std::string viewerCommand(const std::string& image, const char* home,
                          const std::string& errorFile = "");
// Why the viewer failed, the first that applies: no visualizer.jar in the working directory,
// no java on pathValue, no display; else the viewer's own first line of error output; else
// nothing ("").
std::string viewerFailureReason(const char* pathValue, const char* display,
                                const std::string& viewerSaid);
// The viewer's ERROR line: kViewerError followed by the reason, when there is one.
std::string viewerFailure(const std::string& reason);

// Whether program is an executable regular file in one of the directories of pathValue
// (the value of "PATH"; an empty entry is the current directory, nullptr the shell's
// default "/bin:/usr/bin").
bool onPath(const std::string& program, const char* pathValue);

// Runs a command line through the system command interpreter and waits for it. Standard
// output is flushed first so that the program's lines and the command's stay in order;
// the interpreter's own error output is discarded. True when the command exited with
// status 0.
bool runCommand(const std::string& command);

// The renderers' error log of -logfile.
inline constexpr const char* kRendererLog = "log/povray.log";
// Runs a renderer's command. With options.logfile the command's error output goes to
// kRendererLog: whatever is at that name (an earlier log, a planted link) is removed first
// and the interpreter creates the file anew, refusing to follow a link (noclobber).
bool runRenderer(const std::string& command, const RenderOptions& options);

// The viewer step of both renderers: when options.java is set, runs the viewer on image and
// throws Fatal with viewerFailure when it fails.
void runViewer(const std::string& image, const RenderOptions& options, const char* home);
