#pragma once
// Where commands get their office application objects from. Tests hand in a factory of
// their own, for example one that fails like an application that cannot be started.
#include "office/excel.h"
#include "office/word.h"

#include <memory>

namespace office {

class OfficeFactory {
 public:
  virtual ~OfficeFactory() = default;
  // "excel.application"
  virtual std::unique_ptr<ExcelApplication> createExcel();
  // "Word.Application"
  virtual std::unique_ptr<WordApplication> createWord();
};

}  // namespace office
