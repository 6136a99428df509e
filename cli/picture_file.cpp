#include "cli/picture_file.h"

#include <iostream>
#include <sstream>

#include <osgDB/FileNameUtils>
#include <osgDB/Registry>

#include "cli/commands.h"
#include "model/atomic_file.h"
#include "model/write_failure.h"

namespace mw::cli {
namespace {

osgDB::ReaderWriter* imageWriterFor(const std::string& output)
{
    const std::string extension = osgDB::getLowerCaseFileExtension(output);
    if (extension.empty())
        return nullptr;
    osgDB::ReaderWriter* writer = osgDB::Registry::instance()->getReaderWriterForExtension(extension);
    return writer && (writer->supportedFeatures() & osgDB::ReaderWriter::FEATURE_WRITE_IMAGE) ? writer : nullptr;
}

}  // namespace

bool canWritePicture(const std::string& output)
{
    if (imageWriterFor(output))
        return true;
    std::cerr << saveFailureMessage(output, "no image writer for this extension; use .png") << '\n';
    return false;
}

int writePicture(const osg::Image& image, const std::string& output)
{
    osgDB::ReaderWriter* writer = imageWriterFor(output);
    std::ostringstream encoded;
    const bool encodedOk = writer && writer->writeImage(image, encoded).success();
    const std::string bytes = encoded.str();
    if (!encodedOk || bytes.empty()) {
        std::cerr << saveFailureMessage(output, "the image could not be encoded") << '\n';
        return kWriteFailed;
    }
    std::error_code writeError;
    if (!replaceFileAtomically(output, [&bytes](const ChunkWriter& write) { return write(bytes); }, writeError)) {
        std::cerr << saveFailureMessage(output, writeFailureReason(writeError)) << '\n';
        return kWriteFailed;
    }
    return kOk;
}

}  // namespace mw::cli
