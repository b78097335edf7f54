#pragma once
// The word processor's file formats: Rich Text Format and Office Open XML.
#include "office/word.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace office {

// A Rich Text Format document: one font table entry per font name, one \par per paragraph
// break, text outside ASCII as \uN? escapes.
QByteArray buildRtf(const std::vector<Paragraph>& paragraphs);

// The main part of a .docx package: one w:p per paragraph, each run with its w:rFonts.
QByteArray buildDocxDocumentXml(const std::vector<Paragraph>& paragraphs);

// Writes a .docx package to `path` through a temporary file; throws RuntimeError on failure.
void writeDocxFile(const std::vector<Paragraph>& paragraphs, const QString& path);

}  // namespace office
