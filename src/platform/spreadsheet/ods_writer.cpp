#include "platform/spreadsheet/ods_writer.h"

#include <zip.h>

#include <algorithm>

#include "core/common/atomic_file.h"
#include "core/common/number_format.h"
#include "core/export/spreadsheet_cells.h"
#include "core/export/table_export.h"

namespace kinevo {

namespace {

constexpr const char* kArchiveFailure = "Le classeur OpenDocument n'a pas pu être préparé.";
constexpr const char* kMimeType = "application/vnd.oasis.opendocument.spreadsheet";

const char* kManifest =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
    "manifest:version=\"1.2\">\n"
    " <manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" "
    "manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>\n"
    " <manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>\n"
    "</manifest:manifest>\n";

// Adds a file from a buffer that must live until the archive is closed.
zip_int64_t AddEntry(zip_t* zip, const char* name, const std::string& data) {
  zip_source_t* src = zip_source_buffer(zip, data.data(), data.size(), 0);
  if (src == nullptr) return -1;
  const zip_int64_t index = zip_file_add(zip, name, src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
  if (index < 0) zip_source_free(src);
  return index;
}

}  // namespace

std::string TOdsWriter::ContentXml(const TTableMatrix& matrix) {
  std::size_t cols = 0;
  for (const auto& row : matrix) cols = std::max(cols, row.size());
  std::string x =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<office:document-content "
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">\n"
      "<office:body><office:spreadsheet>\n<table:table table:name=\"Kinevo\">\n";
  if (cols > 0)
    x += "<table:table-column table:number-columns-repeated=\"" + std::to_string(cols) + "\"/>\n";
  for (std::size_t r = 0; r < matrix.size(); ++r) {
    x += "<table:table-row>";
    for (const auto& text : matrix[r]) {
      const TSheetCell cell = OpenDocumentCell(static_cast<int>(r), text);
      switch (cell.kind) {
        case TSheetCell::Number:
          // The value attribute is always written with a point; the shown
          // text keeps the program's separator.
          x += "<table:table-cell office:value-type=\"float\" office:value=\"" +
               FloatToText(cell.number, 17, '.') + "\"><text:p>" + XmlEscaped(text) +
               "</text:p></table:table-cell>";
          break;
        case TSheetCell::Text:
          x += "<table:table-cell office:value-type=\"string\"><text:p>" + XmlEscaped(cell.text) +
               "</text:p></table:table-cell>";
          break;
        case TSheetCell::Empty:
          x += "<table:table-cell/>";
          break;
      }
    }
    x += "</table:table-row>\n";
  }
  x += "</table:table>\n</office:spreadsheet></office:body>\n</office:document-content>\n";
  return x;
}

TResult<std::string> TOdsWriter::Archive(const TTableMatrix& matrix) {
  // Built in memory, then written like every other file of the program:
  // the archive library would otherwise make its own temporary file and
  // rename it over the target, replacing a link or a device.
  zip_error_t ze;
  zip_error_init(&ze);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &ze);
  zip_t* zip = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &ze) : nullptr;
  if (zip == nullptr) {
    zip_error_fini(&ze);
    if (buffer) zip_source_free(buffer);
    return Fail(kArchiveFailure, "mémoire insuffisante");
  }
  zip_error_fini(&ze);
  zip_source_keep(buffer);  // kept past zip_close, which fills it
  const std::string mime = kMimeType;
  const std::string manifest = kManifest;
  const std::string content = ContentXml(matrix);
  const zip_int64_t mimeIndex = AddEntry(zip, "mimetype", mime);
  const bool added =
      mimeIndex == 0 &&
      zip_set_file_compression(zip, static_cast<zip_uint64_t>(mimeIndex), ZIP_CM_STORE, 0) == 0 &&
      AddEntry(zip, "META-INF/manifest.xml", manifest) >= 0 &&
      AddEntry(zip, "content.xml", content) >= 0;
  if (!added || zip_close(zip) != 0) {
    zip_discard(zip);
    zip_source_free(buffer);
    return Fail(kArchiveFailure, "le classeur n'a pas pu être assemblé en mémoire");
  }
  std::string bytes;
  zip_stat_t st;
  zip_stat_init(&st);
  bool read = zip_source_open(buffer) == 0;
  if (read && zip_source_stat(buffer, &st) == 0 && (st.valid & ZIP_STAT_SIZE) != 0) {
    bytes.resize(static_cast<std::size_t>(st.size));
    read = zip_source_read(buffer, bytes.data(), st.size) == static_cast<zip_int64_t>(st.size);
  } else {
    read = false;
  }
  zip_source_close(buffer);
  zip_source_free(buffer);
  if (!read) return Fail(kArchiveFailure, "le classeur n'a pas pu être relu en mémoire");
  return bytes;
}

TStatus TOdsWriter::Write(const TTableMatrix& matrix, const std::string& path) {
  TResult<std::string> bytes = Archive(matrix);
  if (!bytes) return bytes.error();
  return WriteFileAtomically(path, *bytes);
}

}  // namespace kinevo
