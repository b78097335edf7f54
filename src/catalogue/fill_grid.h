#pragma once
// The last stage of a catalogue: one grid row per entry of the sorted list, and the grid's
// stripes.
#include "core/catalogue_entry.h"
#include "core/error_trap.h"
#include "core/list_box.h"
#include "fontfile/font_facts.h"
#include "platform/services_bundle.h"

#include <QString>
#include <cstdint>

class FlexGrid;
class ProgressBar;

// The style bits the grid draws a sample with.
uint8_t sampleStyle(const FontFacts& facts);

// Names the catalogue grid and its columns for assistive technology.
void nameCatalogueGrid(FlexGrid& grid);

// Sets the grid's rows to the list and writes every row, showing progress in the bar; the
// number column widens to fit the largest number.
void fillCatalogueGrid(AppServices& services, ErrorTrap& trap, FlexGrid& grid, const ListBox& list,
                       ProgressBar& bar, const FactsByFace& facts, const QString& sampleText = kSampleText);

// Writes `text` as every row's sample; the rows in view are drawn again, no file is read.
void writeSampleText(FlexGrid& grid, const QString& text);

// The progress value of row i of c; a single row shows a full bar.
double progressPercent(int i, int count);

// "Error #195454: No fonts found. " ... in the "Application Error" box.
void showNoFontsFound(Prompts& prompts);
QString noFontsFoundText();
// The same as one line of the command line's, without its request for a screenshot.
QString noFontsFoundLine();

void StripeGridRows(FlexGrid& grid, uint32_t evenColor, uint32_t oddColor);
constexpr uint32_t kEvenRowColor = 0x00FFDBBF;  // RGB(191, 219, 255) as 0x00BBGGRR
constexpr uint32_t kOddRowColor = 0x80000014;   // the 3-D highlight colour
