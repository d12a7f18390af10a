#include "core/document/marking_document.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/number_format.h"
#include "core/marking/marking_data.h"
#include "core/video/duration_dialog.h"

namespace kinevo {

namespace {

constexpr const char* kData = "Data";

std::string Key(const std::string& base, const std::string& suffix, int i) {
  return base + suffix + "_" + std::to_string(i);
}

// Appends "_" and `n` to `out`.
void AppendIndex(std::string& out, int n) {
  char digits[16];
  out += '_';
  out.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

// The numbered keys of the image containers ("MarkXCoordinate_Grid_12_3"),
// built in one buffer of their own: a large document has millions of them.
class TNumberedKey {
 public:
  TNumberedKey(std::string_view base, std::string_view suffix) {
    key_.append(base).append(suffix);
    stem_ = key_.size();
  }
  const std::string& Of(int i) {
    key_.resize(stem_);
    AppendIndex(key_, i);
    return key_;
  }
  const std::string& Of(int i, int j) {
    Of(i);
    AppendIndex(key_, j);
    return key_;
  }

 private:
  std::string key_;
  std::size_t stem_ = 0;
};

// Keys and values of [Data] laid out in one buffer and handed to the file
// in batches, which lets it overlap its index lookups.
class TKeyBatch {
 public:
  explicit TKeyBatch(TIniFile& ini) : ini_(ini) { text_.reserve(kCapacity); }
  TKeyBatch(const TKeyBatch&) = delete;
  TKeyBatch& operator=(const TKeyBatch&) = delete;

  void Integer(const std::string& key, int64_t value) {
    char digits[24];
    Add(key, {digits, static_cast<std::size_t>(
                          std::to_chars(digits, digits + sizeof digits, value).ptr - digits)});
  }
  void Float(const std::string& key, double value) { Add(key, FloatToText(value)); }
  // Hands what is held to the file; also done before the buffer fills.
  void Flush() {
    std::vector<TIniFile::KeyValue> entries;
    entries.reserve(spans_.size());
    for (const Span& e : spans_)
      entries.push_back({std::string_view(text_).substr(e.key, e.keySize),
                         std::string_view(text_).substr(e.key + e.keySize, e.valueSize)});
    ini_.WriteStrings(kData, entries);
    spans_.clear();
    text_.clear();
  }

 private:
  static constexpr std::size_t kCapacity = 1 << 16;
  struct Span {
    std::size_t key, keySize, valueSize;
  };
  void Add(std::string_view key, std::string_view value) {
    // The views handed over point into `text_`, which must not move.
    if (text_.size() + key.size() + value.size() > kCapacity) Flush();
    spans_.push_back({text_.size(), key.size(), value.size()});
    text_.append(key).append(value);
  }
  TIniFile& ini_;
  std::string text_;
  std::vector<Span> spans_;
};

// Documents keep the layer stage as 0 drag, 1 grab, 2 point.
int StageToFile(TLayerStage s) {
  switch (s) {
    case lsDrag:
      return 0;
    case lsPoint:
      return 2;
    default:
      return 1;
  }
}

void SaveScale(const TEchelle& scale, TIniFile& ini) {
  struct Kind {
    TScaleKind kind;
    const char* name;
    const char* length;
  };
  const Kind kinds[] = {{skNormal, "Scale", "ScaleLength"},
                        {skHoriz, "ScaleHoriz", "ScaleHorizLength"},
                        {skVert, "ScaleVert", "ScaleVertLength"}};
  for (const Kind& k : kinds) {
    const std::string n = k.name;
    ini.WriteInteger(kData, n + "PointsNumber", scale.PointsNumber(k.kind));
    ini.WriteFloat(kData, n + "Point1XCoordinate", scale.Point(k.kind, 0).x);
    ini.WriteFloat(kData, n + "Point1YCoordinate", scale.Point(k.kind, 0).y);
    ini.WriteFloat(kData, n + "Point2XCoordinate", scale.Point(k.kind, 1).x);
    ini.WriteFloat(kData, n + "Point2YCoordinate", scale.Point(k.kind, 1).y);
    const double len = k.kind == skNormal  ? scale.ScaleLength()
                       : k.kind == skHoriz ? scale.ScaleHorizLength()
                                           : scale.ScaleVertLength();
    ini.WriteFloat(kData, k.length, len);
  }
}

// The failure of a document whose content the program cannot use.
TError Unreadable(std::string cause) { return Fail(kDocumentReadFailure, std::move(cause)); }

// The lens correction and the plane calibration; documents written before
// them have none of these keys, and open with both off.
void SaveCalibration(const TMeasureCalibration& c, TIniFile& ini) {
  ini.WriteBool(kData, "LensCorrection", c.lens.on);
  ini.WriteFloat(kData, "LensK1", c.lens.k1);
  ini.WriteFloat(kData, "LensK2", c.lens.k2);
  ini.WriteBool(kData, "PlaneCalibration", c.plane.on);
  for (int i = 0; i < 4; ++i) {
    const std::string n = "PlanePoint" + std::to_string(i + 1);
    ini.WriteFloat(kData, n + "XCoordinate", c.plane.points[static_cast<std::size_t>(i)].x);
    ini.WriteFloat(kData, n + "YCoordinate", c.plane.points[static_cast<std::size_t>(i)].y);
  }
  ini.WriteFloat(kData, "PlaneWidth", c.plane.width);
  ini.WriteFloat(kData, "PlaneHeight", c.plane.height);
}

// Refuses what would measure nothing or nonsense once switched on: a lens
// that scrambles the picture, a plane that is no view of a rectangle.  A
// setting that is off is kept as it is, for when it is switched on again.
TStatus LoadCalibration(TData& data, const TIniFile& ini) {
  TMeasureCalibration c;
  auto number = [&](const std::string& key) {
    const double v = ini.ReadFloat(kData, key, 0);
    return std::isfinite(v) ? v : 0.0;
  };
  c.lens.on = ini.ReadBool(kData, "LensCorrection", false);
  c.lens.k1 = number("LensK1");
  c.lens.k2 = number("LensK2");
  if (c.lens.on)
    if (TStatus lens = CheckLens(c.lens.k1, c.lens.k2); !lens)
      return Unreadable(lens.error().reason + " (LensK1 = " + ini.ReadString(kData, "LensK1") +
                        ", LensK2 = " + ini.ReadString(kData, "LensK2") + ")");
  c.plane.on = ini.ReadBool(kData, "PlaneCalibration", false);
  for (int i = 0; i < 4; ++i) {
    const std::string n = "PlanePoint" + std::to_string(i + 1);
    // Points the user drags stay on the picture.
    c.plane.points[static_cast<std::size_t>(i)] = {std::clamp(number(n + "XCoordinate"), 0.0, 1.0),
                                                   std::clamp(number(n + "YCoordinate"), 0.0, 1.0)};
  }
  c.plane.width = number("PlaneWidth");
  c.plane.height = number("PlaneHeight");
  if (c.plane.on) {
    // Three points in a line and a crossed quadrilateral stay so whatever
    // the picture's size: the fractions tell them.  The lens is checked
    // again against the picture once the video is open.
    std::array<TWorldPoint, 4> points;
    for (std::size_t i = 0; i < 4; ++i) points[i] = {c.plane.points[i].x, c.plane.points[i].y};
    const bool sized = c.plane.width > kMinScaleLength && c.plane.width < kMaxScaleLength &&
                       c.plane.height > kMinScaleLength && c.plane.height < kMaxScaleLength;
    if (!sized)
      return Unreadable(
          "taille du plan hors limites (PlaneWidth = " + ini.ReadString(kData, "PlaneWidth") +
          ", PlaneHeight = " + ini.ReadString(kData, "PlaneHeight") +
          " ; une longueur va de 0,001 à 1,5e13 mètres)");
    if (TResult<THomography> h = CalibratePlane(points, c.plane.width, c.plane.height); !h)
      return Unreadable(h.error().reason);
  }
  data.SetCalibration(c);
  return {};
}

// Refuses a length beyond what the length dialog accepts.
TStatus LoadScale(TEchelle& scale, const TIniFile& ini) {
  struct Kind {
    TScaleKind kind;
    const char* name;
    const char* length;
  };
  const Kind kinds[] = {{skNormal, "Scale", "ScaleLength"},
                        {skHoriz, "ScaleHoriz", "ScaleHorizLength"},
                        {skVert, "ScaleVert", "ScaleVertLength"}};
  for (const Kind& k : kinds) {
    const std::string n = k.name;
    int32_t count = std::clamp(ini.ReadInteger(kData, n + "PointsNumber", 0), 0, 2);
    auto frac = [&](const std::string& key) {
      double v = ini.ReadFloat(kData, key, 0);
      return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
    };
    TPictureCoord p1{frac(n + "Point1XCoordinate"), frac(n + "Point1YCoordinate")};
    TPictureCoord p2{frac(n + "Point2XCoordinate"), frac(n + "Point2YCoordinate")};
    scale.SetSegment(k.kind, count, p1, p2);
    double len = ini.ReadFloat(kData, k.length, 0);
    if (std::isnan(len) || len < 0) len = 0;
    if (len != 0 && !(len > kMinScaleLength && len < kMaxScaleLength))
      return Unreadable("longueur d'échelle hors limites (" + std::string(k.length) + " = " +
                        ini.ReadString(kData, k.length) +
                        " ; une longueur va de 0,001 à 1,5e13 mètres)");
    if (k.kind == skNormal)
      scale.SetScaleLength(len);
    else if (k.kind == skHoriz)
      scale.SetScaleHorizLength(len);
    else
      scale.SetScaleVertLength(len);
  }
  return {};
}

TContainersCopy CopyContainers(const TPolyContainer& set, bool relative) {
  TContainersCopy copy;
  const auto& containers = set.Containers();
  copy.containers.reserve(containers.size());
  copy.marks.reserve(static_cast<std::size_t>(set.MarksCount()));
  for (const auto& c : containers) {
    copy.containers.push_back(
        {c->MarksContainerFrameNumber, c->MarksContainerMarkNumber, c->Count()});
    for (int j = 0; j < c->Count(); ++j) {
      const TMarque& m = *c->Mark(j);
      const TPictureCoord p = relative ? m.GetRelative() : m.GetPicture();
      copy.marks.push_back({m.MarkOrderNumber, p.x, p.y, m.Origin});
    }
  }
  return copy;
}

void SaveContainers(const TContainersCopy& copy, const std::string& s, TIniFile& ini) {
  ini.WriteInteger(kData, "MarksContainersNumber" + s,
                   static_cast<int64_t>(copy.containers.size()));
  TNumberedKey frame("MarksContainerFrameNumber", s), rank("MarksContainerMarkNumber", s),
      count("MarksContainerMarksNumber", s), order("MarkOrderNumber", s), x("MarkXCoordinate", s),
      y("MarkYCoordinate", s), origin("MarkOrigin", s);
  TKeyBatch batch(ini);
  std::size_t next = 0;
  for (std::size_t i = 0; i < copy.containers.size(); ++i) {
    const TContainersCopy::Container& c = copy.containers[i];
    const int ii = static_cast<int>(i);
    batch.Integer(frame.Of(ii), c.frame);
    batch.Integer(rank.Of(ii), c.rank);
    batch.Integer(count.Of(ii), c.marks);
    for (int j = 0; j < c.marks; ++j, ++next) {
      const TContainersCopy::Mark& m = copy.marks[next];
      batch.Integer(order.Of(ii, j), m.system);
      batch.Float(x.Of(ii, j), m.x);
      batch.Float(y.Of(ii, j), m.y);
      // Only tracked marks carry the key: a clicked mark is the default.
      if (m.origin != moClicked) batch.Integer(origin.Of(ii, j), m.origin);
    }
  }
  batch.Flush();
}

void SaveMarks(const TPolyContainer& set, const std::string& s, bool relative, bool withContainers,
               TIniFile& ini) {
  ini.WriteInteger(kData, "MarksNumberPosition" + s, set.MarksNumberPosition);
  ini.WriteBool(kData, "MarksIsAllDrawn" + s, set.MarksIsAllDrawn);
  ini.WriteInteger(kData, "MarksNumberToDraw" + s, set.MarksNumberToDraw);
  ini.WriteInteger(kData, "CurrentMarkOrderNumber" + s, set.CurrentMarkOrderNumber());
  ini.WriteInteger(kData, "MarksNumberPerFrame" + s, set.MarksNumberPerFrame());
  const auto& names = set.SystemNames();
  ini.WriteInteger(kData, "SystemNamesNumber" + s, static_cast<int64_t>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i)
    ini.WriteString(kData, Key("SystemName", s, static_cast<int>(i)), names[i]);
  if (withContainers) SaveContainers(CopyContainers(set, relative), s, ini);
}

void LoadMarks(TPolyContainer& set, const std::string& s, bool keepOneSystem, TData& data,
               const TIniFile& ini, TUnreadMarks& unread) {
  int32_t pos = ini.ReadInteger(kData, "MarksNumberPosition" + s, 1);
  set.MarksNumberPosition = pos == 0 ? npNone : pos == 2 ? npRight : npDown;
  set.MarksIsAllDrawn = ini.ReadBool(kData, "MarksIsAllDrawn" + s, true);
  set.MarksNumberToDraw = std::max(1, ini.ReadInteger(kData, "MarksNumberToDraw" + s, 1));
  const int32_t current = ini.ReadInteger(kData, "CurrentMarkOrderNumber" + s, 0);
  // The number of systems is bounded as the menus bound it (1 to 32).
  int32_t systems = std::clamp(ini.ReadInteger(kData, "MarksNumberPerFrame" + s, 1), 1, 32);
  if (keepOneSystem) systems = 1;
  std::vector<std::string> names;
  // A name missing from the file leaves that system's name empty, and only
  // that one.  No set has more than 32 systems to name.
  const int32_t nameCount = std::clamp(ini.ReadInteger(kData, "SystemNamesNumber" + s, 0), 0, 32);
  for (int32_t i = 0; i < nameCount; ++i)
    names.push_back(ini.ReadString(kData, Key("SystemName", s, i)));
  data.EnsureMarkColors(systems);
  set.LoadSystems(systems, names);
  const int32_t containers = ini.ReadInteger(kData, "MarksContainersNumber" + s, 0);
  // Ranks are taken as stored, once every container exists (adding a mark
  // renumbers the set).
  std::vector<std::pair<TContainer*, int32_t>> ranks;
  TNumberedKey frame("MarksContainerFrameNumber", s), rankKey("MarksContainerMarkNumber", s),
      count("MarksContainerMarksNumber", s), order("MarkOrderNumber", s), x("MarkXCoordinate", s),
      y("MarkYCoordinate", s), originKey("MarkOrigin", s);
  for (int32_t i = 0; i < containers; ++i) {
    const std::string& fk = frame.Of(i);
    if (!ini.ValueExists(kData, fk)) {
      unread.containers += containers - i;
      break;
    }
    const int32_t image = ini.ReadInteger(kData, fk, 0);
    const int32_t rank = ini.ReadInteger(kData, rankKey.Of(i), 0);
    const int32_t marks = ini.ReadInteger(kData, count.Of(i), 0);
    // A container without marks is kept as it was saved: it counts for the
    // last marked image and for the containers written at the next save.
    TContainer* container = marks == 0 ? set.ObtainContainer(image) : nullptr;
    for (int32_t j = 0; j < marks; ++j) {
      const std::string& ok = order.Of(i, j);
      if (!ini.ValueExists(kData, ok)) {
        unread.marks += marks - j;
        break;
      }
      const int32_t system = ini.ReadInteger(kData, ok, 0);
      // A mark of a system that does not exist would be drawn and computed
      // with no colour and no column: it is left out.
      if (system < 0 || system >= systems) continue;
      const double px = ini.ReadFloat(kData, x.Of(i, j), 0);
      const double py = ini.ReadFloat(kData, y.Of(i, j), 0);
      if (!std::isfinite(px) || !std::isfinite(py)) {
        ++unread.notFinite;
        continue;
      }
      TMarque* m = set.LoadMark(image, system, {px, py});
      if (m != nullptr) {
        container = m->Container();
        const int32_t origin = ini.ReadInteger(kData, originKey.Of(i, j), moClicked);
        if (origin == moTracked || origin == moTrackedUncertain)
          m->Origin = static_cast<TMarkOrigin>(origin);
      }
    }
    if (container != nullptr) ranks.emplace_back(container, rank);
  }
  for (auto& [container, rank] : ranks) container->MarksContainerMarkNumber = rank;
  set.SetCurrentSystem(current);
}

}  // namespace

TMarkContainersCopy CopyMarkContainers(const TData& data) {
  return {CopyContainers(data.GridMarks(), false), CopyContainers(data.LayerMarks(), true)};
}

void SaveMarkContainers(const TMarkContainersCopy& copy, TIniFile& ini) {
  SaveContainers(copy.grid, "_Grid", ini);
  SaveContainers(copy.layer, "_Layer", ini);
}

void SaveMarkingData(const TData& data, TIniFile& ini, bool withContainers) {
  ini.WriteFloat(kData, "RequiredDuration", data.RequiredDuration());
  ini.WriteInteger(kData, "FramesNumberBetweenTwoMarks", data.FramesNumberBetweenTwoMarks());
  ini.WriteFloat(kData, "PointingUncertainty", data.PointingUncertainty());
  ini.WriteFloat(kData, "TrackedMarkUncertainty", data.TrackingUncertainty());
  ini.WriteInteger(kData, "TrackingMethod", data.TrackingMethod());
  ini.WriteBool(kData, "ModelsOnVideo", data.ModelsShown());
  const auto& colours = data.MarkColors();
  ini.WriteInteger(kData, "MarkColorsNumber", static_cast<int64_t>(colours.size()));
  for (std::size_t i = 0; i < colours.size(); ++i)
    ini.WriteInteger(kData, "MarkColor_" + std::to_string(i), colours[i]);
  ini.WriteInteger(kData, "ElementColor", data.ElementColor());
  ini.WriteInteger(kData, "ElementSize", data.ElementSize());

  data.Fixed().SaveToFile(ini, kData, "_Grid");

  const TTransparent& layer = data.Layer();
  layer.TRepere::SaveToFile(ini, kData, "_Layer");
  ini.WriteInteger(kData, "LayerStage", StageToFile(layer.LayerStage()));
  ini.WriteFloat(kData, "LayerWidth", layer.LayerWidth());
  ini.WriteFloat(kData, "LayerHeight", layer.LayerHeight());
  layer.SaveOriginesToFile(ini, kData, "_Layer");

  SaveScale(data.Scale(), ini);
  SaveCalibration(data.Calibration(), ini);
  SaveMarks(data.GridMarks(), "_Grid", false, withContainers, ini);
  SaveMarks(data.LayerMarks(), "_Layer", true, withContainers, ini);
}

TStatus LoadMarkingData(TData& data, const TIniFile& ini, TUnreadMarks* unread) {
  // The time between images within the range its dialog accepts: a value
  // beyond it would give times of "inf" or 0 everywhere.
  const std::string duration = ini.ReadString(kData, "RequiredDuration");
  double t = 0;
  if (duration.empty()) return Unreadable("durée entre deux images absente (RequiredDuration)");
  if (!TextToFloat(duration, t) || !(t > kMinDuration && t < kMaxDuration))
    return Unreadable("durée entre deux images incorrecte (RequiredDuration = " + duration +
                      " ; une durée va de 1e-6 à 1e9 secondes)");
  data.SetRequiredDuration(t);
  data.SetFramesNumberBetweenTwoMarks(
      std::max(1, ini.ReadInteger(kData, "FramesNumberBetweenTwoMarks", 1)));
  // Documents written before the marks' uncertainties take the defaults; a
  // value that is not a number of pixels (negative, beyond the picture) too.
  auto uncertainty = [&](const char* key, double fallback) {
    const double u = ini.ReadFloat(kData, key, fallback);
    return u >= 0.0 && u <= 1e4 ? u : fallback;
  };
  data.SetPointingUncertainty(uncertainty("PointingUncertainty", 1.0));
  data.SetTrackingUncertainty(uncertainty("TrackedMarkUncertainty", 0.5));
  // Documents written before the appearance tracker followed colours; an
  // unknown method too.
  data.SetTrackingMethod(
      ini.ReadInteger(kData, "TrackingMethod", tmColour) == tmAppearance ? tmAppearance : tmColour);
  // Documents written before the models were drawn over the picture: off.
  data.SetModelsShown(ini.ReadBool(kData, "ModelsOnVideo", false));

  // Colours: exactly the stored count, a missing entry takes the palette's.
  const int32_t colours = ini.ReadInteger(kData, "MarkColorsNumber", 0);
  for (int32_t i = 0; i < colours; ++i) {
    const std::string k = "MarkColor_" + std::to_string(i);
    data.EnsureMarkColors(i + 1);
    if (ini.ValueExists(kData, k))
      data.SetMarkColor(i, static_cast<TColor>(ini.ReadInt64(kData, k, 0)) & 0xFFFFFF);
    else if (i > 64)
      break;  // a huge count without keys: the palette gives the rest on demand
  }
  data.SetElementColor(static_cast<TColor>(ini.ReadInt64(kData, "ElementColor", 65535)) & 0xFFFFFF);
  data.SetElementSize(std::clamp(ini.ReadInteger(kData, "ElementSize", 0), 0, 2));

  data.Fixed().LoadFromFile(ini, kData, "_Grid");

  TTransparent& layer = data.Layer();
  layer.TRepere::LoadFromFile(ini, kData, "_Layer");
  switch (ini.ReadInteger(kData, "LayerStage", 1)) {
    case 0:
      layer.LoadStage(lsDrag);
      break;
    case 1:
      layer.LoadStage(lsGrab);
      break;
    case 2:
      layer.LoadStage(lsPoint);
      break;
    default:
      break;  // another value leaves the stage as it is
  }
  // The layer may be enlarged beyond the picture; its size is kept as saved
  // within a few pictures.
  auto size = [&](const char* key) {
    double v = ini.ReadFloat(kData, key, 0.5);
    return std::isfinite(v) && v > 0 ? std::min(v, kLayerReach) : 0.5;
  };
  layer.SetLayerWidth(size("LayerWidth"));
  layer.SetLayerHeight(size("LayerHeight"));
  layer.LoadOriginesFromFile(ini, kData, "_Layer");

  if (TStatus scale = LoadScale(data.Scale(), ini); !scale) return scale;
  if (TStatus calibration = LoadCalibration(data, ini); !calibration) return calibration;
  TUnreadMarks missing;
  LoadMarks(data.GridMarks(), "_Grid", false, data, ini, missing);
  LoadMarks(data.LayerMarks(), "_Layer", true, data, ini, missing);
  if (unread != nullptr) *unread = missing;

  // Opening a document is not an undoable step.
  for (THistorique* h :
       {&data.GridHistory(), &data.LayerHistory(), &data.ScaleHistory(), &data.OriginHistory()})
    h->Clear();
  data.UpdateScreenPositions();
  return {};
}

}  // namespace kinevo
