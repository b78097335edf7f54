#pragma once
// The details of one face of a font file, its tables read from the file and fontconfig's
// judgement of its spacing and languages asked of the font system.
#include "fontfile/face_details.h"
#include "platform/file_system.h"
#include "platform/font_system.h"

#include <QString>
#include <optional>

// Nothing when the file cannot be opened, has no such face, or the face is no usable font; then
// `failure`, when given, tells why as a command line reports it ("cannot be read: No such file
// or directory", "not a usable font file", "has no face 3"). With `identity`, the identity of the
// file as it was opened and read.
std::optional<truetype::FaceDetails> loadFaceDetails(FileSystem& fs, FontSystem& fonts, const QString& path,
                                                     uint32_t face, int32_t localeId, QString* failure = nullptr,
                                                     Identity* identity = nullptr);
