#pragma once
// The steps that build a catalogue: collect the entries of the font folders into the sorted
// list, then write one grid row per entry. Used by the main grid and the full-window list.
#include "core/error_trap.h"
#include "core/list_box.h"
#include "fontfile/font_facts.h"
#include "fontfile/font_formats.h"
#include "fsys/add_folder.h"
#include "platform/services_bundle.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

class FlexGrid;
class ProgressBar;
class PreviewPins;

// Called for the please-wait text: file i of n in its folder, and whether the fill is filtered.
using PleaseWait = std::function<void(int i, int n, bool filtered)>;

// The fonts folder, then the other configured font folders (those not below another one).
QStringList catalogueRoots(AppServices& services);
// The folders to scan: the roots, then every folder below them. With `listed`, the files of each
// folder the scan listed are kept there; with `trace`, what the scan looked at.
QStringList catalogueFolders(AppServices& services, ListedFiles* listed = nullptr, ScanTrace* trace = nullptr);

// Who reads the catalogue. The command line draws no sample and runs no event loop: its readers
// leave out the face probe and preview registration (which would load the font database of
// every installed face), and each folder's files come from the scan's own listing, as nothing
// can run between the scan and the search. The window's fill takes the scan's listing of a
// folder only while the folder's status shows no change since before the scan.
enum class CatalogueFor { Window, CommandLine };

// Clears `list` and adds one entry per accepted "*.ttf" file; with every format, one per
// accepted face of each file the formats name (a collection has several). With readAhead the
// files of the next folder are opened and read on a second thread meanwhile; the boxes,
// please-wait calls and list are the same either way.
void collectCatalogue(AppServices& services, ErrorTrap& trap, ListBox& list, const QString& filter,
                      FontFormats formats, FactsByFace& facts, PreviewPins& pins, const PleaseWait& pleaseWait,
                      bool readAhead = true, CatalogueFor use = CatalogueFor::Window, ScanTrace* trace = nullptr);

// Names the catalogue grid and its columns for assistive technology.
void nameCatalogueGrid(FlexGrid& grid);

// Sets the grid's rows to the list and writes every row, showing progress in the bar; the
// number column widens to fit the largest number.
void fillCatalogueGrid(AppServices& services, ErrorTrap& trap, FlexGrid& grid, const ListBox& list,
                       ProgressBar& bar, const FactsByFace& facts);

// The progress value of row i of c; a single row shows a full bar.
double progressPercent(int i, int count);

// "Error #195454: No fonts found. " ... in the "Application Error" box.
void showNoFontsFound(Prompts& prompts);
QString noFontsFoundText();

void StripeGridRows(FlexGrid& grid, uint32_t evenColor, uint32_t oddColor);
constexpr uint32_t kEvenRowColor = 0x00FFDBBF;  // RGB(191, 219, 255) as 0x00BBGGRR
constexpr uint32_t kOddRowColor = 0x80000014;   // the 3-D highlight colour
