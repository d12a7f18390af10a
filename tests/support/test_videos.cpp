#include "support/test_videos.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kinevo::test {

namespace {
constexpr int kGrid = 4;

// Cell bounds of cell (cx, cy).
void CellRect(const Image& p, int cx, int cy, int& x0, int& y0, int& x1, int& y1) {
  x0 = p.Width() * cx / kGrid;
  x1 = p.Width() * (cx + 1) / kGrid;
  y0 = p.Height() * cy / kGrid;
  y1 = p.Height() * (cy + 1) / kGrid;
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}
}  // namespace

void DrawIndexPattern(Image& picture, int index) {
  for (int cy = 0; cy < kGrid; ++cy)
    for (int cx = 0; cx < kGrid; ++cx) {
      const int bit = cy * kGrid + cx;
      const TColor c = (index >> bit) & 1 ? kIndexSetColour : kIndexClearColour;
      int x0, y0, x1, y1;
      CellRect(picture, cx, cy, x0, y0, x1, y1);
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) picture.SetPixel(x, y, c);
    }
}

Image IndexedImage(int width, int height, int index) {
  Image img(width, height);
  DrawIndexPattern(img, index);
  return img;
}

int ReadIndexPattern(const Image& picture) {
  if (picture.Width() < kGrid * 4 || picture.Height() < kGrid * 4) return -1;
  int index = 0;
  for (int cy = 0; cy < kGrid; ++cy)
    for (int cx = 0; cx < kGrid; ++cx) {
      int x0, y0, x1, y1;
      CellRect(picture, cx, cy, x0, y0, x1, y1);
      // Average over the middle half of the cell, away from blurred edges.
      const int mx0 = x0 + (x1 - x0) / 4, mx1 = x1 - (x1 - x0) / 4;
      const int my0 = y0 + (y1 - y0) / 4, my1 = y1 - (y1 - y0) / 4;
      long r = 0, g = 0, b = 0, n = 0;
      for (int y = my0; y < my1; ++y)
        for (int x = mx0; x < mx1; ++x) {
          const TColor c = picture.Pixel(x, y);
          r += RedOf(c), g += GreenOf(c), b += BlueOf(c), ++n;
        }
      if (n == 0) return -1;
      r /= n, g /= n, b /= n;
      if (r > 170 && g > 170 && b > 170)
        index |= 1 << (cy * kGrid + cx);
      else if (!(r > 150 && g < 90 && b < 90))
        return -1;
    }
  return index;
}

bool WriteVideoWithFfmpeg(const std::string& path, int width, int height, int frames, double rate,
                          const std::vector<std::string>& outputArgs,
                          const std::vector<double>& timestamps, std::string* log) {
  return WritePicturesWithFfmpeg(path, width, height, frames, rate, DrawIndexPattern, outputArgs,
                                 timestamps, log);
}

bool WritePicturesWithFfmpeg(const std::string& path, int width, int height, int frames,
                             double rate, const std::function<void(Image&, int)>& draw,
                             const std::vector<std::string>& outputArgs,
                             const std::vector<double>& timestamps, std::string* log) {
  std::ostringstream cmd;
  cmd.precision(17);
  const std::string logFile = path + ".log";
  cmd << "ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo -pix_fmt rgb24 -s " << width
      << "x" << height << " -framerate " << rate << " -i -";
  if (!timestamps.empty()) {
    // Presentation times given per image: setpts picks the time of image N
    // from the list, as a sum of eq(N, i) * t_i.
    std::ostringstream expr;
    expr.precision(17);
    // Commas inside a filter's arguments are escaped for the filter graph.
    expr << "setpts=(";
    for (std::size_t i = 0; i < timestamps.size(); ++i)
      expr << (i ? "+" : "") << "eq(N\\," << i << ")*" << timestamps[i];
    expr << ")/TB";
    cmd << " -vf " << Quote(expr.str()) << " -fps_mode vfr";
  }
  for (const auto& a : outputArgs) cmd << " " << Quote(a);
  cmd << " " << Quote(path) << " 2>" << Quote(logFile);
  // ffmpeg may stop reading early (a refused option): that must show as a
  // failure, not kill the test program.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previous);
  std::FILE* pipe = ::popen(cmd.str().c_str(), "w");
  if (!pipe) {
    ::sigaction(SIGPIPE, &previous, nullptr);
    return false;
  }
  Image img(width, height);
  bool ok = true;
  for (int i = 0; i < frames && ok; ++i) {
    draw(img, i);
    ok = std::fwrite(img.Data(), 1, img.ByteSize(), pipe) == img.ByteSize();
  }
  const int status = ::pclose(pipe);
  ::sigaction(SIGPIPE, &previous, nullptr);
  ok = ok && status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (log) {
    std::FILE* f = std::fopen(logFile.c_str(), "rb");
    if (f) {
      char buf[4096];
      std::size_t n;
      log->clear();
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) log->append(buf, n);
      std::fclose(f);
    }
  }
  std::remove(logFile.c_str());
  return ok && std::filesystem::exists(path) && std::filesystem::file_size(path) > 0;
}

bool SetDisplayRotation(const std::string& in, const std::string& out, int degrees,
                        std::string* log) {
  // The stream copy of this ffmpeg writes the "rotate" value as the
  // display matrix's anticlockwise angle; players turn the other way.
  const int tag = (360 - degrees % 360) % 360;
  const std::string logFile = out + ".log";
  const std::string cmd = "ffmpeg -hide_banner -loglevel error -nostdin -y -i " + Quote(in) +
                          " -map 0 -c copy -metadata:s:v:0 rotate=" + std::to_string(tag) + " " +
                          Quote(out) + " 2>" + Quote(logFile);
  const int status = std::system(cmd.c_str());
  if (log) {
    std::ifstream f(logFile);
    *log = std::string(std::istreambuf_iterator<char>(f), {});
  }
  std::remove(logFile.c_str());
  return status == 0 && std::filesystem::exists(out) && std::filesystem::file_size(out) > 0;
}

Image TurnedClockwise(const Image& picture, int degrees) {
  const int w = picture.Width(), h = picture.Height();
  const bool quarter = degrees == 90 || degrees == 270;
  Image out(quarter ? h : w, quarter ? w : h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int dx = x, dy = y;
      if (degrees == 90) dx = h - 1 - y, dy = x;
      if (degrees == 180) dx = w - 1 - x, dy = h - 1 - y;
      if (degrees == 270) dx = y, dy = w - 1 - x;
      out.SetPixel(dx, dy, picture.Pixel(x, y));
    }
  return out;
}

bool WriteRotatedIndexedVideo(const std::string& path, int width, int height, int frames,
                              double rate, int degrees, const std::vector<std::string>& outputArgs,
                              std::string* log) {
  const bool quarter = degrees == 90 || degrees == 270;
  const int storedW = quarter ? height : width, storedH = quarter ? width : height;
  const auto dot = path.find_last_of('.');
  const std::string stored =
      path.substr(0, dot) + ".stored" + (dot == std::string::npos ? "" : path.substr(dot));
  const bool ok = WritePicturesWithFfmpeg(
      stored, storedW, storedH, frames, rate,
      [&](Image& img, int i) {
        img = TurnedClockwise(IndexedImage(width, height, i), (360 - degrees) % 360);
      },
      outputArgs, {}, log);
  const bool rotated = ok && SetDisplayRotation(stored, path, degrees, log);
  std::remove(stored.c_str());
  return rotated;
}

std::string MakeTempDir(const std::string& prefix) {
  std::string base = std::filesystem::temp_directory_path() / (prefix + "-XXXXXX");
  std::vector<char> buf(base.begin(), base.end());
  buf.push_back('\0');
  if (!::mkdtemp(buf.data())) return {};
  return buf.data();
}

}  // namespace kinevo::test
