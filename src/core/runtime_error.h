#pragma once
// A run-time failure with the error number and description the error box shows.
#include <QString>
#include <stdexcept>

struct RuntimeError : std::runtime_error {
  int number;
  QString description;
  RuntimeError(int number, const QString& description)
      : std::runtime_error(description.toStdString()), number(number), description(description) {}
  // The same error, its description followed by `detail`.
  RuntimeError withDetail(const QString& detail) const { return {number, description + detail}; }
};

namespace errors {
inline RuntimeError subscriptOutOfRange() { return {9, QStringLiteral("Subscript out of range")}; }
inline RuntimeError overflow() { return {6, QStringLiteral("Overflow")}; }
inline RuntimeError divisionByZero() { return {11, QStringLiteral("Division by zero")}; }
inline RuntimeError badFileNameOrNumber() { return {52, QStringLiteral("Bad file name or number")}; }
inline RuntimeError fileNotFound() { return {53, QStringLiteral("File not found")}; }
inline RuntimeError fileAlreadyExists() { return {58, QStringLiteral("File already exists")}; }
inline RuntimeError diskFull() { return {61, QStringLiteral("Disk full")}; }
inline RuntimeError permissionDenied() { return {70, QStringLiteral("Permission denied")}; }
inline RuntimeError pathFileAccess() { return {75, QStringLiteral("Path/File access error")}; }
inline RuntimeError pathNotFound() { return {76, QStringLiteral("Path not found")}; }
inline RuntimeError objectVariableNotSet() {
  return {91, QStringLiteral("Object variable or With block variable not set")};
}
inline RuntimeError invalidPropertyValue() { return {380, QStringLiteral("Invalid property value")}; }
inline RuntimeError invalidPropertyArrayIndex() { return {381, QStringLiteral("Invalid property array index")}; }
inline RuntimeError cannotCreateObject() { return {429, QStringLiteral("ActiveX component can't create object")}; }
inline RuntimeError remoteServerUnavailable() {
  return {462, QStringLiteral("The remote server machine does not exist or is unavailable")};
}
inline RuntimeError invalidPicture() { return {481, QStringLiteral("Invalid picture")}; }
inline RuntimeError objectDefined() {
  return {1004, QStringLiteral("Application-defined or object-defined error")};
}
// The word processor's own.
inline RuntimeError badParameter() { return {4120, QStringLiteral("Bad parameter")}; }
inline RuntimeError noDocumentOpen() {
  return {4248, QStringLiteral("This command is not available because no document is open.")};
}
}  // namespace errors
