#include "platform/alsa/alsa_devices.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "tests/sound/wav_bytes.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPortOne = "pci-0000:00:14.0-usb-0:1:1.0";
constexpr const char* kPortTwo = "pci-0000:00:14.0-usb-0:2:1.0";

// A station's machine as ALSA and the kernel describe it: the onboard card (two
// outputs, one input), two USB dongles of one model (the receiver's and the
// transmitter's), ALSA's plug-ins that are no devices, and a PulseAudio server.
struct Machine : testing::Test {
  Machine() : dir(test::scratchDirectory("alsa-devices")) {
    source.byPathFolder = dir / "by-path";
    source.cardsFolder = dir / "asound";
    fs::create_directories(source.byPathFolder);
    card(0, "PCH", "pci-0000:00:1f.3");
    card(1, "Device", kPortOne);
    card(2, "Device_1", kPortTwo);
    hints = {
        {"null", "Discard all samples (playback) or generate zero samples (capture)", ""},
        {"default", "Default ALSA Output (currently PulseAudio Sound Server)", ""},
        {"pulse", "PulseAudio Sound Server", ""},
        {"jack", "JACK Audio Connection Kit", ""},
        {"oss", "Open Sound System", ""},
        {"lavrate", "Rate Converter Plugin Using Libav/FFmpeg Library", ""},
        {"samplerate", "Rate Converter Plugin Using Samplerate Library", ""},
        {"speexrate", "Rate Converter Plugin Using Speex Resampler", ""},
        {"upmix", "Plugin for channel upmix (4,6,8)", ""},
        {"vdownmix", "Plugin for channel downmix (stereo) with a simple spacialization", ""},
        {"hw:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nDirect hardware device", ""},
        {"plughw:CARD=PCH,DEV=0",
         "HDA Intel PCH, ALC892 Analog\nHardware device with all software conversions", ""},
        {"plughw:CARD=PCH,DEV=3",
         "HDA Intel PCH, HDMI 0\nHardware device with all software conversions", "Output"},
        {"sysdefault:CARD=PCH", "HDA Intel PCH, ALC892 Analog\nDefault Audio Device", ""},
        {"front:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nFront output / input", ""},
        {"dmix:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nDirect sample mixing device",
         "Output"},
        {"dsnoop:CARD=PCH,DEV=0", "HDA Intel PCH, ALC892 Analog\nDirect sample snooping device",
         "Input"},
        {"plughw:CARD=Device,DEV=0",
         "USB Audio Device, USB Audio\nHardware device with all software conversions", ""},
        {"plughw:CARD=Device_1,DEV=0",
         "USB Audio Device, USB Audio\nHardware device with all software conversions", ""},
    };
    source.hints = [this] { return hints; };
    source.probe = [this](const std::string& pcm, SoundDirection) {
      probed.insert(pcm);
      if (pcm == "default") return PcmProbe{true, serverRuns};
      if (pcm == "pulse") return PcmProbe{serverRuns, serverRuns};
      return PcmProbe{};
    };
    source.serverPorts = [this](SoundDirection direction) {
      if (!serverRuns) return std::vector<ServerPort>{};
      if (direction == SoundDirection::output) {
        return std::vector<ServerPort>{{"transmitter", "Transmitter", std::nullopt},
                                       {"alsa_output.usb-C-Media_USB_Audio_Device-00.analog-mono",
                                        "USB Audio Device Mono", 2}};
      }
      return std::vector<ServerPort>{
          {"receiver.monitor", "Monitor of Receiver", std::nullopt},
          {"alsa_input.usb-C-Media_USB_Audio_Device-00.mono-fallback", "USB Audio Device Mono", 1}};
    };
  }
  ~Machine() override { fs::remove_all(dir); }

  void card(int number, const std::string& id, const std::string& busPath) {
    const fs::path folder = source.cardsFolder / ("card" + std::to_string(number));
    fs::create_directories(folder);
    std::ofstream(folder / "id") << id << "\n";
    fs::create_symlink("../controlC" + std::to_string(number), source.byPathFolder / busPath);
  }
  // The kernel found the dongles the other way round at this boot.
  void swapDongles() {
    std::ofstream(source.cardsFolder / "card1" / "id", std::ios::trunc) << "Device_1\n";
    std::ofstream(source.cardsFolder / "card2" / "id", std::ios::trunc) << "Device\n";
  }

  static std::vector<std::string> names(const std::vector<SoundDevice>& devices) {
    std::vector<std::string> found;
    for (const SoundDevice& device : devices) found.push_back(device.name);
    return found;
  }
  static const SoundDevice* named(const std::vector<SoundDevice>& devices,
                                  const std::string& name) {
    for (const SoundDevice& device : devices)
      if (device.name == name) return &device;
    return nullptr;
  }

  fs::path dir;
  AlsaDeviceSource source;
  std::vector<PcmHint> hints;
  std::set<std::string> probed;
  bool serverRuns = true;
};

TEST_F(Machine, OffersTheDefaultTheServerItsPortsAndEachCardButNoPlugInThatIsNoDevice) {
  AlsaDevices devices(source);
  const std::vector<SoundDevice> inputs = devices.list(SoundDirection::input);
  const std::string byPath = "by-path:";
  EXPECT_EQ(names(inputs), (std::vector<std::string>{
                               "default", "pulse", "pulse:receiver.monitor",
                               "pulse:alsa_input.usb-C-Media_USB_Audio_Device-00.mono-fallback",
                               "plughw:CARD=PCH,DEV=0", byPath + kPortOne + ",DEV=0",
                               byPath + kPortTwo + ",DEV=0"}));
  EXPECT_EQ(inputs[0].kind, SoundDevice::Kind::desktopDefault);
  EXPECT_EQ(inputs[1].description, "PulseAudio Sound Server");
  EXPECT_EQ(inputs[2].description, "Monitor of Receiver");
  // A card with one input is its name alone; the two dongles are told apart by port.
  EXPECT_EQ(inputs[4].description, "HDA Intel PCH");
  EXPECT_EQ(inputs[5].description, "USB Audio Device");
  // Only what may be offered is opened to look at it: never null, jack or oss.
  EXPECT_EQ(probed, (std::set<std::string>{"default", "pulse"}));

  const std::vector<SoundDevice> outputs = devices.list(SoundDirection::output);
  EXPECT_EQ(named(outputs, "pulse:transmitter")->description, "Transmitter");
  // The onboard card has two outputs: each says which it is.
  EXPECT_EQ(named(outputs, "plughw:CARD=PCH,DEV=0")->description, "HDA Intel PCH, ALC892 Analog");
  EXPECT_EQ(named(outputs, "plughw:CARD=PCH,DEV=3")->description, "HDA Intel PCH, HDMI 0");
  EXPECT_EQ(named(inputs, "plughw:CARD=PCH,DEV=3"), nullptr) << "an output only";
}

TEST_F(Machine, TwoDonglesOfOneModelKeepTheirPortsWhenTheirIdsSwapAtTheNextStart) {
  const std::string receiver = std::string("by-path:") + kPortOne + ",DEV=0";
  const std::string transmitter = std::string("by-path:") + kPortTwo + ",DEV=0";
  {
    AlsaDevices devices(source);
    const auto inputs = devices.list(SoundDirection::input);
    ASSERT_NE(named(inputs, receiver), nullptr);
    EXPECT_EQ(*devices.resolve(receiver), "plughw:CARD=Device,DEV=0");
    EXPECT_EQ(*devices.resolve(transmitter), "plughw:CARD=Device_1,DEV=0");
  }
  swapDongles();
  AlsaDevices devices(source);
  const auto inputs = devices.list(SoundDirection::input);
  EXPECT_NE(named(inputs, receiver), nullptr);
  EXPECT_NE(named(inputs, transmitter), nullptr);
  EXPECT_EQ(*devices.resolve(receiver), "plughw:CARD=Device_1,DEV=0");
  EXPECT_EQ(*devices.resolve(transmitter), "plughw:CARD=Device,DEV=0");
  // A card alone of its model has its own id, which the kernel gives it at every boot.
  EXPECT_NE(named(inputs, "plughw:CARD=PCH,DEV=0"), nullptr);
  EXPECT_EQ(*devices.resolve("plughw:CARD=PCH,DEV=0"), "plughw:CARD=PCH,DEV=0");
  EXPECT_EQ(*devices.resolve("pulse:receiver.monitor"), "pulse:receiver.monitor");

  // Unplugged: the name cannot be resolved, and says where the card was.
  fs::remove(source.byPathFolder / kPortTwo);
  const auto gone = devices.resolve(transmitter);
  ASSERT_FALSE(gone.ok());
  EXPECT_NE(gone.error().message.find(kPortTwo), std::string::npos);
}

TEST_F(Machine, WithoutASoundServerTheDefaultIsTheFirstCardAndNoServerNameIsOffered) {
  serverRuns = false;
  AlsaDevices devices(source);
  const auto inputs = devices.list(SoundDirection::input);
  ASSERT_FALSE(inputs.empty());
  EXPECT_EQ(inputs[0].kind, SoundDevice::Kind::firstCardDefault);
  for (const SoundDevice& device : inputs) EXPECT_FALSE(device.name.starts_with("pulse"));
  EXPECT_EQ(devices.serverNameFor("plughw:CARD=Device,DEV=0", SoundDirection::input), std::nullopt);
}

TEST_F(Machine, TheServerNameOfACardItHoldsIsTheWayToThatCard) {
  AlsaDevices devices(source);
  EXPECT_EQ(
      devices.serverNameFor(std::string("by-path:") + kPortOne + ",DEV=0", SoundDirection::input),
      "pulse:alsa_input.usb-C-Media_USB_Audio_Device-00.mono-fallback");
  EXPECT_EQ(devices.serverNameFor("plughw:CARD=Device_1,DEV=0", SoundDirection::output),
            "pulse:alsa_output.usb-C-Media_USB_Audio_Device-00.analog-mono");
  EXPECT_EQ(devices.serverNameFor("hw:2,0", SoundDirection::output),
            "pulse:alsa_output.usb-C-Media_USB_Audio_Device-00.analog-mono");
  EXPECT_EQ(devices.serverNameFor("plughw:CARD=PCH,DEV=0", SoundDirection::input), std::nullopt);
  EXPECT_EQ(devices.serverNameFor("pulse:receiver.monitor", SoundDirection::input), std::nullopt);
}

}  // namespace
}  // namespace tv
