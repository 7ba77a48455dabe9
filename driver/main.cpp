// The run, stage by stage: options, read, names, cores, communities, layout, scenes, export,
// render.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/cores.h"
#include "analysis/greedy.h"
#include "analysis/leiden.h"
#include "analysis/partition.h"
#include "auxiliary/graph_node_names.h"
#include "driver/parameters.h"
#include "driver/povray_renderer.h"
#include "driver/svg_renderer.h"
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
#include "graph/text.h"
#include "graph/threads.h"
#include "scene/graphics.h"
#include "scene/layout.h"

namespace {

// ---- Options for the stages, from the command line ----

SceneOptions sceneOptions(const Parameters& p) {
    SceneOptions options;
    options.color = p.color;
    options.bckgnd = p.bckgnd;
    options.edges = p.edges;
    options.minEdges = p.minEdges;
    options.width = p.width;
    options.height = p.height;
    options.font = p.font;
    options.unitLength = p.unitLength;
    options.opacity = p.opacity;
    options.sizesByStrength = p.weighted && !p.multigraph;
    // "-names" without a file labels every vertex with its id.
    options.idsAsLabels = p.namesFile == "0";
    return options;
}

EngineOptions engineOptions(const Parameters& p) {
    return {p.bckgnd, p.hstart, p.hend, p.vstart, p.vend};
}

RenderOptions renderOptions(const Parameters& p) {
    RenderOptions options;
    options.width = p.width;
    options.height = p.height;
    options.hstart = p.hstart;
    options.hend = p.hend;
    options.vstart = p.vstart;
    options.vend = p.vend;
    options.logfile = p.logfile;
    options.java = p.java == "java";
    return options;
}

// ---- The stages ----

// A progress line, shown at once even when standard output is a pipe.
void say(const char* line) {
    std::cout << line << std::flush;
}

// Labels the file gives are the vertices' names from here on, drawn as -names draws them.
InputRead readGraph(const Parameters& p, Graph& graph) {
    std::ifstream input = openForReading(p.inputFile, "Input file");
    say("\tBuilding graph...\n");
    return readNetwork(input, graph, p.inputFile, inputFormatNamed(p.format));
}

void readNames(const std::string& namesFile, Graph& graph) {
    // "0" asks for ids as labels; any other name is a names file.
    if (!namesFile.empty() && namesFile != "0") Graph_node_names().readFile(graph, namesFile);
}

// The threads a stage may use: the machine's cores, at most -threads (more threads than
// cores would only take turns, and a huge count would exhaust the host's processes).
unsigned threadsOf(const Parameters& p) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return p.threads != 0 ? std::min(p.threads, cores) : cores;
}

// Read from the partition file (whose counts go into the summary), or detected by the
// chosen detector; every detector hands the same kind of partition on.
Partition findCommunities(const Graph& graph, const Parameters& p, RunSummary& summary) {
    if (!p.partitionFile.empty()) {
        const Membership read = readPartitionFile(p.partitionFile, graph);
        summary.partition = p.partitionFile;
        summary.unassigned = read.unassigned;
        summary.unknownIds = read.unknownIds;
        return partitionFromMembership(graph, read.communityOf, read.communities);
    }
    if (p.communities == "leiden")
        return leidenPartition(graph, {p.resolution, p.seed, threadsOf(p)});
    GreedyOptions options;
    options.optimizer.threads = threadsOf(p);
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

// This run's temporary files, which a terminating signal removes: the one piece of
// process-wide state, since a signal handler can reach nothing else.
TemporaryFiles temporaries;

extern "C" void onTerminatingSignal(int signal) {
    temporaries.removeAll();
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

// ---- The export (-export) ----

ExportFormats exportFormats(const Parameters& p) {
    return {p.exportCsv, p.exportGexf};
}

// A file with what the messages call it.
struct NamedFile {
    std::string name;
    std::string what;
};

// The files the run reads (as far as the options were read).
std::vector<NamedFile> filesRead(const Parameters& p) {
    std::vector<NamedFile> files = {{p.inputFile, "input"}, {kConfigurationFile, "configuration"}};
    // "-names" without a file ("0") reads none.
    if (p.namesFile != "0") files.push_back({p.namesFile, "names"});
    files.push_back({p.partitionFile, "partition"});
    return files;
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

// Every file the run will write after the logs: the scenes or the page, the exports, the
// images and the renderers' log.
std::vector<NamedFile> filesWritten(const Parameters& p, const ExportFiles& exports) {
    std::vector<NamedFile> files;
    if (p.render == "html") {
        files.push_back({p.pageFile, "Page file"});
    } else {
        files.push_back({p.sceneFile1, "Scene file"});
        files.push_back({p.sceneFile2, "Scene file"});
    }
    if (exportFormats(p).any())
        for (const std::string& name : exports.names()) files.push_back({name, "Export file"});
    if (p.render != "html" && !p.nographic) {
        files.push_back({p.imageFile1, "Image file"});
        files.push_back({p.imageFile2, "Image file"});
        if (p.logfile) files.push_back({kRendererLog, "Log file"});
    }
    return files;
}

template <class Writer>
std::unique_ptr<Engine> createEngine(std::ostream& out, const std::string& scene,
                                     const EngineOptions& options) {
    return std::make_unique<Writer>(out, scene, options);
}

// Both scene files are created before anything is drawn; then the vertex scene, then the
// community scene; they replace earlier files of their names together, once both are whole.
void writeScenes(const Layout& layout, const Partition& partition, const Graph& graph,
                 const Parameters& p, const SceneOptions& options) {
    const bool povray = p.render == "povray";
    say(povray ? "\tGenerating .pov file...\n" : "\tGenerating .svg file...\n");
    const EngineOptions looks = engineOptions(p);
    FileSet scenes("Scene file", &temporaries);
    std::ostream& out1 = scenes.open(p.sceneFile1);
    std::ostream& out2 = scenes.open(p.sceneFile2);
    std::unique_ptr<Engine> engine1 = povray ? createEngine<Povray>(out1, p.sceneFile1, looks)
                                             : createEngine<Svg>(out1, p.sceneFile1, looks);
    std::unique_ptr<Engine> engine2 = povray ? createEngine<Povray>(out2, p.sceneFile2, looks)
                                             : createEngine<Svg>(out2, p.sceneFile2, looks);
    Graphics(engine1.get(), options).drawVertexScene(layout, graph);
    Graphics(engine2.get(), options).drawCommunityScene(layout, partition);
    engine1.reset();
    engine2.reset();
    scenes.commit();
}

// Labels that do not fit are left out of the picture; the run says how many.
void reportLabels(const Layout& layout) {
    std::cout << "\tLabels: " << layout.labels.size() << " of " << layout.labelsAsked
              << " drawn (the others would overlap)\n"
              << std::flush;
}

// The interactive page in place of the scenes: written whole or not at all.
void writePage(const RunResults& results, const Parameters& p) {
    say("\tGenerating .html file...\n");
    writeHtmlPage(results, p.inputFile, p.pageFile, &temporaries);
}

// The options in effect, as the summary lists them.
std::vector<std::pair<std::string, std::string>> effectiveOptions(const Parameters& p) {
    auto number = [](float value) {
        std::string text;
        appendFloat(text, value);
        return text;
    };
    auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
    std::string exportList = "[";
    if (p.exportCsv) exportList += "\"csv\"";
    if (p.exportGexf) exportList += p.exportCsv ? ", \"gexf\"" : "\"gexf\"";
    exportList += "]";
    const std::string names = p.namesFile.empty()  ? "null"
                              : p.namesFile == "0" ? "true"
                                                   : jsonString(p.namesFile);
    return {{"input", jsonString(p.inputFile)},
            {"format", p.format.empty() ? "null" : jsonString(p.format)},
            {"output", jsonString(p.fileStem)},
            {"names", names},
            {"partition", p.partitionFile.empty() ? "null" : jsonString(p.partitionFile)},
            {"communities", jsonString(p.partitionFile.empty() ? p.communities : "none")},
            {"resolution", p.communities == "leiden" ? jsonNumber(p.resolution) : "null"},
            {"seed", p.communities == "leiden" ? std::to_string(p.seed) : "null"},
            {"threads", std::to_string(threadsOf(p))},
            {"export", exportList},
            {"render", jsonString(p.render)},
            {"bckgnd", jsonString(p.bckgnd)},
            {"color", jsonString(p.color)},
            {"W", std::to_string(p.width)},
            {"H", std::to_string(p.height)},
            {"window", "[" + number(p.hstart) + ", " + number(p.hend) + ", " + number(p.vstart) +
                           ", " + number(p.vend) + "]"},
            {"u", number(p.unitLength)},
            {"font", number(p.font)},
            {"edges", number(p.edges)},
            {"minEdges", std::to_string(p.minEdges)},
            {"opacity", number(p.opacity)},
            {"weighted", flag(p.weighted)},
            {"multigraph", flag(p.multigraph)},
            {"nographic", flag(p.nographic)},
            {"onlygraphic", flag(p.onlygraphic)},
            {"logfile", flag(p.logfile)},
            {"java", flag(p.java == "java")}};
}

// The data files and the summary line, after the scenes; the summary's own time is the
// export's.
void exportResults(ExportFiles& exports, const RunResults& results, RunSummary& summary,
                   StageClock& clock) {
    exports.writeData(results);
    summary.seconds.exported = clock.lap();
    exports.writeSummary(results, summary);
    exports.commit();
    say(summaryLine(results).c_str());
}

void render(const Parameters& p) {
    say("\tRendering image...\n");
    const RenderOptions options = renderOptions(p);
    if (p.render == "povray") {
        povray_renderer.render(p.sceneFile1, p.imageFile1, options);
        povray_renderer.render(p.sceneFile2, p.imageFile2, options);
    } else {
        svg_renderer.render(p.sceneFile1, p.imageFile1, options);
        svg_renderer.render(p.sceneFile2, p.imageFile2, options);
    }
}

int run(int argc, const char* const* argv) {
    handleTerminatingSignals();
    const Parameters::Request request = Parameters::requestOf(argc, argv);
    // An option error is reported once the logs are open.
    std::optional<std::string> optionError;
    if (request == Parameters::Request::Run) {
        try {
            parameters.validateParameters(argc, argv);
        } catch (const Fatal& error) {
            optionError = error.what();
        }
    }
    const Parameters& p = parameters;
    // Every invocation creates or empties the logs first, whatever follows, but never in
    // place of a file it reads.
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
    const SceneOptions looks = sceneOptions(p);

    StageClock clock;
    RunSummary summary;
    summary.input = p.inputFile;

    const unsigned threads = threadsOf(p);
    Graph graph(true, threads);
    const InputRead input = readGraph(p, graph);
    readNames(p.namesFile, graph);
    summary.seconds.read = clock.lap();
    say("\tFinding communities...\n");
    const bool page = p.render == "html";
    // The core numbers of the whole graph: only the page and the exports show them.
    const std::vector<int> coreness =
        page || formats.any() ? computeCoreness(graph, threads) : std::vector<int>();
    summary.seconds.cores = clock.lap();
    const Partition partition = findCommunities(graph, p, summary);
    logCommunities(partition, logs.communities);
    summary.seconds.communities = clock.lap();
    const CommunityShells shells = computeCommunityShells(partition, graph, threads);
    summary.seconds.cores += clock.lap();
    const Layout layout = layOut(partition, &shells, graph, looks);
    summary.seconds.layout = clock.lap();
    const bool labels = !p.namesFile.empty() || input.labelled;
    std::optional<RunResults> results;
    if (page || formats.any())
        results = collectResults(graph, partition, shells, coreness, layout, looks, labels);
    if (page)
        writePage(*results, p);
    else
        writeScenes(layout, partition, graph, p, looks);
    summary.seconds.scenes = clock.lap();
    if (labels) reportLabels(layout);
    if (formats.any()) {
        summary.options = effectiveOptions(p);
        summary.isolatedDeclared = input.isolatedDeclared;
        exportResults(exports, *results, summary, clock);
    }
    if (!page && !p.nographic) render(p);
    say("Done!\n");
    return 0;
}

// Every failure ends the run with one ERROR line on standard output and status 1; the
// files being written removed their temporaries as the failure passed them.
int fail(const std::string& message) {
    std::cout << message << std::flush;
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
