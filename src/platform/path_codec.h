#pragma once
// File names on Linux are bytes, not text. Paths travel through the program as QString and
// are turned back into the very same bytes for every system call: bytes that are not valid
// UTF-8 are kept as lone surrogates U+DC80..U+DCFF (the "surrogate escape" convention).
#include <QString>
#include <string>
#include <string_view>

QString pathFromBytes(std::string_view bytes);
std::string pathToBytes(QStringView path);
// The same bytes appended to `out`.
void appendPathBytes(std::string& out, QStringView path);
