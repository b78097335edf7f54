#include "office/office_factory.h"

namespace office {

std::unique_ptr<ExcelApplication> OfficeFactory::createExcel() { return std::make_unique<ExcelApplication>(); }

std::unique_ptr<WordApplication> OfficeFactory::createWord() { return std::make_unique<WordApplication>(); }

}  // namespace office
