#include "platform/spreadsheet/xlsx_writer.h"

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>

#include "core/common/atomic_file.h"
#include "core/common/number_format.h"
#include "core/export/spreadsheet_cells.h"

namespace kinevo {

namespace {

// The library prints its own English lines on stderr when it cannot write;
// the user gets the program's French message instead.  Standard error goes
// to /dev/null while the object lives.
class TQuietStderr {
 public:
  TQuietStderr() {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
  }
  ~TQuietStderr() {
    std::fflush(stderr);
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }
  TQuietStderr(const TQuietStderr&) = delete;
  TQuietStderr& operator=(const TQuietStderr&) = delete;

 private:
  int saved_ = -1;
};

// What went wrong, in French, from the library's code and the system's
// error number when it left one.
std::string Cause(lxw_error status, int err) {
  switch (status) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
      return "mémoire insuffisante";
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
      return err != 0 ? FileErrorReason(err) : "le classeur n'a pas pu être écrit sur le disque";
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
      return "le tableau a trop de colonnes pour un classeur";
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
      return "un texte du tableau est trop long pour une cellule";
    default:
      return "erreur " + std::to_string(static_cast<int>(status)) +
             " de la bibliothèque des classeurs";
  }
}

}  // namespace

TStatus TXlsxWriter::Write(const TTableMatrix& matrix, const std::string& path) {
  // The library prints number cells with printf: a decimal comma would
  // make a workbook that spreadsheet programs refuse.
  ScopedCNumericLocale cNumbers;
  if (matrix.size() > LXW_ROW_MAX)
    return Fail(WriteFailureReason(path), "le tableau a trop de lignes pour un classeur");
  // The library writes by name: into the temporary file beside the target.
  TResult<TAtomicFile> file = TAtomicFile::Create(path);
  if (!file) return file.error();
  lxw_workbook* book = workbook_new(file->WritePath().c_str());
  if (book == nullptr) return Fail(WriteFailureReason(path), "mémoire insuffisante");
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Kinevo");
  lxw_error status = sheet == nullptr ? LXW_ERROR_MEMORY_MALLOC_FAILED : LXW_NO_ERROR;
  for (std::size_t r = 0; r < matrix.size() && status == LXW_NO_ERROR; ++r) {
    const auto& row = matrix[r];
    for (std::size_t c = 0; c < row.size() && status == LXW_NO_ERROR; ++c) {
      if (c >= LXW_COL_MAX) {
        status = LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE;
        break;
      }
      const TSheetCell cell = WorkbookCell(static_cast<int>(r), row[c]);
      const auto rr = static_cast<lxw_row_t>(r);
      const auto cc = static_cast<lxw_col_t>(c);
      if (cell.kind == TSheetCell::Number)
        status = worksheet_write_number(sheet, rr, cc, cell.number, nullptr);
      else if (cell.kind == TSheetCell::Text)
        status = worksheet_write_string(sheet, rr, cc, cell.text.c_str(), nullptr);
    }
  }
  // Closing writes the file, and frees the workbook in every case.
  int err = 0;
  {
    const TQuietStderr quiet;
    errno = 0;
    const lxw_error closed = workbook_close(book);
    err = errno;
    if (status == LXW_NO_ERROR) status = closed;
  }
  if (status != LXW_NO_ERROR) return Fail(WriteFailureReason(path), Cause(status, err));
  return file->Commit();
}

}  // namespace kinevo
