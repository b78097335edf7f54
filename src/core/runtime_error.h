#pragma once
// A run-time failure with the error number and description the error box shows.
#include <QString>
#include <stdexcept>

struct RuntimeError : std::runtime_error {
  int number;
  QString description;
  RuntimeError(int number, const QString& description)
      : std::runtime_error(description.toStdString()), number(number), description(description) {}
};

namespace errors {
inline RuntimeError subscriptOutOfRange() { return {9, QStringLiteral("Subscript out of range")}; }
inline RuntimeError overflow() { return {6, QStringLiteral("Overflow")}; }
inline RuntimeError divisionByZero() { return {11, QStringLiteral("Division by zero")}; }
inline RuntimeError fileNotFound() { return {53, QStringLiteral("File not found")}; }
inline RuntimeError fileAlreadyExists() { return {58, QStringLiteral("File already exists")}; }
inline RuntimeError diskFull() { return {61, QStringLiteral("Disk full")}; }
inline RuntimeError permissionDenied() { return {70, QStringLiteral("Permission denied")}; }
inline RuntimeError pathFileAccess() { return {75, QStringLiteral("Path/File access error")}; }
inline RuntimeError pathNotFound() { return {76, QStringLiteral("Path not found")}; }
inline RuntimeError objectDefined() {
  return {1004, QStringLiteral("Application-defined or object-defined error")};
}
}  // namespace errors
