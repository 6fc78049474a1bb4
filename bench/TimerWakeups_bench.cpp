// Timer messages the slideshow handles per picture change, with a fake clock:
// the window timer is played as Windows runs one (each arming or change of
// interval starts it afresh; it fires every interval until it is stopped),
// the pictures are real, and their tiles are made in place. Prints the count
// for the interval given, over the changes given. Built from this file
// against any version of the program, so that bench/wakeups.sh can put one
// version beside another.
//   TimerWakeups_bench PICTURE_FOLDER [INTERVAL_S [CHANGES]]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

#include "app/Discovery.h"
#include "app/Unit1.h"

namespace {

class TFakeClock : public TMillisecondClock {
public:
  uint32_t Value = 1000000;
  uint32_t Now() override { return Value; }
};

class TSilentBoxes : public TMessageBoxes {
public:
  void Show(const std::string& text, const std::string&, TMsgDlgType) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
};

class TWindow : public TWindowHost {
public:
  THandleValue Handle() override { return 0x4242; }
  void PostClose() override {}
};

// Counts the picture changes: each one sets the tooltip to the new path.
class TTray : public TNotificationArea {
public:
  int Changes = 0;
  bool NotifyIcon(uint32_t message, const TNotifyIconData& data) override {
    if (message == kNimModify && (data.uFlags & kNifTip)) ++Changes;
    return true;
  }
  uint32_t LastError() override { return 0; }
  void Sleep(uint32_t) override {}
};

class TIcons : public TIconFactory {
public:
  THandleValue Next = 0x100;
  THandleValue CreateIcon(const TBitmap&, const TBitmap&) override { return Next++; }
  void DestroyIcon(THandleValue) override {}
};

// The stored settings this run plays: handed out as values by newer versions
// of the program, through references by older ones.
template <typename TLoad>
TLoad SettingsLoader(uint16_t interval, const std::string& folder) {
  if constexpr (std::is_constructible_v<TLoad, void (*)(uint16_t&, TFolderList&)>) {
    return [=](uint16_t& stored, TFolderList& folders) {
      stored = interval;
      folders.Add(folder);
    };
  } else {
    return [=] {
      typename TLoad::result_type loaded;
      loaded.Settings.Interval = interval;
      loaded.Settings.Folders.Add(folder);
      return loaded;
    };
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PICTURE_FOLDER [INTERVAL_S [CHANGES]]\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const uint16_t interval = uint16_t(argc > 2 ? std::atoi(argv[2]) : 15);
  const int changes = argc > 3 ? std::atoi(argv[3]) : 20;

  TSilentBoxes boxes;
  TApplication application(boxes);
  application.Title = "Kobaru";
  TWindow window;
  TFakeClock clock;
  TTray tray;
  TIcons icons;
  TMainFormServices services{
      .Application = application,
      .Window = window,
      .Clock = clock,
      .Tray = tray,
      .Icons = icons,
      .ShellVersion = [] { return uint32_t(0x00060000); },
      .LoadSettings = SettingsLoader<decltype(TMainFormServices::LoadSettings)>(interval, folder),
      .FileAttributes = [](const std::string&) { return std::optional<uint32_t>(0); },
      .Folders = PlatformFolderEnumerator(),
  };
  TVEMOMainForm form(services);

  // The window timer as Windows keeps it: the moment it fires next.
  bool armed = false;
  uint32_t due = 0;
  form.Timer1.OnChange = [&](bool enabled, uint32_t every) {
    armed = enabled;
    due = clock.Value + every;
  };
  form.FormCreate();
  form.actPlay.Execute();
  // The first change comes straight after Play; counting starts after it.
  long ticks = 0;
  int counted = -1;
  const uint32_t limit = (uint32_t(interval) + 2) * 1000 * uint32_t(changes + 2);
  const uint32_t start = clock.Value;
  while (tray.Changes < changes + 1) {
    if (!armed || clock.Value - start > limit) {
      std::fprintf(stderr, "the show stood still after %d changes\n", tray.Changes);
      return 1;
    }
    clock.Value = due;
    due += form.Timer1.Interval();
    if (tray.Changes >= 1) {
      if (counted < 0) counted = tray.Changes;
      ++ticks;
    }
    form.Timer1.Tick();
  }
  const int measured = tray.Changes - counted;
  std::printf("%.1f timer messages per picture change (interval %u s, %d changes, %ld messages)\n",
              double(ticks) / measured, unsigned(interval), measured, ticks);
  form.FormDestroy();
  return 0;
}
