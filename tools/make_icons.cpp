// Writes the saver's icons as .ico files for the Windows resource compiler: the program
// file's icon and the window icon (32 x 32 and 16 x 16), 4 bits a pixel with the
// 16-colour palette.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "display/pictures.h"

namespace {

void Put16(std::vector<uint8_t> &Out, uint32_t v) {
  Out.push_back(uint8_t(v));
  Out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t> &Out, uint32_t v) {
  Put16(Out, v & 0xFFFF);
  Put16(Out, v >> 16);
}

// One icon image: a BITMAPINFOHEADER of double height, the palette, the 4-bit colour
// rows and the 1-bit mask rows, both bottom-up and padded to 32 bits.
std::vector<uint8_t> Image(const TPicture &P, const uint8_t *Mask) {
  std::vector<uint8_t> Out;
  const int ColorStride = ((P.Width * 4 + 31) / 32) * 4, MaskStride = ((P.Width + 31) / 32) * 4;
  Put32(Out, 40);
  Put32(Out, uint32_t(P.Width));
  Put32(Out, uint32_t(P.Height * 2));
  Put16(Out, 1);
  Put16(Out, 4);
  Put32(Out, 0);
  Put32(Out, uint32_t((ColorStride + MaskStride) * P.Height));
  for (int i = 0; i < 4; i++) Put32(Out, 0);
  for (TColor C : Palette16) Put32(Out, C & 0xFFFFFF);  // RGBQUAD: blue, green, red, 0
  for (int y = P.Height - 1; y >= 0; y--) {
    std::vector<uint8_t> Row(size_t(ColorStride), 0);
    for (int x = 0; x < P.Width; x++)
      Row[size_t(x / 2)] |= uint8_t((P.Pixels[y * P.Width + x] & 15) << (x % 2 ? 0 : 4));
    Out.insert(Out.end(), Row.begin(), Row.end());
  }
  for (int y = P.Height - 1; y >= 0; y--) {
    std::vector<uint8_t> Row(size_t(MaskStride), 0);
    for (int x = 0; x < P.Width; x++)
      if (Mask && Mask[y * P.Width + x]) Row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    Out.insert(Out.end(), Row.begin(), Row.end());
  }
  return Out;
}

bool WriteIcon(const std::string &Path,
               const std::vector<std::pair<const TPicture *, const uint8_t *>> &Images) {
  std::vector<uint8_t> Out, Data;
  Put16(Out, 0);
  Put16(Out, 1);
  Put16(Out, uint32_t(Images.size()));
  uint32_t Offset = uint32_t(6 + 16 * Images.size());
  for (auto [P, Mask] : Images) {
    const std::vector<uint8_t> One = Image(*P, Mask);
    Out.push_back(uint8_t(P->Width));
    Out.push_back(uint8_t(P->Height));
    Out.push_back(16);  // colours
    Out.push_back(0);
    Put16(Out, 1);
    Put16(Out, 4);
    Put32(Out, uint32_t(One.size()));
    Put32(Out, Offset);
    Offset += uint32_t(One.size());
    Data.insert(Data.end(), One.begin(), One.end());
  }
  Out.insert(Out.end(), Data.begin(), Data.end());
  std::FILE *F = std::fopen(Path.c_str(), "wb");
  if (!F) return false;
  const bool Ok = std::fwrite(Out.data(), 1, Out.size(), F) == Out.size();
  return std::fclose(F) == 0 && Ok;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tolvane-icons OUTPUT-DIRECTORY\n");
    return 2;
  }
  const std::string Dir = argv[1];
  if (!WriteIcon(Dir + "/program.ico", {{&ProgramIconPicture, ProgramIconMask}}) ||
      !WriteIcon(Dir + "/window.ico", {{&Icon32Picture, nullptr}, {&Icon16Picture, nullptr}})) {
    std::fprintf(stderr, "tolvane-icons: cannot write the icons to %s\n", Dir.c_str());
    return 1;
  }
  return 0;
}
