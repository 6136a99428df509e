#include "app/open_face_prompt.h"

#include "app/open_face_dialog.h"

namespace mw {

std::optional<OpenFaceChoice> OpenFacePrompt::chooseOpenFace(bool faceLoaded)
{
    COpenFace dialog(parent_);
    dialog.setFaceLoaded(faceLoaded);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    OpenFaceChoice choice;
    choice.option = static_cast<OpenFaceChoice::Option>(dialog.option());
    choice.importNeckVertices = dialog.importNeckVertices();
    return choice;
}

}  // namespace mw
