#pragma once
// Building the 3D view of a document: its scene, camera and handlers, and handing them to a viewer.

#include <functional>
#include <string_view>

#include <osgViewer/Viewer>

#include "interaction/pixel_conversion.h"
#include "view/view.h"

namespace mw {

// What the window around the view supplies.
struct ViewHooks {
    std::function<bool()> altKeyDown;  // the live state of the Alt key
    std::function<void()> giveFocus;   // gives the view the keyboard focus
    PixelConversion toPixels;          // pointer position to pixels of the view's drawing area
};

// The undo steps of the head drags in translate and scale mode.
inline constexpr std::string_view kMoveHeadStep = "Move Head";
inline constexpr std::string_view kScaleHeadStep = "Scale Head";

// Builds the fixed scene, the camera (navigation mode, framing the scene root), the edit
// handler driving the head transform and the focus handler, for showing `doc`, which must
// outlive the view. A drag places the document's head (or its comparison face); one that
// moves the head is one undo step, one that lines up a comparison face is none. The face
// already in the document is shown.
void buildView(View& view, Document& doc, ViewHooks hooks);

// Makes `viewer` draw the view's scene on the mid-grey background with the view's own light
// only, driven by the camera, then the edit handler, then the focus handler. No key ends the
// viewer: the editor decides when it closes.
void attachViewer(View& view, osgViewer::Viewer& viewer);

}  // namespace mw
