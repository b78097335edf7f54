#pragma once
// --list with --json or --where: the catalogue's rows with what each face is, read from the
// cache's details where its file is unchanged.
#include "catalogue/face_query.h"
#include "core/sample_settings.h"
#include "fontfile/font_formats.h"
#include "platform/services_bundle.h"

#include <QString>
#include <cstdio>
#include <optional>

// The rows of the catalogue whose faces hold `query` (all without one), numbered from 1 in the
// list's order: as --list prints them, or with `json` one JSON object a line, which with `sample`
// says the text each row shows. 0 when written.
int listWithDetails(AppServices& services, const QString& filter, FontFormats formats, const FaceQuery& query,
                    bool json, std::FILE* out, const std::optional<SampleSettings>& sample = std::nullopt);
