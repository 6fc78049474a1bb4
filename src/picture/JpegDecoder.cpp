#include "picture/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {

constexpr size_t kInputBufferSize = 64 * 1024;
// Coefficient buffers of progressive pictures are the only large allocations
// libjpeg makes; beyond this it stops with "backing store not supported".
constexpr long kMaxJpegMemory = 384L << 20;

// libjpeg reports errors through a callback that must not return. It jumps
// back to the guarded call that started the work; the frames in between are
// libjpeg's own and our source manager's, none of which own resources.
struct TErrorManager {
  jpeg_error_mgr Public;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
  bool Cancelled;
};

extern "C" void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->Message);
  std::longjmp(err->Jump, 1);
}

// libjpeg calls this once per band of rows, also while it reads the scans of a
// progressive picture before the first row comes out.
extern "C" void OnProgress(j_common_ptr cinfo) {
  if (!TCancelScope::Cancelled()) return;
  auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
  err->Cancelled = true;
  std::longjmp(err->Jump, 1);
}

extern "C" void OnMessage(j_common_ptr cinfo, int level) {
  // A truncated file (or one whose entropy data runs into a marker) would
  // otherwise be padded with grey and passed off as a picture.
  if (level < 0 && (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER))
    OnError(cinfo);
}

struct TSourceManager {
  jpeg_source_mgr Public;
  TStream* Stream;
  JOCTET Buffer[kInputBufferSize];
};

extern "C" void InitSource(j_decompress_ptr) {}

extern "C" boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<TSourceManager*>(cinfo->src);
  size_t n = 0;
  try {
    n = src->Stream->Read(src->Buffer, kInputBufferSize);
  } catch (...) {
    n = 0;
  }
  if (n == 0) ERREXIT(cinfo, JERR_INPUT_EOF);
  src->Public.next_input_byte = src->Buffer;
  src->Public.bytes_in_buffer = n;
  return TRUE;
}

extern "C" void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<TSourceManager*>(cinfo->src);
  if (count <= 0) return;
  while (size_t(count) > src->Public.bytes_in_buffer) {
    count -= long(src->Public.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->Public.next_input_byte += count;
  src->Public.bytes_in_buffer -= size_t(count);
}

extern "C" void TermSource(j_decompress_ptr) {}

// Each libjpeg call runs inside one of these: a frame with nothing to destroy,
// so the jump back from OnError skips no destructor.
int GuardedReadHeader(j_decompress_ptr cinfo, TErrorManager* err) {
  if (setjmp(err->Jump)) return -1;
  return jpeg_read_header(cinfo, TRUE);
}

int GuardedStart(j_decompress_ptr cinfo, TErrorManager* err) {
  if (setjmp(err->Jump)) return -1;
  return jpeg_start_decompress(cinfo) ? 1 : 0;
}

int GuardedReadScanline(j_decompress_ptr cinfo, TErrorManager* err, JSAMPROW row) {
  if (setjmp(err->Jump)) return -1;
  return int(jpeg_read_scanlines(cinfo, &row, 1));
}

int GuardedFinish(j_decompress_ptr cinfo, TErrorManager* err) {
  if (setjmp(err->Jump)) return -1;
  return jpeg_finish_decompress(cinfo) ? 1 : 0;
}

// CMYK as Photoshop writes it (Adobe marker) is stored inverted.
inline uint8_t CmykChannel(unsigned colour, unsigned black, bool inverted) {
  if (!inverted) {
    colour = 255 - colour;
    black = 255 - black;
  }
  return uint8_t((colour * black + 127) / 255);
}

}  // namespace

struct TJpegDecoder::TImpl {
  jpeg_decompress_struct Info{};
  TErrorManager Error{};
  TSourceManager Source{};
  jpeg_progress_mgr Progress{};
  bool Created = false;
  bool Started = false;
  bool Cmyk = false;
  TOrientation Orientation = orNormal;

  ~TImpl() {
    if (Created) jpeg_destroy_decompress(&Info);
  }

  [[noreturn]] void Fail() {
    if (Error.Cancelled) throw ECancelled();
    throw EInvalidGraphic(IDS_JPEG_READ_FAILED, {std::string(Error.Message)});
  }
};

TJpegDecoder::TJpegDecoder(TStream& stream) : FImpl(std::make_unique<TImpl>()) {
  TImpl& d = *FImpl;
  d.Info.err = jpeg_std_error(&d.Error.Public);
  d.Error.Public.error_exit = OnError;
  d.Error.Public.emit_message = OnMessage;
  jpeg_create_decompress(&d.Info);
  d.Created = true;
  d.Info.mem->max_memory_to_use = kMaxJpegMemory;
  d.Progress.progress_monitor = OnProgress;
  d.Info.progress = &d.Progress;

  d.Source.Stream = &stream;
  d.Source.Public.init_source = InitSource;
  d.Source.Public.fill_input_buffer = FillInputBuffer;
  d.Source.Public.skip_input_data = SkipInputData;
  d.Source.Public.resync_to_restart = jpeg_resync_to_restart;
  d.Source.Public.term_source = TermSource;
  d.Info.src = &d.Source.Public;

  // Only APP1 segments are kept: they hold the EXIF block. A segment is at
  // most 64 KiB, so what is kept stays bounded by the file itself.
  jpeg_save_markers(&d.Info, JPEG_APP0 + 1, 0xFFFF);
  if (GuardedReadHeader(&d.Info, &d.Error) != JPEG_HEADER_OK) {
    if (d.Error.Message[0] == 0) std::strcpy(d.Error.Message, "no image");
    d.Fail();
  }
  for (jpeg_saved_marker_ptr marker = d.Info.marker_list; marker; marker = marker->next) {
    static const char kExif[] = "Exif";
    if (marker->data_length < sizeof kExif || std::memcmp(marker->data, kExif, sizeof kExif) != 0) continue;
    d.Orientation = ExifOrientation(marker->data, marker->data_length);
    break;
  }
  if (uint64_t(d.Info.image_width) * d.Info.image_height > kMaxPicturePixels)
    throw EInvalidGraphic(IDS_JPEG_TOO_LARGE);
  if (d.Info.jpeg_color_space == JCS_CMYK || d.Info.jpeg_color_space == JCS_YCCK) {
    d.Info.out_color_space = JCS_CMYK;
    d.Cmyk = true;
  } else {
    // Grey-scale and colour pictures alike come out in the bitmap's byte order.
    d.Info.out_color_space = JCS_EXT_BGR;
  }
}

TJpegDecoder::~TJpegDecoder() = default;

int32_t TJpegDecoder::Width() const { return int32_t(FImpl->Info.image_width); }
int32_t TJpegDecoder::Height() const { return int32_t(FImpl->Info.image_height); }
TOrientation TJpegDecoder::Orientation() const { return FImpl->Orientation; }

void TJpegDecoder::ReadRows(const TRowSink& sink) {
  TImpl& d = *FImpl;
  if (d.Started) throw EInvalidGraphic(IDS_JPEG_ROWS_ONCE);
  d.Started = true;
  if (GuardedStart(&d.Info, &d.Error) != 1) d.Fail();
  const size_t width = d.Info.output_width;
  const size_t components = size_t(d.Info.output_components);
  std::vector<uint8_t> raw(width * components);
  std::vector<uint8_t> bgr(d.Cmyk ? width * 3 : 0);
  const bool inverted = d.Info.saw_Adobe_marker;
  for (int32_t y = 0; y < int32_t(d.Info.output_height); ++y) {
    TCancelScope::ThrowIfCancelled();
    if (GuardedReadScanline(&d.Info, &d.Error, raw.data()) != 1) d.Fail();
    if (d.Cmyk) {
      for (size_t x = 0; x < width; ++x) {
        const uint8_t* p = &raw[x * 4];
        bgr[x * 3 + 0] = CmykChannel(p[2], p[3], inverted);
        bgr[x * 3 + 1] = CmykChannel(p[1], p[3], inverted);
        bgr[x * 3 + 2] = CmykChannel(p[0], p[3], inverted);
      }
      sink(y, bgr.data());
    } else {
      sink(y, raw.data());
    }
  }
  if (GuardedFinish(&d.Info, &d.Error) != 1) d.Fail();
}

void LoadJpegFromFile(const std::string& fileName, TBitmap& bitmap, TOrientation* orientation) {
  TFileStream stream(fileName, TFileStream::TMode::Read);
  TJpegDecoder decoder(stream);
  decoder.Load(bitmap);
  if (orientation) *orientation = decoder.Orientation();
}
