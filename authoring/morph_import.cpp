#include "authoring/morph_import.h"

#include <algorithm>
#include <map>
#include <string>

#include "authoring/face_editing.h"
#include "authoring/face_reading.h"
#include "import/load_face.h"
#include "authoring/neck_vertices.h"

namespace mw {

namespace {

osg::ref_ptr<FaceTarget> fittedTarget(const FaceTarget& source, const FaceGeom& geometry)
{
    osg::ref_ptr<FaceTarget> target = new FaceTarget;
    target->name = geometry.name;
    const std::size_t vertexCount = geometry.vertices->size();
    const std::size_t entries = std::min(source.indices.size(), source.offsets->size());
    for (std::size_t j = 0; j < entries; ++j) {
        if (source.indices[j] >= vertexCount)
            continue;
        target->indices.push_back(source.indices[j]);
        target->offsets->push_back((*source.offsets)[j]);
    }
    return target;
}

}  // namespace

std::vector<osg::ref_ptr<FaceMorph>> fittedMorphs(const TarvFaceObject& current, const TarvFaceObject& source)
{
    std::map<std::string, std::size_t> sourceIndex;
    for (std::size_t i = 0; i < source.geometries.size(); ++i)
        sourceIndex[source.geometries[i]->name] = i;

    std::vector<osg::ref_ptr<FaceMorph>> morphs;
    for (const auto& sourceMorph : source.morphs) {
        osg::ref_ptr<FaceMorph> morph = new FaceMorph;
        for (const auto& sourceTarget : sourceMorph->targets) {
            const auto found = sourceIndex.find(sourceTarget->name);
            if (found == sourceIndex.end() || found->second >= current.geometries.size())
                continue;
            osg::ref_ptr<FaceTarget> target = fittedTarget(*sourceTarget, *current.geometries[found->second]);
            if (!target->indices.empty())
                morph->targets.push_back(target);
        }
        if (morph->targets.empty())
            continue;
        morph->name = sourceMorph->name;
        morphs.push_back(morph);
    }
    return morphs;
}

int importMorphs(Document& doc, const TarvFaceObject& source, bool withNeckVertices)
{
    if (!hasFace(doc))
        return 0;
    commitHeadTransform(doc);
    commitComparisonTransform(doc);
    if (withNeckVertices)
        importNeckVertices(doc, source);

    int added = 0;
    for (osg::ref_ptr<FaceMorph>& morph : fittedMorphs(*doc.face, source)) {
        doc.face->morphs.push_back(std::move(morph));
        ++added;
    }
    if (added > 0)
        doc.changes.add(document_change::kMorphList);
    return added;
}

int importMorphs(Document& doc, const std::filesystem::path& fileName, bool withNeckVertices, Prompt& prompt)
{
    if (!hasFace(doc))
        return 0;
    // Baked before reading, as the editor always has, so a failed read still leaves the data as shown.
    commitHeadTransform(doc);
    commitComparisonTransform(doc);
    RepairReport report;
    const osg::ref_ptr<TarvFaceObject> source = readAnyFace(fileName, report);
    if (!source) {
        prompt.failure(loadFailureMessage(fileName, report));
        return 0;
    }
    if (!report.empty())
        prompt.message(repairSummary(fileName, report));
    return importMorphs(doc, *source, withNeckVertices);
}

}  // namespace mw
