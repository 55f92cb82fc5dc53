#pragma once

#include <hosts/Host.h>

namespace vd {

class Window;

// A navigation stack for trying the list controls, built from the interface descriptions
// resources/ui/<device>/listsDemo.json and listsDetail.json. The first screen has a grid of
// swatches with multiple selection ("myCollectionViewDemo", cells "myCollectionViewDemo.0.N"),
// a table of layers that reorders in editing mode ("myTableViewDemo"), a font and size picker
// ("myPickerViewDemo"), a status line ("myLabelStato") and three buttons: "myViewEditButton"
// (table editing on and off), "myViewDeleteButton" (deletes the selected swatches) and
// "myViewPushButton" (pushes the detail screen). The detail screen zooms a canvas in a scroll view
// ("myScrollViewZoom", readout "myLabelZoom"), presents a modal screen with "myViewInfoButton"
// (text "myLabelInfo", closed by "myViewCloseButton") and pops with "myViewBackButton".
// A description that cannot be used is reported on stderr and leaves the window empty.
bool installListsDemo(Window& window, HostDevice device);

}
