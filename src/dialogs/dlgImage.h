// The picture preview: one picture at most 256 x 256 in a small modal window
// beside the notification area, with commands to open the picture or its
// folder in the shell. At most one preview is open at a time.
//
// TImagePreviewDialog holds the behaviour; the window (Win32 in the program, a
// fake in the portable tests) is reached through TImagePreviewUi.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/Texts.h"

struct TPoint {
  int32_t X = 0, Y = 0;
  bool operator==(const TPoint&) const = default;
};

// The picture area's side at 96 dpi; it grows with the display's DPI.
inline constexpr int32_t kPreviewSide = 256;
// How far the window keeps from the task bar's edge.
inline constexpr int32_t kPreviewMargin = 8;

inline constexpr TText kFileNotFoundFormat{IDS_FILE_NOT_FOUND};

// Command numbers of the preview's menu items.
enum TPreviewCommandId : uint16_t {
  cmdPreviewOpen = 201,
  cmdPreviewOpenFolder = 202,
  cmdPreviewNeverShow = 203,
};

// Where a window of outer size width x height goes beside point so that it
// stays in the work area: the first matching task-bar side decides, then the
// window is pulled into the work area (right and bottom edges last, so they
// win when the window is larger).
TPoint PlaceNear(const TPoint& point, int32_t width, int32_t height, const TRect& workArea);

// The folder part of a path: up to, without, the last backslash (empty when
// there is none), and the name after it.
std::string FolderOfPath(const std::string& fileName);
std::string NameOfPath(const std::string& fileName);

class TImagePreviewDialog;

// The preview's window.
class TImagePreviewUi {
public:
  virtual ~TImagePreviewUi() = default;
  // The dialog whose handlers the window's events go to; null when it is gone.
  virtual void SetDialog(TImagePreviewDialog* dialog) = 0;
  virtual void SetClientSize(int32_t width, int32_t height) = 0;
  // The DPI the window is shown at.
  virtual int32_t Dpi() { return 96; }
  // The window's outer size: border, title bar and menu bar included.
  virtual void OuterSize(int32_t& width, int32_t& height) = 0;
  // The screen's work area: the part the task bar leaves.
  virtual TRect WorkArea() = 0;
  virtual void SetPosition(int32_t left, int32_t top) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetHint(const std::string& hint) = 0;
  // The menu bar and the context menu, given once after FormCreate.
  virtual void SetMenus(TMenuItem& mainMenu, TMenuItem& popupMenu) = 0;
  // The colour the client area is filled with (the button face colour).
  virtual TColor FaceColor() = 0;
  // Repaint the client area from the dialog's ClientImage.
  virtual void Invalidate() = 0;
  // Shows the window modally until the user closes it.
  virtual void ShowModal() = 0;
  // Brings the window to the front and gives it the focus.
  virtual void BringToFront() = 0;
  virtual void ShellOpen(const std::string& path) = 0;
};

// What ShowPreviewDialog needs around it.
struct TPreviewServices {
  TApplication& Application;
  std::function<bool(const std::string&)> FileExists;
  // Makes the window of a new preview.
  std::function<std::unique_ptr<TImagePreviewUi>()> NewWindow;
  // Hides the picture previewed from the show; none: the item is off.
  std::function<void(const std::string&)> NeverShow = nullptr;
};

class TImagePreviewDialog {
public:
  // Runs FormCreate.
  explicit TImagePreviewDialog(TImagePreviewUi& ui);
  // Runs FormDestroy.
  ~TImagePreviewDialog();
  TImagePreviewDialog(const TImagePreviewDialog&) = delete;
  TImagePreviewDialog& operator=(const TImagePreviewDialog&) = delete;

  // Shows fileName near point, or focuses the preview already open; a missing
  // file gets the error box instead. Returns when the preview is closed.
  static void ShowPreviewDialog(const TPreviewServices& services, const TPoint& point,
                                const std::string& fileName);
  // The preview open now, or null.
  static TImagePreviewDialog* OpenDialog();

  // --- Components -----------------------------------------------------------------
  TAction actOpen{cmdPreviewOpen, LoadText(IDS_MENU_OPEN)};
  TAction actOpenFolder{cmdPreviewOpenFolder, LoadText(IDS_MENU_OPEN_FOLDER)};
  // In the right-click menu only: the menu bar would change the window's size.
  TAction actNeverShow{cmdPreviewNeverShow, LoadText(IDS_MENU_NEVER_SHOW)};
  TMenuItem MainMenu1;
  TMenuItem PopupMenu1;

  // --- Published event handlers -------------------------------------------------
  void FormCreate();
  void FormDestroy();
  void FormDblClick() { actOpen.Execute(); }
  void FormShow() { FUi.BringToFront(); }
  void actOpenExecute();
  void actOpenFolderExecute();
  std::function<void(const std::string&)> OnNeverShow;

  void PlaceNear(const TPoint& point);
  void LoadPreview(const std::string& fileName);

  // What the client area shows: the face colour with the picture centred.
  std::unique_ptr<TBitmap> ClientImage(int32_t clientWidth, int32_t clientHeight);
  // Where the picture's top-left corner goes, division truncating.
  static TPoint PreviewOrigin(int32_t clientWidth, int32_t clientHeight, const TBitmap& preview);

  // Whether a file exists; LoadPreview loads only one that does.
  std::function<bool(const std::string&)> FileExists;

  const TBitmap& Preview() const { return *FPreview; }
  // The picture area's side: kPreviewSide at the window's DPI.
  int32_t PreviewSide() const { return FPreviewSide; }
  const std::string& FileName() const { return FFileName; }

private:
  TImagePreviewUi& FUi;
  std::unique_ptr<TBitmap> FPreview;
  std::string FFileName;
  int32_t FPreviewSide = kPreviewSide;
};
