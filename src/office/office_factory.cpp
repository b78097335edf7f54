#include "office/office_factory.h"

namespace office {

std::unique_ptr<ExcelApplication> OfficeFactory::createExcel() { return std::make_unique<ExcelApplication>(); }

std::unique_ptr<WordApplication> OfficeFactory::createWord() { return std::make_unique<WordApplication>(); }

RuntimeError cannotCreateObject() { return RuntimeError(429, QStringLiteral("ActiveX component can't create object")); }

}  // namespace office
