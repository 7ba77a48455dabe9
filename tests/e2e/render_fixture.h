// In-process rendering tests: the renderers run their commands through the shell in the
// current directory with the process's environment, so a test moves into a fresh run
// directory, sets PATH, HOME or DISPLAY as it needs, and gets all of it back afterwards.
// The renderers' options start from their defaults in every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "driver/povray_renderer.h"
#include "e2e/harness.h"

namespace e2e {

class InRunDir : public ::testing::Test {
  protected:
    explicit InRunDir(bool withLog = true) : dir(withLog) {}

    RenderOptions options;

    void SetUp() override {
        before_ = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }

    void TearDown() override {
        std::filesystem::current_path(before_);
        for (const auto& [name, value] : environment_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

    // Sets (or with nullptr unsets) an environment variable until the test ends.
    void setEnv(const std::string& name, const char* value) {
        if (!environment_.count(name)) {
            const char* old = std::getenv(name.c_str());
            environment_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name.c_str(), value, 1);
        else
            unsetenv(name.c_str());
    }

    // A stand-in for an external program in the directory "bin" of the run directory: it
    // appends its name and each argument in brackets as one line to "calls.log", then
    // exits with status.
    void standIn(const std::string& program, int status = 0) {
        std::filesystem::path file = dir / ("bin/" + program);
        dir.write("bin/" + program,
                  "#!/bin/sh\n"
                  "{ printf '%s' '" +
                      program +
                      "'; for a; do printf ' [%s]' \"$a\"; done; "
                      "printf '\\n'; } >> '" +
                      (dir / "calls.log").string() +
                      "'\n"
                      "echo 'stand-in " +
                      program +
                      " complains' >&2\n"
                      "exit " +
                      std::to_string(status) + "\n");
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }
    // Makes the stand-ins the only programs the shell finds.
    void onlyStandIns() {
        std::filesystem::create_directories(dir / "bin");
        setEnv("PATH", (dir / "bin").c_str());
    }
    std::string calls() const { return dir.exists("calls.log") ? dir.read("calls.log") : ""; }

    RunDir dir;

  private:
    std::filesystem::path before_;

    std::map<std::string, std::optional<std::string>> environment_;
};

}  // namespace e2e
