// Still and animated pictures of the raster canvas for the headless simulator.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

struct GifFileType;

// Writes Width x Height pixels of 0x00RRGGBB (row-major) as an 8-bit RGB PNG. False if
// the arguments are unusable or the file cannot be written; never throws.
bool WritePng(const char *Path, const uint32_t *Pixels, int32_t Width, int32_t Height);

// An animated GIF that loops forever, in the 16-colour palette. Every frame after the
// first holds only the box around the pixels that changed, drawn over the previous frame
// (which stays), so a still frame costs one pixel and keeps its delay.
class TGifWriter {
 public:
  TGifWriter() = default;
  TGifWriter(const TGifWriter &) = delete;
  TGifWriter &operator=(const TGifWriter &) = delete;
  ~TGifWriter() { Close(); }

  // Starts the file; a file already open is closed first. False if the size is outside
  // 1..65535, the delay outside 0..65535 centiseconds, or the file cannot be created.
  bool Open(const char *Path, int32_t Width, int32_t Height, int DelayCentiseconds);
  // Adds a full frame of 0x00RRGGBB; colours outside the palette become the nearest
  // palette colour. False when no file is open or writing failed; after a failure
  // every further frame is refused and Close reports false.
  bool AddFrame(const uint32_t *Pixels);
  // Finishes and closes the file. False if none was open or anything failed.
  bool Close();
  // Whether a file is open for frames.
  bool IsOpen() const { return FGif != nullptr; }

 private:
  uint8_t IndexOf(uint32_t Color);

  GifFileType *FGif = nullptr;
  std::FILE *FFile = nullptr;
  bool FFailed = false;
  bool FHasFrame = false;
  int32_t FWidth = 0, FHeight = 0;
  int FDelay = 0;
  std::vector<uint8_t> FPrevious, FCurrent;  // palette indices of the last and new frame
  uint32_t FCacheKey[256] = {};              // recent colours and their indices
  uint8_t FCacheIndex[256] = {};
  bool FCacheUsed[256] = {};
};
