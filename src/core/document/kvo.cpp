#include "core/document/kvo.h"

#include <algorithm>
#include <cctype>

#include "core/common/number_format.h"
#include "core/common/text_encoding.h"

namespace kinevo {

bool TKvo::Open(const std::string& fileName) {
  if (ini_) return false;
  fileName_ = fileName;
  ini_ = std::make_unique<TIniFile>(fileName);
  return true;
}

void TKvo::Close() { ini_.reset(); }

bool TKvo::Save() {
  if (!ini_) {
    error_ = "no document open";
    return false;
  }
  ini_->SetUsesCrLf(false);
  bool ok = ini_->SaveToFile(fileName_);
  error_ = ok ? std::string() : ini_->LastError();
  return ok;
}

const std::string& TKvo::LastError() const { return error_; }

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      break;
    }
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool SameText(std::string a, std::string b) {
  auto lower = [](std::string& s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  lower(a);
  lower(b);
  return a == b;
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
  // The integer value of line p; 0 when it is not one (or the file ended).
  // Counts are bounded by the lines left, so that a huge count in a damaged
  // file cannot make the conversion loop for ever.
  long long Count() {
    if (!Inside()) return 0;
    long long v = 0;
    if (!TextToInt(Line(), v)) return 0;
    return v;
  }
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
  std::string override_;
  bool overridden_ = false;
};

std::string Idx(const std::string& key, long long i) { return key + std::to_string(i); }

// A count read from the file, bounded by what the file could still hold.
long long Bounded(long long n, const OldLayoutReader& r) {
  if (n < 0) return 0;
  return std::min<long long>(n, static_cast<long long>(r.LinesLeft()));
}

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
  long long c = Bounded(r.Count(), r);
  r.Write("Data", "MarksContainersNumber" + s);
  for (long long i = 0; i < c && r.Inside(); ++i) {
    std::string si = s + "_" + std::to_string(i);
    r.Write("Data", "MarksContainerFrameNumber" + si);
    r.Write("Data", "MarksContainerMarkNumber" + si);
    long long m = Bounded(r.Count(), r);
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

void ConvertOldLayoutLines(const std::vector<std::string>& lines, TIniFile& ini) {
  ini.WriteInteger("Main", "Version", kKvoConvertedVersion);
  OldLayoutReader r(lines, ini);
  // 1. Video and time between images.
  r.Write("Main", "VideoFileName");
  r.Write("Data", "RequiredDuration");
  // 2. Formulas.
  long long n = Bounded(r.Count(), r);
  r.Write("Formules", "FormulesNumber");
  for (long long i = 0; i < n && r.Inside(); ++i) {
    r.Write("Record", Idx("RecordFormuleIdentifier_", i));
    r.Write("Record", Idx("RecordFormulePhrase_", i));
    r.Write("Record", Idx("RecordFormuleComment_", i));
    r.Write("Record", Idx("RecordFormuleUnit_", i));
  }
  // 3. Constants.
  n = Bounded(r.Count(), r);
  r.Write("Formules", "ConstantesNumber");
  for (long long i = 0; i < n && r.Inside(); ++i) {
    r.Write("Record", Idx("RecordConstIdentifier_", i));
    r.Write("Record", Idx("RecordConstIndex_", i));
    r.Write("Record", Idx("RecordConstValue_", i));
    r.Write("Record", Idx("RecordConstUnit_", i));
  }
  // 4. Marking mode.
  if (r.Inside()) r.Replace(SameText(r.Line(), "Tsp") ? "1" : "0");
  r.Write("Video", "MarkingMode");
  // 5. Layer stage.
  if (r.Inside()) {
    std::string l = r.Line();
    r.Replace(SameText(l, "Glisser") ? "0" : SameText(l, "Pointer") ? "2" : "1");
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
  long long colours = Bounded(f - 1, r);
  for (long long i = 0; i < colours && r.Inside(); ++i) r.Write("Data", Idx("MarkColor_", i));
  // 8. System names of both sets.
  for (const char* s : {"_Grid", "_Layer"}) {
    n = Bounded(r.Count(), r);
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
  long long positions = Bounded(u - 1, r);
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
    for (const char* k : {"ScaleHorizPointsNumber", "ScaleHorizPoint1XCoordinate",
                          "ScaleHorizPoint1YCoordinate", "ScaleHorizPoint2XCoordinate",
                          "ScaleHorizPoint2YCoordinate", "ScaleHorizLength",
                          "ScaleVertPointsNumber", "ScaleVertPoint1XCoordinate",
                          "ScaleVertPoint1YCoordinate", "ScaleVertPoint2XCoordinate",
                          "ScaleVertPoint2YCoordinate", "ScaleVertLength"})
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
  n = Bounded(r.Count(), r);
  r.Write("Montage", "VisibleImagesNumber");
  for (long long i = 0; i < n && r.Inside(); ++i) r.Write("Montage", Idx("IsVisibleImage_", i));
  n = Bounded(r.Count(), r);
  r.Write("Montage", "TimeShiftsNumber");
  for (long long i = 0; i < n && r.Inside(); ++i) r.Write("Montage", Idx("TimeShift_", i));
  // 18. Each Layer container's image is also the image of its layer origin.
  for (long long i = cl - 1; i >= 0; --i)
    ini.WriteString("Data", Idx("OrigineImageNumber_Layer_", i),
                    ini.ReadString("Data", Idx("MarksContainerFrameNumber_Layer_", i), "0"));
}

bool TKvo::ConvertOldLayout() {
  if (!ini_) return false;
  if (!ini_->ReadString("Main", "Version").empty()) return false;
  std::string bytes;
  std::vector<std::string> lines;
  if (ReadWholeFile(fileName_, bytes)) {
    std::string text = DecodeFileText(bytes);
    // Only the lines before the first section are the old layout.
    for (auto& l : SplitLines(text)) {
      std::size_t b = l.find_first_not_of(" \t");
      if (b != std::string::npos && l[b] == '[') break;
      lines.push_back(std::move(l));
    }
  }
  ConvertOldLayoutLines(lines, *ini_);
  // The converted keys go into the file at once; the old lines stay above
  // the first section.  A read-only document is still read from memory.
  ini_->UpdateFile();
  return true;
}

}  // namespace kinevo
