#include "office/xlsx_writer.h"

#include "office/save_file.h"
#include "platform/atomic_file.h"
#include "platform/path_codec.h"

#include <cerrno>
#include <vector>
#include <xlsxwriter.h>

namespace office {

void writeXlsxFile(const SheetModel& sheet, const QString& path) {
  AtomicFile file(path);
  FileStatus status = file.openUnnamed();  // it writes by name, but never replaces the file
  if (!status.ok()) throw saveError(path, status);

  const std::string temp = pathToBytes(file.tempPath());
  lxw_workbook* wb = workbook_new(temp.c_str());
  if (!wb) throw saveError(path, FileStatus::fromErrno(ENOMEM));
  lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.name.toUtf8().constData());

  const FontList fontList(sheet);
  std::vector<lxw_format*> formats;
  formats.reserve(fontList.fonts.size());
  for (const TextFont& font : fontList.fonts) {
    lxw_format* f = workbook_add_format(wb);
    if (!font.name.isEmpty()) format_set_font_name(f, font.name.toUtf8().constData());
    if (font.bold) format_set_bold(f);
    if (font.italic) format_set_italic(f);
    formats.push_back(f);
  }

  lxw_error error = LXW_NO_ERROR;
  for (const auto& [r, row] : sheet.rows) {
    const int font = fontList.of(row);
    lxw_format* fmt = font >= 0 ? formats[size_t(font)] : nullptr;
    const lxw_row_t rr = lxw_row_t(r - 1);
    if (fmt && error == LXW_NO_ERROR) error = worksheet_set_row(ws, rr, LXW_DEF_ROW_HEIGHT, fmt);
    for (const auto& [c, v] : row.cells) {
      if (error != LXW_NO_ERROR) break;
      // A cell's own format wins over its row's in the file, so each cell carries the row font.
      const lxw_col_t cc = lxw_col_t(c - 1);
      if (const double* d = std::get_if<double>(&v))
        error = worksheet_write_number(ws, rr, cc, *d, fmt);
      else
        error = worksheet_write_string(ws, rr, cc, std::get<QString>(v).toUtf8().constData(), fmt);
    }
  }
  errno = 0;
  const lxw_error closed = workbook_close(wb);  // writes the file; frees the workbook either way
  // When writing failed, the system's reason is left in errno.
  const int err = closed == LXW_ERROR_CREATING_XLSX_FILE || closed == LXW_ERROR_CREATING_TMPFILE ||
                          closed == LXW_ERROR_ZIP_FILE_OPERATION || closed == LXW_ERROR_ZIP_FILE_ADD ||
                          closed == LXW_ERROR_ZIP_CLOSE
                      ? errno : 0;
  if (error == LXW_NO_ERROR) error = closed;
  if (error != LXW_NO_ERROR) {
    FileStatus reason{err ? err : EIO, QString::fromUtf8(lxw_strerror(error))};
    if (err) reason.reason += QStringLiteral(": ") + FileStatus::fromErrno(err).reason;
    throw saveError(path, reason);
  }
  status = file.commit();
  if (!status.ok()) throw saveError(path, status);
}

}  // namespace office
