#include "platform/spreadsheet/ods_writer.h"

#include <zip.h>

#include <algorithm>

#include "core/common/number_format.h"
#include "core/export/spreadsheet_cells.h"
#include "core/export/table_export.h"

namespace kinevo {

namespace {

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

bool TOdsWriter::Write(const TTableMatrix& matrix, const std::string& path, std::string& error) {
  int code = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (zip == nullptr) {
    zip_error_t ze;
    zip_error_init_with_code(&ze, code);
    error = std::string("Le fichier n'a pas pu être créé : ") + zip_error_strerror(&ze);
    zip_error_fini(&ze);
    return false;
  }
  const std::string mime = kMimeType;
  const std::string manifest = kManifest;
  const std::string content = ContentXml(matrix);
  const zip_int64_t mimeIndex = AddEntry(zip, "mimetype", mime);
  bool ok =
      mimeIndex == 0 &&
      zip_set_file_compression(zip, static_cast<zip_uint64_t>(mimeIndex), ZIP_CM_STORE, 0) == 0 &&
      AddEntry(zip, "META-INF/manifest.xml", manifest) >= 0 &&
      AddEntry(zip, "content.xml", content) >= 0;
  if (!ok) {
    error = std::string("Le fichier n'a pas pu être écrit : ") + zip_strerror(zip);
    zip_discard(zip);
    return false;
  }
  if (zip_close(zip) != 0) {
    error = std::string("Le fichier n'a pas pu être écrit : ") + zip_strerror(zip);
    zip_discard(zip);
    return false;
  }
  return true;
}

}  // namespace kinevo
