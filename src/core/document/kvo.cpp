#include "core/document/kvo.h"

#include <algorithm>
#include <cctype>

#include "core/common/atomic_file.h"
#include "core/common/number_format.h"
#include "core/common/text_encoding.h"
#include "core/common/text_utils.h"

namespace kinevo {

TStatus TKvo::Open(const std::string& fileName) {
  fileName_ = fileName;
  ini_ = std::make_unique<TIniFile>(fileName);
  return ini_->ReadStatus();
}

void TKvo::Close() { ini_.reset(); }

std::string TKvo::VideoFileName() const {
  const std::string stored = ini_ ? ini_->ReadString("Main", "VideoFileName") : std::string();
  if (stored.empty() || stored.front() == '/') return stored;
  const auto slash = fileName_.rfind('/');
  return slash == std::string::npos ? stored : fileName_.substr(0, slash + 1) + stored;
}

TStatus TKvo::Save() {
  if (!ini_) return Fail(WriteFailureReason(fileName_), "aucun document ouvert");
  ini_->SetUsesCrLf(false);
  // Lines above the first section are never read; in a document they can
  // only be an older layout, which this save replaces.
  ini_->DropHeader();
  return ini_->SaveToFile(fileName_);
}

namespace {

// Lines end with LF, CR LF or a lone CR.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

// The first line of an old document is the path of its video: printable
// text of a sane length, with a folder separator or an extension.
bool LooksLikePath(const std::string& line) {
  const std::size_t b = line.find_first_not_of(" \t");
  if (b == std::string::npos || line.size() > 4096) return false;
  for (unsigned char c : line)
    if (c < 0x20 || c == 0x7F) return false;
  if (line.find('/') != std::string::npos || line.find('\\') != std::string::npos) return true;
  const std::size_t dot = line.rfind('.');
  if (dot == std::string::npos || dot + 1 >= line.size() || line.size() - dot > 6) return false;
  for (std::size_t i = dot + 1; i < line.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(line[i]))) return false;
  return true;
}

// Walks the old lines with a cursor, writing each line read as one key.
class OldLayoutReader {
 public:
  OldLayoutReader(const std::vector<std::string>& lines, TIniFile& ini)
      : lines_(lines), ini_(ini) {}

  bool Inside() const { return p_ < lines_.size(); }

  // Writes line p as `key` of `section` and advances.
  void Write(const char* section, const std::string& key) {
    if (!Inside()) return;
    ini_.WriteString(section, key, Line());
    Advance();
  }
  void Skip(std::size_t n) {
    for (std::size_t i = 0; i < n && Inside(); ++i) Advance();
  }
  // The integer value of line p; 0 when the file ended.  A line that is not
  // a number marks the lines as not being an old document.
  long long Count() {
    if (!Inside()) return 0;
    long long v = 0;
    if (!TextToInt(Line(), v)) {
      implausible_ = true;
      return 0;
    }
    return v;
  }
  // A count of items still to come: more than the lines left, or below
  // zero, is not an old document either.
  long long Checked(long long n) {
    if (n < 0 || n > static_cast<long long>(LinesLeft())) {
      implausible_ = true;
      return 0;
    }
    return n;
  }
  bool Implausible() const { return implausible_; }
  std::size_t LinesLeft() const { return Inside() ? lines_.size() - p_ : 0; }
  void Replace(std::string text) {
    if (!Inside()) return;
    override_ = std::move(text);
    overridden_ = true;
  }
  std::string Line() const { return overridden_ ? override_ : lines_[p_]; }

 private:
  void Advance() {
    ++p_;
    overridden_ = false;
  }
  const std::vector<std::string>& lines_;
  TIniFile& ini_;
  std::size_t p_ = 0;
  bool implausible_ = false;
  std::string override_;
  bool overridden_ = false;
};

std::string Idx(const std::string& key, long long i) { return key + std::to_string(i); }

void WriteDirections(OldLayoutReader& r, const std::string& ykey, const std::string& xkey) {
  std::string line = r.Inside() ? r.Line() : std::string();
  if (line.find('*') != std::string::npos) {
    line.erase(std::remove(line.begin(), line.end(), '*'), line.end());
    r.Replace(line);
    r.Write("Data", ykey);
    r.Skip(1);
    r.Write("Data", xkey);
  } else {
    r.Write("Data", ykey);
  }
}

long long WriteMarks(OldLayoutReader& r, const std::string& s) {
  r.Write("Data", "MarksIsAllDrawn" + s);
  r.Write("Data", "MarksNumberToDraw" + s);
  long long c = r.Checked(r.Count());
  r.Write("Data", "MarksContainersNumber" + s);
  for (long long i = 0; i < c && r.Inside(); ++i) {
    std::string si = s + "_" + std::to_string(i);
    r.Write("Data", "MarksContainerFrameNumber" + si);
    r.Write("Data", "MarksContainerMarkNumber" + si);
    long long m = r.Checked(r.Count());
    r.Write("Data", "MarksContainerMarksNumber" + si);
    for (long long j = 0; j < m && r.Inside(); ++j) {
      std::string sj = si + "_" + std::to_string(j);
      r.Write("Data", "MarkOrderNumber" + sj);
      r.Write("Data", "MarkXCoordinate" + sj);
      r.Write("Data", "MarkYCoordinate" + sj);
    }
  }
  return c;
}

}  // namespace

namespace {

void ConvertLines(OldLayoutReader& r, TIniFile& ini) {
  ini.WriteInteger("Main", "Version", kKvoConvertedVersion);
  // 1. Video and time between images.
  r.Write("Main", "VideoFileName");
  r.Write("Data", "RequiredDuration");
  // 2. Formulas.
  long long n = r.Checked(r.Count());
  r.Write("Formules", "FormulesNumber");
  for (long long i = 0; i < n && r.Inside(); ++i) {
    r.Write("Record", Idx("RecordFormuleIdentifier_", i));
    r.Write("Record", Idx("RecordFormulePhrase_", i));
    r.Write("Record", Idx("RecordFormuleComment_", i));
    r.Write("Record", Idx("RecordFormuleUnit_", i));
  }
  // 3. Constants.
  n = r.Checked(r.Count());
  r.Write("Formules", "ConstantesNumber");
  for (long long i = 0; i < n && r.Inside(); ++i) {
    r.Write("Record", Idx("RecordConstIdentifier_", i));
    r.Write("Record", Idx("RecordConstIndex_", i));
    r.Write("Record", Idx("RecordConstValue_", i));
    r.Write("Record", Idx("RecordConstUnit_", i));
  }
  // 4. Marking mode.
  if (r.Inside()) r.Replace(SameName(r.Line(), "Tsp") ? "1" : "0");
  r.Write("Video", "MarkingMode");
  // 5. Layer stage.
  if (r.Inside()) {
    std::string l = r.Line();
    r.Replace(SameName(l, "Glisser") ? "0" : SameName(l, "Pointer") ? "2" : "1");
  }
  r.Write("Data", "LayerStage");
  // 6.
  r.Write("Data", "MarksNumberPerFrame_Grid");
  r.Write("Data", "CurrentMarkOrderNumber_Grid");
  r.Write("Video", "ImageNumber");
  // 7. Colours: the old count included the element colour.
  long long f = r.Count();
  if (r.Inside()) r.Replace(std::to_string(f - 1));
  r.Write("Data", "MarkColorsNumber");
  r.Write("Data", "ElementColor");
  long long colours = r.Checked(std::max(0LL, f - 1));  // 0 when the file ended
  for (long long i = 0; i < colours && r.Inside(); ++i) r.Write("Data", Idx("MarkColor_", i));
  // 8. System names of both sets.
  for (const char* s : {"_Grid", "_Layer"}) {
    n = r.Checked(r.Count());
    r.Write("Data", std::string("SystemNamesNumber") + s);
    for (long long i = 0; i < n && r.Inside(); ++i)
      r.Write("Data", std::string("SystemName") + s + "_" + std::to_string(i));
  }
  // 9-10. Fixed frame.
  WriteDirections(r, "DirectYAxisDirection_Grid", "DirectXAxisDirection_Grid");
  r.Write("Data", "OriginePointsNumber_Grid");
  r.Write("Data", "OrigineCurrentXCoordinate_Grid");
  r.Write("Data", "OrigineCurrentYCoordinate_Grid");
  r.Write("Data", "XAxisAngle_Grid");
  r.Write("Data", "YAxisAngle_Grid");
  r.Skip(9);
  // 11. Layer.
  WriteDirections(r, "DirectYAxisDirection_Layer", "DirectXAxisDirection_Layer");
  r.Skip(5);
  r.Write("Data", "LayerWidth");
  r.Write("Data", "LayerHeight");
  r.Skip(2);
  r.Write("Data", "OrigineCurrentXCoordinate_Layer");
  r.Write("Data", "OrigineCurrentYCoordinate_Layer");
  // 12. Layer origin positions: the old count was one more.
  long long u = r.Count();
  if (r.Inside()) r.Replace(std::to_string(u - 1));
  r.Write("Data", "OriginePositionsNumber_Layer");
  r.Skip(2);
  long long positions = r.Checked(std::max(0LL, u - 1));
  for (long long i = 0; i < positions && r.Inside(); ++i) {
    r.Write("Data", Idx("OrigineXCoordinate_Layer_", i));
    r.Write("Data", Idx("OrigineYCoordinate_Layer_", i));
  }
  // 13-14. Scales.
  r.Write("Data", "ScalePointsNumber");
  r.Write("Data", "ScalePoint1XCoordinate");
  r.Write("Data", "ScalePoint1YCoordinate");
  r.Write("Data", "ScalePoint2XCoordinate");
  r.Write("Data", "ScalePoint2YCoordinate");
  std::string line = r.Inside() ? r.Line() : std::string();
  if (line.find('*') != std::string::npos) {
    line.erase(std::remove(line.begin(), line.end(), '*'), line.end());
    r.Replace(line);
    r.Write("Data", "ScaleLength");
    r.Skip(1);
    for (const char* k :
         {"ScaleHorizPointsNumber", "ScaleHorizPoint1XCoordinate", "ScaleHorizPoint1YCoordinate",
          "ScaleHorizPoint2XCoordinate", "ScaleHorizPoint2YCoordinate", "ScaleHorizLength",
          "ScaleVertPointsNumber", "ScaleVertPoint1XCoordinate", "ScaleVertPoint1YCoordinate",
          "ScaleVertPoint2XCoordinate", "ScaleVertPoint2YCoordinate", "ScaleVertLength"})
      r.Write("Data", k);
    r.Skip(1);
  } else {
    r.Write("Data", "ScaleLength");
  }
  r.Skip(1);
  // 15-16. Marks.
  WriteMarks(r, "_Grid");
  r.Skip(1);
  long long cl = WriteMarks(r, "_Layer");
  // 17. Montage.
  n = r.Checked(r.Count());
  r.Write("Montage", "VisibleImagesNumber");
  for (long long i = 0; i < n && r.Inside(); ++i) r.Write("Montage", Idx("IsVisibleImage_", i));
  n = r.Checked(r.Count());
  r.Write("Montage", "TimeShiftsNumber");
  for (long long i = 0; i < n && r.Inside(); ++i) r.Write("Montage", Idx("TimeShift_", i));
  // 18. Each Layer container's image is also the image of its layer origin.
  for (long long i = cl - 1; i >= 0; --i)
    ini.WriteString("Data", Idx("OrigineImageNumber_Layer_", i),
                    ini.ReadString("Data", Idx("MarksContainerFrameNumber_Layer_", i), "0"));
}

}  // namespace

bool ConvertOldLayoutLines(const std::vector<std::string>& lines, TIniFile& ini) {
  if (lines.empty() || !LooksLikePath(lines.front())) return false;
  // Converted apart first, so that lines that turn out not to be an old
  // document leave `ini` untouched.
  TIniFile converted;
  OldLayoutReader r(lines, converted);
  ConvertLines(r, converted);
  if (r.Implausible()) return false;
  for (const std::string& section : converted.ReadSections())
    for (const auto& [key, value] : converted.ReadSectionValues(section))
      ini.WriteString(section, key, value);
  return true;
}

TKvo::TConversion TKvo::ConvertOldLayout() {
  if (!ini_ || !ini_->ReadString("Main", "Version").empty()) return kcCurrent;
  std::vector<std::string> lines;
  if (TResult<std::string> bytes = ReadWholeFile(fileName_)) {
    std::string text = TakeFileText(std::move(bytes).value());
    // Only the lines before the first section are the old layout.
    for (auto& l : SplitLines(text)) {
      std::size_t b = l.find_first_not_of(" \t");
      if (b != std::string::npos && l[b] == '[') break;
      lines.push_back(std::move(l));
    }
  }
  if (!ConvertOldLayoutLines(lines, *ini_)) return kcNotADocument;
  // The conversion lives in memory: the old lines and the converted keys
  // reach the file only through a save, which writes the current layout.
  ini_->KeepChangesInMemory();
  return kcConverted;
}

}  // namespace kinevo
