#pragma once
// The headless export: the catalogue written to a spreadsheet or a document without a window.
#include "core/sample_settings.h"
#include "fontfile/font_formats.h"
#include "platform/services_bundle.h"

#include <QString>
#include <cstdio>

// Writes the catalogue (entries of the files of `formats` whose full name holds `filter`) to
// `path`. The extension picks the format: .xls or .xlsx a spreadsheet, .doc, .docx or .rtf a
// document. An existing file is replaced only when `force` is set. Each row shows `sample`.
// Returns 0 on success, 1 on failure with the reason written to `err`.
int exportCatalogue(AppServices& services, const QString& path, const QString& filter, FontFormats formats,
                    bool force, std::FILE* err, const SampleSettings& sample = {});
