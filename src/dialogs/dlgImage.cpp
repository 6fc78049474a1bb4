#include "dialogs/dlgImage.h"

#include <memory>

#include "picture/ZoBLibResize.h"
#include "picture/vemoSub.h"

namespace {

// The preview open now; ShowPreviewDialog is its only user.
TImagePreviewDialog* GOpenPreview = nullptr;

}  // namespace

TPoint PlaceNear(const TPoint& point, int32_t width, int32_t height, const TRect& workArea) {
  const int32_t L = workArea.Left, T = workArea.Top, R = workArea.Right, B = workArea.Bottom;
  TPoint place;
  if (point.X <= L) {
    place = {L + kPreviewMargin, point.Y - height};
  } else if (point.X >= R) {
    place = {R - kPreviewMargin - width, point.Y - height};
  } else if (point.Y <= T) {
    place = {point.X - width, T + kPreviewMargin};
  } else {
    place = {point.X - width, B - kPreviewMargin - height};
  }
  if (place.X < L) place.X = L;
  if (place.X + width > R) place.X = R - width;
  if (place.Y < T) place.Y = T;
  if (place.Y + height > B) place.Y = B - height;
  return place;
}

std::string FolderOfPath(const std::string& fileName) {
  const size_t slash = fileName.rfind('\\');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash);
}

std::string NameOfPath(const std::string& fileName) {
  const size_t slash = fileName.rfind('\\');
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

TImagePreviewDialog::TImagePreviewDialog(TImagePreviewUi& ui) : FUi(ui) {
  FormCreate();
  FUi.SetDialog(this);
}

TImagePreviewDialog::~TImagePreviewDialog() {
  FUi.SetDialog(nullptr);
  FormDestroy();
}

TImagePreviewDialog* TImagePreviewDialog::OpenDialog() { return GOpenPreview; }

void TImagePreviewDialog::FormCreate() {
  actOpen.OnExecute = [this](TAction*) { actOpenExecute(); };
  actOpenFolder.OnExecute = [this](TAction*) { actOpenFolderExecute(); };
  for (TMenuItem* menu : {&MainMenu1, &PopupMenu1}) {
    TMenuItem* open = menu->Add(std::make_unique<TMenuItem>());
    actOpen.Link(open);
    open->Default = true;
    actOpenFolder.Link(menu->Add(std::make_unique<TMenuItem>()));
  }
  PopupMenu1.Add(std::make_unique<TMenuItem>("-"));
  actNeverShow.Link(PopupMenu1.Add(std::make_unique<TMenuItem>()));
  actNeverShow.SetEnabled(false);
  actNeverShow.OnExecute = [this](TAction*) {
    if (OnNeverShow) OnNeverShow(FFileName);
  };
  FUi.SetMenus(MainMenu1, PopupMenu1);
  FPreviewSide = ScaledForDpi(kPreviewSide, FUi.Dpi());
  FUi.SetClientSize(FPreviewSide, FPreviewSide);
  FPreview = std::make_unique<TBitmap>();
}

void TImagePreviewDialog::FormDestroy() { FPreview.reset(); }

void TImagePreviewDialog::ShowPreviewDialog(const TPreviewServices& services, const TPoint& point,
                                            const std::string& fileName) {
  if (GOpenPreview) {
    GOpenPreview->FUi.BringToFront();
    return;
  }
  if (!services.FileExists(fileName)) {
    const std::string format = kFileNotFoundFormat;
    const size_t at = format.find("%s");
    const std::string text = format.substr(0, at) + fileName + format.substr(at + 2);
    services.Application.MessageBoxes().Show(text, MessageBoxCaption(mtError, services.Application.Title),
                                             mtError);
    return;
  }
  std::unique_ptr<TImagePreviewUi> window = services.NewWindow();
  // The reference is emptied and the dialog freed whatever happens below.
  struct TReference {
    explicit TReference(TImagePreviewDialog* dialog) { GOpenPreview = dialog; }
    ~TReference() { GOpenPreview = nullptr; }
  };
  TImagePreviewDialog dialog(*window);
  TReference reference(&dialog);
  dialog.FileExists = services.FileExists;
  dialog.OnNeverShow = services.NeverShow;
  dialog.actNeverShow.SetEnabled(bool(services.NeverShow));
  dialog.PlaceNear(point);
  dialog.LoadPreview(fileName);
  services.Application.ShowMainForm = true;
  try {
    window->ShowModal();
  } catch (...) {
    services.Application.ShowMainForm = false;
    throw;
  }
  services.Application.ShowMainForm = false;
}

void TImagePreviewDialog::PlaceNear(const TPoint& point) {
  int32_t width = 0, height = 0;
  FUi.OuterSize(width, height);
  const TPoint place = ::PlaceNear(point, width, height, FUi.WorkArea());
  FUi.SetPosition(place.X, place.Y);
}

void TImagePreviewDialog::LoadPreview(const std::string& fileName) {
  FFileName = fileName;
  FUi.SetCaption(NameOfPath(fileName));
  FUi.SetHint(fileName);
  // A file removed since the caller looked leaves the picture area empty.
  if (FileExists && !FileExists(fileName)) {
    FUi.Invalidate();
    return;
  }
  TBitmap picture;
  TOrientation orientation = orNormal;
  LoadPicture(fileName, picture, &orientation);
  int32_t width = picture.Width(), height = picture.Height();
  if (!picture.Empty()) {
    // Shrunk as stored, then set upright: the same rule as the tiles'.
    FitStoredSize(FPreviewSide, orientation, width, height);
    std::unique_ptr<TBitmap> resized = ResizeBitmap(picture, width, height, rmNearestNeighbor, false);
    if (resized && orientation != orNormal && !resized->Empty())
      resized = OrientBitmap(*resized, orientation);
    if (resized) FPreview->Swap(*resized);
  }
  FUi.Invalidate();
}

TPoint TImagePreviewDialog::PreviewOrigin(int32_t clientWidth, int32_t clientHeight, const TBitmap& preview) {
  return TPoint{(clientWidth - preview.Width()) / 2, (clientHeight - preview.Height()) / 2};
}

std::unique_ptr<TBitmap> TImagePreviewDialog::ClientImage(int32_t clientWidth, int32_t clientHeight) {
  auto image = std::make_unique<TBitmap>(clientWidth, clientHeight, pf24bit);
  image->Canvas().Brush.Color = FUi.FaceColor();
  image->Canvas().FillRect(TRect{0, 0, clientWidth, clientHeight});
  if (!FPreview->Empty()) {
    const TPoint origin = PreviewOrigin(clientWidth, clientHeight, *FPreview);
    image->Canvas().Draw(origin.X, origin.Y, *FPreview);
  }
  return image;
}

void TImagePreviewDialog::actOpenExecute() { FUi.ShellOpen(FFileName); }

void TImagePreviewDialog::actOpenFolderExecute() { FUi.ShellOpen(FolderOfPath(FFileName)); }
