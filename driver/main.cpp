// The run, stage by stage: options, read, names, cores, communities, layout, scenes, export,
// render.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/cores.h"
#include "analysis/greedy.h"
#include "analysis/leiden.h"
#include "analysis/partition.h"
#include "auxiliary/graph_node_names.h"
#include "driver/parameters.h"
#include "driver/povray_renderer.h"
#include "driver/svg_renderer.h"
#include "engines/clear.h"
#include "engines/engine.h"
#include "engines/povray.h"
#include "engines/svg.h"
#include "export/data_files.h"
#include "export/html_page.h"
#include "export/results.h"
#include "graph/defs.h"
#include "graph/formats/input_format.h"
#include "graph/formats/network_reader.h"
#include "graph/log.h"
#include "graph/output_file.h"
#include "graph/partition_reader.h"
#include "graph/progress.h"
#include "graph/text.h"
#include "scene/graphics.h"
#include "scene/layout.h"

namespace {

using Renderer = Parameters::Renderer;

// This run's temporary files, which a terminating signal removes, and the status line it
// erases: the process-wide state, since a signal handler can reach nothing else.
TemporaryFiles temporaries;
std::atomic<Progress*> statusLine{nullptr};

extern "C" void onTerminatingSignal(int signal) {
    temporaries.removeAll();
    if (Progress* line = statusLine.load()) line->clearFromSignal();
    // The handler was installed to run once (SA_RESETHAND): raised again, the signal ends
    // the process as it would have without the handler, once this returns.
    ::raise(signal);
}

// Ctrl-C, a kill or a closed terminal leaves the earlier files as they were: the handler
// removes this run's temporaries. A signal ignored by whoever started the run stays ignored.
void handleTerminatingSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = onTerminatingSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
}

// ---- What the run reads and writes ----

// A file with what the messages call it.
struct NamedFile {
    std::string name;
    std::string what;
};

// The links table -export csv writes beside a vertices table (STEM_vertices.csv gives
// STEM_links.csv); empty for a partition file of another name.
std::string linksTableBeside(const std::string& partitionFile) {
    const std::string_view suffix = "_vertices.csv";
    if (partitionFile.size() <= suffix.size() ||
        partitionFile.compare(partitionFile.size() - suffix.size(), suffix.size(), suffix) != 0)
        return {};
    return partitionFile.substr(0, partitionFile.size() - suffix.size()) + "_links.csv";
}

// The files the run reads (as far as the options were read).
std::vector<NamedFile> filesRead(const Parameters& p) {
    return {{p.inputFile, "input"},
            {kConfigurationFile, "configuration"},
            {p.namesToRead(), "names"},
            {p.partitionFile, "partition"},
            {linksTableBeside(p.partitionFile), "partition's links"}};
}

// No file the run writes may replace one it reads: "ERROR: WHAT NAME would overwrite the
// input file". Checked before anything is written.
void refuseOverwritingReadFiles(const std::vector<NamedFile>& written,
                                const std::vector<NamedFile>& read) {
    for (const NamedFile& output : written) {
        for (const NamedFile& input : read) {
            std::error_code error;
            if (!input.name.empty() && std::filesystem::equivalent(output.name, input.name, error))
                throw Fatal("ERROR: " + output.what + " " + output.name + " would overwrite the " +
                            input.what + " file\n");
        }
    }
}

std::vector<NamedFile> logFiles() {
    std::vector<NamedFile> files;
    for (const std::string& name : Logs::fileNames()) files.push_back({name, "Log file"});
    return files;
}

ExportFormats exportFormats(const Parameters& p) {
    return {p.exportCsv, p.exportGexf};
}

// Every file the run will write after the logs: the scenes or the page, the exports, the
// images and the renderers' log.
std::vector<NamedFile> filesWritten(const Parameters& p, const ExportFiles& exports) {
    std::vector<NamedFile> files;
    const bool page = p.renderer() == Renderer::html;
    if (page) {
        files.push_back({p.pageFile, "Page file"});
    } else {
        files.push_back({p.sceneFile1, "Scene file"});
        files.push_back({p.sceneFile2, "Scene file"});
    }
    if (exportFormats(p).any())
        for (const std::string& name : exports.names()) files.push_back({name, "Export file"});
    if (!page && !p.nographic) {
        files.push_back({p.imageFile1, "Image file"});
        files.push_back({p.imageFile2, "Image file"});
        if (p.logfile) files.push_back({kRendererLog, "Log file"});
    }
    return files;
}

// ---- The stages ----

// A progress line, shown at once even when standard output is a pipe; a status line is
// erased first.
void say(std::string_view line) {
    if (Progress* status = statusLine.load()) status->clear();
    std::cout << line << std::flush;
}

// The status line's object, when standard output is a terminal and -progress is on.
std::unique_ptr<Progress> statusLineFor(const Parameters& p) {
    if (p.progress == "off" || !::isatty(STDOUT_FILENO)) return nullptr;
    return std::make_unique<Progress>(STDOUT_FILENO);
}

std::uint64_t sizeOf(const std::string& name) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(name, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

const DeclaredVertices* declaredOf(const InputRead& input) {
    return input.declared.size() == 0 ? nullptr : &input.declared;
}

// The weights the run uses: the file's with -weighted, none otherwise.
const std::vector<double>* weightsOf(const InputRead& input, const Parameters& p) {
    return p.weighted && !input.adjacencyWeights.empty() ? &input.adjacencyWeights : nullptr;
}

// Labels the file gives are the vertices' names from here on, drawn as -names draws them.
InputRead readGraph(const Parameters& p, Graph& graph) {
    std::ifstream input = openForReading(p.inputFile, "Input file");
    say("\tBuilding graph...\n");
    InputRead read = readNetwork(input, graph, p.inputFile,
                                 {.format = inputFormatNamed(p.format),
                                  .weighted = p.weighted,
                                  .progress = statusLine.load(),
                                  .fileSize = sizeOf(p.inputFile)});
    if (read.weightsMissing != 0)
        say("\tWeights: " + std::to_string(read.weightsMissing) +
            (read.weightsMissing == 1 ? " edge" : " edges") + " without a weight counted as 1\n");
    return read;
}

// Runs step while the status line, when shown, counts the seconds.
template <class Step>
void timed(const char* stage, Step&& step) {
    Progress* status = statusLine.load();
    if (!status) {
        step();
        return;
    }
    status->start(stage);
    std::atomic<bool> done{false};
    std::jthread ticker([&] {
        while (!done.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!done.load()) status->tick();
        }
    });
    try {
        step();
    } catch (...) {
        done = true;
        throw;
    }
    done = true;
}

void readNames(const std::string& namesFile, Graph& graph) {
    if (!namesFile.empty()) Graph_node_names().readFile(graph, namesFile);
}

// A vertices table with member ranks draws its communities' links in the order the
// exporting run drew them when its links table lies beside it; otherwise, or when that
// table no longer matches (an edited partition), in order of first contact.
void orderLinksAsExported(Partition& partition, const std::string& partitionFile) {
    const std::string name = linksTableBeside(partitionFile);
    std::error_code error;
    // Only a regular file: a FIFO of that name must not hold the run.
    if (name.empty() || !std::filesystem::is_regular_file(name, error)) return;
    std::ifstream table(name, std::ios::binary);
    // A row per pair of adjacent communities and per community's link to itself at most.
    const std::optional<std::vector<LinkRank>> rows =
        readLinkRanks(table, partition.links.size() + partition.count());
    if (rows && orderLinks(partition, *rows)) return;
    say("\tLinks: " + name + " does not match the partition; links in order of first contact\n");
}

// Read from the partition file (whose counts go into the summary), or detected by the
// chosen detector; every detector hands the same kind of partition on.
// A partition file names vertices by the file's ids or labels where the input gave them.
Partition findCommunities(Graph& graph, const Parameters& p, const InputRead& input,
                          RunSummary& summary) {
    switch (p.detector()) {
        case Parameters::Detector::file: {
            const Membership read = readPartitionFile(p.partitionFile, graph, declaredOf(input));
            summary.partition = p.partitionFile;
            summary.unassigned = read.unassigned;
            summary.unknownIds = read.unknownIds;
            Partition partition = partitionFromMembership(graph, read.communityOf, read.communities,
                                                          read.rank.empty() ? nullptr : &read.rank);
            if (!read.rank.empty()) orderLinksAsExported(partition, p.partitionFile);
            return partition;
        }
        case Parameters::Detector::leiden: {
            LeidenOptions options{p.resolution, p.seed, p.effectiveThreads()};
            options.progress = statusLine.load();
            if (options.progress) options.progress->start("Finding communities (Leiden)");
            return leidenPartition(graph, options, weightsOf(input, p));
        }
        case Parameters::Detector::greedy:
            break;
    }
    GreedyOptions options;
    options.optimizer.threads = p.effectiveThreads();
    options.progress = statusLine.load();
    return greedyPartition(graph, options);
}

// Wall seconds since the previous lap.
class StageClock {
  public:
    double lap() {
        const auto now = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(now - last_).count();
        last_ = now;
        return seconds;
    }

  private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

template <class Writer>
std::unique_ptr<Engine> createEngine(std::ostream& out, const std::string& scene,
                                     const EngineOptions& options) {
    return std::make_unique<Writer>(out, scene, options);
}

// Both scene files are created before anything is drawn; then the vertex scene, then the
// community scene; they replace earlier files of their names together, once both are whole.
void writeScenes(const Layout& layout, const Partition& partition, const Graph& graph,
                 const Parameters& p, const StageOptions& stages) {
    const bool povray = p.renderer() == Renderer::povray;
    say(povray ? "\tGenerating .pov file...\n" : "\tGenerating .svg file...\n");
    FileSet scenes("Scene file", &temporaries);
    std::ostream& out1 = scenes.open(p.sceneFile1);
    std::ostream& out2 = scenes.open(p.sceneFile2);
    const EngineOptions& looks = stages.engine;
    const bool clear = p.pictureStyle() == Style::clear;
    auto engineFor = [&](std::ostream& out, const std::string& scene) {
        if (clear)
            return povray ? createEngine<PovrayClear>(out, scene, looks)
                          : createEngine<SvgClear>(out, scene, looks);
        return povray ? createEngine<Povray>(out, scene, looks)
                      : createEngine<Svg>(out, scene, looks);
    };
    std::unique_ptr<Engine> engine1 = engineFor(out1, p.sceneFile1);
    std::unique_ptr<Engine> engine2 = engineFor(out2, p.sceneFile2);
    SceneOptions shown = stages.scene;
    shown.progress = statusLine.load();
    Graphics(engine1.get(), shown).drawVertexScene(layout, graph);
    Graphics(engine2.get(), shown).drawCommunityScene(layout, partition);
    engine1.reset();
    engine2.reset();
    scenes.commit();
}

// Labels that do not fit are left out of the picture; the run says how many.
void reportLabels(const Layout& layout) {
    std::cout << "\tLabels: " << layout.labelsDrawn() << " of " << layout.labelsAsked
              << (layout.labelsDrawn() < layout.labelsAsked ? " drawn (the others would overlap)\n"
                                                            : " drawn\n")
              << std::flush;
}

// The interactive page in place of the scenes: written whole or not at all.
void writePage(const RunResults& results, const Parameters& p) {
    say("\tGenerating .html file...\n");
    timed("Writing the page",
          [&] { writeHtmlPage(results, p.inputFile, p.pageFile, &temporaries); });
}

// The data files and the summary line, after the scenes; the summary's own time is the
// export's.
void exportResults(ExportFiles& exports, const RunResults& results, RunSummary& summary,
                   StageClock& clock) {
    timed("Writing the data files", [&] { exports.writeData(results); });
    summary.seconds.exported = clock.lap();
    exports.writeSummary(results, summary);
    exports.commit();
    say(summaryLine(results).c_str());
}

void render(const Parameters& p, const RenderOptions& options) {
    say("\tRendering image...\n");
    const bool povray = p.renderer() == Renderer::povray;
    const std::pair<const std::string&, const std::string&> images[] = {
        {p.sceneFile1, p.imageFile1}, {p.sceneFile2, p.imageFile2}};
    const char* stages[] = {"Rendering the vertex picture", "Rendering the community picture"};
    for (int k = 0; k < 2; ++k) {
        // The viewer (-java) waits for a person: the status line is gone before it starts.
        timed(stages[k], [&] {
            const RenderOptions renderOnly = [&] {
                RenderOptions copy = options;
                copy.java = false;
                return copy;
            }();
            if (povray)
                povray_renderer.render(images[k].first, images[k].second, renderOnly);
            else
                svg_renderer.render(images[k].first, images[k].second, renderOnly);
        });
        if (Progress* status = statusLine.load()) status->clear();
        runViewer(images[k].second, options, std::getenv("HOME"));
    }
}

// The options, read before anything is written; an option error is kept to be reported once
// the logs are open, as the logs are created or emptied by every invocation.
std::optional<std::string> readOptions(Parameters::Request request, int argc,
                                       const char* const* argv) {
    if (request != Parameters::Request::Run) return std::nullopt;
    try {
        parameters.validateParameters(argc, argv);
    } catch (const Fatal& error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

int run(int argc, const char* const* argv) {
    handleTerminatingSignals();
    const Parameters::Request request = Parameters::requestOf(argc, argv);
    const std::optional<std::string> optionError = readOptions(request, argc, argv);
    const Parameters& p = parameters;
    // The logs never take the place of a file the run reads.
    refuseOverwritingReadFiles(logFiles(), filesRead(p));
    Logs logs;
    logs.open(&temporaries);
    switch (request) {
        case Parameters::Request::Help:
            std::cout << Parameters::helpText();
            return 0;
        case Parameters::Request::Version:
            std::cout << Parameters::versionLine();
            return 0;
        case Parameters::Request::Run:
            break;
    }
    if (optionError) throw Fatal(*optionError);
    const ExportFormats formats = exportFormats(p);
    ExportFiles exports(p.fileStem, formats, &temporaries);
    refuseOverwritingReadFiles(filesWritten(p, exports), filesRead(p));
    const StageOptions stages = p.stageOptions();
    const SceneOptions& looks = stages.scene;

    StageClock clock;
    RunSummary summary;
    summary.input = p.inputFile;

    const std::unique_ptr<Progress> status = statusLineFor(p);
    statusLine = status.get();
    // The status line goes with the run, before main prints an ERROR line.
    struct Forget {
        ~Forget() { statusLine = nullptr; }
    } forget;
    SceneOptions looksShown = looks;
    looksShown.progress = status.get();

    const unsigned threads = p.effectiveThreads();
    Graph graph(true, threads);
    const InputRead input = readGraph(p, graph);
    readNames(p.namesToRead(), graph);
    summary.seconds.read = clock.lap();
    say("\tFinding communities...\n");
    const bool page = p.renderer() == Renderer::html;
    // The core numbers of the whole graph: only the page and the exports show them.
    const std::vector<int> coreness =
        page || formats.any() ? computeCoreness(graph, threads, status.get()) : std::vector<int>();
    summary.seconds.cores = clock.lap();
    const Partition partition = findCommunities(graph, p, input, summary);
    logCommunities(partition, logs.communities);
    summary.seconds.communities = clock.lap();
    const CommunityShells shells = computeCommunityShells(partition, graph, threads);
    summary.seconds.cores += clock.lap();
    const Layout layout = layOut(partition, &shells, graph, looksShown);
    summary.seconds.layout = clock.lap();
    const bool labels = !p.namesFile.empty() || input.labelled;
    std::optional<RunResults> results;
    if (page || formats.any()) {
        results = collectResults(graph, partition, shells, coreness, layout, looks, labels,
                                 declaredOf(input), weightsOf(input, p));
        results->weightedDetection =
            results->weights && p.detector() != Parameters::Detector::greedy;
    }
    if (page)
        writePage(*results, p);
    else
        writeScenes(layout, partition, graph, p, stages);
    summary.seconds.scenes = clock.lap();
    if (labels) reportLabels(layout);
    if (formats.any()) {
        summary.options = p.summary();
        summary.isolatedDeclared = input.isolatedDeclared;
        exportResults(exports, *results, summary, clock);
    }
    if (!page && !p.nographic) render(p, stages.render);
    say("Done!\n");
    return 0;
}

// Every failure ends the run with one ERROR line on standard output and status 1; the
// files being written removed their temporaries as the failure passed them.
int fail(const std::string& message) {
    std::cout << message;
    // An option error's help would push the ERROR line off a terminal's screen: there it is
    // said again, last.
    const std::size_t help = message.find("\n\n");
    if (help != std::string::npos && help + 2 < message.size() && ::isatty(STDOUT_FILENO))
        std::cout << message.substr(0, help + 1);
    std::cout << std::flush;
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const Fatal& error) {
        return fail(error.what());
    } catch (const std::bad_alloc&) {
        return fail("ERROR: Out of memory\n");
    } catch (const std::exception& error) {
        return fail("ERROR: " + std::string(error.what()) + "\n");
    }
}
