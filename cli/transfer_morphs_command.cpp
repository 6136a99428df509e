// mienwright-cli transfer-morphs: a rig's expressions onto a head of another topology.

#include <cmath>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <numbers>
#include <sstream>

#include <Eigen/Geometry>
#include <nlohmann/json.hpp>

#include "authoring/morph_management.h"
#include "authoring/morph_transfer.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/document_files.h"

namespace mw::cli {
namespace {

struct TransferArgs {
    std::string rig;
    std::string head;
    std::string output;
    std::vector<std::string> morphs;
    std::vector<std::string> pairs;
    std::string landmarks;
    float threshold = -1.0f;
    bool json = false;
};

// HEADGEOM=RIGGEOM[+RIGGEOM...]
bool parsePair(const std::string& text, GeometryPair& pair)
{
    const auto at = text.find('=');
    if (at == std::string::npos || at == 0 || at + 1 == text.size())
        return false;
    pair.head = text.substr(0, at);
    std::string_view rest = std::string_view(text).substr(at + 1);
    while (true) {
        const auto plus = rest.find('+');
        const std::string_view name = rest.substr(0, plus);
        if (name.empty())
            return false;
        pair.rig.emplace_back(name);
        if (plus == std::string_view::npos)
            return true;
        rest.remove_prefix(plus + 1);
    }
}

const char* phaseName(TransferPhase phase)
{
    switch (phase) {
    case TransferPhase::Alignment:
        return "aligning";
    case TransferPhase::Registration:
        return "registering";
    case TransferPhase::Transfer:
        return "transferring";
    }
    return "";
}

struct Turn {
    double degrees;
    Eigen::Vector3d axis;
};

Turn turnOf(const Eigen::Matrix3d& rotation)
{
    const Eigen::AngleAxisd aa(rotation);
    return {aa.angle() * 180.0 / std::numbers::pi, aa.angle() > 0.0 ? aa.axis() : Eigen::Vector3d::UnitY()};
}

nlohmann::json reportJson(const TransferArgs& args, const MorphTransferReport& report)
{
    const SimilarityTransform& s = report.alignment;
    const Turn turn = turnOf(s.rotation);
    nlohmann::json rotation = nlohmann::json::array();
    for (int r = 0; r < 3; ++r)
        rotation.push_back({s.rotation(r, 0), s.rotation(r, 1), s.rotation(r, 2)});
    nlohmann::json pairs = nlohmann::json::array();
    for (const GeometryPair& p : report.pairs)
        pairs.push_back({{"head", p.head}, {"rig", p.rig}});
    nlohmann::json morphs = nlohmann::json::array();
    for (const TransferredMorph& m : report.morphs)
        morphs.push_back({{"name", m.name}, {"vertices", m.vertices}, {"largestOffset", m.largestOffset}});
    return {
        {"rig", args.rig},
        {"head", args.head},
        {"output", args.output},
        {"registered", report.registered},
        {"alignment",
         {{"scale", s.scale},
          {"rotation", rotation},
          {"rotationDegrees", turn.degrees},
          {"rotationAxis", {turn.axis.x(), turn.axis.y(), turn.axis.z()}},
          {"translation", {s.translation.x(), s.translation.y(), s.translation.z()}}}},
        {"registrationDistance", {{"mean", report.meanDistance}, {"p95", report.p95Distance}}},
        {"pairs", pairs},
        {"unpaired", report.unpaired},
        {"fadedVertices", report.fadedVertices},
        {"oppositeSideVertices", report.oppositeSideVertices},
        {"seconds",
         {{"alignment", report.alignmentSeconds},
          {"registration", report.registrationSeconds},
          {"transfer", report.transferSeconds}}},
        {"morphs", morphs},
    };
}

void printReport(std::ostream& out, const MorphTransferReport& report)
{
    for (const GeometryPair& p : report.pairs) {
        out << "pair: " << p.head << " <- ";
        for (std::size_t i = 0; i < p.rig.size(); ++i)
            out << (i ? "+" : "") << p.rig[i];
        out << '\n';
    }
    if (!report.unpaired.empty()) {
        out << "unpaired head geometries (no offsets):";
        for (const std::string& name : report.unpaired)
            out << ' ' << name;
        out << '\n';
    }
    if (!report.registered) {
        out << "warning: no paired geometry carries offsets of these morphs; they are added empty\n";
    } else {
        const SimilarityTransform& s = report.alignment;
        const Turn turn = turnOf(s.rotation);
        out << "alignment: scale " << s.scale << ", rotation " << std::fixed << std::setprecision(2) << turn.degrees
            << std::defaultfloat << std::setprecision(6) << " degrees about (" << turn.axis.x() << ", " << turn.axis.y()
            << ", " << turn.axis.z() << "), translation (" << s.translation.x() << ", " << s.translation.y() << ", "
            << s.translation.z() << ")\n";
        out << "registration distance: mean " << report.meanDistance << ", 95th percentile " << report.p95Distance << '\n';
        if (report.fadedVertices > 0)
            out << report.fadedVertices << " head vertices lie beyond the rig's surface; their offsets fade out\n";
        if (report.oppositeSideVertices > 0)
            out << report.oppositeSideVertices << " head vertices took the rig's surface facing away from them\n";
        out << "time: alignment " << report.alignmentSeconds << " s, registration " << report.registrationSeconds
            << " s, transfer " << report.transferSeconds << " s\n";
    }
    for (const TransferredMorph& m : report.morphs)
        out << "morph \"" << m.name << "\": " << m.vertices << " vertices moved, largest offset " << m.largestOffset << '\n';
}

int transfer(const TransferArgs& args)
{
    if (!isWritableOutput(args.output))
        return kUnwritableFormat;
    MorphTransferOptions options;
    options.morphs = args.morphs;
    options.threshold = args.threshold;
    if (args.threshold != -1.0f && !(std::isfinite(args.threshold) && args.threshold >= 0.0f)) {
        std::cerr << "error: --threshold: " << args.threshold << " is not a distance of 0 or more\n";
        return kInvalidArgument;
    }
    for (const std::string& text : args.pairs) {
        GeometryPair pair;
        if (!parsePair(text, pair)) {
            std::cerr << "Invalid --pair: \"" << text << "\" (expected HEADGEOM=RIGGEOM[+RIGGEOM...])\n";
            return kLoadFailed;
        }
        options.pairs.push_back(std::move(pair));
    }
    if (!args.landmarks.empty()) {
        std::ifstream in(args.landmarks, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        if (!in) {
            std::cerr << "Failed to load: " << args.landmarks << '\n';
            return kLoadFailed;
        }
        std::string error;
        if (!parseLandmarks(text.str(), options.landmarks, error)) {
            std::cerr << args.landmarks << ": " << error << '\n';
            return kLoadFailed;
        }
    }
    const osg::ref_ptr<TarvFaceObject> rig = loadInput(args.rig);
    if (!rig)
        return kLoadFailed;
    // The head is edited as the editor edits a face: a document, written the one way.
    CliPrompt prompt;
    const std::unique_ptr<Document> doc = openDocument(args.head, prompt);
    if (!doc)
        return kLoadFailed;
    const TarvFaceObject& head = *doc->face;

    int shown = -1;
    TransferPhase shownPhase = TransferPhase::Alignment;
    const MorphTransferResult result =
        transferMorphs(*rig, head, options, [&](TransferPhase phase, double done) {
            const int percent = static_cast<int>(done * 100.0);
            if (!args.json && (phase != shownPhase || percent / 10 != shown / 10)) {
                std::cerr << phaseName(phase) << ' ' << percent << "%\n";
                shown = percent;
                shownPhase = phase;
            }
            return true;
        });
    switch (result.status) {
    case MorphTransferResult::Status::Done:
        break;
    case MorphTransferResult::Status::UnknownName:
        std::cerr << result.error << '\n';
        return kBadArgument;
    default:
        std::cerr << result.error << '\n';
        return kLoadFailed;
    }
    appendMorphs(*doc, result.morphs);
    if (const int status = saveDocument(*doc, args.output, args.output); status != kOk)
        return status;
    if (args.json)
        std::cout << reportJson(args, result.report).dump(2) << '\n';
    else
        printReport(std::cerr, result.report);
    return kOk;
}

}  // namespace

void addTransferMorphsCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand(
        "transfer-morphs", "Add RIG's morphs to HEAD, a face of any topology, placement and size: the rig is "
                           "registered onto the head and each head vertex takes the rig's offsets where it lies");
    auto args = std::make_shared<TransferArgs>();
    cmd->add_option("RIG", args->rig, "face whose morphs are transferred")->required();
    cmd->add_option("HEAD", args->head, "face to receive them")->required();
    cmd->add_option("-o,--output", args->output, outputHelp())->required();
    cmd->add_option("--morphs", args->morphs, "only these morphs, comma-separated (default: all)")->delimiter(',');
    cmd->add_option("--pair", args->pairs,
                    "HEADGEOM=RIGGEOM[+RIGGEOM...]: the head geometry takes the offsets of these rig geometries "
                    "(default: the rig geometry of the same name); may be repeated");
    cmd->add_option("--landmarks", args->landmarks,
                    "file of lines RIG_GEOM RIG_VERTEX HEAD_GEOM HEAD_VERTEX: points known to match");
    cmd->add_option("--threshold", args->threshold,
                    "shortest offset stored, in HEAD's units (default: 0.001, smaller for a head smaller than the rig)");
    cmd->add_flag("--json", args->json, "print the report as one JSON object on standard output");
    cmd->callback([args, &status] { status = transfer(*args); });
}

}  // namespace mw::cli
