#include "core/capture/capture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/common/ini_file.h"
#include "core/common/settings_file.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"

namespace kinevo {
namespace {

// A camera that writes one line per image into its file, so that a test can
// tell what reached the file; `Deliver` stands for the device's thread.
class FakeBackend : public ICaptureBackend {
 public:
  std::vector<std::string> names = {"Mire de test", "Camera (V4L2)"};
  std::vector<std::string> Devices() override { return names; }
  std::vector<std::string> Formats(int device) override {
    return device == 0 ? std::vector<std::string>{"rgb24 320x240", "rgb24 640x480"}
                       : std::vector<std::string>{"yuyv422 640x480"};
  }
  std::vector<std::string> Codecs() override { return {"sans", "MJPEG", "FFV1"}; }
  TStatus Connect(int device, const std::string& format, double rate) override {
    if (busy)
      return Fail("Le périphérique est utilisé par un autre programme.", "/dev/video0 : EBUSY");
    connected = true;
    lost = false;
    lastDevice = device;
    lastFormat = format;
    lastRate = rate;
    ++connects;
    return {};
  }
  void Disconnect() override {
    StopRecording();
    connected = false;
  }
  bool Connected() const override { return connected; }
  TStatus StartRecording(const std::string& path, const std::string& codec) override {
    file.open(path, std::ios::trunc);
    lastCodec = codec;
    counts = {};
    recording = file.is_open();
    if (!recording) return Fail("Impossible de créer le fichier vidéo.", path);
    return {};
  }
  void StopRecording() override {
    if (recording) file.close();
    recording = false;
  }
  bool Recording() const override { return recording; }
  TCaptureCounts Counts() const override { return counts; }
  std::optional<TError> DeviceLost() const override {
    if (!lost) return std::nullopt;
    return TError{"Le périphérique ne répond plus.", "/dev/video9 : Input/output error"};
  }
  void Deliver(int images) {
    for (int i = 0; i < images && recording; ++i) {
      file << "image " << counts.captured << "\n";
      ++counts.captured;
    }
    file.flush();
  }
  // The device goes away: its thread ends the recording with what it has.
  void Unplug() {
    lost = true;
    StopRecording();
  }

  bool busy = false, connected = false, recording = false, lost = false;
  int lastDevice = -1, connects = 0;
  std::string lastFormat, lastCodec;
  double lastRate = 0;
  TCaptureCounts counts;
  std::ofstream file;
};

class FakeTimer : public ICaptureTimer {
 public:
  void SetEnabled(bool on) override { enabled = on; }
  bool Enabled() const override { return enabled; }
  bool enabled = false;
};

std::string Content(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

class CaptureTest : public ::testing::Test {
 protected:
  CaptureTest() : dialog(&script), capture({&none, &camera}, timer, dialog, tmp.Path(), nullptr) {
    capture.SaveFolder = [this] { return out.Path(); };
    capture.Today = [] { return std::string("09122026"); };
    capture.Beep = [this] { ++beeps; };
    capture.AskSaveName = [this](const TCaptureSaveRequest& r) {
      requests.push_back(r);
      if (names.empty()) return std::string();
      std::string n = names.front();
      names.erase(names.begin());
      return n;
    };
    links += capture.OnRecordStarted.Connect([this](void*) { events += "start@" + Now() + ";"; });
    links += capture.OnRecordStopped.Connect([this](void*) { events += "stop@" + Now() + ";"; });
    links += capture.OnFileSaved.Connect([this](const std::string& p) { saved = p; });
    links += capture.OnFileDiscarded.Connect([this](void*) { events += "discarded;"; });
  }
  std::string Now() const { return std::to_string(capture.Ticks()); }
  // The timer's seconds, each delivering one second of images at 25 fps.
  void Seconds(int n) {
    for (int i = 0; i < n && timer.enabled; ++i) {
      camera.Deliver(25);
      capture.Tick();
    }
  }

  test::TempDir tmp{"kinevo-capture-tmp"};
  test::TempDir out{"kinevo-capture-out"};
  test::ScriptedDialog script;
  TUserDlg dialog;
  TNoCaptureBackend none;
  FakeBackend camera;
  FakeTimer timer;
  TCapture capture;
  std::vector<TCaptureSaveRequest> requests;
  std::vector<std::string> names;
  std::string events, saved;
  int beeps = 0;
  TConnections links;
};

TEST_F(CaptureTest, CountdownAndDurationStartOnTheFifthTickAndStopOnTheFifteenth) {
  ASSERT_TRUE(capture.Prepare());
  capture.UseDelay = true;
  capture.DelaySeconds = 5;
  capture.UseDuration = true;
  capture.DurationSeconds = 10;
  names = {out.File("chute")};
  capture.Record();
  EXPECT_TRUE(capture.CountingDown());
  EXPECT_FALSE(camera.recording);
  capture.Tick();
  EXPECT_EQ(capture.StatusText(), "La capture va démarrer dans 4 seconde(s)");
  Seconds(20);
  EXPECT_EQ(events, "start@5;stop@15;");
  EXPECT_EQ(beeps, 1);
  EXPECT_FALSE(timer.enabled);
  // Ten seconds of images, none from the countdown.
  EXPECT_EQ(saved, out.File("chute.avi"));
  EXPECT_EQ(Content(saved).find("image 250"), std::string::npos);
  EXPECT_NE(Content(saved).find("image 249\n"), std::string::npos);
  // The preview comes back for the next recording.
  EXPECT_TRUE(camera.connected);
}

TEST_F(CaptureTest, WithoutCountdownRecordingStartsAtOnceAndTheDurationCountsFromThere) {
  ASSERT_TRUE(capture.Prepare());
  capture.UseDuration = true;
  capture.DurationSeconds = 3;
  capture.Record();
  EXPECT_EQ(events, "start@0;");
  camera.Deliver(7);
  camera.counts.dropped = 2;
  EXPECT_EQ(capture.StatusText(), "Nombre d'images capturées : 7   Nombre d'images perdues : 2");
  Seconds(5);
  EXPECT_EQ(events, "start@0;stop@3;discarded;");
  EXPECT_EQ(beeps, 0);
}

TEST_F(CaptureTest, RecordButtonStopsARecordingAndCancelsACountdown) {
  ASSERT_TRUE(capture.Prepare());
  capture.Record();
  Seconds(2);
  capture.Record();
  EXPECT_EQ(events, "start@0;stop@2;discarded;");
  EXPECT_FALSE(timer.enabled);

  events.clear();
  capture.UseDelay = true;
  capture.DelaySeconds = 10;
  capture.Record();
  Seconds(3);
  capture.Record();
  EXPECT_FALSE(capture.CountingDown());
  EXPECT_FALSE(timer.enabled);
  Seconds(10);
  EXPECT_EQ(events, "");
  EXPECT_EQ(script.Count(), 0u);
}

TEST_F(CaptureTest, LeftoverTemporaryFileIsDeletedAndItsNameReused) {
  std::ofstream(tmp.File("CaptureKinevo0")) << "old run";
  ASSERT_TRUE(capture.Prepare());
  capture.Record();
  EXPECT_EQ(capture.TempFileName(), tmp.File("CaptureKinevo0"));
  camera.Deliver(1);
  EXPECT_EQ(Content(tmp.File("CaptureKinevo0")), "image 0\n");
}

TEST_F(CaptureTest, CancellingTheSaveLeavesNoFile) {
  ASSERT_TRUE(capture.Prepare());
  capture.Record();
  camera.Deliver(10);
  capture.Stop();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].title, "Enregistrer une vidéo");
  EXPECT_EQ(requests[0].filter, "Fichier vidéo (*.avi)|*.avi");
  EXPECT_EQ(requests[0].defaultExt, "avi");
  EXPECT_EQ(requests[0].fileName, out.File("CaptureKinevo_1_09122026.avi"));
  EXPECT_TRUE(tmp.Names().empty());
  EXPECT_TRUE(out.Names().empty());
  EXPECT_NE(events.find("discarded;"), std::string::npos);
}

TEST_F(CaptureTest, SaveAddsTheExtensionAndAsksAgainForATakenName) {
  std::ofstream(out.File("CaptureKinevo_1_09122026.avi")) << "x";
  std::ofstream(out.File("pris.AVI")) << "x";
  ASSERT_TRUE(capture.Prepare());
  capture.Record();
  camera.Deliver(3);
  names = {out.File("pris.AVI"), out.File("essai")};
  capture.Stop();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].fileName, out.File("CaptureKinevo_2_09122026.avi"));
  ASSERT_EQ(script.Count(), 1u);
  EXPECT_EQ(script.LastText(),
            "Un fichier portant ce nom existe déjà dans le répertoire choisi.\n" +
                out.File("pris.AVI") +
                "\nVeuillez choisir un nom de fichier différent ou un autre répertoire.");
  EXPECT_EQ(saved, out.File("essai.avi"));
  EXPECT_EQ(Content(saved), "image 0\nimage 1\nimage 2\n");
  EXPECT_TRUE(tmp.Names().empty());
}

TEST_F(CaptureTest, FailedMoveSaysWhyAndOffersTheRecordingAgain) {
  ASSERT_TRUE(capture.Prepare());
  capture.Record();
  camera.Deliver(3);
  names = {out.File("absent/essai.avi"), out.File("essai")};
  capture.Stop();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(script.LastText(),
            "La création du fichier vidéo dans le répertoire choisi a échoué.\n"
            "Vérifiez vos droits d'accès à ce répertoire.\n"
            "Détail : le dossier « " +
                out.File("absent") + " » n'existe pas");
  EXPECT_EQ(saved, out.File("essai.avi"));
  EXPECT_EQ(Content(saved), "image 0\nimage 1\nimage 2\n");
  EXPECT_TRUE(tmp.Names().empty());
}

TEST_F(CaptureTest, FailedMoveThenCancelDeletesTheRecording) {
  ASSERT_TRUE(capture.Prepare());
  capture.Record();
  camera.Deliver(3);
  names = {out.File("absent/essai.avi")};
  capture.Stop();
  EXPECT_TRUE(saved.empty());
  EXPECT_EQ(requests.size(), 2u);
  EXPECT_TRUE(tmp.Names().empty());
}

TEST_F(CaptureTest, RecordingThatLeftNoFileEndsWithTheFailureMessage) {
  ASSERT_TRUE(capture.Prepare());
  capture.Record();
  std::filesystem::remove(capture.TempFileName());
  capture.Stop();
  EXPECT_TRUE(requests.empty());
  EXPECT_EQ(script.LastText(), "La capture a échoué. Le fichier n'a pas été enregistré.");
}

TEST_F(CaptureTest, DeviceLostHalfWayKeepsTheImagesAndOffersThem) {
  ASSERT_TRUE(capture.Prepare());
  capture.Record();
  Seconds(2);
  camera.Unplug();
  names = {out.File("avant")};
  capture.Tick();
  EXPECT_FALSE(timer.enabled);
  EXPECT_TRUE(script.Contains("Un périphérique Plug and Play a été déconnecté."));
  // The message says why, with the device's own cause.
  EXPECT_TRUE(script.Contains("Le périphérique ne répond plus."));
  EXPECT_TRUE(script.Contains("Détail : /dev/video9 : Input/output error"));
  ASSERT_EQ(saved, out.File("avant.avi"));
  const std::string kept = Content(saved);
  EXPECT_NE(kept.find("image 0\n"), std::string::npos);
  EXPECT_NE(kept.find("image 49\n"), std::string::npos);
  // The lost device is not connected again.
  EXPECT_FALSE(camera.connected);
}

TEST_F(CaptureTest, NoDeviceOrABusyOneRefusesTheMode) {
  camera.names.clear();
  EXPECT_FALSE(capture.Prepare());
  EXPECT_EQ(script.LastText(), "Aucun périphérique de capture détecté.");
  camera.names = {"Mire de test"};
  camera.busy = true;
  EXPECT_FALSE(capture.Prepare());
  EXPECT_EQ(script.LastText(),
            "Le périphérique de capture choisi ne fonctionne pas.\n"
            "Le périphérique est utilisé par un autre programme.\n"
            "Détail : /dev/video0 : EBUSY");
  EXPECT_FALSE(capture.Active());
}

TEST_F(CaptureTest, LeavingTheModeWhileRecordingSavesThenDisconnects) {
  ASSERT_TRUE(capture.Prepare());
  capture.Record();
  camera.Deliver(5);
  names = {out.File("sortie.avi")};
  capture.Disconnect();
  EXPECT_EQ(saved, out.File("sortie.avi"));
  EXPECT_FALSE(camera.connected);
  EXPECT_EQ(camera.connects, 1);
}

TEST_F(CaptureTest, ChoicesReachTheDeviceAndTheRecording) {
  ASSERT_TRUE(capture.Prepare());
  ASSERT_EQ(capture.Devices().size(), 2u);
  EXPECT_EQ(capture.Framework(), 1);
  EXPECT_EQ(camera.lastFormat, "rgb24 320x240");
  EXPECT_EQ(camera.lastRate, 30);
  EXPECT_TRUE(capture.SelectFormat(1));
  EXPECT_EQ(camera.lastFormat, "rgb24 640x480");
  EXPECT_TRUE(capture.SetRate(25));
  EXPECT_EQ(camera.lastRate, 25);
  EXPECT_TRUE(capture.SelectDevice(1));
  EXPECT_EQ(camera.lastDevice, 1);
  EXPECT_EQ(camera.lastFormat, "yuyv422 640x480");  // the new device's first format
  capture.SelectCodec(2);
  capture.Record();
  EXPECT_EQ(camera.lastCodec, "FFV1");
  // Still in capture mode after the new choices: the preview comes back
  // once the recording is saved.
  capture.Stop();
  EXPECT_TRUE(capture.Active());
  EXPECT_TRUE(camera.connected);
}

TEST(CaptureSettings, ReadAtFirstEntryAndWrittenAtTheEnd) {
  test::TempDir dir;
  const std::string ini = dir.File("Kinevo.ini");
  {
    TIniFile f(ini);
    f.WriteInteger("Capture", "Framework", 7);  // unknown: the previous back-end stays
    f.WriteString("Capture", "Device", "Camera (V4L2)");
    f.WriteString("Capture", "Format", "yuyv422 640x480");
    f.WriteString("Capture", "Codec", "MJPEG");
    ASSERT_TRUE(f.UpdateFile());
  }
  test::ScriptedDialog script;
  TUserDlg dialog(&script);
  TNoCaptureBackend none;
  FakeBackend camera;
  FakeTimer timer;
  {
    TSettingsFile settings(ini);
    TCapture capture({&none, &camera}, timer, dialog, dir.Path(), &settings);
    EXPECT_TRUE(capture.FirstUse());
    ASSERT_TRUE(capture.Prepare());
    EXPECT_FALSE(capture.FirstUse());
    EXPECT_EQ(capture.Framework(), 1);
    EXPECT_EQ(capture.DeviceName(), "Camera (V4L2)");
    EXPECT_EQ(camera.lastDevice, 1);
    EXPECT_EQ(camera.lastFormat, "yuyv422 640x480");
    EXPECT_EQ(capture.CodecName(), "MJPEG");
    capture.SelectCodec(0);
    capture.SelectDevice(0);
  }
  TIniFile f(ini);
  EXPECT_EQ(f.ReadInteger("Capture", "Framework", -1), 1);
  EXPECT_EQ(f.ReadString("Capture", "Device"), "Mire de test");
  EXPECT_EQ(f.ReadString("Capture", "Format"), "rgb24 320x240");
  EXPECT_EQ(f.ReadString("Capture", "Codec"), "sans");
}

}  // namespace
}  // namespace kinevo
