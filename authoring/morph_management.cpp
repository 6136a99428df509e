#include "authoring/morph_management.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "model/morph_targets.h"

namespace mw {
namespace {

bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLetter(char c) { return isLower(c) || isUpper(c); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool taken(const TarvFaceObject& face, const std::string& name)
{
    return std::any_of(face.morphs.begin(), face.morphs.end(),
                       [&](const osg::ref_ptr<FaceMorph>& m) { return m->name == name; });
}

// "smile.002" → "smile"; names without a three-digit count stay as they are.
std::string withoutCount(const std::string& name)
{
    const std::size_t n = name.size();
    if (n > 4 && name[n - 4] == '.' && isDigit(name[n - 3]) && isDigit(name[n - 2]) && isDigit(name[n - 1]))
        return name.substr(0, n - 4);
    return name;
}

// A side word (Left, left, LEFT) at `at`: not inside a longer lower-case word.
bool sideWordAt(const std::string& name, std::size_t at, const std::string& word)
{
    if (name.compare(at, word.size(), word) != 0)
        return false;
    const char before = at > 0 ? name[at - 1] : '\0';
    const char after = at + word.size() < name.size() ? name[at + word.size()] : '\0';
    const bool capitalised = isUpper(word[0]) && isLower(word[1]);
    // "eyeBlinkLeft" or "Left_brow", but not "cleft" or "leftover".
    const bool startsWord = capitalised ? !isUpper(before) : !isLetter(before);
    const bool endsWord = isUpper(word[1]) ? !isLetter(after) : !isLower(after);
    return startsWord && endsWord;
}

osg::ref_ptr<FaceMorph> copyOf(const FaceMorph& source, const std::string& name)
{
    osg::ref_ptr<FaceMorph> copy = new FaceMorph;
    copy->name = name;
    for (const auto& target : source.targets) {
        osg::ref_ptr<FaceTarget> t = new FaceTarget;
        t->name = target->name;
        t->indices = target->indices;
        t->offsets->assign(target->offsets->begin(), target->offsets->end());
        copy->targets.push_back(t);
    }
    return copy;
}

// Geometry index for each target name, later geometries winning like the renderer's index.
std::map<std::string, std::uint32_t> geometryIndexByName(const TarvFaceObject& face)
{
    std::map<std::string, std::uint32_t> index;
    for (std::uint32_t g = 0; g < face.geometries.size(); ++g)
        if (!face.geometries[g]->name.empty())
            index[face.geometries[g]->name] = g;
    return index;
}

std::optional<std::size_t> validIndex(const Document& doc, int index)
{
    if (!hasFace(doc) || index < 0 || static_cast<std::size_t>(index) >= doc.face->morphs.size())
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

void listChanged(Document& doc)
{
    doc.changes.add(document_change::kMorphList);
}

// The targets that deform each geometry, in the order they are drawn (once each).
std::vector<TargetList> targetsByGeometry(const TarvFaceObject& face)
{
    const std::map<std::string, std::uint32_t> geometryOf = geometryIndexByName(face);
    std::vector<TargetList> lists(face.geometries.size());
    for (const auto& morph : face.morphs)
        for (const auto& target : morph->targets) {
            const auto found = geometryOf.find(target->name);
            if (found == geometryOf.end())
                continue;
            TargetList& list = lists[found->second];
            if (std::find(list.begin(), list.end(), target) == list.end())
                list.push_back(target);
        }
    return lists;
}

}  // namespace

std::string uniqueMorphName(const TarvFaceObject& face, const std::string& name)
{
    if (!taken(face, name))
        return name;
    const std::string base = withoutCount(name);
    for (unsigned n = 1;; ++n) {
        char count[16];
        std::snprintf(count, sizeof count, ".%03u", n);
        if (const std::string candidate = base + count; !taken(face, candidate))
            return candidate;
    }
}

std::string mirroredMorphName(const std::string& name)
{
    static const std::pair<const char*, const char*> kWords[] = {
        {"Left", "Right"}, {"Right", "Left"}, {"left", "right"}, {"right", "left"}, {"LEFT", "RIGHT"}, {"RIGHT", "LEFT"}};
    std::string out;
    bool swapped = false;
    for (std::size_t i = 0; i < name.size();) {
        // `_L`, `.L` (and lower case) standing alone before the end or a non-letter.
        if ((name[i] == '_' || name[i] == '.') && i + 1 < name.size()) {
            const char side = name[i + 1];
            const bool alone = i + 2 == name.size() || !(isLetter(name[i + 2]) || isDigit(name[i + 2]));
            static const std::string kSides = "LRlr", kSwapped = "RLrl";
            if (const auto k = kSides.find(side); alone && k != std::string::npos) {
                out += name[i];
                out += kSwapped[k];
                i += 2;
                swapped = true;
                continue;
            }
        }
        bool word = false;
        for (const auto& [from, to] : kWords)
            if (sideWordAt(name, i, from)) {
                out += to;
                i += std::char_traits<char>::length(from);
                swapped = word = true;
                break;
            }
        if (!word)
            out += name[i++];
    }
    return swapped ? out : name + "_mirror";
}

std::optional<std::size_t> findMorph(const TarvFaceObject& face, const std::string& name)
{
    for (std::size_t i = 0; i < face.morphs.size(); ++i)
        if (face.morphs[i]->name == name)
            return i;
    return std::nullopt;
}

bool deleteMorph(TarvFaceObject& face, std::size_t index)
{
    if (index >= face.morphs.size())
        return false;
    face.morphs.erase(face.morphs.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

std::optional<std::size_t> duplicateMorph(TarvFaceObject& face, std::size_t index)
{
    if (index >= face.morphs.size())
        return std::nullopt;
    const FaceMorph& source = *face.morphs[index];
    osg::ref_ptr<FaceMorph> copy = copyOf(source, uniqueMorphName(face, source.name));
    face.morphs.insert(face.morphs.begin() + static_cast<std::ptrdiff_t>(index + 1), copy);
    return index + 1;
}

std::optional<std::size_t> moveMorph(TarvFaceObject& face, std::size_t index, std::size_t to)
{
    if (index >= face.morphs.size())
        return std::nullopt;
    to = std::min(to, face.morphs.size() - 1);
    const auto first = face.morphs.begin();
    if (to < index)
        std::rotate(first + static_cast<std::ptrdiff_t>(to), first + static_cast<std::ptrdiff_t>(index),
                    first + static_cast<std::ptrdiff_t>(index + 1));
    else
        std::rotate(first + static_cast<std::ptrdiff_t>(index), first + static_cast<std::ptrdiff_t>(index + 1),
                    first + static_cast<std::ptrdiff_t>(to + 1));
    return to;
}

std::optional<MirrorResult> mirrorMorph(TarvFaceObject& face, const MirrorMap& map, std::size_t index,
                                        const std::string& name)
{
    if (index >= face.morphs.size())
        return std::nullopt;
    const FaceMorph& source = *face.morphs[index];
    const std::map<std::string, std::uint32_t> geometryOf = geometryIndexByName(face);

    osg::ref_ptr<FaceMorph> mirror = new FaceMorph;
    mirror->name = uniqueMorphName(face, name.empty() ? mirroredMorphName(source.name) : name);
    std::map<std::uint32_t, FaceTarget*> targetOf;  // by the partner's geometry
    std::set<FaceVertex, bool (*)(const FaceVertex&, const FaceVertex&)> unmatched(
        [](const FaceVertex& a, const FaceVertex& b) { return std::tie(a.geometry, a.vertex) < std::tie(b.geometry, b.vertex); });
    for (const auto& target : source.targets) {
        const auto geometry = geometryOf.find(target->name);
        if (geometry == geometryOf.end())
            continue;  // drawn nowhere, so there is nothing to mirror
        const std::size_t entries = std::min(target->indices.size(), target->offsets->size());
        for (std::size_t j = 0; j < entries; ++j) {
            const FaceVertex partner = map.partner(geometry->second, target->indices[j]);
            if (!partner.valid()) {
                unmatched.insert({geometry->second, target->indices[j]});
                continue;
            }
            FaceTarget*& out = targetOf[partner.geometry];
            if (!out) {
                osg::ref_ptr<FaceTarget> created = new FaceTarget;
                created->name = face.geometries[partner.geometry]->name;
                mirror->targets.push_back(created);
                out = created.get();
            }
            const osg::Vec3& o = (*target->offsets)[j];
            out->indices.push_back(partner.vertex);
            out->offsets->push_back({-o.x(), o.y(), o.z()});
        }
    }
    face.morphs.insert(face.morphs.begin() + static_cast<std::ptrdiff_t>(index + 1), mirror);
    return MirrorResult{index + 1, unmatched.size()};
}

std::size_t addMorphFromMix(TarvFaceObject& face, const std::string& name)
{
    osg::ref_ptr<FaceMorph> mix = new FaceMorph;
    mix->name = uniqueMorphName(face, name);
    const std::vector<TargetList> targets = targetsByGeometry(face);
    std::vector<osg::Vec3> drawn;
    for (std::size_t g = 0; g < face.geometries.size(); ++g) {
        const FaceGeom* geometry = face.geometries[g].get();
        if (!geometry)
            continue;
        const osg::Vec3Array& rest = *geometry->vertices;
        drawn.assign(rest.begin(), rest.end());
        applyMorphTargets(drawn, targets[g]);
        osg::ref_ptr<FaceTarget> target = new FaceTarget;
        target->name = geometry->name;
        for (std::uint32_t v = 0; v < drawn.size(); ++v) {
            const osg::Vec3 offset = drawn[v] - rest[v];
            if (offset == osg::Vec3() || !std::isfinite(offset.x()) || !std::isfinite(offset.y()) ||
                !std::isfinite(offset.z()))
                continue;
            target->indices.push_back(v);
            target->offsets->push_back(offset);
        }
        if (!target->indices.empty())
            mix->targets.push_back(target);
    }
    face.morphs.push_back(mix);
    return face.morphs.size() - 1;
}

bool deleteMorph(Document& doc, int index)
{
    const auto valid = validIndex(doc, index);
    if (!valid || !deleteMorph(*doc.face, *valid))
        return false;
    listChanged(doc);
    return true;
}

std::optional<std::size_t> duplicateMorph(Document& doc, int index)
{
    const auto valid = validIndex(doc, index);
    const auto copy = valid ? duplicateMorph(*doc.face, *valid) : std::nullopt;
    if (copy)
        listChanged(doc);
    return copy;
}

std::optional<std::size_t> moveMorph(Document& doc, int index, int to)
{
    const auto valid = validIndex(doc, index);
    if (!valid || to < 0)
        return std::nullopt;
    const auto moved = moveMorph(*doc.face, *valid, static_cast<std::size_t>(to));
    if (moved && *moved != *valid)
        listChanged(doc);
    return moved;
}

std::optional<MirrorResult> mirrorMorph(Document& doc, int index, const std::string& name)
{
    const auto valid = validIndex(doc, index);
    if (!valid)
        return std::nullopt;
    const auto result = mirrorMorph(*doc.face, doc.mirrorMap.get(*doc.face), *valid, name);
    if (result)
        listChanged(doc);
    return result;
}

std::optional<std::size_t> addMorphFromMix(Document& doc, const std::string& name)
{
    if (!hasFace(doc))
        return std::nullopt;
    const std::size_t index = addMorphFromMix(*doc.face, name);
    listChanged(doc);
    return index;
}

std::optional<std::size_t> appendMorphs(Document& doc, const std::vector<osg::ref_ptr<FaceMorph>>& morphs)
{
    if (!hasFace(doc) || morphs.empty())
        return std::nullopt;
    const std::size_t first = doc.face->morphs.size();
    doc.face->morphs.insert(doc.face->morphs.end(), morphs.begin(), morphs.end());
    listChanged(doc);
    return first;
}

}  // namespace mw
