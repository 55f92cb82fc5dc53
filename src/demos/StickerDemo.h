#pragma once

namespace vd {

class Window;

// A square canvas ("myViewTemporanea") at the window's origin with an image sticker
// ("myStickerImmagine") and a text sticker ("myStickerTesto"), and the two dashed guide lines
// ("lineOrizzontale", "lineVerticale") that the stickers' notifications show and hide, so a
// person can drag, resize, rotate, type and delete. A double tap on the text starts editing.
void installStickerDemo(Window& window);

}
