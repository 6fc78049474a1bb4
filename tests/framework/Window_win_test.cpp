#include "framework/Window_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/dlgResource.h"

namespace {

class TBoxes : public TMessageBoxes {
public:
  std::vector<std::string> Shown;
  void Show(const std::string& text, const std::string&, TMsgDlgType) override { Shown.push_back(text); }
};

// A window (or, from a template, a dialog) that records what reaches it and
// fails on WM_USER + 1 either inside a call into the portable code or around it.
class TProbe : public TWindowBase {
public:
  explicit TProbe(const TApplication& application, bool dialog) : TWindowBase(application), FDialog(dialog) {
    if (dialog) {
      CreateFromTemplate(IDD_CONFIG, nullptr);
      return;
    }
    WNDCLASSEXW windowClass = {};
    windowClass.lpszClassName = L"VemoWindowBaseProbe";
    CreateOfClass(windowClass, 0, WS_OVERLAPPED, L"probe");
  }
  ~TProbe() override { Gone = true; }
  std::vector<UINT> Seen;
  int* Target = nullptr;
  bool Gone = false;

private:
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override {
    EXPECT_FALSE(Gone) << "a message reached a destroyed object";
    if (message == WM_USER + 1) {
      Call(Target, [](int& target) {
        ++target;
        throw Exception("handler failed");
      });
      if (wParam) throw Exception("escaped");
      return 7;
    }
    if (message == WM_INITDIALOG || message == WM_CREATE || message == WM_DESTROY) Seen.push_back(message);
    return FDialog ? FALSE : Default(message, wParam, lParam);
  }
  const bool FDialog;
};

TEST(WindowBase, OneProcedureEachRoutesGuardsAndLetsGoOfTheWindow) {
  for (const bool dialog : {false, true}) {
    TBoxes boxes;
    TApplication application(boxes);
    TProbe probe(application, dialog);
    ASSERT_TRUE(probe.Alive()) << dialog;
    int calls = 0;
    EXPECT_EQ(probe.Seen, std::vector<UINT>{UINT(dialog ? WM_INITDIALOG : WM_CREATE)});
    // An error escaping the handler unwinds no further; without a target
    // nothing runs; with one its error is shown and the message still
    // answered. (A dialog answers through DWLP_MSGRESULT, not its procedure's
    // result, so only a window's answers are compared.)
    const auto send = [&](WPARAM escape) { return SendMessageW(probe.Window(), WM_USER + 1, escape, 0); };
    std::vector<LRESULT> answers = {send(0), send(1)};
    probe.Target = &calls;
    answers.push_back(send(0));
    if (!dialog) {
      EXPECT_EQ(answers, (std::vector<LRESULT>{7, 0, 7}));
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(boxes.Shown, std::vector<std::string>{"handler failed."});
    // Destroyed from outside, the window is let go of, not destroyed twice.
    DestroyWindow(probe.Window());
    EXPECT_FALSE(probe.Alive());
    EXPECT_EQ(probe.Seen.back(), UINT(WM_DESTROY));
  }
  // Going with its window alive, the object hears nothing more from it.
  TBoxes boxes;
  TApplication application(boxes);
  HWND left = nullptr;
  {
    TProbe probe(application, false);
    left = probe.Window();
  }
  EXPECT_FALSE(IsWindow(left));
}

}  // namespace
