#pragma once
// Collecting a catalogue, in the order its data flows: scan the folders (scan_folders), match
// each file to its record or read it (match_files, on the read-ahead's thread too), list its
// faces (list_faces), rank them (rank_faces); the records kept go to the cache. The grid is
// filled from the list afterwards (fill_grid).
#include "catalogue/list_faces.h"
#include "catalogue/scan_folders.h"
#include "core/error_trap.h"
#include "core/list_box.h"
#include "fontfile/font_facts.h"
#include "fontfile/font_formats.h"
#include "fsys/add_folder.h"
#include "platform/services_bundle.h"

#include <QString>

class PreviewPins;

// Who reads the catalogue. The command line draws no sample and runs no event loop: its readers
// leave out the face probe and preview registration (which would load the font database of
// every installed face), and each folder's files come from the scan's own listing, as nothing
// can run between the scan and the search. The window's fill takes the scan's listing of a
// folder only while the folder's identity holds, and keeps listings from fill to fill.
enum class CatalogueFor { Window, CommandLine };

// Clears `list` and adds one entry per accepted "*.ttf" file; with every format, one per
// accepted face of each file the formats name (a collection has several). With readAhead the
// files of the next folder are matched and read on a second thread meanwhile; the boxes,
// please-wait calls and list are the same either way. With `trace`, every folder whose entries
// were read is traced there. With `search` (a property search's terms, as --where takes them),
// only the faces that hold it are listed.
void collectCatalogue(AppServices& services, ErrorTrap& trap, ListBox& list, const QString& filter,
                      FontFormats formats, FactsByFace& facts, PreviewPins& pins, const PleaseWait& pleaseWait,
                      bool readAhead = true, CatalogueFor use = CatalogueFor::Window, ScanTrace* trace = nullptr,
                      const QString& search = {});
