// Transferring a rig's expressions onto a head of another topology and proportions: a rig of
// 25,957 vertices with 57 morphs onto a head of 6,490 vertices, with the time of alignment,
// registration and transfer apart, against the naive peer in the same run: the same placement
// and closest-point transfer without bending the rig onto the head. A head that pairs with no
// morph-carrying rig geometry must finish at once. The whole transfer is meant to take at most
// 10 s on 2 cores.
//
// Both heads are made-up people (tests/support/synthetic_head.h): the head has a wider face,
// a longer nose, a wider mouth and eyes further apart, and is turned 15° and scaled by 1.15.

#include <sys/resource.h>

#include <benchmark/benchmark.h>
#include <osg/Matrixd>

#include "authoring/morph_transfer.h"
#include "bench/bench_support.h"
#include "tests/support/synthetic_head.h"

namespace mw::bench {
namespace {

struct Heads {
    osg::ref_ptr<TarvFaceObject> rig;
    osg::ref_ptr<TarvFaceObject> head;
};

const Heads& heads()
{
    static const Heads made = [] {
        Heads h;
        h.rig = test::makeSyntheticHead({}, 162, 206, 57).face;
        h.head = test::makeSyntheticHead({0.86, 1.0, 0.9, 1.3, 0.15, 0.1, 0.5}, 81, 103, 0).face;
        const osg::Matrixd m = osg::Matrixd::scale(1.15, 1.15, 1.15) * osg::Matrixd::rotate(0.26, osg::Vec3d(0, 1, 0)) *
                               osg::Matrixd::translate(0.3, -0.2, 0.5);
        for (osg::Vec3& p : h.head->geometries[0]->vertices->asVector())
            p = p * m;
        return h;
    }();
    return made;
}

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void run(benchmark::State& state, const MorphTransferOptions& options, const TarvFaceObject& head)
{
    const Heads& h = heads();
    MorphTransferReport report;
    resetHeapPeak();
    const std::size_t before = heapInUse();
    for (auto _ : state) {
        const MorphTransferResult result = transferMorphs(*h.rig, head, options);
        if (result.status != MorphTransferResult::Status::Done)
            state.SkipWithError(result.error.c_str());
        report = result.report;
        benchmark::DoNotOptimize(result.morphs.data());
    }
    state.counters["rigVertices"] = static_cast<double>(h.rig->geometries[0]->vertices->size());
    state.counters["headVertices"] = static_cast<double>(head.geometries[0]->vertices->size());
    state.counters["morphs"] = static_cast<double>(report.morphs.size());
    state.counters["alignment_s"] = report.alignmentSeconds;
    state.counters["registration_s"] = report.registrationSeconds;
    state.counters["transfer_s"] = report.transferSeconds;
    state.counters["meanDistance"] = report.meanDistance;
    state.counters["heapPeak_MB"] = static_cast<double>(heapPeak() - before) / (1024.0 * 1024.0);
    state.counters["maxRSS_MB"] = peakResidentMegabytes();
}

void BM_TransferMorphs(benchmark::State& state) { run(state, {}, *heads().head); }

// The peer: placement and closest points only (no stiffness levels, so no bending).
void BM_RigidClosestPointPeer(benchmark::State& state)
{
    MorphTransferOptions options;
    options.registration.stiffness.clear();
    run(state, options, *heads().head);
}

// A head whose only geometry pairs with nothing: nothing to register.
void BM_UnpairedHead(benchmark::State& state)
{
    static const osg::ref_ptr<TarvFaceObject> unpaired = [] {
        osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
        face->geometries = heads().head->geometries;
        osg::ref_ptr<FaceGeom> renamed = new FaceGeom;
        renamed->name = "Body";
        renamed->vertices = face->geometries[0]->vertices;
        renamed->vertexIndices = face->geometries[0]->vertexIndices;
        face->geometries = {renamed};
        return face;
    }();
    run(state, {}, *unpaired);
}

BENCHMARK(BM_TransferMorphs)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_RigidClosestPointPeer)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_UnpairedHead)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace mw::bench
