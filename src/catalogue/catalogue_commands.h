#pragma once
// The commands that fill a catalogue window: the main window's fill, Filter, and the
// full-window list.
#include "controls/main_view.h"

#include <chrono>

namespace catalogue {

// Collects the catalogue of every file of `formats`, as the main window's first fill would, before
// the window is made; null when anything failed (the fill then collects again, and its boxes
// come in their turn) or when it took longer than `limit`, about what a start takes anyway.
std::unique_ptr<EarlyCatalogue> collectEarly(AppServices& services, FontFormats formats,
                                             std::chrono::milliseconds limit = std::chrono::seconds(1));
// Collects the catalogue into the main window's list and grid; the first fill shows the
// please-wait window meanwhile.
void loadFonts(MainView& view);
// "Filter": sets the grid's sizes and refills it with the entries that match the text box.
void filter(MainView& view);
// "Maximize This Window": the catalogue in the full-window list, in larger type.
void maximize(MainView& view);

}  // namespace catalogue
