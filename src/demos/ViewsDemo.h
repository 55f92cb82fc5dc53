#pragma once

namespace vd {

class Window;

// A screen for trying the hosts before the real screens exist: transformed views, a view to drag,
// pinch and move with two fingers ("myViewTrascinabile"), a tap counter ("myViewContatore",
// "myLabelContatore"), an endless rotation ("myViewRotante"), and a ring that turns with a
// circular drag ("myViewCerchio", readout in "myLabelCerchio").
void installViewsDemo(Window& window);

}
